// Library (library.h) on Windows: pixavon.dll from the program's own folder
// and from nowhere else, so a DLL of that name planted in the current folder
// or on PATH is never loaded.
#include <windows.h>

#include "i18n.h"
#include "library.h"
#include "win32/dll_search.h"
#include "win32/paths.h"
#include "win32/text.h"

namespace pixavon::host {
namespace {

constexpr char kDllName[] = "pixavon.dll";

template <typename Fn>
void bind(HMODULE module, Fn*& slot, const char* name, const std::string& path) {
    FARPROC symbol = ::GetProcAddress(module, name);
    if (symbol == nullptr) {
        throw LibraryError(
            fill(tr("{1} does not export {2}: it is not a Pixavon library"), {display_name(path), name}));
    }
    slot = reinterpret_cast<Fn*>(reinterpret_cast<void*>(symbol));
}

// Loads the DLL at `path` (a full path); its own dependencies from its folder
// and System32 only.
HMODULE load(const std::string& path) {
    const std::wstring wide = win32::to_utf16(path);
    return ::LoadLibraryExW(wide.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

std::string full_path_of(const std::string& path) {
    const std::wstring wide = win32::to_utf16(path);
    const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    const DWORD got = ::GetFullPathNameW(wide.c_str(), n, out.data(), nullptr);
    if (got == 0 || got >= n) return path;
    out.resize(got);
    return win32::to_utf8(out);
}

}  // namespace

Library::Library() {
    win32::restrict_dll_search();
    std::string folder;
    try {
        folder = win32::executable_folder();
    } catch (const win32::Win32Error& e) {
        throw LibraryError(e.what());
    }
    path_ = folder + "\\" + kDllName;
    handle_ = load(path_);
    if (handle_ == nullptr) {
        const std::string why = win32::system_message(::GetLastError());
        throw LibraryError(fill(tr("{1}: {2}; reinstall Pixavon, which puts pixavon.dll beside pixavon.exe"),
                                {display_name(path_), why}));
    }
    BindAll();
}

Library::Library(const std::string& path) : path_(full_path_of(path)) {
    win32::restrict_dll_search();
    handle_ = load(path_);
    if (handle_ == nullptr) {
        throw LibraryError(display_name(path_) + ": " + win32::system_message(::GetLastError()));
    }
    BindAll();
}

void Library::BindAll() {
    HMODULE module = static_cast<HMODULE>(handle_);
    try {
        bind(module, OpenDevice, "OpenDevice", path_);
        bind(module, CloseDevice, "CloseDevice", path_);
        bind(module, IsConnect, "IsConnect", path_);
        bind(module, ReadGBA, "ReadGBA", path_);
        bind(module, WriteGBA, "WriteGBA", path_);
        bind(module, GetPhotoCount, "GetPhotoCount", path_);
        bind(module, GetCardMemory, "GetCardMemory", path_);
        bind(module, DeletePhoto, "DeletePhoto", path_);
        bind(module, FormatGBA, "FormatGBA", path_);
        bind(module, ReadPixavonToFile, "ReadPixavonToFile", path_);
        bind(module, WriteFileToGBA, "WriteFileToGBA", path_);
        bind(module, ReadAll, "ReadAll", path_);
        bind(module, WriteAll, "WriteAll", path_);
        bind(module, GetString, "GetString", path_);
    } catch (...) {
        ::FreeLibrary(module);
        handle_ = nullptr;
        throw;
    }
}

void Library::Unload() {
    if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

Library::~Library() { Unload(); }

}  // namespace pixavon::host
