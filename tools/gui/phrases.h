// What the window says about the card's work, in its own words: the progress
// of an operation, the questions before what cannot be undone, and how each
// operation ended. Nothing here is the library's or the command line's text.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <optional>

#include "card_worker.h"
#include "dialogs.h"

namespace pixavon::gui {

// How an operation ended, as the window tells it: a line in the status bar,
// or a box (which may offer to open `folder`).
struct Report {
    QString status;
    std::optional<Message> box;
    QString folder;
};

class Phrases {
    Q_DECLARE_TR_FUNCTIONS(Phrases)

public:
    // "Importing photo 9 of 30 — about 2 minutes left".
    static QString progress(const Progress& progress, qint64 elapsed_ms);
    static Message question(const Question& question);
    static Report result(const Result& result);
    // A warning of the core's (a restore left unfinished), with what to do.
    static Message warning(const Trouble& warning);
    // What the person can do about `trouble`, with the window's menus.
    static QString hint(const Trouble& trouble);
    // The core's sentence and the hint, one under the other.
    static QString explain(const Trouble& trouble, const QString& otherwise);
    // Asks how large a card is that reads blank.
    static Message card_size_question();
};

}  // namespace pixavon::gui
