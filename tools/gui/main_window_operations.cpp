// The main window's operations on the card (see main_window.h): asking what
// each needs (files, folders, the import's choices), starting it on the
// worker with the window busy until it ends, and telling how it ended,
// including what follows one (a rescue asking the card's size, putting
// rescued pictures back after a format).
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include "desktop/window.h"
#include "dialogs.h"
#include "main_window.h"
#include "photo_model.h"
#include "photo_view.h"
#include "phrases.h"
#include "window_locale.h"

#ifndef PIXAVON_VERSION
#  define PIXAVON_VERSION "unknown"
#endif

namespace pixavon::gui {
namespace {

QString card_image_filter() { return qt(desktop::card_image_filter()); }

}  // namespace

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
    set_import_folder(choice->folder);
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
        target = dialogs_.save_file(this, qt(desktop::save_photo_title(static_cast<uint32_t>(positions[0]))),
                                    QDir(import_folder()).filePath(QStringLiteral("photo-%1.png").arg(positions[0])),
                                    qt(desktop::photo_file_filter()));
    } else {
        target = dialogs_.folder(this, qt(desktop::save_photos_title(static_cast<uint64_t>(positions.size()))),
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
        activity_->setText(qt(desktop::photo_not_read_yet(static_cast<uint32_t>(positions[0]))));
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
    const QString file =
        dialogs_.save_file(this, qt(desktop::back_up_title()),
                           QDir(import_folder()).filePath(QStringLiteral("card.bin")), card_image_filter());
    if (file.isEmpty()) return;
    start(Operation::kBackup, [worker = &worker_, file] { worker->backup(file); });
}

void MainWindow::restore() {
    const QString file = dialogs_.open_file(this, qt(desktop::restore_title()), card_image_filter());
    if (file.isEmpty()) return;
    start(Operation::kRestore, [worker = &worker_, file] { worker->restore(file); });
}

void MainWindow::format() {
    start(Operation::kFormat, [worker = &worker_] { worker->format(); });
}

void MainWindow::rescue() {
    const QString folder = dialogs_.folder(this, qt(desktop::rescue_folder_title()), import_folder());
    if (folder.isEmpty()) return;
    pending_folder_ = folder;
    start(Operation::kRescue, [worker = &worker_, folder] { worker->rescue(folder, 0); });
}

void MainWindow::open_image() {
    const QString file = dialogs_.open_file(this, qt(desktop::open_image_title()), card_image_filter());
    if (file.isEmpty()) return;
    pending_folder_ = file;
    start(Operation::kOpenImage, [worker = &worker_, file] { worker->open_image(file); });
}

void MainWindow::quit() { close(); }

void MainWindow::about() { tell(message_of(desktop::about(PIXAVON_VERSION))); }

void MainWindow::offer_put_back() {
    const QString folder = QDir::fromNativeSeparators(qt(rescued_.folder));
    rescued_ = {};
    update_notice();
    update_actions();
    QStringList files;
    for (const QString& name : files_in(folder, QStringLiteral(".png"))) files << folder + '/' + name;
    if (files.isEmpty()) return;
    const Message question = message_of(desktop::put_back_question(static_cast<uint64_t>(files.size()),
                                                                   QDir::toNativeSeparators(folder).toStdString()));
    if (dialogs_.show(this, question) == Message::Reply::kYes) add_files(files);
}

void MainWindow::on_finished(const Result& result) {
    busy_ = false;
    bar_->hide();
    cancel_button_->hide();
    activity_->clear();
    QApplication::restoreOverrideCursor();
    const desktop::Aftermath next = desktop::after(neutral(result), card_.usable, rescued_.kept(), close_pending_);
    if (next.redraw_photos) {
        model_->forget_pictures();
        request_photos();
    }
    // Positions still name the same photos unless the import deleted some.
    if (!result.card_changed) {
        for (const auto& [position, file] : result.files) model_->set_imported_as(position, file);
    }
    update_actions();
    if (next.ask_card_size) {
        const Message::Reply size = dialogs_.show(this, Phrases::card_size_question());
        if (size == Message::Reply::kEightMiB || size == Message::Reply::kSixteenMiB) {
            const int mib = size == Message::Reply::kEightMiB ? 8 : 16;
            start(Operation::kRescue,
                  [worker = &worker_, folder = pending_folder_, mib] { worker->rescue(folder, mib); });
            return;
        }
    }
    if (next.remember_rescued) {
        rescued_ = desktop::rescued_from(neutral(result), neutral(card_),
                                         QDir::toNativeSeparators(result.folder).toStdString());
        update_notice();
        update_actions();
    }
    show_result(result);
    if (next.offer_put_back) {
        offer_put_back();
        if (busy_) return;
    }
    Q_EMIT idle();
    if (close_pending_) QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::show_result(const Result& result) {
    const Report report = Phrases::result(result, rescued_);
    if (!report.status.isEmpty()) activity_->setText(report.status);
    if (report.box) tell(*report.box, report.folder);
}

void MainWindow::tell(const Message& message, const QString& folder) {
    if (dialogs_.show(this, message) != Message::Reply::kOpenFolder) return;
    if (dialogs_.open_folder(folder)) return;
    dialogs_.show(this, message_of(desktop::no_file_manager(QDir::toNativeSeparators(folder).toStdString())));
}

}  // namespace pixavon::gui
