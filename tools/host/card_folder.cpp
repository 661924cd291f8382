#include "card_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "catalog/card_layout.h"
#include "i18n.h"

namespace pixavon::host {
namespace {

constexpr char kInfoName[] = "info.txt";
constexpr char kPngDir[] = "png";
// A picture copied in is read whole before it is converted; the put refuses
// larger ones anyway.
constexpr uint64_t kLargestPicture = kMaxPixels * 4 + 65536;

constexpr uint32_t kDirMode = 0755;
constexpr uint32_t kReadOnlyDirMode = 0555;
constexpr uint32_t kPhotoMode = 0444;
constexpr uint32_t kNewMode = 0644;

std::string slot_name(uint32_t slot, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "slot-%02u.%s", slot, extension);
    return name;
}

// The slot in a name "slot-NN.EXT"; false if `name` is not one.
bool parse_slot_name(const std::string& name, const std::string& extension, uint32_t* slot) {
    const std::string tail = "." + extension;
    if (name.size() != 7 + tail.size() || name.compare(0, 5, "slot-") != 0 || name.compare(7, tail.size(), tail) != 0) {
        return false;
    }
    if (name[5] < '0' || name[5] > '9' || name[6] < '0' || name[6] > '9') return false;
    *slot = static_cast<uint32_t>((name[5] - '0') * 10 + (name[6] - '0'));
    return true;
}

// The right-most pixels of the bottom row, which no slot stores.
constexpr uint32_t kUnstoredPixels = (kCardImageSize - kSlotBytes) / kCardPixelSize;

// What the card keeps of a photo-sized picture: its pixels but those no slot
// stores, by their SHA-256.
Digest held_digest(Image image) {
    for (uint32_t x = kPhotoWidth - kUnstoredPixels; x < kPhotoWidth; ++x) {
        std::fill_n(image.pixel(x, kPhotoHeight - 1), 3, uint8_t{0});
    }
    return pixel_digest(image);
}

// A picture file by its content. Throws ImageError.
Image decode_picture(const std::vector<uint8_t>& bytes) {
    switch (sniff_kind(bytes)) {
        case FileKind::kPng:
            return decode_png(bytes);
        case FileKind::kJpeg:
            return decode_jpeg(bytes);
        case FileKind::kBmp:
            return decode_bmp(bytes);
        case FileKind::kUnknown:
            break;
    }
    throw ImageError(tr("it is no PNG, JPEG or BMP picture"));
}

bool writes(int flags) { return (flags & O_ACCMODE) != O_RDONLY || (flags & O_TRUNC) != 0; }

long copy_out(const std::vector<uint8_t>& bytes, char* buffer, size_t size, uint64_t offset) {
    if (offset >= bytes.size()) return 0;
    const size_t n = std::min<uint64_t>(size, bytes.size() - offset);
    std::memcpy(buffer, bytes.data() + offset, n);
    return static_cast<long>(n);
}

}  // namespace

// A picture being copied into the folder, staged in a file until it is closed.
struct CardFolder::NewPicture {
    std::string name;
    std::string staged;
    int fd = -1;
    uint64_t size = 0;
    std::time_t mtime = 0;
    uint32_t opens = 0;
    int photo = -1;      // the slot whose photo had this name when it was opened, else -1
    bool shown = false;  // listed: made new, or written into a photo's name
    bool written = false;
    bool done = false;  // put on the card, refused, or dropped
    int result = 0;     // of the put, told again to later closes
    int slot = -1;      // the photo it became (or already was), once put
    ~NewPicture() {
        if (fd >= 0) ::close(fd);
        if (!staged.empty()) {
            ::unlink(staged.c_str());
            ::rmdir(std::filesystem::path(staged).parent_path().c_str());
        }
    }
};

struct CardFolder::OpenFile {
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // what a photo or info.txt reads
    std::shared_ptr<NewPicture> picture;                // or the new picture written
    bool writer = false;                                // opened to write `picture`
};

CardFolder::CardFolder(Core& core, bool read_only, std::function<void(const std::string&)> log)
    : core_(core), read_only_(read_only), log_(std::move(log)), started_(std::time(nullptr)), changed_(started_) {}

