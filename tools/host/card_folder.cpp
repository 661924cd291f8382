#include "card_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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
    bool written = false;
    bool done = false;  // put on the card, refused, or dropped
    int result = 0;     // of the put, told again to later closes
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
};

CardFolder::CardFolder(Core& core, bool read_only, std::function<void(const std::string&)> log)
    : core_(core), read_only_(read_only), log_(std::move(log)), started_(std::time(nullptr)), changed_(started_) {}

CardFolder::~CardFolder() {
    open_.clear();
    pictures_.clear();
    if (!stage_dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(stage_dir_, ignored);
    }
}

void CardFolder::log(const std::string& line) {
    if (log_) log_(line);
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
            dir = core_.session().temp_dir() + "/copied-in";
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
        if (const auto it = pictures_.find(rest); it != pictures_.end()) {
            r.node = Node::kNew;
            r.picture = it->second;
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
        const auto end = catalog_.slots.begin() + catalog_.count;
        if (!card_ok_ || std::find(catalog_.slots.begin(), end, slot) == end) r.node = Node::kNone;
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
    if (file->picture) {
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
        entries->emplace_back(slot_name(slot, root ? "bmp" : "png"),
                              info_of({root ? Node::kBitmap : Node::kPng, slot, nullptr}));
    }
    if (root) {
        for (const auto& [name, picture] : pictures_) entries->emplace_back(name, info_of({Node::kNew, 0, picture}));
    }
    return 0;
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
        const uint64_t hash = pixel_hash(photo);
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

void CardFolder::forget_slot(uint32_t slot) {
    bitmaps_.erase(slot);
    hashes_.erase(slot);
    put_at_.erase(slot);
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
    const Resolved r = resolve(path);
    auto file = std::make_unique<OpenFile>();
    switch (r.node) {
        case Node::kNone:
            return card_ok_ ? -ENOENT : -EIO;
        case Node::kRoot:
        case Node::kPngDir:
            return -EISDIR;
        case Node::kNew:
            if ((flags & O_TRUNC) != 0) {
                if (const int e = truncate(path, nullptr, 0); e != 0) return e;
            }
            file->picture = r.picture;
            ++r.picture->opens;
            opened->direct = true;
            break;
        case Node::kInfo:
        case Node::kBitmap:
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
    if (read_only_) return -EROFS;
    const Resolved r = resolve(path);
    if (r.node != Node::kNone) return r.node == Node::kNew ? open(path, O_WRONLY | O_TRUNC, opened) : -EEXIST;
    if (!card_ok_) return -EIO;
    if (path.size() < 2 || path.find('/', 1) != std::string::npos) return -EPERM;  // only beside the photos
    if (catalog_.free_slots() == 0) return -ENOSPC;
    auto picture = std::make_shared<NewPicture>();
    picture->name = path.substr(1);
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
    opened->handle = add_handle(std::move(file));
    opened->direct = true;
    return 0;
}

long CardFolder::read(uint64_t handle, char* buffer, size_t size, uint64_t offset) {
    const OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (file->bytes) return copy_out(*file->bytes, buffer, size, offset);
    // What was written, also after it was put: it stays staged until closed.
    const ssize_t n = ::pread(file->picture->fd, buffer, size, static_cast<off_t>(offset));
    return n < 0 ? -errno : static_cast<long>(n);
}

long CardFolder::write(uint64_t handle, const char* buffer, size_t size, uint64_t offset) {
    OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (!file->picture || file->picture->done) return -EPERM;  // photos are never written into
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
    return static_cast<long>(size);
}

int CardFolder::truncate(const std::string& path, const uint64_t* handle, uint64_t size) {
    std::shared_ptr<NewPicture> picture;
    if (handle != nullptr) {
        const OpenFile* file = find(*handle);
        if (file == nullptr) return -EBADF;
        picture = file->picture;
    } else {
        const Resolved r = resolve(path);
        if (r.node == Node::kNone) return -ENOENT;
        if (r.node == Node::kRoot || r.node == Node::kPngDir) return -EISDIR;
        picture = r.picture;
    }
    if (read_only_) return -EROFS;
    if (!picture || picture->done) return -EPERM;
    if (size > kLargestPicture) return -EFBIG;
    if (::ftruncate(picture->fd, static_cast<off_t>(size)) != 0) return -errno;
    picture->size = size;
    picture->written = picture->written || size > 0;
    return 0;
}

int CardFolder::change_attributes(const std::string& path) {
    const Resolved r = resolve(path);
    if (r.node == Node::kNone) return card_ok_ ? -ENOENT : -EIO;
    if (read_only_) return -EROFS;
    return r.node == Node::kNew ? 0 : -EPERM;
}

int CardFolder::put(NewPicture& picture) {
    picture.done = true;
    pictures_.erase(picture.name);
    if (!card_ok_) return picture.result = -EIO;
    if (catalog_.free_slots() == 0) {
        log(describe(Problem{ProblemKind::kCardFull,
                             Hint::kNone,
                             {.count = catalog_.count, .other_count = catalog_.capacity_code},
                             {}}));
        return picture.result = -ENOSPC;
    }
    PutRequest request;
    request.files = {picture.staged};
    const Outcome outcome = core_.put_pictures(request);
    const uint32_t before = catalog_.count;
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
        log(plain(describe(outcome.problem)));
        return picture.result;
    }
    if (listed && catalog_.count == before + 1) {
        const uint32_t slot = catalog_.slots[before];
        forget_slot(slot);
        put_at_[slot] = changed_;
    }
    return 0;
}

int CardFolder::flush(uint64_t handle) {
    OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (!file->picture) return 0;
    NewPicture& picture = *file->picture;
    if (picture.done) return picture.result;
    // A close before anything was written (a shell opening a file to hand it
    // on, `touch`) puts nothing.
    if (!picture.written) return 0;
    return put(picture);
}

void CardFolder::release(uint64_t handle) {
    const auto it = open_.find(handle);
    if (it == open_.end()) return;
    const std::shared_ptr<NewPicture> picture = it->second->picture;
    open_.erase(it);
    if (picture && --picture->opens == 0 && !picture->done) {
        // Closed without a flush that put it: nothing goes on the card.
        picture->done = true;
        pictures_.erase(picture->name);
    }
}

int CardFolder::unlink(const std::string& path) {
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

size_t CardFolder::unfinished() const { return pictures_.size(); }

std::string CardFolder::plain(std::string line) const {
    if (stage_dir_.empty()) return line;
    const std::string prefix = stage_dir_ + "/";
    for (size_t at; (at = line.find(prefix)) != std::string::npos;) {
        const size_t end = line.find('/', at + prefix.size());
        line.erase(at, end == std::string::npos ? prefix.size() : end + 1 - at);
    }
    return line;
}

}  // namespace pixavon::host
