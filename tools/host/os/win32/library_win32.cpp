// Library (library.h) on Windows: pixavon.dll from the program's own folder
// and from nowhere else, so a DLL of that name planted in the current folder
// or on PATH is never loaded.
#include <windows.h>

#include "i18n.h"
#include "library.h"
#include "os/os.h"
#include "os/win32/dll_search.h"
#include "os/win32/paths.h"
#include "os/win32/text.h"

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
    path_ = os::join(folder, kDllName);
    handle_ = load(path_);
    if (handle_ == nullptr) {
        const std::string why = system_error(static_cast<int>(::GetLastError()));
        throw LibraryError(fill(tr("{1}: {2}; reinstall Pixavon, which puts pixavon.dll beside pixavon.exe"),
                                {display_name(path_), why}));
    }
    BindAll();
}

Library::Library(const std::string& path) : path_(full_path_of(path)) {
    win32::restrict_dll_search();
    handle_ = load(path_);
    if (handle_ == nullptr) {
        throw LibraryError(display_name(path_) + fill(tr(": {1}"), {system_error(static_cast<int>(::GetLastError()))}));
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

namespace pixavon::host::os {
namespace {

constexpr wchar_t kWindowClass[] = L"PixavonHostWindow";
// The static text of a message box (its dialog item).
constexpr int kBoxTextItem = 0xFFFF;

// The events of the LibraryWindow whose boxes this thread catches.
thread_local LibraryWindow::Events* t_box_events = nullptr;
thread_local HWND t_window = nullptr;

std::string window_text(HWND window) {
    const int n = ::GetWindowTextLengthW(window);
    if (n <= 0) return {};
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), n + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return win32::to_utf8(text);
}

// A box the library opens on this thread is read and closed as it appears.
LRESULT CALLBACK on_window_event(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && t_box_events != nullptr) {
        HWND box = reinterpret_cast<HWND>(wparam);
        wchar_t class_name[16] = {};
        ::GetClassNameW(box, class_name, 16);
        if (std::wstring(class_name) == L"#32770") {
            HWND item = ::GetDlgItem(box, kBoxTextItem);
            const std::string text = item != nullptr ? window_text(item) : std::string();
            const bool owned = ::GetWindow(box, GW_OWNER) != nullptr;
            t_box_events->box(owned, window_text(box), text);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == PIXAVON_PROGRESS_MESSAGE) {
        auto* events = reinterpret_cast<LibraryWindow::Events*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (events != nullptr) events->progress();
        return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

struct LibraryWindow::State {
    Events& events;
    HWND window = nullptr;
    HHOOK hook = nullptr;
    HANDLE thread = nullptr;
    DWORD thread_id = 0;
    HANDLE ready = nullptr;
};

namespace {

// The window's own thread: the library's progress messages come from
// whichever thread calls it (the read-ahead one too), and are answered here
// while that thread waits.
DWORD WINAPI serve_window(void* argument) {
    auto* state = static_cast<LibraryWindow::State*>(argument);
    HWND window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state->events));
    state->window = window;
    ::SetEvent(state->ready);
    if (window == nullptr) return 1;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    ::DestroyWindow(window);
    return 0;
}

}  // namespace

LibraryWindow::LibraryWindow(Events& events) : state_(new State{events}) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &on_message;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = kWindowClass;
    ::RegisterClassExW(&window_class);  // fails harmlessly when registered already
    state_->ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (state_->ready != nullptr)
        state_->thread = ::CreateThread(nullptr, 0, &serve_window, state_.get(), 0, &state_->thread_id);
    if (state_->thread != nullptr) ::WaitForSingleObject(state_->ready, INFINITE);
    if (state_->window == nullptr) {
        const DWORD error = ::GetLastError();
        if (state_->thread != nullptr) {
            ::WaitForSingleObject(state_->thread, INFINITE);
            ::CloseHandle(state_->thread);
        }
        if (state_->ready != nullptr) ::CloseHandle(state_->ready);
        throw win32::error_of(error);
    }
    state_->hook = ::SetWindowsHookExW(WH_CBT, &on_window_event, nullptr, ::GetCurrentThreadId());
    t_box_events = &events;
    t_window = state_->window;
}

LibraryWindow::~LibraryWindow() {
    if (t_window == state_->window) {
        t_box_events = nullptr;
        t_window = nullptr;
    }
    if (state_->hook != nullptr) ::UnhookWindowsHookEx(state_->hook);
    ::PostThreadMessageW(state_->thread_id, WM_QUIT, 0, 0);
    ::WaitForSingleObject(state_->thread, INFINITE);
    ::CloseHandle(state_->thread);
    ::CloseHandle(state_->ready);
}

PixavonWindowHandle LibraryWindow::handle() const { return state_->window; }

struct LibraryPath::State {
    win32::AnsiPath name;
};

LibraryPath::LibraryPath(const std::string& path) {
    try {
        state_.reset(new State{win32::AnsiPath(path, win32::AnsiPath::Use::kRead)});
    } catch (const std::invalid_argument& error) {
        throw std::runtime_error(error.what());
    }
}

LibraryPath::~LibraryPath() = default;

const char* LibraryPath::get() const { return state_->name.ansi(); }

std::string from_library_text(const std::string& text) {
    if (text.empty() || text.size() > 1u << 20) return {};
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), n);
    return win32::to_utf8(wide);
}

}  // namespace pixavon::host::os
