#include "win32/win32_test_support.h"

#include <filesystem>
#include <stdexcept>

#include "platform/platform.h"
#include "platform/win32/win32_parts.h"

namespace pixavon::test {
namespace {

std::vector<RecordedBox> g_boxes;

int WINAPI RecordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    g_boxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", style});
    return IDOK;
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("GetModuleFileNameA failed");
    std::string text(path, length);
    return text.substr(0, text.find_last_of("\\/") + 1);
}

}  // namespace

HMODULE PixavonDll() {
    static const HMODULE module = [] {
        const HMODULE loaded = ::LoadLibraryA((ProgramDirectory() + "pixavon.dll").c_str());
        if (loaded == nullptr) throw std::runtime_error("pixavon.dll does not load");
        return loaded;
    }();
    return module;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return {};
    const int length =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
    return wide;
}

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), length, nullptr, nullptr);
    return ansi;
}

void UseThreadLanguage(LANGID language) {
    ::SetThreadUILanguage(language);
    ::SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
}

BoxRecorder::BoxRecorder() {
    g_boxes.clear();
    win32::ReplaceMessageBox(&RecordBox);
}
BoxRecorder::~BoxRecorder() { win32::ReplaceMessageBox(nullptr); }
const std::vector<RecordedBox>& BoxRecorder::boxes() const { return g_boxes; }

ProgressWindow::ProgressWindow() {
    static const ATOM window_class = [] {
        WNDCLASSA description{};
        description.lpfnWndProc = &ProgressWindow::Procedure;
        description.hInstance = ::GetModuleHandleA(nullptr);
        description.lpszClassName = "PixavonTestProgress";
        return ::RegisterClassA(&description);
    }();
    // Message-only: needs no display.
    window_ = ::CreateWindowExA(0, MAKEINTATOM(window_class), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleA(nullptr), &record_);
    if (window_ == nullptr) throw std::runtime_error("no window");
}

ProgressWindow::~ProgressWindow() { ::DestroyWindow(window_); }

LRESULT CALLBACK ProgressWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    if (message == WM_USER + 1) {
        auto* record = reinterpret_cast<ProgressRecord*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        ++record->messages;
        if (wparam != 0 || lparam != 0) ++record->with_nonzero_parameters;
        return 0;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

PipeCamera::PipeCamera() {
    static int serial = 0;
    const std::string name =
        "\\\\.\\pipe\\pixavon-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial);
    server_ = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                                 1 << 16, 1 << 16, 0, nullptr);
    if (server_ == INVALID_HANDLE_VALUE) throw std::runtime_error("CreateNamedPipeA failed");
    client_ = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (client_ == INVALID_HANDLE_VALUE) throw std::runtime_error("pipe client does not open");
    if (!::ConnectNamedPipe(server_, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
        throw std::runtime_error("ConnectNamedPipe failed");
    }
}

PipeCamera::~PipeCamera() {
    Hangup();
    if (!client_given_away_) ::CloseHandle(client_);
}

void PipeCamera::InstallAsDevice() {
    State().device = client_;
    client_given_away_ = true;
}

std::vector<std::uint8_t> PipeCamera::Receive(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    std::size_t done = 0;
    while (done < length) {
        DWORD got = 0;
        if (!::ReadFile(server_, bytes.data() + done, static_cast<DWORD>(length - done), &got, nullptr) || got == 0) {
            bytes.resize(done);
            break;
        }
        done += got;
    }
    return bytes;
}

void PipeCamera::Send(const std::vector<std::uint8_t>& bytes) {
    DWORD put = 0;
    if (!::WriteFile(server_, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) || put != bytes.size()) {
        throw std::runtime_error("pipe write failed");
    }
}

void PipeCamera::Hangup() {
    if (server_ != INVALID_HANDLE_VALUE) {
        ::CloseHandle(server_);
        server_ = INVALID_HANDLE_VALUE;
    }
}

ScratchDir::ScratchDir() {
    char base[MAX_PATH];
    const DWORD length = ::GetTempPathA(MAX_PATH, base);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("GetTempPathA failed");
    static int serial = 0;
    dir_ = std::string(base, length) + "pixavon-w32-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(++serial);
    if (!::CreateDirectoryA(dir_.c_str(), nullptr)) throw std::runtime_error("CreateDirectoryA failed");
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

LibraryStateGuard::LibraryStateGuard() {
    InstallPlatform(nullptr);
    State() = LibraryState{};
}

LibraryStateGuard::~LibraryStateGuard() {
    if (State().device != nullptr) ::CloseHandle(State().device);
    State() = LibraryState{};
    InstallPlatform(nullptr);
}

std::vector<std::uint8_t> Packet(std::uint8_t code, std::uint16_t address) {
    std::vector<std::uint8_t> packet(16, 0);
    packet[0] = 0x85;
    packet[1] = code;
    packet[3] = static_cast<std::uint8_t>(address & 0xFF);
    packet[4] = static_cast<std::uint8_t>(address >> 8);
    return packet;
}

std::vector<std::uint8_t> Pattern(std::size_t length, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(length);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

}  // namespace pixavon::test
