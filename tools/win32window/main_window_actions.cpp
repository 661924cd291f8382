// The main window's actions (see main_window.h), made from the shared layer's
// one set: the menu bar, the toolbar, the grid's context menu and the
// keyboard's accelerators, which actions are open in the window's state, and
// the grid's notifications.
#include <cctype>
#include <cstring>

#include "desktop/words.h"
#include "main_window.h"
#include "ui_text.h"

namespace pixavon::win32window {
namespace {

// "Ctrl+Shift+I", "F5", "Del", "Space", "Esc" as an accelerator; nullopt
// for none.
std::optional<ACCEL> accelerator_of(const char* keys, int command) {
    std::string rest = keys;
    if (rest.empty()) return std::nullopt;
    ACCEL accel{};
    accel.fVirt = FVIRTKEY;
    accel.cmd = static_cast<WORD>(command);
    for (;;) {
        if (rest.rfind("Ctrl+", 0) == 0) {
            accel.fVirt |= FCONTROL;
            rest.erase(0, 5);
        } else if (rest.rfind("Shift+", 0) == 0) {
            accel.fVirt |= FSHIFT;
            rest.erase(0, 6);
        } else if (rest.rfind("Alt+", 0) == 0) {
            accel.fVirt |= FALT;
            rest.erase(0, 4);
        } else {
            break;
        }
    }
    if (rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0]))) {
        accel.key = static_cast<WORD>(std::toupper(static_cast<unsigned char>(rest[0])));
    } else if (rest.size() >= 2 && rest[0] == 'F' && std::isdigit(static_cast<unsigned char>(rest[1]))) {
        accel.key = static_cast<WORD>(VK_F1 + std::stoi(rest.substr(1)) - 1);
    } else if (rest == "Del") {
        accel.key = VK_DELETE;
    } else if (rest == "Space") {
        accel.key = VK_SPACE;
    } else if (rest == "Esc") {
        accel.key = VK_ESCAPE;
    } else {
        return std::nullopt;
    }
    return accel;
}

// A menu item's text: the label, and its keys after a tab.
std::wstring menu_text(desktop::Action action) {
    std::string text = desktop::label(action);
    if (const char* keys = desktop::info(action).keys; *keys != '\0') text += std::string("\t") + keys;
    return wide(text);
}

void append(HMENU menu, desktop::Action action) {
    if (action == desktop::Action::kSeparator) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        return;
    }
    const std::wstring text = menu_text(action);
    ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command_id(action)), text.c_str());
}

}  // namespace

void MainWindow::build_menu() {
    menu_ = ::CreateMenu();
    for (const desktop::Menu& menu : desktop::menus()) {
        HMENU items = ::CreatePopupMenu();
        for (const desktop::Action action : menu.items) append(items, action);
        const std::wstring title = wide(desktop::tr(menu.title));
        ::AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(items), title.c_str());
    }
    grid_menu_ = ::CreatePopupMenu();
    for (const desktop::Action action : desktop::grid_menu()) append(grid_menu_, action);
}

void MainWindow::build_toolbar() {
    toolbar_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                 WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0,
                                 0, 0, window_, nullptr, nullptr, nullptr);
    ::SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    // Text only: the words say what each does, in every language.
    ::SendMessageW(toolbar_, TB_SETIMAGELIST, 0, 0);
    std::vector<TBBUTTON> buttons;
    toolbar_texts_.clear();
    for (const desktop::Action action : desktop::toolbar()) {
        if (action != desktop::Action::kSeparator) {
            toolbar_texts_.push_back(wide(desktop::button_text(desktop::label(action))));
        }
    }
    size_t text = 0;
    for (const desktop::Action action : desktop::toolbar()) {
        TBBUTTON button{};
        if (action == desktop::Action::kSeparator) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = I_IMAGENONE;
            button.idCommand = command_id(action);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
            button.iString = reinterpret_cast<INT_PTR>(toolbar_texts_[text++].c_str());
        }
        buttons.push_back(button);
    }
    ::SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void MainWindow::build_accelerators() {
    std::vector<ACCEL> table;
    for (size_t i = 0; i < desktop::kActionCount; ++i) {
        const auto action = static_cast<desktop::Action>(i);
        if (const std::optional<ACCEL> accel = accelerator_of(desktop::info(action).keys, command_id(action))) {
            table.push_back(*accel);
        }
    }
    accelerators_ = ::CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

std::vector<uint32_t> MainWindow::selected_positions() const {
    std::vector<uint32_t> positions;
    if (grid_ == nullptr) return positions;
    int item = -1;
    while ((item = ListView_GetNextItem(grid_, item, LVNI_SELECTED)) >= 0) {
        positions.push_back(static_cast<uint32_t>(item));
    }
    return positions;
}

void MainWindow::update_actions() {
    desktop::WindowState state;
    state.busy = busy_;
    state.operation = operation_;
    state.connected = card_.connected;
    state.usable = card_.usable;
    state.photos = state_.photos;
    state.free = state_.free;
    state.card_mib = card_.card_mib;
    state.rescued = rescued_.kept();
    state.format_in_camera = rescued_.format_in_camera;
    state.selected = grid_ != nullptr ? static_cast<size_t>(ListView_GetSelectedCount(grid_)) : 0;
    open_ = desktop::enabled(state);
    for (size_t i = 0; i < desktop::kActionCount; ++i) {
        const int id = command_id(static_cast<desktop::Action>(i));
        const UINT flag = MF_BYCOMMAND | (open_[i] ? MF_ENABLED : MF_GRAYED);
        ::EnableMenuItem(menu_, static_cast<UINT>(id), flag);
        ::EnableMenuItem(grid_menu_, static_cast<UINT>(id), flag);
        ::SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), MAKELPARAM(open_[i] ? TRUE : FALSE, 0));
    }
    ::EnableWindow(import_selected_button_, desktop::is_enabled(open_, desktop::Action::kImportSelected));
    ::EnableWindow(import_new_button_, desktop::is_enabled(open_, desktop::Action::kImportNew));
    ::EnableWindow(notice_button_, notice_.shown && desktop::is_enabled(open_, notice_.offer));
    if (window_ != nullptr) ::DrawMenuBar(window_);
}

