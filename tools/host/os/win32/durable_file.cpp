// Durable files, marked private folders and the removal of a killed run's
// leftovers on Windows; see durable_file.h. This is the one place in the
// host that waits for the disk (FlushFileBuffers, MOVEFILE_WRITE_THROUGH).
#include "durable_file.h"

#include <windows.h>

#include <atomic>
#include <random>
#include <utility>

#include "i18n.h"
#include "os/os.h"
#include "os/win32/text.h"

namespace pixavon::host {
namespace {

// The marker in each folder this tool makes, and what it holds: the token,
// the folder's own name, which no folder of a person's has, and the folder's
// identity on its volume (the volume's serial number and the folder's file
// index), which a copy of the folder, as a backup restores it, does not have.
constexpr wchar_t kMarkerName[] = L".pixavon~made-by-pixavon";
std::string marker_text(const std::string& folder_name, const std::string& identity) {
    return "pixavon temporary folder, removed when its process has ended\n" + folder_name + "\nfolder " + identity +
           "\n";
}
constexpr wchar_t kStagedName[] = L"file";

// The identity of the folder `folder` on its volume; empty when it cannot be told.
std::string identity_of(const std::wstring& folder) {
    HANDLE handle =
        ::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
    ::CloseHandle(handle);
    if (!known) return {};
    const uint64_t index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(index);
}

// True if the folder `folder` holds nothing but what a DurableFile puts in
// it: the marker, and the file being written.
bool holds_only_staged(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool only = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if ((name != kMarkerName && name != kStagedName) ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
            only = false;
        }
    } while (only && ::FindNextFileW(find, &found));
    ::FindClose(find);
    return only;
}

std::atomic<bool> g_force_plain_rename{false};

HANDLE as_handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::wstring wide(const std::string& path, const std::string& named) {
    try {
        return win32::to_utf16(path);
    } catch (const std::invalid_argument&) {
        throw DiskError(named, ERROR_INVALID_NAME);
    }
}

std::wstring folder_of(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return L".";
    if (separator == 0 || (separator == 2 && path[1] == L':')) return path.substr(0, separator + 1);
    return path.substr(0, separator);
}

bool write_all(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr)) return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// The process in a name `prefix`~PID~XXXXXX made by PrivateDir; 0 if `name`
// is not such a name.
long maker_of(const std::wstring& name) {
    const size_t first = name.find(L'~');
    if (first == std::wstring::npos) return 0;
    const std::wstring prefix = name.substr(0, first);
    if (prefix != L"pixavon" && prefix != L"pixavon-camera" && prefix != L".pixavon") return 0;
    const size_t second = name.find(L'~', first + 1);
    if (second == std::wstring::npos || name.size() - second - 1 != 6) return 0;
    const std::wstring digits = name.substr(first + 1, second - first - 1);
    if (digits.empty() || digits.size() > 9) return 0;
    long pid = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9') return 0;
        pid = pid * 10 + (c - L'0');
    }
    return pid;
}

// True while process `pid` runs (or cannot be told otherwise).
bool process_alive(long pid) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
    DWORD code = 0;
    const bool alive = !::GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    ::CloseHandle(process);
    return alive;
}

