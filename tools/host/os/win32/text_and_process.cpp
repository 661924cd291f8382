// Text, the system's error texts, the environment, thread priorities and the
// person's console on Windows; see os.h. Every text inside the host is UTF-8;
// the console gets UTF-16 at the edge (win32/text.h).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string_view>

#include "i18n.h"
#include "os/os.h"
#include "os/win32/text.h"

namespace pixavon::host::os {

std::string locale_codeset() { return "UTF-8"; }

// Names and texts are UTF-8 throughout: nothing to convert.
std::string convert_text(const std::string& text, const std::string&, const std::string&) { return text; }

std::string command_argument(const std::string& text) {
    // In double quotes cmd.exe and PowerShell both take a name as it is (no
    // file name holds a double quote); a name either of them would split or
    // read itself needs them, others go as they are.
    if (!text.empty() && text.find_first_of(" \t&|<>^(),;=%!'`$@#{}\"") == std::string::npos) return text;
    return "\"" + text + "\"";
}

// Neither cmd.exe nor PowerShell expands wildcards for a program: the tool
// does (files_matching), also inside quotes.
std::string command_files(const std::string& folder, const std::string& pattern) {
    return command_argument(join(folder, pattern));
}

bool use_library_language(const std::string& tag) {
    std::string name = tag.substr(0, tag.find_first_of(".@"));
    std::replace(name.begin(), name.end(), '_', '-');
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    LANGID language = 0;
    if (name == "en") {
        language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    } else if (name == "zh" || name == "zh-hans") {
        language = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    } else if (name == "zh-hant") {
        language = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
    } else {
        std::wstring wide_name;
        try {
            wide_name = win32::to_utf16(name);
        } catch (const std::invalid_argument&) {
            return false;
        }
        const LCID locale = name.empty() ? 0 : ::LocaleNameToLCID(wide_name.c_str(), 0);
        if (locale == 0) return false;
        language = LANGIDFROMLCID(locale);
    }
    // LoadStringA picks the table of the thread's language.
    ::SetThreadUILanguage(language);
    ::SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    return true;
}

void set_environment(const char* name, const std::string& value) {
    try {
        ::SetEnvironmentVariableW(win32::to_utf16(name).c_str(), win32::to_utf16(value).c_str());
        ::_wputenv_s(win32::to_utf16(name).c_str(), win32::to_utf16(value).c_str());
    } catch (const std::invalid_argument&) {
        // A value that is not UTF-8 is not set.
    }
}

bool local_time(std::time_t when, std::tm* out) { return ::localtime_s(out, &when) == 0; }

void lower_thread_priority(int niceness) {
    ::SetThreadPriority(::GetCurrentThread(), niceness > 0 ? THREAD_PRIORITY_BELOW_NORMAL : THREAD_PRIORITY_NORMAL);
}

namespace {

HANDLE handle_of(Stream stream) {
    switch (stream) {
        case Stream::kInput:
            return ::GetStdHandle(STD_INPUT_HANDLE);
        case Stream::kOutput:
            return ::GetStdHandle(STD_OUTPUT_HANDLE);
        case Stream::kError:
            break;
    }
    return ::GetStdHandle(STD_ERROR_HANDLE);
}

bool is_console(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

// The first failure on standard output and on standard error, for flush_text().
std::atomic<DWORD> g_failed[2] = {0, 0};

std::atomic<DWORD>& failure_of(Stream stream) { return g_failed[stream == Stream::kError ? 1 : 0]; }

}  // namespace

// Nothing is held back: each text goes to the system at once, in order with
// the bytes write_standard_output() sends.
void write_text(Stream stream, std::string_view text) {
    HANDLE handle = handle_of(stream);
    bool written = false;
    if (is_console(handle)) {
        written = win32::write_utf8(handle, text);
    } else {
        // Redirected: lines end as Windows' text files end theirs.
        std::string lines;
        lines.reserve(text.size() + text.size() / 16);
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
            lines += text[i];
        }
        written = win32::write_utf8(handle, lines);
    }
    if (!written) {
        const DWORD code = ::GetLastError();
        DWORD none = 0;
        failure_of(stream).compare_exchange_strong(none, code != 0 ? code : ERROR_WRITE_FAULT);
    }
}

bool flush_text(Stream stream, int* error) {
    const DWORD code = failure_of(stream).load();
    if (code == 0) return true;
    if (error != nullptr) *error = static_cast<int>(code);
    return false;
}

void clear_terminal_line(Stream stream) {
    // The console's own calls: a console may not take terminal escapes.
    HANDLE handle = handle_of(stream);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(handle, &info)) return;
    COORD start = {0, info.dwCursorPosition.Y};
    DWORD done = 0;
    ::FillConsoleOutputCharacterW(handle, L' ', static_cast<DWORD>(info.dwSize.X), start, &done);
    ::FillConsoleOutputAttribute(handle, info.wAttributes, static_cast<DWORD>(info.dwSize.X), start, &done);
    ::SetConsoleCursorPosition(handle, start);
}

bool is_terminal(Stream stream) { return is_console(handle_of(stream)); }

int terminal_columns(Stream stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(handle_of(stream), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns >= 20) return columns;
    }
    return 80;
}

// Texts are UTF-8 on Windows. A character's columns: two for the wide East
// Asian ranges, one for others.
size_t character_at(const char* text, size_t size, size_t* columns) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (len > size) {
        *columns = 1;
        return 1;
    }
    uint32_t code = len == 1 ? lead : lead & (0x3Fu >> (len - 1));
    for (size_t i = 1; i < len; ++i) code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3Fu);
    const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                      (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                      (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                      (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
    *columns = wide ? 2 : 1;
    return len;
}

}  // namespace pixavon::host::os
