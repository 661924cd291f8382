// The main window (see main_window.h): how it is built (its menus,
// toolbar, the bars above the grid and the status bar), the import folder it
// offers, and the window's own events
// (closing, dropping files, the screen's pixel density). Its actions are
// main_window_actions.cpp's; what happens on the
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

#include "desktop/window.h"
#include "desktop/words.h"
#include "photo_model.h"
#include "phrases.h"
#include "window_locale.h"

namespace pixavon::gui {
namespace {

const QString kImportFolderKey = QStringLiteral("import/folder");

QString button_text(const QString& label) { return qt(desktop::button_text(label.toStdString())); }

}  // namespace

MainWindow::MainWindow(CardWorker& worker, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), worker_(worker), dialogs_(dialogs) {
    setWindowTitle(qt(desktop::program_name()));
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

void MainWindow::build_layout() {
    for (const desktop::Menu& menu : desktop::menus()) {
        QMenu* shown = menuBar()->addMenu(qt(desktop::tr(menu.title)));
        for (const desktop::Action item : menu.items) {
            if (item == desktop::Action::kSeparator) {
                shown->addSeparator();
            } else {
                shown->addAction(action(item));
            }
        }
    }

    // The toolbar holds what is done most; what does not fit behind its »
    // button, and everything is in the menus.
    QToolBar* tools = addToolBar(qt(desktop::toolbar_name()));
    tools->setObjectName(QStringLiteral("main-toolbar"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const desktop::Action item : desktop::toolbar()) {
        if (item == desktop::Action::kSeparator) {
            tools->addSeparator();
        } else {
            tools->addAction(action(item));
        }
    }
    if (auto* main = qobject_cast<QToolButton*>(tools->widgetForAction(import_))) {
        QFont bold = main->font();
        bold.setBold(true);
        main->setFont(bold);
    }

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
    for (const desktop::Action item : desktop::grid_menu()) grid_->addAction(action(item));
    grid_->setAccessibleName(qt(desktop::grid_name()));
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
    empty_->setText(qt(desktop::empty_card_text()));
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

QString MainWindow::cannot_start(const QString& image) { return qt(desktop::cannot_start(image.toStdString())); }

QString MainWindow::cannot_save(const QString& image) { return qt(desktop::cannot_save(image.toStdString())); }

void MainWindow::show_destination() {
    const QString folder = QDir::toNativeSeparators(import_folder());
    destination_->setToolTip(folder);
    // As much of the folder as the bar has room for, shortened in the middle.
    const int room = std::max(destination_->width(), 120);
    destination_->setText(destination_->fontMetrics().elidedText(qt(desktop::destination_text(folder.toStdString())),
                                                                 Qt::ElideMiddle, room));
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

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!busy_) {
        event->accept();
        return;
    }
    event->ignore();
    if (operation_ == Operation::kRestore) {
        activity_->setText(qt(desktop::closing_after_restore()));
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
