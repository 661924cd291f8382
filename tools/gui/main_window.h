// The main window of pixavon-gui: the card's photos in a grid, the actions a
// person takes on them (importing first) in the menus and the toolbar, and a
// status bar with the card's use, the progress of an operation and its
// Cancel. The card's work is the CardWorker's, on its own thread; the window
// lays out, offers the actions and says in its own words how each ended.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>

#include "card_worker.h"
#include "desktop/actions.h"
#include "desktop/window.h"

class QAction;
class QFileSystemWatcher;
class QLabel;
class QListView;
class QProgressBar;
class QTimer;
class QToolButton;
class QWidget;

namespace pixavon::gui {

class Dialogs;
class PhotoModel;
struct Message;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(CardWorker& worker, Dialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Reads the card; the photos follow as they are read.
    void reload();
    // A warning of the core's, shown in a box.
    void warn(const pixavon::gui::Trouble& warning);
    bool busy() const { return busy_; }
    const CardInfo& card() const { return card_; }
    PhotoModel* photos() const { return model_; }
    QListView* grid() const { return grid_; }
    // The folder photos are imported into: the one chosen last, or the
    // desktop's pictures folder's Lumetta.
    QString import_folder() const;
    // Chooses the folder photos are imported into from now on.
    void set_import_folder(const QString& folder);
    // Why the program cannot start on the card image `image` (empty: the
    // camera), and why the card image could not be saved at the end.
    static QString cannot_start(const QString& image);
    static QString cannot_save(const QString& image);

Q_SIGNALS:
    // An operation has ended and its outcome has been shown.
    void idle();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The shared layer's action, with its label, keys and tooltip.
    QAction* add_action(desktop::Action which, void (MainWindow::*run)());
    // The window's QAction for the shared layer's action; null for a separator.
    QAction* action(desktop::Action which) const;
    void build_actions();
    void build_layout();

    // Starts an operation on the worker, the window busy until it ends.
    template <typename Call>
    void start(Operation operation, Call&& call);

    void import_photos();
    // Imports straight into the import folder: the photos not imported yet,
    // or the selected ones.
    void import_new();
    void import_selected();
    void start_import(const ImportChoice& choice);
    void add_pictures();
    void add_files(const QStringList& files);
    void save_selected();
    void view_selected();
    void delete_selected();
    void back_up();
    void restore();
    void format();
    void rescue();
    void open_image();
    void about();
    void quit();

    void on_card_loaded(quint64 generation, const CardInfo& card);
    void on_progress(const Progress& progress);
    void on_question(const Question& question, bool* yes);
    void on_finished(const Result& result);
    void show_result(const Result& result);
    // Shows a box; when it offers Open folder, opens `folder` on request.
    void tell(const Message& message, const QString& folder = {});
    void update_actions();
    void show_destination();
    void update_notice();
    // Watches the folder the attached camera appears in, to read the card
    // again when a camera is plugged in or unplugged.
    void watch_device_folder();
    // After a format that followed a rescue, offers to put the rescued
    // pictures back on the card.
    void offer_put_back();
    // Asks the worker for the missing photos, those in view first.
    void request_photos();
    QList<int> selected_positions() const;

    CardWorker& worker_;
    Dialogs& dialogs_;
    CardInfo card_;
    PhotoModel* model_ = nullptr;
    QListView* grid_ = nullptr;
    QWidget* notice_ = nullptr;
    QLabel* notice_text_ = nullptr;
    QToolButton* notice_button_ = nullptr;
    QLabel* usage_ = nullptr;
    QLabel* destination_ = nullptr;
    QLabel* empty_ = nullptr;
    QWidget* import_bar_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* replug_ = nullptr;
    QLabel* activity_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QToolButton* cancel_button_ = nullptr;
    QTimer* photo_order_ = nullptr;

    QAction* open_image_ = nullptr;
    QAction* quit_ = nullptr;
    QAction* import_ = nullptr;
    QAction* import_new_ = nullptr;
    QAction* import_selected_ = nullptr;
    QAction* add_ = nullptr;
    QAction* save_ = nullptr;
    QAction* view_ = nullptr;
    QAction* delete_ = nullptr;
    QAction* reload_ = nullptr;
    QAction* backup_ = nullptr;
    QAction* restore_ = nullptr;
    QAction* format_ = nullptr;
    QAction* rescue_ = nullptr;
    QAction* put_back_ = nullptr;
    QAction* about_ = nullptr;
    QAction* cancel_ = nullptr;

    bool busy_ = false;
    bool close_pending_ = false;
    Operation operation_ = Operation::kReload;
    QElapsedTimer started_;
    QString pending_folder_;  // the folder the running import or rescue writes to
    // The folder a rescue saved the pictures of a card it could not repair
    // into, until they are put back.
    desktop::Rescued rescued_;
};

}  // namespace pixavon::gui
