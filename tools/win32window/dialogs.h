// What the window asks and tells a person, in the system's own dialogs: Task
// Dialogs for the shared layer's boxes and for the import's few choices,
// the common item dialog (IFileDialog) for files and folders, and Explorer
// for a folder the photos went to. Every text is UTF-8.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/outcome.h"

namespace pixavon::win32window {

// Shows `message` over `owner`; `title` when the message has none of its own.
// The reply of the button chosen; kOk for OK, Cancel or closing the box.
desktop::Reply show_message(HWND owner, const desktop::Message& message, const std::string& title);

// Files and folders chosen in the common item dialog; empty (or nullopt)
// when the person cancels or the dialog cannot be shown. `filter`: pairs of a
// name and its patterns, "Card images (*.bin);;All files (*)".
std::optional<std::string> open_file(HWND owner, const std::string& title, const std::string& filter);
std::vector<std::string> open_files(HWND owner, const std::string& title, const std::string& filter);
// `suggested`: the file proposed, folder and name; the dialog asks before
// replacing a file.
std::optional<std::string> save_file(HWND owner, const std::string& title, const std::string& suggested,
                                     const std::string& filter);
// `start`: the folder it opens in, or the nearest that exists above it.
std::optional<std::string> choose_folder(HWND owner, const std::string& title, const std::string& start);

// The import's choices, as the person leaves them.
struct ImportAnswer {
    std::string folder;
    bool selected_only = false;
    bool delete_after = false;
};
// Asks where the photos go (the folder shown, changed with the folder
// dialog), whether only the `selected` photos, and whether they leave the
// card; nullopt when cancelled.
std::optional<ImportAnswer> ask_import(HWND owner, const ImportAnswer& proposed, size_t selected);

// Shows `folder` in Explorer; false if it could not be started.
bool open_folder(const std::string& folder);

}  // namespace pixavon::win32window
