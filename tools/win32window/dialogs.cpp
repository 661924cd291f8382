// The system's dialogs for the window (see dialogs.h).
#include "dialogs.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <system_error>

#include "desktop/actions.h"
#include "desktop/phrases.h"
#include "desktop/window.h"
#include "desktop/words.h"
#include "os/win32/com.h"
#include "os/win32/text.h"
#include "ui_text.h"

namespace pixavon::win32window {
namespace {

using host::win32::Com;

std::string narrow(const wchar_t* text) { return text != nullptr ? host::win32::to_utf8(text) : std::string(); }

// The first custom button's id; the others follow.
constexpr int kFirstButton = 1000;

// "Name (*.a *.b);;Other (*)" as the dialog's pairs of a name and
// "*.a;*.b". The strings live as long as `names` and `patterns`.
std::vector<COMDLG_FILTERSPEC> filter_specs(const std::string& filter, std::vector<std::wstring>& names,
                                            std::vector<std::wstring>& patterns) {
    size_t start = 0;
    while (start <= filter.size()) {
        size_t end = filter.find(";;", start);
        if (end == std::string::npos) end = filter.size();
        const std::string entry = filter.substr(start, end - start);
        const size_t open = entry.rfind('(');
        const size_t close = entry.rfind(')');
        if (!entry.empty() && open != std::string::npos && close != std::string::npos && close > open) {
            std::string list = entry.substr(open + 1, close - open - 1);
            for (char& c : list) {
                if (c == ' ') c = ';';
            }
            names.push_back(wide(entry));
            patterns.push_back(wide(list));
        }
        start = end + 2;
    }
    std::vector<COMDLG_FILTERSPEC> specs;
    for (size_t i = 0; i < names.size(); ++i) specs.push_back({names[i].c_str(), patterns[i].c_str()});
    return specs;
}

Com<IShellItem> shell_item(const std::string& path) {
    Com<IShellItem> item;
    if (path.empty()) return item;
    const std::wstring name = wide(path);
    ::SHCreateItemFromParsingName(name.c_str(), nullptr, IID_PPV_ARGS(item.out()));
    return item;
}

std::string path_of(IShellItem* item) {
    wchar_t* name = nullptr;
    if (item == nullptr || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) return {};
    std::string path = narrow(name);
    ::CoTaskMemFree(name);
    return path;
}

// The folder itself if it exists, else the nearest one above it that does.
std::string existing_folder(const std::string& start) {
    std::error_code error;
    std::filesystem::path folder(wide(start));
    for (int up = 0; up < 64 && !folder.empty(); ++up) {
        if (std::filesystem::is_directory(folder, error)) return narrow(folder.c_str());
        const std::filesystem::path parent = folder.parent_path();
        if (parent == folder) break;
        folder = parent;
    }
    return {};
}

// A common item dialog of `kind` set up with `title`, `filter` and `options`.
template <typename Dialog>
Com<Dialog> item_dialog(REFCLSID kind, const std::string& title, const std::string& filter, FILEOPENDIALOGOPTIONS add,
                        std::vector<std::wstring>& names, std::vector<std::wstring>& patterns) {
    Com<Dialog> dialog;
    if (FAILED(::CoCreateInstance(kind, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.out())))) return dialog;
    const std::wstring shown_title = wide(title);
    dialog->SetTitle(shown_title.c_str());
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_FORCEFILESYSTEM | add);
    if (!filter.empty()) {
        const std::vector<COMDLG_FILTERSPEC> specs = filter_specs(filter, names, patterns);
        if (!specs.empty()) dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
    }
    return dialog;
}

}  // namespace

