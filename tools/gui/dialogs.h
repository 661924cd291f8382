// What the window asks and tells a person: every box and file dialog goes
// through Dialogs, which the program gives the window (DesktopDialogs) and
// tests replace with answers of their own.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "card_worker.h"

class QWidget;

namespace pixavon::gui {

// A box: a headline, the details below it, and the buttons it offers.
struct Message {
    using Kind = desktop::MessageKind;
    // What a button does; kOk closes the box (for a question: no).
    using Reply = desktop::Reply;
    struct Button {
        Reply reply;
        QString text;
    };
    Kind kind = Kind::kInformation;
    QString title;  // the box's own title; empty: the window's
    QString headline;
    QString details;
    QList<Button> buttons;  // besides OK (Cancel for a question)
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Message::Reply show(QWidget* parent, const Message& message) = 0;
    // Pictures to add to the card.
    virtual QStringList pictures(QWidget* parent) = 0;
    // A file to open (a card image) or to save to; empty when cancelled.
    virtual QString open_file(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString save_file(QWidget* parent, const QString& title, const QString& suggested,
                              const QString& filter) = 0;
    virtual QString folder(QWidget* parent, const QString& title, const QString& start) = 0;
    // The import's choices, starting from `proposed`; nullopt when cancelled.
    virtual std::optional<ImportChoice> import_choice(QWidget* parent, const ImportChoice& proposed,
                                                      const QList<int>& selected) = 0;
    // Shows a folder in the desktop's file manager; false if none started.
    virtual bool open_folder(const QString& folder) = 0;
};

// The desktop's own boxes and file dialogs.
class DesktopDialogs : public Dialogs {
    Q_DECLARE_TR_FUNCTIONS(DesktopDialogs)

public:
    Message::Reply show(QWidget* parent, const Message& message) override;
    QStringList pictures(QWidget* parent) override;
    QString open_file(QWidget* parent, const QString& title, const QString& filter) override;
    QString save_file(QWidget* parent, const QString& title, const QString& suggested, const QString& filter) override;
    QString folder(QWidget* parent, const QString& title, const QString& start) override;
    std::optional<ImportChoice> import_choice(QWidget* parent, const ImportChoice& proposed,
                                              const QList<int>& selected) override;
    bool open_folder(const QString& folder) override;
};

}  // namespace pixavon::gui
