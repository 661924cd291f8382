// The main window (see main_window.h): how it is built and laid out for the
// monitor's pixel density and the person's message font, the notice above
// the grid, the status bar, the camera noticed when plugged in or out, and
// the window's own messages. Its actions are main_window_actions.cpp's; what
// happens on the card is main_window_operations.cpp's.
#include "main_window.h"

#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include <algorithm>

#include "desktop/words.h"
#include "os/win32/text.h"
#include "platform/win32/win32_parts.h"
#include "ui_text.h"

namespace pixavon::win32window {
namespace {

constexpr wchar_t kClass[] = L"PixavonWindow";
constexpr int kNoticeButton = 900;

// The per-monitor functions of Windows 10, where there are; else what
// Windows 7 has.
UINT dpi_of(HWND window) {
    using GetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto get = reinterpret_cast<GetDpiForWindow>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get != nullptr && window != nullptr) {
        if (const UINT dpi = get(window); dpi != 0) return dpi;
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The person's message font for `dpi` (it has the fallback fonts for
// Japanese and Chinese); bold if asked.
HFONT message_font(UINT dpi, bool bold) {
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const auto for_dpi = reinterpret_cast<ForDpi>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    bool scaled = false;
    if (for_dpi != nullptr) scaled = for_dpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi) != FALSE;
    if (!scaled) {
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        // The system's font is for the system's density.
        const UINT system = dpi_of(nullptr);
        metrics.lfMessageFont.lfHeight =
            ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(system));
    }
    if (bold) metrics.lfMessageFont.lfWeight = FW_BOLD;
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
}

SIZE text_size(HWND window, HFONT font, const std::wstring& text) {
    HDC dc = ::GetDC(window);
    HGDIOBJ before = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, before);
    ::ReleaseDC(window, dc);
    return size;
}

// `text` shortened in the middle to fit `width` pixels, as a path is.
std::wstring elided(HWND window, HFONT font, const std::wstring& text, int width) {
    std::wstring buffer = text;
    buffer.resize(text.size() + 8, L'\0');
    HDC dc = ::GetDC(window);
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ before = ::SelectObject(memory, font);
    RECT area{0, 0, std::max(width, 1), 1000};
    ::DrawTextW(memory, buffer.data(), -1, &area, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_NOPREFIX);
    ::SelectObject(memory, before);
    ::DeleteDC(memory);
    ::ReleaseDC(window, dc);
    buffer.resize(::wcsnlen(buffer.c_str(), buffer.size()));
    return buffer;
}

}  // namespace

MainWindow::MainWindow(CardThread& thread, host::CancelToken& cancel, WindowOptions options)
    : thread_(thread), cancel_(cancel), options_(std::move(options)) {
    progress_ = std::make_unique<ProgressWindow>([this] {
        if (busy_) cancel_.request();
    });
}

MainWindow::~MainWindow() {
    if (device_notification_ != nullptr) ::UnregisterDeviceNotification(device_notification_);
    if (window_ != nullptr) ::DestroyWindow(window_);
    progress_.reset();
    if (grid_menu_ != nullptr) ::DestroyMenu(grid_menu_);
    if (accelerators_ != nullptr) ::DestroyAcceleratorTable(accelerators_);
    if (thumbnails_ != nullptr) ::ImageList_Destroy(thumbnails_);
    for (HGDIOBJ font : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(bold_font_)}) {
        if (font != nullptr) ::DeleteObject(font);
    }
    for (HICON icon : {icon_, small_icon_}) {
        if (icon != nullptr) ::DestroyIcon(icon);
    }
}

