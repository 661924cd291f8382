#include "progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace pixavon::tool {
namespace {

int terminal_columns(std::FILE* out) {
    winsize size{};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) return size.ws_col;
    return 80;
}

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
        size_t len = 1;
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0xF0)
            len = 4;
        else if (c >= 0xE0)
            len = 3;
        else if (c >= 0xC0)
            len = 2;
        const std::string ch = text.substr(i, len);
        const size_t w = display_width(ch);
        if (used + w + 1 > columns) break;
        out += ch;
        used += w;
        i += len;
    }
    return out + "~";
}

}  // namespace

size_t display_width(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t cp = c;
        size_t len = 1;
        if (c >= 0xF0 && i + 3 < text.size()) {
            cp = ((c & 0x07u) << 18) | ((text[i + 1] & 0x3Fu) << 12) | ((text[i + 2] & 0x3Fu) << 6) |
                 (text[i + 3] & 0x3Fu);
            len = 4;
        } else if (c >= 0xE0 && i + 2 < text.size()) {
            cp = ((c & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
            len = 3;
        } else if (c >= 0xC0 && i + 1 < text.size()) {
            cp = ((c & 0x1Fu) << 6) | (text[i + 1] & 0x3Fu);
            len = 2;
        }
        // East Asian wide ranges: Hangul Jamo, CJK, Hangul, compatibility, full-width forms.
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                          (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                          (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
        width += wide ? 2 : 1;
        i += len;
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

void Progress::begin(const std::string& label, const std::string& subject, uint32_t total_steps, uint64_t total_bytes) {
    label_ = label;
    subject_ = subject;
    total_ = total_steps;
    done_ = 0;
    bytes_ = total_bytes;
    active_ = true;
    drawn_ = false;
    start_ = Clock::now();
    last_draw_ = start_;
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
    char tail[128];
    if (ok) {
        std::snprintf(tail, sizeof tail, ": done, %s in %.1f s", human_bytes(static_cast<double>(bytes_)).c_str(),
                      seconds);
    } else {
        std::snprintf(tail, sizeof tail, ": stopped after %u of %u steps", done_, total_);
    }
    std::fprintf(out_, "%s%s\n", line.c_str(), tail);
    std::fflush(out_);
    active_ = false;
}

void Progress::clear_line() {
    if (terminal_ && drawn_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
        drawn_ = false;
    }
}

void Progress::draw(bool) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const uint32_t done = std::min(done_, total_);
    const double fraction = total_ == 0 ? 1.0 : static_cast<double>(done) / total_;
    const double moved = fraction * static_cast<double>(bytes_);
    std::string rate = "     --", left = "--:--";
    if (seconds > 0.2 && done > 0) {
        rate = human_bytes(moved / seconds) + "/s";
        left = duration(seconds / fraction - seconds);
    }
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, " %3.0f%%  %s  %s left", fraction * 100.0, rate.c_str(), left.c_str());

    const size_t columns = static_cast<size_t>(terminal_columns(out_)) - 1;
    std::string head = label_;
    if (!subject_.empty()) head += " " + subject_;
    const size_t numbers_width = std::char_traits<char>::length(numbers);
    // Room for the head, at least 10 columns of bar, and the numbers.
    size_t head_room = columns > numbers_width + 14 ? columns - numbers_width - 14 : 8;
    head = fit_width(head, std::min<size_t>(head_room, 40));
    const size_t used = display_width(head) + numbers_width + 3;
    const size_t bar_width = columns > used ? std::max<size_t>(columns - used, 10) : 10;
    const size_t filled = static_cast<size_t>(fraction * static_cast<double>(bar_width));
    std::string bar(filled, '#');
    bar.append(bar_width - filled, '.');

    std::fprintf(out_, "\r\033[K%s [%s]%s", head.c_str(), bar.c_str(), numbers);
    std::fflush(out_);
    drawn_ = true;
}

}  // namespace pixavon::tool
