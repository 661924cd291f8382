#include "main_window.h"

#include <iconv.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSettings>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "image.h"

#ifndef PIXAVON_VERSION
#  define PIXAVON_VERSION "unknown"
#endif

namespace pixavon::gui {
namespace {

constexpr int kThumbWidth = 161;
constexpr int kThumbHeight = 121;
constexpr qint64 kRepaintEveryMs = 15;

// The buttons in the order the library's string table lists them.
constexpr uint32_t kButtonIds[] = {host::kTextDelete,  host::kTextUpload, host::kTextBackup,   host::kTextDisplay,
                                   host::kTextFormat,  host::kTextAbout,  host::kTextReadCard, host::kTextWriteCard,
                                   host::kTextCatalog, host::kTextExit};

// The locale variable that names the user's locale, as the library reads it.
std::string locale_name() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return {};
}

std::string locale_codeset() {
    const std::string locale = locale_name();
    const size_t dot = locale.find('.');
    if (dot == std::string::npos) return {};
    const size_t at = locale.find('@', dot);
    return locale.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
}

// "ja", "zh_TW", "zh_CN" or "en" for a locale name or a LANGUAGE entry.
QString language_of(const std::string& name) {
    const QString base = QString::fromLatin1(name).section(QRegularExpression("[.@]"), 0, 0).toLower();
    const QString language = base.section(QRegularExpression("[_-]"), 0, 0);
    const QString territory = base.section(QRegularExpression("[_-]"), 1, 1);
    if (language == "ja") return QStringLiteral("ja");
    if (language == "zh") {
        return territory == "tw" || territory == "hk" || territory == "mo" ? QStringLiteral("zh_TW")
                                                                           : QStringLiteral("zh_CN");
    }
    return QStringLiteral("en");
}

// A button's text with an Alt key: the letter where the text has it,
// else after the text, as in "削除(&D)".
QString with_mnemonic(QString text, QChar key) {
    text.replace('&', QStringLiteral("&&"));
    const qsizetype at = text.indexOf(key, 0, Qt::CaseInsensitive);
    if (at >= 0) return text.insert(at, '&');
    return text + QStringLiteral("(&%1)").arg(key);
}

QChar mnemonic_of(uint32_t id) {
    switch (id) {
        case host::kTextDelete:
            return 'D';
        case host::kTextUpload:
            return 'U';
        case host::kTextBackup:
            return 'B';
        case host::kTextDisplay:
            return 'S';
        case host::kTextFormat:
            return 'F';
        case host::kTextAbout:
            return 'A';
        case host::kTextReadCard:
            return 'R';
        case host::kTextWriteCard:
            return 'W';
        case host::kTextCatalog:
            return 'C';
        default:
            return 'X';
    }
}

std::string local_path(const QString& name) { return QFile::encodeName(name).toStdString(); }

// The core's own texts: English, with file names as the window gave them.
// The library's text naming what a step does.
uint32_t label_of(host::StepKind kind) {
    switch (kind) {
        case host::StepKind::kPut:
        case host::StepKind::kRescuePut:
            return host::kTextUpload;
        case host::StepKind::kDelete:
            return host::kTextDelete;
        case host::StepKind::kBackup:
            return host::kTextBackup;
        case host::StepKind::kRestore:
            return host::kTextWriteCard;
        default:
            return host::kTextReadCard;
    }
}

QString from_core(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Any picture Qt reads, for pictures the host's own decoders do not know.
// Throws ImageError for one too large to decode.
std::optional<host::Image> qt_decoder(const std::vector<uint8_t>& bytes) {
    QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() &&
        static_cast<uint64_t>(size.width()) * static_cast<uint64_t>(size.height()) > host::kMaxPixels) {
        throw host::ImageError("the picture is too large");
    }
    const QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return from_qimage(image);
}

QString picture_filter() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << "*." + QString::fromLatin1(format);
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
    const std::string codeset = locale_codeset();
    const QString lower = QString::fromStdString(codeset).toLower();
    if (codeset.empty() || lower == "utf-8" || lower == "utf8") return from_core(text);
    iconv_t converter = ::iconv_open("UTF-8", codeset.c_str());
    // The library shows English, which is ASCII, where iconv knows no such codeset.
    if (converter == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    std::string in = text;
    std::string converted(text.size() * 4 + 4, '\0');
    char* in_at = in.data();
    size_t in_left = in.size();
    char* out_at = converted.data();
    size_t out_left = converted.size();
    // What does not convert (there should be nothing) is left out.
    while (in_left > 0 && ::iconv(converter, &in_at, &in_left, &out_at, &out_left) == static_cast<size_t>(-1)) {
        if (errno != EILSEQ && errno != EINVAL) break;
        ++in_at;
        --in_left;
    }
    ::iconv_close(converter);
    return QString::fromUtf8(converted.data(), out_at - converted.data());
}

QString window_language() {
    QString language = language_of(locale_name());
    // LANGUAGE is a priority list; its first entry in a language of ours wins.
    if (const char* priority = std::getenv("LANGUAGE"); priority != nullptr) {
        for (const QString& entry : QString::fromLatin1(priority).split(':', Qt::SkipEmptyParts)) {
            const QString lang = entry.section(QRegularExpression("[_.@-]"), 0, 0).toLower();
            if (lang == "en" || lang == "ja" || lang == "zh") return language_of(entry.toStdString());
        }
    }
    return language;
}

QString install_translations() {
    static QTranslator own, qt;
    QCoreApplication::removeTranslator(&own);
    QCoreApplication::removeTranslator(&qt);
    QString language = window_language();
    if (language == "en") return language;
    // The window's texts are built in; Qt's own come with the system's Qt.
    if (own.load(QStringLiteral(":/i18n/pixavon_gui_") + language)) QCoreApplication::installTranslator(&own);
    if (qt.load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qt);
    }
    return language;
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
    setWindowTitle(tr("%1 — %2").arg(from_core(core_.card_name()), text(host::kTextTitle)));
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
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { update_buttons(); });
    connect(list_, &QListWidget::itemActivated, this, [this] { on_button(host::kTextDisplay); });

    status_ = new QLabel(this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setWordWrap(true);

    auto* grid = new QGridLayout;
    int column = 0;
    for (const uint32_t id : kButtonIds) {
        auto* button = new QPushButton(with_mnemonic(text(id), mnemonic_of(id)), this);
        connect(button, &QPushButton::clicked, this, [this, id] { on_button(id); });
        grid->addWidget(button, column / 5, column % 5);
        buttons_.emplace_back(id, button);
        ++column;
    }
    button(host::kTextBackup)->setToolTip(tr("Import new photos: save the photos this computer has not had before"));

    import_ =
        add_action(tr("&Import new photos…"), QKeySequence(Qt::CTRL | Qt::Key_I), [this] { import_new_photos(); });
    save_ = add_action(tr("&Save selected as…"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { save_selected(); });
    delete_ = add_action(tr("&Delete selected"), QKeySequence(Qt::Key_Delete), [this] { delete_selected(); });
    reload_ = add_action(tr("&Reload"), QKeySequence(Qt::Key_F5), [this] { load_catalog(); });
    quit_ = add_action(tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
    rescue_ = add_action(tr("&Rescue…"), QKeySequence(), [this] { rescue_card(); });
    rescue_->setToolTip(tr("Save every picture the card holds, whatever its catalog says, and repair the catalog"));
    auto* change_folder = new QAction(tr("Choose the import &folder…"), this);
    connect(change_folder, &QAction::triggered, this, [this] {
        if (const QString folder = ask_import_folder(); !folder.isEmpty()) set_import_folder(folder);
    });
    auto* menu_bar = new QMenuBar(this);
    QMenu* menu = menu_bar->addMenu(tr("&Photos"));
    menu->addActions({import_, change_folder, save_, delete_, reload_});
    menu->addSeparator();
    menu->addAction(rescue_);
    menu->addSeparator();
    menu->addAction(quit_);
    list_->addActions({import_, save_, delete_, reload_});

    loader_ = new QTimer(this);
    loader_->setInterval(0);
    connect(loader_, &QTimer::timeout, this, [this] {
        if (!busy_ && !load_next_thumbnail()) pending_.clear();
        if (pending_.empty()) loader_->stop();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu_bar);
    layout->addWidget(list_, 1);
    layout->addWidget(status_);
    layout->addLayout(grid);
    resize(900, 620);
    update_buttons();
}

MainWindow::~MainWindow() {
    if (busy_) qApp->removeEventFilter(this);
}

QAction* MainWindow::add_action(const QString& label, const QKeySequence& key, std::function<void()> run) {
    auto* action = new QAction(label, this);
    action->setShortcut(key);
    // The shortcuts work wherever the focus is in the window.
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        if (!busy_) run();
    });
    return action;
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
        return QFileDialog::getSaveFileName(this, save_->text().remove('&'),
                                            QStringLiteral("photo-%1.png").arg(positions[0] + 1),
                                            tr("PNG (*.png);;JPEG (*.jpg *.jpeg);;Bitmap (*.bmp)"));
    }
    return QFileDialog::getExistingDirectory(this, save_->text().remove('&'));
}

