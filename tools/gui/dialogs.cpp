#include "dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "import_dialog.h"

namespace pixavon::gui {

Message::Reply DesktopDialogs::show(QWidget* parent, const Message& message) {
    QMessageBox::Icon icon = QMessageBox::Information;
    if (message.kind == Message::Kind::kWarning) icon = QMessageBox::Warning;
    if (message.kind == Message::Kind::kQuestion) icon = QMessageBox::Question;
    QMessageBox box(icon, parent != nullptr ? parent->window()->windowTitle() : QString(), message.headline,
                    QMessageBox::NoButton, parent);
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
    return QFileDialog::getOpenFileNames(parent, tr("Add pictures"), QString(),
                                         tr("Pictures (%1);;All files (*)").arg(patterns.join(' ')));
}

QString DesktopDialogs::open_file(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString DesktopDialogs::save_file(QWidget* parent, const QString& title, const QString& suggested,
                                  const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

QString DesktopDialogs::folder(QWidget* parent, const QString& title, const QString& start) {
    QString existing = start;
    // The dialog opens where the folder is, or would be.
    for (int up = 0; up < 64 && !existing.isEmpty() && !QFileInfo(existing).isDir(); ++up) {
        existing = QFileInfo(existing).path();
    }
    return QFileDialog::getExistingDirectory(parent, title, existing);
}

std::optional<ImportChoice> DesktopDialogs::import_choice(QWidget* parent, const ImportChoice& proposed,
                                                          const QList<int>& selected) {
    ImportDialog dialog(*this, proposed, selected, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

bool DesktopDialogs::open_folder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

}  // namespace pixavon::gui