bool MainWindow::create(int show) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW kind{};
    kind.cbSize = sizeof(kind);
    kind.lpfnWndProc = &MainWindow::proc;
    kind.hInstance = instance;
    kind.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    kind.lpszClassName = kClass;
    ::LoadIconMetric(instance, MAKEINTRESOURCEW(1), LIM_LARGE, &icon_);
    ::LoadIconMetric(instance, MAKEINTRESOURCEW(1), LIM_SMALL, &small_icon_);
    kind.hIcon = icon_;
    kind.hIconSm = small_icon_;
    if (::RegisterClassExW(&kind) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    const std::wstring title = wide(desktop::program_name());
    // 960 x 680 at the density of the primary monitor, within its work area.
    const UINT dpi = dpi_of(nullptr);
    RECT work_area{0, 0, 1024, 768};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_area, 0);
    const int width = std::min<int>(::MulDiv(960, static_cast<int>(dpi), 96), work_area.right - work_area.left);
    const int height = std::min<int>(::MulDiv(680, static_cast<int>(dpi), 96), work_area.bottom - work_area.top);
    window_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr, instance, this);
    if (window_ == nullptr) return false;
    ::ShowWindow(window_, show);
    ::UpdateWindow(window_);
    return true;
}

void MainWindow::build() {
    build_menu();
    ::SetMenu(window_, menu_);
    build_toolbar();
    build_accelerators();
    grid_ = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_ICON | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS, 0, 0,
        0, 0, window_, nullptr, nullptr, nullptr);
    ListView_SetExtendedListViewStyle(grid_, LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
    const std::wstring grid_name = wide(desktop::grid_name());
    ::SetWindowTextW(grid_, grid_name.c_str());
    empty_ = ::CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | SS_CENTER | SS_NOPREFIX, 0, 0, 0, 0, window_, nullptr,
                               nullptr, nullptr);
    const auto button = [this](int id) {
        return ::CreateWindowExW(0, WC_BUTTONW, L"", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    import_selected_button_ = button(command_id(desktop::Action::kImportSelected));
    import_new_button_ = button(command_id(desktop::Action::kImportNew));
    notice_button_ = button(kNoticeButton);
    // The core's own words on what is wrong, over the notice.
    notice_tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                    nullptr, nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = kNoticeButton;
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(notice_tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    status_bar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                    window_, nullptr, nullptr, nullptr);
    apply_dpi(dpi_of(window_));
    register_device_notification();
    // Pictures dropped on the window go on the card, as with Add pictures.
    ::DragAcceptFiles(window_, TRUE);
    update_actions();
    ::SetFocus(grid_);
}

void MainWindow::apply_dpi(UINT dpi) {
    dpi_ = dpi;
    for (HGDIOBJ font : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(bold_font_)}) {
        if (font != nullptr) ::DeleteObject(font);
    }
    font_ = message_font(dpi, false);
    bold_font_ = message_font(dpi, true);
    for (HWND child :
         {toolbar_, grid_, empty_, import_selected_button_, import_new_button_, notice_button_, status_bar_}) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    // The toolbar measures its buttons again for the new font, with room
    // around the words at any density.
    ::SendMessageW(toolbar_, TB_SETPADDING, 0,
                   MAKELPARAM(::MulDiv(14, static_cast<int>(dpi), 96), ::MulDiv(10, static_cast<int>(dpi), 96)));
    ::SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, ::MulDiv(20, static_cast<int>(dpi), 96)));
    ::SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0, 0);
    ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    // Thumbnails at the photo's half size at 100%, its whole size at 200%.
    thumb_width_ = ::MulDiv(161, static_cast<int>(dpi), 96);
    thumb_height_ = ::MulDiv(121, static_cast<int>(dpi), 96);
    ListView_SetIconSpacing(grid_, thumb_width_ + ::MulDiv(20, static_cast<int>(dpi), 96),
                            thumb_height_ + ::MulDiv(40, static_cast<int>(dpi), 96));
    set_texts();
    // The thumbnails are drawn again at the new size.
    if (!photos_.empty()) {
        contents_changed();
    }
    lay_out();
}

