// The main window's actions (see main_window.h), as the shared layer has
// them: each one's label, shortcut and tooltip, the QAction standing for it,
// and which are open to the person in the window's state.
#include <QAction>
#include <QItemSelectionModel>
#include <QListView>

#include "desktop/actions.h"
#include "main_window.h"
#include "phrases.h"

namespace pixavon::gui {
namespace {

QString button_text(const QString& label) { return qt(desktop::button_text(label.toStdString())); }

QKeySequence keys_of(const desktop::ActionInfo& info) {
    switch (info.standard) {
        case desktop::StandardKey::kOpen:
            return QKeySequence::Open;
        case desktop::StandardKey::kQuit:
            return QKeySequence::Quit;
        case desktop::StandardKey::kSave:
            return QKeySequence::Save;
        case desktop::StandardKey::kDelete:
            return QKeySequence::Delete;
        case desktop::StandardKey::kRefresh:
            return QKeySequence::Refresh;
        case desktop::StandardKey::kNone:
            break;
    }
    return QKeySequence(QString::fromLatin1(info.keys), QKeySequence::PortableText);
}

}  // namespace

QAction* MainWindow::add_action(desktop::Action which, void (MainWindow::*run)()) {
    const desktop::ActionInfo& info = desktop::info(which);
    const QString text = qt(desktop::label(which));
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(info.name));
    action->setIconText(button_text(text));
    action->setShortcut(keys_of(info));
    if (const QString tip = qt(desktop::tooltip(which)); !tip.isEmpty()) action->setToolTip(tip);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, run] {
        if (!busy_) (this->*run)();
    });
    return action;
}

void MainWindow::build_actions() {
    using A = desktop::Action;
    open_image_ = add_action(A::kOpenImage, &MainWindow::open_image);
    quit_ = add_action(A::kQuit, &MainWindow::quit);
    import_ = add_action(A::kImport, &MainWindow::import_photos);
    import_->setIcon(QIcon::fromTheme(QStringLiteral("document-import")));
    import_new_ = add_action(A::kImportNew, &MainWindow::import_new);
    import_selected_ = add_action(A::kImportSelected, &MainWindow::import_selected);
    add_ = add_action(A::kAdd, &MainWindow::add_pictures);
    add_->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    save_ = add_action(A::kSave, &MainWindow::save_selected);
    save_->setIcon(QIcon::fromTheme(QStringLiteral("document-save-as")));
    view_ = add_action(A::kView, &MainWindow::view_selected);
    delete_ = add_action(A::kDelete, &MainWindow::delete_selected);
    delete_->setIcon(QIcon::fromTheme(QStringLiteral("edit-delete")));
    reload_ = add_action(A::kReload, &MainWindow::reload);
    reload_->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh")));
    backup_ = add_action(A::kBackup, &MainWindow::back_up);
    restore_ = add_action(A::kRestore, &MainWindow::restore);
    format_ = add_action(A::kFormat, &MainWindow::format);
    rescue_ = add_action(A::kRescue, &MainWindow::rescue);
    put_back_ = add_action(A::kPutBack, &MainWindow::offer_put_back);
    about_ = add_action(A::kAbout, &MainWindow::about);
    // Cancel is the operation's, open while the window is busy.
    cancel_ = new QAction(qt(desktop::label(A::kCancel)), this);
    cancel_->setObjectName(QString::fromLatin1(desktop::info(A::kCancel).name));
    cancel_->setShortcut(keys_of(desktop::info(A::kCancel)));
    addAction(cancel_);
    connect(cancel_, &QAction::triggered, this, [this] {
        if (busy_) worker_.cancel();
    });
}

QAction* MainWindow::action(desktop::Action which) const {
    using A = desktop::Action;
    switch (which) {
        case A::kOpenImage:
            return open_image_;
        case A::kReload:
            return reload_;
        case A::kQuit:
            return quit_;
        case A::kImport:
            return import_;
        case A::kImportNew:
            return import_new_;
        case A::kImportSelected:
            return import_selected_;
        case A::kAdd:
            return add_;
        case A::kSave:
            return save_;
        case A::kView:
            return view_;
        case A::kDelete:
            return delete_;
        case A::kBackup:
            return backup_;
        case A::kRestore:
            return restore_;
        case A::kFormat:
            return format_;
        case A::kRescue:
            return rescue_;
        case A::kPutBack:
            return put_back_;
        case A::kAbout:
            return about_;
        case A::kCancel:
            return cancel_;
        case A::kSeparator:
            break;
    }
    return nullptr;
}

void MainWindow::update_actions() {
    desktop::WindowState state;
    state.busy = busy_;
    state.operation = operation_;
    state.connected = card_.connected;
    state.usable = card_.usable;
    state.photos = static_cast<uint32_t>(card_.slots.size());
    state.free = card_.free();
    state.card_mib = card_.card_mib;
    state.rescued = rescued_.kept();
    state.format_in_camera = rescued_.format_in_camera;
    state.selected = static_cast<size_t>(grid_->selectionModel()->selectedIndexes().size());
    const desktop::Enabled open = desktop::enabled(state);
    for (size_t i = 0; i < desktop::kActionCount; ++i) {
        if (QAction* shown = action(static_cast<desktop::Action>(i))) shown->setEnabled(open[i]);
    }
}

}  // namespace pixavon::gui
