#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs.h"
#include "photo_model.h"
#include "photo_view.h"
#include "window_locale.h"

#ifndef PIXAVON_VERSION
#  define PIXAVON_VERSION "unknown"
#endif

namespace pixavon::gui {
namespace {

const QString kImportFolderKey = QStringLiteral("import/folder");

// A menu text as a toolbar button shows it: without its Alt key, whether
// marked in the word ("&Delete") or after it ("削除(&D)"), and without "…".
QString button_text(QString text) {
    if (const qsizetype at = text.indexOf(QStringLiteral("(&"));
        at >= 0 && at + 3 < text.size() && text[at + 3] == ')') {
        text.remove(at, 4);
    }
    text.remove(QStringLiteral("…"));
    text.remove('&');
    return text.trimmed();
}

QString card_image_filter() { return MainWindow::tr("Card images (*.bin);;All files (*)"); }

}  // namespace

MainWindow::MainWindow(CardWorker& worker, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), worker_(worker), dialogs_(dialogs) {
    setWindowTitle(tr("Pixavon"));
    setAcceptDrops(true);
    model_ = new PhotoModel(this);
    build_actions();
    build_layout();

    connect(&worker_, &CardWorker::card_loaded, this, &MainWindow::on_card_loaded);
    connect(&worker_, &CardWorker::photo_loaded, model_, &PhotoModel::set_photo);
    connect(&worker_, &CardWorker::progressed, this, &MainWindow::on_progress);
    connect(&worker_, &CardWorker::question, this, &MainWindow::on_question, Qt::BlockingQueuedConnection);
    connect(&worker_, &CardWorker::finished, this, &MainWindow::on_finished);

    // The window opens at a size that fits the screen it is on.
    const QSize available = screen() != nullptr ? screen()->availableGeometry().size() : QSize(1024, 768);
    resize(QSize(960, 680).boundedTo(available - QSize(16, 48)));
    update_actions();
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::add_action(const char* name, const QString& text, const QKeySequence& key,
                                void (MainWindow::*run)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setIconText(button_text(text));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, run] {
        if (!busy_) (this->*run)();
    });
    return action;
}

