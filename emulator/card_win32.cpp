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

// Sets the file's length to `size`, its space taken on the disk.
bool extend(HANDLE file, uint64_t size) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

}  // namespace

std::unique_ptr<Card> Card::open(const std::string& path, int create_mib) {
    const std::wstring name = wide(path);
    // Others may read the card image (a copy, a checksum) but never write it
    // while this Card has it.
    constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
    HANDLE file =
        ::CreateFileW(name.c_str(), kAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool fresh = false;
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
            throw CardError("card image " + path + " is in use by another program", CardError::Reason::kBusy);
        }
        if ((code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) || create_mib == 0) {
            throw CardError(error_text("cannot open card file " + path, code));
        }
        file =
            ::CreateFileW(name.c_str(), kAccess, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            throw CardError(error_text("cannot create card file " + path, ::GetLastError()));
        }
        fresh = true;
        const uint64_t size = create_mib == 16 ? kLargeCardSize : kSmallCardSize;
        if (!extend(file, size)) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(file);
            ::DeleteFileW(name.c_str());
            if (disk_full(error)) {
                throw CardError("not enough space for a " + std::to_string(create_mib) + " MiB card for " + path,
                                CardError::Reason::kNoSpace);
            }
            throw CardError(error_text("cannot make card file " + path, error));
        }
    }

    std::unique_ptr<Card> card(new Card);
    card->file_ = file;
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
    card->mapping_ = ::CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    if (card->mapping_ == nullptr) {
        const DWORD code = ::GetLastError();
        fail(error_text("cannot map card file " + path, code),
             disk_full(code) ? CardError::Reason::kNoSpace : CardError::Reason::kUnusable);
    }
    card->view_ = static_cast<uint8_t*>(::MapViewOfFile(card->mapping_, FILE_MAP_WRITE, 0, 0, 0));
    if (card->view_ == nullptr) fail(error_text("cannot map card file " + path, ::GetLastError()));
    if (fresh) {
        std::memset(card->view_, 0xFF, size);
        const std::vector<uint8_t> catalog = empty_catalog(size);
        std::memcpy(card->view_ + size - kCatalogSize, catalog.data(), catalog.size());
    }
    card->flash_ = std::make_unique<Flash>(std::span<uint8_t>(card->view_, size));
    if (fresh && !card->sync()) fail(error_text("cannot write card file " + path, ::GetLastError()));
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
    if (view_ == nullptr) return true;
    return ::FlushViewOfFile(view_, 0) && ::FlushFileBuffers(file_);
}

}  // namespace pixavon::emu