CardFolder::~CardFolder() {
    open_.clear();
    pictures_.clear();
    pending_.clear();
    if (!stage_dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(stage_dir_, ignored);
    }
}

void CardFolder::log(const std::string& line) {
    if (log_) log_(plain(line));
}

Outcome CardFolder::start() {
    Outcome outcome;
    const CardState state = core_.inspect();
    if (!state.catalog_ok) return {Outcome::Status::kFailed, state.problem, {}};
    catalog_ = state.catalog;
    card_ok_ = true;
    info_ = info_text();
    if (!read_only_) {
        // Inside the session's private folder, which goes with the session.
        std::string dir;
        try {
            temp_dir_ = core_.session().temp_dir();
            dir = temp_dir_ + "/copied-in";
        } catch (const SessionError& error) {
            return {Outcome::Status::kFailed, {ProblemKind::kOther, Hint::kNone, {.detail = error.what()}}, {}};
        }
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            return {Outcome::Status::kFailed,
                    {ProblemKind::kCannotMakeFolder, Hint::kCheckDisk, {.folder = dir, .error = errno}},
                    {}};
        }
        stage_dir_ = dir;
    }
    return outcome;
}

bool CardFolder::on_card(uint32_t slot) const {
    const auto end = catalog_.slots.begin() + catalog_.count;
    return card_ok_ && std::find(catalog_.slots.begin(), end, slot) != end;
}

bool CardFolder::visible(const NewPicture& picture) const {
    // A slot's name is its photo's while the slot holds one.
    uint32_t slot = 0;
    return picture.shown && !(parse_slot_name(picture.name, "bmp", &slot) && on_card(slot));
}

bool CardFolder::refresh() {
    const CardState state = core_.inspect();
    changed_ = std::time(nullptr);
    card_ok_ = state.catalog_ok;
    if (!card_ok_) {
        log(describe(state.problem));
        return false;
    }
    catalog_ = state.catalog;
    info_ = info_text();
    // A given name goes with its photo, and a slot's name given to a photo
    // elsewhere goes once that slot holds a photo of its own.
    for (auto it = given_.begin(); it != given_.end();) {
        uint32_t named = 0;
        const bool drop =
            !on_card(it->first) || (parse_slot_name(it->second, "bmp", &named) && named != it->first && on_card(named));
        if (drop) {
            names_.erase(it->second);
            it = given_.erase(it);
        } else {
            ++it;
        }
    }
    // A PNG is kept only while a photo with its pixels is on the card.
    for (auto it = pngs_.begin(); it != pngs_.end();) {
        const bool used =
            std::any_of(hashes_.begin(), hashes_.end(), [&](const auto& h) { return h.second == it->first; });
        it = used ? std::next(it) : pngs_.erase(it);
    }
    return true;
}

std::string CardFolder::info_text() const {
    const std::string size = std::to_string(catalog_.card_bytes() >> 20) + " MiB";
    const uint32_t free = catalog_.free_slots();
    return core_.text(kTextTitle) + "  " + size + "\n" + core_.session().usage_line(catalog_.count, free) + "\n\n" +
           "card:        " + size + ", " + std::to_string(catalog_.capacity_code) + " slots\n" +
           "photos:      " + std::to_string(catalog_.count) + "\n" + "free slots:  " + std::to_string(free) + "\n";
}

CardFolder::Resolved CardFolder::resolve(const std::string& path) const {
    Resolved r;
    if (path == "/") {
        r.node = Node::kRoot;
        return r;
    }
    if (path.empty() || path[0] != '/') return r;
    const std::string rest = path.substr(1);
    const size_t slash = rest.find('/');
    uint32_t slot = 0;
    if (slash == std::string::npos) {
        const auto picture = pictures_.find(rest);
        const auto given = names_.find(rest);
        if (picture != pictures_.end() && visible(*picture->second)) {
            r.node = Node::kNew;
            r.picture = picture->second;
        } else if (given != names_.end()) {
            r.node = Node::kBitmap;
            slot = given->second;
        } else if (rest == kInfoName) {
            r.node = Node::kInfo;
        } else if (rest == kPngDir) {
            r.node = Node::kPngDir;
        } else if (parse_slot_name(rest, "bmp", &slot)) {
            r.node = Node::kBitmap;
        }
    } else if (rest.compare(0, slash, kPngDir) == 0 && parse_slot_name(rest.substr(slash + 1), "png", &slot)) {
        r.node = Node::kPng;
    }
    if (r.node == Node::kBitmap || r.node == Node::kPng) {
        if (!on_card(slot)) r.node = Node::kNone;
        r.slot = slot;
    }
    return r;
}

