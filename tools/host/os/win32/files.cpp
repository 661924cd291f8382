// Files, folders and locks on Windows; see os.h. Names are UTF-8 here and
// UTF-16 to the system, so any name works whatever the ANSI code page. Errors
// are the system's error codes (GetLastError).
#include <windows.h>

#include <cerrno>
#include <utility>

#include "os/os.h"
#include "os/win32/text.h"

namespace pixavon::host::os {
namespace {

std::wstring wide(const std::string& path) {
    try {
        return win32::to_utf16(path);
    } catch (const std::invalid_argument&) {
        return {};  // no file has a name that is not UTF-8
    }
}

bool attributes_of(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA* data, DWORD* error) {
    const std::wstring name = wide(path);
    if (name.empty() || !::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, data)) {
        *error = name.empty() ? ERROR_INVALID_NAME : ::GetLastError();
        return false;
    }
    return true;
}

HANDLE as_handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// True if the last part of `path` is a name Windows keeps for a device (CON,
// PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with any extension): such a
// name opens the device, in any folder, and is never a file.
bool device_name(const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

}  // namespace

Status status(const std::string& path) {
    if (device_name(path)) return {Kind::kOther, 0, 0};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    DWORD error = 0;
    if (!attributes_of(path, &data, &error)) return {Kind::kMissing, 0, static_cast<int>(error)};
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {Kind::kFolder, 0, 0};
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) return {Kind::kOther, 0, 0};
    return {Kind::kFile, (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, 0};
}

bool exists(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    DWORD error = 0;
    return attributes_of(path, &data, &error);
}

bool is_folder(const std::string& path) { return status(path).kind == Kind::kFolder; }

namespace {

// The volume and file ID of `path`, opened to read its attributes alone: a
// file another program holds open for writing can still be asked.
bool file_id(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    const std::wstring name = wide(path);
    if (name.empty()) return false;
    HANDLE file =
        ::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::GetFileInformationByHandle(file, info) != 0;
    ::CloseHandle(file);
    return ok;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return file_id(a, &first) && file_id(b, &second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

std::optional<uint64_t> free_space(const std::string& folder, int* error) {
    ULARGE_INTEGER available{};
    const std::wstring name = wide(folder);
    if (name.empty() || !::GetDiskFreeSpaceExW(name.c_str(), &available, nullptr, nullptr)) {
        if (error != nullptr) *error = static_cast<int>(name.empty() ? ERROR_INVALID_NAME : ::GetLastError());
        return std::nullopt;
    }
    return available.QuadPart;
}

void remove_file(const std::string& path) {
    const std::wstring name = wide(path);
    if (!name.empty()) ::DeleteFileW(name.c_str());
}

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    const std::wstring pattern = wide(folder);
    if (pattern.empty()) return names;
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((pattern + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(win32::to_utf8(name));
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return names;
}

File::~File() {
    if (handle_ >= 0) ::CloseHandle(as_handle(handle_));
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)),
      error_(other.error_),
      not_regular_(other.not_regular_),
      offset_(other.offset_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) ::CloseHandle(as_handle(handle_));
        handle_ = std::exchange(other.handle_, -1);
        error_ = other.error_;
        not_regular_ = other.not_regular_;
        offset_ = other.offset_;
    }
    return *this;
}

bool File::open(const std::string& path, Access access, bool follow_links) {
    if (handle_ >= 0) ::CloseHandle(as_handle(std::exchange(handle_, -1)));
    error_ = 0;
    not_regular_ = false;
    offset_ = 0;
    const std::wstring name = wide(path);
    if (name.empty()) {
        error_ = ERROR_INVALID_NAME;
        return false;
    }
    const DWORD rights = access == Access::kRead ? GENERIC_READ : GENERIC_READ | FILE_APPEND_DATA;
    const DWORD disposition = access == Access::kRead ? OPEN_EXISTING : OPEN_ALWAYS;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    if (!follow_links) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE handle = ::CreateFileW(name.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error_ = static_cast<int>(::GetLastError());
        // A folder cannot be opened as a file.
        not_regular_ = error_ == ERROR_ACCESS_DENIED && is_folder(path);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular = ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info) &&
                         (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    if (!regular) {
        ::CloseHandle(handle);
        not_regular_ = true;
        error_ = EINVAL;
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(handle);
    return true;
}

uint64_t File::size() const {
    LARGE_INTEGER size{};
    return handle_ >= 0 && ::GetFileSizeEx(as_handle(handle_), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

long File::read_at(uint64_t offset, void* buffer, size_t size) {
    if (handle_ < 0) {
        error_ = ERROR_INVALID_HANDLE;
        return -1;
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!::ReadFile(as_handle(handle_), buffer, chunk, &got, &at)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) return 0;
        error_ = static_cast<int>(error);
        return -1;
    }
    return static_cast<long>(got);
}

long File::read(void* buffer, size_t size) {
    const long n = read_at(offset_, buffer, size);
    if (n > 0) offset_ += static_cast<uint64_t>(n);
    return n;
}

bool write_standard_output(const uint8_t* bytes, size_t size, int* error) {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    while (size > 0) {
        const DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(out, bytes, chunk, &written, nullptr) || written == 0) {
            if (error != nullptr) *error = static_cast<int>(::GetLastError());
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

// On Windows the library finds the camera through the system's device
// interface and opens it exclusively itself: there is no folder to lock.
bool FolderLock::take(const std::string&, long* holder) {
    if (holder != nullptr) *holder = 0;
    return true;
}

void FolderLock::release() { handle_ = -1; }

long lock_holder(const std::string&) { return 0; }

}  // namespace pixavon::host::os
