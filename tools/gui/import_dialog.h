// The import's few choices before it starts: where the photos go (shown, and
// changed with the folder dialog), only the selected photos or every new one,
// and whether the card keeps them afterwards.
#pragma once

#include <QDialog>
#include <QList>

#include "card_worker.h"

class QCheckBox;
class QLabel;

namespace pixavon::gui {

class Dialogs;

class ImportDialog : public QDialog {
    Q_OBJECT

public:
    // `selected`: the positions selected in the grid, offered as "selected
    // photos only" when there are any.
    ImportDialog(Dialogs& dialogs, const ImportChoice& proposed, const QList<int>& selected, QWidget* parent = nullptr);
    ImportChoice choice() const;

private:
    void show_folder();

    Dialogs& dialogs_;
    QString folder_;
    QList<int> selected_;
    QLabel* folder_label_ = nullptr;
    QCheckBox* selected_only_ = nullptr;
    QCheckBox* delete_after_ = nullptr;
};

}  // namespace pixavon::gui
