// The host core's set-up and inspection: opening a card (a card image or the
// attached camera), loading and judging its catalog, measuring the card, and
// how each workflow is run to an Outcome. The workflows themselves have a
// file each: export.cpp, put.cpp, delete.cpp, backup.cpp, import.cpp,
// rescue.cpp; photos.cpp reads photos for them and for a window.
#include "core.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "core_internal.h"
#include "embedded_camera.h"
#include "i18n.h"
#include "os/os.h"
#include "read_ahead.h"
#include "restore_record.h"
#include "utf8_path.h"

namespace pixavon::host {
namespace {

using internal::exists;

std::string base_name(const std::string& path) { return utf8_of(fs_path(path).filename()); }

Problem list_problem(const Catalog& catalog) {
    const CatalogCheck& check = catalog.check;
    switch (check.fault) {
        case CatalogFault::None:
            return {};
        case CatalogFault::TooManyPhotos:
            return {ProblemKind::kListTooLong, Hint::kTryRescue, {.count = check.count, .other_count = check.capacity}};
        case CatalogFault::SlotOutOfRange:
            return {ProblemKind::kListSlotOutOfRange,
                    Hint::kTryRescue,
                    {.position = check.position, .slot = check.slot, .other_count = check.capacity}};
        case CatalogFault::SlotTwice:
            return {ProblemKind::kListSlotTwice,
                    Hint::kTryRescue,
                    {.position = check.position, .other_position = check.other_position, .slot = check.slot}};
    }
    return {};
}

}  // namespace

int Outcome::exit_code(int signal) const {
    switch (status) {
        case Status::kDone:
            return 0;
        case Status::kRefused:
            return 2;
        case Status::kFailed:
            return 1;
        case Status::kCancelled:
            return 128 + (signal > 0 ? signal : 2);
    }
    return 1;
}

// What the library shows during a call, passed on to the front end.
class Core::Window final : public HostWindow {
public:
    explicit Window(Core& core) : core_(core) {}
    void on_progress() override { core_.frontend_->advance(); }
    void on_box(bool owned, const std::string& caption, const std::string& text) override {
        if (!core_.boxes_held_) core_.frontend_->box(owned, caption, text);
    }

private:
    Core& core_;
};

namespace {

// Stands in until a front end is set: says yes to nothing, shows nothing.
class QuietFrontend : public Frontend {
public:
    Answer confirm(const Question&) override { return Answer::kCannotAsk; }
    void begin(const Step&) override {}
    void advance() override {}
    void end(bool) override {}
    void box(bool, const std::string&, const std::string&) override {}
    void note(const Record&) override {}
    void warn(const Warning&) override {}
};
QuietFrontend g_quiet;

}  // namespace

Core::Core(CancelToken& cancel)
    : cancel_(cancel),
      frontend_(&g_quiet),
      window_(std::make_unique<Window>(*this)),
      reader_([this](uint16_t address, uint8_t* buffer, uint32_t length) {
          return session_->read(address, buffer, length);
      }) {}

Core::~Core() { finish(); }

void Core::refuse(ProblemKind kind, Facts facts, Hint hint) {
    throw Stop{Outcome::Status::kRefused, {kind, hint, std::move(facts)}};
}
void Core::fail(ProblemKind kind, Facts facts, Hint hint) {
    throw Stop{Outcome::Status::kFailed, {kind, hint, std::move(facts)}};
}
void Core::fail(const Problem& problem) { throw Stop{Outcome::Status::kFailed, problem}; }

void Core::stop_if_cancelled() {
    if (cancel_.requested()) throw Stop{Outcome::Status::kCancelled, {ProblemKind::kCancelled, Hint::kNone, {}}};
}

void Core::ask(const Question& question) {
    switch (frontend_->confirm(question)) {
        case Frontend::Answer::kYes:
            return;
        case Frontend::Answer::kNo:
            fail(ProblemKind::kNotConfirmed);
        case Frontend::Answer::kCannotAsk:
            throw Stop{Outcome::Status::kRefused,
                       {ProblemKind::kNotConfirmed, Hint::kConfirm, question.facts, question}};
    }
}

Outcome Core::confirm(const Question& question) {
    return run([&](Outcome&) { ask(question); });
}

void Core::say(Outcome& outcome, RecordKind kind, Facts facts) {
    outcome.done.push_back({kind, std::move(facts)});
    frontend_->note(outcome.done.back());
}

Outcome Core::prepare(const Target& target, const std::string& library_path) {
    return run([&](Outcome&) {
        // What runs of ours that were killed left in the temporary folder.
        remove_leftovers(os::temp_folder());
        if (!target.card_image.empty()) {
            // A pipe, a device or a folder is no card image, whatever it reads as.
            if (const os::Status st = os::status(target.card_image);
                st.kind == os::Kind::kFolder || st.kind == os::Kind::kOther) {
                refuse(ProblemKind::kCardImageNotAFile, {.name = target.card_image});
            }
            if (target.create_mib == 0 && !exists(target.card_image)) {
                refuse(ProblemKind::kCardImageMissing, {.name = target.card_image}, Hint::kCardImageMissing);
            }
            // A fresh card is made only where it fits whole, as a backup is.
            if (target.create_mib != 0 && !exists(target.card_image)) {
                const uint64_t card_bytes = static_cast<uint64_t>(target.create_mib) << 20;
                const std::string parent = utf8_of(fs_path(target.card_image).parent_path());
                int ignored = 0;
                const std::optional<uint64_t> space = os::free_space(parent.empty() ? "." : parent, &ignored);
                if (space && *space < card_bytes) {
                    fail(ProblemKind::kNoSpaceForCard, {.bytes = card_bytes, .name = target.card_image},
                         Hint::kCheckDisk);
                }
            }
            std::string image = target.card_image;
            if (target.read_short_image) {
                image = padded_if_short(target.card_image, target.create_mib);
            } else if (const os::Status st = os::status(image);
                       st.kind == os::Kind::kFile && st.size != (8u << 20) && st.size != (16u << 20)) {
                // A file shorter than one photo holds none to rescue.
                const bool rescuable = st.size >= kSlotBytes && st.size < (16u << 20);
                refuse(ProblemKind::kCardImageWrongLength, {.bytes = st.size, .name = target.card_image},
                       rescuable ? Hint::kTryRescue : Hint::kNone);
            }
            try {
                camera_ = std::make_unique<EmbeddedCamera>(image, target.create_mib, target.read_only);
            } catch (const CameraError& error) {
                switch (error.kind()) {
                    case CameraError::Kind::kBadImage:
                        // Why, in the person's words: the system's reason, or
                        // that its bytes are no card's.
                        refuse(ProblemKind::kCardImageUnusable,
                               {.name = target.card_image,
                                .detail = error.error() != 0 ? std::string() : tr("it is not a card image"),
                                .error = error.error()});
                    case CameraError::Kind::kBusy: {
                        const long holder = os::lock_holder(target.card_image);
                        fail(ProblemKind::kCardImageInUse,
                             {.count = holder > 0 ? static_cast<uint32_t>(holder) : 0, .name = target.card_image});
                    }
                    case CameraError::Kind::kNoSpace:
                        fail(ProblemKind::kNoSpaceForCard,
                             {.bytes = static_cast<uint64_t>(target.create_mib) << 20, .name = target.card_image},
                             Hint::kCheckDisk);
                    case CameraError::Kind::kUnavailable:
                        break;
                }
                fail(ProblemKind::kCameraNotStarted, {.name = target.card_image, .error = error.error()});
            }
            if (camera_->created()) {
                frontend_->warn({WarningKind::kCardCreated,
                                 Hint::kNone,
                                 {.bytes = camera_->card_size(), .name = target.card_image}});
            } else if (target.create_mib != 0 &&
                       camera_->card_size() != (static_cast<uint64_t>(target.create_mib) << 20)) {
                frontend_->warn({WarningKind::kSizeIgnored,
                                 Hint::kNone,
                                 {.bytes = camera_->card_size(), .name = target.card_image}});
            }
            // Before the library looks for a camera, and before other threads start.
            os::use_device_folder(camera_->device_dir());
            card_name_ = base_name(target.card_image);
            card_image_ = target.card_image;
            std::error_code ignored;
            card_key_ = "image " + utf8_of(std::filesystem::canonical(fs_path(target.card_image), ignored));
        } else {
            const std::string dir = device_dir_in_use();
            // One host at a time on the attached camera: the device directory is
            // locked for as long as this host works with it.
            if (long holder = 0; !device_dir_lock_.take(dir, &holder)) {
                fail(ProblemKind::kCameraInUse,
                     {.count = holder > 0 ? static_cast<uint32_t>(holder) : 0, .folder = dir});
            }
            device_dir_ = dir;
            card_name_ = "camera";
            card_key_ = "camera " + dir;
        }
        try {
            library_ = library_path.empty() ? std::make_unique<Library>() : std::make_unique<Library>(library_path);
        } catch (const LibraryError& error) {
            fail(ProblemKind::kLibraryMissing, {.detail = error.what()});
        }
        session_ = std::make_unique<Session>(*library_, *window_);
        warn_if_restore_interrupted();
    });
}

std::string Core::padded_if_short(const std::string& image, int create_mib) {
    const os::Status st = os::status(image);
    if (st.kind != os::Kind::kFile) return image;
    const uint64_t size = st.size;
    constexpr uint64_t kSmall = 8u << 20;
    constexpr uint64_t kLarge = 16u << 20;
    if (size == kSmall || size == kLarge) return image;
    // A length that is not a card's proves no size: an image cut short is
    // read only as the card the person names, and one longer than an 8 MiB
    // card is no 8 MiB card.
    const uint64_t named = static_cast<uint64_t>(create_mib) << 20;
    // Shorter than one photo: no picture is whole in it, and its bytes are
    // none of a picture's that can be told.
    if (size < kSlotBytes) refuse(ProblemKind::kCardImageWrongLength, {.bytes = size, .name = image});
    if (size > kLarge || named == 0 || named < size) {
        refuse(ProblemKind::kCardImageWrongLength, {.bytes = size, .name = image},
               size > kLarge ? Hint::kNone : Hint::kNeedsSize);
    }
    std::vector<uint8_t> bytes = read_file(image, kLarge);
    bytes.resize(named, 0xFF);
    try {
        padded_dir_ = PrivateDir(os::temp_folder(), "pixavon");
    } catch (const std::runtime_error& error) {
        fail(ProblemKind::kCannotMakeFolder, {.folder = os::temp_folder(), .detail = error.what()}, Hint::kCheckDisk);
    }
    std::string copy = os::join(padded_dir_.path(), "card.bin");
    write_file_durably(copy, bytes, true);
    frontend_->warn({WarningKind::kShortImage, Hint::kNone, {.bytes = size, .name = image}});
    return copy;
}

void Core::warn_if_restore_interrupted() {
    const std::optional<RestoreRecord> record = interrupted_restore(card_key_);
    if (!record) return;
    frontend_->warn({WarningKind::kRestoreInterrupted,
                     Hint::kRestoreAgain,
                     {.name = record->image, .card_image = card_image_, .when = record->started}});
}

std::string Core::description() const {
    if (!card_image_.empty()) return fill(tr("embedded camera, card image '{1}'"), {display_name(card_image_)});
    if (device_dir_.empty()) return tr("the camera attached to this computer");
    return fill(tr("camera in {1}"), {display_name(device_dir_)});
}

bool Core::open_camera() {
    if (session_ == nullptr) return false;
    if (session_->is_open()) return true;
    // Another card may be in the camera now.
    forget_photos();
    if (!device_dir_.empty() && !device_dir_lock_.held()) {
        // Taken again after close_camera(), unless another program has it now.
        if (!device_dir_lock_.take(device_dir_, nullptr)) return false;
    }
    if (session_->open()) return true;
    close_camera();
    return false;
}

void Core::close_camera() {
    if (session_ == nullptr) return;
    stop_read_ahead();
    loaded_.reset();
    queue_.clear();
    reader_.forget();
    forget_photos();
    session_->close();
    if (!device_dir_.empty()) device_dir_lock_.release();
}

Outcome Core::finish() {
    return run([&](Outcome&) {
        if (finished_) return;
        finished_ = true;
        stop_read_ahead();
        if (session_) session_->close();
        session_.reset();
        const bool saved = !camera_ || camera_->stop();
        camera_.reset();  // unlocks the card image
        padded_dir_ = PrivateDir();
        device_dir_lock_.release();
        if (!saved) fail(ProblemKind::kCardImageNotSaved, {.name = card_image_}, Hint::kCheckDisk);
    });
}

CardState Core::inspect() {
    stop_read_ahead();
    loaded_.reset();
    queue_.clear();
    reader_.forget();
    CardState state;
    state.connected = camera_open();
    if (!state.connected) {
        state.problem = {ProblemKind::kNoCamera, Hint::kConnectCamera, {.folder = device_dir_in_use()}};
        forget_photos();
        return state;
    }
    state.measured_bytes = measure_card();
    try {
        state.catalog = session_->reload();
    } catch (const CatalogError& error) {
        switch (error.kind()) {
            case CatalogError::Kind::kNoAnswer:
                state.problem = {ProblemKind::kCatalogNoAnswer, Hint::kCheckCamera, {}};
                break;
            case CatalogError::Kind::kChanged:
                state.problem = {ProblemKind::kCatalogChanged, Hint::kTryAgain, {}};
                break;
            case CatalogError::Kind::kDamaged:
                state.problem = {ProblemKind::kCatalogDamaged, Hint::kTryRescue, {}};
                // A change cut short leaves the list erased and every picture in place.
                if (state.measured_bytes != 0 && list_erased(state.measured_bytes)) {
                    state.problem = {
                        ProblemKind::kCatalogErased,
                        Hint::kTryRescue,
                        {.count = pictures_at_slot_starts(state.measured_bytes), .bytes = state.measured_bytes}};
                }
                break;
        }
        forget_photos();
        return state;
    }
    state.catalog_loads = true;
    state.problem = list_problem(state.catalog);
    // The library would write with the layout of the size its list gives.
    if (state.measured_bytes != 0 && state.catalog.card_bytes() != state.measured_bytes) {
        state.problem = {ProblemKind::kListWrongSize,
                         Hint::kTryRescue,
                         {.bytes = state.measured_bytes, .other_bytes = state.catalog.card_bytes()}};
    }
    state.catalog_ok = state.problem.kind == ProblemKind::kNone;
    if (state.catalog_ok) loaded_ = state.catalog;
    keep_only_listed(state);
    return state;
}

uint64_t Core::measure_card() {
    if (camera_) return camera_->card_size();
    constexpr uint64_t kSmall = 8u << 20;
    constexpr uint32_t kEnd = 8192;
    constexpr uint32_t kSlotStart = 32768;  // a picture's top 25 rows
    std::vector<uint8_t> low(kEnd);
    std::vector<uint8_t> high(kEnd);
    const auto read = [&](uint64_t at, std::vector<uint8_t>& into) {
        const auto address = static_cast<uint16_t>(at / 256);
        return session_->read(address, into.data(), static_cast<uint32_t>(into.size()));
    };
    const auto alike = [](const std::vector<uint8_t>& bytes) {
        return std::all_of(bytes.begin(), bytes.end(), [&](uint8_t b) { return b == bytes[0]; });
    };
    // The 8 KiB before each of the two possible ends.
    if (!read(kSmall - kEnd, low) || !read(2 * kSmall - kEnd, high)) return 0;
    if (low != high) return 2 * kSmall;
    if (!alike(low)) return kSmall;
    low.resize(kSlotStart);
    high.resize(kSlotStart);
    // Both alike (an erased list): the starts of the slots that hold a
    // picture, which an 8 MiB card answers again 8 MiB further on and a 16 MiB
    // card answers from the middle of another slot.
    uint32_t same = 0;
    for (uint32_t slot = 0; slot < kSmallCardCode && same < 3; ++slot) {
        const uint64_t at = uint64_t{slot} * kSlotBytes;
        if (!read(at, low)) return 0;
        if (alike(low)) continue;
        if (!read(at + kSmall, high)) return 0;
        if (low != high) return 2 * kSmall;
        ++same;
    }
    return same > 0 ? kSmall : 0;
}

uint32_t Core::pictures_at_slot_starts(uint64_t card_bytes) {
    const uint32_t slots = card_bytes == (16u << 20) ? kLargeCardCode : kSmallCardCode;
    std::vector<uint8_t> block(512);
    uint32_t pictures = 0;
    for (uint32_t slot = 0; slot < slots; ++slot) {
        const auto address = static_cast<uint16_t>(uint64_t{slot} * kSlotBytes / 256);
        if (!session_->read(address, block.data(), 512)) return pictures;
        if (std::any_of(block.begin(), block.end(), [](uint8_t b) { return b != 0xFF; })) ++pictures;
    }
    return pictures;
}

bool Core::list_erased(uint64_t card_bytes) {
    std::vector<uint8_t> list(kCatalogSize);
    const auto address = static_cast<uint16_t>((card_bytes - kCatalogSize) / 256);
    return session_->read(address, list.data(), kCatalogSize) &&
           std::all_of(list.begin(), list.end(), [](uint8_t b) { return b == 0xFF; });
}

bool Core::raw_read(uint16_t address, std::vector<uint8_t>& into) {
    stop_read_ahead();
    return session_->read(address, into.data(), static_cast<uint32_t>(into.size()));
}

bool Core::raw_write(uint16_t block, const std::vector<uint8_t>& data) {
    forget_photos();
    return session_->write(block, data.data(), static_cast<uint32_t>(data.size()));
}

bool Core::teach_library_size(uint64_t card_bytes) {
    if (!camera_) return false;
    const uint16_t code = card_bytes == (16u << 20) ? kLargeCardCode : kSmallCardCode;
    session_->close();
    bool taught = false;
    try {
        camera_->begin_primer(card_bytes);
        if (session_->open()) {
            session_->lib().GetPhotoCount();
            taught = session_->lib().GetCardMemory() == code;
        }
        session_->close();
        camera_->end_primer();
    } catch (const CameraError&) {
        taught = false;
    }
    // The layout stays until the next catalog that passes the library's
    // checks is loaded: nothing loads the card's own before the change.
    return session_->open() && taught && session_->lib().GetCardMemory() == code;
}

Catalog Core::usable_catalog() {
    CardState state = inspect();
    if (!state.catalog_ok) fail(state.problem);
    return std::move(state.catalog);
}

}  // namespace pixavon::host
