// Shared pieces of the Windows tests: pixavon.dll as a host loads it, text
// conversions, a recorder in place of MessageBoxA, a window that counts
// progress messages, a named pipe standing in for the camera.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame/library_state.h"

namespace pixavon::test {

// pixavon.dll from the test program's own directory, loaded once for the run.
HMODULE PixavonDll();
template <typename Function>
Function DllFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(PixavonDll(), name)));
}

std::wstring Utf8ToWide(const std::string& text);
// `text` in the process's ANSI code page, as LoadStringA converts it.
std::string WideToAnsi(const std::wstring& text);

// Picks a language both ways a resource loader may look for it: the thread's
// UI language (Windows) and the thread locale (wine).
void UseThreadLanguage(LANGID language);

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};
// Replaces MessageBoxA while alive; boxes are recorded instead of shown.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
    const std::vector<RecordedBox>& boxes() const;
};

// A message-only window whose procedure records every WM_USER + 1 it gets.
struct ProgressRecord {
    int messages = 0;
    int with_nonzero_parameters = 0;
};
class ProgressWindow {
public:
    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    HWND handle() const { return window_; }
    const ProgressRecord& record() const { return record_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    HWND window_ = nullptr;
    ProgressRecord record_;
};

// A byte-mode named pipe: the library holds the client end as its device
// handle, the test plays the camera on the server end.
class PipeCamera {
public:
    PipeCamera();
    ~PipeCamera();
    PipeCamera(const PipeCamera&) = delete;
    PipeCamera& operator=(const PipeCamera&) = delete;
    HANDLE client() const { return client_; }
    // Hands the client end to the library (which closes it from then on).
    void InstallAsDevice();
    // The camera's side.
    std::vector<std::uint8_t> Receive(std::size_t length);
    void Send(const std::vector<std::uint8_t>& bytes);
    void Hangup();

private:
    HANDLE server_ = INVALID_HANDLE_VALUE;
    HANDLE client_ = INVALID_HANDLE_VALUE;
    bool client_given_away_ = false;
};

// A fresh directory under the temporary directory, removed afterwards.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

private:
    std::string dir_;
};

// Resets the library's state and platform around each test.
class LibraryStateGuard {
public:
    LibraryStateGuard();
    ~LibraryStateGuard();
};

std::vector<std::uint8_t> Packet(std::uint8_t code, std::uint16_t address);
std::vector<std::uint8_t> Pattern(std::size_t length, std::uint32_t seed);

}  // namespace pixavon::test
