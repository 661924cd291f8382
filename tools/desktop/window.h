// What a window shows of the card and decides after an operation, for every
// window alike: its title, the card's use for the status bar, the notice
// above the grid when the card cannot be used as it is, the text in place of
// an empty grid, the About box, the file dialogs' titles, and what follows an
// operation's end (asking a blank card's size, offering to put rescued
// pictures back after a format).
#pragma once

#include <cstdint>
#include <string>

#include "actions.h"
#include "outcome.h"
#include "phrases.h"

namespace pixavon::desktop {

// The window's name, its toolbar's and its grid's (for accessibility).
std::string program_name();
std::string toolbar_name();
std::string grid_name();
// "Camera — Pixavon", "card.bin — Pixavon".
std::string window_title(const CardState& card);
// "12 photos, 14 free (8 MiB card)", or what stands in the way.
std::string card_usage(const CardState& card);

// Said above the grid when the card cannot be used as it is, with the one
// action it offers.
struct Notice {
    bool shown = false;
    std::string headline;  // in bold, when there is a body
    std::string body;
    std::string tooltip;  // the core's own words on what is wrong
    Action offer = Action::kSeparator;
};
// The pictures a rescue saved of a card that could not be used, and the card
// they came from: kept until they are back on it or another card appears.
struct Rescued {
    std::string folder;  // where they are, as shown; empty: none
    bool image = false;  // of a card image (`name`), not the camera's card
    std::string name;
    uint32_t card_mib = 0;
    // The core cannot format this card: the camera must, before Put back.
    bool format_in_camera = false;
    // The camera was gone since: a damaged card seen now may be another one.
    bool card_left = false;
    bool kept() const { return !folder.empty(); }
};
// What to keep of a rescue's end (`shown_folder`: its folder as shown) on
// `card`, as loaded after it.
Rescued rescued_from(const Result& result, const CardState& card, const std::string& shown_folder);
// Keeps `rescued` for the card just loaded, or forgets it when that card is
// another one, holds photos again, or cannot be told from another one.
void follow_card(Rescued& rescued, const CardState& card);
Notice notice(const CardState& card, const Rescued& rescued);
// How an operation ended with rescued pictures kept: a format or restore
// that failed says the steps that work instead.
Report result(const Result& ended, const Rescued& rescued);

// Said in place of the grid when the card holds no photos.
std::string empty_card_text();
// "Imports go to /home/…/Pictures".
std::string destination_text(const std::string& folder);
Message about(const std::string& version);
// Asks whether to put `pictures` rescued pictures in `folder` back.
Message put_back_question(uint64_t pictures, const std::string& folder);
// When no file manager shows the folder the photos went to.
Message no_file_manager(const std::string& folder);
// The window's own lines: a camera or card image that cannot be used at start
// or saved at the end, a photo still being read, closing during a restore.
std::string cannot_start(const std::string& image);
std::string cannot_save(const std::string& image);
std::string photo_not_read_yet(uint32_t position);
std::string closing_after_restore();

// The file dialogs' titles and filters ("Card images (*.bin)" pairs of a
// name and its patterns, separated by ";;" as Qt writes them).
std::string save_photo_title(uint32_t position);
std::string save_photos_title(uint64_t photos);
std::string photo_file_filter();
std::string card_image_filter();
std::string back_up_title();
std::string restore_title();
std::string rescue_folder_title();
std::string open_image_title();
std::string add_pictures_title();
// `patterns`: the picture files the window reads, "*.png *.jpg ...".
std::string picture_file_filter(const std::string& patterns);

// The import dialog's words; `&` marks a label's access key, as both Qt and
// Win32 take it.
struct ImportDialogText {
    std::string title;             // "Import photos"
    std::string save_to;           // "Save to:", before the folder
    std::string change;            // the button that picks another folder
    std::string change_title;      // its folder dialog's title
    std::string skipped;           // what is not imported again
    std::string selected_only;     // with the count of photos selected
    std::string delete_after;      // the option to delete what was imported
    std::string delete_after_tip;  // what makes a photo leave the card
    std::string import;            // the button that starts
    std::string cancel;
};
ImportDialogText import_dialog_text(uint64_t selected);

// A photo in the grid as its tooltip and a screen reader say it: imported
// (as the file `imported_as`, as shown), unreadable, not read yet, or shown
// and not imported.
std::string photo_caption(uint32_t position, const std::string& imported_as, bool unreadable, bool shown);
// The photo viewer's title and its sizes.
std::string photo_view_title(uint32_t position);
std::string photo_as_taken(uint32_t width, uint32_t height);
std::string photo_twice_sharp();
std::string photo_twice_smooth();

// What follows an operation's end.
struct Aftermath {
    // The thumbnails are drawn afresh: the slots may hold other pictures now.
    bool redraw_photos = false;
    // A blank card's size only the person can say: card_size_question(), and
    // the rescue starts again with it; nothing else follows.
    bool ask_card_size = false;
    // A rescue saved every picture of a card that cannot be used: the window
    // keeps them (rescued_from(); the notice says what follows) ...
    bool remember_rescued = false;
    // ... and after the format offers to put them back.
    bool offer_put_back = false;
};
// `card_usable`: the card as loaded after the operation; `rescued`: a folder
// is kept from an earlier rescue; `closing`: the window closes once this has
// ended.
Aftermath after(const Result& result, bool card_usable, bool rescued, bool closing);

}  // namespace pixavon::desktop
