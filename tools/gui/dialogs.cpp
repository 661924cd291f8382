#include "dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "desktop/window.h"
#include "import_dialog.h"
#include "locale_file_dialog.h"
#include "phrases.h"
#include "window_locale.h"

namespace pixavon::gui {
namespace {

// Paths chosen in a file dialog: the desktop's own, except in a locale whose
// codeset is not UTF-8, whose names only a dialog of our own shows right.
QStringList ask_paths(QWidget* parent, QFileDialog::FileMode mode, QFileDialog::AcceptMode accept, const QString& title,
                      const QString& start, const QString& filter) {
    if (!names_in_utf8()) {
        using Mode = LocaleFileDialog::Mode;
        Mode own = Mode::kOpen;
        if (mode == QFileDialog::ExistingFiles) own = Mode::kOpenMany;
        if (mode == QFileDialog::Directory) own = Mode::kFolder;
        if (accept == QFileDialog::AcceptSave) own = Mode::kSave;
        LocaleFileDialog dialog(parent, own, title, start, filter);
        if (dialog.exec() != QDialog::Accepted) return {};
        return dialog.chosen();
    }
    QFileDialog dialog(parent, title, start, filter);
    dialog.setFileMode(mode);
    dialog.setAcceptMode(accept);
    if (mode == QFileDialog::Directory) dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString ask_path(QWidget* parent, QFileDialog::FileMode mode, QFileDialog::AcceptMode accept, const QString& title,
                 const QString& start, const QString& filter) {
    const QStringList paths = ask_paths(parent, mode, accept, title, start, filter);
    return paths.isEmpty() ? QString() : paths.constFirst();
}

}  // namespace

Message::Reply DesktopDialogs::show(QWidget* parent, const Message& message) {
    QMessageBox::Icon icon = QMessageBox::Information;
    if (message.kind == Message::Kind::kWarning) icon = QMessageBox::Warning;
    if (message.kind == Message::Kind::kQuestion) icon = QMessageBox::Question;
    QString title = message.title;
    if (title.isEmpty() && parent != nullptr) title = parent->window()->windowTitle();
    QMessageBox box(icon, title, message.headline, QMessageBox::NoButton, parent);
    if (!message.title.isEmpty() && !QApplication::windowIcon().isNull()) {
        box.setIconPixmap(QApplication::windowIcon().pixmap(64));
    }
    box.setInformativeText(message.details);
    QList<std::pair<QAbstractButton*, Message::Reply>> replies;
    for (const Message::Button& button : message.buttons) {
        const QMessageBox::ButtonRole role =
            button.reply == Message::Reply::kYes ? QMessageBox::AcceptRole : QMessageBox::ActionRole;
        replies.append({box.addButton(button.text, role), button.reply});
    }
    QPushButton* close =
        message.kind == Message::Kind::kQuestion ? box.addButton(QMessageBox::Cancel) : box.addButton(QMessageBox::Ok);
    box.setDefaultButton(close);
    box.setEscapeButton(close);
    box.exec();
    for (const auto& [button, reply] : replies) {
        if (box.clickedButton() == button) return reply;
    }
    return Message::Reply::kOk;
}

QStringList DesktopDialogs::pictures(QWidget* parent) {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << "*." + QString::fromLatin1(format);
    return ask_paths(parent, QFileDialog::ExistingFiles, QFileDialog::AcceptOpen, qt(desktop::add_pictures_title()),
                     QString(), qt(desktop::picture_file_filter(patterns.join(' ').toStdString())));
}

QString DesktopDialogs::open_file(QWidget* parent, const QString& title, const QString& filter) {
    return ask_path(parent, QFileDialog::ExistingFile, QFileDialog::AcceptOpen, title, QString(), filter);
}

QString DesktopDialogs::save_file(QWidget* parent, const QString& title, const QString& suggested,
                                  const QString& filter) {
    return ask_path(parent, QFileDialog::AnyFile, QFileDialog::AcceptSave, title, suggested, filter);
}

QString DesktopDialogs::folder(QWidget* parent, const QString& title, const QString& start) {
    QString existing = start;
    // The dialog opens where the folder is, or would be.
    for (int up = 0; up < 64 && !existing.isEmpty() && !is_folder(existing); ++up) {
        existing = QFileInfo(existing).path();
    }
    return ask_path(parent, QFileDialog::Directory, QFileDialog::AcceptOpen, title, existing, QString());
}

std::optional<ImportChoice> DesktopDialogs::import_choice(QWidget* parent, const ImportChoice& proposed,
                                                          const QList<int>& selected) {
    ImportDialog dialog(*this, proposed, selected, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

bool DesktopDialogs::open_folder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(to_qt_path(folder)));
}

}  // namespace pixavon::gui