desktop::Reply show_message(HWND owner, const desktop::Message& message, const std::string& title) {
    const std::wstring caption = wide(message.title.empty() ? title : message.title);
    const std::wstring headline = wide(message.headline);
    const std::wstring details = wide(message.details);
    std::vector<std::wstring> texts;
    texts.reserve(message.buttons.size());
    std::vector<TASKDIALOG_BUTTON> buttons;
    for (size_t i = 0; i < message.buttons.size(); ++i) texts.push_back(wide(message.buttons[i].text));
    for (size_t i = 0; i < texts.size(); ++i) buttons.push_back({kFirstButton + static_cast<int>(i), texts[i].c_str()});

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.hInstance = ::GetModuleHandleW(nullptr);
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW | TDF_SIZE_TO_CONTENT;
    config.pszWindowTitle = caption.c_str();
    config.pszMainInstruction = headline.c_str();
    config.pszContent = details.empty() ? nullptr : details.c_str();
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    // Closing, the safe answer, is what Enter does.
    const bool question = message.kind == desktop::MessageKind::kQuestion;
    config.dwCommonButtons = question ? TDCBF_CANCEL_BUTTON : TDCBF_OK_BUTTON;
    config.nDefaultButton = question ? IDCANCEL : IDOK;
    switch (message.kind) {
        case desktop::MessageKind::kWarning:
            config.pszMainIcon = TD_WARNING_ICON;
            break;
        case desktop::MessageKind::kQuestion:
            config.dwFlags |= TDF_USE_HICON_MAIN;
            config.hMainIcon = ::LoadIconW(nullptr, IDI_QUESTION);
            break;
        case desktop::MessageKind::kInformation:
            if (!message.title.empty()) {
                // A box of its own (About): the program's icon.
                config.dwFlags |= TDF_USE_HICON_MAIN;
                config.hMainIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
            } else {
                config.pszMainIcon = TD_INFORMATION_ICON;
            }
            break;
    }
    int pressed = 0;
    if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
        // The plain box, where a Task Dialog cannot be made: what it says is
        // still seen, and a question still answered.
        const std::wstring text = headline + (details.empty() ? L"" : L"\n\n" + details);
        const UINT icon = question
                              ? MB_ICONQUESTION
                              : (message.kind == desktop::MessageKind::kWarning ? MB_ICONWARNING : MB_ICONINFORMATION);
        const int answer = ::MessageBoxW(owner, text.c_str(), caption.c_str(), icon | (question ? MB_YESNO : MB_OK));
        if (question && answer == IDYES) {
            for (const desktop::Message::Button& button : message.buttons) {
                if (button.reply == desktop::Reply::kYes) return desktop::Reply::kYes;
            }
        }
        return desktop::Reply::kOk;
    }
    const int index = pressed - kFirstButton;
    if (index >= 0 && static_cast<size_t>(index) < message.buttons.size()) {
        return message.buttons[static_cast<size_t>(index)].reply;
    }
    return desktop::Reply::kOk;
}

std::optional<std::string> open_file(HWND owner, const std::string& title, const std::string& filter) {
    std::vector<std::wstring> names;
    std::vector<std::wstring> patterns;
    Com<IFileOpenDialog> dialog =
        item_dialog<IFileOpenDialog>(CLSID_FileOpenDialog, title, filter, FOS_FILEMUSTEXIST, names, patterns);
    if (dialog.get() == nullptr || FAILED(dialog->Show(owner))) return std::nullopt;
    Com<IShellItem> item;
    if (FAILED(dialog->GetResult(item.out()))) return std::nullopt;
    std::string path = path_of(item.get());
    if (path.empty()) return std::nullopt;
    return path;
}

std::vector<std::string> open_files(HWND owner, const std::string& title, const std::string& filter) {
    std::vector<std::wstring> names;
    std::vector<std::wstring> patterns;
    Com<IFileOpenDialog> dialog = item_dialog<IFileOpenDialog>(
        CLSID_FileOpenDialog, title, filter, FOS_FILEMUSTEXIST | FOS_ALLOWMULTISELECT, names, patterns);
    std::vector<std::string> paths;
    if (dialog.get() == nullptr || FAILED(dialog->Show(owner))) return paths;
    Com<IShellItemArray> items;
    DWORD count = 0;
    if (FAILED(dialog->GetResults(items.out())) || FAILED(items->GetCount(&count))) return paths;
    for (DWORD i = 0; i < count; ++i) {
        Com<IShellItem> item;
        if (SUCCEEDED(items->GetItemAt(i, item.out()))) {
            if (std::string path = path_of(item.get()); !path.empty()) paths.push_back(std::move(path));
        }
    }
    return paths;
}

std::optional<std::string> save_file(HWND owner, const std::string& title, const std::string& suggested,
                                     const std::string& filter) {
    std::vector<std::wstring> names;
    std::vector<std::wstring> patterns;
    Com<IFileSaveDialog> dialog =
        item_dialog<IFileSaveDialog>(CLSID_FileSaveDialog, title, filter, FOS_OVERWRITEPROMPT, names, patterns);
    if (dialog.get() == nullptr) return std::nullopt;
    const std::filesystem::path proposed(wide(suggested));
    const Com<IShellItem> folder = shell_item(existing_folder(narrow(proposed.parent_path().c_str())));
    if (folder.get() != nullptr) dialog->SetFolder(folder.get());
    const std::wstring name = proposed.filename().wstring();
    dialog->SetFileName(name.c_str());
    // The extension of the type chosen, when the person types none.
    const std::wstring extension = proposed.extension().wstring();
    if (extension.size() > 1) dialog->SetDefaultExtension(extension.c_str() + 1);
    if (FAILED(dialog->Show(owner))) return std::nullopt;
    Com<IShellItem> item;
    if (FAILED(dialog->GetResult(item.out()))) return std::nullopt;
    std::string path = path_of(item.get());
    if (path.empty()) return std::nullopt;
    return path;
}

