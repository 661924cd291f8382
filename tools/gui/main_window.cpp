#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
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
#include "phrases.h"
#include "window_locale.h"

#ifndef PIXAVON_VERSION
#  define PIXAVON_VERSION "unknown"
#endif

namespace pixavon::gui {
namespace {

const QString kImportFolderKey = QStringLiteral("import/folder");

// A menu text as a toolbar button shows it: without its Alt key, whether
// marked in the word ("&Delete") or after it ("削除(&D)").
QString button_text(QString text) {
    if (const qsizetype at = text.indexOf(QStringLiteral("(&"));
        at >= 0 && at + 3 < text.size() && text[at + 3] == ')') {
        text.remove(at, 4);
    }
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
    connect(&worker_, &CardWorker::photo_failed, model_, &PhotoModel::set_unreadable);
    connect(&worker_, &CardWorker::progressed, this, &MainWindow::on_progress);
    connect(&worker_, &CardWorker::question, this, &MainWindow::on_question, Qt::BlockingQueuedConnection);
    connect(&worker_, &CardWorker::finished, this, &MainWindow::on_finished);
    connect(&worker_, &CardWorker::warned, this, &MainWindow::warn);

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
    import_->setToolTip(tr("Choose where the photos go and whether they leave the card"));
    import_new_ = add_action("import-new", tr("Import &new photos"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I),
                             &MainWindow::import_new);
    import_new_->setToolTip(tr("Save the photos this computer does not have yet into the import folder"));
    import_selected_ =
        add_action("import-selected", tr("Import selec&ted photos"), QKeySequence(), &MainWindow::import_selected);
    import_selected_->setToolTip(tr("Save the selected photos into the import folder"));
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
    backup_ = add_action("backup", tr("&Back up card…"), QKeySequence(Qt::CTRL | Qt::Key_B), &MainWindow::back_up);
    restore_ = add_action("restore", tr("R&estore card…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B),
                          &MainWindow::restore);
    format_ =
        add_action("format", tr("&Format card…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), &MainWindow::format);
    rescue_ = add_action("rescue", tr("Res&cue photos…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R),
                         &MainWindow::rescue);
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
    photos->addActions({import_, import_new_, import_selected_});
    photos->addSeparator();
    photos->addActions({add_, save_, view_, delete_});
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
    notice_text_->setObjectName(QStringLiteral("notice-text"));
    notice_text_->setWordWrap(true);
    notice_text_->setForegroundRole(QPalette::ToolTipText);
    notice_button_ = new QToolButton;
    notice_button_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* notice_layout = new QHBoxLayout(notice_);
    notice_layout->addWidget(notice_text_, 1);
    notice_layout->addWidget(notice_button_);
    notice_->hide();

    // Right above the grid: where imports go, and the two imports that need
    // no questions.
    import_bar_ = new QWidget;
    import_bar_->setObjectName(QStringLiteral("import-bar"));
    destination_ = new QLabel;
    destination_->setObjectName(QStringLiteral("destination"));
    destination_->setMinimumWidth(0);
    destination_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* import_selected_button = new QPushButton;
    import_selected_button->setAutoDefault(false);
    import_selected_button->setText(button_text(import_selected_->text()));
    connect(import_selected_button, &QPushButton::clicked, import_selected_, &QAction::trigger);
    connect(import_selected_, &QAction::changed, import_selected_button,
            [this, import_selected_button] { import_selected_button->setEnabled(import_selected_->isEnabled()); });
    auto* import_new_button = new QPushButton;
    import_new_button->setAutoDefault(false);
    import_new_button->setText(button_text(import_new_->text()));
    import_new_button->setIcon(import_->icon());
    connect(import_new_button, &QPushButton::clicked, import_new_, &QAction::trigger);
    connect(import_new_, &QAction::changed, import_new_button,
            [this, import_new_button] { import_new_button->setEnabled(import_new_->isEnabled()); });
    auto* bar_layout = new QHBoxLayout(import_bar_);
    bar_layout->setContentsMargins(8, 4, 8, 4);
    bar_layout->addWidget(destination_, 1);
    bar_layout->addWidget(import_selected_button);
    bar_layout->addWidget(import_new_button);

    // Said in place of the grid when the card holds no photos.
    empty_ = new QLabel;
    empty_->setObjectName(QStringLiteral("empty"));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);
    empty_->setMargin(24);
    empty_->setText(tr("There are no photos on this card.") + "\n\n" +
                    tr("Take some with the camera, or choose Photos ▸ Add pictures… to put pictures from this "
                       "computer on the card."));
    empty_->setForegroundRole(QPalette::PlaceholderText);
    empty_->hide();

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(notice_);
    layout->addWidget(import_bar_);
    layout->addWidget(grid_, 1);
    layout->addWidget(empty_, 1);
    setCentralWidget(central);

    watcher_ = new QFileSystemWatcher(this);
    replug_ = new QTimer(this);
    replug_->setSingleShot(true);
    replug_->setInterval(300);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, replug_, qOverload<>(&QTimer::start));
    connect(replug_, &QTimer::timeout, this, [this] {
        // Once the operation under way has ended.
        if (busy_) {
            replug_->start();
            return;
        }
        reload();
    });

    usage_ = new QLabel;
    usage_->setObjectName(QStringLiteral("usage"));
    usage_->setContentsMargins(16, 0, 0, 0);
    activity_ = new QLabel;
    activity_->setObjectName(QStringLiteral("activity"));
    bar_ = new QProgressBar;
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    bar_->setMaximumWidth(160);
    bar_->hide();
    cancel_button_ = new QToolButton;
    cancel_button_->setDefaultAction(cancel_);
    cancel_button_->hide();
    statusBar()->addWidget(activity_, 1);
    statusBar()->addPermanentWidget(bar_);
    statusBar()->addPermanentWidget(cancel_button_);
    statusBar()->addPermanentWidget(usage_);
    show_destination();
}

QString MainWindow::import_folder() const {
    const QString chosen = QSettings().value(kImportFolderKey).toString();
    return chosen.isEmpty() ? decode_name(host::default_import_folder()) : chosen;
}

QString MainWindow::cannot_start(const QString& image) {
    if (image.isEmpty()) return tr("The camera cannot be used.");
    return tr("The card image %1 could not be opened.").arg(image);
}

QString MainWindow::cannot_save(const QString& image) {
    return tr("The card image %1 could not be saved; check that its folder can be written to and has room.").arg(image);
}

void MainWindow::show_destination() {
    const QString folder = QDir::toNativeSeparators(import_folder());
    destination_->setToolTip(folder);
    // As much of the folder as the bar has room for, shortened in the middle.
    const int room = std::max(destination_->width(), 120);
    destination_->setText(
        destination_->fontMetrics().elidedText(tr("Imports go to %1").arg(folder), Qt::ElideMiddle, room));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // Once the bar has its new width.
    QTimer::singleShot(0, this, &MainWindow::show_destination);
}

void MainWindow::watch_device_folder() {
    const QString folder = card_.device_folder;
    const QStringList watched = watcher_->directories();
    if (!watched.isEmpty()) watcher_->removePaths(watched);
    if (folder.isEmpty()) return;
    // The folder itself, and the one it appears in, for when it is made only
    // once a camera is plugged in.
    const QString qt_folder = to_qt_path(folder);
    watcher_->addPath(QFileInfo(qt_folder).isDir() ? qt_folder : QFileInfo(qt_folder).path());
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
    show_destination();
    start_import(*choice);
}

void MainWindow::import_new() {
    ImportChoice choice;
    choice.folder = import_folder();
    start_import(choice);
}

void MainWindow::import_selected() {
    ImportChoice choice;
    choice.folder = import_folder();
    choice.positions = selected_positions();
    if (choice.positions.isEmpty()) return;
    start_import(choice);
}

void MainWindow::start_import(const ImportChoice& choice) {
    pending_folder_ = choice.folder;
    start(Operation::kImport, [worker = &worker_, choice] { worker->import_photos(choice); });
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
    start(Operation::kRescue, [worker = &worker_, folder] { worker->rescue(folder, 0); });
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
    message.title = tr("About Pixavon");
    message.headline = tr("Pixavon %1").arg(QStringLiteral(PIXAVON_VERSION));
    message.details =
        tr("Imports the photos on the Lumetta camera's card to this computer, puts pictures on the "
           "card, and backs up, restores and rescues the card.");
    tell(message);
}

void MainWindow::offer_put_back() {
    const QString folder = rescued_folder_;
    rescued_folder_.clear();
    QStringList files;
    for (const QString& name : files_in(folder, QStringLiteral(".png"))) files << folder + '/' + name;
    if (files.isEmpty()) return;
    Message message;
    message.kind = Message::Kind::kQuestion;
    message.headline = tr("Put the %n rescued pictures back on the card?", nullptr, static_cast<int>(files.size()));
    message.details = tr("They are in %1.").arg(QDir::toNativeSeparators(folder));
    message.buttons = {{Message::Reply::kYes, tr("Put back")}};
    if (dialogs_.show(this, message) == Message::Reply::kYes) add_files(files);
}

void MainWindow::on_card_loaded(quint64 generation, const CardInfo& card) {
    card_ = card;
    model_->reset(generation, card);
    model_->set_device_pixel_ratio(devicePixelRatioF());
    const QString name = card.image.isEmpty() ? tr("Camera") : card.name;
    setWindowTitle(tr("%1 — Pixavon").arg(name));
    if (card.usable) {
        usage_->setText(tr("%n photos, %1 free (%2 MiB card)", nullptr, static_cast<int>(card.slots.size()))
                            .arg(card.free())
                            .arg(card.card_mib));
    } else if (card.loads) {
        usage_->setText(tr("Photo list damaged (%1 MiB card)").arg(card.card_mib));
    } else if (card.connected && card.trouble.kind != host::ProblemKind::kCatalogNoAnswer &&
               card.trouble.kind != host::ProblemKind::kCatalogChanged) {
        usage_->setText(tr("Photo list damaged"));
    } else {
        usage_->setText(card.connected ? QString() : tr("No camera"));
    }
    // What the card holds now, not the rescued pictures, once it is usable.
    if (card.usable && !card.slots.empty()) rescued_folder_.clear();
    const bool empty = card.usable && card.slots.empty();
    empty_->setVisible(empty);
    grid_->setVisible(!empty);
    import_bar_->setVisible(card.usable);
    watch_device_folder();
    update_notice();
    update_actions();
    request_photos();
}

void MainWindow::update_notice() {
    using Kind = host::ProblemKind;
    QAction* offer = nullptr;
    const Kind kind = card_.trouble.kind;
    notice_text_->setTextFormat(Qt::PlainText);
    notice_text_->setToolTip(QString());
    if (!card_.connected) {
        notice_text_->setText(tr("No camera was found. Connect the camera and choose Reload, or open a card image."));
        offer = open_image_;
    } else if (kind == Kind::kCatalogNoAnswer || kind == Kind::kCatalogChanged) {
        notice_text_->setText(Phrases::explain(card_.trouble, tr("The card could not be read.")));
        offer = reload_;
    } else if (!card_.usable && !rescued_folder_.isEmpty()) {
        notice_text_->setTextFormat(Qt::RichText);
        notice_text_->setText(
            QStringLiteral("<b>%1</b><br>%2")
                .arg(tr("The pictures are saved in %1.").arg(QDir::toNativeSeparators(rescued_folder_)).toHtmlEscaped(),
                     tr("To use the card again, format it: the window then offers to put the pictures back.")
                         .toHtmlEscaped()));
        notice_text_->setToolTip(card_.trouble.text);
        offer = format_;
    } else if (!card_.usable) {
        notice_text_->setTextFormat(Qt::RichText);
        notice_text_->setText(
            QStringLiteral("<b>%1</b><br>%2")
                .arg(tr("The card's photo list is damaged.").toHtmlEscaped(),
                     tr("The pictures themselves are most likely still there: Rescue photos saves every one of "
                        "them into a folder, then repairs the list.")
                         .toHtmlEscaped()));
        notice_text_->setToolTip(card_.trouble.text);
        offer = rescue_;
    }
    notice_->setVisible(offer != nullptr);
    if (offer != nullptr && notice_button_->defaultAction() != offer) {
        // The one action it offers, without a menu of those offered before.
        for (QAction* before : notice_button_->actions()) notice_button_->removeAction(before);
        notice_button_->setDefaultAction(offer);
    }
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
    activity_->setText(Phrases::progress(progress, started_.elapsed()));
}

void MainWindow::on_question(const Question& question, bool* yes) {
    *yes = dialogs_.show(this, Phrases::question(question)) == Message::Reply::kYes;
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
    // A blank card's size only the person can say; the rescue starts again
    // with it.
    if (result.operation == Operation::kRescue && result.trouble.hint == host::Hint::kNeedsSize && !close_pending_) {
        const Message::Reply size = dialogs_.show(this, Phrases::card_size_question());
        if (size == Message::Reply::kEightMiB || size == Message::Reply::kSixteenMiB) {
            const int mib = size == Message::Reply::kEightMiB ? 8 : 16;
            start(Operation::kRescue,
                  [worker = &worker_, folder = pending_folder_, mib] { worker->rescue(folder, mib); });
            return;
        }
    }
    if (result.operation == Operation::kRescue && !result.rescue.repaired && result.rescue.saved > 0 &&
        result.rescue.all_saved() && !card_.usable) {
        rescued_folder_ = result.folder;
        update_notice();
    }
    show_result(result);
    if (result.operation == Operation::kFormat && result.ok() && !rescued_folder_.isEmpty() && !close_pending_) {
        offer_put_back();
        if (busy_) return;
    }
    Q_EMIT idle();
    if (close_pending_) QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::warn(const Trouble& warning) { dialogs_.show(this, Phrases::warning(warning)); }

void MainWindow::show_result(const Result& result) {
    const Report report = Phrases::result(result);
    if (!report.status.isEmpty()) activity_->setText(report.status);
    if (report.box) tell(*report.box, report.folder);
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
    import_new_->setEnabled(usable && !card_.slots.empty());
    import_selected_->setEnabled(usable && selected > 0);
    add_->setEnabled(usable && card_.free() > 0);
    save_->setEnabled(usable && selected > 0);
    view_->setEnabled(usable && selected == 1);
    delete_->setEnabled(usable && selected > 0);
    // A backup needs the card's size, which only a list that loads gives; a
    // restore or a format is what makes a damaged card usable again.
    backup_->setEnabled(loads);
    restore_->setEnabled(idle && card_.connected);
    format_->setEnabled(idle && card_.connected);
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
        if (url.isLocalFile()) files << from_qt_path(url.toLocalFile());
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
