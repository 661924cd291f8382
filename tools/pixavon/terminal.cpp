#include "terminal.h"

#ifndef _WIN32
#  include <poll.h>
#  include <unistd.h>
#endif

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "i18n.h"

namespace pixavon::tool {
namespace {

using host::display_name;
using host::fill;
using host::Hint;
using host::tr;

std::string g_card_image;

// A name in a command to type, quoted as the system's command line reads it.
std::string argument(const std::string& name) { return host::os::command_argument(display_name(name)); }

// "pixavon --card 'card.bin' " when a card image is in use, else "pixavon ".
std::string command_prefix() {
    if (g_card_image.empty()) return "pixavon ";
    return "pixavon --card " + argument(g_card_image) + " ";
}

}  // namespace

std::string formatted(const char* format, ...) {
    char buffer[256];
    va_list arguments;
    va_start(arguments, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n) + 1, '\0');
    va_start(arguments, format);
    std::vsnprintf(out.data(), out.size(), format, arguments);
    va_end(arguments);
    out.resize(static_cast<size_t>(n));
    return out;
}

void fail(const std::string& message) { throw Failure(kExitFailed, message); }
void bad_input(const std::string& message) { throw Failure(kExitUsage, message); }

void set_card_image(const std::string& card_image) { g_card_image = card_image; }

std::string and_then(const std::string& first, const std::string& second) {
    // TRANSLATORS: one sentence after another, e.g. a problem and what to do about it.
    return fill(tr("{1} {2}"), {first, second});
}

std::string hint_for(const host::Problem& problem) {
    const host::Facts& f = problem.facts;
    switch (problem.hint) {
        case Hint::kNone:
        case Hint::kSaySelection:
            return {};
        case Hint::kConfirm:
            return tr("Add --yes to confirm when not asked on a terminal.");
        case Hint::kNeedsSize:
            // Longer than an 8 MiB card: only a 16 MiB card cut short.
            if (f.bytes > (8u << 20)) return tr("It is longer than an 8 MiB card: say --size 16.");
            return tr("Say the card's size with --size 8 or --size 16.");
        case Hint::kCardImageMissing:
            return tr("Add --size 8 or --size 16 to make a fresh card.");
        case Hint::kReplace:
            return tr("Choose another name, or add --force to replace it.");
        case Hint::kOtherName:
            return tr("Choose another name.");
        case Hint::kCheckCamera:
            return tr("Check the camera and its connection, and try again.");
        case Hint::kCheckThenLook:
            return fill(tr("Check the camera and its connection, then see what the card holds now: {1}"),
                        {command_prefix() + "list"});
        case Hint::kTryAgain:
            return tr("Try again.");
        case Hint::kCheckDisk:
            return tr("Check that the folder exists, can be written and has room.");
        case Hint::kConnectCamera:
            // Without a device folder the system finds the camera through its driver (Windows).
            if (f.folder.empty()) {
                return tr(
                    "Check that the camera is plugged in by its cable and switched on, and that its driver is "
                    "installed; or work on a card image with --card IMAGE.");
            }
            return tr("Connect the camera, or work on a card image with --card IMAGE.");
        case Hint::kRestoreAgain: {
            // The same card: a restore finished on another card leaves this one as it is.
            const std::string card = f.card_image.empty() ? g_card_image : f.card_image;
            const std::string command =
                (card.empty() ? std::string("pixavon ") : "pixavon --card " + argument(card) + " ") + "restore " +
                argument(f.name);
            return fill(tr("Restore the same backup onto this card again to finish it: {1}"), {command});
        }
        case Hint::kTryRescue: {
            std::string command = command_prefix() + "rescue -o FOLDER";
            // A card image cut short is read as the card its size names: one
            // longer than 8 MiB can only be a 16 MiB card.
            if (problem.kind == host::ProblemKind::kCardImageWrongLength)
                command += f.bytes > (8u << 20) ? " --size 16" : " --size 8";
            return fill(tr("Its pictures can still be saved: {1}"), {command});
        }
        case Hint::kFormatInCamera:
            // Nothing is put back that was not saved first.
            if (f.folder.empty()) {
                return fill(tr("Save its pictures first with {1}, then format the card in the camera, then put them "
                               "back with {2}"),
                            {command_prefix() + "rescue -o FOLDER", command_prefix() + "put FOLDER/picture-*.png"});
            }
            return fill(tr("Format the card in the camera, then put the pictures back: {1}"),
                        {command_prefix() + "put " + host::os::command_files(display_name(f.folder), "picture-*.png")});
        case Hint::kFormatThenPut:
            return fill(tr("Format the card, then put the pictures back: {1} and {2}"),
                        {command_prefix() + "format",
                         command_prefix() + "put " + host::os::command_files(display_name(f.folder), "picture-*.png")});
        case Hint::kPutBack: {
            // `detail` names the files, ", " between them.
            std::string files;
            for (size_t start = 0; start < f.detail.size();) {
                size_t end = f.detail.find(", ", start);
                if (end == std::string::npos) end = f.detail.size();
                files += " " + argument(host::os::join(f.folder, f.detail.substr(start, end - start)));
                start = end + 2;
            }
            return fill(tr("Put them back to list them: {1}"), {command_prefix() + "put" + files});
        }
        case Hint::kDeleteSome:
            return tr("Delete some photos first, or put fewer.");
    }
    return {};
}