std::optional<std::string> choose_folder(HWND owner, const std::string& title, const std::string& start) {
    std::vector<std::wstring> names;
    std::vector<std::wstring> patterns;
    Com<IFileOpenDialog> dialog =
        item_dialog<IFileOpenDialog>(CLSID_FileOpenDialog, title, "", FOS_PICKFOLDERS, names, patterns);
    if (dialog.get() == nullptr) return std::nullopt;
    const Com<IShellItem> folder = shell_item(existing_folder(start));
    if (folder.get() != nullptr) dialog->SetFolder(folder.get());
    if (FAILED(dialog->Show(owner))) return std::nullopt;
    Com<IShellItem> item;
    if (FAILED(dialog->GetResult(item.out()))) return std::nullopt;
    std::string path = path_of(item.get());
    if (path.empty()) return std::nullopt;
    return path;
}

namespace {

// The import's Task Dialog: its texts, and the choices as they stand.
struct ImportAsk {
    ImportAnswer choice;
    size_t selected = 0;
    desktop::ImportDialogText text;
    std::wstring content;
};

constexpr int kImportButton = 1;  // IDOK: Enter imports
constexpr int kChangeButton = 1001;
constexpr int kEveryNewRadio = 2001;
constexpr int kSelectedRadio = 2002;

std::wstring import_content(const desktop::ImportDialogText& text, const std::string& folder) {
    return wide(desktop::join_lines({text.save_to + " " + folder, text.skipped}));
}

HRESULT CALLBACK import_callback(HWND dialog, UINT notification, WPARAM wparam, LPARAM, LONG_PTR data) {
    auto* ask = reinterpret_cast<ImportAsk*>(data);
    switch (notification) {
        case TDN_CREATED:
            if (ask->selected == 0) ::SendMessageW(dialog, TDM_ENABLE_RADIO_BUTTON, kSelectedRadio, FALSE);
            break;
        case TDN_RADIO_BUTTON_CLICKED:
            ask->choice.selected_only = static_cast<int>(wparam) == kSelectedRadio;
            break;
        case TDN_VERIFICATION_CLICKED:
            ask->choice.delete_after = wparam != 0;
            break;
        case TDN_BUTTON_CLICKED:
            if (static_cast<int>(wparam) == kChangeButton) {
                if (std::optional<std::string> folder =
                        choose_folder(dialog, ask->text.change_title, ask->choice.folder)) {
                    ask->choice.folder = *folder;
                    ask->content = import_content(ask->text, *folder);
                    ::SendMessageW(dialog, TDM_SET_ELEMENT_TEXT, TDE_CONTENT,
                                   reinterpret_cast<LPARAM>(ask->content.c_str()));
                }
                return S_FALSE;  // the dialog stays
            }
            break;
        default:
            break;
    }
    return S_OK;
}

}  // namespace

std::optional<ImportAnswer> ask_import(HWND owner, const ImportAnswer& proposed, size_t selected) {
    const desktop::ImportDialogText text = desktop::import_dialog_text(selected);
    ImportAsk ask{proposed, selected, text, import_content(text, proposed.folder)};
    ask.choice.selected_only = proposed.selected_only && selected > 0;
    const std::wstring title = wide(text.title);
    const std::wstring import = wide(text.import);
    const std::wstring change = wide(text.change);
    const std::wstring every_new = wide(desktop::button_text(desktop::label(desktop::Action::kImportNew)));
    const std::wstring selected_only = wide(text.selected_only);
    const std::wstring delete_after = wide(text.delete_after);
    const std::wstring verified = wide(text.delete_after_tip);
    const TASKDIALOG_BUTTON buttons[] = {{kImportButton, import.c_str()}, {kChangeButton, change.c_str()}};
    const TASKDIALOG_BUTTON radios[] = {{kEveryNewRadio, every_new.c_str()}, {kSelectedRadio, selected_only.c_str()}};

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.hInstance = ::GetModuleHandleW(nullptr);
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW | TDF_SIZE_TO_CONTENT;
    if (ask.choice.delete_after) config.dwFlags |= TDF_VERIFICATION_FLAG_CHECKED;
    config.pszWindowTitle = title.c_str();
    config.pszMainInstruction = title.c_str();
    config.pszContent = ask.content.c_str();
    // Room for a folder's path and the buttons on one line (dialog units).
    config.cxWidth = 280;
    config.cButtons = 2;
    config.pButtons = buttons;
    config.nDefaultButton = kImportButton;
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    config.cRadioButtons = 2;
    config.pRadioButtons = radios;
    config.nDefaultRadioButton = ask.choice.selected_only ? kSelectedRadio : kEveryNewRadio;
    config.pszVerificationText = delete_after.c_str();
    config.pszFooter = verified.c_str();
    config.pszFooterIcon = TD_INFORMATION_ICON;
    config.pfCallback = import_callback;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&ask);
    int pressed = 0;
    if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr)) || pressed != kImportButton) {
        return std::nullopt;
    }
    return ask.choice;
}

bool open_folder(const std::string& folder) {
    const std::wstring path = wide(folder);
    const auto started =
        reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"explore", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return started > 32;
}

}  // namespace pixavon::win32window
