// The card as a folder (see card_folder.h): pictures copied into it, staged
// in the session's private folder until they are closed and then put on the
// card if it holds them as they are, and photos removed from it.
#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "card_folder.h"
#include "card_folder_internal.h"
#include "catalog/card_layout.h"
#include "i18n.h"

namespace pixavon::host {

using namespace folder;

namespace {

// A picture copied in is read whole before it is converted; the put refuses
// larger ones anyway.
constexpr uint64_t kLargestPicture = kMaxPixels * 4 + 65536;

// The right-most pixels of the bottom row, which no slot stores.
constexpr uint32_t kUnstoredPixels = (kCardImageSize - kSlotBytes) / kCardPixelSize;

// Whether the pixels no slot stores are black, as every photo read from the
// card has them: only then does the card hold the picture exactly.
bool held_whole(const Image& image) {
    const uint8_t* first = image.pixel(kPhotoWidth - kUnstoredPixels, kPhotoHeight - 1);
    return std::all_of(first, first + 3 * kUnstoredPixels, [](uint8_t byte) { return byte == 0; });
}

// What the card keeps of a photo-sized picture: its pixels but those no slot
// stores, by their SHA-256.
Digest held_digest(Image image) {
    for (uint32_t x = kPhotoWidth - kUnstoredPixels; x < kPhotoWidth; ++x) {
        std::fill_n(image.pixel(x, kPhotoHeight - 1), 3, uint8_t{0});
    }
    return pixel_digest(image);
}

}  // namespace

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
    if (!picture->staged.create(folder, picture->name)) {
        const int error = picture->staged.error();
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

long CardFolder::write(uint64_t handle, const char* buffer, size_t size, uint64_t offset) {
    OpenFile* file = find(handle);
    if (file == nullptr) return -EBADF;
    if (!file->writer || file->picture->done) return -EPERM;  // photos are never written into
    NewPicture& picture = *file->picture;
    if (offset > kLargestPicture || size > kLargestPicture - offset) return -EFBIG;
    if (!picture.staged.write_at(offset, buffer, size)) return -picture.staged.error();
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
    if (!picture->staged.resize(size)) return -picture->staged.error();
    picture->size = size;
    if (size > 0) picture->written = picture->shown = true;
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
    if (picture.staged.read_at(0, bytes.data(), bytes.size()) != static_cast<long>(bytes.size())) {
        return refuse(
            picture, -EIO,
            {ProblemKind::kCannotRead, Hint::kNone, {.name = picture.name, .error = picture.staged.error()}, {}});
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
    if (!held_whole(image)) {
        // The card would keep black there: a tool moving the file in would
        // delete an original the card does not hold.
        const std::string detail =
            fill(tr("the right-most {1} pixels of its bottom row are not black, and the card does not keep them; "
                    "copied into the card's folder, a picture must be one the card holds as it is"),
                 {std::to_string(kUnstoredPixels)});
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
        // One more name for the photo, as a copy in any folder: removing
        // either name leaves the photo under the other.
        give_name(slot, picture.name, true);
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
    if (!picture.staged.resize(0) || !picture.staged.write_at(0, camera.data(), camera.size())) {
        return refuse(
            picture, -EIO,
            {ProblemKind::kCannotWrite, Hint::kNone, {.name = picture.name, .error = picture.staged.error()}, {}});
    }
    picture.size = camera.size();
    PutRequest request;
    request.files = {picture.staged.path()};
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
    give_name(slot, picture.name, false);
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
        case Node::kPng:
            // Views of the card: removing one never removes a photo.
            return read_only_ ? -EROFS : -EPERM;
        case Node::kNew:
            r.picture->done = true;
            pictures_.erase(r.picture->name);
            return 0;
        case Node::kBitmap:
            break;
    }
    if (read_only_) return -EROFS;
    const std::string name = path.substr(1);
    const std::vector<std::string> names = names_of(r.slot);
    // The slot's name of a photo listed under others is not one of its names.
    if (std::find(names.begin(), names.end(), name) == names.end()) return -ENOENT;
    if (names.size() > 1) {
        // Another name still shows the photo: only this name goes.
        take_name(name);
        changed_ = std::time(nullptr);
        return 0;
    }
    const auto end = catalog_.slots.begin() + catalog_.count;
    const uint32_t position =
        static_cast<uint32_t>(std::find(catalog_.slots.begin(), end, r.slot) - catalog_.slots.begin());
    const Outcome outcome = core_.delete_photos({position}, false);
    forget_slot(r.slot);
    const bool listed = refresh();
    if (!outcome.ok()) {
        log(name + ": " + describe(outcome.problem));
        return outcome.status == Outcome::Status::kCancelled ? -EINTR : -EIO;
    }
    return listed ? 0 : -EIO;
}

}  // namespace pixavon::host
