// The progress of an operation in a small window of its own over the main
// window: what is being done with the time left (the shared layer's words),
// a bar, and Cancel. It never waits on the card: the main window hands it
// each report as it comes, and Cancel (or Esc, or closing it) calls back.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace pixavon::win32window {

class ProgressWindow {
public:
    // `cancel`: asked to stop the operation; it may be called more than once.
    explicit ProgressWindow(std::function<void()> cancel);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Shows the window over `owner` with `title`, at 0; Cancel offered only
    // when `can_cancel`. If the system refuses the window, nothing is shown
    // (hwnd() stays null) and the main window's status bar says the progress.
    void open(HWND owner, const std::string& title, bool can_cancel, HFONT font, UINT dpi);
    // `text` and `done` (0 to 1).
    void show(const std::string& text, double done);
    void close();
    HWND hwnd() const { return window_; }

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void lay_out();

    std::function<void()> cancel_;
    HWND window_ = nullptr;
    HWND text_ = nullptr;
    HWND bar_ = nullptr;
    HWND button_ = nullptr;
    UINT dpi_ = 96;
};

}  // namespace pixavon::win32window
