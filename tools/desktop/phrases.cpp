// The progress, questions, hints and explanations of phrases.h; how each
// operation ended is phrases_result.cpp's.
#include "phrases.h"

#include <algorithm>

#include "words.h"

namespace pixavon::desktop {

std::optional<int64_t> seconds_left(double done, int64_t elapsed_ms) {
    if (!(done > 0.02) || elapsed_ms <= 1500) return std::nullopt;
    return static_cast<int64_t>(static_cast<double>(elapsed_ms) * (1 - done) / done / 1000) + 1;
}

std::string progress(const Progress& progress, int64_t elapsed_ms) {
    std::string doing;
    const std::string item = num(progress.item);
    const std::string items = num(progress.items);
    switch (progress.operation) {
        case Operation::kImport:
            doing = fill(tr("Importing photo {1} of {2}"), {item, items});
            break;
        case Operation::kAdd:
            doing = fill(tr("Adding picture {1} of {2}"), {item, items});
            break;
        case Operation::kSave:
            doing = fill(tr("Saving photo {1} of {2}"), {item, items});
            break;
        case Operation::kDelete:
            doing = tr("Deleting photos");
            break;
        case Operation::kBackup:
            doing = tr("Backing up the card");
            break;
        case Operation::kRestore:
            doing = tr("Restoring the card; this cannot be stopped");
            break;
        case Operation::kFormat:
            doing = tr("Formatting the card");
            break;
        case Operation::kRescue:
            doing = tr("Rescuing photos");
            break;
        case Operation::kReload:
        case Operation::kOpenImage:
            doing = tr("Reading the card");
            break;
    }
    if (const std::optional<int64_t> seconds = seconds_left(progress.done, elapsed_ms)) {
        doing += " — ";
        doing +=
            *seconds < 90
                ? count("about {n} second left", "about {n} seconds left", static_cast<uint64_t>(*seconds))
                : count("about {n} minute left", "about {n} minutes left", static_cast<uint64_t>((*seconds + 30) / 60));
    }
    return doing;
}

Message question(const Question& question) {
    Message message;
    message.kind = MessageKind::kQuestion;
    std::string verb;
    switch (question.operation) {
        case Operation::kDelete:
            message.headline =
                count("Delete {n} photo from the card?", "Delete {n} photos from the card?", question.count);
            message.details = tr("Photos that were not imported are lost.");
            verb = tr("Delete");
            break;
        case Operation::kFormat:
            message.headline = tr("Format the card?");
            message.details = tr("Every photo on the card is erased.");
            verb = tr("Format");
            break;
        case Operation::kRestore:
            message.headline = tr("Restore the card from this backup?");
            message.details =
                count("The photos on the card now are replaced by the {n} photo in the backup.",
                      "The photos on the card now are replaced by the {n} photos in the backup.", question.other_count);
            verb = tr("Restore");
            break;
        case Operation::kRescue:
            message.headline = tr("Repair the card's photo list?");
            message.details =
                question.kind == host::QuestionKind::kRepairRebuild
                    ? count("The picture has been saved. Repairing formats the card and puts it back on it.",
                            "The {n} pictures have been saved. Repairing formats the card and puts them back on it.",
                            question.count)
                    : count(
                          "The picture has been saved. Repairing makes the card list it again, so the camera and "
                          "this window show it.",
                          "The {n} pictures have been saved. Repairing makes the card list them again, so the "
                          "camera and this window show them.",
                          question.count);
            verb = tr("Repair");
            break;
        default:
            message.headline = tr("Go on?");
            verb = tr("Go on");
            break;
    }
    message.buttons = {{Reply::kYes, verb}};
    return message;
}

std::string hint(const Trouble& trouble) {
    using Hint = host::Hint;
    switch (trouble.hint) {
        case Hint::kNone:
        case Hint::kConfirm:
            return {};
        case Hint::kNeedsSize:
            return tr("Say whether the card holds 8 MiB or 16 MiB when asked.");
        case Hint::kCardImageMissing:
            return tr("Choose File ▸ Open card image… and pick a card image that exists.");
        case Hint::kReplace:
            return tr(
                "A file of that name is there already, and nothing is replaced. Choose another folder, or "
                "move that file away first.");
        case Hint::kOtherName:
            return tr("Choose another name or folder.");
        case Hint::kCheckCamera:
            return tr("Check that the camera is connected, then try again.");
        case Hint::kCheckThenLook:
            return tr("Check that the camera is connected, then choose File ▸ Reload to see what the card holds now.");
        case Hint::kTryAgain:
            return tr("Try again.");
        case Hint::kCheckDisk:
            return tr("Check that the folder exists, can be written to and has room.");
        case Hint::kConnectCamera:
            return tr("Connect the camera and choose File ▸ Reload, or choose File ▸ Open card image….");
        case Hint::kRestoreAgain:
            return fill(tr("Choose Card ▸ Restore card… and restore {1} again to finish it."), {trouble.name});
        case Hint::kTryRescue:
            return tr("Choose Card ▸ Rescue photos… to save the pictures the card holds.");
        case Hint::kFormatInCamera:
            return tr(
                "Save the card's pictures with Card ▸ Rescue photos… if they are not saved yet, then format the card "
                "in the camera, then add them back with Photos ▸ Add pictures… from the folder they were saved in.");
        case Hint::kFormatThenPut:
            return tr(
                "The pictures are saved. Choose Card ▸ Format card…: the window then offers to put them back on "
                "the card.");
        case Hint::kPutBack:
            return tr(
                "Add the pictures it does not name back with Photos ▸ Add pictures… from the folder they were "
                "saved in.");
        case Hint::kDeleteSome:
            return tr("Delete some photos first, or add fewer pictures.");
        case Hint::kSaySelection:
            return tr("Select photos in the grid first.");
    }
    return {};
}

std::string join_lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (!out.empty()) out += '\n';
        out += line;
    }
    return out;
}

