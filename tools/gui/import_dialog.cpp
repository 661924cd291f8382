#include "import_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/window.h"
#include "dialogs.h"
#include "phrases.h"

namespace pixavon::gui {

ImportDialog::ImportDialog(Dialogs& dialogs, const ImportChoice& proposed, const QList<int>& selected, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), folder_(proposed.folder), selected_(selected) {
    const desktop::ImportDialogText text = desktop::import_dialog_text(static_cast<uint64_t>(selected.size()));
    setWindowTitle(qt(text.title));

    folder_label_ = new QLabel(this);
    folder_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* change = new QPushButton(qt(text.change), this);
    // Enter imports; only a click or Alt+C changes the folder.
    change->setAutoDefault(false);
    connect(change, &QPushButton::clicked, this, [this, title = qt(text.change_title)] {
        const QString chosen = dialogs_.folder(this, title, folder_);
        if (!chosen.isEmpty()) {
            folder_ = chosen;
            show_folder();
        }
    });
    auto* folder_row = new QHBoxLayout;
    folder_row->addWidget(folder_label_, 1);
    folder_row->addWidget(change);

    selected_only_ = new QCheckBox(qt(text.selected_only), this);
    selected_only_->setEnabled(!selected.isEmpty());
    selected_only_->setChecked(!selected.isEmpty() && !proposed.positions.isEmpty());
    delete_after_ = new QCheckBox(qt(text.delete_after), this);
    delete_after_->setToolTip(qt(text.delete_after_tip));
    delete_after_->setChecked(proposed.delete_after);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(qt(text.cancel));
    QPushButton* start = buttons->addButton(qt(text.import), QDialogButtonBox::AcceptRole);
    start->setAutoDefault(true);
    start->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    auto* to = new QLabel(qt(text.save_to), this);
    to->setBuddy(change);
    form->addRow(to, folder_row);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(qt(text.skipped), this));
    layout->addWidget(selected_only_);
    layout->addWidget(delete_after_);
    layout->addStretch(1);
    layout->addWidget(buttons);
    show_folder();
    start->setFocus();
}

void ImportDialog::show_folder() {
    // A long path is shortened in the middle; its tooltip holds all of it.
    const QString path = QDir::toNativeSeparators(folder_);
    folder_label_->setText(folder_label_->fontMetrics().elidedText(path, Qt::ElideMiddle, 520));
    folder_label_->setToolTip(path);
}

ImportChoice ImportDialog::choice() const {
    ImportChoice choice;
    choice.folder = folder_;
    if (selected_only_->isChecked()) choice.positions = selected_;
    choice.delete_after = delete_after_->isChecked();
    return choice;
}

}  // namespace pixavon::gui