NodeInfo CardFolder::info_of(const Resolved& r) const {
    NodeInfo info;
    info.mtime = changed_;
    switch (r.node) {
        case Node::kNone:
            break;
        case Node::kRoot:
        case Node::kPngDir:
            info.directory = true;
            info.mode = read_only_ ? kReadOnlyDirMode : kDirMode;
            info.links = r.node == Node::kRoot ? 3 : 2;
            break;
        case Node::kInfo:
            info.mode = kPhotoMode;
            info.size = info_.size();
            break;
        case Node::kBitmap:
        case Node::kPng: {
            info.mode = kPhotoMode;
            const auto put = put_at_.find(r.slot);
            info.mtime = put != put_at_.end() ? put->second : started_;
            if (r.node == Node::kBitmap) {
                info.size = kPhotoFileSize;
            } else {
                const auto hash = hashes_.find(r.slot);
                const auto png = hash != hashes_.end() ? pngs_.find(hash->second) : pngs_.end();
                info.exact = png != pngs_.end();
                if (info.exact) info.size = png->second->size();
            }
            break;
        }
        case Node::kNew:
            info.mode = kNewMode;
            info.size = r.picture->size;
            info.mtime = r.picture->mtime;
            break;
    }
    return info;
}

int CardFolder::stat(const std::string& path, NodeInfo* info) {
    const Resolved r = resolve(path);
    if (r.node == Node::kNone) return card_ok_ ? -ENOENT : -EIO;
    if (r.node == Node::kPng) {
        int error = 0;
        if (!png(r.slot, &error)) return error;
    }
    *info = info_of(r);
    return 0;
}

int CardFolder::stat_open(uint64_t handle, NodeInfo* info) {
    const OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (file->picture && file->picture->done && file->picture->slot >= 0) {
        // Put: the file is the photo now.
        *info = info_of({Node::kBitmap, static_cast<uint32_t>(file->picture->slot), nullptr});
    } else if (file->picture) {
        *info = info_of({Node::kNew, 0, file->picture});
    } else {
        *info = NodeInfo{};
        info->mode = kPhotoMode;
        info->size = file->bytes->size();
        info->mtime = changed_;
    }
    return 0;
}

int CardFolder::list(const std::string& path, std::vector<std::pair<std::string, NodeInfo>>* entries) {
    settle("");
    const Resolved dir = resolve(path);
    if (dir.node != Node::kRoot && dir.node != Node::kPngDir) return dir.node == Node::kNone ? -ENOENT : -ENOTDIR;
    if (!card_ok_) return -EIO;
    entries->clear();
    const bool root = dir.node == Node::kRoot;
    if (root) {
        entries->emplace_back(kInfoName, info_of({Node::kInfo, 0, nullptr}));
        entries->emplace_back(kPngDir, info_of({Node::kPngDir, 0, nullptr}));
    }
    for (uint32_t i = 0; i < catalog_.count; ++i) {
        const uint32_t slot = catalog_.slots[i];
        entries->emplace_back(root ? name_of(slot) : slot_name(slot, "png"),
                              info_of({root ? Node::kBitmap : Node::kPng, slot, nullptr}));
    }
    if (root) {
        for (const auto& [name, picture] : pictures_) {
            if (visible(*picture)) entries->emplace_back(name, info_of({Node::kNew, 0, picture}));
        }
    }
    return 0;
}

