#include "locale_file_dialog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <vector>

#include "window_locale.h"

namespace pixavon::gui {
namespace {

constexpr int kIsFolderRole = Qt::UserRole;

struct Entry {
    QString name;
    bool folder = false;
};

enum class Kind { kMissing, kFile, kFolder, kOther };

Kind kind_of(const QString& path) {
    struct stat st {};
    if (::stat(encode_name(path).c_str(), &st) != 0) return Kind::kMissing;
    if (S_ISDIR(st.st_mode)) return Kind::kFolder;
    return S_ISREG(st.st_mode) ? Kind::kFile : Kind::kOther;
}

// The folder's entries, hidden ones left out; nullopt if it cannot be read.
std::optional<std::vector<Entry>> list_folder(const QString& folder) {
    const std::string path = encode_name(folder);
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<Entry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), name.c_str(), &st, 0) != 0) continue;
        entries.push_back({decode_name(name), S_ISDIR(st.st_mode)});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.folder != b.folder) return a.folder;
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return entries;
}

QString joined(const QString& folder, const QString& name) {
    if (QDir::isAbsolutePath(name)) return QDir::cleanPath(name);
    return QDir::cleanPath(folder + '/' + name);
}

}  // namespace

LocaleFileDialog::LocaleFileDialog(QWidget* parent, Mode mode, const QString& title, const QString& start,
                                   const QString& filter)
    : QDialog(parent), mode_(mode) {
    setWindowTitle(title);
    auto* up = new QToolButton(this);
    up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up->setToolTip(tr("Up one folder"));
    up->setAutoRaise(true);
    location_ = new QLineEdit(this);
    location_->setAccessibleName(tr("Folder"));
    list_ = new QListWidget(this);
    list_->setSelectionMode(mode == Mode::kOpenMany ? QAbstractItemView::ExtendedSelection
                                                    : QAbstractItemView::SingleSelection);
    name_ = new QLineEdit(this);
    filters_ = new QComboBox(this);
    for (const QString& one : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) filters_->addItem(one);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    const QString verb = mode == Mode::kSave ? tr("&Save") : mode == Mode::kFolder ? tr("C&hoose") : tr("&Open");
    ok_ = buttons->addButton(verb, QDialogButtonBox::AcceptRole);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &LocaleFileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(up);
    top->addWidget(location_, 1);
    auto* form = new QFormLayout;
    form->addRow(mode == Mode::kFolder ? tr("Folder &name:") : tr("File &name:"), name_);
    if (filters_->count() > 0) form->addRow(tr("&Type:"), filters_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(620, 440);

    connect(up, &QToolButton::clicked, this, [this] { show_folder(QFileInfo(folder_).path()); });
    connect(location_, &QLineEdit::returnPressed, this, [this] {
        if (!show_folder(location_->text())) location_->setText(folder_);
    });
    connect(filters_, &QComboBox::currentIndexChanged, this, [this] { show_folder(folder_); });
    connect(list_, &QListWidget::itemSelectionChanged, this, &LocaleFileDialog::picked);
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (item->data(kIsFolderRole).toBool()) {
            show_folder(joined(folder_, item->text()));
        } else {
            accept();
        }
    });

    QString folder = start.isEmpty() ? QDir::homePath() : start;
    if (mode == Mode::kSave && kind_of(folder) != Kind::kFolder) {
        name_->setText(QFileInfo(folder).fileName());
        folder = QFileInfo(folder).path();
    }
    if (!show_folder(folder)) show_folder(QDir::homePath());
    name_->setFocus();
}

QStringList LocaleFileDialog::patterns() const {
    // "Pictures (*.png *.jpg)": the patterns between the parentheses.
    static const QRegularExpression within(QStringLiteral("\\(([^)]*)\\)\\s*$"));
    const QRegularExpressionMatch match = within.match(filters_->currentText());
    if (!match.hasMatch()) return {};
    return match.captured(1).split(' ', Qt::SkipEmptyParts);
}

bool LocaleFileDialog::show_folder(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    const std::optional<std::vector<Entry>> entries = list_folder(clean);
    if (!entries) return false;
    folder_ = clean;
    location_->setText(QDir::toNativeSeparators(folder_));
    list_->clear();
    QList<QRegularExpression> matches;
    for (const QString& pattern : patterns()) {
        matches << QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                      QRegularExpression::CaseInsensitiveOption);
    }
    for (const Entry& entry : *entries) {
        if (!entry.folder) {
            if (mode_ == Mode::kFolder) continue;
            const bool wanted = matches.isEmpty() || std::any_of(matches.begin(), matches.end(), [&](const auto& m) {
                                    return m.match(entry.name).hasMatch();
                                });
            if (!wanted) continue;
        }
        auto* item = new QListWidgetItem(style()->standardIcon(entry.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon),
                                         entry.name, list_);
        item->setData(kIsFolderRole, entry.folder);
    }
    return true;
}

QStringList LocaleFileDialog::names() const {
    QStringList names;
    for (int i = 0; i < list_->count(); ++i) names << list_->item(i)->text();
    return names;
}

void LocaleFileDialog::set_name(const QString& name) {
    const QList<QListWidgetItem*> found = list_->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty()) {
        list_->setCurrentItem(found.constFirst());
    } else {
        name_->setText(name);
    }
}

void LocaleFileDialog::picked() {
    QStringList names;
    for (const QListWidgetItem* item : list_->selectedItems()) {
        const bool folder = item->data(kIsFolderRole).toBool();
        if (folder == (mode_ == Mode::kFolder)) names << item->text();
    }
    if (names.isEmpty()) return;
    name_->setText(names.size() == 1 ? names.constFirst() : '"' + names.join(QStringLiteral("\" \"")) + '"');
}

void LocaleFileDialog::accept() {
    QStringList names;
    const QString typed = name_->text().trimmed();
    if (mode_ == Mode::kOpenMany && typed.startsWith('"')) {
        for (const QString& part : typed.split('"', Qt::SkipEmptyParts)) {
            if (!part.trimmed().isEmpty()) names << part;
        }
    } else if (!typed.isEmpty()) {
        names << typed;
    }
    QStringList paths;
    for (const QString& name : names) paths << joined(folder_, name);
    const auto refuse = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
    switch (mode_) {
        case Mode::kFolder:
            if (paths.isEmpty()) paths << folder_;
            if (kind_of(paths.constFirst()) != Kind::kFolder) {
                return refuse(tr("There is no folder %1.").arg(QDir::toNativeSeparators(paths.constFirst())));
            }
            break;
        case Mode::kOpen:
        case Mode::kOpenMany:
            if (paths.isEmpty()) return;
            if (paths.size() == 1 && kind_of(paths.constFirst()) == Kind::kFolder) {
                show_folder(paths.constFirst());
                name_->clear();
                return;
            }
            for (const QString& path : paths) {
                if (kind_of(path) != Kind::kFile) {
                    return refuse(tr("There is no file %1.").arg(QDir::toNativeSeparators(path)));
                }
            }
            break;
        case Mode::kSave: {
            if (paths.isEmpty()) return;
            const Kind kind = kind_of(paths.constFirst());
            if (kind == Kind::kFolder) {
                show_folder(paths.constFirst());
                name_->clear();
                return;
            }
            if (kind != Kind::kMissing &&
                QMessageBox::question(
                    this, windowTitle(),
                    tr("%1 already exists. Replace it?").arg(QFileInfo(paths.constFirst()).fileName()),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
                return;
            }
            break;
        }
    }
    chosen_ = paths;
    QDialog::accept();
}

}  // namespace pixavon::gui
