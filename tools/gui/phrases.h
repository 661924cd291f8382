// The windows' shared words (tools/desktop) as the Qt window takes them: its
// types turned into the shared layer's neutral ones, and the texts and boxes
// back into QString. What is said is decided there, never here.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "card_worker.h"
#include "desktop/outcome.h"
#include "desktop/window.h"
#include "dialogs.h"

namespace pixavon::gui {

// How an operation ended, as the window tells it: a line in the status bar,
// or a box (which may offer to open `folder`).
struct Report {
    QString status;
    std::optional<Message> box;
    QString folder;
};

inline QString qt(const std::string& text) { return QString::fromStdString(text); }
Message message_of(const desktop::Message& message);
desktop::Trouble neutral(const Trouble& trouble);
desktop::CardState neutral(const CardInfo& card);
desktop::Result neutral(const Result& result);

class Phrases {
public:
    // "Importing photo 9 of 30 — about 2 minutes left".
    static QString progress(const Progress& progress, qint64 elapsed_ms);
    static Message question(const Question& question);
    static Report result(const Result& result, const desktop::Rescued& rescued = {});
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
