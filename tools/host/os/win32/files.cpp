// Files, folders and locks on Windows; see os.h. Names are UTF-8 here and
// UTF-16 to the system, so any name works whatever the ANSI code page. Errors
// are the system's error codes (GetLastError).
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
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

bool same_letter(wchar_t a, wchar_t b) { return ::CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL; }

// True if `name` matches `pattern` (* any run, ? any one character), in any
// case. The system's own matching also tries the names' short 8.3 forms,
// where *.png takes photo.pngx (PHOTO~1.PNG): it only picks what is looked at.
bool matches(std::wstring_view pattern, std::wstring_view name) {
    size_t p = 0, n = 0, star = std::wstring_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || same_letter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Explorer's order: runs of digits by their value, the rest letter by letter
// in any case; names equal so (a2, A02) by their characters, so that the
// order never depends on the order the system listed them in.
bool natural_less(const std::wstring& a, const std::wstring& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (is_digit(a[i]) && is_digit(b[j])) {
            size_t end_a = i, end_b = j;
            while (end_a < a.size() && is_digit(a[end_a])) ++end_a;
            while (end_b < b.size() && is_digit(b[end_b])) ++end_b;
            size_t first_a = i, first_b = j;
            while (first_a + 1 < end_a && a[first_a] == L'0') ++first_a;
            while (first_b + 1 < end_b && b[first_b] == L'0') ++first_b;
            const std::wstring_view value_a(a.data() + first_a, end_a - first_a);
            const std::wstring_view value_b(b.data() + first_b, end_b - first_b);
            if (value_a.size() != value_b.size()) return value_a.size() < value_b.size();
            if (value_a != value_b) return value_a < value_b;
            i = end_a;
            j = end_b;
            continue;
        }
        const int order = ::CompareStringOrdinal(&a[i], 1, &b[j], 1, TRUE);
        if (order != CSTR_EQUAL) return order == CSTR_LESS_THAN;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
    return a < b;
}

// Where File::try_lock() locks: one byte far beyond any data, so that the
// lock keeps out the lock of another open, never a reader of the file's bytes.
OVERLAPPED lock_place() {
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFF0u;
    at.OffsetHigh = 0x7FFFFFFFu;
    return at;
}

// Closes a File's handle, its lock first: Windows may release the lock of a
// closed handle only some time later.
void close_file(intptr_t handle) {
    OVERLAPPED at = lock_place();
    ::UnlockFileEx(as_handle(handle), 0, 1, 0, &at);
    ::CloseHandle(as_handle(handle));
}

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

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    // "C:" + name stays on that drive's current folder, as the person meant.
    if (folder.back() == '\\' || folder.back() == '/' || (folder.size() == 2 && folder[1] == ':')) return folder + name;
    return folder + "\\" + name;
}

namespace {

DWORD make_folders_w(const std::wstring& path) {
    if (::CreateDirectoryW(path.c_str(), nullptr)) return 0;
    DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        // A file in the way is a folder missing from the path.
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
        return ERROR_PATH_NOT_FOUND;
    }
    // ERROR_ACCESS_DENIED is also what a drive's root gives, which exists.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
    if (error != ERROR_PATH_NOT_FOUND) return error;
    const size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos || cut == 0) return error;
    if (const DWORD parent = make_folders_w(path.substr(0, cut)); parent != 0) return parent;
    if (::CreateDirectoryW(path.c_str(), nullptr)) return 0;
    error = ::GetLastError();
    return error == ERROR_ALREADY_EXISTS && is_folder(win32::to_utf8(path)) ? 0 : error;
}

}  // namespace

int make_folders(const std::string& path) {
    std::wstring name = wide(path);
    if (name.empty()) return ERROR_INVALID_NAME;
    while (name.size() > 1 && (name.back() == L'\\' || name.back() == L'/')) name.pop_back();
    const DWORD error = make_folders_w(name);
    if (error != 0 && name.size() >= 2 && name[1] == L':') {
        const wchar_t root[] = {name[0], L':', L'\\', L'\0'};
        if (::GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) return ERROR_INVALID_DRIVE;
    }
    return static_cast<int>(error);
}

std::vector<std::string> files_matching(const std::string& argument) {
    size_t start = argument.find_last_of("\\/");
    start = start == std::string::npos ? (argument.size() >= 2 && argument[1] == ':' ? 2 : 0) : start + 1;
    if (argument.find_first_of("*?", start) == std::string::npos) return {argument};
    const std::wstring pattern_path = wide(argument);
    if (pattern_path.empty()) return {};
    std::wstring pattern = wide(argument.substr(start));
    if (pattern == L"*.*") pattern = L"*";  // as Windows has always read it: every name
    std::vector<std::wstring> found_names;
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileExW(pattern_path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return {};
    do {
        const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if ((found.dwFileAttributes & skipped) == 0 && matches(pattern, found.cFileName))
            found_names.emplace_back(found.cFileName);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    std::sort(found_names.begin(), found_names.end(), natural_less);
    const std::string folder = argument.substr(0, start);
    std::vector<std::string> files;
    for (const std::wstring& name : found_names) files.push_back(folder + win32::to_utf8(name));
    return files;
}

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
    if (handle_ >= 0) close_file(handle_);
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)),
      error_(other.error_),
      not_regular_(other.not_regular_),
      offset_(other.offset_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) close_file(handle_);
        handle_ = std::exchange(other.handle_, -1);
        error_ = other.error_;
        not_regular_ = other.not_regular_;
        offset_ = other.offset_;
    }
    return *this;
}

bool File::open(const std::string& path, Access access, bool follow_links) {
    if (handle_ >= 0) close_file(std::exchange(handle_, -1));
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

uint32_t File::links() const {
    BY_HANDLE_FILE_INFORMATION info{};
    return handle_ >= 0 && ::GetFileInformationByHandle(as_handle(handle_), &info) ? info.nNumberOfLinks : 0;
}

bool File::in_use() const { return error_ == ERROR_SHARING_VIOLATION || error_ == ERROR_LOCK_VIOLATION; }

bool File::try_lock() {
    if (handle_ < 0) return false;
    OVERLAPPED at = lock_place();
    if (::LockFileEx(as_handle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return true;
    const DWORD error = ::GetLastError();
    return error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING;
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
