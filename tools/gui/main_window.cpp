#include "main_window.h"

#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

#include "image.h"

#ifndef PIXAVON_VERSION
#define PIXAVON_VERSION "unknown"
#endif

namespace pixavon::gui {
namespace {

constexpr int kThumbWidth = 161;
constexpr int kThumbHeight = 121;
constexpr qint64 kRepaintEveryMs = 15;

// The buttons in the order the library's string table lists them.
constexpr uint32_t kButtonIds[] = {host::kTextDelete, host::kTextUpload,   host::kTextBackup,    host::kTextDisplay,
                                   host::kTextFormat, host::kTextAbout,    host::kTextReadCard,  host::kTextWriteCard,
                                   host::kTextCatalog, host::kTextExit};

std::string locale_codeset() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    const std::string locale = value;
    const size_t dot = locale.find('.');
    if (dot == std::string::npos) return {};
    const size_t at = locale.find('@', dot);
    return locale.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
  }
  return {};
}

std::string local_path(const QString& name) { return QFile::encodeName(name).toStdString(); }

QString file_name(const QString& path) { return QFileInfo(path).fileName(); }

// What the camera takes for a picture file: the host's own decoders first (so
// a picture comes out as the command-line tool puts it), then any format Qt
// reads. Throws ImageError.
std::vector<uint8_t> bitmap_for_file(const QString& path) {
  const std::vector<uint8_t> bytes = host::read_file(local_path(path), host::kMaxPixels * 4 + 65536);
  try {
    return host::camera_bitmap_for(bytes, host::Fit::kPad);
  } catch (const host::ImageError&) {
    QImage image;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size())) || image.isNull()) throw;
    if (static_cast<uint64_t>(image.width()) * static_cast<uint64_t>(image.height()) > host::kMaxPixels) {
      throw host::ImageError("the picture is too large");
    }
    return host::encode_camera_bitmap(
        host::fit_to(from_qimage(image), kPhotoWidth, kPhotoHeight, host::Fit::kPad));
  }
}

// Sets the window busy for as long as it lives.
class BusyScope {
 public:
  explicit BusyScope(std::function<void(bool)> set) : set_(std::move(set)) { set_(true); }
  ~BusyScope() { set_(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  std::function<void(bool)> set_;
};

QString picture_filter() {
  QStringList patterns;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) patterns << "*." + QString::fromLatin1(format);
  return QObject::tr("Pictures (%1);;All files (*)").arg(patterns.join(' '));
}

}  // namespace

