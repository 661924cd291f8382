// The card as a folder: what a mounted file system shows of the card, and
// what reading, writing and removing its files does to the card, written
// against the host core and free of any file-system framework.
//
//   slot-07.bmp        the photo in slot 7, the camera's own bitmap as the
//                      card holds it
//   holiday.png        a photo given this name in this mount: listed under it
//                      instead of its slot's name, and read as that bitmap
//   any other new file a picture being copied in, put on the card when it is
//                      closed
//   info.txt           the card's size, photos and room left
//   png/slot-07.png    the same photo as PNG, encoded when first opened
//
// The folder lists only the photos' names. info.txt and png/ are there by
// name but not listed, so that a tool mirroring a folder into this one
// (rsync --delete) or out of it sees photos only; png/ is a read-only view:
// nothing in it can be removed, and removing a photo's name never goes
// through it.
//
// Every file listed reads back as what the card holds. The folder takes a
// picture only if the card holds its pixels exactly: one of the photos' size
// (322 x 242; PNG, JPEG or BMP) whose right-most 100 pixels of the bottom row,
// which no slot stores, are black; anything else is refused when it is
// closed, so that a tool moving a file in keeps the original.
//
// A picture whose pixels a photo on the card has already puts nothing new (in
// any mount): the photo takes the picture's name as one more name, as a hard
// link would, and keeps the names it is listed under. A photo is listed under
// each of its names: its slot's until it is given others (the slot's name
// still finds it when it is not listed), then the names given in this mount.
// Removing a name removes only that name while the photo has another; the
// last one deletes the photo. Given names may be renamed. Writing into a
// photo's name puts a new picture under that name once something is written;
// the photo keeps its other names, else its slot's. A slot's name that no
// photo has may be given to a picture; a slot's name another photo has is
// refused. chmod, chown and utimens succeed on every name and change nothing,
// as copying tools expect.
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
    // (the core's front end hears what the workflows did, and hands the
    // records of a put to note()).
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

    // Opens `path` with open(2)'s `flags`. Writing into a photo's name makes
    // a new picture (EBUSY: another writer has the name open).
    int open(const std::string& path, int flags, OpenedFile* opened);
    // Makes a new file for a picture to put on the card (EBUSY as open()).
    int create(const std::string& path, OpenedFile* opened);
    long read(uint64_t handle, char* buffer, size_t size, uint64_t offset);
    long write(uint64_t handle, const char* buffer, size_t size, uint64_t offset);
    // `handle` is null when the file is named by `path` only. A photo is never
    // cut (EPERM).
    int truncate(const std::string& path, const uint64_t* handle, uint64_t size);
    // The file is closed: a picture written through `handle` goes on the card
    // now, and what became of it is the result (EINVAL: not a picture the card
    // holds as it is; EEXIST: it was written into the slot name of another
    // photo; ENOSPC: the card is full; EIO: the card failed or does not give
    // the picture back; ENODATA: a new file closed with nothing written).
    int flush(uint64_t handle);
    void release(uint64_t handle);
    // Removes a photo's name; its last name deletes the photo from the card.
    // Drops a new picture not yet put. Nothing in png/ is removed (EPERM).
    int unlink(const std::string& path);
    // Setting times, mode or owner is allowed on every name and changes
    // nothing.
    int change_attributes(const std::string& path);
    // Renames a picture being copied in or a photo's given name (rename(2)'s
    // `flags`); a photo under its slot's name keeps it. A photo named by the
    // target loses that name, never its place on the card.
    int rename(const std::string& from, const std::string& to, unsigned int flags);
    FolderSpace space() const;
    // New pictures written but not put on the card (yet).
    size_t unfinished() const;
    // A record of the core's workflows: a put's is kept until the picture's
    // name has settled (a copying tool renaming its temporary file), then
    // logged under that name; any other is logged at once.
    void note(const Record& record);
    // Logs the records still kept (the mount is ending).
    void say_pending();
    // `line` with the places where new pictures are staged left out, so that
    // it names them as the person copying them in does.
    std::string plain(std::string line) const;