std::string explain(const host::Problem& problem) {
    const std::string hint = hint_for(problem);
    return hint.empty() ? host::describe(problem) : and_then(host::describe(problem), hint);
}

host::Frontend::Answer Terminal::confirm(const host::Question& question) {
    if (yes_) return Answer::kYes;
    using host::os::Stream;
    if (!host::os::is_terminal(Stream::kInput) || !host::os::is_terminal(Stream::kError)) return Answer::kCannotAsk;
    // TRANSLATORS: the answer that means yes is "y" or "yes", whatever the language.
    print_error(host::describe(question) + " " + tr("Continue? [y/N]") + " ");
    host::os::flush_text(Stream::kError, nullptr);
    std::string answer;
#ifdef _WIN32
    // Ctrl+C ends the line being read as it requests the cancel.
    for (int c = std::fgetc(stdin); c != EOF && c != '\n' && !cancel_.requested(); c = std::fgetc(stdin)) {
        if (c != '\r' && answer.size() < 16) answer += static_cast<char>(c);
    }
#else
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {cancel_.fd(), POLLIN, 0}};
        const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || cancel_.requested()) break;
        char c;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0 || c == '\n') break;
        if (answer.size() < 16) answer += c;
    }
#endif
    const bool yes = answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
    if (!yes) print_error("\n");
    return yes ? Answer::kYes : Answer::kNo;
}

void Terminal::begin(const host::Step& step) {
    std::string label = host::describe(step);
    if (step.items > 1)
        label = fill(tr("{1} ({2} of {3})"), {label, std::to_string(step.item), std::to_string(step.items)});
    progress_.begin(label, {}, static_cast<uint32_t>(step.units), step.bytes, step.run_units, step.run_units_before);
}

void Terminal::box(bool, const std::string& caption, const std::string& text) {
    progress_.clear_line();
    print_error(host::printable(caption) + ": " + host::printable(text) + "\n");
    host::os::flush_text(host::os::Stream::kError, nullptr);
}

void Terminal::note(const host::Record& record) {
    print(host::describe(record) + "\n");
    host::os::flush_text(host::os::Stream::kOutput, nullptr);
}

void Terminal::warn(const host::Warning& warning) {
    progress_.clear_line();
    const std::string hint = hint_for({host::ProblemKind::kNone, warning.hint, warning.facts, {}});
    const std::string text = hint.empty() ? host::describe(warning) : and_then(host::describe(warning), hint);
    print_error("pixavon: " + text + "\n");
    host::os::flush_text(host::os::Stream::kError, nullptr);
}

int report(const host::Outcome& outcome, const host::CancelToken& cancel) {
    if (outcome.ok()) return 0;
    host::os::flush_text(host::os::Stream::kOutput, nullptr);
    print_error("pixavon: " + explain(outcome.problem) + "\n");
    return outcome.exit_code(cancel.signal());
}

}  // namespace pixavon::tool
