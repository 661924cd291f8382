// The card as a folder: what a mounted file system shows of the card, and
// what reading, writing and removing its files does to the card, written
// against the host core and free of any file-system framework.
//
//   info.txt           the card's size, photos and free slots
//   slot-07.bmp        the photo in slot 7, the camera's own bitmap
//   png/slot-07.png    the same photo as PNG, encoded when first opened
//   any other new file a picture being copied in, put on the card when it is
//                      closed; it then shows under its slot's name, and its
//                      own name stays, for the life of the mount, as an alias
//                      of that photo which reads as what was copied in
//
// Copying in again what a photo put in this mount was made from puts nothing
// new: the name becomes an alias of that photo. Aliases may be renamed, and
// removing one drops the name only. chmod, chown and utimens succeed on every
// name and change nothing, as copying tools expect.
//
// A photo's bitmap always has the same size, so a listing reads only the
// card's list, never a photo. A PNG's size is known only once it has been
// encoded, so asking for it (stat) encodes it; a listing of png/ gives its
// names without sizes (NodeInfo::exact false) and reads nothing. PNGs are
// kept by their pixels' SHA-256 and read with direct I/O (OpenedFile::direct).
//
// Paths are absolute within the folder ("/", "/png/slot-07.png"). Every
// operation returns 0 (or a count of bytes) on success, else a negative errno.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core.h"

namespace pixavon::host {

struct NodeInfo {
    bool directory = false;
    uint32_t mode = 0;  // permission bits
    uint32_t links = 1;
    uint64_t size = 0;
    bool exact = true;  // false: `size` is not known without reading the photo
    std::time_t mtime = 0;
};

// The card's room counted in photos: one block per slot.
struct FolderSpace {
    uint64_t block_size = 0;  // a photo's bitmap
    uint64_t blocks = 0;      // slots
    uint64_t free = 0;        // free slots
};

struct OpenedFile {
    uint64_t handle = 0;
    // Reads must not stop at the size last shown (it may change or be unknown).
    bool direct = false;
};

class CardFolder {
public:
    // `log` receives why an operation failed, for the person running the mount
    // (the core's front end hears what the workflows did).
    CardFolder(Core& core, bool read_only, std::function<void(const std::string&)> log = {});
    ~CardFolder();
    CardFolder(const CardFolder&) = delete;
    CardFolder& operator=(const CardFolder&) = delete;

    // Reads the card's list; refused if the card cannot be used as it is.
    Outcome start();

    int stat(const std::string& path, NodeInfo* info);
    int stat_open(uint64_t handle, NodeInfo* info);
    // The names in the folder `path` with what stat() would say of each.
    int list(const std::string& path, std::vector<std::pair<std::string, NodeInfo>>* entries);

    // Opens `path` with open(2)'s `flags`; a photo opens for reading only.
    int open(const std::string& path, int flags, OpenedFile* opened);
    // Makes a new file for a picture to put on the card.
    int create(const std::string& path, OpenedFile* opened);
    long read(uint64_t handle, char* buffer, size_t size, uint64_t offset);
    long write(uint64_t handle, const char* buffer, size_t size, uint64_t offset);
    // `handle` is null when the file is named by `path` only.
    int truncate(const std::string& path, const uint64_t* handle, uint64_t size);
    // The file is closed: a picture written through `handle` goes on the card
    // now, and what became of it is the result (EINVAL: not a picture that can
    // be converted; ENOSPC: the card is full; EIO: the card failed).
    int flush(uint64_t handle);
    void release(uint64_t handle);
    // Deletes the photo from the card (either of its names), or drops a new
    // picture not yet put.
    int unlink(const std::string& path);
    // Setting times, mode or owner is allowed on every name and changes
    // nothing.
    int change_attributes(const std::string& path);
    // Renames a picture being copied in or an alias (rename(2)'s `flags`);
    // photos keep their slots' names.
    int rename(const std::string& from, const std::string& to, unsigned int flags);
    FolderSpace space() const;
    // New pictures written but not put on the card (yet).
    size_t unfinished() const;
    // `line` with the places where new pictures are staged left out, so that
    // it names them as the person copying them in does.
    std::string plain(std::string line) const;

private:
    struct NewPicture;
    struct OpenFile;
    enum class Node { kNone, kRoot, kPngDir, kInfo, kBitmap, kPng, kNew, kAlias };
    struct Resolved {
        Node node = Node::kNone;
        uint32_t slot = 0;
        std::shared_ptr<NewPicture> picture;
    };

    Resolved resolve(const std::string& path) const;
    // Reads the card's list again after a change; false if it cannot be used.
    bool refresh();
    NodeInfo info_of(const Resolved& resolved) const;
    std::string info_text() const;
    // The photo in `slot` as the camera's bitmap, read once and kept.
    std::shared_ptr<const std::vector<uint8_t>> bitmap(uint32_t slot, int* error);
    std::shared_ptr<const std::vector<uint8_t>> png(uint32_t slot, int* error);
    void forget_slot(uint32_t slot);
    int put(const std::shared_ptr<NewPicture>& self);
    // A new picture named `name` (in the root), staged in a file of its own.
    int start_picture(const std::string& name, OpenedFile* opened);
    uint64_t add_handle(std::unique_ptr<OpenFile> file);
    OpenFile* find(uint64_t handle);
    void log(const std::string& line);

    Core& core_;
    const bool read_only_;
    std::function<void(const std::string&)> log_;
    std::string stage_dir_;
    bool card_ok_ = false;
    Catalog catalog_;
    std::string info_;
    std::time_t started_ = 0;
    std::time_t changed_ = 0;
    std::map<uint32_t, std::time_t> put_at_;  // slot: when it was put during this mount
    std::map<uint32_t, std::shared_ptr<const std::vector<uint8_t>>> bitmaps_;  // by slot
    std::map<uint32_t, Digest> hashes_;                                        // slot: SHA-256 of its pixels
    std::map<Digest, std::shared_ptr<const std::vector<uint8_t>>> pngs_;       // by SHA-256 of the pixels
    std::map<std::string, std::shared_ptr<NewPicture>> pictures_;              // by name, until put
    std::map<std::string, std::shared_ptr<NewPicture>> aliases_;               // by name, once put
    std::map<Digest, std::shared_ptr<NewPicture>> put_from_;                   // by SHA-256 of what was copied in
    std::map<uint64_t, std::unique_ptr<OpenFile>> open_;
    uint64_t next_handle_ = 1;
    uint64_t next_picture_ = 1;
};

}  // namespace pixavon::host