QString from_library(const std::string& text) {
  const QByteArray bytes = QByteArray::fromStdString(text);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString out = utf8.decode(bytes);
  if (!utf8.hasError()) return out;
  const std::string codeset = locale_codeset();
  if (codeset.empty()) return out;
  iconv_t converter = ::iconv_open("UTF-8", codeset.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return out;
  std::string in = text;
  std::string converted(text.size() * 4 + 4, '\0');
  char* in_at = in.data();
  size_t in_left = in.size();
  char* out_at = converted.data();
  size_t out_left = converted.size();
  const size_t result = ::iconv(converter, &in_at, &in_left, &out_at, &out_left);
  ::iconv_close(converter);
  if (result == static_cast<size_t>(-1)) return out;
  return QString::fromUtf8(converted.data(), out_at - converted.data());
}

QImage to_qimage(const host::Image& image) {
  QImage out(static_cast<int>(image.width), static_cast<int>(image.height), QImage::Format_RGB888);
  for (uint32_t y = 0; y < image.height; ++y) {
    std::memcpy(out.scanLine(static_cast<int>(y)), image.pixel(0, y), static_cast<size_t>(image.width) * 3);
  }
  return out;
}

host::Image from_qimage(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  host::Image out(static_cast<uint32_t>(rgb.width()), static_cast<uint32_t>(rgb.height()));
  for (uint32_t y = 0; y < out.height; ++y) {
    std::memcpy(out.pixel(0, y), rgb.constScanLine(static_cast<int>(y)), static_cast<size_t>(out.width) * 3);
  }
  return out;
}

MainWindow::MainWindow(host::Library& library, QWidget* parent)
    : QWidget(parent), session_(library, static_cast<host::HostWindow&>(*this)) {
  setWindowTitle(text(host::kTextTitle));
  setAcceptDrops(true);

  list_ = new QListWidget(this);
  list_->setViewMode(QListView::IconMode);
  list_->setIconSize(QSize(kThumbWidth, kThumbHeight));
  list_->setMovement(QListView::Static);
  list_->setResizeMode(QListView::Adjust);
  list_->setSpacing(6);
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setDragDropMode(QAbstractItemView::NoDragDrop);
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { update_buttons(); });
  connect(list_, &QListWidget::itemActivated, this, [this] { on_button(host::kTextDisplay); });

  status_ = new QLabel(this);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* grid = new QGridLayout;
  int column = 0;
  for (const uint32_t id : kButtonIds) {
    auto* button = new QPushButton(text(id).replace('&', QStringLiteral("&&")), this);
    connect(button, &QPushButton::clicked, this, [this, id] { on_button(id); });
    grid->addWidget(button, column / 5, column % 5);
    buttons_.emplace_back(id, button);
    ++column;
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addWidget(status_);
  layout->addLayout(grid);
  resize(900, 620);
  update_buttons();
}

MainWindow::~MainWindow() = default;

QPushButton* MainWindow::button(uint32_t text_id) const {
  for (const auto& [id, button] : buttons_) {
    if (id == text_id) return button;
  }
  return nullptr;
}

int MainWindow::present(QMessageBox& box) { return box.exec(); }

QStringList MainWindow::ask_pictures() {
  return QFileDialog::getOpenFileNames(this, text(host::kTextUpload), QString(), picture_filter());
}

QString MainWindow::ask_save_target(const QList<int>& positions) {
  if (positions.size() == 1) {
    return QFileDialog::getSaveFileName(this, text(host::kTextBackup), QStringLiteral("photo-%1.bmp").arg(positions[0]),
                                        tr("Bitmap (*.bmp);;PNG (*.png)"));
  }
  return QFileDialog::getExistingDirectory(this, text(host::kTextBackup));
}

QString MainWindow::ask_backup_file() {
  return QFileDialog::getSaveFileName(this, text(host::kTextReadCard), QStringLiteral("card.bin"),
                                      tr("Card images (*.bin);;All files (*)"));
}

QString MainWindow::ask_restore_file() {
  return QFileDialog::getOpenFileName(this, text(host::kTextWriteCard), QString(),
                                      tr("Card images (*.bin);;All files (*)"));
}

void MainWindow::on_progress() {
  if (runs_.empty() || progress_ == nullptr) return;
  Run& run = runs_.back();
  ++run.steps;
  progress_->setValue(std::min(run.steps, run.total));
  // The library works on in this thread: let the window repaint (and timers
  // run) now and then, but leave the user's input for afterwards.
  if (!repainted_.isValid() || repainted_.elapsed() >= kRepaintEveryMs || run.steps == run.total) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repainted_.restart();
  }
}

void MainWindow::on_box(bool owned, const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, from_library(caption), from_library(text), QMessageBox::Ok,
                  owned ? this : nullptr);
  present(box);
}

template <typename Call>
bool MainWindow::run(uint32_t label_id, int total, Call&& call) {
  QProgressDialog dialog(text(label_id), QString(), 0, total, this);
  dialog.setWindowTitle(windowTitle());
  dialog.setMinimumDuration(0);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  dialog.setValue(0);
  dialog.show();
  if (runs_.size() >= 100) runs_.erase(runs_.begin());
  runs_.push_back({label_id, total, 0});
  progress_ = &dialog;
  repainted_.invalidate();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const bool ok = session_.call(std::forward<Call>(call));
  progress_ = nullptr;
  return ok;
}

void MainWindow::set_busy(bool busy) {
  busy_ = busy;
  if (busy) {
    for (const auto& entry : buttons_) entry.second->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
    update_buttons();
  }
}

void MainWindow::update_buttons() {
  if (busy_) return;
  const bool open = session_.is_open();
  const qsizetype selected = list_->selectedItems().size();
  for (const auto& [id, button] : buttons_) {
    bool on = true;
    switch (id) {
      case host::kTextDelete:
      case host::kTextBackup: on = catalog_ok_ && selected > 0; break;
      case host::kTextDisplay: on = catalog_ok_ && selected == 1; break;
      case host::kTextUpload: on = catalog_ok_ && catalog_.free_slots() > 0; break;
      case host::kTextFormat:
      case host::kTextReadCard:
      case host::kTextWriteCard: on = open; break;
      default: break;
    }
    button->setEnabled(on);
  }
}

