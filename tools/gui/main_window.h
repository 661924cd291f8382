// The main window of pixavon-gui: the photos on the card as a thumbnail grid,
// the library's ten buttons and its status line. Every workflow is the host
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

class QDialog;
class QLabel;
class QListWidget;
class QMessageBox;
class QProgressDialog;
class QPushButton;

namespace pixavon::gui {

// A library text as Qt text: UTF-8, or else the codeset that the locale
// variables name, as the library encodes it.
QString from_library(const std::string& text);
// Pixels for Qt, and back for the camera.
QImage to_qimage(const host::Image& image);
host::Image from_qimage(const QImage& image);

class MainWindow : public QWidget, public host::Frontend {
  Q_OBJECT

 public:
  explicit MainWindow(host::Core& core, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Opens the camera if need be and shows what its card holds. False if
  // there is no camera, its catalog cannot be used or a photo cannot be read.
  bool load_catalog();

  // The operations, as the buttons run them once they know the files; true
  // when the core's outcome is done.
  bool upload(const QStringList& files);
  bool delete_photos(const QList<int>& positions);  // asks first
  bool save_photos(const QList<int>& positions, const QString& target);
  bool format_card();  // asks first
  bool backup_to(const QString& path);
  bool restore_from(const QString& path);  // asks first
  // A window with the photo at full size and at twice its size, nearest
  // neighbour and smooth; nullptr if it cannot be read.
  QDialog* photo_view(int position);
  QString about_text();

  // No modal boxes (for --screenshot): their texts go to standard error and
  // questions are answered no.
  void set_unattended(bool unattended) { unattended_ = unattended; }

  // What the window shows, for checks.
  QListWidget* photos() const { return list_; }
  QLabel* status_line() const { return status_; }
  QPushButton* button(uint32_t text_id) const;
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
  Answer confirm(const std::string& question) override;
  void begin(const host::Step& step) override;
  void advance() override;
  void end(bool ok) override;
  void box(bool owned, const std::string& caption, const std::string& text) override;
  void note(const std::string& line) override;
  void warn(const std::string& line) override;

 protected:
  // Shows a modal box and returns the button pressed; replaced in tests.
  virtual int present(QMessageBox& box);
  virtual QStringList ask_pictures();
  virtual QString ask_save_target(const QList<int>& positions);
  virtual QString ask_backup_file();
  virtual QString ask_restore_file();

  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* target, QEvent* event) override;

 private:
  enum class Stop { kCancel, kNever };
  // Runs one workflow of the core with the window busy and a progress
  // dialog whose Cancel (unless kNever) stops it between units of work;
  // reloads the card afterwards if asked, then shows the outcome.
  bool perform(Stop stop, bool reload_after, const std::function<host::Outcome()>& work);
  void show_outcome(const host::Outcome& outcome);
  // Reads the catalog and shows it; for operations that are already busy.
  bool reload_view();
  bool load_thumbnails();
  void set_busy(bool busy);
  void update_buttons();
  // A box of the window's own; returns the button pressed.
  int tell(const QString& text, int icon);
  QList<int> selected_positions() const;
  QString text(uint32_t id) { return from_library(core_.text(id)); }

  void on_button(uint32_t text_id);

  host::Core& core_;
  host::CardState card_;
  // Photos by slot; a slot's photo changes only when it is written, which
  // needs it free (so not cached) or a restore (which clears all).
  QHash<int, QImage> cache_;
  QListWidget* list_ = nullptr;
  QLabel* status_ = nullptr;
  std::vector<std::pair<uint32_t, QPushButton*>> buttons_;
  QPointer<QProgressDialog> progress_;
  QElapsedTimer repainted_;
  bool busy_ = false;
  Stop stop_ = Stop::kCancel;
  bool declined_ = false;       // the last question was answered no
  bool close_pending_ = false;  // closing waits for the operation to stop
  bool unattended_ = false;
  std::vector<Run> runs_;
};

}  // namespace pixavon::gui
