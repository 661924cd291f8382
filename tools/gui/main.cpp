// pixavon-gui: the photos on a Lumetta camera's card in a window, through
// libpixavon.so, on an attached camera or on a camera emulated inside the
// application on a card image.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cancel.h"
#include "core.h"
#include "main_window.h"

namespace {

constexpr const char* kUsage =
    "usage: pixavon-gui [--card IMAGE [--size 8|16]] [--screenshot OUT.png] [Qt options]\n"
    "  --card IMAGE       work on a camera emulated inside the application on this card image\n"
    "                     (the same bytes as a whole-card backup) instead of the attached camera\n"
    "  --size 8|16        with --card: create a fresh card of 8 or 16 MiB if IMAGE does not exist\n"
    "  --screenshot FILE  show the card, save the window as a PNG picture and quit\n";

struct Options {
    std::string card;
    int size = 0;
    std::string screenshot;
};

// Takes our options out of argv and leaves the rest for Qt. Returns an error
// message, or "" when the options are fine.
std::string parse(int& argc, char** argv, Options& options, bool& help) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* value = nullptr;
        std::string name = arg;
        std::string inline_value;
        bool has_inline = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inline_value = arg.substr(eq + 1);
            has_inline = true;
        }
        std::string size_text;
        if (name == "--card")
            value = &options.card;
        else if (name == "--screenshot")
            value = &options.screenshot;
        else if (name == "--size")
            value = &size_text;
        else if (arg == "-h" || arg == "--help") {
            help = true;
            continue;
        }
        if (value == nullptr) {
            rest.push_back(argv[i]);
            continue;
        }
        if (has_inline) {
            *value = inline_value;
        } else if (i + 1 < argc) {
            *value = argv[++i];
        } else {
            return name + " needs a value";
        }
        if (value->empty()) return name + " needs a value";
        if (value == &size_text) {
            if (size_text != "8" && size_text != "16") return "--size takes 8 or 16";
            options.size = std::atoi(size_text.c_str());
        }
    }
    if (options.size != 0 && options.card.empty()) return "--size needs --card";
    for (size_t i = 0; i < rest.size(); ++i) argv[i] = rest[i];
    argc = static_cast<int>(rest.size());
    argv[argc] = nullptr;
    return {};
}

void complain(const std::string& message, bool boxes) {
    std::fprintf(stderr, "pixavon-gui: %s\n", message.c_str());
    if (boxes) QMessageBox::critical(nullptr, QStringLiteral("pixavon-gui"), QString::fromUtf8(message.c_str()));
}

// Holds what the core says before the window exists, to be shown by it.
class EarlyFrontend : public pixavon::host::Frontend {
public:
    std::vector<pixavon::host::Warning> warnings;
    Answer confirm(const pixavon::host::Question&) override { return Answer::kCannotAsk; }
    void begin(const pixavon::host::Step&) override {}
    void advance() override {}
    void end(bool) override {}
    void box(bool, const std::string&, const std::string&) override {}
    void note(const pixavon::host::Record&) override {}
    void warn(const pixavon::host::Warning& warning) override { warnings.push_back(warning); }
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool help = false;
    if (const std::string error = parse(argc, argv, options, help); !error.empty()) {
        std::fprintf(stderr, "pixavon-gui: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    // The card is taken and the library pointed at it before Qt starts threads
    // that may read the environment.
    pixavon::host::CancelToken cancel;
    pixavon::host::Core core(cancel);
    EarlyFrontend early;
    core.set_frontend(early);
    const pixavon::host::Outcome prepared = core.prepare({options.card, options.size});

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("pixavon"));
    QCoreApplication::setApplicationName(QStringLiteral("pixavon-gui"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pixavon.Pixavon"));
    pixavon::gui::install_translations();
    pixavon::host::init_translations("UTF-8");
    const bool boxes = options.screenshot.empty();
    if (!prepared.ok()) {
        complain(pixavon::host::describe(prepared.problem), boxes);
        return prepared.exit_code(0);
    }

    int status = 0;
    pixavon::host::Outcome finished;
    {
        pixavon::gui::MainWindow window(core);
        window.set_unattended(!boxes);
        core.set_frontend(window);
        window.show();
        for (const pixavon::host::Warning& warning : early.warnings) window.warn(warning);
        core.open_camera();
        bool loaded = window.load_catalog();
        if (!options.screenshot.empty()) {
            loaded = window.finish_thumbnails() && loaded;
            QApplication::processEvents();
            if (!window.grab().save(QString::fromLocal8Bit(options.screenshot.c_str()), "PNG")) {
                std::fprintf(stderr, "pixavon-gui: cannot save the screenshot to %s\n", options.screenshot.c_str());
                status = 1;
            } else if (!loaded) {
                std::fprintf(stderr, "pixavon-gui: %s\n", window.status_line()->text().toLocal8Bit().constData());
                status = 1;
            }
        } else {
            status = QApplication::exec();
        }
        // The card image is saved while the window can still show why it was not.
        finished = core.finish();
        core.set_frontend(early);
    }
    if (!finished.ok()) {
        complain(pixavon::host::describe(finished.problem), boxes);
        return 1;
    }
    return status;
}