std::string explain(const Trouble& trouble, const std::string& otherwise) {
    // The core counts photos from 0; the window, as people do, from 1.
    const std::string photo = num(int64_t{trouble.position} + 1);
    std::string first;
    switch (trouble.kind) {
        case host::ProblemKind::kPhotoUnreadable:
            first = fill(tr("Photo {1} could not be read from the card."), {photo});
            break;
        case host::ProblemKind::kPhotoNotOnCard:
            first = fill(tr("Photo {1} is no longer on the card."), {photo});
            break;
        case host::ProblemKind::kDeleteFailed:
            first = fill(tr("Photo {1} could not be deleted."), {photo});
            break;
        case host::ProblemKind::kCardImageUnusable:
        case host::ProblemKind::kCardImageWrongLength: {
            // A card image holds the card's bytes: 8 or 16 MiB exactly.
            const int64_t size = trouble.name_size;
            const std::string what =
                size != (int64_t{8} << 20) && size != (int64_t{16} << 20)
                    ? count("This file is not a card image ({n} byte).", "This file is not a card image ({n} bytes).",
                            static_cast<uint64_t>(std::max<int64_t>(size, 0)))
                    : tr("This file cannot be used as a card image.");
            return join_lines({what, tr("Choose File ▸ Open card image… and pick a card image: a whole-card backup "
                                        "of 8 MiB or 16 MiB.")});
        }
        default:
            first = trouble.text.empty() ? otherwise : trouble.text;
            break;
    }
    return join_lines({first, hint(trouble)});
}

Message warning(const Trouble& warning) {
    Message message;
    message.kind = MessageKind::kWarning;
    message.headline = warning.text;
    message.details = hint(warning);
    return message;
}

Message card_size_question() {
    Message message;
    message.kind = MessageKind::kQuestion;
    message.headline = tr("How large is the card?");
    message.details = tr("The card reads blank, so its size cannot be found. It is written on the card.");
    message.buttons = {{Reply::kEightMiB, tr("8 MiB")}, {Reply::kSixteenMiB, tr("16 MiB")}};
    return message;
}

}  // namespace pixavon::desktop
