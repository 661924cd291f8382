// A file dialog for locales whose codeset is not UTF-8 (zh_CN.GBK, ja_JP.eucJP).
// Qt's own dialogs read every file name as UTF-8: under GBK they show some
// names garbled (图片 as "ͼƬ") and leave out every name that is not valid
// UTF-8 (照片.png, 导入). This one lists folders with the system's calls and
// shows and returns the names in the locale's codeset.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pixavon::gui {

class LocaleFileDialog : public QDialog {
    Q_OBJECT

public:
    enum class Mode { kOpen, kOpenMany, kSave, kFolder };
    // `start`: the folder to show, or for kSave the file to suggest;
    // `filter`: "Pictures (*.png *.jpg);;All files (*)" as Qt's dialogs take it.
    LocaleFileDialog(QWidget* parent, Mode mode, const QString& title, const QString& start, const QString& filter);

    // The folder shown, and the names in it, folders first.
    const QString& folder() const { return folder_; }
    QStringList names() const;
    // Shows `folder`; false (and nothing changed) if it cannot be listed.
    bool show_folder(const QString& folder);
    // The name typed or picked: a file's, or for kFolder a folder's.
    void set_name(const QString& name);
    // What was chosen, once accepted: paths as text.
    const QStringList& chosen() const { return chosen_; }

    void accept() override;

private:
    QStringList patterns() const;
    void picked();

    Mode mode_;
    QString folder_;
    QStringList chosen_;
    QLineEdit* location_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* filters_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace pixavon::gui
