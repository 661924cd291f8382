// The import folder's index and the names imported photos are given; see
// import_index.h.
#include "import_index.h"

#include <algorithm>
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

}  // namespace

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
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        Digest digest{};
        uint8_t old[8] = {};
        if (line.size() > 2 * kDigestHex + 2 && line[kDigestHex] == ' ' && line[2 * kDigestHex + 1] == ' ' &&
            parse_hex(line.substr(0, kDigestHex), digest.data(), digest.size())) {
            ImportIndexEntry entry{std::string(line.substr(2 * kDigestHex + 2)), std::nullopt};
            if (Digest bytes{}; parse_hex(line.substr(kDigestHex + 1, kDigestHex), bytes.data(), bytes.size())) {
                entry.file_bytes = bytes;
            }
            index.by_digest[digest] = std::move(entry);
        } else if (line.size() > 2 * kOldHex + 2 && line[kOldHex] == ' ' && line[2 * kOldHex + 1] == ' ' &&
                   parse_hex(line.substr(0, kOldHex), old, sizeof old)) {
            uint64_t hash = 0;
            for (const uint8_t byte : old) hash = (hash << 8) | byte;
            index.by_old_hash[hash] = ImportIndexEntry{std::string(line.substr(2 * kOldHex + 2)), std::nullopt};
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
            if (c == '}' || c == '/' || static_cast<unsigned char>(c) < 0x20) {
                *error = tr("it may not hold '/', a '}' on its own or control characters");
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
    return out;
}

}  // namespace pixavon::host
