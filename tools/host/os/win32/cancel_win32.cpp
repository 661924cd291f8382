// CancelToken on Windows, and the console's break events that request it.
// Windows has no descriptor to wake a poll with: fd() stays -1 (no waiting
// code there reads it).
#include <windows.h>

#include <atomic>
#include <csignal>

#include "cancel.h"
#include "os/win32/console_cancel.h"

namespace pixavon::host {

CancelToken::CancelToken() = default;

CancelToken::~CancelToken() = default;

void CancelToken::request(int signal) {
    int none = 0;
    signal_.compare_exchange_strong(none, signal);
    requested_ = true;
}

void CancelToken::reset() {
    requested_ = false;
    signal_ = 0;
}

namespace win32 {
namespace {

std::atomic<CancelToken*> g_token{nullptr};

// Runs on a thread the system starts for the event.
BOOL WINAPI on_console_event(DWORD event) {
    CancelToken* token = g_token.load();
    if (token == nullptr) return FALSE;
    switch (event) {
        case CTRL_C_EVENT:
            token->request(SIGINT);
            return TRUE;
        case CTRL_BREAK_EVENT:
            token->request(SIGBREAK);
            return TRUE;
        default:
            // Closing, logging off, shutting down: the process ends when this
            // returns. It waits the time Windows allows, while the operation
            // stops and cleans up; the program's own exit ends it sooner.
            token->request(SIGTERM);
            ::Sleep(4500);
            return TRUE;
    }
}

}  // namespace

bool cancel_on_console_break(CancelToken& token) {
    g_token = &token;
    static const bool installed = ::SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
    return installed;
}

}  // namespace win32
}  // namespace pixavon::host
