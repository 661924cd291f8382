// The tool's face towards the host core: progress on standard error, the
// library's boxes as one line each, questions asked on the terminal, and what
// was done on standard output.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "cancel.h"
#include "core.h"
#include "os/os.h"
#include "progress.h"

namespace pixavon::tool {

inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Ends the command with a message naming what failed and what to do.
class Failure : public std::runtime_error {
public:
    Failure(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};
[[noreturn]] void fail(const std::string& message);       // exit 1: the operation failed
[[noreturn]] void bad_input(const std::string& message);  // exit 2: bad usage or input

// Text for the person on standard output and on standard error, shown as
// the system shows text (host/os/os.h: write_text).
inline void print(std::string_view text) { host::os::write_text(host::os::Stream::kOutput, text); }
inline void print_error(std::string_view text) { host::os::write_text(host::os::Stream::kError, text); }
// printf's formatting into a string.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

class Terminal : public host::Frontend {
public:
    Terminal(Progress& progress, host::CancelToken& cancel) : progress_(progress), cancel_(cancel) {}

    // --yes: every question is answered yes without asking.
    void set_yes(bool yes) { yes_ = yes; }

    Answer confirm(const host::Question& question) override;
    void begin(const host::Step& step) override;
    void advance() override { progress_.step(); }
    void end(bool ok) override { progress_.finish(ok); }
    void box(bool owned, const std::string& caption, const std::string& text) override;
    void note(const host::Record& record) override;
    void warn(const host::Warning& warning) override;

private:
    Progress& progress_;
    host::CancelToken& cancel_;
    bool yes_ = false;
};

// The card image given with --card, which the hints name; empty for the
// attached camera.
void set_card_image(const std::string& card_image);

// What the person can do about `problem`, in the tool's own terms (its
// commands and flags); empty when there is nothing to add.
std::string hint_for(const host::Problem& problem);
// Two sentences, one after the other, as the language writes them.
std::string and_then(const std::string& first, const std::string& second);
// The problem and its hint, as one message.
std::string explain(const host::Problem& problem);

// The exit status for `outcome`, printing its message when it did not end as
// asked.
int report(const host::Outcome& outcome, const host::CancelToken& cancel);

}  // namespace pixavon::tool
