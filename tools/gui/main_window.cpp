#include "main_window.h"

#include <iconv.h>

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
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
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The core's own texts: English, with file names as the window gave them.
QString from_core(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Any picture Qt reads, for pictures the host's own decoders do not know.
// Throws ImageError for one too large to decode.
std::optional<host::Image> qt_decoder(const std::vector<uint8_t>& bytes) {
  QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  if (size.isValid() && static_cast<uint64_t>(size.width()) * static_cast<uint64_t>(size.height()) > host::kMaxPixels) {
    throw host::ImageError("the picture is too large");
  }
  const QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  return from_qimage(image);
}

QString picture_filter() {
  QStringList patterns;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) patterns << "*." + QString::fromLatin1(format);
  return QObject::tr("Pictures (%1);;All files (*)").arg(patterns.join(' '));
}

bool is_user_input(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      return true;
    default:
      return false;
  }
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

MainWindow::MainWindow(host::Core& core, QWidget* parent) : QWidget(parent), core_(core) {
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
  status_->setWordWrap(true);

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

MainWindow::~MainWindow() {
  if (busy_) qApp->removeEventFilter(this);
}

QPushButton* MainWindow::button(uint32_t text_id) const {
  for (const auto& [id, button] : buttons_) {
    if (id == text_id) return button;
  }
  return nullptr;
}

int MainWindow::present(QMessageBox& box) {
  if (!unattended_) return box.exec();
  std::fprintf(stderr, "pixavon-gui: %s\n", box.text().toLocal8Bit().constData());
  return box.icon() == QMessageBox::Question ? QMessageBox::No : QMessageBox::Ok;
}

QStringList MainWindow::ask_pictures() {
  return QFileDialog::getOpenFileNames(this, text(host::kTextUpload), QString(), picture_filter());
}

QString MainWindow::ask_save_target(const QList<int>& positions) {
  if (positions.size() == 1) {
    return QFileDialog::getSaveFileName(this, text(host::kTextBackup), QStringLiteral("photo-%1.png").arg(positions[0]),
                                        tr("PNG (*.png);;JPEG (*.jpg *.jpeg);;Bitmap (*.bmp)"));
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

host::Frontend::Answer MainWindow::confirm(const std::string& question) {
  QMessageBox box(QMessageBox::Question, windowTitle(), from_core(question) + tr(". Continue?"),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(QMessageBox::No);
  const bool yes = present(box) == QMessageBox::Yes;
  declined_ = !yes;
  return yes ? Answer::kYes : Answer::kNo;
}

void MainWindow::begin(const host::Step& step) {
  if (!busy_) return;
  if (progress_ == nullptr) {
    progress_ = new QProgressDialog(this);
    progress_->setWindowTitle(windowTitle());
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    if (stop_ == Stop::kNever) {
      progress_->setCancelButton(nullptr);
    } else {
      progress_->setCancelButtonText(tr("Cancel"));
      connect(progress_, &QProgressDialog::canceled, this, [this] { core_.cancel().request(); });
    }
  }
  QString label = from_library(step.label);
  if (!step.subject.empty()) label += QStringLiteral(": ") + from_core(step.subject);
  if (step.items > 1) label += tr(" (%1 of %2)").arg(step.item).arg(step.items);
  progress_->setLabelText(label);
  progress_->setRange(0, static_cast<int>(std::min<uint64_t>(step.units, INT32_MAX)));
  progress_->setValue(0);
  progress_->show();
  if (runs_.size() >= 100) runs_.erase(runs_.begin());
  runs_.push_back({step.label_id, step.units, 0});
  repainted_.invalidate();
  QCoreApplication::processEvents();
}

void MainWindow::advance() {
  if (runs_.empty() || progress_ == nullptr) return;
  Run& run = runs_.back();
  ++run.steps;
  progress_->setValue(static_cast<int>(std::min(run.steps, run.total)));
  // The library works on in this thread: let the window repaint, timers run
  // and Cancel be pressed now and then; input to the window itself waits
  // (see eventFilter).
  if (!repainted_.isValid() || repainted_.elapsed() >= kRepaintEveryMs || run.steps == run.total) {
    QCoreApplication::processEvents();
    repainted_.restart();
  }
}

void MainWindow::end(bool) {}

void MainWindow::box(bool owned, const std::string& caption, const std::string& text) {
  QMessageBox message(QMessageBox::Critical, from_library(caption), from_library(text), QMessageBox::Ok,
                      owned ? this : nullptr);
  present(message);
}

void MainWindow::note(const std::string& line) { status_->setText(from_core(line)); }

void MainWindow::warn(const std::string& line) { tell(from_core(line), QMessageBox::Warning); }

bool MainWindow::eventFilter(QObject* target, QEvent* event) {
  // While busy, the window's own widgets take no input: the progress dialog
  // and boxes (windows of their own) do.
  if (busy_ && is_user_input(event->type())) {
    const auto* widget = qobject_cast<QWidget*>(target);
    if (widget != nullptr && widget->window() == this) return true;
  }
  return QWidget::eventFilter(target, event);
}

bool MainWindow::perform(Stop stop, bool reload_after, const std::function<host::Outcome()>& work) {
  if (busy_) return false;
  core_.cancel().reset();
  stop_ = stop;
  declined_ = false;
  set_busy(true);
  const host::Outcome outcome = work();
  if (reload_after) reload_view();
  delete progress_;
  set_busy(false);
  show_outcome(outcome);
  if (close_pending_) QTimer::singleShot(0, this, &QWidget::close);
  return outcome.ok();
}

void MainWindow::show_outcome(const host::Outcome& outcome) {
  using Status = host::Outcome::Status;
  switch (outcome.status) {
    case Status::kDone: break;
    case Status::kCancelled: status_->setText(tr("Cancelled: %1.").arg(from_core(outcome.message))); break;
    case Status::kRefused:
    case Status::kFailed:
      // A question answered no needs no box to say so.
      if (declined_) status_->setText(from_core(outcome.message));
      else tell(from_core(outcome.message), QMessageBox::Warning);
      break;
  }
}

void MainWindow::set_busy(bool busy) {
  busy_ = busy;
  if (busy) {
    for (const auto& entry : buttons_) entry.second->setEnabled(false);
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
    update_buttons();
  }
}

void MainWindow::update_buttons() {
  if (busy_) return;
  const qsizetype selected = list_->selectedItems().size();
  const bool usable = card_.catalog_ok;
  for (const auto& [id, button] : buttons_) {
    bool on = true;
    switch (id) {
      case host::kTextDelete:
      case host::kTextBackup: on = usable && selected > 0; break;
      case host::kTextDisplay: on = usable && selected == 1; break;
      case host::kTextUpload: on = usable && card_.catalog.free_slots() > 0; break;
      // These need the card's size, which only a catalog that loads gives.
      case host::kTextFormat:
      case host::kTextReadCard:
      case host::kTextWriteCard: on = card_.catalog_loads; break;
      default: break;
    }
    button->setEnabled(on);
  }
}

int MainWindow::tell(const QString& message, int icon) {
  QMessageBox box(static_cast<QMessageBox::Icon>(icon), windowTitle(), message, QMessageBox::Ok, this);
  return present(box);
}

QList<int> MainWindow::selected_positions() const {
  QList<int> positions;
  for (const QListWidgetItem* item : list_->selectedItems()) positions << item->data(Qt::UserRole).toInt();
  std::sort(positions.begin(), positions.end());
  return positions;
}

bool MainWindow::load_catalog() {
  bool complete = false;
  perform(Stop::kCancel, false, [&] {
    complete = reload_view();
    return host::Outcome{};
  });
  return complete;
}

bool MainWindow::reload_view() {
  list_->clear();
  core_.open_camera();
  card_ = core_.inspect();
  if (!card_.catalog_ok) {
    cache_.clear();
    status_->setText(from_core(card_.problem));
    return false;
  }
  const host::Catalog& catalog = card_.catalog;
  const std::set<int> present_slots(catalog.slots.begin(), catalog.slots.end());
  for (auto it = cache_.begin(); it != cache_.end();) {
    it = present_slots.count(it.key()) != 0 ? std::next(it) : cache_.erase(it);
  }
  const bool complete = load_thumbnails();

  QImage missing(kThumbWidth, kThumbHeight, QImage::Format_RGB888);
  missing.fill(Qt::darkGray);
  for (uint32_t i = 0; i < catalog.count; ++i) {
    const int slot = catalog.slots[i];
    const QImage photo = cache_.value(slot);
    const QImage thumb = photo.isNull() ? missing
                                        : photo.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio,
                                                       Qt::SmoothTransformation);
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(thumb)), QString::number(i), list_);
    item->setData(Qt::UserRole, static_cast<int>(i));
    item->setToolTip(tr("Position %1, slot %2").arg(i).arg(slot));
  }
  status_->setText(from_library(core_.session().usage_line(catalog.count, catalog.free_slots())));
  return complete;
}

bool MainWindow::load_thumbnails() {
  for (uint32_t i = 0; i < card_.catalog.count; ++i) {
    const int slot = card_.catalog.slots[i];
    if (cache_.contains(slot)) continue;
    if (core_.cancel().requested()) return false;
    std::string why;
    const std::optional<host::Image> photo = core_.read_photo(i, &why);
    if (!photo) {
      tell(from_core(why), QMessageBox::Warning);
      return false;
    }
    cache_.insert(slot, to_qimage(*photo));
  }
  return true;
}

bool MainWindow::upload(const QStringList& files) {
  if (files.isEmpty()) return false;
  host::PutRequest request;
  for (const QString& file : files) request.files.push_back(local_path(file));
  request.other_decoder = qt_decoder;
  return perform(Stop::kCancel, true, [&] { return core_.put_pictures(request); });
}

bool MainWindow::delete_photos(const QList<int>& positions) {
  if (positions.isEmpty()) return false;
  return perform(Stop::kCancel, true,
                 [&] { return core_.delete_photos(std::vector<uint32_t>(positions.begin(), positions.end()), true); });
}

bool MainWindow::save_photos(const QList<int>& positions, const QString& target) {
  if (positions.isEmpty() || target.isEmpty()) return false;
  host::ExportRequest request;
  request.positions.assign(positions.begin(), positions.end());
  request.output = local_path(target);
  if (positions.size() == 1) {
    // The save dialog has asked before replacing the file.
    request.replace = true;
  } else {
    request.format = host::OutputFormat::kPng;
  }
  return perform(Stop::kCancel, false, [&] { return core_.export_photos(request); });
}

bool MainWindow::format_card() {
  // An empty list drops every cached photo when the card is shown again.
  return perform(Stop::kCancel, true, [&] { return core_.format_card(); });
}

bool MainWindow::backup_to(const QString& path) {
  if (path.isEmpty()) return false;
  // The save dialog has asked before replacing the file.
  return perform(Stop::kCancel, false, [&] { return core_.backup(local_path(path), true); });
}

bool MainWindow::restore_from(const QString& path) {
  if (path.isEmpty()) return false;
  return perform(Stop::kNever, true, [&] {
    const host::Outcome outcome = core_.restore(local_path(path));
    // Once the card was written to, its slots may hold other pictures.
    if (!declined_ && outcome.status != host::Outcome::Status::kRefused) cache_.clear();
    return outcome;
  });
}

QDialog* MainWindow::photo_view(int position) {
  if (!card_.catalog_ok || position < 0 || position >= static_cast<int>(card_.catalog.count)) return nullptr;
  const QImage photo = cache_.value(card_.catalog.slots[position]);
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
  if (card_.catalog_ok) {
    const host::Catalog& catalog = card_.catalog;
    card = tr("%1 MiB (capacity code %2): %3 photos, %4 free")
               .arg(catalog.card_bytes() >> 20)
               .arg(catalog.capacity_code)
               .arg(catalog.count)
               .arg(catalog.free_slots());
  } else {
    card = from_core(card_.problem);
  }
  return tr("Pixavon %1\nLibrary: %2\nCard: %3\nDevice: %4")
      .arg(QStringLiteral(PIXAVON_VERSION), QFile::decodeName(QByteArray::fromStdString(core_.session().lib().path())),
           card, from_core(core_.description()));
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
        tell(tr("Photo %1 could not be read from the card.").arg(positions[0]), QMessageBox::Warning);
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
  if (!busy_) {
    event->accept();
    return;
  }
  event->ignore();
  if (stop_ == Stop::kNever) {
    // Not a modal box: the restore goes on while it is shown.
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                tr("The card is being restored. A restore cannot be stopped half-way: the card would "
                                   "be left with its old list over the new pictures. The window closes when you "
                                   "ask again after the restore has finished."),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("close-refused"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    return;
  }
  // Stops after the current unit of work; perform() then closes the window.
  close_pending_ = true;
  core_.cancel().request();
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