int MainWindow::tell(const QString& message, bool question) {
  QMessageBox box(question ? QMessageBox::Question : QMessageBox::Warning, windowTitle(), message,
                  question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, this);
  if (question) box.setDefaultButton(QMessageBox::No);
  return present(box);
}

QList<int> MainWindow::selected_positions() const {
  QList<int> positions;
  for (const QListWidgetItem* item : list_->selectedItems()) positions << item->data(Qt::UserRole).toInt();
  std::sort(positions.begin(), positions.end());
  return positions;
}

uint32_t MainWindow::capacity_code() {
  if (catalog_ok_) return catalog_.capacity_code;
  // With a damaged catalog the library assumes the smaller card.
  return session_.lib().GetCardMemory() == 52 ? 52 : 26;
}

bool MainWindow::load_catalog() {
  if (busy_) return false;
  BusyScope busy([this](bool on) { set_busy(on); });
  return reload_view();
}

bool MainWindow::reload_view() {
  catalog_ok_ = false;
  catalog_ = {};
  list_->clear();
  if (!session_.is_open()) {
    if (!session_.open()) {
      cache_.clear();
      device_path_.clear();
      status_->setText(tr("No camera found in %1: connect the camera, or start with --card IMAGE")
                           .arg(QFile::decodeName(QByteArray::fromStdString(host::device_dir_in_use()))));
      return false;
    }
    device_path_ = QFile::decodeName(QByteArray::fromStdString(host::first_device_in(host::device_dir_in_use())));
  }
  try {
    catalog_ = session_.reload();
  } catch (const host::CatalogError& error) {
    cache_.clear();
    catalog_ = {};
    // A camera that stops answering is opened afresh by the next CATALOG.
    if (error.kind() == host::CatalogError::Kind::kNoAnswer) session_.close();
    status_->setText(error.kind() == host::CatalogError::Kind::kDamaged
                         ? tr("The card's catalog is damaged, so its photos cannot be found. %1 or %2 can "
                              "repair it only if the card was read earlier in this session.")
                               .arg(text(host::kTextWriteCard), text(host::kTextFormat))
                         : tr("%1: check the camera and press %2 again.")
                               .arg(QString::fromStdString(error.what()), text(host::kTextCatalog)));
    return false;
  }
  catalog_ok_ = true;

  const std::set<int> present_slots(catalog_.slots.begin(), catalog_.slots.end());
  for (auto it = cache_.begin(); it != cache_.end();) {
    it = present_slots.count(it.key()) != 0 ? std::next(it) : cache_.erase(it);
  }
  const bool complete = load_thumbnails();

  QImage missing(kThumbWidth, kThumbHeight, QImage::Format_RGB888);
  missing.fill(Qt::darkGray);
  for (uint32_t i = 0; i < catalog_.count; ++i) {
    const int slot = catalog_.slots[i];
    const QImage photo = cache_.value(slot);
    const QImage thumb = photo.isNull() ? missing
                                        : photo.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio,
                                                       Qt::SmoothTransformation);
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(thumb)), QString::number(i), list_);
    item->setData(Qt::UserRole, static_cast<int>(i));
    item->setToolTip(tr("Position %1, slot %2").arg(i).arg(slot));
  }
  status_->setText(from_library(session_.usage_line(catalog_.count, catalog_.free_slots())));
  return complete;
}

bool MainWindow::load_thumbnails() {
  std::vector<int> wanted;
  for (uint32_t i = 0; i < catalog_.count; ++i) {
    if (!cache_.contains(catalog_.slots[i])) wanted.push_back(static_cast<int>(i));
  }
  if (wanted.empty()) return true;
  std::string wrong;
  const bool ok = run(host::kTextCatalog, static_cast<int>(wanted.size() * host::kDownloadSteps), [&] {
    try {
      for (const int position : wanted) {
        const std::vector<uint8_t> bitmap = session_.download(position);
        if (bitmap.empty()) return 0;
        cache_.insert(catalog_.slots[position], to_qimage(host::decode_bmp(bitmap)));
      }
    } catch (const std::exception& error) {
      wrong = error.what();
      return 0;
    }
    return 1;
  });
  if (!wrong.empty()) tell(QString::fromStdString(wrong));
  return ok;
}