std::string CardFolder::name_of(uint32_t slot) const {
    // A given name hidden by a picture being written under it: the slot's.
    const auto given = given_.find(slot);
    if (given != given_.end()) {
        const auto picture = pictures_.find(given->second);
        if (picture == pictures_.end() || !visible(*picture->second)) return given->second;
    }
    return slot_name(slot, "bmp");
}

void CardFolder::give_name(uint32_t slot, const std::string& name) {
    drop_name(slot);
    if (uint32_t named = 0; parse_slot_name(name, "bmp", &named) && named == slot) return;
    if (const auto other = names_.find(name); other != names_.end()) given_.erase(other->second);
    names_[name] = slot;
    given_[slot] = name;
}

void CardFolder::drop_name(uint32_t slot) {
    if (const auto given = given_.find(slot); given != given_.end()) {
        names_.erase(given->second);
        given_.erase(given);
    }
}

std::shared_ptr<const std::vector<uint8_t>> CardFolder::bitmap(uint32_t slot, int* error) {
    if (const auto it = bitmaps_.find(slot); it != bitmaps_.end()) return it->second;
    const auto end = catalog_.slots.begin() + catalog_.count;
    const auto at = std::find(catalog_.slots.begin(), end, slot);
    if (at == end) {
        *error = -ENOENT;
        return nullptr;
    }
    Problem why;
    std::optional<std::vector<uint8_t>> bytes =
        core_.read_bitmap(static_cast<uint32_t>(at - catalog_.slots.begin()), catalog_, &why);
    if (!bytes) {
        log(slot_name(slot, "bmp") + ": " + describe(why));
        *error = -EIO;
        return nullptr;
    }
    auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(*bytes));
    bitmaps_[slot] = shared;
    return shared;
}

std::shared_ptr<const std::vector<uint8_t>> CardFolder::png(uint32_t slot, int* error) {
    if (const auto hash = hashes_.find(slot); hash != hashes_.end()) return pngs_.at(hash->second);
    const std::shared_ptr<const std::vector<uint8_t>> bmp = bitmap(slot, error);
    if (!bmp) return nullptr;
    try {
        const Image photo = decode_bmp(*bmp);
        const Digest hash = pixel_digest(photo);
        auto& png = pngs_[hash];
        if (!png) png = std::make_shared<const std::vector<uint8_t>>(encode_png(photo));
        hashes_[slot] = hash;
        return png;
    } catch (const ImageError& e) {
        log(slot_name(slot, "png") + ": " + e.what());
        *error = -EIO;
        return nullptr;
    }
}

const Digest* CardFolder::held(uint32_t slot) {
    if (const auto it = held_.find(slot); it != held_.end()) return &it->second;
    int error = 0;
    const std::shared_ptr<const std::vector<uint8_t>> bmp = bitmap(slot, &error);
    if (!bmp) return nullptr;
    try {
        return &(held_[slot] = held_digest(decode_bmp(*bmp)));
    } catch (const ImageError& e) {
        log(slot_name(slot, "bmp") + ": " + e.what());
        return nullptr;
    }
}

void CardFolder::forget_slot(uint32_t slot) {
    bitmaps_.erase(slot);
    hashes_.erase(slot);
    held_.erase(slot);
    put_at_.erase(slot);
    drop_name(slot);
}

uint64_t CardFolder::add_handle(std::unique_ptr<OpenFile> file) {
    const uint64_t handle = next_handle_++;
    open_[handle] = std::move(file);
    return handle;
}

CardFolder::OpenFile* CardFolder::find(uint64_t handle) {
    const auto it = open_.find(handle);
    return it == open_.end() ? nullptr : it->second.get();
}

