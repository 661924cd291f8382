// Importing the card's new photos into a folder.
//
// The folder keeps an index, `.pixavon-import`, one line per photo it has
// imported: the photo's pixel hash, the hash of the file's bytes as written,
// and the file's name. A photo whose pixel hash is in the index is not
// imported again (unless its file is gone and the import is asked to bring
// such photos back), so a rerun, a delete on the card or a reordering imports
// exactly what is missing. Each line is added once its file is on the disk,
// so an interrupted import resumes where it stopped.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "core.h"
#include "core_internal.h"
#include "i18n.h"

namespace pixavon::host {
namespace {

using internal::encode_as;
using internal::exists;
using internal::format_of_name;

constexpr char kIndexName[] = ".pixavon-import";

}  // namespace

uint64_t pixel_hash(const Image& photo) { return content_hash(photo.rgb.data(), photo.rgb.size()); }

namespace {

std::string hex(uint64_t value, int digits = 16) {
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return std::string(text + 16 - digits);
}

struct IndexEntry {
    uint64_t file_hash = 0;
    std::string name;
};

// The folder's index by pixel hash; a later line of a photo (imported again)
// replaces an earlier one.
std::map<uint64_t, IndexEntry> load_index(const std::string& folder) {
    std::map<uint64_t, IndexEntry> index;
    std::ifstream in(folder + "/" + kIndexName);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 35 || line[16] != ' ' || line[33] != ' ') continue;
        char* end = nullptr;
        const uint64_t pixels = std::strtoull(line.substr(0, 16).c_str(), &end, 16);
        const uint64_t file = std::strtoull(line.substr(17, 16).c_str(), &end, 16);
        index[pixels] = IndexEntry{file, line.substr(34)};
    }
    return index;
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16] = "0000-00-00";
    if (::localtime_r(&now, &local) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

struct NameFields {
    std::string date;
    uint32_t n = 0;
    uint32_t slot = 0;
    uint32_t position = 0;
    uint64_t hash = 0;
};

// The pattern with its fields filled in; an empty string and `error` set for
// a pattern that cannot name files.
std::string fill_pattern(const std::string& pattern, const NameFields& fields, std::string* error) {
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
            out += hex(fields.hash, 8);
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

// `name` with "-2", "-3", ... before its extension.
std::string with_suffix(const std::string& name, int k) {
    if (k == 1) return name;
    const std::filesystem::path path(name);
    return path.stem().string() + "-" + std::to_string(k) + path.extension().string();
}

// True if the file still holds the photo: the same bytes as written, and for
// the lossless formats the same pixels once decoded.
bool verified(const std::string& path, uint64_t photo_hash, uint64_t file_hash) {
    try {
        const std::vector<uint8_t> bytes = read_file(path, 64u << 20);
        if (content_hash(bytes.data(), bytes.size()) != file_hash) return false;
        const std::optional<OutputFormat> format = format_of_name(path);
        if (format == OutputFormat::kPng) return pixel_hash(decode_png(bytes)) == photo_hash;
        if (format == OutputFormat::kBmp) return pixel_hash(decode_bmp(bytes)) == photo_hash;
        return format == OutputFormat::kJpeg;  // lossy: its bytes are what was written
    } catch (const ImageError&) {
        return false;
    }
}

}  // namespace

namespace {

// XDG_PICTURES_DIR from the desktop's user-dirs.dirs: "$HOME/..." or an
// absolute path, in double quotes; empty when it is not set there, or is the
// home folder itself (which is how a desktop says it has none).
std::string pictures_from_user_dirs(const std::string& home) {
    std::string config;
    if (const char* dir = std::getenv("XDG_CONFIG_HOME"); dir != nullptr && dir[0] == '/') {
        config = dir;
    } else {
        config = home + "/.config";
    }
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line, found;
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 17, "XDG_PICTURES_DIR=") != 0) continue;
        std::string value = line.substr(start + 17);
        if (value.size() < 2 || value.front() != '"') continue;
        const size_t close = value.find('"', 1);
        if (close == std::string::npos) continue;
        value = value.substr(1, close - 1);
        std::string path;
        if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
            path = home + value.substr(5);
        } else if (!value.empty() && value[0] == '/') {
            path = value;
        } else {
            continue;
        }
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        found = path;  // the last line that sets it counts, as in a shell
    }
    return found == home ? std::string() : found;
}

}  // namespace

std::string default_import_folder() {
    const char* home_env = std::getenv("HOME");
    const std::string home = home_env != nullptr && home_env[0] == '/' ? home_env : ".";
    std::string pictures;
    if (const char* dir = std::getenv("XDG_PICTURES_DIR"); dir != nullptr && dir[0] == '/') {
        pictures = dir;
    } else {
        pictures = pictures_from_user_dirs(home);
        if (pictures.empty()) pictures = home + "/Pictures";
    }
    return pictures + "/Lumetta";
}

std::optional<std::string> imported_file(const std::string& folder, const Image& photo) {
    const std::map<uint64_t, IndexEntry> index = load_index(folder);
    const auto it = index.find(pixel_hash(photo));
    if (it == index.end()) return std::nullopt;
    return folder + "/" + it->second.name;
}

