// pixavon-gui: the photos on a Lumetta camera's card in a window, through
// libpixavon.so, on an attached camera or on a camera emulated inside the
// application on a card image.

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cancel.h"
#include "card_worker.h"
#include "core.h"
#include "dialogs.h"
#include "main_window.h"
#include "photo_model.h"
#include "phrases.h"
#include "window_locale.h"

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

// Keeps what the core says before the window exists, to be shown by it.
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

// A line on standard error, in the locale's codeset.
void complain(const QString& text) {
    std::fprintf(stderr, "pixavon-gui: %s\n", pixavon::gui::encode_name(text).c_str());
}

// The window's boxes and dialogs when nobody is there to answer (for
// --screenshot): what they say goes to standard error, questions are
// answered no and no file is chosen.
class UnattendedDialogs : public pixavon::gui::Dialogs {
public:
    using Message = pixavon::gui::Message;
    Message::Reply show(QWidget*, const Message& message) override {
        complain(message.headline + ' ' + message.details);
        return Message::Reply::kOk;
    }
    QStringList pictures(QWidget*) override { return {}; }
    QString open_file(QWidget*, const QString&, const QString&) override { return {}; }
    QString save_file(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<pixavon::gui::ImportChoice> import_choice(QWidget*, const pixavon::gui::ImportChoice&,
                                                            const QList<int>&) override {
        return std::nullopt;
    }
    bool open_folder(const QString&) override { return false; }
};

// Saves the window as a picture once the card and all its photos are shown.
void take_screenshot(pixavon::gui::MainWindow& window, const QString& file, int& status) {
    auto* poll = new QTimer(&window);
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, &window, [&window, &status, file, poll, waited] {
        const bool shown = !window.busy() && window.photos()->missing().isEmpty();
        if (!shown && waited->elapsed() < 60000) return;
        poll->stop();
        delete waited;
        if (!shown) {
            complain(QStringLiteral("the card's photos could not all be read"));
            status = 1;
        }
        // Layouts settle in rounds (a wrapped text's height follows the width
        // its box is given): all of them before the picture.
        for (int round = 0; round < 4; ++round) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        if (!window.grab().save(file, "PNG")) {
            std::fprintf(stderr, "pixavon-gui: cannot save the screenshot to %s\n", file.toLocal8Bit().constData());
            status = 1;
        } else if (!window.card().usable) {
            status = 1;
        }
        QCoreApplication::quit();
    });
    poll->start(50);
}

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
    auto core = std::make_unique<pixavon::host::Core>(cancel);
    EarlyFrontend early;
    core->set_frontend(early);
    const pixavon::host::Outcome prepared = core->prepare({options.card, options.size});

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("pixavon"));
    QCoreApplication::setApplicationName(QStringLiteral("pixavon-gui"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pixavon.Pixavon"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.pixavon.Pixavon")));
    pixavon::gui::install_translations();
    pixavon::host::init_translations("UTF-8");
    const bool unattended = !options.screenshot.empty();
    const QString image = pixavon::gui::decode_name(options.card);
    if (!prepared.ok()) {
        const pixavon::gui::Trouble trouble = pixavon::gui::trouble_of(prepared.problem);
        complain(trouble.text);
        if (!unattended) {
            QMessageBox::critical(nullptr, QStringLiteral("Pixavon"),
                                  pixavon::gui::MainWindow::cannot_start(image) + "\n\n" +
                                      pixavon::gui::Phrases::explain(trouble, trouble.text));
        }
        return prepared.exit_code(0);
    }

    int status = 0;
    pixavon::gui::CardThread card(std::move(core), cancel, image);
    pixavon::gui::DesktopDialogs desktop;
    UnattendedDialogs nobody;
    {
        pixavon::gui::MainWindow window(*card.worker(), unattended ? static_cast<pixavon::gui::Dialogs&>(nobody)
                                                                   : static_cast<pixavon::gui::Dialogs&>(desktop));
        window.show();
        for (const pixavon::host::Warning& warning : early.warnings) window.warn(pixavon::gui::trouble_of(warning));
        window.reload();
        if (unattended) take_screenshot(window, QString::fromLocal8Bit(options.screenshot.c_str()), status);
        const int exit_status = QApplication::exec();
        if (status == 0) status = exit_status;
    }
    // The card image is saved once the window has closed.
    if (!card.shutdown()) {
        complain(pixavon::gui::MainWindow::cannot_save(image));
        if (!unattended) {
            QMessageBox::critical(nullptr, QStringLiteral("Pixavon"), pixavon::gui::MainWindow::cannot_save(image));
        }
        return 1;
    }
    return status;
}
