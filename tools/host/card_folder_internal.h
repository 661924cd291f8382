// What the card folder's files share (card_folder.cpp: the folder's set-up,
// listing and reads; card_folder_names.cpp: the names photos are listed
// under; card_folder_copy_in.cpp: pictures copied in and photos removed):
// the folder's fixed names and modes, the slots' file names, and the two
// kinds of file a handle stands for.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "card_folder.h"
#include "os/os.h"

namespace pixavon::host::folder {

constexpr char kInfoName[] = "info.txt";
constexpr char kPngDir[] = "png";

constexpr uint32_t kDirMode = 0755;
constexpr uint32_t kReadOnlyDirMode = 0555;
constexpr uint32_t kPhotoMode = 0444;
constexpr uint32_t kNewMode = 0644;

inline std::string slot_name(uint32_t slot, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "slot-%02u.%s", slot, extension);
    return name;
}

// The slot in a name "slot-NN.EXT"; false if `name` is not one.
inline bool parse_slot_name(const std::string& name, const std::string& extension, uint32_t* slot) {
    const std::string tail = "." + extension;
    if (name.size() != 7 + tail.size() || name.compare(0, 5, "slot-") != 0 || name.compare(7, tail.size(), tail) != 0) {
        return false;
    }
    if (name[5] < '0' || name[5] > '9' || name[6] < '0' || name[6] > '9') return false;
    *slot = static_cast<uint32_t>((name[5] - '0') * 10 + (name[6] - '0'));
    return true;
}

}  // namespace pixavon::host::folder

namespace pixavon::host {

// A picture being copied into the folder, staged in a file until it is closed.
struct CardFolder::NewPicture {
    std::string name;
    os::ScratchFile staged;  // what was written so far
    uint64_t size = 0;
    std::time_t mtime = 0;
    uint32_t opens = 0;
    int photo = -1;      // the slot whose photo had this name when it was opened, else -1
    bool shown = false;  // listed: made new, or written into a photo's name
    bool written = false;
    bool done = false;  // put on the card, refused, or dropped
    int result = 0;     // of the put, told again to later closes
    int slot = -1;      // the photo it became (or already was), once put
};

struct CardFolder::OpenFile {
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // what a photo or info.txt reads
    std::shared_ptr<NewPicture> picture;                // or the new picture written
    bool writer = false;                                // opened to write `picture`
};

}  // namespace pixavon::host
