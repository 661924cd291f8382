// The Qt window's side of the shared words (see phrases.h): its types into
// the shared layer's and back.
#include "phrases.h"

#include <QDir>

#include "desktop/phrases.h"
#include "window_locale.h"

namespace pixavon::gui {
namespace {

std::string text(const QString& text) { return text.toStdString(); }
// A path as the window shows it.
std::string shown_path(const QString& path) { return text(QDir::toNativeSeparators(path)); }

}  // namespace

Message message_of(const desktop::Message& message) {
    Message out;
    out.kind = message.kind;
    out.title = qt(message.title);
    out.headline = qt(message.headline);
    out.details = qt(message.details);
    for (const desktop::Message::Button& button : message.buttons) out.buttons.append({button.reply, qt(button.text)});
    return out;
}

desktop::Trouble neutral(const Trouble& trouble) {
    desktop::Trouble out;
    out.kind = trouble.kind;
    out.hint = trouble.hint;
    out.text = text(trouble.text);
    out.name = text(trouble.name);
    out.position = trouble.position;
    // Only a card image's size is ever said.
    if (trouble.kind == host::ProblemKind::kCardImageUnusable ||
        trouble.kind == host::ProblemKind::kCardImageWrongLength) {
        out.name_size = file_size(trouble.name);
    }
    return out;
}

desktop::CardState neutral(const CardInfo& card) {
    desktop::CardState out;
    out.image = !card.image.isEmpty();
    out.name = text(card.name);
    out.connected = card.connected;
    out.usable = card.usable;
    out.photos = static_cast<uint32_t>(card.slots.size());
    out.free = card.free();
    out.card_mib = card.card_mib;
    out.trouble = neutral(card.trouble);
    return out;
}

desktop::Result neutral(const Result& result) {
    desktop::Result out;
    out.operation = result.operation;
    out.status = result.status;
    out.declined = result.declined;
    out.card_changed = result.card_changed;
    out.folder = shown_path(result.folder);
    out.saved = result.saved;
    out.total = result.total;
    out.already = result.already;
    out.duplicates = result.duplicates;
    out.deleted = result.deleted;
    out.kept = result.kept;
    out.rescue = result.rescue;
    out.trouble = neutral(result.trouble);
    for (const Trouble& warning : result.warnings) out.warnings.push_back(neutral(warning));
    return out;
}

QString Phrases::progress(const Progress& progress, qint64 elapsed_ms) {
    return qt(desktop::progress(progress, elapsed_ms));
}

Message Phrases::question(const Question& question) {
    desktop::Question asked;
    asked.operation = question.operation;
    asked.kind = question.kind;
    asked.count = question.count;
    asked.other_count = question.other_count;
    return message_of(desktop::question(asked));
}

Report Phrases::result(const Result& result, const desktop::Rescued& rescued) {
    const desktop::Report said = desktop::result(neutral(result), rescued);
    Report report;
    report.status = qt(said.status);
    if (said.box) report.box = message_of(*said.box);
    // The folder as the worker gave it, to open.
    if (!said.folder.empty()) report.folder = result.folder;
    return report;
}

Message Phrases::warning(const Trouble& warning) { return message_of(desktop::warning(neutral(warning))); }

QString Phrases::hint(const Trouble& trouble) { return qt(desktop::hint(neutral(trouble))); }

QString Phrases::explain(const Trouble& trouble, const QString& otherwise) {
    return qt(desktop::explain(neutral(trouble), text(otherwise)));
}

Message Phrases::card_size_question() { return message_of(desktop::card_size_question()); }

}  // namespace pixavon::gui
