// pixavon-window.exe: the photos on a Lumetta camera's card in a window on
// Windows, through pixavon.dll beside it, on the attached camera or on a
// camera emulated inside the program on a card image; in the person's
// language (the windows' catalogue, share\locale beside the program).

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cancel.h"
#include "card_thread.h"
#include "core.h"
#include "desktop/card_work.h"
#include "desktop/phrases.h"
#include "desktop/window.h"
#include "desktop/words.h"
#include "dialogs.h"
#include "i18n.h"
#include "main_window.h"
#include "os/win32/paths.h"
#include "os/win32/text.h"

namespace {

using namespace pixavon;

constexpr const char* kUsage =
    "usage: pixavon-window [--card IMAGE [--size 8|16]] [--screenshot OUT.png | --import-new FOLDER]\n"
    "  --card IMAGE         work on a camera emulated inside the program on this card image\n"
    "                       (the same bytes as a whole-card backup) instead of the attached camera\n"
    "  --size 8|16          with --card: create a fresh card of 8 or 16 MiB if IMAGE does not exist\n"
    "  --screenshot FILE    show the card, save the window as a PNG picture and quit\n"
    "  --import-new FOLDER  show the card (waiting for a camera to be plugged in), import its new\n"
    "                       photos into FOLDER as Import new photos does, and quit; the exit\n"
    "                       status says whether it succeeded\n";

struct Options {
    std::string card;
    int size = 0;
    win32window::WindowOptions window;
};

// The options from the command line; an error message, or "" when fine.
std::string parse(const std::vector<std::string>& args, Options& options, bool& help) {
    for (size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool has_value = false;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            has_value = true;
        }
        if (name == "-h" || name == "--help" || name == "/?") {
            help = true;
            continue;
        }
        if (name != "--card" && name != "--size" && name != "--screenshot" && name != "--import-new") {
            return "unknown option " + name;
        }
        if (!has_value) {
            if (i + 1 >= args.size()) return name + " needs a value";
            value = args[++i];
        }
        if (value.empty()) return name + " needs a value";
        if (name == "--card") {
            options.card = value;
        } else if (name == "--size") {
            if (value != "8" && value != "16") return "--size takes 8 or 16";
            options.size = std::atoi(value.c_str());
        } else if (name == "--screenshot") {
            options.window.screenshot = value;
        } else {
            options.window.import_new = value;
        }
    }
    if (options.size != 0 && options.card.empty()) return "--size needs --card";
    if (!options.window.screenshot.empty() && !options.window.import_new.empty()) {
        return "--screenshot and --import-new do not go together";
    }
    options.window.unattended = !options.window.screenshot.empty() || !options.window.import_new.empty();
    return {};
}

// Keeps what the core says before the window exists, to be shown by it.
class EarlyFrontend : public host::Frontend {
public:
    std::vector<host::Warning> warnings;
    Answer confirm(const host::Question&) override { return Answer::kCannotAsk; }
    void begin(const host::Step&) override {}
    void advance() override {}
    void end(bool) override {}
    void box(bool, const std::string&, const std::string&) override {}
    void note(const host::Record&) override {}
    void warn(const host::Warning& warning) override { warnings.push_back(warning); }
};

void complain(const std::string& text) { host::win32::write_stderr("pixavon-window: " + text + "\n"); }

// The windows' words in the person's interface language, from the catalogue
// installed beside the program.
void use_language() {
    const std::string language = host::win32::user_catalogue();
    if (language.empty()) return;
    try {
        const std::filesystem::path folder(host::win32::to_utf16(host::win32::executable_folder() + "\\share\\locale"));
        desktop::use_catalogue_file(desktop::catalogue_path(folder, language));
    } catch (const std::exception&) {
        desktop::use_english();
    }
}

// A box on its own, before or after the window.
void alert(const std::string& headline, const std::string& details) {
    desktop::Message message;
    message.kind = desktop::MessageKind::kWarning;
    message.headline = headline;
    message.details = details;
    win32window::show_message(nullptr, message, desktop::program_name());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    std::vector<std::string> args;
    int argc = 0;
    if (wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc)) {
        for (int i = 0; i < argc; ++i) args.push_back(host::win32::to_utf8(argv[i]));
        ::LocalFree(argv);
    }
    Options options;
    bool help = false;
    if (const std::string error = parse(args, options, help); !error.empty()) {
        complain(error);
        host::win32::write_stderr(kUsage);
        return 2;
    }
    if (help) {
        host::win32::write_stdout(kUsage);
        return 0;
    }

    use_language();
    host::use_environment_locale();
    host::init_translations("UTF-8");
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                                          ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    int status = 0;
    std::optional<win32window::WindowListener> listener;
    {
        // The card is taken and the library found before the window opens, on
        // the card's thread, the one that calls the library from then on.
        host::CancelToken cancel;
        win32window::CardThread card;
        std::unique_ptr<host::Core> core;
        EarlyFrontend early;
        host::Outcome prepared;
        card.call([&] {
            core = std::make_unique<host::Core>(cancel);
            core->set_frontend(early);
            prepared = core->prepare({options.card, options.size});
            if (!prepared.ok()) core.reset();
        });
        if (!prepared.ok()) {
            const desktop::Trouble trouble = desktop::trouble_of(prepared.problem);
            complain(trouble.text);
            if (!options.window.unattended) {
                alert(desktop::cannot_start(options.card), desktop::explain(trouble, trouble.text));
            }
            if (SUCCEEDED(com)) ::CoUninitialize();
            return prepared.exit_code(0);
        }
        win32window::MainWindow window(card, cancel, options.window);
        if (!window.create(show)) {
            complain("the window could not be made: " + host::win32::system_message(::GetLastError()));
            status = 1;
            card.call([&] { core.reset(); });
        } else {
            listener.emplace(window.hwnd());
            card.start(std::move(core), cancel, options.card, *listener);
            for (const host::Warning& warning : early.warnings) window.warn(desktop::trouble_of(warning));
            window.reload();
            MSG message{};
            while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
                if (window.translate(message)) continue;
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            status = window.status();
        }
        // The card image is saved once the window has closed.
        if (!card.stop()) {
            complain(desktop::cannot_save(options.card));
            if (!options.window.unattended) alert(desktop::cannot_save(options.card), {});
            status = 1;
        }
        // What the card's thread posted after the window went.
        MSG left{};
        while (
            ::PeekMessageW(&left, nullptr, win32window::kCardEventMessage, win32window::kCardEventMessage, PM_REMOVE)) {
            win32window::take_event(left.lParam);
        }
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    return status;
}