int CardFolder::open(const std::string& path, int flags, OpenedFile* opened) {
    settle(path);
    const Resolved r = resolve(path);
    auto file = std::make_unique<OpenFile>();
    switch (r.node) {
        case Node::kNone:
            return card_ok_ ? -ENOENT : -EIO;
        case Node::kRoot:
        case Node::kPngDir:
            return -EISDIR;
        case Node::kNew:
            // One writer at a time: a second one would write into the first's picture.
            if (writes(flags)) return -EBUSY;
            file->picture = r.picture;
            ++r.picture->opens;
            opened->direct = true;
            break;
        case Node::kBitmap:
            if (writes(flags)) {
                if (read_only_) return -EROFS;
                if (const auto writer = pictures_.find(path.substr(1)); writer != pictures_.end()) return -EBUSY;
                return start_picture(path.substr(1), static_cast<int>(r.slot), opened);
            }
            [[fallthrough]];
        case Node::kInfo:
        case Node::kPng: {
            if (writes(flags)) return read_only_ ? -EROFS : -EPERM;
            int error = 0;
            if (r.node == Node::kInfo) {
                file->bytes = std::make_shared<const std::vector<uint8_t>>(info_.begin(), info_.end());
            } else {
                file->bytes = r.node == Node::kBitmap ? bitmap(r.slot, &error) : png(r.slot, &error);
                if (!file->bytes) return error;
            }
            // A bitmap's size never changes; the others' may.
            opened->direct = r.node != Node::kBitmap;
            break;
        }
    }
    opened->handle = add_handle(std::move(file));
    return 0;
}

int CardFolder::create(const std::string& path, OpenedFile* opened) {
    settle(path);
    if (read_only_) return -EROFS;
    if (path.size() > 1 && pictures_.count(path.substr(1)) != 0) return -EBUSY;
    const Resolved r = resolve(path);
    if (r.node == Node::kBitmap) return start_picture(path.substr(1), static_cast<int>(r.slot), opened);
    if (r.node != Node::kNone) return -EEXIST;
    if (!card_ok_) return -EIO;
    if (path.size() < 2 || path.find('/', 1) != std::string::npos) return -EPERM;  // only beside the photos
    return start_picture(path.substr(1), -1, opened);
}

