#include "card_win32.h"

#include <cstring>
#include <vector>

namespace pixavon::emu {
namespace {

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) throw CardError("the card image's name " + utf8 + " is not UTF-8");
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string error_text(const std::string& what, DWORD code) {
    return what + " (Windows error " + std::to_string(code) + ")";
}

bool disk_full(DWORD code) { return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL; }

// Writes a fresh card of `size` bytes into the empty `file`: every byte
// erased (0xFF) but an empty catalog at the end. Each byte is written, not
// only the file's length set: a length alone may leave the space unallocated
// (sparse), and a page of the mapping that cannot be stored later ends the
// process. False with `error` set when the disk cannot take it.
bool write_fresh(HANDLE file, uint64_t size, DWORD* error) {
    constexpr DWORD kChunk = 1u << 20;
    std::vector<uint8_t> chunk(kChunk, 0xFF);
    const std::vector<uint8_t> catalog = empty_catalog(size);
    for (uint64_t at = 0; at < size; at += kChunk) {
        if (at + kChunk == size) std::memcpy(chunk.data() + kChunk - kCatalogSize, catalog.data(), catalog.size());
        DWORD written = 0;
        if (!::WriteFile(file, chunk.data(), kChunk, &written, nullptr) || written != kChunk) {
            *error = written != kChunk && ::GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : ::GetLastError();
            return false;
        }
    }
    if (!::FlushFileBuffers(file)) {
        *error = ::GetLastError();
        return false;
    }
    return true;
}

// The room left for this user on the disk holding `path`; true when it cannot be told.
bool room_for(const std::wstring& path, uint64_t size) {
    std::wstring folder = path;
    const size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring(L".") : folder.substr(0, slash + 1);
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return true;
    return available.QuadPart >= size;
}

}  // namespace

std::unique_ptr<Card> Card::open(const std::string& path, int create_mib, bool read_only) {
    const std::wstring name = wide(path);
    // Others may read the card image (a copy, a checksum) but never write it
    // while this Card has it.
    constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
    HANDLE file = ::CreateFileW(name.c_str(), read_only ? GENERIC_READ : kAccess, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool fresh = false;
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
            throw CardError("card image " + path + " is in use by another program", CardError::Reason::kBusy);
        }
        if ((code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) || create_mib == 0) {
            throw CardError(error_text("cannot open card file " + path, code), CardError::Reason::kUnusable,
                            static_cast<int>(code));
        }
        read_only = false;
        const uint64_t size = create_mib == 16 ? kLargeCardSize : kSmallCardSize;
        const std::string no_room = "not enough space for a " + std::to_string(create_mib) + " MiB card for " + path;
        if (!room_for(name, size)) throw CardError(no_room, CardError::Reason::kNoSpace);
        file =
            ::CreateFileW(name.c_str(), kAccess, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            throw CardError(error_text("cannot create card file " + path, error), CardError::Reason::kUnusable,
                            static_cast<int>(error));
        }
        fresh = true;
        if (DWORD error = 0; !write_fresh(file, size, &error)) {
            ::CloseHandle(file);
            ::DeleteFileW(name.c_str());
            if (disk_full(error)) throw CardError(no_room, CardError::Reason::kNoSpace);
            throw CardError(error_text("cannot make card file " + path, error), CardError::Reason::kUnusable,
                            static_cast<int>(error));
        }
    }

    std::unique_ptr<Card> card(new Card);
    card->file_ = file;
    card->read_only_ = read_only;
    // From here the Card releases the file on every path; a fresh one that
    // cannot be made whole is removed.
    const auto fail = [&](const std::string& message, CardError::Reason reason = CardError::Reason::kUnusable) {
        card.reset();
        if (fresh) ::DeleteFileW(name.c_str());
        throw CardError(message, reason);
    };
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file, &length)) fail(error_text("cannot measure card file " + path, ::GetLastError()));
    const auto size = static_cast<uint64_t>(length.QuadPart);
    if (::GetFileType(file) != FILE_TYPE_DISK || (size != kSmallCardSize && size != kLargeCardSize)) {
        fail("card file " + path + " has " + std::to_string(size) +
             " bytes; a card must be exactly 8388608 (8 MiB) or 16777216 (16 MiB) bytes");
    }
    // Read only: a copy-on-write view, whose changes never reach the file.
    card->mapping_ = ::CreateFileMappingW(file, nullptr, read_only ? PAGE_WRITECOPY : PAGE_READWRITE, 0, 0, nullptr);
    if (card->mapping_ == nullptr) {
        const DWORD code = ::GetLastError();
        fail(error_text("cannot map card file " + path, code),
             disk_full(code) ? CardError::Reason::kNoSpace : CardError::Reason::kUnusable);
    }
    card->view_ =
        static_cast<uint8_t*>(::MapViewOfFile(card->mapping_, read_only ? FILE_MAP_COPY : FILE_MAP_WRITE, 0, 0, 0));
    if (card->view_ == nullptr) fail(error_text("cannot map card file " + path, ::GetLastError()));
    // A fresh card's bytes were written before it was mapped.
    card->flash_ = std::make_unique<Flash>(std::span<uint8_t>(card->view_, size));
    return card;
}

std::unique_ptr<Card> Card::in_memory(int mib) {
    const uint64_t size = mib == 16 ? kLargeCardSize : kSmallCardSize;
    std::vector<uint8_t> image(size, 0xFF);
    const std::vector<uint8_t> catalog = empty_catalog(size);
    std::memcpy(image.data() + size - kCatalogSize, catalog.data(), catalog.size());
    std::unique_ptr<Card> card(new Card);
    card->flash_ = std::make_unique<Flash>(std::span<const uint8_t>(image));
    return card;
}

Card::~Card() {
    flash_.reset();
    if (view_ != nullptr) {
        ::FlushViewOfFile(view_, 0);
        ::UnmapViewOfFile(view_);
    }
    if (mapping_ != nullptr) ::CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
}

bool Card::sync() const {
    if (view_ == nullptr || read_only_) return true;
    return ::FlushViewOfFile(view_, 0) && ::FlushFileBuffers(file_);
}

}  // namespace pixavon::emu
