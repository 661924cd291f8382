#include "terminal.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace pixavon::tool {

void fail(const std::string& message) { throw Failure(kExitFailed, message); }
void bad_input(const std::string& message) { throw Failure(kExitUsage, message); }

host::Frontend::Answer Terminal::confirm(const std::string& question) {
    if (yes_) return Answer::kYes;
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) return Answer::kCannotAsk;
    std::fprintf(stderr, "%s. Continue? [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
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
    const bool yes = answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
    if (!yes) std::fputc('\n', stderr);
    return yes ? Answer::kYes : Answer::kNo;
}

void Terminal::begin(const host::Step& step) {
    std::string subject = step.subject;
    if (step.items > 1) subject += " (" + std::to_string(step.item) + " of " + std::to_string(step.items) + ")";
    progress_.begin(step.label, subject, static_cast<uint32_t>(step.units), step.bytes);
}

void Terminal::box(bool, const std::string& caption, const std::string& text) {
    progress_.clear_line();
    std::fprintf(stderr, "%s: %s\n", host::printable(caption).c_str(), host::printable(text).c_str());
    std::fflush(stderr);
}

void Terminal::note(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Terminal::warn(const std::string& line) {
    progress_.clear_line();
    std::fprintf(stderr, "pixavon: %s\n", line.c_str());
    std::fflush(stderr);
}

int report(const host::Outcome& outcome, const host::CancelToken& cancel) {
    if (outcome.ok()) return 0;
    std::fflush(stdout);
    std::fprintf(stderr, "pixavon: %s\n", outcome.message.c_str());
    return outcome.exit_code(cancel.signal());
}

}  // namespace pixavon::tool