QString MainWindow::ask_backup_file() {
    return QFileDialog::getSaveFileName(this, text(host::kTextReadCard), QStringLiteral("card.bin"),
                                        tr("Card images (*.bin);;All files (*)"));
}

QString MainWindow::ask_restore_file() {
    return QFileDialog::getOpenFileName(this, text(host::kTextWriteCard), QString(),
                                        tr("Card images (*.bin);;All files (*)"));
}

QString MainWindow::ask_import_folder() {
    QString start = import_folder();
    if (start.isEmpty()) start = QFile::decodeName(QByteArray::fromStdString(host::default_import_folder()));
    // The dialog opens where the folder is, or would be.
    for (int up = 0; up < 64 && !QFileInfo(start).isDir(); ++up) start = QFileInfo(start).path();
    return QFileDialog::getExistingDirectory(this, tr("Import new photos into"), start);
}

void MainWindow::open_folder(const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

QString MainWindow::import_folder() const { return QSettings().value(QStringLiteral("import/folder")).toString(); }

void MainWindow::set_import_folder(const QString& folder) {
    QSettings().setValue(QStringLiteral("import/folder"), folder);
}

host::Frontend::Answer MainWindow::confirm(const host::Question& question) {
    QString headline;
    switch (operation_) {
        case Operation::kDelete:
            headline = tr("Delete the selected photos from the card?");
            break;
        case Operation::kFormat:
            headline = tr("Format the card?");
            break;
        case Operation::kRestore:
            headline = tr("Write the backup onto the card?");
            break;
        case Operation::kRescue:
            headline = tr("Repair the card's catalog?");
            break;
        default:
            headline = tr("Continue?");
            break;
    }
    QMessageBox box(QMessageBox::Question, windowTitle(), headline, QMessageBox::Yes | QMessageBox::No, this);
    box.setInformativeText(from_core(host::describe(question)));
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
        if (operation_ == Operation::kRestore) {
            progress_->setCancelButton(nullptr);
        } else {
            progress_->setCancelButtonText(tr("Cancel"));
            connect(progress_, &QProgressDialog::canceled, this, [this] { core_.cancel().request(); });
        }
    }
    // The core names photos by their positions, which people count from 1.
    QString subject = from_core(host::display_name(step.name));
    if (step.position) subject = tr("photo %1").arg(*step.position + 1);
    const uint32_t label_id = label_of(step.kind);
    QString label = from_library(core_.text(label_id));
    if (!subject.isEmpty()) label += QStringLiteral(": ") + subject;
    if (step.items > 1) label += tr(" (%1 of %2)").arg(step.item).arg(step.items);
    progress_->setLabelText(label);
    progress_->setRange(0, static_cast<int>(std::min<uint64_t>(step.units, INT32_MAX)));
    progress_->setValue(0);
    progress_->show();
    if (runs_.size() >= 100) runs_.erase(runs_.begin());
    runs_.push_back({label_id, step.units, 0});
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

void MainWindow::note(const host::Record& record) { status_->setText(from_core(host::describe(record))); }

void MainWindow::warn(const host::Warning& warning) { tell(from_core(host::describe(warning)), QMessageBox::Warning); }

bool MainWindow::eventFilter(QObject* target, QEvent* event) {
    // While busy, the window's own widgets take no input: the progress dialog
    // and boxes (windows of their own) do.
    if (busy_ && is_user_input(event->type())) {
        const auto* widget = qobject_cast<QWidget*>(target);
        if (widget != nullptr && widget->window() == this) return true;
    }
    return QWidget::eventFilter(target, event);
}

bool MainWindow::perform(Operation operation, bool reload_after, const std::function<host::Outcome()>& work) {
    // A thumbnail being read is a library call under way: nothing else starts.
    if (busy_ || loading_) return false;
    core_.cancel().reset();
    operation_ = operation;
    declined_ = false;
    set_busy(true);
    const host::Outcome outcome = work();
    if (reload_after) reload_view();
    delete progress_;
    set_busy(false);
    show_outcome(outcome);
    // Thumbnails still missing follow again.
    if (!pending_.empty()) loader_->start();
    if (close_pending_) QTimer::singleShot(0, this, &QWidget::close);
    return outcome.ok();
}

void MainWindow::show_outcome(const host::Outcome& outcome) {
    using Status = host::Outcome::Status;
    if (outcome.status == Status::kDone) return;
    if (outcome.status == Status::kCancelled) {
        status_->setText(tr("Stopped. Every step that had finished is complete on the card and on disk."));
        return;
    }
    // A question answered no needs no box to say so.
    if (declined_) {
        status_->setText(tr("Nothing was changed."));
        return;
    }
    QString headline;
    switch (operation_) {
        case Operation::kCatalog:
            headline = tr("The card could not be read.");
            break;
        case Operation::kUpload:
            headline = tr("The pictures could not be uploaded.");
            break;
        case Operation::kDelete:
            headline = tr("The photos could not be deleted.");
            break;
        case Operation::kSave:
            headline = tr("The photos could not be saved.");
            break;
        case Operation::kImport:
            headline = tr("The new photos could not be imported.");
            break;
        case Operation::kFormat:
            headline = tr("The card could not be formatted.");
            break;
        case Operation::kBackup:
            headline = tr("The card could not be backed up.");
            break;
        case Operation::kRestore:
            headline = tr("The card could not be restored.");
            break;
        case Operation::kRescue:
            headline = tr("The card could not be rescued in full.");
            break;
    }
    QMessageBox box(QMessageBox::Warning, windowTitle(), headline, QMessageBox::Ok, this);
    box.setInformativeText(from_core(host::describe(outcome.problem)));
    present(box);
}

void MainWindow::set_busy(bool busy) {
    busy_ = busy;
    if (busy) {
        for (const auto& entry : buttons_) entry.second->setEnabled(false);
        for (QAction* action : actions()) action->setEnabled(false);
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
                on = usable && selected > 0;
                break;
            case host::kTextDisplay:
                on = usable && selected == 1;
                break;
            case host::kTextBackup:
                on = usable;
                break;
            case host::kTextUpload:
                on = usable && card_.catalog.free_slots() > 0;
                break;
            // These need the card's size, which only a catalog that loads gives.
            case host::kTextFormat:
            case host::kTextReadCard:
            case host::kTextWriteCard:
                on = card_.catalog_loads;
                break;
            default:
                break;
        }
        button->setEnabled(on);
    }
    for (QAction* action : actions()) action->setEnabled(true);
    import_->setEnabled(usable);
    save_->setEnabled(usable && selected > 0);
    delete_->setEnabled(usable && selected > 0);
    // Offered when the catalog is what is wrong.
    rescue_->setEnabled(core_.camera_open() && !usable);
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
    bool usable = false;
    perform(Operation::kCatalog, false, [&] {
        usable = reload_view();
        return host::Outcome{};
    });
    return usable;
}

