// The card as a folder (see card_folder.h): setting it up, what it lists and
// what its photos and info.txt read. The names photos are listed under are
// card_folder_names.cpp's; pictures copied in and photos removed are
// card_folder_copy_in.cpp's.
#include "card_folder.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "card_folder_internal.h"
#include "i18n.h"

namespace pixavon::host {

using namespace folder;

namespace {

bool writes(int flags) { return (flags & O_ACCMODE) != O_RDONLY || (flags & O_TRUNC) != 0; }

long copy_out(const std::vector<uint8_t>& bytes, char* buffer, size_t size, uint64_t offset) {
    if (offset >= bytes.size()) return 0;
    const size_t n = std::min<uint64_t>(size, bytes.size() - offset);
    std::memcpy(buffer, bytes.data() + offset, n);
    return static_cast<long>(n);
}

}  // namespace

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
            temp_dir_ = core_.temp_dir();
            dir = temp_dir_ + "/copied-in";
        } catch (const SessionError& error) {
            return {Outcome::Status::kFailed, {ProblemKind::kOther, Hint::kNone, {.detail = error.what()}}, {}};
        }
        if (int error = 0; !os::make_private_folder(dir, &error)) {
            return {Outcome::Status::kFailed,
                    {ProblemKind::kCannotMakeFolder, Hint::kCheckDisk, {.folder = dir, .error = error}},
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
    // Given names go with their photo, and a slot's name given to a photo
    // elsewhere goes once that slot holds a photo of its own.
    for (auto it = given_.begin(); it != given_.end();) {
        const uint32_t slot = it->first;
        std::vector<std::string>& names = it->second;
        for (auto name = names.begin(); name != names.end();) {
            uint32_t named = 0;
            if (!on_card(slot) || (parse_slot_name(*name, "bmp", &named) && named != slot && on_card(named))) {
                names_.erase(*name);
                name = names.erase(name);
            } else {
                ++name;
            }
        }
        if (names.empty() || (names.size() == 1 && names[0] == slot_name(slot, "bmp"))) {
            for (const std::string& name : names) names_.erase(name);
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
    const std::string mib = std::to_string(catalog_.card_bytes() >> 20);
    const uint32_t free = catalog_.free_slots();
    return core_.text(kTextTitle) + "  " + mib + " MiB\n" + core_.usage_line(catalog_.count, free) + "\n\n" +
           fill(tr("card:        {1} MiB, room for {2} photos"), {mib, std::to_string(catalog_.capacity_code)}) + "\n" +
           fill(tr("photos:      {1}"), {std::to_string(catalog_.count)}) + "\n" +
           fill(ntr("room left:   {1} photo", "room left:   {1} photos", free), {std::to_string(free)}) + "\n";
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
            // png/ is a view: nothing in it is ever removed or added.
            info.mode = read_only_ || r.node == Node::kPngDir ? kReadOnlyDirMode : kDirMode;
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
                info.links = static_cast<uint32_t>(names_of(r.slot).size());
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
    // The root lists the photos' names only: info.txt and png/ are opened by
    // name, so that mirroring this folder, or into it, sees only photos.
    const bool root = dir.node == Node::kRoot;
    for (uint32_t i = 0; i < catalog_.count; ++i) {
        const uint32_t slot = catalog_.slots[i];
        if (!root) {
            entries->emplace_back(slot_name(slot, "png"), info_of({Node::kPng, slot, nullptr}));
            continue;
        }
        const NodeInfo info = info_of({Node::kBitmap, slot, nullptr});
        for (const std::string& name : names_of(slot)) entries->emplace_back(name, info);
    }
    if (root) {
        for (const auto& [name, picture] : pictures_) {
            if (visible(*picture)) entries->emplace_back(name, info_of({Node::kNew, 0, picture}));
        }
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
        log(name_of(slot) + ": " + describe(why));
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

void CardFolder::forget_slot(uint32_t slot) {
    bitmaps_.erase(slot);
    hashes_.erase(slot);
    held_.erase(slot);
    put_at_.erase(slot);
    drop_names(slot);
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

long CardFolder::read(uint64_t handle, char* buffer, size_t size, uint64_t offset) {
    const OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (file->bytes) return copy_out(*file->bytes, buffer, size, offset);
    NewPicture& picture = *file->picture;
    if (picture.done && picture.slot >= 0) {
        // Put: what the card holds, as under every name of the photo.
        int error = 0;
        const std::shared_ptr<const std::vector<uint8_t>> bmp = bitmap(static_cast<uint32_t>(picture.slot), &error);
        return bmp ? copy_out(*bmp, buffer, size, offset) : error;
    }
    const long n = picture.staged.read_at(offset, buffer, size);
    return n < 0 ? -picture.staged.error() : n;
}

int CardFolder::change_attributes(const std::string& path) {
    const Resolved r = resolve(path);
    if (r.node == Node::kNone) return card_ok_ ? -ENOENT : -EIO;
    return read_only_ ? -EROFS : 0;
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

}  // namespace pixavon::host