void MainWindow::set_texts() {
    const std::wstring empty_text = wide(desktop::empty_card_text());
    ::SetWindowTextW(empty_, empty_text.c_str());
    const std::wstring selected = wide(desktop::button_text(desktop::label(desktop::Action::kImportSelected)));
    const std::wstring all_new = wide(desktop::button_text(desktop::label(desktop::Action::kImportNew)));
    ::SetWindowTextW(import_selected_button_, selected.c_str());
    ::SetWindowTextW(import_new_button_, all_new.c_str());
}

int MainWindow::scaled(int pixels) const { return ::MulDiv(pixels, static_cast<int>(dpi_), 96); }

int MainWindow::button_width(HWND button) const {
    wchar_t text[256] = {};
    ::GetWindowTextW(button, text, 256);
    return static_cast<int>(text_size(window_, font_, text).cx) + scaled(24);
}

int MainWindow::notice_height(int width) const {
    if (!notice_.shown) return 0;
    const int margin = scaled(10);
    const int text_width = std::max(width - button_width(notice_button_) - 3 * margin, scaled(80));
    HDC dc = ::GetDC(window_);
    int height = 0;
    const auto measure = [&](HFONT font, const std::string& text) {
        if (text.empty()) return;
        const std::wstring shown = wide(text);
        RECT area{0, 0, text_width, 0};
        HGDIOBJ before = ::SelectObject(dc, font);
        ::DrawTextW(dc, shown.c_str(), -1, &area, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        ::SelectObject(dc, before);
        height += area.bottom - area.top;
    };
    measure(bold_font_, notice_.headline);
    measure(font_, notice_.body);
    ::ReleaseDC(window_, dc);
    const int button_height = scaled(28);
    return std::max(height, button_height) + 2 * margin;
}

void MainWindow::paint_notice(HDC dc, const RECT& area) {
    HBRUSH background = ::GetSysColorBrush(COLOR_INFOBK);
    ::FillRect(dc, &area, background);
    const int margin = scaled(10);
    RECT text{area.left + margin, area.top + margin, area.right - button_width(notice_button_) - 2 * margin,
              area.bottom - margin};
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
    const auto draw = [&](HFONT font, const std::string& said) {
        if (said.empty()) return;
        const std::wstring shown = wide(said);
        HGDIOBJ before = ::SelectObject(dc, font);
        RECT measured = text;
        ::DrawTextW(dc, shown.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        ::DrawTextW(dc, shown.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
        text.top += measured.bottom - measured.top;
        ::SelectObject(dc, before);
    };
    draw(bold_font_, notice_.headline);
    draw(font_, notice_.body);
}

void MainWindow::lay_out() {
    if (window_ == nullptr || toolbar_ == nullptr) return;
    RECT client{};
    ::GetClientRect(window_, &client);
    const int width = client.right;
    ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    RECT bar{};
    ::GetWindowRect(toolbar_, &bar);
    int top = bar.bottom - bar.top;
    ::SendMessageW(status_bar_, WM_SIZE, 0, 0);
    RECT status{};
    ::GetWindowRect(status_bar_, &status);
    const int bottom = client.bottom - (status.bottom - status.top);

    const int margin = scaled(10);
    const int button_height = scaled(28);
    const int notice = notice_height(width);
    notice_area_ = RECT{0, top, width, top + notice};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window_;
    tool.uId = kNoticeButton;
    tool.rect = notice_.tooltip.empty() ? RECT{} : notice_area_;
    ::SendMessageW(notice_tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::ShowWindow(notice_button_, notice_.shown ? SW_SHOW : SW_HIDE);
    if (notice_.shown) {
        const int w = button_width(notice_button_);
        ::MoveWindow(notice_button_, width - margin - w, top + (notice - button_height) / 2, w, button_height, TRUE);
        top += notice;
    }
    // Right above the grid: the two imports that need no questions.
    const bool usable = card_.usable;
    ::ShowWindow(import_selected_button_, usable ? SW_SHOW : SW_HIDE);
    ::ShowWindow(import_new_button_, usable ? SW_SHOW : SW_HIDE);
    if (usable) {
        const int gap = scaled(6);
        const int new_width = button_width(import_new_button_);
        const int selected_width = button_width(import_selected_button_);
        ::MoveWindow(import_new_button_, width - margin - new_width, top + gap, new_width, button_height, TRUE);
        ::MoveWindow(import_selected_button_, width - margin - new_width - gap - selected_width, top + gap,
                     selected_width, button_height, TRUE);
        top += button_height + 2 * gap;
    }
    const bool empty = card_.usable && card_.slots.empty();
    ::ShowWindow(grid_, empty ? SW_HIDE : SW_SHOW);
    ::ShowWindow(empty_, empty ? SW_SHOW : SW_HIDE);
    const int pad = scaled(24);
    ::MoveWindow(grid_, 0, top, width, std::max(bottom - top, 0), TRUE);
    ::MoveWindow(empty_, pad, top + pad, std::max(width - 2 * pad, 0), std::max(bottom - top - 2 * pad, 0), TRUE);
    show_status();
    // The notice drawn afresh, and what it leaves when it goes.
    ::InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::show_status() {
    if (status_bar_ == nullptr) return;
    RECT client{};
    ::GetClientRect(status_bar_, &client);
    const int width = client.right;
    const std::wstring usage = wide(desktop::card_usage(state_));
    const int usage_width = static_cast<int>(text_size(window_, font_, usage).cx) + scaled(24);
    // Where imports go: up to nearly half the bar, the folder shortened in
    // the middle when it is longer.
    const std::wstring destination = wide(desktop::destination_text(import_folder()));
    const int destination_width =
        std::min<int>(text_size(window_, font_, destination).cx + scaled(30), std::max(width * 45 / 100, scaled(120)));
    const int parts[] = {std::max(width - usage_width - destination_width, scaled(40)),
                         std::max(width - destination_width, scaled(80)), -1};
    ::SendMessageW(status_bar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    const std::wstring activity = wide(activity_);
    ::SendMessageW(status_bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(activity.c_str()));
    ::SendMessageW(status_bar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(usage.c_str()));
    const std::wstring shown = elided(window_, font_, destination, destination_width - scaled(30));
    ::SendMessageW(status_bar_, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(shown.c_str()));
}

void MainWindow::update_notice() {
    notice_ = desktop::notice(state_, rescued_);
    if (notice_.shown) {
        const std::wstring offer = wide(desktop::button_text(desktop::label(notice_.offer)));
        ::SetWindowTextW(notice_button_, offer.c_str());
    }
    notice_tip_text_ = wide(notice_.tooltip);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window_;
    tool.uId = kNoticeButton;
    tool.lpszText = notice_tip_text_.data();
    ::SendMessageW(notice_tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    lay_out();
}

void MainWindow::register_device_notification() {
    // The camera's own interface class, as the library looks for it.
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = pixavon::win32::kCameraInterfaceClass;
    device_notification_ = ::RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

bool MainWindow::translate(MSG& message) {
    if (progress_->hwnd() != nullptr && ::IsDialogMessageW(progress_->hwnd(), &message)) return true;
    // The keys are the main window's, not those of a photo's own window.
    if (window_ == nullptr || accelerators_ == nullptr ||
        (message.hwnd != window_ && ::IsChild(window_, message.hwnd) == FALSE)) {
        return false;
    }
    if (message.message == WM_KEYDOWN && ::GetFocus() == grid_ && message.wParam == VK_RETURN) {
        run(desktop::Action::kView);
        return true;
    }
    // Space and Del are the grid's: elsewhere they are the control's own.
    if (message.message == WM_KEYDOWN && (message.wParam == VK_SPACE || message.wParam == VK_DELETE) &&
        ::GetFocus() != grid_) {
        return false;
    }
    if (::TranslateAcceleratorW(window_, accelerators_, &message)) return true;
    // Tab moves between the grid and the buttons.
    return ::IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK MainWindow::proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* created = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        auto* self = static_cast<MainWindow*>(created->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            build();
            return 0;
        case WM_SIZE:
            lay_out();
            return 0;
        case WM_DPICHANGED: {
            apply_dpi(HIWORD(wparam));
            const auto* suggested = reinterpret_cast<const RECT*>(lparam);
            ::SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
            limits->ptMinTrackSize = POINT{scaled(480), scaled(360)};
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = ::BeginPaint(window_, &paint);
            if (notice_.shown) paint_notice(dc, notice_area_);
            ::EndPaint(window_, &paint);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lparam) == empty_) {
                auto* dc = reinterpret_cast<HDC>(wparam);
                ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
                ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_COMMAND: {
            const int id = LOWORD(wparam);
            if (id == kNoticeButton) {
                if (notice_.shown) run(notice_.offer);
            } else if (const std::optional<desktop::Action> action = action_of(id)) {
                run(*action);
            }
            return 0;
        }
        case WM_NOTIFY:
            return on_notify(*reinterpret_cast<NMHDR*>(lparam));
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wparam) == grid_) {
                POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
                if (at.x == -1 && at.y == -1) {
                    // From the keyboard: at the grid's corner.
                    at = POINT{scaled(16), scaled(16)};
                    ::ClientToScreen(grid_, &at);
                }
                ::TrackPopupMenu(grid_menu_, TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
                return 0;
            }
            break;
        case WM_DEVICECHANGE:
            // A camera plugged in or out: read again once things settle
            // (unless the window works on a card image).
            if ((wparam == DBT_DEVICEARRIVAL || wparam == DBT_DEVICEREMOVECOMPLETE) && card_.image.empty()) {
                ::SetTimer(window_, kReplugTimer, 300, nullptr);
            }
            return TRUE;
        case WM_TIMER:
            if (wparam == kReplugTimer) {
                // Once the operation under way has ended, and no dialog is
                // open (it disables the window while it is).
                if (!busy_ && ::IsWindowEnabled(window_)) {
                    ::KillTimer(window_, kReplugTimer);
                    reload();
                }
                return 0;
            }
            if (wparam == kLookForCameraTimer) {
                // No camera yet: looked for again now and then, for a system
                // that does not tell when one is plugged in.
                if (!busy_ && ::IsWindowEnabled(window_) && !card_.connected && card_.image.empty()) reload();
                return 0;
            }
            if (wparam == kScreenshotTimer) {
                take_screenshot();
                return 0;
            }
            break;
        case kCardEventMessage: {
            const std::unique_ptr<CardEvent> event = take_event(lparam);
            on_event(*event);
            return 0;
        }
        case WM_DROPFILES: {
            auto* drop = reinterpret_cast<HDROP>(wparam);
            std::vector<std::string> files;
            const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count; ++i) {
                std::wstring name(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
                const UINT length = ::DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size()));
                name.resize(length);
                if (!name.empty()) files.push_back(host::win32::to_utf8(name));
            }
            ::DragFinish(drop);
            if (desktop::is_enabled(open_, desktop::Action::kAdd)) add_files(std::move(files));
            return 0;
        }
        case WM_CLOSE:
            if (!busy_) {
                ::DestroyWindow(window_);
                return 0;
            }
            if (operation_ == desktop::Operation::kRestore) {
                activity_ = desktop::closing_after_restore();
                show_status();
            } else {
                // Stops after the current unit of work; the window closes then.
                cancel_.request();
            }
            close_pending_ = true;
            return 0;
        case WM_DESTROY:
            progress_->close();
            ::PostQuitMessage(status_);
            return 0;
        case WM_NCDESTROY: {
            HWND gone = window_;
            window_ = nullptr;
            return ::DefWindowProcW(gone, message, wparam, lparam);
        }
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wparam, lparam);
}

}  // namespace pixavon::win32window
