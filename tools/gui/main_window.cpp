// The main window (see main_window.h): how it is built (its actions, menus,
// toolbar, the bars above the grid and the status bar), the import folder it
// offers, which actions are open to the person, and the window's own events
// (closing, dropping files, the screen's pixel density). What happens on the
// card is main_window_status.cpp's to show and main_window_operations.cpp's
// to start and tell.
#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
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

#include "photo_model.h"
#include "window_locale.h"

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

void MainWindow::set_import_folder(const QString& folder) {
    QSettings().setValue(kImportFolderKey, folder);
    show_destination();
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
    import_->setEnabled(usable && !card_.slots.empty());
    import_new_->setEnabled(usable && !card_.slots.empty());
    import_selected_->setEnabled(usable && selected > 0);
    add_->setEnabled(usable && card_.free() > 0);
    save_->setEnabled(usable && selected > 0);
    view_->setEnabled(usable && selected == 1);
    delete_->setEnabled(usable && selected > 0);
    // A backup needs only the card's size, also of a damaged card, the moment
    // to save one; a restore or a format is what makes it usable again.
    backup_->setEnabled(idle && card_.card_mib != 0);
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
