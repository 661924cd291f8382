// i18n.h on Windows: gettext's catalogues read by MoCatalog, in the user's
// interface language; every text in UTF-8.
#include <windows.h>

#include <cstring>
#include <optional>
#include <vector>

#include "fault_words.h"
#include "i18n.h"
#include "mo_catalog.h"
#include "os/os.h"
#include "os/win32/paths.h"
#include "os/win32/text.h"
#include "os/win32/translations.h"

namespace pixavon::host {
namespace {

// Chosen once, before other threads start (use_environment_locale,
// init_translations); read-only after.
std::string g_language;
std::optional<MoCatalog> g_catalog;

// A catalogue is a few hundred KiB; anything far larger is not one.
constexpr DWORD kMaxCatalogBytes = 16u << 20;

std::optional<std::vector<uint8_t>> read_small_file(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::vector<uint8_t>> bytes;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file, &size) && size.QuadPart >= 0 && size.QuadPart <= kMaxCatalogBytes) {
        std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (data.empty() ||
            (::ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) && got == data.size())) {
            bytes = std::move(data);
        }
    }
    ::CloseHandle(file);
    return bytes;
}

}  // namespace

namespace win32 {

bool use_catalogue(const std::string& locale_folder, const std::string& language) {
    g_catalog.reset();
    if (language.empty()) return true;
    std::wstring path;
    try {
        path = to_utf16(locale_folder + "\\" + language + "\\LC_MESSAGES\\pixavon.mo");
    } catch (const std::invalid_argument&) {
        return false;
    }
    std::optional<std::vector<uint8_t>> bytes = read_small_file(path);
    if (!bytes) return false;
    g_catalog = MoCatalog::parse(std::move(*bytes));
    return g_catalog.has_value();
}

std::string installed_locale_folder() { return executable_folder() + "\\share\\locale"; }

}  // namespace win32

void use_environment_locale() { g_language = win32::user_catalogue(); }

void init_translations(const std::string& /*codeset: always UTF-8 here*/) {
    try {
        win32::use_catalogue(win32::installed_locale_folder(), g_language);
    } catch (const win32::Win32Error&) {
        g_catalog.reset();  // no folder of our own: English
    }
}

std::string text_codeset() { return "UTF-8"; }

const char* tr(const char* text) {
    const char* found = g_catalog ? g_catalog->find(text) : nullptr;
    return found != nullptr ? found : text;
}

const char* ntr(const char* singular, const char* plural, uint64_t n) {
    const char* found = g_catalog ? g_catalog->find_plural(singular, n) : nullptr;
    if (found != nullptr) return found;
    return n == 1 ? singular : plural;
}

SystemFault system_fault(int errnum) {
    switch (static_cast<DWORD>(errnum)) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_UNIT:
        case ERROR_MOD_NOT_FOUND:
            return SystemFault::kNotFound;
        case ERROR_DIRECTORY:
        case ERROR_CANT_ACCESS_FILE:
        case ERROR_CANT_RESOLVE_FILENAME:
            return SystemFault::kNotFolder;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return SystemFault::kDenied;
        case ERROR_WRITE_PROTECT:
            return SystemFault::kReadOnly;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_FILE_TOO_LARGE:
            return SystemFault::kNoRoom;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
        case ERROR_DRIVE_LOCKED:
        case ERROR_BUSY:
            return SystemFault::kInUse;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return SystemFault::kNameTooLong;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_NOT_SAME_DEVICE:
            return SystemFault::kBadName;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
        case ERROR_DIR_NOT_EMPTY:
            return SystemFault::kExists;
        case ERROR_CRC:
        case ERROR_SEEK:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_NOT_READY:
        case ERROR_IO_DEVICE:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_NETNAME_DELETED:
        case ERROR_UNEXP_NET_ERR:
        case ERROR_NETWORK_UNREACHABLE:
        case ERROR_SEM_TIMEOUT:
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            return SystemFault::kDiskFault;
        case ERROR_TOO_MANY_OPEN_FILES:
            return SystemFault::kTooManyOpen;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return SystemFault::kNoMemory;
        default:
            return SystemFault::kOther;
    }
}

std::string system_error(int errnum) { return fault_words(system_fault(errnum)); }

// Windows takes / for \ in a path but shows \ alone: a name typed as
// photos/a.png, or joined so, is shown photos\a.png, as Explorer would.
std::string display_name(const std::string& raw) {
    std::string out = raw;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) c = '?';
        if (c == '/') c = '\\';
    }
    return out;
}

}  // namespace pixavon::host