bool MainWindow::upload(const QStringList& files) {
  if (busy_ || files.isEmpty()) return false;
  BusyScope busy([this](bool on) { set_busy(on); });
  if (!catalog_ok_ && !reload_view()) return false;
  // Every file is converted before the card is touched, so a bad one leaves
  // the card as it was.
  std::vector<std::vector<uint8_t>> bitmaps;
  for (const QString& file : files) {
    try {
      bitmaps.push_back(bitmap_for_file(file));
    } catch (const host::ImageError& error) {
      tell(tr("%1 cannot be uploaded: %2. Nothing was uploaded.").arg(file_name(file), QString::fromStdString(error.what())));
      return false;
    }
  }
  if (bitmaps.size() > catalog_.free_slots()) {
    tell(tr("%1 pictures do not fit: the card has %2 free slots (%3 of %4 photos). Nothing was uploaded.")
             .arg(bitmaps.size())
             .arg(catalog_.free_slots())
             .arg(catalog_.count)
             .arg(catalog_.capacity_code));
    return false;
  }
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    std::string staged;
    try {
      staged = session_.temp_dir() + "/upload.bmp";
      host::write_file_atomically(staged, bitmaps[i], true);
    } catch (const std::exception& error) {
      tell(QString::fromStdString(error.what()));
      return false;
    }
    const uint32_t before = catalog_.count;
    const size_t boxes = session_.boxes();
    const bool ok = run(host::kTextUpload, static_cast<int>(host::kUploadSteps),
                        [&] { return session_.lib().WriteFileToGBA(staged.c_str()); });
    ::unlink(staged.c_str());
    // The library needs the catalog reloaded after every change, failed ones too.
    reload_view();
    if (!ok || !catalog_ok_ || catalog_.count != before + 1) {
      if (session_.boxes() == boxes) tell(tr("The camera did not take %1.").arg(file_name(files[static_cast<qsizetype>(i)])));
      return false;
    }
  }
  return true;
}

bool MainWindow::delete_photos(QList<int> positions) {
  if (busy_ || positions.isEmpty() || !catalog_ok_) return false;
  BusyScope busy([this](bool on) { set_busy(on); });
  // Highest first: deleting a photo moves every later one down a position.
  std::sort(positions.begin(), positions.end(), std::greater<>());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  if (positions.front() >= static_cast<int>(catalog_.count) || positions.back() < 0) return false;
  if (tell(tr("Delete %1 of the %2 photos on the card?").arg(positions.size()).arg(catalog_.count), true) !=
      QMessageBox::Yes) {
    return false;
  }
  for (const int position : positions) {
    const uint32_t before = catalog_.count;
    const size_t boxes = session_.boxes();
    const bool ok = run(host::kTextDelete, static_cast<int>(host::kDeleteSteps),
                        [&] { return session_.lib().DeletePhoto(position); });
    reload_view();
    if (!ok || !catalog_ok_ || catalog_.count + 1 != before) {
      if (session_.boxes() == boxes) tell(tr("Photo %1 could not be deleted.").arg(position));
      return false;
    }
  }
  return true;
}

bool MainWindow::save_photos(const QList<int>& positions, const QString& target) {
  if (busy_ || positions.isEmpty() || target.isEmpty() || !catalog_ok_) return false;
  BusyScope busy([this](bool on) { set_busy(on); });
  QStringList names;
  for (const int position : positions) {
    if (position < 0 || position >= static_cast<int>(catalog_.count)) return false;
    names << (positions.size() == 1 ? target : target + QStringLiteral("/photo-%1.bmp").arg(position));
  }
  if (positions.size() > 1) {
    const auto existing = std::count_if(names.begin(), names.end(), [](const QString& n) { return QFileInfo::exists(n); });
    if (existing > 0 && tell(tr("%1 of these files exist already in %2. Replace them?").arg(existing).arg(target), true) !=
                            QMessageBox::Yes) {
      return false;
    }
  }
  for (qsizetype i = 0; i < positions.size(); ++i) {
    std::vector<uint8_t> bitmap;
    std::string wrong;
    const bool ok = run(host::kTextBackup, static_cast<int>(host::kDownloadSteps), [&] {
      try {
        bitmap = session_.download(positions[i]);
      } catch (const host::SessionError& error) {
        wrong = error.what();
      }
      return bitmap.empty() ? 0 : 1;
    });
    if (!ok) {
      if (!wrong.empty()) tell(QString::fromStdString(wrong));
      return false;
    }
    try {
      const bool png = names[i].endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
      host::write_file_atomically(local_path(names[i]), png ? host::encode_png(host::decode_bmp(bitmap)) : bitmap, true);
    } catch (const host::ImageError& error) {
      tell(QString::fromStdString(error.what()));
      return false;
    }
  }
  return true;
}

