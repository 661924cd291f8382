// The main window's view of the card (see main_window.h): the card's use in
// the status bar, the notice above the grid when the card cannot be used as
// it is, the photos asked for in the order they are in view, the progress of
// the operation under way, and watching for a camera plugged in or unplugged.
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QToolButton>

#include "desktop/window.h"
#include "dialogs.h"
#include "main_window.h"
#include "photo_model.h"
#include "phrases.h"
#include "window_locale.h"

namespace pixavon::gui {

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

void MainWindow::on_card_loaded(quint64 generation, const CardInfo& card) {
    card_ = card;
    model_->reset(generation, card);
    model_->set_device_pixel_ratio(devicePixelRatioF());
    const desktop::CardState state = neutral(card);
    setWindowTitle(qt(desktop::window_title(state)));
    usage_->setText(qt(desktop::card_usage(state)));
    // What the card holds now, not the rescued pictures, once it is usable.
    desktop::follow_card(rescued_, state);
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
    const desktop::Notice said = desktop::notice(neutral(card_), rescued_);
    if (said.headline.empty()) {
        notice_text_->setTextFormat(Qt::PlainText);
        notice_text_->setText(qt(said.body));
    } else {
        notice_text_->setTextFormat(Qt::RichText);
        notice_text_->setText(
            QStringLiteral("<b>%1</b><br>%2").arg(qt(said.headline).toHtmlEscaped(), qt(said.body).toHtmlEscaped()));
    }
    notice_text_->setToolTip(qt(said.tooltip));
    QAction* offer = said.shown ? action(said.offer) : nullptr;
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

void MainWindow::warn(const Trouble& warning) { dialogs_.show(this, Phrases::warning(warning)); }

}  // namespace pixavon::gui
