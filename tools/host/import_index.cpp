// The import folder's index and the names imported photos are given; see
// import_index.h.
#include "import_index.h"

#include <algorithm>
#include <array>
#include <set>

#include "i18n.h"

namespace pixavon::host {

namespace {

bool parse_hex(std::string_view text, uint8_t* out, size_t bytes) {
    if (text.size() != bytes * 2) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int v = 0;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else
            return false;
        if (i % 2 == 0)
            out[i / 2] = static_cast<uint8_t>(v << 4);
        else
            out[i / 2] = static_cast<uint8_t>(out[i / 2] | v);
    }
    return true;
}

bool control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// True if `name` before its first dot, less trailing spaces, is a name
// Windows gives a device in every folder (CON, NUL, COM1, ...): such a file
// name opens the device instead.
bool device_name(std::string_view name) {
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    static constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) return true;
    if (stem.size() < 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0)) return false;
    const std::string_view number = std::string_view(stem).substr(3);
    // COM0 to COM9, and with the superscript digits ¹ ² ³.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

}  // namespace

bool record_name_stays_in_folder(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return c == '/' || c == '\\' || c == ':' || control(c); });
}

size_t ImportIndex::files() const {
    std::set<std::string> names;
    for (const auto& [digest, entry] : by_digest) names.insert(entry.name);
    for (const auto& [hash, entry] : by_old_hash) names.insert(entry.name);
    return names.size();
}

ImportIndex parse_import_index(std::string_view text) {
    ImportIndex index;
    index.ends_open = !text.empty() && text.back() != '\n';
    constexpr size_t kDigestHex = 64;
    constexpr size_t kOldHex = 16;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        // Lines ended CR LF, as Windows programs write them, read as any other.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        Digest digest{};
        uint8_t old[8] = {};
        if (line.size() > 2 * kDigestHex + 2 && line[kDigestHex] == ' ' && line[2 * kDigestHex + 1] == ' ' &&
            parse_hex(line.substr(0, kDigestHex), digest.data(), digest.size())) {
            ImportIndexEntry entry{std::string(line.substr(2 * kDigestHex + 2)), std::nullopt};
            if (!record_name_stays_in_folder(entry.name)) continue;
            if (Digest bytes{}; parse_hex(line.substr(kDigestHex + 1, kDigestHex), bytes.data(), bytes.size())) {
                entry.file_bytes = bytes;
            }
            index.by_digest[digest] = std::move(entry);
        } else if (line.size() > 2 * kOldHex + 2 && line[kOldHex] == ' ' && line[2 * kOldHex + 1] == ' ' &&
                   parse_hex(line.substr(0, kOldHex), old, sizeof old)) {
            ImportIndexEntry entry{std::string(line.substr(2 * kOldHex + 2)), std::nullopt};
            if (!record_name_stays_in_folder(entry.name)) continue;
            uint64_t hash = 0;
            for (const uint8_t byte : old) hash = (hash << 8) | byte;
            index.by_old_hash[hash] = std::move(entry);
        }
    }
    return index;
}

std::string import_index_line(const Digest& pixels, const Digest& file_bytes, const std::string& name) {
    return hex_of(pixels) + " " + hex_of(file_bytes) + " " + name + "\n";
}

os::File open_import_index(const std::string& path, os::File::Access access) {
    os::File file;
    file.open(path, access, false);
    return file;
}

ImportIndex read_import_index(os::File& file) {
    std::string text;
    char buffer[65536];
    for (uint64_t offset = 0; file.is_open() && text.size() < kMaxImportIndexBytes;) {
        const long n = file.read_at(offset, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
        offset += static_cast<uint64_t>(n);
    }
    if (text.size() > kMaxImportIndexBytes) text.resize(kMaxImportIndexBytes);
    return parse_import_index(text);
}

std::string fill_name_pattern(const std::string& pattern, const NameFields& fields, std::string* error) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '{') {
            // Separators of either kind and ':' (a drive, or a stream of
            // another file) would name a file outside the folder; the rest
            // no Windows folder takes.
            if (c == '}' || control(c) || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) {
                *error = tr("it may not hold / \\ : * ? \" < > |, a '}' on its own or control characters");
                return {};
            }
            out += c;
            continue;
        }
        const size_t close = pattern.find('}', i);
        if (close == std::string::npos) {
            *error = tr("it has a '{' without its '}'");
            return {};
        }
        std::string field = pattern.substr(i + 1, close - i - 1);
        int width = 0;
        if (const size_t colon = field.find(':'); colon != std::string::npos) {
            const std::string spec = field.substr(colon + 1);
            field = field.substr(0, colon);
            if (spec.size() < 2 || spec.size() > 3 || spec[0] != '0' ||
                !std::all_of(spec.begin(), spec.end(), [](char d) { return d >= '0' && d <= '9'; })) {
                *error = tr("a field's width is written :03 (a zero and up to two digits)");
                return {};
            }
            width = std::atoi(spec.c_str() + 1);
        }
        auto number = [&](uint32_t value) {
            std::string digits = std::to_string(value);
            if (static_cast<int>(digits.size()) < width)
                digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
            return digits;
        };
        if (field == "date")
            out += fields.date;
        else if (field == "n")
            out += number(fields.n);
        else if (field == "slot")
            out += number(fields.slot);
        else if (field == "position")
            out += number(fields.position);
        else if (field == "hash")
            out += hex_of(fields.digest).substr(0, 8);
        else {
            *error = fill(tr("its field {1} is unknown; the fields are {date}, {n}, {slot}, {position} and {hash}"),
                          {"{" + field + "}"});
            return {};
        }
        i = close;
    }
    if (out.empty() || out == "." || out == ".." || out[0] == '.') {
        *error = tr("it must give a visible file name");
        return {};
    }
    // Windows drops a name's last dots and spaces, so the file would be
    // another one than the index names.
    if (out.back() == '.' || out.back() == ' ') {
        *error = tr("it may not end in a dot or a space");
        return {};
    }
    if (device_name(out)) {
        *error = fill(tr("it gives the name {1}, which Windows keeps for a device (CON, PRN, AUX, NUL, COM1 to COM9, "
                         "LPT1 to LPT9)"),
                      {out});
        return {};
    }
    return out;
}

}  // namespace pixavon::host