bool MainWindow::format_card() {
  if (busy_ || !session_.is_open()) return false;
  BusyScope busy([this](bool on) { set_busy(on); });
  const QString what = catalog_ok_ ? tr("Format the card? This erases all %1 photos on it.").arg(catalog_.count)
                                   : tr("Format the card? This erases everything on it.");
  if (tell(what, true) != QMessageBox::Yes) return false;
  const size_t boxes = session_.boxes();
  const bool ok = session_.call([&] { return session_.lib().FormatGBA(); });
  cache_.clear();
  reload_view();
  if (!ok || !catalog_ok_ || catalog_.count != 0) {
    if (session_.boxes() == boxes) tell(tr("The card could not be formatted; check the camera and try again."));
    return false;
  }
  return true;
}

bool MainWindow::backup_to(const QString& path) {
  if (busy_ || path.isEmpty() || !session_.is_open()) return false;
  BusyScope busy([this](bool on) { set_busy(on); });
  const uint64_t card_bytes = CardBytesFor(capacity_code());
  // The library writes next to the final name, which then appears whole or
  // not at all.
  const QFileInfo target(path);
  std::string temp = local_path(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    tell(tr("%1 cannot be written: %2.").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return false;
  }
  ::close(fd);
  const bool ok = run(host::kTextReadCard, static_cast<int>(card_bytes / host::kBackupChunk),
                      [&] { return session_.lib().ReadAll(temp.c_str()); });
  struct stat st {};
  if (!ok || ::stat(temp.c_str(), &st) != 0 || static_cast<uint64_t>(st.st_size) != card_bytes) {
    ::unlink(temp.c_str());
    if (ok) tell(tr("The card could not be backed up to %1; check the free space there.").arg(path));
    return false;
  }
  // mkstemp made the file private; give it the mode of any new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(temp.c_str(), 0666 & ~mask);
  try {
    host::move_into_place(temp, local_path(path), true);
  } catch (const host::ImageError& error) {
    tell(QString::fromStdString(error.what()));
    return false;
  }
  return true;
}

bool MainWindow::restore_from(const QString& path) {
  if (busy_ || path.isEmpty() || !session_.is_open()) return false;
  BusyScope busy([this](bool on) { set_busy(on); });
  const uint32_t capacity = capacity_code();
  const uint64_t card_bytes = CardBytesFor(capacity);
  const host::BackupCheck check = host::check_backup(local_path(path), capacity);
  using Verdict = host::BackupCheck::Verdict;
  QString problem;
  switch (check.verdict) {
    case Verdict::kOk: break;
    case Verdict::kCannotOpen: problem = QString::fromLocal8Bit(std::strerror(check.error)); break;
    case Verdict::kNotFile: problem = tr("it is not a file"); break;
    case Verdict::kWrongSize:
      problem = tr("it holds %1 bytes, but a backup of this card holds %2 (%3 MiB)")
                    .arg(check.size)
                    .arg(card_bytes)
                    .arg(card_bytes >> 20);
      break;
    case Verdict::kUnreadable: problem = tr("it cannot be read"); break;
    case Verdict::kNoCatalog: problem = tr("it is not a backup of a card of this size"); break;
  }
  if (!problem.isEmpty()) {
    tell(tr("%1 cannot be written to the card: %2. Nothing was changed.").arg(file_name(path), problem));
    return false;
  }
  const QString on_card = catalog_ok_ ? tr("all %1 photos on the card").arg(catalog_.count) : tr("everything on the card");
  if (tell(tr("Replace %1 with the %2 photos of %3?").arg(on_card).arg(check.photos).arg(file_name(path)), true) !=
      QMessageBox::Yes) {
    return false;
  }
  const std::string file = local_path(path);
  const size_t boxes = session_.boxes();
  const bool ok = run(host::kTextWriteCard, static_cast<int>(card_bytes / host::kRestoreBlock),
                      [&] { return session_.lib().WriteAll(file.c_str()); });
  cache_.clear();
  reload_view();
  if (!ok) {
    if (session_.boxes() == boxes) {
      tell(tr("The card could not be written and is now incomplete; check the camera and write the card again."));
    }
    return false;
  }
  return true;
}

QDialog* MainWindow::photo_view(int position) {
  if (!catalog_ok_ || position < 0 || position >= static_cast<int>(catalog_.count)) return nullptr;
  const QImage photo = cache_.value(catalog_.slots[position]);
  if (photo.isNull()) return nullptr;
  auto* dialog = new QDialog(this);
  dialog->setObjectName(QStringLiteral("photo-view"));
  dialog->setWindowTitle(QStringLiteral("%1 %2").arg(text(host::kTextDisplay)).arg(position));
  auto* content = new QWidget;
  auto* grid = new QGridLayout(content);
  const QSize twice = photo.size() * 2;
  const struct {
    QString caption;
    QImage image;
  } views[] = {
      {tr("%1 × %2").arg(photo.width()).arg(photo.height()), photo},
      {tr("2×, nearest neighbour"), photo.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation)},
      {tr("2×, smooth"), photo.scaled(twice, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)},
  };
  int column = 0;
  for (const auto& view : views) {
    grid->addWidget(new QLabel(view.caption), 0, column, Qt::AlignLeft);
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("view-%1").arg(column));
    picture->setPixmap(QPixmap::fromImage(view.image));
    grid->addWidget(picture, 1, column, Qt::AlignTop | Qt::AlignLeft);
    ++column;
  }
  auto* scroll = new QScrollArea;
  scroll->setWidget(content);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(scroll);
  dialog->resize(1000, 600);
  return dialog;
}

