// The window's texts about the card and what follows an operation's end (see
// window.h).
#include "window.h"

#include "phrases.h"
#include "words.h"

namespace pixavon::desktop {

std::string program_name() { return tr("Pixavon"); }
std::string toolbar_name() { return tr("Main"); }
std::string grid_name() { return tr("Photos on the card"); }

std::string window_title(const CardState& card) {
    return fill(tr("{1} — Pixavon"), {card.image ? card.name : std::string(tr("Camera"))});
}

std::string card_usage(const CardState& card) {
    if (card.usable) {
        return count("{n} photo, {1} free ({2} MiB card)", "{n} photos, {1} free ({2} MiB card)", card.photos,
                     {num(card.free), num(card.card_mib)});
    }
    if (card.card_mib != 0) return fill(tr("Photo list damaged ({1} MiB card)"), {num(card.card_mib)});
    if (card.connected && card.trouble.kind != host::ProblemKind::kCatalogNoAnswer &&
        card.trouble.kind != host::ProblemKind::kCatalogChanged) {
        return tr("Photo list damaged");
    }
    return card.connected ? std::string() : std::string(tr("No camera"));
}

Rescued rescued_from(const Result& result, const CardState& card, const std::string& shown_folder) {
    Rescued kept;
    kept.folder = shown_folder;
    kept.image = card.image;
    kept.name = card.name;
    kept.card_mib = card.card_mib != 0 ? card.card_mib : result.rescue.card_mib;
    kept.format_in_camera = result.trouble.hint == host::Hint::kFormatInCamera;
    return kept;
}

void follow_card(Rescued& rescued, const CardState& card) {
    if (!rescued.kept()) return;
    if (!card.connected) {
        // Unplugged: to be formatted in the camera, or swapped for another.
        if (rescued.image) rescued = {};
        rescued.card_left = true;
        return;
    }
    const bool other = card.image != rescued.image || card.name != rescued.name ||
                       (card.card_mib != 0 && rescued.card_mib != 0 && card.card_mib != rescued.card_mib);
    // Photos on it again: they are the card's now. Damaged after the camera
    // was gone: no telling it from another damaged card, whose pictures a
    // rescue of its own saves.
    if (other || (card.usable && card.photos > 0) || (!card.usable && rescued.card_left)) rescued = {};
}

Notice notice(const CardState& card, const Rescued& rescued) {
    using Kind = host::ProblemKind;
    Notice said;
    const Kind kind = card.trouble.kind;
    if (!card.connected) {
        said.body = tr("No camera was found. Connect the camera and choose Reload, or open a card image.");
        said.offer = Action::kOpenImage;
    } else if (kind == Kind::kCatalogNoAnswer || kind == Kind::kCatalogChanged) {
        said.body = explain(card.trouble, tr("The card could not be read."));
        said.offer = Action::kReload;
    } else if (!card.usable && rescued.kept() && rescued.format_in_camera) {
        said.headline = fill(tr("The pictures are saved in {1}."), {rescued.folder});
        said.body = tr("Format the card in the camera, choose Reload, then choose Card ▸ Put back rescued pictures….");
        said.tooltip = card.trouble.text;
        said.offer = Action::kReload;
    } else if (!card.usable && rescued.kept()) {
        said.headline = fill(tr("The pictures are saved in {1}."), {rescued.folder});
        said.body = tr("To use the card again, format it: the window then offers to put the pictures back.");
        said.tooltip = card.trouble.text;
        said.offer = Action::kFormat;
    } else if (card.usable && rescued.kept()) {
        said.headline = fill(tr("The pictures are saved in {1}."), {rescued.folder});
        said.body = tr("The card can be used again: Put back rescued pictures puts them on it.");
        said.offer = Action::kPutBack;
    } else if (!card.usable) {
        said.headline = tr("The card's photo list is damaged.");
        said.body =
            tr("The pictures themselves are most likely still there: Rescue photos saves every one of them into a "
               "folder, then repairs the list.");
        said.tooltip = card.trouble.text;
        said.offer = Action::kRescue;
    }
    said.shown = said.offer != Action::kSeparator;
    return said;
}

Report result(const Result& ended, const Rescued& rescued) {
    Report report = result(ended);
    const bool refused_here = ended.operation == Operation::kFormat || ended.operation == Operation::kRestore;
    if (report.box && refused_here && !ended.ok() && !ended.declined && rescued.kept() && rescued.format_in_camera) {
        report.box->details = join_lines(
            {fill(tr("The pictures are saved in {1}."), {rescued.folder}),
             tr("Format the card in the camera, choose Reload, then choose Card ▸ Put back rescued pictures….")});
    }
    return report;
}

std::string empty_card_text() {
    return std::string(tr("There are no photos on this card.")) + "\n\n" +
           tr("Take some with the camera, or choose Photos ▸ Add pictures… to put pictures from this computer on "
              "the card.");
}

std::string destination_text(const std::string& folder) { return fill(tr("Imports go to {1}"), {folder}); }

Message about(const std::string& version) {
    Message message;
    message.title = tr("About Pixavon");
    message.headline = fill(tr("Pixavon {1}"), {version});
    message.details =
        tr("Imports the photos on the Lumetta camera's card to this computer, puts pictures on the card, and backs "
           "up, restores and rescues the card.");
    return message;
}

Message put_back_question(uint64_t pictures, const std::string& folder) {
    Message message;
    message.kind = MessageKind::kQuestion;
    message.headline = count("Put the {n} rescued picture back on the card?",
                             "Put the {n} rescued pictures back on the card?", pictures);
    message.details = fill(tr("They are in {1}."), {folder});
    message.buttons = {{Reply::kYes, tr("Put back")}};
    return message;
}

Message no_file_manager(const std::string& folder) {
    Message message;
    message.kind = MessageKind::kWarning;
    message.headline = tr("No file manager could be started to show the folder.");
    message.details = fill(tr("The photos are in {1}."), {folder});
    return message;
}

std::string cannot_start(const std::string& image) {
    if (image.empty()) return tr("The camera cannot be used.");
    return fill(tr("The card image {1} could not be opened."), {image});
}

std::string cannot_save(const std::string& image) {
    return fill(tr("The card image {1} could not be saved; check that its folder can be written to and has room."),
                {image});
}

std::string photo_not_read_yet(uint32_t position) {
    return fill(tr("Photo {1} is still being read from the card."), {num(int64_t{position} + 1)});
}

std::string closing_after_restore() {
    return tr("The card is being restored; the window closes once it has finished.");
}

std::string save_photo_title(uint32_t position) { return fill(tr("Save photo {1} as"), {num(int64_t{position} + 1)}); }
std::string save_photos_title(uint64_t photos) { return count("Save {n} photo into", "Save {n} photos into", photos); }
std::string photo_file_filter() {
    return tr("PNG pictures (*.png);;JPEG pictures (*.jpg *.jpeg);;Camera bitmaps (*.bmp)");
}
std::string card_image_filter() { return tr("Card images (*.bin);;All files (*)"); }
std::string back_up_title() { return tr("Back up card"); }
std::string restore_title() { return tr("Restore card from"); }
std::string rescue_folder_title() { return tr("Save the rescued photos into"); }
std::string open_image_title() { return tr("Open card image"); }
std::string add_pictures_title() { return tr("Add pictures"); }
std::string picture_file_filter(const std::string& patterns) {
    return fill(tr("Pictures ({1});;All files (*)"), {patterns});
}

ImportDialogText import_dialog_text(uint64_t selected) {
    ImportDialogText text;
    text.title = tr("Import photos");
    text.save_to = tr("Save to:");
    text.change = tr("&Change…");
    text.change_title = tr("Import photos into");
    text.skipped = tr("Photos already imported into this folder are skipped.");
    text.selected_only = count("&Selected photo only ({n})", "&Selected photos only ({n})", selected);
    text.delete_after = tr("&Delete from the card after import");
    text.delete_after_tip = tr("Each photo leaves the card only once its file reads back as it was saved.");
    text.import = tr("&Import");
    text.cancel = tr("Cancel");
    return text;
}

std::string photo_caption(uint32_t position, const std::string& imported_as, bool unreadable, bool shown) {
    // People count photos from 1.
    const std::string number = num(int64_t{position} + 1);
    if (!imported_as.empty()) return fill(tr("Photo {1}, imported as {2}"), {number, imported_as});
    if (unreadable) return fill(tr("Photo {1}, could not be read from the card"), {number});
    if (!shown) return fill(tr("Photo {1}, not yet shown"), {number});
    return fill(tr("Photo {1}, not imported"), {number});
}

std::string photo_view_title(uint32_t position) { return fill(tr("Photo {1}"), {num(int64_t{position} + 1)}); }
std::string photo_as_taken(uint32_t width, uint32_t height) {
    return fill(tr("As taken, {1} × {2}"), {num(width), num(height)});
}
std::string photo_twice_sharp() { return tr("Twice the size, sharp"); }
std::string photo_twice_smooth() { return tr("Twice the size, smooth"); }

Aftermath after(const Result& result, bool card_usable, bool rescued, bool closing) {
    Aftermath next;
    const Operation op = result.operation;
    next.redraw_photos =
        result.card_changed && (op == Operation::kRestore || op == Operation::kFormat || op == Operation::kOpenImage ||
                                (op == Operation::kRescue && result.rescue.repaired));
    if (op == Operation::kRescue && result.trouble.hint == host::Hint::kNeedsSize && !closing) {
        next.ask_card_size = true;
        return next;
    }
    next.remember_rescued = op == Operation::kRescue && !result.rescue.repaired && result.rescue.saved > 0 &&
                            result.rescue.all_saved() && !card_usable;
    next.offer_put_back = op == Operation::kFormat && result.ok() && rescued && !closing;
    return next;
}

}  // namespace pixavon::desktop
