// Importing the card's new photos into a folder.
//
// The folder keeps an index, `.pixavon-import`, one line per photo it has
// imported: the SHA-256 of the photo's pixels, the SHA-256 of the file's bytes
// as written, and the file's name. A photo whose pixels are in the index is
// not imported again (unless its file is gone and the import is asked to
// bring such photos back), so a rerun, a delete on the card or a reordering
// imports exactly what is missing. Each line is added once its file is on the
// disk, so an interrupted import resumes where it stopped.
//
// Lines written before photos were known by SHA-256 carry a 64-bit hash of
// the pixels, which two different photos can share. Such a line counts for a
// photo only once the file it names is found to hold exactly that photo's
// pixels; the line is then written again with SHA-256. A photo leaves the card
// only when the file it was saved to is read back and holds its pixels.
//
// A photo counts as in the folder only while its file holds it: a file
// changed or emptied since is left as it is, and the photo imported again
// under a new name. Index names are only records: a name that would leave the
// folder is passed over, and a link, a folder or a device under a recorded
// name is no file of the folder's. A file another program holds open (a
// viewer on Windows) is tried again for a moment, then named and passed over:
// neither imported again nor deleted from the card.
//
// A photo leaves the card only when its file is read back and decodes to
// exactly its pixels, which a JPEG never proves: an import that would delete
// photos saved as JPEG is refused before it starts, and a photo saved as JPEG
// by an earlier import stays on the card.
//
// One import at a time writes into a folder: each holds a lock on the
// folder's index while it runs, and another waits for it a moment, then
// stops before its work.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <thread>

#include "core.h"
#include "core_internal.h"
#include "durable_file.h"
#include "i18n.h"
#include "import_index.h"
#include "os/os.h"
#include "utf8_path.h"