bool MainWindow::reload_view() {
    list_->clear();
    pending_.clear();
    loader_->stop();
    core_.open_camera();
    card_ = core_.inspect();
    if (!card_.catalog_ok) {
        cache_.clear();
        status_->setText(from_core(host::describe(card_.problem)));
        return false;
    }
    const host::Catalog& catalog = card_.catalog;
    const std::set<int> present_slots(catalog.slots.begin(), catalog.slots.end());
    for (auto it = cache_.begin(); it != cache_.end();) {
        it = present_slots.count(it.key()) != 0 ? std::next(it) : cache_.erase(it);
    }
    // Every photo is there at once, each thumbnail as soon as it is read.
    for (uint32_t i = 0; i < catalog.count; ++i) {
        auto* item = new QListWidgetItem(QString::number(i + 1), list_);
        item->setData(Qt::UserRole, static_cast<int>(i));
        const QImage photo = cache_.value(catalog.slots[i]);
        show_thumbnail(i, photo);
        if (photo.isNull()) pending_.push_back(i);
    }
    if (!pending_.empty()) loader_->start();
    status_->setText(from_library(core_.session().usage_line(catalog.count, catalog.free_slots())));
    return true;
}

void MainWindow::show_thumbnail(uint32_t position, const QImage& photo) {
    QListWidgetItem* item = list_->item(static_cast<int>(position));
    if (item == nullptr) return;
    QImage thumb(kThumbWidth, kThumbHeight, QImage::Format_RGB888);
    if (photo.isNull())
        thumb.fill(Qt::darkGray);
    else
        thumb = photo.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    item->setIcon(QIcon(QPixmap::fromImage(thumb)));
    item->setToolTip(tooltip(position, photo));
}

