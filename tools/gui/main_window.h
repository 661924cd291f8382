// The main window of pixavon-gui: the photos on the card as a thumbnail grid
// that fills in photo by photo, the library's ten buttons, a menu of the
// window's own actions with their shortcuts, and the status line. Every workflow is the host
// core's; the window is its front end: it asks the core's questions, shows
// its progress with a Cancel button, and shows each outcome that is not done.
// Every library call runs on the GUI thread; while one runs, the window keeps
// repainting, the buttons are off and only the progress dialog takes input.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core.h"

class QAction;
class QDialog;
class QLabel;
class QListWidget;
class QMessageBox;
class QProgressDialog;
class QPushButton;
class QTimer;

namespace pixavon::gui {

// A library text as Qt text, decoded with the codeset that the locale
// variables name (UTF-8 when they name none), as the library encodes it.
QString from_library(const std::string& text);
// The language of the window's texts, chosen from the locale variables as the
// library chooses its string table: "ja", "zh_TW" (also for Hong Kong and
// Macau), "zh_CN" (also for Singapore) or "en".
QString window_language();
// Loads the window's translation and Qt's own for window_language(),
// replacing those loaded before; returns the language.
QString install_translations();
// Pixels for Qt, and back for the camera.
QImage to_qimage(const host::Image& image);
host::Image from_qimage(const QImage& image);

class MainWindow : public QWidget, public host::Frontend {
    Q_OBJECT

public:
    explicit MainWindow(host::Core& core, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens the camera if need be and shows what its card holds at once; the
    // thumbnails follow one by one as the event loop turns. False if there is
    // no camera or its catalog cannot be used.
    bool load_catalog();
    // Reads the thumbnails still missing now; false if one cannot be read.
    bool finish_thumbnails();
    int thumbnails_pending() const { return static_cast<int>(pending_.size()); }

    // The operations, as the buttons run them once they know the files; true
    // when the core's outcome is done.
    bool upload(const QStringList& files);
    bool delete_photos(const QList<int>& positions);  // asks first
    bool save_photos(const QList<int>& positions, const QString& target);
    // Saves the photos the import folder has not had before, asking for the
    // folder the first time; then says what was saved where.
    bool import_new_photos();
    // Saves every picture the card's slots hold into a folder the user picks
    // and offers to repair the catalog; for a card whose catalog does not load
    // or is damaged.
    bool rescue_card();
    bool format_card();  // asks first
    bool backup_to(const QString& path);
    bool restore_from(const QString& path);  // asks first
    // A window with the photo at full size and at twice its size, nearest
    // neighbour and smooth; nullptr if it cannot be read.
    QDialog* photo_view(int position);
    QString about_text();

    // The folder photos are imported into, remembered across runs; empty until
    // one was chosen.
    QString import_folder() const;
    void set_import_folder(const QString& folder);

    // No modal boxes (for --screenshot): their texts go to standard error and
    // questions are answered no.
    void set_unattended(bool unattended) { unattended_ = unattended; }

    // What the window shows, for checks.
    QListWidget* photos() const { return list_; }
    QLabel* status_line() const { return status_; }
    QPushButton* button(uint32_t text_id) const;
    // The window's own actions (menu, context menu and shortcuts).
    QAction* import_action() const { return import_; }
    QAction* rescue_action() const { return rescue_; }
    QAction* save_action() const { return save_; }
    QAction* delete_action() const { return delete_; }
    QAction* reload_action() const { return reload_; }
    QAction* quit_action() const { return quit_; }
    const host::CardState& card() const { return card_; }
    bool busy() const { return busy_; }

    // One step with a progress dialog: its label, the units expected and the
    // progress messages that came.
    struct Run {
        uint32_t label_id = 0;
        uint64_t total = 0;
        uint64_t steps = 0;
    };
    const std::vector<Run>& runs() const { return runs_; }

    // host::Frontend
    Answer confirm(const host::Question& question) override;
    void begin(const host::Step& step) override;
    void advance() override;
    void end(bool ok) override;
    void box(bool owned, const std::string& caption, const std::string& text) override;
    void note(const host::Record& record) override;
    void warn(const host::Warning& warning) override;

protected:
    // Shows a modal box and returns the button pressed; replaced in tests.
    virtual int present(QMessageBox& box);
    virtual QStringList ask_pictures();
    virtual QString ask_save_target(const QList<int>& positions);
    virtual QString ask_backup_file();
    virtual QString ask_restore_file();
    virtual QString ask_import_folder();
    virtual QString ask_rescue_folder();
    virtual void open_folder(const QString& folder);

    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    enum class Operation { kCatalog, kUpload, kDelete, kSave, kImport, kFormat, kBackup, kRestore, kRescue };
    // Runs one workflow of the core with the window busy and a progress
    // dialog whose Cancel (none for a restore) stops it between units of
    // work; reloads the card afterwards if asked, then shows the outcome.
    bool perform(Operation operation, bool reload_after, const std::function<host::Outcome()>& work);
    void show_outcome(const host::Outcome& outcome);
    // Reads the catalog and shows it, the thumbnails to follow.
    bool reload_view();
    // Reads one missing thumbnail; false if it cannot be read.
    bool load_next_thumbnail();
    void show_thumbnail(uint32_t position, const QImage& photo);
    QString tooltip(uint32_t position, const QImage& photo) const;
    QAction* add_action(const QString& label, const QKeySequence& key, std::function<void()> run);
    void set_busy(bool busy);
    void update_buttons();
    // A box of the window's own; returns the button pressed.
    int tell(const QString& message, int icon);
    QList<int> selected_positions() const;
    QString text(uint32_t id) { return from_library(core_.text(id)); }

    void on_button(uint32_t text_id);
    void save_selected();
    void delete_selected();

    host::Core& core_;
    host::CardState card_;
    // Photos by slot; a slot's photo changes only when it is written, which
    // needs it free (so not cached) or a restore (which clears all).
    QHash<int, QImage> cache_;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    std::vector<std::pair<uint32_t, QPushButton*>> buttons_;
    QAction* import_ = nullptr;
    QAction* rescue_ = nullptr;
    QAction* save_ = nullptr;
    QAction* delete_ = nullptr;
    QAction* reload_ = nullptr;
    QAction* quit_ = nullptr;
    // Positions whose thumbnails are still to be read, first first.
    std::vector<uint32_t> pending_;
    QTimer* loader_ = nullptr;
    bool loading_ = false;
    QPointer<QProgressDialog> progress_;
    QElapsedTimer repainted_;
    bool busy_ = false;
    Operation operation_ = Operation::kCatalog;
    bool declined_ = false;       // the last question was answered no
    bool close_pending_ = false;  // closing waits for the operation to stop
    bool unattended_ = false;
    std::vector<Run> runs_;
};

}  // namespace pixavon::gui