QString MainWindow::about_text() {
  QString card;
  if (catalog_ok_) {
    card = tr("%1 MiB (capacity code %2): %3 photos, %4 free")
               .arg(catalog_.card_bytes() >> 20)
               .arg(catalog_.capacity_code)
               .arg(catalog_.count)
               .arg(catalog_.free_slots());
  } else {
    card = session_.is_open() ? tr("catalog unreadable") : tr("no camera");
  }
  return tr("Pixavon %1\nLibrary: %2\nCard: %3\nDevice: %4")
      .arg(QStringLiteral(PIXAVON_VERSION), QFile::decodeName(QByteArray::fromStdString(session_.lib().path())), card,
           device_path_.isEmpty() ? tr("none") : device_path_);
}

void MainWindow::on_button(uint32_t text_id) {
  if (busy_) return;
  switch (text_id) {
    case host::kTextDelete: delete_photos(selected_positions()); break;
    case host::kTextUpload: upload(ask_pictures()); break;
    case host::kTextBackup: {
      const QList<int> positions = selected_positions();
      if (!positions.isEmpty()) save_photos(positions, ask_save_target(positions));
      break;
    }
    case host::kTextDisplay: {
      const QList<int> positions = selected_positions();
      if (positions.size() != 1) break;
      QDialog* view = photo_view(positions[0]);
      if (view == nullptr) {
        tell(tr("Photo %1 could not be read from the card.").arg(positions[0]));
        break;
      }
      view->setAttribute(Qt::WA_DeleteOnClose);
      view->show();
      break;
    }
    case host::kTextFormat: format_card(); break;
    case host::kTextAbout: {
      QMessageBox box(QMessageBox::Information, text(host::kTextAbout), about_text(), QMessageBox::Ok, this);
      present(box);
      break;
    }
    case host::kTextReadCard: backup_to(ask_backup_file()); break;
    case host::kTextWriteCard: restore_from(ask_restore_file()); break;
    case host::kTextCatalog: load_catalog(); break;
    case host::kTextExit:
      if (close()) QCoreApplication::quit();
      break;
    default: break;
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The library finishes what it does; the window closes afterwards.
  if (busy_) {
    event->ignore();
    return;
  }
  session_.close();
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (busy_ || !event->mimeData()->hasUrls()) return;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) return;
  }
  event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  event->acceptProposedAction();
  // Uploading runs for a while: after the drop has been answered.
  QTimer::singleShot(0, this, [this, files] { upload(files); });
}

}  // namespace pixavon::gui
