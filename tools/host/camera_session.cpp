#include "camera_session.h"

#include <dirent.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "i18n.h"

namespace pixavon::host {
bool valid_catalog(const uint8_t* bytes) { return IsValidCatalog(bytes); }

Catalog parse_catalog(const uint8_t* bytes) {
    Catalog catalog;
    catalog.capacity_code = bytes[kCapacityOffset];
    catalog.count = bytes[kCountOffset];  // at most 255 entries: they end well inside the 8 KiB
    for (uint32_t i = 0; i < catalog.count; ++i) {
        const uint8_t* entry = bytes + kEntriesOffset + kEntrySize * i;
        catalog.slots.push_back(entry[kEntrySlotOffset]);
        catalog.entries.emplace_back();
        std::copy(entry, entry + kEntrySize, catalog.entries.back().begin());
    }
    catalog.check = CheckCatalogList(bytes);
    return catalog;
}

std::string printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) c = '?';
    }
    return out;
}

uint64_t content_hash(const uint8_t* data, size_t size) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3ULL;
    return hash;
}

Digest sha256(const uint8_t* data, size_t size) {
    Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(data, size, digest.data(), &length, EVP_sha256(), nullptr) != 1 || length != digest.size()) {
        throw std::runtime_error("SHA-256 is not available from libcrypto");
    }
    return digest;
}

std::string hex_of(const Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

std::string device_dir_in_use() {
    if (const char* dir = std::getenv("PIXAVON_DEVICE_DIR"); dir != nullptr && *dir != '\0') return dir;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0') {
        return std::string(run) + "/pixavon";
    }
    return "/tmp/pixavon-" + std::to_string(::getuid());
}

std::string first_device_in(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return {};
    std::string first;
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (first.empty() || name < first) first = name;
    }
    ::closedir(d);
    return first.empty() ? first : dir + "/" + first;
}

std::string fill_usage(const std::string& pattern, uint32_t used, uint32_t available) {
    std::vector<size_t> at;
    bool other = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == 'd') {
            at.push_back(i);
            ++i;
        } else {
            other = true;
        }
    }
    if (at.size() != 2 || other) {
        return std::to_string(used) + " used, " + std::to_string(available) + " available";
    }
    return pattern.substr(0, at[0]) + std::to_string(used) + pattern.substr(at[0] + 2, at[1] - at[0] - 2) +
           std::to_string(available) + pattern.substr(at[1] + 2);
}

BackupCheck check_backup(const std::string& path, uint32_t capacity_code) {
    BackupCheck check;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        check.verdict = BackupCheck::Verdict::kCannotOpen;
        check.error = errno;
        return check;
    }
    if (!S_ISREG(st.st_mode)) {
        check.verdict = BackupCheck::Verdict::kNotFile;
        return check;
    }
    check.size = static_cast<uint64_t>(st.st_size);
    if (check.size != CardBytesFor(capacity_code)) {
        check.verdict = BackupCheck::Verdict::kWrongSize;
        return check;
    }
    // The backup's catalog lies in its last 8 KiB; without a valid one for this
    // card size the restored card would be unreadable.
    std::vector<uint8_t> tail(kCatalogSize);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool read_ok = fd >= 0 && ::pread(fd, tail.data(), tail.size(), st.st_size - kCatalogSize) ==
                                        static_cast<ssize_t>(tail.size());
    if (fd >= 0) ::close(fd);
    if (!read_ok) {
        check.verdict = BackupCheck::Verdict::kUnreadable;
        return check;
    }
    if (!valid_catalog(tail.data()) || parse_catalog(tail.data()).capacity_code != capacity_code) {
        check.verdict = BackupCheck::Verdict::kNoCatalog;
        return check;
    }
    check.photos = parse_catalog(tail.data()).count;
    return check;
}

Session::Session(Library& library, HostWindow& window) : lib_(library), host_(window) {
    window_.context = this;
    window_.send_message = &Session::on_message;
    window_.message_box = &Session::on_box;
}

Session::~Session() { close(); }

intptr_t Session::on_message(void* context, uint32_t message, uintptr_t, intptr_t) {
    auto* self = static_cast<Session*>(context);
    if (message == PIXAVON_PROGRESS_MESSAGE) self->host_.on_progress();
    return 0;
}

int Session::on_box(void* context, int owned, const char* text, const char* caption, uint32_t) {
    auto* self = static_cast<Session*>(context);
    ++self->boxes_;
    self->host_.on_box(owned != 0, caption != nullptr ? caption : "", text != nullptr ? text : "");
    return 1;  // OK, the box's only button
}

bool Session::open() {
    if (!open_) open_ = lib_.OpenDevice(&window_) != 0;
    return open_;
}

void Session::close() {
    if (open_) {
        lib_.CloseDevice();
        open_ = false;
    }
}

std::string Session::text(uint32_t id) {
    char buffer[PIXAVON_STRING_BUFFER_SIZE + 1] = {};
    if (lib_.GetString(id, buffer) == 0) return {};
    buffer[PIXAVON_STRING_BUFFER_SIZE] = '\0';
    return printable(std::string(buffer, ::strnlen(buffer, PIXAVON_STRING_BUFFER_SIZE)));
}

std::string Session::usage_line(uint32_t used, uint32_t available) {
    return fill_usage(text(kTextUsage), used, available);
}

Catalog Session::reload() {
    const size_t boxes_before = boxes_;
    const int32_t count = lib_.GetPhotoCount();
    if (boxes_ != boxes_before) throw CatalogError(CatalogError::Kind::kDamaged, "the card's catalog is damaged");
    std::vector<uint8_t> bytes(kCatalogSize);
    if (lib_.ReadGBA(kCatalogReadAddress, bytes.data(), kCatalogSize) == 0) {
        throw CatalogError(CatalogError::Kind::kNoAnswer, "the camera did not answer while its catalog was read");
    }
    if (!valid_catalog(bytes.data())) throw CatalogError(CatalogError::Kind::kDamaged, "the card's catalog is damaged");
    Catalog catalog = parse_catalog(bytes.data());
    if (static_cast<int64_t>(catalog.count) != count) {
        throw CatalogError(CatalogError::Kind::kChanged, "the catalog changed while it was read");
    }
    return catalog;
}

const std::string& Session::temp_dir() {
    if (temp_dir_.empty()) {
        try {
            temp_dir_ = PrivateDir(temp_base(), "pixavon");
        } catch (const std::runtime_error& error) {
            throw SessionError(fill(tr("no temporary folder can be made: {1}"), {error.what()}));
        }
    }
    return temp_dir_.path();
}

std::string temp_base() {
    const char* base = std::getenv("TMPDIR");
    return base != nullptr && *base == '/' ? base : "/tmp";
}

}  // namespace pixavon::host