QString MainWindow::tooltip(uint32_t position, const QImage& photo) const {
    QString tip = tr("Photo %1, slot %2").arg(position + 1).arg(card_.catalog.slots[position]);
    if (photo.isNull()) return tip;
    QString folder = import_folder();
    if (folder.isEmpty()) folder = QFile::decodeName(QByteArray::fromStdString(host::default_import_folder()));
    if (const std::optional<std::string> file = host::imported_file(local_path(folder), from_qimage(photo))) {
        tip += '\n' + tr("Imported as %1").arg(QFile::decodeName(QByteArray::fromStdString(*file)));
    }
    return tip;
}

bool MainWindow::load_next_thumbnail() {
    if (pending_.empty() || loading_) return true;
    const uint32_t position = pending_.front();
    pending_.erase(pending_.begin());
    host::Problem why;
    loading_ = true;
    const std::optional<host::Image> photo = core_.read_photo(position, &why);
    loading_ = false;
    if (!photo) {
        status_->setText(tr("Photo %1 could not be read: %2").arg(position + 1).arg(from_core(host::describe(why))));
        return false;
    }
    const QImage image = to_qimage(*photo);
    cache_.insert(card_.catalog.slots[position], image);
    show_thumbnail(position, image);
    return true;
}

bool MainWindow::finish_thumbnails() {
    while (!pending_.empty()) {
        if (!load_next_thumbnail()) {
            pending_.clear();
            return false;
        }
    }
    return true;
}