void MainWindow::build_actions() {
    open_image_ = add_action("open-image", tr("&Open card image…"), QKeySequence::Open, &MainWindow::open_image);
    open_image_->setToolTip(tr("Work on a card image (a whole-card backup) instead of the camera"));
    quit_ = add_action("quit", tr("&Quit"), QKeySequence::Quit, &MainWindow::quit);
    import_ =
        add_action("import", tr("&Import photos…"), QKeySequence(Qt::CTRL | Qt::Key_I), &MainWindow::import_photos);
    import_->setIcon(QIcon::fromTheme(QStringLiteral("document-import")));
    import_->setToolTip(tr("Save the photos this computer does not have yet into your pictures folder"));
    add_ = add_action("add", tr("&Add pictures…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
                      &MainWindow::add_pictures);
    add_->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    save_ = add_action("save", tr("&Save selected as…"), QKeySequence::Save, &MainWindow::save_selected);
    save_->setIcon(QIcon::fromTheme(QStringLiteral("document-save-as")));
    view_ = add_action("view", tr("&View photo"), QKeySequence(Qt::Key_Space), &MainWindow::view_selected);
    delete_ = add_action("delete", tr("&Delete"), QKeySequence::Delete, &MainWindow::delete_selected);
    delete_->setIcon(QIcon::fromTheme(QStringLiteral("edit-delete")));
    reload_ = add_action("reload", tr("&Reload"), QKeySequence::Refresh, &MainWindow::reload);
    reload_->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh")));
    backup_ = add_action("backup", tr("&Back up card…"), QKeySequence(), &MainWindow::back_up);
    restore_ = add_action("restore", tr("R&estore card…"), QKeySequence(), &MainWindow::restore);
    format_ = add_action("format", tr("&Format card…"), QKeySequence(), &MainWindow::format);
    rescue_ = add_action("rescue", tr("Res&cue photos…"), QKeySequence(), &MainWindow::rescue);
    rescue_->setToolTip(tr("Save every picture the card holds, whatever its photo list says"));
    about_ = add_action("about", tr("&About Pixavon"), QKeySequence(), &MainWindow::about);
    cancel_ = new QAction(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(cancel_);
    connect(cancel_, &QAction::triggered, this, [this] {
        if (busy_) worker_.cancel();
    });
}

void MainWindow::build_layout() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addActions({open_image_, reload_});
    file->addSeparator();
    file->addAction(quit_);
    QMenu* photos = menuBar()->addMenu(tr("&Photos"));
    photos->addActions({import_, add_, save_, view_, delete_});
    QMenu* card = menuBar()->addMenu(tr("&Card"));
    card->addActions({backup_, restore_, format_});
    card->addSeparator();
    card->addAction(rescue_);
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(about_);

    // The toolbar holds what is done most; what does not fit behind its »
    // button, and everything is in the menus.
    QToolBar* tools = addToolBar(tr("Main"));
    tools->setObjectName(QStringLiteral("main-toolbar"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->addAction(import_);
    if (auto* main = qobject_cast<QToolButton*>(tools->widgetForAction(import_))) {
        QFont bold = main->font();
        bold.setBold(true);
        main->setFont(bold);
    }
    tools->addSeparator();
    tools->addActions({add_, save_, delete_});
    tools->addSeparator();
    tools->addActions({reload_, backup_});

    grid_ = new QListView;
    grid_->setObjectName(QStringLiteral("photos"));
    grid_->setModel(model_);
    grid_->setViewMode(QListView::IconMode);
    grid_->setIconSize(PhotoModel::kThumbSize);
    grid_->setMovement(QListView::Static);
    grid_->setResizeMode(QListView::Adjust);
    grid_->setSpacing(6);
    grid_->setUniformItemSizes(true);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid_->addActions({view_, save_, delete_, import_});
    grid_->setAccessibleName(tr("Photos on the card"));
    connect(grid_, &QListView::activated, this, [this] { view_selected(); });
    connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { update_actions(); });
    photo_order_ = new QTimer(this);
    photo_order_->setSingleShot(true);
    photo_order_->setInterval(100);
    connect(photo_order_, &QTimer::timeout, this, &MainWindow::request_photos);
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, photo_order_, qOverload<>(&QTimer::start));

    // Said above the grid when the card cannot be used as it is.
    notice_ = new QWidget;
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setAutoFillBackground(true);
    notice_->setBackgroundRole(QPalette::ToolTipBase);
    notice_text_ = new QLabel;
    notice_text_->setWordWrap(true);
    notice_text_->setForegroundRole(QPalette::ToolTipText);
    notice_button_ = new QToolButton;
    notice_button_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* notice_layout = new QHBoxLayout(notice_);
    notice_layout->addWidget(notice_text_, 1);
    notice_layout->addWidget(notice_button_);
    notice_->hide();

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(notice_);
    layout->addWidget(grid_, 1);
    setCentralWidget(central);

    usage_ = new QLabel;
    usage_->setObjectName(QStringLiteral("usage"));
    activity_ = new QLabel;
    activity_->setObjectName(QStringLiteral("activity"));
    bar_ = new QProgressBar;
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    bar_->setMaximumWidth(200);
    bar_->hide();
    cancel_button_ = new QToolButton;
    cancel_button_->setDefaultAction(cancel_);
    cancel_button_->hide();
    statusBar()->addWidget(activity_, 1);
    statusBar()->addPermanentWidget(bar_);
    statusBar()->addPermanentWidget(cancel_button_);
    statusBar()->addPermanentWidget(usage_);
}

QString MainWindow::import_folder() const {
    const QString chosen = QSettings().value(kImportFolderKey).toString();
    return chosen.isEmpty() ? decode_name(host::default_import_folder()) : chosen;
}

QString MainWindow::cannot_start(const QString& image) {
    if (image.isEmpty()) return tr("The camera cannot be used: another program is using it.");
    return tr("The card image %1 could not be opened.").arg(image) + '\n' +
           tr("It may not be a card image, or it cannot be read or written.");
}

QString MainWindow::cannot_save(const QString& image) {
    return tr("The card image %1 could not be saved; check that its folder can be written to and has room.").arg(image);
}

template <typename Call>
void MainWindow::start(Operation operation, Call&& call) {
    busy_ = true;
    operation_ = operation;
    started_.start();
    update_actions();
    activity_->clear();
    bar_->setValue(0);
    bar_->show();
    // A restore cannot be stopped half-way: it would leave the card's old
    // list over the new pictures.
    cancel_->setEnabled(operation != Operation::kRestore);
    cancel_button_->setVisible(operation != Operation::kReload && operation != Operation::kOpenImage);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QMetaObject::invokeMethod(&worker_, std::forward<Call>(call), Qt::QueuedConnection);
}

void MainWindow::reload() {
    start(Operation::kReload, [worker = &worker_] { worker->reload(); });
}

void MainWindow::import_photos() {
    ImportChoice proposed;
    proposed.folder = import_folder();
    const std::optional<ImportChoice> choice = dialogs_.import_choice(this, proposed, selected_positions());
    if (!choice || choice->folder.isEmpty()) return;
    QSettings().setValue(kImportFolderKey, choice->folder);
    pending_folder_ = choice->folder;
    start(Operation::kImport, [worker = &worker_, choice = *choice] { worker->import_photos(choice); });
}

void MainWindow::add_pictures() { add_files(dialogs_.pictures(this)); }

void MainWindow::add_files(const QStringList& files) {
    if (files.isEmpty()) return;
    start(Operation::kAdd, [worker = &worker_, files] { worker->add_pictures(files); });
}

void MainWindow::save_selected() {
    const QList<int> positions = selected_positions();
    if (positions.isEmpty()) return;
    QString target;
    if (positions.size() == 1) {
        target =
            dialogs_.save_file(this, tr("Save photo %1 as").arg(positions[0] + 1),
                               QDir(import_folder()).filePath(QStringLiteral("photo-%1.png").arg(positions[0] + 1)),
                               tr("PNG pictures (*.png);;JPEG pictures (*.jpg *.jpeg);;Camera bitmaps (*.bmp)"));
    } else {
        target = dialogs_.folder(this, tr("Save %n photos into", nullptr, static_cast<int>(positions.size())),
                                 import_folder());
    }
    if (target.isEmpty()) return;
    start(Operation::kSave, [worker = &worker_, positions, target] { worker->save_photos(positions, target); });
}

void MainWindow::view_selected() {
    const QList<int> positions = selected_positions();
    if (positions.size() != 1) return;
    const QImage photo = model_->photo(positions[0]);
    if (photo.isNull()) {
        activity_->setText(tr("Photo %1 is still being read from the card.").arg(positions[0] + 1));
        return;
    }
    auto* view = new PhotoView(photo, positions[0], this);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->show();
}

void MainWindow::delete_selected() {
    const QList<int> positions = selected_positions();
    if (positions.isEmpty()) return;
    start(Operation::kDelete, [worker = &worker_, positions] { worker->delete_photos(positions); });
}

void MainWindow::back_up() {
    const QString file = dialogs_.save_file(
        this, tr("Back up card"), QDir(import_folder()).filePath(QStringLiteral("card.bin")), card_image_filter());
    if (file.isEmpty()) return;
    start(Operation::kBackup, [worker = &worker_, file] { worker->backup(file); });
}

void MainWindow::restore() {
    const QString file = dialogs_.open_file(this, tr("Restore card from"), card_image_filter());
    if (file.isEmpty()) return;
    start(Operation::kRestore, [worker = &worker_, file] { worker->restore(file); });
}

void MainWindow::format() {
    start(Operation::kFormat, [worker = &worker_] { worker->format(); });
}

void MainWindow::rescue() {
    const QString folder = dialogs_.folder(this, tr("Save the rescued photos into"), import_folder());
    if (folder.isEmpty()) return;
    pending_folder_ = folder;
    start(Operation::kRescue, [worker = &worker_, folder] { worker->rescue(folder); });
}

void MainWindow::open_image() {
    const QString file = dialogs_.open_file(this, tr("Open card image"), card_image_filter());
    if (file.isEmpty()) return;
    pending_folder_ = file;
    start(Operation::kOpenImage, [worker = &worker_, file] { worker->open_image(file); });
}

void MainWindow::quit() { close(); }

void MainWindow::about() {
    Message message;
    message.headline = tr("Pixavon %1").arg(QStringLiteral(PIXAVON_VERSION));
    QStringList lines;
    lines << tr("Photos from the Lumetta camera's card, on this computer.");
    lines << (card_.image.isEmpty() ? tr("Card: in the camera") : tr("Card: the card image %1").arg(card_.image));
    if (card_.loads)
        lines << tr("Card size: %1 MiB, room for %n photos", nullptr, static_cast<int>(card_.capacity))
                     .arg(card_.card_mib);
    if (!card_.library.isEmpty()) lines << tr("Library: %1").arg(card_.library);
    message.details = lines.join('\n');
    tell(message);
}

void MainWindow::on_card_loaded(quint64 generation, const CardInfo& card) {
    card_ = card;
    model_->reset(generation, card);
    model_->set_device_pixel_ratio(devicePixelRatioF());
    const QString name = card.image.isEmpty() ? tr("Camera") : card.name;
    setWindowTitle(tr("%1 — Pixavon").arg(name));
    if (card.usable) {
        usage_->setText(tr("%n photos, %1 free", nullptr, static_cast<int>(card.slots.size())).arg(card.free()));
    } else {
        usage_->clear();
    }
    update_notice();
    update_actions();
    request_photos();
}

void MainWindow::update_notice() {
    QAction* offer = nullptr;
    if (!card_.connected) {
        notice_text_->setText(tr("No camera was found. Connect the camera and choose Reload, or open a card image."));
        offer = open_image_;
    } else if (!card_.usable) {
        notice_text_->setText(
            tr("The card's photo list is damaged.") + ' ' +
            tr("The pictures themselves are most likely still there: Rescue photos saves every one of them "
               "into a folder, then repairs the list."));
        offer = rescue_;
    }
    notice_->setVisible(offer != nullptr);
    if (offer != nullptr) notice_button_->setDefaultAction(offer);
}

void MainWindow::request_photos() {
    if (model_->rowCount() == 0) return;
    // The photos in view first, then the rest in order.
    const QRect view = grid_->viewport()->rect();
    QList<int> first;
    QList<int> later;
    for (const int position : model_->missing()) {
        const bool shown = grid_->visualRect(model_->index(position)).intersects(view);
        (shown ? first : later) << position;
    }
    if (first.isEmpty() && later.isEmpty()) return;
    first += later;
    const quint64 generation = model_->generation();
    QMetaObject::invokeMethod(
        &worker_,
        [worker = &worker_, generation, first, folder = import_folder()] {
            worker->want_photos(generation, first, folder);
        },
        Qt::QueuedConnection);
}

void MainWindow::on_progress(const Progress& progress) {
    if (!busy_) return;
    bar_->setValue(static_cast<int>(progress.done * bar_->maximum()));
    QString doing;
    const int item = static_cast<int>(progress.item);
    const int items = static_cast<int>(progress.items);
    switch (progress.operation) {
        case Operation::kImport:
            doing = tr("Importing photo %1 of %2").arg(item).arg(items);
            break;
        case Operation::kAdd:
            doing = tr("Adding picture %1 of %2").arg(item).arg(items);
            break;
        case Operation::kSave:
            doing = tr("Saving photo %1 of %2").arg(item).arg(items);
            break;
        case Operation::kDelete:
            doing = tr("Deleting photos");
            break;
        case Operation::kBackup:
            doing = tr("Backing up the card");
            break;
        case Operation::kRestore:
            doing = tr("Restoring the card; this cannot be stopped");
            break;
        case Operation::kFormat:
            doing = tr("Formatting the card");
            break;
        case Operation::kRescue:
            doing = tr("Rescuing photos");
            break;
        case Operation::kReload:
        case Operation::kOpenImage:
            doing = tr("Reading the card");
            break;
    }
    // Time left, once there is enough behind to judge by.
    const qint64 elapsed = started_.elapsed();
    if (progress.done > 0.02 && elapsed > 1500) {
        const int seconds =
            static_cast<int>(static_cast<double>(elapsed) * (1 - progress.done) / progress.done / 1000) + 1;
        doing += QStringLiteral(" — ") + (seconds < 90 ? tr("about %n seconds left", nullptr, seconds)
                                                       : tr("about %n minutes left", nullptr, (seconds + 30) / 60));
    }
    activity_->setText(doing);
}

void MainWindow::on_question(const Question& question, bool* yes) {
    Message message;
    message.kind = Message::Kind::kQuestion;
    QString verb;
    switch (question.operation) {
        case Operation::kDelete:
            message.headline = tr("Delete %n photos from the card?", nullptr, static_cast<int>(question.count));
            message.details = tr("Photos that were not imported are lost.");
            verb = tr("Delete");
            break;
        case Operation::kFormat:
            message.headline = tr("Format the card?");
            message.details = tr("Every photo on the card is erased.");
            verb = tr("Format");
            break;
        case Operation::kRestore:
            message.headline = tr("Restore the card from this backup?");
            message.details = tr("The photos on the card now are replaced by those in the backup.");
            verb = tr("Restore");
            break;
        case Operation::kRescue:
            message.headline = tr("Repair the card's photo list?");
            message.details =
                tr("The pictures have been saved. Repairing makes the card list every picture it "
                   "holds again, so the camera and this window show them.");
            verb = tr("Repair");
            break;
        default:
            message.headline = tr("Go on?");
            verb = tr("Go on");
            break;
    }
    message.buttons = {{Message::Reply::kYes, verb}};
    *yes = dialogs_.show(this, message) == Message::Reply::kYes;
}

void MainWindow::on_finished(const Result& result) {
    busy_ = false;
    bar_->hide();
    cancel_button_->hide();
    activity_->clear();
    QApplication::restoreOverrideCursor();
    if (result.operation == Operation::kRestore || result.operation == Operation::kFormat ||
        (result.operation == Operation::kRescue && result.rescue.repaired) ||
        result.operation == Operation::kOpenImage) {
        // The slots may hold other pictures now.
        if (result.card_changed) {
            model_->forget_pictures();
            request_photos();
        }
    }
    // Positions still name the same photos unless the import deleted some.
    if (!result.card_changed) {
        for (const auto& [position, file] : result.files) model_->set_imported_as(position, file);
    }
    update_actions();
    show_result(result);
    Q_EMIT idle();
    if (close_pending_) QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::show_result(const Result& result) {
    using Status = host::Outcome::Status;
    if (result.declined) {
        activity_->setText(tr("Nothing was changed."));
        return;
    }
    const bool cancelled = result.status == Status::kCancelled;
    const auto stopped = [&](const QString& what) { activity_->setText(tr("Stopped. %1").arg(what)); };
    Message message;
    message.kind = Message::Kind::kWarning;
    switch (result.operation) {
        case Operation::kReload:
            return;
        case Operation::kOpenImage:
            if (result.ok()) return;
            message.headline = tr("The card image %1 could not be opened.").arg(QFileInfo(result.folder).fileName());
            message.details = tr("It may not be a card image, or it cannot be read or written.");
            break;
        case Operation::kImport: {
            message.kind = Message::Kind::kInformation;
            if (cancelled) {
                message.headline =
                    tr("%1 of %n photos saved before you stopped.", nullptr, static_cast<int>(result.total))
                        .arg(result.saved);
            } else if (result.ok()) {
                message.headline = result.saved == 0
                                       ? tr("There were no new photos to import.")
                                       : tr("%n photos imported.", nullptr, static_cast<int>(result.saved));
            } else {
                message.kind = Message::Kind::kWarning;
                message.headline = tr("The import stopped after %n photos.", nullptr, static_cast<int>(result.saved));
            }
            QStringList details;
            details << tr("Folder: %1").arg(QDir::toNativeSeparators(result.folder));
            if (result.duplicates > 0) {
                details << tr("%n duplicates on the card skipped.", nullptr, static_cast<int>(result.duplicates));
            }
            if (result.already > 0) {
                details << tr("%n photos were imported before and skipped.", nullptr, static_cast<int>(result.already));
            }
            if (result.deleted > 0) {
                details << tr("%n photos deleted from the card.", nullptr, static_cast<int>(result.deleted));
            }
            if (!result.ok() && !cancelled) {
                details << tr(
                    "Check that the folder can be written to and has room, and that the camera is "
                    "connected, then import again: photos already saved are skipped.");
            }
            message.details = details.join('\n');
            message.buttons = {{Message::Reply::kOpenFolder, tr("&Open folder")}};
            tell(message, result.folder);
            return;
        }
        case Operation::kAdd:
            if (result.ok()) {
                activity_->setText(tr("%n pictures added to the card.", nullptr, static_cast<int>(result.saved)));
                return;
            }
            if (cancelled) return stopped(tr("%1 of %2 pictures were added.").arg(result.saved).arg(result.total));
            message.headline = tr("%1 of %2 pictures were added.").arg(result.saved).arg(result.total);
            message.details = tr("The card may be full, or a file is not a picture that can be read.");
            break;
        case Operation::kSave:
            if (result.ok()) {
                activity_->setText(tr("%n photos saved.", nullptr, static_cast<int>(result.saved)));
                return;
            }
            if (cancelled) return stopped(tr("%1 of %2 photos were saved.").arg(result.saved).arg(result.total));
            message.headline = tr("%1 of %2 photos were saved.").arg(result.saved).arg(result.total);
            message.details =
                tr("A file of that name may be there already (nothing is replaced), or the folder "
                   "cannot be written to.");
            break;
        case Operation::kDelete:
            if (result.ok()) {
                activity_->setText(tr("%n photos deleted.", nullptr, static_cast<int>(result.deleted)));
                return;
            }
            if (cancelled) return stopped(tr("%1 of %2 photos were deleted.").arg(result.deleted).arg(result.total));
            message.headline = tr("%1 of %2 photos were deleted.").arg(result.deleted).arg(result.total);
            message.details = tr("Check that the camera is connected, then choose Reload.");
            break;
        case Operation::kBackup:
            if (result.ok()) {
                activity_->setText(tr("The card was backed up to %1.").arg(QDir::toNativeSeparators(result.folder)));
                return;
            }
            if (cancelled) return stopped(tr("The backup was not finished; its file was not kept."));
            message.headline = tr("The card could not be backed up.");
            message.details =
                tr("Check that the folder can be written to and has room, and that the camera is "
                   "connected.");
            break;
        case Operation::kRestore:
            if (result.ok()) {
                activity_->setText(tr("The card was restored."));
                return;
            }
            message.headline = tr("The card could not be restored.");
            message.details =
                tr("The file may not be a backup of a card of this size. If the restore had begun, "
                   "restore the same file again to finish it.");
            break;
        case Operation::kFormat:
            if (result.ok()) {
                activity_->setText(tr("The card was formatted."));
                return;
            }
            message.headline = tr("The card could not be formatted.");
            message.details = tr("Check that the camera is connected, then try again.");
            break;
        case Operation::kRescue: {
            message.kind = Message::Kind::kInformation;
            const int saved = static_cast<int>(result.rescue.saved);
            const QString folder = QDir::toNativeSeparators(result.folder);
            if (cancelled) {
                message.headline = tr("%1 of %n photos saved to %2 before you stopped.", nullptr,
                                      static_cast<int>(result.rescue.found))
                                       .arg(saved)
                                       .arg(folder);
            } else {
                message.headline = tr("%n photos saved to %1.", nullptr, saved).arg(folder);
            }
            QStringList next;
            if (result.rescue.repaired) {
                next << tr("The card's photo list was repaired: the card is ready to use again.");
            } else if (result.ok() || cancelled) {
                next << tr(
                    "The card was not changed. To use it again, choose Format card… once you have checked "
                    "the saved photos.");
            } else {
                message.kind = Message::Kind::kWarning;
                next << tr(
                    "Some of the card could not be read. Check that the camera is connected and rescue "
                    "again into the same folder.");
            }
            message.details = next.join('\n');
            if (saved > 0) message.buttons = {{Message::Reply::kOpenFolder, tr("&Open folder")}};
            tell(message, result.folder);
            return;
        }
    }
    tell(message);
}

void MainWindow::tell(const Message& message, const QString& folder) {
    if (dialogs_.show(this, message) != Message::Reply::kOpenFolder) return;
    if (dialogs_.open_folder(folder)) return;
    Message none;
    none.kind = Message::Kind::kWarning;
    none.headline = tr("No file manager could be started to show the folder.");
    none.details = tr("The photos are in %1.").arg(QDir::toNativeSeparators(folder));
    dialogs_.show(this, none);
}

QList<int> MainWindow::selected_positions() const {
    QList<int> positions;
    for (const QModelIndex& index : grid_->selectionModel()->selectedIndexes()) positions << index.row();
    std::sort(positions.begin(), positions.end());
    return positions;
}

void MainWindow::update_actions() {
    const qsizetype selected = grid_->selectionModel()->selectedIndexes().size();
    const bool idle = !busy_;
    const bool usable = idle && card_.usable;
    const bool loads = idle && card_.loads;
    import_->setEnabled(usable && !card_.slots.empty());
    add_->setEnabled(usable && card_.free() > 0);
    save_->setEnabled(usable && selected > 0);
    view_->setEnabled(usable && selected == 1);
    delete_->setEnabled(usable && selected > 0);
    // These work on the whole card, whose size only a list that loads gives.
    backup_->setEnabled(loads);
    restore_->setEnabled(loads);
    format_->setEnabled(loads);
    rescue_->setEnabled(idle && card_.connected);
    reload_->setEnabled(idle);
    open_image_->setEnabled(idle);
    about_->setEnabled(idle);
    quit_->setEnabled(true);
    cancel_->setEnabled(busy_ && operation_ != Operation::kRestore);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!busy_) {
        event->accept();
        return;
    }
    event->ignore();
    if (operation_ == Operation::kRestore) {
        activity_->setText(tr("The card is being restored; the window closes once it has finished."));
    } else {
        // Stops after the current unit of work; the window closes then.
        worker_.cancel();
    }
    close_pending_ = true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (busy_ || !card_.usable || !event->mimeData()->hasUrls()) return;
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
    add_files(files);
}

bool MainWindow::event(QEvent* event) {
    // Thumbnails are drawn for the screen's pixel density.
    if (event->type() == QEvent::Show || event->type() == QEvent::ScreenChangeInternal) {
        model_->set_device_pixel_ratio(devicePixelRatioF());
    }
    return QMainWindow::event(event);
}

}  // namespace pixavon::gui
