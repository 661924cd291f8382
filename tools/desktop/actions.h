// The window's actions as data, for every window alike: each action's label
// (with '&' before its Alt key, as Qt and Win32 both mark it), its keyboard
// shortcut, its tooltip, the menus and toolbar that hold it, and which actions
// are open to the person in the window's state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "outcome.h"

namespace pixavon::desktop {

enum class Action {
    kOpenImage,
    kReload,
    kQuit,
    kImport,
    kImportNew,
    kImportSelected,
    kAdd,
    kSave,
    kView,
    kDelete,
    kBackup,
    kRestore,
    kFormat,
    kRescue,
    kPutBack,
    kAbout,
    kCancel,
    kSeparator,  // in a menu or the toolbar: a line between groups; no action
};
constexpr size_t kActionCount = static_cast<size_t>(Action::kSeparator);

// A shortcut the desktop names by its role, where a toolkit has its own keys
// for it (Qt's standard keys); `keys` says the same keys in words for a
// toolkit that has none.
enum class StandardKey { kNone, kOpen, kQuit, kSave, kDelete, kRefresh };

struct ActionInfo {
    Action action;
    const char* name;   // a stable id ("import-new"), for tests and settings
    const char* label;  // English, untranslated: see label()
    const char* keys;   // "Ctrl+Shift+I", "Space", "Esc"; empty for none
    StandardKey standard;
    const char* tooltip;  // English, untranslated, or empty
};

const ActionInfo& info(Action action);
// The action's label and tooltip in the person's language.
std::string label(Action action);
std::string tooltip(Action action);
// A label as a toolbar button shows it: without its Alt key, whether marked
// in the word ("&Delete") or after it ("削除(&D)").
std::string button_text(const std::string& label);

struct Menu {
    const char* title;  // English, untranslated: tr() it
    std::vector<Action> items;
};
// The menu bar, left to right.
const std::vector<Menu>& menus();
// The toolbar: what is done most. kImport is its main button.
const std::vector<Action>& toolbar();
// The grid's context menu.
const std::vector<Action>& grid_menu();

// What decides which actions are open.
struct WindowState {
    bool busy = false;                         // an operation is under way
    Operation operation = Operation::kReload;  // that operation
    bool connected = false;
    bool usable = false;
    uint32_t photos = 0;
    uint32_t free = 0;
    uint32_t card_mib = 0;
    size_t selected = 0;            // photos selected in the grid
    bool rescued = false;           // rescued pictures of this card are kept (Rescued)
    bool format_in_camera = false;  // and only the camera can format it
};
using Enabled = std::array<bool, kActionCount>;
Enabled enabled(const WindowState& state);
inline bool is_enabled(const Enabled& open, Action action) { return open[static_cast<size_t>(action)]; }

}  // namespace pixavon::desktop
