// The actions' table, menus and enabling (see actions.h).
#include "actions.h"

#include "words.h"

namespace pixavon::desktop {
namespace {

using enum Action;

constexpr std::array<ActionInfo, kActionCount> kActions{{
    {kOpenImage, "open-image", mark("&Open card image…"), "Ctrl+O", StandardKey::kOpen,
     mark("Work on a card image (a whole-card backup) instead of the camera")},
    {kReload, "reload", mark("&Reload"), "F5", StandardKey::kRefresh, ""},
    {kQuit, "quit", mark("&Quit"), "Ctrl+Q", StandardKey::kQuit, ""},
    {kImport, "import", mark("&Import photos…"), "Ctrl+I", StandardKey::kNone,
     mark("Choose where the photos go and whether they leave the card")},
    {kImportNew, "import-new", mark("Import &new photos"), "Ctrl+Shift+I", StandardKey::kNone,
     mark("Save the photos this computer does not have yet into the import folder")},
    {kImportSelected, "import-selected", mark("Import selec&ted photos"), "", StandardKey::kNone,
     mark("Save the selected photos into the import folder")},
    {kAdd, "add", mark("&Add pictures…"), "Ctrl+Shift+A", StandardKey::kNone, ""},
    {kSave, "save", mark("&Save selected as…"), "Ctrl+S", StandardKey::kSave, ""},
    {kView, "view", mark("&View photo"), "Space", StandardKey::kNone, ""},
    {kDelete, "delete", mark("&Delete"), "Del", StandardKey::kDelete, ""},
    {kBackup, "backup", mark("&Back up card…"), "Ctrl+B", StandardKey::kNone, ""},
    {kRestore, "restore", mark("R&estore card…"), "Ctrl+Shift+B", StandardKey::kNone, ""},
    {kFormat, "format", mark("&Format card…"), "Ctrl+Shift+F", StandardKey::kNone, ""},
    {kRescue, "rescue", mark("Res&cue photos…"), "Ctrl+Shift+R", StandardKey::kNone,
     mark("Save every picture the card holds, whatever its photo list says")},
    {kPutBack, "put-back", mark("&Put back rescued pictures…"), "", StandardKey::kNone, ""},
    {kAbout, "about", mark("&About Pixavon"), "", StandardKey::kNone, ""},
    {kCancel, "cancel", mark("Cancel"), "Esc", StandardKey::kNone, ""},
}};

}  // namespace

const ActionInfo& info(Action action) { return kActions.at(static_cast<size_t>(action)); }

std::string label(Action action) { return tr(info(action).label); }

std::string tooltip(Action action) {
    const char* text = info(action).tooltip;
    return *text != '\0' ? tr(text) : std::string();
}

std::string button_text(const std::string& label) {
    std::string text = label;
    if (const size_t at = text.find("(&"); at != std::string::npos && at + 3 < text.size() && text[at + 3] == ')') {
        text.erase(at, 4);
    }
    std::erase(text, '&');
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

const std::vector<Menu>& menus() {
    static const std::vector<Menu> kMenus{
        {mark("&File"), {kOpenImage, kReload, kSeparator, kQuit}},
        {mark("&Photos"), {kImport, kImportNew, kImportSelected, kSeparator, kAdd, kSave, kView, kDelete}},
        {mark("&Card"), {kBackup, kRestore, kFormat, kSeparator, kRescue, kPutBack}},
        {mark("&Help"), {kAbout}},
    };
    return kMenus;
}

const std::vector<Action>& toolbar() {
    static const std::vector<Action> kToolbar{kImport, kSeparator, kAdd, kSave, kDelete, kSeparator, kReload, kBackup};
    return kToolbar;
}

const std::vector<Action>& grid_menu() {
    static const std::vector<Action> kGrid{kView, kSave, kDelete, kImport};
    return kGrid;
}

Enabled enabled(const WindowState& state) {
    Enabled open{};
    const auto set = [&open](Action action, bool on) { open[static_cast<size_t>(action)] = on; };
    const bool idle = !state.busy;
    const bool usable = idle && state.usable;
    set(kImport, usable && state.photos > 0);
    set(kImportNew, usable && state.photos > 0);
    set(kImportSelected, usable && state.selected > 0);
    set(kAdd, usable && state.free > 0);
    set(kSave, usable && state.selected > 0);
    set(kView, usable && state.selected == 1);
    set(kDelete, usable && state.selected > 0);
    // A backup needs only the card's size, also of a damaged card, the moment
    // to save one; a restore or a format is what makes it usable again.
    set(kBackup, idle && state.card_mib != 0);
    // A card only the camera can format: the core refuses both here.
    const bool camera_only = state.rescued && state.format_in_camera && !state.usable;
    set(kRestore, idle && state.connected && !camera_only);
    set(kFormat, idle && state.connected && !camera_only);
    set(kPutBack, usable && state.rescued && state.free > 0);
    set(kRescue, idle && state.connected);
    set(kReload, idle);
    set(kOpenImage, idle);
    set(kAbout, idle);
    set(kQuit, true);
    // A restore cannot be stopped half-way: it would leave the card's old
    // list over the new pictures.
    set(kCancel, state.busy && state.operation != Operation::kRestore);
    return open;
}

}  // namespace pixavon::desktop