// True if the folder `folder`, named `name`, holds this tool's marker for
// that name and this very folder, and no process holds the marker open (the
// folder's maker keeps it open while it lives).
bool bears_free_marker(const std::wstring& folder, const std::string& name) {
    const std::string identity = identity_of(folder);
    if (identity.empty()) return false;
    HANDLE marker = ::CreateFileW((folder + L"\\" + kMarkerName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return false;
    const std::string expected = marker_text(name, identity);
    std::string text(expected.size() + 1, '\0');
    DWORD got = 0;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ours = ::GetFileInformationByHandle(marker, &info) &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                      ::ReadFile(marker, text.data(), static_cast<DWORD>(text.size()), &got, nullptr) &&
                      got == expected.size() && text.substr(0, got) == expected;
    ::CloseHandle(marker);
    return ours;
}

// Removes `folder` and all in it, without following links out of it.
void remove_tree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                remove_tree(path);
            } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                ::RemoveDirectoryW(path.c_str());  // a junction: only the link goes
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

DiskError::DiskError(std::string path, int error)
    : std::runtime_error(system_error(error)), path_(std::move(path)), error_(error) {}

PrivateDir::PrivateDir(const std::string& base, const std::string& prefix) {
    const std::wstring base_wide = wide(base, base);
    static std::mt19937 random{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name;
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < 100 && error == ERROR_ALREADY_EXISTS; ++attempt) {
        name = prefix + "~" + std::to_string(::GetCurrentProcessId()) + "~";
        for (int i = 0; i < 6; ++i) name += kLetters[random() % 36];
        error = ::CreateDirectoryW((base_wide + L"\\" + win32::to_utf16(name)).c_str(), nullptr) ? 0 : ::GetLastError();
    }
    if (error != 0) throw DiskError(base, static_cast<int>(error));
    path_ = base + "\\" + name;
    const std::wstring folder = base_wide + L"\\" + win32::to_utf16(name);
    // The marker stays open, and cannot be removed, while this process lives.
    HANDLE marker = ::CreateFileW((folder + L"\\" + kMarkerName).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    const std::string identity = identity_of(folder);
    const std::string text = marker_text(name, identity);
    const bool marked = marker != INVALID_HANDLE_VALUE && !identity.empty() &&
                        write_all(marker, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    error = marked ? 0 : ::GetLastError();
    if (!marked) {
        if (marker != INVALID_HANDLE_VALUE) ::CloseHandle(marker);
        remove_tree(folder);
        path_.clear();
        throw DiskError(base, static_cast<int>(error));
    }
    lock_ = reinterpret_cast<intptr_t>(marker);
}

PrivateDir::~PrivateDir() {
    if (lock_ >= 0) ::CloseHandle(as_handle(lock_));
    if (!path_.empty()) remove_tree(win32::to_utf16(path_));
}

PrivateDir::PrivateDir(PrivateDir&& other) noexcept
    : path_(std::exchange(other.path_, {})), lock_(std::exchange(other.lock_, -1)) {}

PrivateDir& PrivateDir::operator=(PrivateDir&& other) noexcept {
    if (this != &other) {
        PrivateDir old(std::move(*this));
        path_ = std::exchange(other.path_, {});
        lock_ = std::exchange(other.lock_, -1);
    }
    return *this;
}

DurableFile::DurableFile(std::string path) : path_(std::move(path)) {
    const std::wstring target = wide(path_, path_);
    folder_ = win32::to_utf8(folder_of(target));
    try {
        stage_ = PrivateDir(folder_, ".pixavon");
    } catch (const DiskError& error) {
        throw DiskError(path_, error.error());
    }
    temp_ = stage_.path() + "\\" + win32::to_utf8(kStagedName);
    HANDLE file = ::CreateFileW(win32::to_utf16(temp_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        stage_ = PrivateDir();
        throw DiskError(path_, static_cast<int>(error));
    }
    fd_ = reinterpret_cast<intptr_t>(file);
}

DurableFile::~DurableFile() { discard(); }

void DurableFile::discard() {
    if (fd_ >= 0) ::CloseHandle(as_handle(std::exchange(fd_, -1)));
    stage_ = PrivateDir();  // removes the temporary file with its folder
}

void DurableFile::write(const uint8_t* data, size_t size) {
    if (fd_ < 0) throw DiskError(path_, ERROR_INVALID_HANDLE);
    if (!write_all(as_handle(fd_), data, size)) throw DiskError(path_, static_cast<int>(::GetLastError()));
}

bool DurableFile::commit(bool replace) {
    if (fd_ < 0) throw DiskError(path_, ERROR_INVALID_HANDLE);
    const bool flushed = ::FlushFileBuffers(as_handle(fd_)) != 0;
    DWORD error = flushed ? 0 : ::GetLastError();
    ::CloseHandle(as_handle(std::exchange(fd_, -1)));
    if (!flushed) {
        discard();
        throw DiskError(path_, static_cast<int>(error));
    }
    // MoveFileEx without MOVEFILE_REPLACE_EXISTING never replaces: the check
    // and the rename are one step of the file system.
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (replace) flags |= MOVEFILE_REPLACE_EXISTING;
    const bool placed = ::MoveFileExW(win32::to_utf16(temp_).c_str(), win32::to_utf16(path_).c_str(), flags) != 0;
    error = placed ? 0 : ::GetLastError();
    discard();
    if (!placed) {
        if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) return false;
        throw DiskError(path_, static_cast<int>(error));
    }
    return true;
}

bool write_file_durably(const std::string& path, const std::vector<uint8_t>& bytes, bool replace) {
    if (!replace && os::exists(path)) return false;
    DurableFile file(path);
    file.write(bytes.data(), bytes.size());
    return file.commit(replace);
}

bool write_file_durably(const std::string& path, std::string_view text, bool replace) {
    return write_file_durably(path, std::vector<uint8_t>(text.begin(), text.end()), replace);
}

void os::File::append_durably(const std::string& path, std::string_view bytes) {
    if (handle_ < 0) throw DiskError(path, ERROR_INVALID_HANDLE);
    if (!write_all(as_handle(handle_), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) ||
        !::FlushFileBuffers(as_handle(handle_))) {
        throw DiskError(path, static_cast<int>(::GetLastError()));
    }
}

// A rename with MOVEFILE_WRITE_THROUGH has reached the disk when it returns;
// Windows keeps no separate folder to flush.
void sync_folder(const std::string& dir) {
    if (!os::is_folder(dir)) throw DiskError(dir, ERROR_PATH_NOT_FOUND);
}

void remove_leftovers(const std::string& dir) {
    std::wstring folder;
    try {
        folder = win32::to_utf16(dir);
    } catch (const std::invalid_argument&) {
        return;
    }
    std::vector<std::wstring> gone;
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        const long pid = maker_of(name);
        if (pid <= 0 || static_cast<DWORD>(pid) == ::GetCurrentProcessId()) continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            continue;
        if (process_alive(pid)) continue;
        const std::wstring path = folder + L"\\" + name;
        if (!bears_free_marker(path, win32::to_utf8(name))) continue;
        // A DurableFile's folder, which sits among a person's files, holds
        // only the file being written; it is emptied name by name, and
        // whatever came into it since stays, and the folder too.
        if (name.front() != L'.') {
            gone.push_back(path);
        } else if (holds_only_staged(path)) {
            ::DeleteFileW((path + L"\\" + kStagedName).c_str());
            ::SetFileAttributesW((path + L"\\" + kMarkerName).c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW((path + L"\\" + kMarkerName).c_str());
            ::RemoveDirectoryW(path.c_str());
        }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    for (const std::wstring& path : gone) remove_tree(path);
}

namespace seam {
// Windows renames without replacing in one step on every file system.
void force_plain_rename(bool on) { g_force_plain_rename.store(on); }
}  // namespace seam

}  // namespace pixavon::host
