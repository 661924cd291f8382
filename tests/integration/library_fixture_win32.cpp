// The Windows parts of the integration fixture: pixavon.dll loaded from a
// private copy, a real host window, and boxes caught by a CBT hook.
#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

constexpr char kWindowClass[] = "PixavonTestHost";
constexpr int kMessageBoxTextId = 0xFFFF;  // the static control holding a box's text

// The recording window of the running test; tests run one at a time.
RecordingWindow* g_current = nullptr;

LRESULT CALLBACK HostWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == PIXAVON_PROGRESS_MESSAGE && wparam == 0 && lparam == 0 && g_current != nullptr) {
        ++g_current->progress;
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Records each box as it is activated and presses its OK button.
LRESULT CALLBACK BoxHook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && g_current != nullptr) {
        const auto box = reinterpret_cast<HWND>(wparam);
        char class_name[16] = {};
        GetClassNameA(box, class_name, sizeof class_name);
        if (std::string(class_name) == "#32770") {
            char text[1024] = {};
            char caption[256] = {};
            GetDlgItemTextA(box, kMessageBoxTextId, text, sizeof text);
            GetWindowTextA(box, caption, sizeof caption);
            g_current->boxes.push_back(BoxSeen{GetWindow(box, GW_OWNER) != nullptr ? 1 : 0, text, caption, 0});
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void RegisterHostClass() {
    static const bool registered = [] {
        WNDCLASSA window_class{};
        window_class.lpfnWndProc = HostWindowProcedure;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = kWindowClass;
        return RegisterClassA(&window_class) != 0;
    }();
    if (!registered) throw std::runtime_error("cannot register the host window class");
}

// pixavon.dll beside the test program, as the build puts it.
std::string BuiltLibraryPath() {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string path = program;
    return path.substr(0, path.find_last_of("\\/") + 1) + "pixavon.dll";
}

}  // namespace

PrivateLibraryCopy::PrivateLibraryCopy() {
    static std::atomic<int> serial{0};
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof dir, dir);
    path = std::string(dir) + "pixavon-lib-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) +
           ".dll";
    if (!CopyFileA(BuiltLibraryPath().c_str(), path.c_str(), FALSE)) throw std::runtime_error("cannot copy the DLL");
}

PrivateLibraryCopy::~PrivateLibraryCopy() { DeleteFileA(path.c_str()); }

DllLibrary::DllLibrary(const std::string& path) : module_(LoadLibraryA(path.c_str())) {
    if (module_ == nullptr) throw std::runtime_error("cannot load " + path);
    const auto bind = [this](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            reinterpret_cast<void*>(GetProcAddress(module_, name)));
        if (function == nullptr) throw std::runtime_error(std::string("the DLL does not export ") + name);
    };
    bind(OpenDevice, "OpenDevice");
    bind(CloseDevice, "CloseDevice");
    bind(IsConnect, "IsConnect");
    bind(ReadGBA, "ReadGBA");
    bind(WriteGBA, "WriteGBA");
    bind(GetPhotoCount, "GetPhotoCount");
    bind(GetCardMemory, "GetCardMemory");
    bind(DeletePhoto, "DeletePhoto");
    bind(FormatGBA, "FormatGBA");
    bind(ReadPixavonToFile, "ReadPixavonToFile");
    bind(WriteFileToGBA, "WriteFileToGBA");
    bind(ReadAll, "ReadAll");
    bind(WriteAll, "WriteAll");
    bind(GetString, "GetString");
}

DllLibrary::~DllLibrary() { Unload(); }

void DllLibrary::Unload() {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = nullptr;
}

RecordingWindow::RecordingWindow() {
    RegisterHostClass();
    window = CreateWindowA(kWindowClass, "Pixavon test host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) throw std::runtime_error("cannot create the host window (no display?)");
    box_hook = SetWindowsHookExA(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
    if (box_hook == nullptr) {
        DestroyWindow(window);
        throw std::runtime_error("cannot hook the boxes");
    }
    g_current = this;
}

RecordingWindow::~RecordingWindow() {
    if (g_current == this) g_current = nullptr;
    UnhookWindowsHookEx(box_hook);
    DestroyWindow(window);
}

PixavonWindowHandle RecordingWindow::handle() const { return window; }

}  // namespace pixavon::test