private:
    struct NewPicture;
    struct OpenFile;
    enum class Node { kNone, kRoot, kPngDir, kInfo, kBitmap, kPng, kNew };
    struct Resolved {
        Node node = Node::kNone;
        uint32_t slot = 0;
        std::shared_ptr<NewPicture> picture;
    };

    Resolved resolve(const std::string& path) const;
    bool on_card(uint32_t slot) const;
    // Listed: made new, or written into a photo's given name.
    bool visible(const NewPicture& picture) const;
    // Reads the card's list again after a change; false if it cannot be used.
    bool refresh();
    NodeInfo info_of(const Resolved& resolved) const;
    std::string info_text() const;
    // The photo in `slot` as the camera's bitmap, read once and kept.
    std::shared_ptr<const std::vector<uint8_t>> bitmap(uint32_t slot, int* error);
    std::shared_ptr<const std::vector<uint8_t>> png(uint32_t slot, int* error);
    // What the card holds of the photo in `slot`, for comparing pictures.
    const Digest* held(uint32_t slot);
    void forget_slot(uint32_t slot);
    // Gives the photo in `slot` the name `name`, taking it from any other
    // photo; `more`: as one more name, keeping those it is listed under.
    void give_name(uint32_t slot, const std::string& name, bool more);
    // Takes `name` from the photo that has it; a photo left without names is
    // listed under its slot's.
    void take_name(const std::string& name);
    void drop_names(uint32_t slot);
    // The names the photo in `slot` is listed under, the last given last.
    std::vector<std::string> names_of(uint32_t slot) const;
    std::string name_of(uint32_t slot) const;
    int put(const std::shared_ptr<NewPicture>& self);
    int refuse(NewPicture& picture, int error, const Problem& why);
    // A new picture named `name` (in the root), staged in a file of its own;
    // `photo`: the slot whose photo has that name, else -1.
    int start_picture(const std::string& name, int photo, OpenedFile* opened);
    uint64_t add_handle(std::unique_ptr<OpenFile> file);
    OpenFile* find(uint64_t handle);
    // Logs the kept records of every picture but the one named `path`: once
    // anything but a look at that name comes, the name has settled.
    void settle(const std::string& path);
    void log(const std::string& line);

    Core& core_;
    const bool read_only_;
    std::function<void(const std::string&)> log_;
    std::string stage_dir_;
    std::string temp_dir_;  // the session's private folder
    bool card_ok_ = false;
    Catalog catalog_;
    std::string info_;
    std::time_t started_ = 0;
    std::time_t changed_ = 0;
    std::map<uint32_t, std::time_t> put_at_;  // slot: when it was put during this mount
    std::map<uint32_t, std::shared_ptr<const std::vector<uint8_t>>> bitmaps_;  // by slot
    std::map<uint32_t, Digest> hashes_;                                        // slot: SHA-256 of its pixels
    std::map<uint32_t, Digest> held_;                                          // slot: what held() says
    std::map<Digest, std::shared_ptr<const std::vector<uint8_t>>> pngs_;       // by SHA-256 of the pixels
    std::map<std::string, std::shared_ptr<NewPicture>> pictures_;              // being written, by name
    std::map<std::string, uint32_t> names_;                                    // given name: slot
    std::map<uint32_t, std::vector<std::string>> given_;                       // slot: given names, in order
    std::vector<std::pair<std::shared_ptr<NewPicture>, Record>> pending_;      // records of puts, kept
    std::shared_ptr<NewPicture> putting_;                                      // during a put
    std::map<uint64_t, std::unique_ptr<OpenFile>> open_;
    uint64_t next_handle_ = 1;
    uint64_t next_picture_ = 1;
};

}  // namespace pixavon::host
