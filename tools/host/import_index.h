// The import folder's index, `.pixavon-import`, and the names imported photos
// are given: what import.cpp reads and writes, apart from the card.
//
// The index holds one line per photo imported: the SHA-256 of the photo's
// pixels, the SHA-256 of the file's bytes as written and the file's name,
// separated by single spaces. Lines of older versions carry a 64-bit hash of
// the pixels instead of the first SHA-256, which two photos can share.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "digest.h"
#include "os/os.h"

namespace pixavon::host {

// The largest index read: far beyond what a folder of photos needs (some
// 400 000 lines); a larger file is not an index of ours.
inline constexpr uint64_t kMaxImportIndexBytes = 64u << 20;

struct ImportIndexEntry {
    std::string name;                  // the file, in the index's folder
    std::optional<Digest> file_bytes;  // the SHA-256 of its bytes as written, if the line gives it
};

// The index's lines by SHA-256 of the pixels, and lines of the older 64-bit
// hash, which count only once verified. A later line of a photo (imported
// again) replaces an earlier one.
struct ImportIndex {
    std::map<Digest, ImportIndexEntry> by_digest;
    std::map<uint64_t, ImportIndexEntry> by_old_hash;
    // True if the text's last line has no newline: what is appended must
    // begin with one, or it would join that line.
    bool ends_open = false;
    // Files named, for the running number of new ones.
    size_t files() const;
};

// The index's file in a folder.
inline constexpr char kImportIndexName[] = ".pixavon-import";

// Opens the folder's index at `path` without following a link or waiting on
// a pipe, for reading or also for appending (made when missing). Not open
// when it cannot be: `error()` and `not_regular()` (a link, a pipe, a
// device, a folder) tell why.
os::File open_import_index(const std::string& path, os::File::Access access);
// The index's lines, read from `file` (not open: no index, nothing read); at
// most kMaxImportIndexBytes are read.
ImportIndex read_import_index(os::File& file);

// The index in `text`, its lines ended LF or CR LF; lines it cannot read are
// passed over, and so are lines whose name would leave the folder.
ImportIndex parse_import_index(std::string_view text);
// True if an index line's `name` can only name a file directly in the index's
// folder: not empty, "." or "..", and without '/', '\', ':' (a drive, or a
// stream of another file) or control characters. Names are only records: a
// name that leaves the folder is no record of a file in it.
bool record_name_stays_in_folder(std::string_view name);
// The line recording that `pixels` was saved as `name`, whose bytes have the
// digest `file_bytes`.
std::string import_index_line(const Digest& pixels, const Digest& file_bytes, const std::string& name);

// What an import names a photo by.
struct NameFields {
    std::string date;  // YYYY-MM-DD
    uint32_t n = 0;    // running number of the files in the folder
    uint32_t slot = 0;
    uint32_t position = 0;
    Digest digest{};  // of the pixels
};

// `pattern` ({date}, {n}, {slot}, {position}, {hash}, numbers widened as
// {n:03}) with its fields filled in; an empty string and `error` set for a
// pattern that cannot name files. A name given is a plain, visible file name
// directly in the folder on every system: no separator of either kind, no
// ':' nor any character Windows refuses, no name of a Windows device, and no
// last dot or space.
std::string fill_name_pattern(const std::string& pattern, const NameFields& fields, std::string* error);

}  // namespace pixavon::host