void MainWindow::run(desktop::Action action) {
    using A = desktop::Action;
    if (action == A::kCancel) {
        if (busy_ && desktop::is_enabled(open_, A::kCancel)) cancel_.request();
        return;
    }
    if (action == A::kQuit) {
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
        return;
    }
    // What is not open now (an accelerator pressed while busy) does nothing.
    if (busy_ || !desktop::is_enabled(open_, action)) return;
    switch (action) {
        case A::kOpenImage:
            open_image();
            break;
        case A::kReload:
            reload();
            break;
        case A::kImport:
            import_photos();
            break;
        case A::kImportNew:
            import_new(import_folder());
            break;
        case A::kImportSelected:
            import_selected();
            break;
        case A::kAdd:
            add_pictures();
            break;
        case A::kSave:
            save_selected();
            break;
        case A::kView:
            view_selected();
            break;
        case A::kDelete:
            delete_selected();
            break;
        case A::kBackup:
            back_up();
            break;
        case A::kRestore:
            restore();
            break;
        case A::kFormat:
            format();
            break;
        case A::kRescue:
            rescue(0);
            break;
        case A::kPutBack:
            offer_put_back();
            break;
        case A::kAbout:
            tell(desktop::about(PIXAVON_VERSION));
            break;
        case A::kQuit:
        case A::kCancel:
        case A::kSeparator:
            break;
    }
}

LRESULT MainWindow::on_notify(const NMHDR& notice) {
    if (notice.hwndFrom == grid_) {
        switch (notice.code) {
            case LVN_ITEMCHANGED: {
                const auto& changed = reinterpret_cast<const NMLISTVIEW&>(notice);
                if ((changed.uChanged & LVIF_STATE) != 0) update_actions();
                return 0;
            }
            case LVN_ITEMACTIVATE:
                run(desktop::Action::kView);
                return 0;
            case LVN_GETINFOTIPW: {
                auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(const_cast<NMHDR&>(notice));
                if (tip.iItem < 0 || static_cast<size_t>(tip.iItem) >= photos_.size() || tip.cchTextMax <= 0) return 0;
                const Photo& photo = photos_[static_cast<size_t>(tip.iItem)];
                const std::wstring text = wide(desktop::photo_caption(
                    static_cast<uint32_t>(tip.iItem), photo.imported_as, photo.failed, photo.picture.has_value()));
                ::lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
                return 0;
            }
            default:
                return 0;
        }
    }
    if (notice.hwndFrom == toolbar_ && notice.code == NM_CUSTOMDRAW) {
        // Import, the main button, in bold.
        auto& draw = reinterpret_cast<NMTBCUSTOMDRAW&>(const_cast<NMHDR&>(notice));
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
            draw.nmcd.dwItemSpec == static_cast<DWORD_PTR>(command_id(desktop::Action::kImport))) {
            ::SelectObject(draw.nmcd.hdc, bold_font_);
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    if (notice.code == TTN_GETDISPINFOW) {
        // The toolbar's tooltips: the action's own, or its label.
        auto& tip = reinterpret_cast<NMTTDISPINFOW&>(const_cast<NMHDR&>(notice));
        if (const std::optional<desktop::Action> action = action_of(static_cast<int>(notice.idFrom))) {
            std::string text = desktop::tooltip(*action);
            if (text.empty()) text = desktop::button_text(desktop::label(*action));
            if (const char* keys = desktop::info(*action).keys; *keys != '\0') text += std::string(" (") + keys + ")";
            tooltip_text_ = wide(text);
            tip.lpszText = tooltip_text_.data();
        }
        return 0;
    }
    return 0;
}

}  // namespace pixavon::win32window
