// The progress window (see progress_window.h).
#include "progress_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "desktop/actions.h"
#include "os/win32/text.h"
#include "ui_text.h"

namespace pixavon::win32window {
namespace {

constexpr wchar_t kClass[] = L"PixavonProgress";
constexpr int kBarSteps = 1000;

}  // namespace

ProgressWindow::ProgressWindow(std::function<void()> cancel) : cancel_(std::move(cancel)) {}

ProgressWindow::~ProgressWindow() { close(); }

void ProgressWindow::open(HWND owner, const std::string& title, bool can_cancel, HFONT font, UINT dpi) {
    close();
    static const ATOM registered = [] {
        WNDCLASSEXW kind{};
        kind.cbSize = sizeof(kind);
        kind.lpfnWndProc = &ProgressWindow::proc;
        kind.hInstance = ::GetModuleHandleW(nullptr);
        kind.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        kind.lpszClassName = kClass;
        return ::RegisterClassExW(&kind);
    }();
    if (registered == 0) return;
    dpi_ = dpi;
    const auto scaled = [dpi](int pixels) { return ::MulDiv(pixels, static_cast<int>(dpi), 96); };
    const std::wstring caption = wide(title);
    // Wide enough for a line of progress in any of the languages; centred
    // over the main window.
    RECT over{};
    ::GetWindowRect(owner, &over);
    const int width = scaled(460);
    const int height = scaled(150);
    const int left = over.left + (over.right - over.left - width) / 2;
    const int top = over.top + (over.bottom - over.top - height) / 2;
    window_ = ::CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClass, caption.c_str(),
                                WS_POPUP | WS_CAPTION | WS_SYSMENU, left, top, width, height, owner, nullptr,
                                ::GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) return;
    text_ = ::CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, 0,
                              0, 0, window_, nullptr, nullptr, nullptr);
    bar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_, nullptr, nullptr,
                             nullptr);
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, kBarSteps);
    const std::wstring cancel = wide(desktop::label(desktop::Action::kCancel));
    button_ =
        ::CreateWindowExW(0, WC_BUTTONW, cancel.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0,
                          0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), nullptr, nullptr);
    ::EnableWindow(button_, can_cancel);
    for (HWND child : {text_, bar_, button_}) ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    lay_out();
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::UpdateWindow(window_);
}

void ProgressWindow::lay_out() {
    if (window_ == nullptr) return;
    const auto scaled = [this](int pixels) { return ::MulDiv(pixels, static_cast<int>(dpi_), 96); };
    RECT client{};
    ::GetClientRect(window_, &client);
    const int margin = scaled(12);
    const int inner = client.right - 2 * margin;
    const int button_width = scaled(96);
    const int button_height = scaled(28);
    ::MoveWindow(text_, margin, margin, inner, scaled(22), TRUE);
    ::MoveWindow(bar_, margin, margin + scaled(28), inner, scaled(18), TRUE);
    ::MoveWindow(button_, client.right - margin - button_width, client.bottom - margin - button_height, button_width,
                 button_height, TRUE);
}

void ProgressWindow::show(const std::string& text, double done) {
    if (window_ == nullptr) return;
    const std::wstring shown = wide(text);
    ::SetWindowTextW(text_, shown.c_str());
    const double clamped = std::clamp(done, 0.0, 1.0);
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(std::lround(clamped * kBarSteps)), 0);
}

void ProgressWindow::close() {
    if (window_ == nullptr) return;
    HWND window = window_;
    window_ = nullptr;
    ::DestroyWindow(window);
}

LRESULT CALLBACK ProgressWindow::proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* created = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL && self != nullptr && ::IsWindowEnabled(self->button_)) self->cancel_();
            return 0;
        case WM_CLOSE:
            // Closing it asks to cancel; it goes once the operation has ended.
            if (self != nullptr && ::IsWindowEnabled(self->button_)) self->cancel_();
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace pixavon::win32window
