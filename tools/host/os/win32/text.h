// Text on Windows: the host core keeps every text and file name in UTF-8;
// the system takes UTF-16. Also the console, which takes UTF-16 from a
// program while a pipe or file takes its bytes, and the person's language.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace pixavon::host::win32 {

// A system call that failed: what() says what went wrong, in the person's
// language (system_error of code()).
class Win32Error : public std::runtime_error {
public:
    Win32Error(DWORD code, const std::string& what) : std::runtime_error(what), code_(code) {}
    DWORD code() const { return code_; }

private:
    DWORD code_;
};

// Win32Error for GetLastError() (or `code`).
Win32Error last_error();
Win32Error error_of(DWORD code);
// The system's words for an error code or HRESULT, in UTF-8, without the
// trailing line break; its number in hex where the system has no words.
std::string system_message(DWORD code);

// UTF-8 to UTF-16. Throws std::invalid_argument on bytes that are not UTF-8
// (so a damaged name never silently becomes another file's name).
std::wstring to_utf16(std::string_view utf8);
// UTF-16 to UTF-8. A lone surrogate (which NTFS names may hold) becomes
// U+FFFD: such a name does not come back to the same file.
std::string to_utf8(std::wstring_view utf16);

// Writes UTF-8 `text` to `handle`: as UTF-16 through WriteConsoleW when it is
// a console, whatever the console's code page (cmd.exe, PowerShell), else as
// its bytes (a pipe, a file). False if the handle refuses it (a closed pipe).
bool write_utf8(HANDLE handle, std::string_view text);
// The same to standard output or standard error.
bool write_stdout(std::string_view text);
bool write_stderr(std::string_view text);

// The catalogue (po/) for a Windows language: "ja", "zh_CN", "zh_TW", or ""
// for English (the texts as written). Traditional Chinese for Taiwan, Hong
// Kong and Macao.
std::string catalogue_for_language(LANGID language);
// The catalogue for the user's interface language (GetUserDefaultUILanguage);
// for the user's locale (GetUserDefaultLocaleName) only where the interface
// language is neutral.
std::string user_catalogue();

}  // namespace pixavon::host::win32
