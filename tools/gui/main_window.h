// The main window of pixavon-gui: the photos on the card as a thumbnail grid,
// the library's ten buttons and its status line. Every library call runs on
// the GUI thread; while one runs, a progress dialog follows the library's
// progress messages, the window keeps repainting and the buttons are off.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "camera_session.h"
#include "image.h"

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

class MainWindow : public QWidget, private host::HostWindow {
  Q_OBJECT

 public:
  explicit MainWindow(host::Library& library, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Opens the camera if need be and shows what its card holds. False if
  // there is no camera or its catalog cannot be read.
  bool load_catalog();

  // The operations, as the buttons run them once they know the files.
  bool upload(const QStringList& files);
  bool delete_photos(QList<int> positions);  // asks first
  bool save_photos(const QList<int>& positions, const QString& target);
  bool format_card();  // asks first
  bool backup_to(const QString& path);
  bool restore_from(const QString& path);  // asks first
  // A window with the photo at full size and at twice its size, nearest
  // neighbour and smooth; nullptr if it cannot be read.
  QDialog* photo_view(int position);
  QString about_text();

  // What the window shows, for checks.
  QListWidget* photos() const { return list_; }
  QLabel* status_line() const { return status_; }
  QPushButton* button(uint32_t text_id) const;
  const host::Catalog& catalog() const { return catalog_; }
  const PixavonWindow* host_window() const { return session_.window(); }
  bool busy() const { return busy_; }

  // One operation with a progress dialog: its label, the steps expected and
  // the progress messages that came.
  struct Run {
    uint32_t label_id = 0;
    int total = 0;
    int steps = 0;
  };
  const std::vector<Run>& runs() const { return runs_; }

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

 private:
  void on_progress() override;
  void on_box(bool owned, const std::string& caption, const std::string& text) override;

  // Runs `call` with a progress dialog labelled by string `label_id`;
  // true if it succeeded without a box.
  template <typename Call>
  bool run(uint32_t label_id, int total, Call&& call);
  // Reads the catalog and shows it; for operations that are already busy.
  bool reload_view();
  void set_busy(bool busy);
  void update_buttons();
  // A box of the window's own; returns the button pressed.
  int tell(const QString& text, bool question = false);
  QList<int> selected_positions() const;
  bool load_thumbnails();
  uint32_t capacity_code();
  QString text(uint32_t id) { return from_library(session_.text(id)); }

  void on_button(uint32_t text_id);

  host::Session session_;
  host::Catalog catalog_;
  bool catalog_ok_ = false;
  QString device_path_;
  // Photos by slot; a slot's photo changes only when it is written, which
  // needs it free (so not cached) or a restore (which clears all).
  QHash<int, QImage> cache_;
  QListWidget* list_ = nullptr;
  QLabel* status_ = nullptr;
  std::vector<std::pair<uint32_t, QPushButton*>> buttons_;
  QProgressDialog* progress_ = nullptr;
  QElapsedTimer repainted_;
  bool busy_ = false;
  std::vector<Run> runs_;
};

}  // namespace pixavon::gui
