// The progress display on standard error. On a terminal: one bar redrawn in
// place, with the operation's label, rate and time left. Otherwise: one plain
// line per finished operation.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "os/os.h"

namespace pixavon::tool {

class Progress {
public:
    Progress(host::os::Stream out, bool terminal) : out_(out), terminal_(terminal) {}

    // `total_steps` progress messages are expected, moving `total_bytes`.
    // With `run_steps`, the operation is part of a run of that many steps, of
    // which `run_steps_before` are done: the bar and the time left are the
    // run's, from the start of its first operation.
    void begin(const std::string& label, const std::string& subject, uint32_t total_steps, uint64_t total_bytes,
               uint64_t run_steps = 0, uint64_t run_steps_before = 0);
    // One progress message from the library.
    void step();
    // Ends the operation's display.
    void finish(bool ok);
    // Clears a bar being drawn, so that another line can be written.
    void clear_line();

    bool active() const { return active_; }
    uint32_t steps() const { return done_; }

private:
    using Clock = std::chrono::steady_clock;
    void draw(bool final);

    host::os::Stream out_;
    bool terminal_;
    bool active_ = false;
    bool drawn_ = false;
    std::string label_, subject_;
    uint32_t total_ = 0;
    uint32_t done_ = 0;
    uint64_t bytes_ = 0;
    uint64_t run_total_ = 0;
    uint64_t run_before_ = 0;
    Clock::time_point start_{}, run_start_{}, last_draw_{};
};

// Columns that `text`, in the locale's codeset, takes on a terminal.
size_t display_width(const std::string& text);
// "12.3 MiB", "640 KiB", "512 B".
std::string human_bytes(double bytes);

}  // namespace pixavon::tool
