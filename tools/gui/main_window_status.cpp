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
    const QString name = card.image.isEmpty() ? tr("Camera") : card.name;
    setWindowTitle(tr("%1 — Pixavon").arg(name));
    if (card.usable) {
        usage_->setText(tr("%n photos, %1 free (%2 MiB card)", nullptr, static_cast<int>(card.slots.size()))
                            .arg(card.free())
                            .arg(card.card_mib));
    } else if (card.card_mib != 0) {
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

void MainWindow::warn(const Trouble& warning) { dialogs_.show(this, Phrases::warning(warning)); }

}  // namespace pixavon::gui