bool MainWindow::upload(const QStringList& files) {
    if (files.isEmpty()) return false;
    host::PutRequest request;
    for (const QString& file : files) request.files.push_back(local_path(file));
    request.other_decoder = qt_decoder;
    return perform(Operation::kUpload, true, [&] { return core_.put_pictures(request); });
}

bool MainWindow::delete_photos(const QList<int>& positions) {
    if (positions.isEmpty()) return false;
    return perform(Operation::kDelete, true, [&] {
        return core_.delete_photos(std::vector<uint32_t>(positions.begin(), positions.end()), true);
    });
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
    return perform(Operation::kSave, false, [&] { return core_.export_photos(request); });
}

bool MainWindow::import_new_photos() {
    QString folder = import_folder();
    if (folder.isEmpty()) {
        folder = ask_import_folder();
        if (folder.isEmpty()) return false;
        set_import_folder(folder);
    }
    host::ImportRequest request;
    request.folder = local_path(folder);
    host::ImportSummary summary;
    const bool done = perform(Operation::kImport, false, [&] { return core_.import_photos(request, &summary); });
    // Tooltips name the files the photos went to.
    for (const auto& [position, name] : summary.files) {
        if (position < card_.catalog.count) show_thumbnail(position, cache_.value(card_.catalog.slots[position]));
    }
    if (!done) return false;
    QMessageBox box(QMessageBox::Information, windowTitle(),
                    summary.imported == 0 ? tr("There were no new photos to import.")
                                          : tr("New photos saved: %1, in %2").arg(summary.imported).arg(folder),
                    QMessageBox::Open | QMessageBox::Ok, this);
    box.setInformativeText(tr("Photos already in the folder before: %1.").arg(summary.already));
    box.button(QMessageBox::Open)->setText(tr("Open folder"));
    box.setDefaultButton(QMessageBox::Ok);
    if (present(box) == QMessageBox::Open) open_folder(folder);
    return true;
}

QString MainWindow::ask_rescue_folder() {
    return QFileDialog::getExistingDirectory(this, tr("Folder for the rescued pictures"));
}

bool MainWindow::rescue_card() {
    const QString folder = ask_rescue_folder();
    if (folder.isEmpty()) return false;
    host::RescueRequest request;
    request.folder = local_path(folder);
    request.repair = true;  // asked before anything on the card changes
    host::RescueSummary summary;
    // A repaired catalog may name other slots: the cached photos go.
    const bool done = perform(Operation::kRescue, true, [&] {
        host::Outcome outcome = core_.rescue(request, &summary);
        if (summary.repaired) cache_.clear();
        return outcome;
    });
    if (summary.saved > 0) {
        QMessageBox box(QMessageBox::Information, windowTitle(),
                        tr("Pictures saved: %1 of %2 found, in %3").arg(summary.saved).arg(summary.found).arg(folder),
                        QMessageBox::Open | QMessageBox::Ok, this);
        box.setInformativeText(summary.repaired ? tr("The catalog was repaired and lists them again.")
                                                : tr("The catalog was not changed."));
        box.button(QMessageBox::Open)->setText(tr("Open folder"));
        box.setDefaultButton(QMessageBox::Ok);
        if (present(box) == QMessageBox::Open) open_folder(folder);
    }
    return done;
}

