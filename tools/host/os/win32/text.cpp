#include "os/win32/text.h"

#include <climits>
#include <cstdio>
#include <vector>

#include "i18n.h"
#include "os/os.h"

namespace pixavon::host::win32 {

std::string system_message(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
    if (buffer != nullptr) ::LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        return hex;
    }
    return to_utf8(text);
}

Win32Error error_of(DWORD code) { return Win32Error(code, system_error(static_cast<int>(code))); }

Win32Error last_error() { return error_of(::GetLastError()); }

std::wstring to_utf16(std::string_view utf8) {
    if (utf8.empty()) return {};
    if (utf8.size() > INT_MAX) throw std::invalid_argument("text too long");
    const int size = static_cast<int>(utf8.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (n <= 0) throw std::invalid_argument("not UTF-8: " + std::string(utf8));
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, out.data(), n);
    return out;
}

std::string to_utf8(std::wstring_view utf16) {
    if (utf16.empty() || utf16.size() > INT_MAX / 3) return {};
    const int size = static_cast<int>(utf16.size());
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

bool write_utf8(HANDLE handle, std::string_view text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        // Invalid UTF-8 (a library's bytes) is shown with U+FFFD, not dropped.
        std::wstring wide;
        if (!text.empty() && text.size() <= INT_MAX) {
            const int size = static_cast<int>(text.size());
            const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
            if (n <= 0) return false;
            wide.resize(static_cast<size_t>(n));
            ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
        }
        const wchar_t* at = wide.data();
        size_t left = wide.size();
        while (left > 0) {
            // The console takes a bounded amount per call.
            const DWORD chunk = static_cast<DWORD>(left < 8192 ? left : 8192);
            DWORD written = 0;
            if (!::WriteConsoleW(handle, at, chunk, &written, nullptr) || written == 0) return false;
            at += written;
            left -= written;
        }
        return true;
    }
    const char* at = text.data();
    size_t left = text.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(left < (1u << 20) ? left : (1u << 20));
        DWORD written = 0;
        if (!::WriteFile(handle, at, chunk, &written, nullptr) || written == 0) return false;
        at += written;
        left -= written;
    }
    return true;
}

bool write_stdout(std::string_view text) { return write_utf8(::GetStdHandle(STD_OUTPUT_HANDLE), text); }

bool write_stderr(std::string_view text) { return write_utf8(::GetStdHandle(STD_ERROR_HANDLE), text); }

std::string catalogue_for_language(LANGID language) {
    switch (PRIMARYLANGID(language)) {
        case LANG_JAPANESE:
            return "ja";
        case LANG_CHINESE:
            switch (SUBLANGID(language)) {
                case SUBLANG_CHINESE_TRADITIONAL:  // Taiwan
                case SUBLANG_CHINESE_HONGKONG:
                case SUBLANG_CHINESE_MACAU:
                    return "zh_TW";
                default:  // the People's Republic, Singapore, and Chinese as such
                    return "zh_CN";
            }
        default:
            return "";
    }
}

std::string user_catalogue() {
    // The interface language is the one the person reads; an English
    // interface in Japan stays English.
    const LANGID language = ::GetUserDefaultUILanguage();
    if (PRIMARYLANGID(language) != LANG_NEUTRAL && PRIMARYLANGID(language) != LANG_INVARIANT)
        return catalogue_for_language(language);
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) > 0) {
        const LCID lcid = ::LocaleNameToLCID(name, 0);
        if (lcid != 0) return catalogue_for_language(LANGIDFROMLCID(lcid));
    }
    return "";
}

}  // namespace pixavon::host::win32