namespace pixavon::host {
namespace {

using internal::encode_as;
using internal::exists;
using internal::format_of_name;

}  // namespace

Digest pixel_digest(const Image& photo) { return sha256(photo.rgb.data(), photo.rgb.size()); }

namespace {

using Index = ImportIndex;
using IndexEntry = ImportIndexEntry;

// The largest photo file read back.
constexpr size_t kMaxPhotoFile = 64u << 20;

// A file of the folder, as a record names it.
struct FolderFile {
    enum class State : uint8_t {
        kRead,        // `bytes` are its bytes
        kMissing,     // nothing has the name
        kInUse,       // another program holds it, still after some tries
        kNotAFile,    // a link, a folder, a device: no file of the folder's
        kUnreadable,  // it cannot be read (no permission, a disk error)
    };
    State state = State::kMissing;
    std::vector<uint8_t> bytes;
};

// Reads the file `name` of `folder` without following a link. A file another
// program holds is tried again for about a second.
FolderFile read_in_folder(const std::string& folder, const std::string& name) {
    using State = FolderFile::State;
    const std::string path = os::join(folder, name);
    constexpr int kTries = 6;
    for (int attempt = 1;; ++attempt) {
        if (!exists(path)) return {State::kMissing, {}};
        os::File file;
        if (file.open(path, os::File::Access::kRead, false)) {
            FolderFile read{State::kRead, {}};
            uint8_t chunk[65536];
            long got = 0;
            while (read.bytes.size() < kMaxPhotoFile &&
                   (got = file.read(chunk, std::min(sizeof chunk, kMaxPhotoFile - read.bytes.size()))) > 0) {
                read.bytes.insert(read.bytes.end(), chunk, chunk + got);
            }
            if (got >= 0) return read;
        } else if (file.not_regular()) {
            return {State::kNotAFile, {}};
        }
        if (!file.in_use()) return {State::kUnreadable, {}};
        if (attempt == kTries) return {State::kInUse, {}};
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

// True if `bytes`, saved as `name`, hold exactly `photo`: the same pixels once
// decoded, or for JPEG, the same bytes as `photo` encoded now.
bool bytes_hold(const std::string& name, const std::vector<uint8_t>& bytes, const Image& photo) {
    try {
        const std::optional<OutputFormat> format = format_of_name(name);
        if (format == OutputFormat::kJpeg) return bytes == encode_jpeg(photo, internal::kJpegQuality);
        const Image saved = format == OutputFormat::kPng ? decode_png(bytes) : decode_bmp(bytes);
        return saved.width == photo.width && saved.height == photo.height && saved.rgb == photo.rgb;
    } catch (const ImageError&) {
        return false;
    }
}

// True if `bytes`, saved as `name`, decode to exactly the pixels of `photo`:
// what lets a photo leave the card. A JPEG never proves it.
bool pixels_proven(const std::string& name, const std::vector<uint8_t>& bytes, const Image& photo) {
    return format_of_name(name) != OutputFormat::kJpeg && bytes_hold(name, bytes, photo);
}

// The index's entry for `photo`, if it has one: by SHA-256, or an older line
// whose file holds exactly these pixels (`upgraded` is then set).
const IndexEntry* look_up(Index& index, const std::string& folder, const Image& photo, const Digest& digest,
                          bool* upgraded) {
    *upgraded = false;
    if (const auto it = index.by_digest.find(digest); it != index.by_digest.end()) return &it->second;
    const auto old = index.by_old_hash.find(content_hash(photo.rgb.data(), photo.rgb.size()));
    if (old == index.by_old_hash.end()) return nullptr;
    const FolderFile file = read_in_folder(folder, old->second.name);
    switch (file.state) {
        case FolderFile::State::kMissing:
            // Removed from the folder: the photo counts as imported, as before,
            // but nothing can prove it is this one, so it is never deleted for it.
        case FolderFile::State::kInUse:
            // Told as in use, and looked at again by a later import.
            return &old->second;
        case FolderFile::State::kNotAFile:
        case FolderFile::State::kUnreadable:
            return nullptr;
        case FolderFile::State::kRead:
            break;
    }
    if (!bytes_hold(old->second.name, file.bytes, photo)) return nullptr;  // another photo with the same 64-bit hash
    *upgraded = true;
    return &(index.by_digest[digest] = old->second);
}

// True if the file `entry` names, read as `bytes`, still holds what was saved:
// the same bytes, or, for a line without their digest or a file saved again by
// another program, the same photo.
bool file_intact(const IndexEntry& entry, const std::vector<uint8_t>& bytes, const Image& photo) {
    if (entry.file_bytes && !bytes.empty() && sha256(bytes.data(), bytes.size()) == *entry.file_bytes) return true;
    return bytes_hold(entry.name, bytes, photo);
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16] = "0000-00-00";
    if (os::local_time(now, &local)) std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

}  // namespace

namespace {

// `name` with "-2", "-3", ... before its extension.
std::string with_suffix(const std::string& name, int k) {
    if (k == 1) return name;
    const std::filesystem::path path = fs_path(name);
    return utf8_of(path.stem()) + "-" + std::to_string(k) + utf8_of(path.extension());
}

}  // namespace

std::string default_import_folder() { return os::join(os::pictures_folder(), "Lumetta"); }

ImportedFiles::ImportedFiles(std::string folder) : folder_(std::move(folder)), index_(std::make_unique<ImportIndex>()) {
    os::File file = open_import_index(os::join(folder_, kImportIndexName), os::File::Access::kRead);
    if (file.size() <= kMaxImportIndexBytes) *index_ = read_import_index(file);
}

ImportedFiles::~ImportedFiles() = default;

std::optional<std::string> ImportedFiles::file_of(const Image& photo) {
    bool upgraded = false;
    const IndexEntry* entry = look_up(*index_, folder_, photo, pixel_digest(photo), &upgraded);
    if (entry == nullptr) return std::nullopt;
    return os::join(folder_, entry->name);
}

Outcome Core::import_photos(const ImportRequest& request, ImportSummary* summary) {
    ImportSummary local;
    ImportSummary& result = summary != nullptr ? *summary : local;
    result = ImportSummary{};
    return run([&](Outcome& outcome) {
        const std::string folder = request.folder.empty() ? default_import_folder() : request.folder;
        result.folder = folder;
        std::string pattern_error;
        const std::string sample = fill_name_pattern(request.name_pattern, {.date = today(), .n = 1}, &pattern_error);
        if (sample.empty())
            refuse(ProblemKind::kNamePatternBad, {.name = request.name_pattern, .detail = pattern_error});
        const std::optional<OutputFormat> named =
            fs_path(sample).has_extension() ? format_of_name(sample) : std::nullopt;
        if (!named) refuse(ProblemKind::kNamePatternFormat, {.name = request.name_pattern});
        const OutputFormat format = *named;
        // Every one-digit field too: COM{n}.png names a device on Windows.
        for (uint32_t k = 0; k <= 9; ++k) {
            const NameFields fields{.date = today(), .n = k, .slot = k, .position = k};
            if (fill_name_pattern(request.name_pattern, fields, &pattern_error).empty())
                refuse(ProblemKind::kNamePatternBad, {.name = request.name_pattern, .detail = pattern_error});
        }
        if (request.delete_after && format == OutputFormat::kJpeg)
            refuse(ProblemKind::kNamePatternLossy, {.name = request.name_pattern});
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

        if (const int error = os::make_folders(folder); error != 0)
            fail(ProblemKind::kCannotMakeFolder, {.folder = folder, .error = error}, Hint::kCheckDisk);
        remove_leftovers(folder);  // a photo half-written by a killed import of ours

        // A link, a pipe or a device in the index's place is refused: lines
        // must not go outside the folder, nor the import wait on a reader.
        const std::string index_path = os::join(folder, kImportIndexName);
        os::File index_file = open_import_index(index_path, os::File::Access::kUpdate);
        if (!index_file.is_open() && index_file.not_regular()) {
            refuse(ProblemKind::kIndexNotAFile, {.name = index_path});
        }
        if (!index_file.is_open()) {
            fail(ProblemKind::kCannotWrite, {.name = index_path, .error = index_file.error()}, Hint::kCheckDisk);
        }
        // A file with names elsewhere too is not ours to add lines to.
        if (index_file.links() > 1) refuse(ProblemKind::kIndexHasOtherNames, {.name = index_path, .folder = folder});
        // One import into a folder at a time: another one running is waited
        // for a moment.
        for (int attempt = 1; !index_file.try_lock(); ++attempt) {
            if (attempt == 30) fail(ProblemKind::kImportFolderBusy, {.folder = folder});
            stop_if_cancelled();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (const uint64_t size = index_file.size(); size > kMaxImportIndexBytes) {
            refuse(ProblemKind::kIndexTooLarge,
                   {.bytes = size, .other_bytes = kMaxImportIndexBytes, .name = index_path, .folder = folder});
        }
        Index index = read_import_index(index_file);
        // Records that `digest` is saved as `name`, and gives the index's entry.
        const auto add_line = [&](const Digest& digest, const std::string& name) {
            // The line still names a file that cannot be read; its bytes'
            // digest is only told.
            const std::vector<uint8_t> file_bytes = read_in_folder(folder, name).bytes;
            const Digest bytes_digest = sha256(file_bytes.data(), file_bytes.size());
            // A last line without its newline (written by hand, or cut short)
            // is ended first, so that the two lines stay apart.
            const std::string line = (index.ends_open ? "\n" : "") + import_index_line(digest, bytes_digest, name);
            index_file.append_durably(index_path, line);
            index.ends_open = false;
            return IndexEntry{name, bytes_digest};
        };

        const std::string date = today();
        auto next_number = static_cast<uint32_t>(index.files()) + 1;
        std::set<Digest> seen_now;
        // Positions of the photos whose file was read back and holds their pixels.
        std::vector<uint32_t> verified_positions;
        const auto keep_for_delete = [&](uint32_t position, const Image& photo, const std::string& name) {
            if (!request.delete_after) return;
            if (format_of_name(name) == OutputFormat::kJpeg) {
                ++result.kept;
                frontend_->warn({WarningKind::kPhotoStaysLossy, Hint::kNone, {.position = position, .name = name}});
                return;
            }
            const FolderFile file = read_in_folder(folder, name);
            if (file.state == FolderFile::State::kRead && pixels_proven(name, file.bytes, photo)) {
                verified_positions.push_back(position);
            } else {
                ++result.kept;
                frontend_->warn({WarningKind::kPhotoStaysOnCard, Hint::kNone, {.position = position}});
            }
        };
        // One bar for the whole import: each photo is its read commands' part
        // of the run (none for a photo read before and kept).
        const std::vector<uint32_t> packets = packets_to_read(catalog, positions);
        const uint64_t run_packets = std::accumulate(packets.begin(), packets.end(), uint64_t{0});
        uint64_t packets_before = 0;
        const ReadingAhead ahead = read_ahead(catalog, positions);
        for (size_t i = 0; i < positions.size(); ++i) {
            stop_if_cancelled();
            const uint32_t position = positions[i];
            const Step step{.kind = StepKind::kImportPhoto,
                            .item = static_cast<uint32_t>(i + 1),
                            .items = static_cast<uint32_t>(positions.size()),
                            .run_units = run_packets,
                            .run_units_before = packets_before};
            packets_before += packets[i];
            const std::vector<uint8_t> bitmap = download(position, catalog, step);
            // A Cancel made while this photo was read (or read ahead) stops
            // before anything more is written.
            stop_if_cancelled();
            ++result.looked_at;
            const Image photo = decode_bmp(bitmap);
            const Digest digest = pixel_digest(photo);
            const bool again_on_card = !seen_now.insert(digest).second;
            bool upgraded = false;
            if (const IndexEntry* known = look_up(index, folder, photo, digest, &upgraded)) {
                const IndexEntry entry = *known;
                const std::string& name = entry.name;
                const FolderFile file = read_in_folder(folder, name);
                if (file.state == FolderFile::State::kInUse) {
                    // Not known to hold the photo, nor known not to: the
                    // photo is neither imported again nor deleted.
                    if (again_on_card) {
                        ++result.duplicates;
                    } else {
                        ++result.in_use;
                        frontend_->warn({WarningKind::kPhotoFileInUse,
                                         Hint::kNone,
                                         {.position = position, .name = name, .folder = folder}});
                    }
                    continue;
                }
                if (upgraded) add_line(digest, name);
                const bool there = file.state != FolderFile::State::kMissing;
                // A file changed or emptied since does not hold the photo: the
                // photo is imported again beside it.
                const bool present = file.state == FolderFile::State::kRead && file_intact(entry, file.bytes, photo);
                if (again_on_card) {
                    // A further copy of a shot met in this run: the folder takes it once.
                    ++result.duplicates;
                    if (present) keep_for_delete(position, photo, name);
                    continue;
                }
                if (present || (!there && !request.again)) {
                    ++result.already;
                    if (present) {
                        keep_for_delete(position, photo, name);
                    } else {
                        ++result.removed;
                    }
                    continue;
                }
                // A link, a folder or a device under the name is no file of
                // the folder's: the photo is imported as one it lacks.
                if (there && file.state != FolderFile::State::kNotAFile) ++result.changed;
            }
            const std::vector<uint8_t> bytes = encode_as(format, bitmap, photo);
            const std::string base = fill_name_pattern(
                request.name_pattern, {date, next_number, catalog.slots[position], position, digest}, &pattern_error);
            if (base.empty())
                fail(ProblemKind::kNamePatternBad, {.name = request.name_pattern, .detail = pattern_error});
            std::string name;
            for (int k = 1;; ++k) {
                name = with_suffix(base, k);
                if (write_file_durably(os::join(folder, name), bytes, false)) break;
            }
            ++next_number;
            index.by_digest[digest] = add_line(digest, name);
            ++result.imported;
            result.files.emplace_back(position, name);
            say(outcome, RecordKind::kImported, {.position = position, .name = name, .folder = folder});
            keep_for_delete(position, photo, name);
        }

        if (request.delete_after && !verified_positions.empty()) {
            stop_if_cancelled();
            // The files' names are on the disk before their photos leave the card.
            sync_folder(folder);
            // Each delete is checked against the card's list, highest position first.
            const Outcome deleted = delete_photos(verified_positions, false);
            result.deleted = static_cast<uint32_t>(deleted.done.size());
            outcome.done.insert(outcome.done.end(), deleted.done.begin(), deleted.done.end());
            if (!deleted.ok()) throw Stop{deleted.status, deleted.problem};
        }
    });
}

}  // namespace pixavon::host
