#include "os/win32/paths.h"

#include <windows.h>
// windows.h first: the shell's headers need its types.
#include <knownfolders.h>
#include <shlobj.h>

#include <cstdint>
#include <vector>

#include "os/win32/text.h"

namespace pixavon::host::win32 {
namespace {

void drop_trailing_separator(std::wstring& path) {
    // "C:\" keeps its separator: without it, it names the drive's current folder.
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
}

std::wstring full_path(const std::wstring& path) {
    const DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) throw last_error();
    std::wstring out(n, L'\0');
    const DWORD got = ::GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    if (got == 0 || got >= n) throw last_error();
    out.resize(got);
    return out;
}

// The 8.3 name of an existing file or folder, or empty where there is none.
std::wstring short_name(const std::wstring& path) {
    const DWORD n = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring out(n, L'\0');
    const DWORD got = ::GetShortPathNameW(path.c_str(), out.data(), n);
    if (got == 0 || got >= n) return {};
    out.resize(got);
    return out;
}

bool ansi_is_utf8() { return ::GetACP() == CP_UTF8; }

// `name` in the ANSI code page; empty if it does not convert exactly.
std::string to_ansi(std::wstring_view name) {
    if (name.empty() || name.size() >= MAX_PATH) return {};
    const int size = static_cast<int>(name.size());
    // The UTF-8 code page takes neither flags nor a default character.
    const bool utf8 = ansi_is_utf8();
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* defaulted_out = utf8 ? nullptr : &defaulted;
    const int n = ::WideCharToMultiByte(CP_ACP, flags, name.data(), size, nullptr, 0, nullptr, defaulted_out);
    if (n <= 0 || defaulted) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, name.data(), size, out.data(), n, nullptr, defaulted_out);
    if (defaulted || out.size() >= MAX_PATH) return {};
    // Back again, exactly: no look-alike stands in for a character.
    const int back = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, out.data(), n, nullptr, 0);
    if (back != size) return {};
    std::wstring again(static_cast<size_t>(back), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, out.data(), n, again.data(), back);
    return again == name ? out : std::string();
}

std::wstring temp_folder_wide() {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = ::GetTempPathW(MAX_PATH + 2, buffer);
    if (n == 0 || n > MAX_PATH + 1) throw last_error();
    std::wstring path(buffer, n);
    drop_trailing_separator(path);
    return path;
}

// A new folder pixavon-PID-XXXXXX under the temporary folder, named in the
// ANSI code page (its own name is ASCII; the temporary folder's, or its short
// name, must fit). Sets `wide` and `ansi`.
void make_temporary_folder(std::wstring& wide, std::string& ansi) {
    std::wstring base = temp_folder_wide();
    std::string base_ansi = to_ansi(base);
    if (base_ansi.empty()) {
        base = short_name(base);
        base_ansi = to_ansi(base);
        if (base_ansi.empty()) throw error_of(ERROR_NO_UNICODE_TRANSLATION);
    }
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    uint64_t seed = (static_cast<uint64_t>(::GetCurrentThreadId()) << 32) ^ ::GetTickCount64();
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    seed ^= static_cast<uint64_t>(counter.QuadPart);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "pixavon-" + std::to_string(::GetCurrentProcessId()) + "-";
        for (int i = 0; i < 6; ++i) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            name += kLetters[(seed >> 33) % 36];
        }
        const std::wstring candidate = base + L"\\" + std::wstring(name.begin(), name.end());
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            wide = candidate;
            ansi = base_ansi + "\\" + name;
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) throw last_error();
    }
    throw error_of(ERROR_ALREADY_EXISTS);
}

std::wstring known_folder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    const HRESULT hr = ::SHGetKnownFolderPath(id, 0, nullptr, &path);
    std::wstring out = SUCCEEDED(hr) && path != nullptr ? std::wstring(path) : std::wstring();
    ::CoTaskMemFree(path);
    if (FAILED(hr)) throw error_of(static_cast<DWORD>(hr));
    drop_trailing_separator(out);
    return out;
}

}  // namespace

std::string executable_folder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) throw last_error();
        if (n < buffer.size()) {
            std::wstring path(buffer.data(), n);
            const size_t separator = path.find_last_of(L"\\/");
            return to_utf8(separator == std::wstring::npos ? std::wstring(L".") : path.substr(0, separator));
        }
        if (buffer.size() >= 32768) throw error_of(ERROR_INSUFFICIENT_BUFFER);
        buffer.resize(buffer.size() * 2);
    }
}

std::string pictures_folder() { return to_utf8(known_folder(FOLDERID_Pictures)); }

std::string default_import_folder() { return pictures_folder() + "\\Lumetta"; }

std::string temp_folder() { return to_utf8(temp_folder_wide()); }

bool fits_ansi(std::wstring_view name) { return !to_ansi(name).empty(); }

AnsiPath::AnsiPath(const std::string& path, Use use) : path_(full_path(to_utf16(path))) {
    ansi_ = to_ansi(path_);
    if (!ansi_.empty()) return;

    const size_t separator = path_.find_last_of(L"\\/");
    const std::wstring folder = separator == std::wstring::npos ? std::wstring() : path_.substr(0, separator);
    const std::wstring leaf = separator == std::wstring::npos ? path_ : path_.substr(separator + 1);
    if (use == Use::kRead) {
        ansi_ = to_ansi(short_name(path_));
    } else {
        const std::string leaf_ansi = to_ansi(leaf);
        const std::wstring short_folder = short_name(folder);
        if (!leaf_ansi.empty() && !short_folder.empty()) {
            const std::string folder_ansi = to_ansi(short_folder);
            if (!folder_ansi.empty() && folder_ansi.size() + 1 + leaf_ansi.size() < MAX_PATH)
                ansi_ = folder_ansi + "\\" + leaf_ansi;
        }
    }
    if (!ansi_.empty()) {
        kind_ = Kind::kShortName;
        return;
    }

    kind_ = Kind::kTemporary;
    std::string folder_ansi;
    make_temporary_folder(folder_, folder_ansi);
    // The file's own extension where it is plain, for a library that looks.
    std::wstring extension;
    const size_t dot = leaf.find_last_of(L'.');
    if (dot != std::wstring::npos && leaf.size() - dot <= 6) {
        extension = leaf.substr(dot);
        for (const wchar_t c : extension.substr(1)) {
            if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'))) {
                extension.clear();
                break;
            }
        }
    }
    temporary_ = folder_ + L"\\file" + extension;
    ansi_ = folder_ansi + "\\file" + to_utf8(extension);
    if (use == Use::kRead && !::CopyFileW(path_.c_str(), temporary_.c_str(), TRUE)) {
        const Win32Error error = last_error();
        ::RemoveDirectoryW(folder_.c_str());
        throw error;
    }
}

AnsiPath::~AnsiPath() {
    if (folder_.empty()) return;
    ::DeleteFileW(temporary_.c_str());
    ::RemoveDirectoryW(folder_.c_str());
}

bool AnsiPath::commit(bool replace) {
    if (kind_ != Kind::kTemporary) return true;
    DWORD flags = MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if (replace) flags |= MOVEFILE_REPLACE_EXISTING;
    if (::MoveFileExW(temporary_.c_str(), path_.c_str(), flags)) return true;
    const DWORD code = ::GetLastError();
    if (!replace && (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)) return false;
    throw error_of(code);
}

}  // namespace pixavon::host::win32
