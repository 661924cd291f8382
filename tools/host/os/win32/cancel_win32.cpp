// CancelToken on Windows, and the console's events that request it.
// Windows has no descriptor to wake a poll with: fd() stays -1 (no waiting
// code there reads it).
#include <windows.h>

#include <atomic>
#include <csignal>
#include <string>

#include "cancel.h"
#include "os/os.h"
#include "os/win32/text.h"

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

namespace os {
namespace {

std::atomic<CancelToken*> g_token{nullptr};
// Set before the handler is installed, read only after.
std::string g_first;
std::string g_again;

// Asks the token to stop, and says so.
BOOL interrupt(CancelToken& token, int signal) {
    const bool first = !token.requested();
    token.request(signal);
    win32::write_stderr(first ? g_first : g_again);
    return TRUE;
}

// Runs on a thread the system starts for the event.
BOOL WINAPI on_console_event(DWORD event) {
    CancelToken* token = g_token.load();
    if (token == nullptr) return FALSE;
    switch (event) {
        case CTRL_C_EVENT:
            return interrupt(*token, SIGINT);
        case CTRL_BREAK_EVENT:
            return interrupt(*token, SIGBREAK);
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

void stop_on_interrupt(CancelToken& token, std::string first, std::string again) {
    g_first = std::move(first);
    g_again = std::move(again);
    g_token = &token;
    ::SetConsoleCtrlHandler(on_console_event, TRUE);
}

}  // namespace os
}  // namespace pixavon::host
