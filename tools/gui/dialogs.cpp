#include "dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QIdentityProxyModel>
#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "import_dialog.h"
#include "window_locale.h"

namespace pixavon::gui {
namespace {

// File names in Qt's own file dialog as the locale writes them (Qt 6 reads
// them as UTF-8 whatever the codeset: 图片 in GBK would show as "ͼƬ").
class LocaleNames : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        QVariant value = QIdentityProxyModel::data(index, role);
        if (role == Qt::DisplayRole && index.column() == 0) return from_qt_path(value.toString());
        return value;
    }
};

// A file dialog: the desktop's own, except in a locale whose codeset is not
// UTF-8, where only Qt's own can be made to show the names right.
QString ask_path(QWidget* parent, QFileDialog::FileMode mode, QFileDialog::AcceptMode accept, const QString& title,
                 const QString& start, const QString& filter) {
    QFileDialog dialog(parent, title, to_qt_path(start), filter);
    dialog.setFileMode(mode);
    dialog.setAcceptMode(accept);
    if (mode == QFileDialog::Directory) dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!names_in_utf8()) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setProxyModel(new LocaleNames(&dialog));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return from_qt_path(dialog.selectedFiles().constFirst());
}

}  // namespace

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
    return ask_path(parent, QFileDialog::ExistingFile, QFileDialog::AcceptOpen, title, QString(), filter);
}

QString DesktopDialogs::save_file(QWidget* parent, const QString& title, const QString& suggested,
                                  const QString& filter) {
    return ask_path(parent, QFileDialog::AnyFile, QFileDialog::AcceptSave, title, suggested, filter);
}

QString DesktopDialogs::folder(QWidget* parent, const QString& title, const QString& start) {
    QString existing = start;
    // The dialog opens where the folder is, or would be.
    for (int up = 0; up < 64 && !existing.isEmpty() && !QFileInfo(to_qt_path(existing)).isDir(); ++up) {
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
