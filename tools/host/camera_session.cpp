// A host's session with the camera through the loaded library: the host
// window record the library reports to, the catalog reloaded, the string
// table's texts and the usage line, and the camera's device folder.
#include "camera_session.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "i18n.h"
#include "os/os.h"

namespace pixavon::host {
std::string printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) c = '?';
    }
    return out;
}

std::string device_dir_in_use() { return os::device_folder(); }

std::string first_device_in(const std::string& dir) {
    std::string first;
    for (const std::string& name : os::names_in(dir)) {
        if (first.empty() || name < first) first = name;
    }
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

Session::Session(Library& library, HostWindow& window) : lib_(library), host_(window) {}

Session::~Session() { close(); }

void Session::Reports::progress() { session.host_.on_progress(); }

void Session::Reports::box(bool owned, const std::string& caption, const std::string& text) {
    ++session.boxes_;
    session.host_.on_box(owned, caption, text);
}

bool Session::open() {
    if (!open_) open_ = lib_.OpenDevice(window_.handle()) != 0;
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
    return printable(os::from_library_text(std::string(buffer, ::strnlen(buffer, PIXAVON_STRING_BUFFER_SIZE))));
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
            temp_dir_ = PrivateDir(os::temp_folder(), "pixavon");
        } catch (const std::runtime_error& error) {
            throw SessionError(fill(tr("no temporary folder can be made: {1}"), {error.what()}));
        }
    }
    return temp_dir_.path();
}

}  // namespace pixavon::host