Outcome Core::import_photos(const ImportRequest& request, ImportSummary* summary) {
    ImportSummary local;
    ImportSummary& result = summary != nullptr ? *summary : local;
    result = ImportSummary{};
    return run([&](Outcome& outcome) {
        const std::string folder = request.folder.empty() ? default_import_folder() : request.folder;
        result.folder = folder;
        std::string pattern_error;
        const std::string sample = fill_pattern(request.name_pattern, {today(), 1, 0, 0, 0}, &pattern_error);
        if (sample.empty())
            refuse(ProblemKind::kNamePatternBad, {.name = request.name_pattern, .detail = pattern_error});
        const std::optional<OutputFormat> format =
            std::filesystem::path(sample).has_extension() ? format_of_name(sample) : std::nullopt;
        if (!format) refuse(ProblemKind::kNamePatternFormat, {.name = request.name_pattern});
        const Catalog catalog = usable_catalog();

        std::vector<uint32_t> positions = request.positions;
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        for (const uint32_t position : positions) {
            if (position >= catalog.count) {
                refuse(ProblemKind::kPositionOutOfRange, {.position = position, .count = catalog.count});
            }
        }
        if (request.positions.empty()) {
            for (uint32_t position = 0; position < catalog.count; ++position) positions.push_back(position);
        }
        result.photos = static_cast<uint32_t>(positions.size());

        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) fail(ProblemKind::kCannotMakeFolder, {.folder = folder, .error = error.value()}, Hint::kCheckDisk);

        std::map<uint64_t, IndexEntry> index = load_index(folder);
        const std::string index_path = folder + "/" + kIndexName;
        const int index_fd = ::open(index_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (index_fd < 0) fail(ProblemKind::kCannotWrite, {.name = index_path, .error = errno}, Hint::kCheckDisk);
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{index_fd};

        const std::string date = today();
        uint32_t next_number = static_cast<uint32_t>(index.size()) + 1;
        std::set<uint64_t> seen_now;
        std::vector<std::pair<uint32_t, uint64_t>> on_disk;  // position and pixel hash of each photo the folder holds
        for (size_t i = 0; i < positions.size(); ++i) {
            stop_if_cancelled();
            const uint32_t position = positions[i];
            // One bar for the whole import: each photo is a part of the run.
            const Step step{.kind = StepKind::kImportPhoto,
                            .item = static_cast<uint32_t>(i + 1),
                            .items = static_cast<uint32_t>(positions.size()),
                            .run_units = uint64_t{kDownloadSteps} * positions.size(),
                            .run_units_before = uint64_t{kDownloadSteps} * i};
            const std::vector<uint8_t> bitmap = download(position, catalog, step);
            ++result.looked_at;
            const Image photo = decode_bmp(bitmap);
            const uint64_t hash = pixel_hash(photo);
            if (!seen_now.insert(hash).second) {
                // A further copy of a shot met in this run: the folder takes it once.
                ++result.duplicates;
                if (const auto known = index.find(hash);
                    known != index.end() && exists(folder + "/" + known->second.name)) {
                    on_disk.emplace_back(position, hash);
                }
                continue;
            }
            if (const auto known = index.find(hash); known != index.end()) {
                const bool present = exists(folder + "/" + known->second.name);
                if (present || !request.again) {
                    ++result.already;
                    if (present) on_disk.emplace_back(position, hash);
                    continue;
                }
            }
            const std::vector<uint8_t> bytes = encode_as(*format, bitmap);
            const std::string base = fill_pattern(
                request.name_pattern, {date, next_number, catalog.slots[position], position, hash}, &pattern_error);
            std::string name;
            for (int k = 1;; ++k) {
                name = with_suffix(base, k);
                try {
                    if (write_file_atomically(folder + "/" + name, bytes, false)) break;
                } catch (const ImageError& write_error) {
                    fail(ProblemKind::kCannotWrite, {.name = folder + "/" + name, .detail = write_error.what()},
                         Hint::kCheckDisk);
                }
            }
            ++next_number;
            const uint64_t file_hash = content_hash(bytes.data(), bytes.size());
            const std::string line = hex(hash) + " " + hex(file_hash) + " " + name + "\n";
            if (::write(index_fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()) ||
                ::fsync(index_fd) != 0) {
                fail(ProblemKind::kCannotWrite, {.name = index_path, .error = errno}, Hint::kCheckDisk);
            }
            index[hash] = IndexEntry{file_hash, name};
            on_disk.emplace_back(position, hash);
            ++result.imported;
            result.files.emplace_back(position, name);
            say(outcome, RecordKind::kImported, {.position = position, .name = name, .folder = folder});
        }

        if (request.delete_after && !on_disk.empty()) {
            // Only photos whose file reads back as it was written leave the card.
            std::vector<uint32_t> verified_positions;
            for (const auto& [position, hash] : on_disk) {
                const auto entry = index.find(hash);
                if (entry != index.end() &&
                    verified(folder + "/" + entry->second.name, entry->first, entry->second.file_hash)) {
                    verified_positions.push_back(position);
                } else {
                    ++result.kept;
                    frontend_->warn({WarningKind::kPhotoStaysOnCard, Hint::kNone, {.position = position}});
                }
            }
            stop_if_cancelled();
            if (!verified_positions.empty()) {
                // Each delete is checked against the card's list, highest position first.
                const Outcome deleted = delete_photos(verified_positions, false);
                result.deleted = static_cast<uint32_t>(deleted.done.size());
                outcome.done.insert(outcome.done.end(), deleted.done.begin(), deleted.done.end());
                if (!deleted.ok()) throw Stop{deleted.status, deleted.problem};
            }
        }
    });
}

}  // namespace pixavon::host
