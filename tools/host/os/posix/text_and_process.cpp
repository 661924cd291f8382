// Text codesets, the system's error texts, the environment, thread
// priorities and the person's terminal on POSIX systems; see os.h.
#include <iconv.h>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "os/os.h"

namespace pixavon::host::os {
namespace {

bool same_codeset(const std::string& a, const std::string& b) {
    auto canonical = [](const std::string& s) {
        std::string out;
        for (const char c : s) {
            if (c != '-' && c != '_') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return out;
    };
    return canonical(a) == canonical(b);
}

}  // namespace

std::string locale_codeset() {
    const char* codeset = ::nl_langinfo(CODESET);
    return codeset != nullptr ? codeset : "";
}

std::string convert_text(const std::string& text, const std::string& from, const std::string& to) {
    if (same_codeset(from, to)) return text;
    iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char buffer[256];
    while (in_left > 0) {
        char* to_ptr = buffer;
        size_t out_left = sizeof buffer;
        const size_t r = ::iconv(cd, &in, &in_left, &to_ptr, &out_left);
        out.append(buffer, static_cast<size_t>(to_ptr - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';  // a byte the codeset does not know, or cut short
            ++in;
            --in_left;
        }
    }
    char* to_ptr = buffer;
    size_t out_left = sizeof buffer;
    ::iconv(cd, nullptr, nullptr, &to_ptr, &out_left);
    out.append(buffer, static_cast<size_t>(to_ptr - buffer));
    ::iconv_close(cd);
    return out;
}

std::string command_argument(const std::string& text) {
    // Always in single quotes; a ' ends them, goes in as \', and they begin again.
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string command_files(const std::string& folder, const std::string& pattern) {
    return join(command_argument(folder), pattern);
}

bool use_library_language(const std::string& tag) {
    set_environment("LANGUAGE", tag);
    return true;
}

void set_environment(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

bool local_time(std::time_t when, std::tm* out) { return ::localtime_r(&when, out) != nullptr; }

void lower_thread_priority(int niceness) {
    const auto self = static_cast<id_t>(::gettid());
    ::setpriority(PRIO_PROCESS, self, ::getpriority(PRIO_PROCESS, self) + niceness);
}

namespace {

std::FILE* file_of(Stream stream) { return stream == Stream::kError ? stderr : stdout; }

int descriptor_of(Stream stream) {
    switch (stream) {
        case Stream::kInput:
            return STDIN_FILENO;
        case Stream::kOutput:
            return STDOUT_FILENO;
        case Stream::kError:
            break;
    }
    return STDERR_FILENO;
}

}  // namespace

// stdio keeps the first failure (ferror) for flush_text().
void write_text(Stream stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), file_of(stream)); }

bool flush_text(Stream stream, int* error) {
    std::FILE* file = file_of(stream);
    errno = 0;
    if (std::fflush(file) == 0 && !std::ferror(file)) return true;
    if (error != nullptr) *error = errno != 0 ? errno : EIO;
    return false;
}

void clear_terminal_line(Stream stream) { write_text(stream, "\r\033[K"); }

bool is_terminal(Stream stream) { return ::isatty(descriptor_of(stream)) != 0; }

int terminal_columns(Stream stream) {
    winsize size{};
    if (::ioctl(descriptor_of(stream), TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) return size.ws_col;
    return 80;
}

size_t character_at(const char* text, size_t size, size_t* columns) {
    std::mbstate_t state{};
    wchar_t wide = 0;
    const size_t len = std::mbrtowc(&wide, text, size, &state);
    if (len == 0 || len > size) {  // a stray byte, or cut short: one column
        *columns = 1;
        return 1;
    }
    const int w = ::wcwidth(wide);
    *columns = w < 0 ? 1 : static_cast<size_t>(w);
    return len;
}

}  // namespace pixavon::host::os