int CardFolder::start_picture(const std::string& name, int photo, OpenedFile* opened) {
    auto picture = std::make_shared<NewPicture>();
    picture->name = name;
    picture->photo = photo;
    picture->shown = photo < 0;
    // Staged under its own name, in a folder of its own, for what the put says.
    const std::string folder = stage_dir_ + "/" + std::to_string(next_picture_++);
    if (::mkdir(folder.c_str(), 0700) == 0) {
        picture->staged = folder + "/" + picture->name;
        picture->fd = ::open(picture->staged.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    }
    if (picture->fd < 0) {
        const int error = errno;
        picture->staged.clear();
        ::rmdir(folder.c_str());
        log(describe(Problem{ProblemKind::kCannotWrite, Hint::kNone, {.name = picture->name, .error = error}, {}}));
        return -error;
    }
    picture->mtime = std::time(nullptr);
    picture->opens = 1;
    pictures_[picture->name] = picture;
    auto file = std::make_unique<OpenFile>();
    file->picture = std::move(picture);
    file->writer = true;
    opened->handle = add_handle(std::move(file));
    opened->direct = true;
    return 0;
}

long CardFolder::read(uint64_t handle, char* buffer, size_t size, uint64_t offset) {
    const OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (file->bytes) return copy_out(*file->bytes, buffer, size, offset);
    const NewPicture& picture = *file->picture;
    if (picture.done && picture.slot >= 0) {
        // Put: what the card holds, as under every name of the photo.
        int error = 0;
        const std::shared_ptr<const std::vector<uint8_t>> bmp = bitmap(static_cast<uint32_t>(picture.slot), &error);
        return bmp ? copy_out(*bmp, buffer, size, offset) : error;
    }
    const ssize_t n = ::pread(picture.fd, buffer, size, static_cast<off_t>(offset));
    return n < 0 ? -errno : static_cast<long>(n);
}

long CardFolder::write(uint64_t handle, const char* buffer, size_t size, uint64_t offset) {
    OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (!file->writer || file->picture->done) return -EPERM;  // photos are never written into
    NewPicture& picture = *file->picture;
    if (offset > kLargestPicture || size > kLargestPicture - offset) return -EFBIG;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(picture.fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? -errno : -EIO;
        done += static_cast<size_t>(n);
    }
    picture.size = std::max<uint64_t>(picture.size, offset + size);
    picture.written = true;
    picture.shown = true;
    return static_cast<long>(size);
}

int CardFolder::truncate(const std::string& path, const uint64_t* handle, uint64_t size) {
    std::shared_ptr<NewPicture> picture;
    if (handle != nullptr) {
        const OpenFile* file = find(*handle);
        if (file == nullptr) return -EBADF;
        if (!file->writer) return read_only_ ? -EROFS : -EPERM;
        picture = file->picture;
    } else {
        const Resolved r = resolve(path);
        if (r.node == Node::kNone) return card_ok_ ? -ENOENT : -EIO;
        if (r.node == Node::kRoot || r.node == Node::kPngDir) return -EISDIR;
        if (r.node != Node::kNew) return read_only_ ? -EROFS : -EPERM;  // photos are never cut
        picture = r.picture;
    }
    if (read_only_) return -EROFS;
    if (picture->done) return -EPERM;
    if (size > kLargestPicture) return -EFBIG;
    if (::ftruncate(picture->fd, static_cast<off_t>(size)) != 0) return -errno;
    picture->size = size;
    if (size > 0) picture->written = picture->shown = true;
    return 0;
}

int CardFolder::change_attributes(const std::string& path) {
    const Resolved r = resolve(path);
    if (r.node == Node::kNone) return card_ok_ ? -ENOENT : -EIO;
    return read_only_ ? -EROFS : 0;
}

int CardFolder::rename(const std::string& from, const std::string& to, unsigned int flags) {
    if (read_only_) return -EROFS;
    constexpr unsigned int kNoReplace = 1;  // RENAME_NOREPLACE
    if ((flags & ~kNoReplace) != 0) return -EINVAL;
    const Resolved source = resolve(from);
    if (source.node == Node::kNone) return card_ok_ ? -ENOENT : -EIO;
    const bool given = source.node == Node::kBitmap && names_.count(from.substr(1)) != 0;
    if (source.node != Node::kNew && !given) return -EPERM;  // photos keep their slots' names
    if (to.size() < 2 || to[0] != '/' || to.find('/', 1) != std::string::npos) return -EPERM;
    const std::string name = to.substr(1);
    const Resolved target = resolve(to);
    if (target.node == Node::kInfo || target.node == Node::kPngDir) return -EPERM;
    if (from == to) return 0;
    const bool same_photo = given && target.node == Node::kBitmap && target.slot == source.slot;
    if (target.node != Node::kNone && !same_photo && (flags & kNoReplace) != 0) return -EEXIST;
    // Another photo's slot name stays with it: a rename never takes a photo off the card.
    if (uint32_t named = 0; !same_photo && parse_slot_name(name, "bmp", &named) && on_card(named)) return -EPERM;
    if (target.node == Node::kNew) {
        target.picture->done = true;  // replaced before it was closed: nothing of it goes on the card
        pictures_.erase(name);
    }
    if (source.node == Node::kNew) {
        if (const auto owner = names_.find(name); owner != names_.end()) drop_name(owner->second);
        pictures_.erase(source.picture->name);
        source.picture->name = name;
        pictures_[name] = source.picture;
    } else {
        give_name(source.slot, name);
    }
    settle("");
    return 0;
}

int CardFolder::refuse(NewPicture& picture, int error, const Problem& why) {
    log(describe(why));
    picture.result = error;
    return error;
}

int CardFolder::put(const std::shared_ptr<NewPicture>& self) {
    NewPicture& picture = *self;
    picture.done = true;
    if (const auto named = pictures_.find(picture.name); named != pictures_.end() && named->second == self) {
        pictures_.erase(named);
    }
    if (!card_ok_) return picture.result = -EIO;
    std::vector<uint8_t> bytes(picture.size);
    if (::pread(picture.fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        return refuse(picture, -EIO,
                      {ProblemKind::kCannotRead, Hint::kNone, {.name = picture.name, .error = errno}, {}});
    }
    // Only a picture the card holds as it is: anything scaled would leave the
    // person with less than they copied in.
    Image image;
    try {
        image = decode_picture(bytes);
    } catch (const ImageError& error) {
        return refuse(picture, -EINVAL,
                      {ProblemKind::kBadPicture, Hint::kNone, {.name = picture.name, .detail = error.what()}, {}});
    }
    if (image.width != kPhotoWidth || image.height != kPhotoHeight) {
        const std::string detail =
            fill(tr("it is {1} x {2} pixels; copied into the card's folder, a picture must be the photos' size, "
                    "{3} x {4}, which the card holds as it is"),
                 {std::to_string(image.width), std::to_string(image.height), std::to_string(kPhotoWidth),
                  std::to_string(kPhotoHeight)});
        return refuse(picture, -EINVAL,
                      {ProblemKind::kBadPicture, Hint::kNone, {.name = picture.name, .detail = detail}, {}});
    }
    const Digest digest = held_digest(image);
    uint32_t named = 0;
    const bool slot_named = parse_slot_name(picture.name, "bmp", &named);
    const Problem taken{ProblemKind::kFileExists, Hint::kNone, {.name = picture.name}, {}};

    // A photo with these pixels already: nothing new, the name goes to it
    // (the photo named first, as a photo copied out and back in).
    std::vector<uint32_t> slots(catalog_.slots.begin(), catalog_.slots.begin() + catalog_.count);
    for (const int first : {picture.photo, slot_named ? static_cast<int>(named) : -1}) {
        if (const auto at = std::find(slots.begin(), slots.end(), static_cast<uint32_t>(first)); at != slots.end()) {
            std::rotate(slots.begin(), at, at + 1);
        }
    }
    for (const uint32_t slot : slots) {
        const Digest* other = held(slot);
        if (other == nullptr || *other != digest) continue;
        if (slot_named && named != slot && on_card(named)) return refuse(picture, -EEXIST, taken);
        give_name(slot, picture.name);
        picture.slot = static_cast<int>(slot);
        return picture.result = 0;
    }
    if (slot_named && on_card(named)) return refuse(picture, -EEXIST, taken);
    if (catalog_.free_slots() == 0) {
        return refuse(picture, -ENOSPC,
                      {ProblemKind::kCardFull,
                       Hint::kNone,
                       {.count = catalog_.count, .other_count = catalog_.capacity_code},
                       {}});
    }
    // The staged file becomes the camera's bitmap of the picture, so that the
    // card is given exactly the pixels compared.
    const std::vector<uint8_t> camera = encode_camera_bitmap(image);
    if (::ftruncate(picture.fd, 0) != 0 ||
        ::pwrite(picture.fd, camera.data(), camera.size(), 0) != static_cast<ssize_t>(camera.size())) {
        return refuse(picture, -EIO,
                      {ProblemKind::kCannotWrite, Hint::kNone, {.name = picture.name, .error = errno}, {}});
    }
    picture.size = camera.size();
    PutRequest request;
    request.files = {picture.staged};
    const uint32_t before = catalog_.count;
    putting_ = self;
    const Outcome outcome = core_.put_pictures(request);
    putting_.reset();
    const bool listed = refresh();
    switch (outcome.status) {
        case Outcome::Status::kDone:
            picture.result = 0;
            break;
        case Outcome::Status::kRefused:
            picture.result = -EINVAL;
            break;
        case Outcome::Status::kCancelled:
            picture.result = -EINTR;
            break;
        case Outcome::Status::kFailed:
            picture.result = listed && catalog_.free_slots() == 0 ? -ENOSPC : -EIO;
            break;
    }
    if (picture.result != 0) {
        log(describe(outcome.problem));
        return picture.result;
    }
    const Problem not_taken{ProblemKind::kNotTaken, Hint::kNone, {.name = picture.name}, {}};
    if (!listed || catalog_.count != before + 1) return refuse(picture, -EIO, not_taken);
    const uint32_t slot = catalog_.slots[before];
    forget_slot(slot);
    put_at_[slot] = changed_;
    picture.slot = static_cast<int>(slot);
    // The name is the photo's only if the card gives the picture back.
    const Digest* on_card = held(slot);
    if (on_card == nullptr || *on_card != digest) return refuse(picture, -EIO, not_taken);
    give_name(slot, picture.name);
    return 0;
}

int CardFolder::flush(uint64_t handle) {
    OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (!file->writer) return 0;
    NewPicture& picture = *file->picture;
    if (picture.done) return picture.result;
    // A close before anything was written (a shell opening a file to hand it
    // on, `touch`) puts nothing: a photo's name still shows the photo, a new
    // name holds no picture.
    if (!picture.written) return picture.photo >= 0 ? 0 : -ENODATA;
    return put(file->picture);
}

void CardFolder::release(uint64_t handle) {
    const auto it = open_.find(handle);
    if (it == open_.end()) return;
    const std::shared_ptr<NewPicture> picture = it->second->picture;
    open_.erase(it);
    if (picture && --picture->opens == 0 && !picture->done) {
        // Closed without a flush that put it: nothing goes on the card.
        picture->done = true;
        if (const auto named = pictures_.find(picture->name); named != pictures_.end() && named->second == picture) {
            pictures_.erase(named);
        }
    }
}

int CardFolder::unlink(const std::string& path) {
    settle(path);
    const Resolved r = resolve(path);
    switch (r.node) {
        case Node::kNone:
            return card_ok_ ? -ENOENT : -EIO;
        case Node::kRoot:
        case Node::kPngDir:
            return -EISDIR;
        case Node::kInfo:
            return read_only_ ? -EROFS : -EPERM;
        case Node::kNew:
            r.picture->done = true;
            pictures_.erase(r.picture->name);
            return 0;
        case Node::kBitmap:
        case Node::kPng:
            break;
    }
    if (read_only_) return -EROFS;
    const auto end = catalog_.slots.begin() + catalog_.count;
    const uint32_t position =
        static_cast<uint32_t>(std::find(catalog_.slots.begin(), end, r.slot) - catalog_.slots.begin());
    const Outcome outcome = core_.delete_photos({position}, false);
    forget_slot(r.slot);
    const bool listed = refresh();
    if (!outcome.ok()) {
        log(slot_name(r.slot, "bmp") + ": " + describe(outcome.problem));
        return outcome.status == Outcome::Status::kCancelled ? -EINTR : -EIO;
    }
    return listed ? 0 : -EIO;
}

FolderSpace CardFolder::space() const {
    FolderSpace space;
    space.block_size = kPhotoFileSize;
    space.blocks = catalog_.capacity_code;
    space.free = card_ok_ ? catalog_.free_slots() : 0;
    return space;
}

size_t CardFolder::unfinished() const {
    return static_cast<size_t>(
        std::count_if(pictures_.begin(), pictures_.end(), [](const auto& entry) { return entry.second->written; }));
}

void CardFolder::note(const Record& record) {
    if (putting_ && record.kind == RecordKind::kPut) {
        pending_.emplace_back(putting_, record);
    } else {
        log(describe(record));
    }
}

void CardFolder::settle(const std::string& path) {
    for (auto it = pending_.begin(); it != pending_.end();) {
        Record record = it->second;
        const int slot = it->first->slot;
        // Under the name the photo has now; a photo gone since under the name it was put with.
        record.facts.name =
            slot >= 0 && on_card(static_cast<uint32_t>(slot)) ? name_of(static_cast<uint32_t>(slot)) : it->first->name;
        if (!path.empty() && path == "/" + record.facts.name) {
            ++it;
            continue;
        }
        it = pending_.erase(it);
        log(describe(record));
    }
}

void CardFolder::say_pending() { settle(""); }

std::string CardFolder::plain(std::string line) const {
    if (temp_dir_.empty()) return line;
    // A path in the session's private folder: the picture being put, or the
    // name the file was given in the folder.
    const std::string prefix = temp_dir_ + "/";
    for (size_t at; (at = line.find(prefix)) != std::string::npos;) {
        size_t end = line.find_first_of("'\" \n", at);
        if (end == std::string::npos) end = line.size();
        const std::string path = line.substr(at, end - at);
        const std::string name = putting_ ? putting_->name : std::filesystem::path(path).filename().string();
        line.replace(at, end - at, name);
    }
    return line;
}

}  // namespace pixavon::host
