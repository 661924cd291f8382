#include "progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "i18n.h"

namespace pixavon::tool {
namespace {

std::string duration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return "--:--";
    const long s = std::lround(seconds);
    char text[32];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    }
    return text;
}

// Cuts `text` to at most `columns` display columns, on a character boundary.
std::string fit_width(const std::string& text, size_t columns) {
    if (display_width(text) <= columns) return text;
    std::string out;
    size_t used = 0;
    for (size_t i = 0; i < text.size();) {
        size_t w = 0;
        const size_t len = host::os::character_at(text.data() + i, text.size() - i, &w);
        if (used + w + 1 > columns) break;
        out.append(text, i, len);
        used += w;
        i += len;
    }
    return out + "~";
}

}  // namespace

size_t display_width(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        size_t w = 0;
        i += host::os::character_at(text.data() + i, text.size() - i, &w);
        width += w;
    }
    return width;
}

std::string human_bytes(double bytes) {
    char text[32];
    if (bytes >= 1024.0 * 1024.0) {
        std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    } else if (bytes >= 1024.0) {
        std::snprintf(text, sizeof text, "%.0f KiB", bytes / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.0f B", bytes);
    }
    return text;
}

void Progress::begin(const std::string& label, const std::string& subject, uint32_t total_steps, uint64_t total_bytes,
                     uint64_t run_steps, uint64_t run_steps_before) {
    label_ = label;
    subject_ = subject;
    total_ = total_steps;
    done_ = 0;
    bytes_ = total_bytes;
    active_ = true;
    drawn_ = false;
    start_ = Clock::now();
    last_draw_ = start_;
    if (run_steps == 0 || run_steps_before == 0) run_start_ = start_;
    run_total_ = run_steps;
    run_before_ = run_steps_before;
    if (terminal_) draw(false);
}

void Progress::step() {
    if (!active_) return;
    ++done_;
    if (!terminal_) return;
    const auto now = Clock::now();
    if (now - last_draw_ >= std::chrono::milliseconds(80) || done_ == total_) {
        last_draw_ = now;
        draw(false);
    }
}

void Progress::finish(bool ok) {
    if (!active_) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    if (terminal_) {
        clear_line();
    }
    std::string line = label_;
    if (!subject_.empty()) line += " " + subject_;
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    const std::string tail =
        ok ? host::fill(host::tr("{1}: done, {2} in {3} s"), {line, human_bytes(static_cast<double>(bytes_)), time})
           : host::fill(host::ntr("{1}: stopped after {2} of {3} step", "{1}: stopped after {2} of {3} steps", total_),
                        {line, std::to_string(done_), std::to_string(total_)});
    host::os::write_text(out_, tail + "\n");
    host::os::flush_text(out_, nullptr);
    active_ = false;
}

void Progress::clear_line() {
    if (terminal_ && drawn_) {
        host::os::clear_terminal_line(out_);
        host::os::flush_text(out_, nullptr);
        drawn_ = false;
    }
}

void Progress::draw(bool) {
    const auto now = Clock::now();
    const uint32_t done = std::min(done_, total_);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double fraction = total_ == 0 ? 1.0 : static_cast<double>(done) / total_;
    // The bar and the time left: the operation's, or the whole run's.
    double shown = fraction, run_seconds = seconds;
    if (run_total_ > 0) {
        shown = std::min(1.0, static_cast<double>(run_before_ + done) / static_cast<double>(run_total_));
        run_seconds = std::chrono::duration<double>(now - run_start_).count();
    }
    std::string rate = "     --", left = "--:--";
    if (seconds > 0.2 && done > 0) rate = human_bytes(fraction * static_cast<double>(bytes_) / seconds) + "/s";
    if (run_seconds > 0.2 && shown > 0) left = duration(run_seconds / shown - run_seconds);
    char percent[16];
    std::snprintf(percent, sizeof percent, " %3.0f%%  ", shown * 100.0);
    const std::string numbers = percent + host::fill(host::tr("{1}  {2} left"), {rate, left});

    const size_t columns = static_cast<size_t>(host::os::terminal_columns(out_)) - 1;
    std::string head = label_;
    if (!subject_.empty()) head += " " + subject_;
    const size_t numbers_width = display_width(numbers);
    // Room for the head, at least 10 columns of bar, and the numbers.
    size_t head_room = columns > numbers_width + 14 ? columns - numbers_width - 14 : 8;
    head = fit_width(head, std::min<size_t>(head_room, 40));
    const size_t used = display_width(head) + numbers_width + 3;
    const size_t bar_width = columns > used ? std::max<size_t>(columns - used, 10) : 10;
    const size_t filled = static_cast<size_t>(shown * static_cast<double>(bar_width));
    std::string bar(filled, '#');
    bar.append(bar_width - filled, '.');

    host::os::clear_terminal_line(out_);
    host::os::write_text(out_, head + " [" + bar + "]" + numbers);
    host::os::flush_text(out_, nullptr);
    drawn_ = true;
}

}  // namespace pixavon::tool