bool MainWindow::format_card() {
    // An empty list drops every cached photo when the card is shown again.
    return perform(Operation::kFormat, true, [&] { return core_.format_card(); });
}

bool MainWindow::backup_to(const QString& path) {
    if (path.isEmpty()) return false;
    // The save dialog has asked before replacing the file.
    return perform(Operation::kBackup, false, [&] { return core_.backup(local_path(path), true); });
}

bool MainWindow::restore_from(const QString& path) {
    if (path.isEmpty()) return false;
    return perform(Operation::kRestore, true, [&] {
        host::Outcome outcome = core_.restore(local_path(path));
        // Once the card was written to, its slots may hold other pictures.
        if (!declined_ && outcome.status != host::Outcome::Status::kRefused) cache_.clear();
        return outcome;
    });
}

QDialog* MainWindow::photo_view(int position) {
    if (busy_ || loading_ || !card_.catalog_ok || position < 0 || position >= static_cast<int>(card_.catalog.count)) {
        return nullptr;
    }
    QImage photo = cache_.value(card_.catalog.slots[position]);
    if (photo.isNull()) {
        // Not among the thumbnails read so far: read it now.
        if (const std::optional<host::Image> read = core_.read_photo(static_cast<uint32_t>(position), nullptr)) {
            photo = to_qimage(*read);
            cache_.insert(card_.catalog.slots[position], photo);
            show_thumbnail(static_cast<uint32_t>(position), photo);
            pending_.erase(std::remove(pending_.begin(), pending_.end(), static_cast<uint32_t>(position)),
                           pending_.end());
        }
    }
    if (photo.isNull()) return nullptr;
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("photo-view"));
    dialog->setWindowTitle(QStringLiteral("%1 %2").arg(text(host::kTextDisplay)).arg(position + 1));
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
        card = from_core(host::describe(card_.problem));
    }
    return tr("Pixavon %1\nLibrary: %2\nCard: %3\nDevice: %4")
        .arg(QStringLiteral(PIXAVON_VERSION),
             QFile::decodeName(QByteArray::fromStdString(core_.session().lib().path())), card,
             from_core(core_.description()));
}

void MainWindow::save_selected() {
    const QList<int> positions = selected_positions();
    if (!positions.isEmpty()) save_photos(positions, ask_save_target(positions));
}

void MainWindow::delete_selected() { delete_photos(selected_positions()); }

void MainWindow::on_button(uint32_t text_id) {
    if (busy_) return;
    switch (text_id) {
        case host::kTextDelete:
            delete_selected();
            break;
        case host::kTextUpload:
            upload(ask_pictures());
            break;
        case host::kTextBackup:
            import_new_photos();
            break;
        case host::kTextDisplay: {
            const QList<int> positions = selected_positions();
            if (positions.size() != 1) break;
            QDialog* view = photo_view(positions[0]);
            if (view == nullptr) {
                tell(tr("Photo %1 could not be read from the card.").arg(positions[0] + 1), QMessageBox::Warning);
                break;
            }
            view->setAttribute(Qt::WA_DeleteOnClose);
            view->show();
            break;
        }
        case host::kTextFormat:
            format_card();
            break;
        case host::kTextAbout: {
            QMessageBox box(QMessageBox::Information, text(host::kTextAbout), about_text(), QMessageBox::Ok, this);
            present(box);
            break;
        }
        case host::kTextReadCard:
            backup_to(ask_backup_file());
            break;
        case host::kTextWriteCard:
            restore_from(ask_restore_file());
            break;
        case host::kTextCatalog:
            load_catalog();
            break;
        case host::kTextExit:
            close();
            break;
        default:
            break;
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!busy_) {
        event->accept();
        return;
    }
    event->ignore();
    if (operation_ == Operation::kRestore) {
        // Not a modal box: the restore goes on while it is shown.
        auto* box =
            new QMessageBox(QMessageBox::Warning, windowTitle(),
                            tr("The card is being restored. A restore cannot be stopped half-way: the card would "
                               "be left with its old list over the new pictures. Close the window again once "
                               "the restore has finished."),
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
