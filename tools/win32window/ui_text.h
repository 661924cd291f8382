// The window's small shared pieces: UTF-8 text to the system's UTF-16 and
// back, and the command ids of the shared layer's actions.
#pragma once

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "desktop/actions.h"
#include "os/win32/text.h"

namespace pixavon::win32window {

// Text for the system; a text that is not UTF-8 (never one of ours) shows as
// "?" rather than failing.
inline std::wstring wide(const std::string& text) {
    try {
        return host::win32::to_utf16(text);
    } catch (const std::invalid_argument&) {
        return L"?";
    }
}

// The WM_COMMAND id of an action in the menus, the toolbar and the keys.
constexpr int kFirstCommand = 100;
inline int command_id(desktop::Action action) { return kFirstCommand + static_cast<int>(action); }
inline std::optional<desktop::Action> action_of(int id) {
    if (id < kFirstCommand || id >= kFirstCommand + static_cast<int>(desktop::kActionCount)) return std::nullopt;
    return static_cast<desktop::Action>(id - kFirstCommand);
}

}  // namespace pixavon::win32window
