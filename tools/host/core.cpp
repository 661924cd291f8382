#include "core.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <new>
#include <set>
#include <system_error>

#include "card.h"
#include "core_internal.h"
#include "embedded_camera.h"
#include "i18n.h"
#include "os/os.h"
#include "read_ahead.h"
#include "restore_record.h"

namespace pixavon::host {
namespace {

using internal::encode_as;
using internal::exists;
using internal::format_of_name;

std::string base_name(const std::string& path) { return std::filesystem::path(path).filename().string(); }

const char* extension_of(OutputFormat format) {
    switch (format) {
        case OutputFormat::kPng:
            return "png";
        case OutputFormat::kJpeg:
            return "jpg";
        default:
            return "bmp";
    }
}

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

namespace internal {
namespace {

// How much a conversion gives way (a nice value added to the thread's).
constexpr int kConversionNiceness = 10;

// Runs `work` on a thread of its own at a lower priority and waits for it. A
// conversion then gives way to the photos being read ahead meanwhile, whose
// reads wait on the camera and need the processor only briefly, but on time.
template <typename Work>
auto at_lower_priority(Work work) -> decltype(work()) {
    std::future<decltype(work())> done;
    try {
        done = std::async(std::launch::async, [&work] {
            os::lower_thread_priority(kConversionNiceness);
            return work();
        });
    } catch (const std::system_error&) {
        return work();  // no thread to be had: here and now, then
    }
    return done.get();
}

}  // namespace

bool exists(const std::string& path) { return os::exists(path); }

std::optional<OutputFormat> format_of_name(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext.empty() || ext == ".bmp") return OutputFormat::kBmp;
    if (ext == ".png") return OutputFormat::kPng;
    if (ext == ".jpg" || ext == ".jpeg") return OutputFormat::kJpeg;
    return std::nullopt;
}

std::vector<uint8_t> encode_as(OutputFormat format, const std::vector<uint8_t>& bitmap) {
    switch (format) {
        case OutputFormat::kPng:
            return at_lower_priority([&] { return encode_png(decode_bmp(bitmap)); });
        case OutputFormat::kJpeg:
            return at_lower_priority([&] { return encode_jpeg(decode_bmp(bitmap), kJpegQuality); });
        default:
            return bitmap;
    }
}

}  // namespace internal

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
class Core::Window : public HostWindow {
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
          return session_->call([&] { return session_->lib().ReadGBA(address, buffer, length); });
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

void Core::say(Outcome& outcome, RecordKind kind, Facts facts) {
    outcome.done.push_back({kind, std::move(facts)});
    frontend_->note(outcome.done.back());
}

Outcome Core::prepare(const Target& target, const std::string& library_path) {
    return run([&](Outcome&) {
        // What runs of ours that were killed left in the temporary folder.
        remove_leftovers(os::temp_folder());
        if (!target.card_image.empty()) {
            if (target.create_mib == 0 && !exists(target.card_image)) {
                refuse(ProblemKind::kCardImageMissing, {.name = target.card_image}, Hint::kCardImageMissing);
            }
            std::string image = target.card_image;
            if (target.read_short_image) {
                image = padded_if_short(target.card_image, target.create_mib);
            } else if (const os::Status st = os::status(image);
                       st.kind == os::Kind::kFile && st.size != (8u << 20) && st.size != (16u << 20)) {
                refuse(ProblemKind::kCardImageWrongLength, {.bytes = st.size, .name = target.card_image},
                       st.size < (16u << 20) ? Hint::kTryRescue : Hint::kNone);
            }
            try {
                camera_ = std::make_unique<EmbeddedCamera>(image, target.create_mib);
            } catch (const CameraError& error) {
                switch (error.kind()) {
                    case CameraError::Kind::kBadImage:
                        refuse(ProblemKind::kCardImageUnusable, {.name = target.card_image, .detail = error.what()});
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
                fail(ProblemKind::kCameraNotStarted, {.name = target.card_image, .detail = error.what()});
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
            card_key_ = "image " + std::filesystem::canonical(target.card_image, ignored).string();
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
    std::string copy = padded_dir_.path() + "/card.bin";
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
    std::vector<uint8_t> small_end(kCatalogSize);
    std::vector<uint8_t> large_end(kCatalogSize);
    const auto read = [&](uint64_t card_bytes, std::vector<uint8_t>& into) {
        const auto address = static_cast<uint16_t>((card_bytes - kCatalogSize) / 256);
        return session_->call([&] { return session_->lib().ReadGBA(address, into.data(), kCatalogSize); });
    };
    if (!read(kSmall, small_end) || !read(2 * kSmall, large_end)) return 0;
    if (small_end != large_end) return 2 * kSmall;
    const bool alike = std::all_of(small_end.begin(), small_end.end(), [&](uint8_t b) { return b == small_end[0]; });
    return alike ? 0 : kSmall;
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

std::optional<Image> Core::read_photo(uint32_t position, Problem* why) {
    // Every change to the card goes through this core, which reloads the
    // catalog after it: the last one loaded is the card's.
    if (!loaded_) {
        const CardState state = inspect();
        if (!state.catalog_ok) {
            if (why != nullptr) *why = state.problem;
            return std::nullopt;
        }
    }
    if (!read_bitmap(position, *loaded_, why)) return std::nullopt;
    const std::shared_ptr<const Image> photo = kept_photo(position);
    if (!photo) return std::nullopt;
    return *photo;
}

Outcome Core::export_photos(const ExportRequest& request) {
    return run([&](Outcome& outcome) {
        const Catalog catalog = usable_catalog();
        std::vector<uint32_t> positions = request.positions;
        if (request.all) {
            if (!positions.empty()) refuse(ProblemKind::kPositionsAndAll);
            for (uint32_t i = 0; i < catalog.count; ++i) positions.push_back(i);
            if (positions.empty()) {
                say(outcome, RecordKind::kNothingToSave, {});
                return;
            }
        }
        if (positions.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        std::set<uint32_t> seen;
        for (const uint32_t position : positions) {
            if (position >= catalog.count) {
                refuse(ProblemKind::kPositionOutOfRange, {.position = position, .count = catalog.count});
            }
            if (!seen.insert(position).second) refuse(ProblemKind::kPositionTwice, {.position = position});
        }

        // Every name is settled, and known to be free, before any photo is read.
        const bool to_stdout = request.output == "-";
        const bool into_dir = !to_stdout && (request.all || (!request.output.empty() && os::is_folder(request.output)));
        if (to_stdout && positions.size() > 1) refuse(ProblemKind::kOutputTakesOne);
        if (!to_stdout && !into_dir && positions.size() > 1 && !request.output.empty()) {
            refuse(ProblemKind::kOutputNamesOneFile, {.name = request.output});
        }
        struct Plan {
            uint32_t position;
            std::string name;
            OutputFormat format;
        };
        std::vector<Plan> plans;
        for (const uint32_t position : positions) {
            Plan plan{position, {}, request.format};
            if (to_stdout) {
                plan.name = "-";
                if (plan.format == OutputFormat::kByName) plan.format = OutputFormat::kPng;
            } else if (!request.output.empty() && !into_dir) {
                plan.name = request.output;
                const std::optional<OutputFormat> by_name = format_of_name(plan.name);
                if (!by_name) refuse(ProblemKind::kUnknownFormat, {.name = plan.name});
                if (plan.format != OutputFormat::kByName && plan.format != *by_name) {
                    refuse(ProblemKind::kFormatMismatch, {.name = plan.name});
                }
                plan.format = *by_name;
            } else {
                if (plan.format == OutputFormat::kByName) plan.format = OutputFormat::kBmp;
                plan.name = "photo-" + std::to_string(position) + "." + extension_of(plan.format);
                if (!request.output.empty()) plan.name = request.output + "/" + plan.name;
            }
            if (!to_stdout && !request.replace && exists(plan.name)) {
                refuse(ProblemKind::kFileExists, {.name = plan.name}, Hint::kReplace);
            }
            plans.push_back(plan);
        }
        if (request.all && !request.output.empty() && !os::is_folder(request.output)) {
            std::error_code error;
            std::filesystem::create_directories(request.output, error);
            if (error) {
                fail(ProblemKind::kCannotMakeFolder, {.folder = request.output, .error = error.value()},
                     Hint::kCheckDisk);
            }
        }

        const ReadingAhead ahead = read_ahead(catalog, positions);
        for (size_t i = 0; i < plans.size(); ++i) {
            stop_if_cancelled();
            const Plan& plan = plans[i];
            const Step step{.kind = StepKind::kSavePhoto,
                            .name = to_stdout ? std::string() : plan.name,
                            .item = static_cast<uint32_t>(i + 1),
                            .items = static_cast<uint32_t>(plans.size())};
            const std::vector<uint8_t> bitmap = download(plan.position, catalog, step);
            // A photo read ahead may be whole before a Cancel made while it
            // was read is seen: nothing more is written after one.
            stop_if_cancelled();
            const std::vector<uint8_t> bytes = encode_as(plan.format, bitmap);
            if (to_stdout) {
                if (int error = 0; !os::write_standard_output(bytes.data(), bytes.size(), &error)) {
                    fail(ProblemKind::kCannotWriteOutput, {.error = error});
                }
                // Standard output carries the photo: nothing else is said there.
                outcome.done.push_back({RecordKind::kSavedToOutput, {.position = plan.position}});
                continue;
            }
            if (!write_file_durably(plan.name, bytes, request.replace)) {
                refuse(ProblemKind::kFileExists, {.name = plan.name}, Hint::kReplace);
            }
            say(outcome, RecordKind::kSaved, {.position = plan.position, .name = plan.name});
        }
    });
}

Outcome Core::put_pictures(const PutRequest& request) {
    return run([&](Outcome& outcome) {
        if (request.files.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        // Every file is read and converted before the card is touched, so a bad
        // file stops the whole batch with the card as it was.
        std::vector<std::vector<uint8_t>> bitmaps;
        for (const std::string& file : request.files) {
            try {
                const std::vector<uint8_t> bytes = read_file(file, kMaxPixels * 4 + 65536);
                try {
                    bitmaps.push_back(camera_bitmap_for(bytes, request.fit));
                } catch (const ImageError&) {
                    std::optional<Image> other = request.other_decoder ? request.other_decoder(bytes) : std::nullopt;
                    if (!other) throw;
                    bitmaps.push_back(encode_camera_bitmap(fit_to(*other, kPhotoWidth, kPhotoHeight, request.fit)));
                }
            } catch (const ImageError& error) {
                refuse(ProblemKind::kBadPicture, {.name = file, .detail = error.what()});
            }
        }

        Catalog catalog = usable_catalog();
        if (catalog.count >= catalog.capacity_code) {
            fail(ProblemKind::kCardFull, {.count = catalog.count, .other_count = catalog.capacity_code},
                 Hint::kDeleteSome);
        }
        if (bitmaps.size() > catalog.free_slots()) {
            fail(ProblemKind::kTooManyPictures,
                 {.count = static_cast<uint32_t>(bitmaps.size()), .other_count = catalog.free_slots()},
                 Hint::kDeleteSome);
        }

        for (size_t i = 0; i < bitmaps.size(); ++i) {
            stop_if_cancelled();
            const std::string& file = request.files[i];
            internal::TempFile staged(session_->temp_dir() + "/put.bmp");
            if (!write_file_durably(staged.path(), bitmaps[i], true)) {
                fail(ProblemKind::kCannotWrite, {.name = staged.path()}, Hint::kCheckDisk);
            }
            const uint32_t before = catalog.count;
            bool ok = false;
            {
                const Step shown{.kind = StepKind::kPut,
                                 .name = file,
                                 .item = static_cast<uint32_t>(i + 1),
                                 .items = static_cast<uint32_t>(bitmaps.size()),
                                 .units = kUploadSteps,
                                 .bytes = kSlotBytes + kCatalogSize};
                internal::StepScope step(*frontend_, shown);
                ok = session_->call([&] { return session_->lib().WriteFileToGBA(staged.path().c_str()); });
                if (ok) step.succeeded();
            }
            // The library needs the catalog reloaded after every change, failed ones too.
            catalog = usable_catalog();
            if (!ok || catalog.count != before + 1) fail(ProblemKind::kNotTaken, {.name = file}, Hint::kCheckCamera);
            say(outcome, RecordKind::kPut, {.position = before, .slot = catalog.slots[before], .name = file});
        }
    });
}

Outcome Core::delete_photos(std::vector<uint32_t> positions, bool ask_first) {
    return run([&](Outcome& outcome) {
        Catalog catalog = usable_catalog();
        if (positions.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        for (const uint32_t position : positions) {
            if (position >= catalog.count) {
                refuse(ProblemKind::kPositionOutOfRange, {.position = position, .count = catalog.count});
            }
        }
        // Highest first: deleting a photo moves every later one down a position.
        std::sort(positions.begin(), positions.end(), std::greater<>());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        if (ask_first) {
            ask({QuestionKind::kDelete,
                 {.count = static_cast<uint32_t>(positions.size()), .other_count = catalog.count}});
        }
        for (size_t i = 0; i < positions.size(); ++i) {
            stop_if_cancelled();
            const uint32_t position = positions[i];
            const uint32_t before = catalog.count;
            bool ok = false;
            {
                const Step shown{.kind = StepKind::kDelete,
                                 .position = position,
                                 .item = static_cast<uint32_t>(i + 1),
                                 .items = static_cast<uint32_t>(positions.size()),
                                 .units = kDeleteSteps,
                                 .bytes = kCatalogSize};
                internal::StepScope step(*frontend_, shown);
                ok = session_->call([&] { return session_->lib().DeletePhoto(static_cast<int32_t>(position)); });
                if (ok) step.succeeded();
            }
            catalog = usable_catalog();
            if (!ok || catalog.count + 1 != before) {
                fail(ProblemKind::kDeleteFailed, {.position = position}, Hint::kCheckCamera);
            }
            say(outcome, RecordKind::kDeleted, {.position = position});
        }
    });
}

Outcome Core::format_card() {
    return run([&](Outcome& outcome) {
        const CardState state = inspect();
        if (!state.connected || state.problem.kind == ProblemKind::kCatalogNoAnswer ||
            state.problem.kind == ProblemKind::kCatalogChanged) {
            fail(state.problem);
        }
        // Formatting writes an empty list at the card's end, with the layout
        // of the card's size: it must be known.
        uint64_t card_bytes = state.measured_bytes;
        if (card_bytes == 0 && state.catalog_loads) card_bytes = state.catalog.card_bytes();
        if (card_bytes == 0) fail(ProblemKind::kCardBlank, {}, Hint::kFormatInCamera);
        ask({QuestionKind::kFormat, {.count = state.catalog_loads ? state.catalog.count : 0}});
        const bool fits = state.catalog_loads && state.catalog.card_bytes() == card_bytes;
        bool ok = false;
        if (fits || teach_library_size(card_bytes)) {
            // The library's layout is the card's: from the list just loaded,
            // or taught, with nothing loaded since.
            ok = session_->call([&] { return session_->lib().FormatGBA(); });
        } else {
            // No camera of ours to teach the library: an empty list written
            // over the catalog's blocks, where flash can take it.
            internal::SessionCardAccess access(*session_);
            const std::optional<std::vector<uint8_t>> current = read_catalog_at_end(access, card_bytes);
            if (!current) fail(ProblemKind::kFormatFailed, {}, Hint::kCheckCamera);
            std::vector<uint8_t> empty = *current;
            const auto code = static_cast<uint8_t>(card_bytes == (16u << 20) ? kLargeCardCode : kSmallCardCode);
            BuildCatalog(code, nullptr, 0, empty.data());
            std::string error;
            ok = write_catalog_in_place(access, card_bytes, *current, empty, &error);
            if (!ok && error.empty()) fail(ProblemKind::kFormatFailed, {}, Hint::kFormatInCamera);
        }
        const CardState after = inspect();
        if (!ok || !after.catalog_ok || after.catalog.count != 0) {
            fail(ProblemKind::kFormatFailed, {}, Hint::kCheckCamera);
        }
        // An empty list matches whatever pictures the slots hold.
        clear_restore_note(card_key_);
        say(outcome, RecordKind::kFormatted, {.other_count = after.catalog.free_slots()});
    });
}

Outcome Core::backup(const std::string& file, bool replace) {
    return run([&](Outcome& outcome) {
        if (file.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        if (!replace && exists(file)) refuse(ProblemKind::kFileExists, {.name = file}, Hint::kReplace);
        const CardState state = inspect();
        // A list the card cannot hold is no reason not to save the card: that is
        // the moment to save it. Only its size must be known.
        if (!state.catalog_loads && state.problem.kind != ProblemKind::kCatalogDamaged) fail(state.problem);
        // The card's own size, whatever its list says.
        const uint64_t card_bytes = state.measured_bytes != 0 ? state.measured_bytes : state.card_bytes();
        if (card_bytes == 0) fail(ProblemKind::kBackupSizeUnknown, {}, Hint::kTryRescue);

        std::string dir = std::filesystem::path(file).parent_path().string();
        if (dir.empty()) dir = ".";
        int space_error = 0;
        const std::optional<uint64_t> space = os::free_space(dir, &space_error);
        if (!space) fail(ProblemKind::kCannotWrite, {.name = file, .error = space_error}, Hint::kCheckDisk);
        const uint64_t free_bytes = *space;
        if (free_bytes < card_bytes) {
            fail(ProblemKind::kNoSpace, {.bytes = card_bytes, .other_bytes = free_bytes, .folder = dir},
                 Hint::kCheckDisk);
        }
        remove_leftovers(dir);  // a backup a killed run of ours left
        // A failed write, a Cancel or a failure of the card leaves nothing.
        DurableFile copy(file);
        {
            const uint32_t chunks = static_cast<uint32_t>(card_bytes / kBackupChunk);
            const Step shown{.kind = StepKind::kBackup, .name = file, .units = chunks, .bytes = card_bytes};
            internal::StepScope step(*frontend_, shown);
            std::vector<uint8_t> chunk(kBackupChunk);
            for (uint32_t k = 0; k < chunks; ++k) {
                stop_if_cancelled();
                frontend_->advance();
                const auto address = static_cast<uint16_t>(k * (kBackupChunk / 256));
                if (!session_->call([&] { return session_->lib().ReadGBA(address, chunk.data(), kBackupChunk); })) {
                    fail(ProblemKind::kCardReadFailed, {.bytes = uint64_t{k} * kBackupChunk}, Hint::kCheckCamera);
                }
                copy.write(chunk.data(), chunk.size());
            }
            step.succeeded();
        }
        if (!copy.commit(replace)) refuse(ProblemKind::kFileExists, {.name = file}, Hint::kReplace);
        say(outcome, RecordKind::kBackedUp,
            {.count = state.catalog_loads ? state.catalog.count : 0, .bytes = card_bytes, .name = file});
    });
}

Outcome Core::restore(const std::string& file) {
    return run([&](Outcome& outcome) {
        if (file.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        const CardState state = inspect();
        // The library restores with the layout of the list it loaded.
        if (!state.catalog_loads || state.problem.kind == ProblemKind::kListWrongSize) fail(state.problem);
        const uint32_t capacity = state.catalog.capacity_code;
        const uint64_t card_bytes = state.card_bytes();
        const BackupCheck check = check_backup(file, capacity);
        switch (check.verdict) {
            case BackupCheck::Verdict::kOk:
                break;
            case BackupCheck::Verdict::kCannotOpen:
                refuse(ProblemKind::kCannotRead, {.name = file, .error = check.error});
            case BackupCheck::Verdict::kNotFile:
                refuse(ProblemKind::kNotAFile, {.name = file});
            case BackupCheck::Verdict::kWrongSize:
                refuse(ProblemKind::kBackupWrongSize, {.bytes = check.size, .other_bytes = card_bytes, .name = file});
            case BackupCheck::Verdict::kUnreadable:
                refuse(ProblemKind::kCannotRead, {.name = file});
            case BackupCheck::Verdict::kNoCatalog:
                refuse(ProblemKind::kNotABackup, {.name = file});
        }
        ask({QuestionKind::kRestore, {.count = state.catalog.count, .other_count = check.photos, .name = file}});
        stop_if_cancelled();
        // A restore cannot stop half-way without leaving the old list over new
        // pictures; if this process is ended anyway, the note tells the next one.
        std::error_code ignored;
        const std::string absolute = std::filesystem::absolute(file, ignored).string();
        try {
            note_restore_started(card_key_, absolute.empty() ? file : absolute);
        } catch (const std::exception& error) {
            fail(ProblemKind::kRestoreNotNoted, {.detail = error.what()}, Hint::kCheckDisk);
        }
        forget_photos();  // whatever the restore leaves in the slots
        bool ok = false;
        {
            const Step shown{
                .kind = StepKind::kRestore, .name = file, .units = card_bytes / kRestoreBlock, .bytes = card_bytes};
            internal::StepScope step(*frontend_, shown);
            ok = session_->call([&] { return session_->lib().WriteAll(file.c_str()); });
            if (ok) step.succeeded();
        }
        if (!ok) fail(ProblemKind::kRestoreFailed, {.name = file, .card_image = card_image_}, Hint::kRestoreAgain);
        clear_restore_note(card_key_);
        const CardState after = inspect();
        say(outcome, RecordKind::kRestored, {.count = after.catalog.count, .name = file});
    });
}

std::optional<std::vector<uint8_t>> Core::read_bitmap(uint32_t position, const Catalog& catalog, Problem* why) {
    std::optional<std::vector<uint8_t>> bitmap;
    const Outcome outcome = run([&](Outcome&) {
        if (position >= catalog.count) fail(ProblemKind::kPhotoNotOnCard, {.position = position});
        const Step step{.kind = StepKind::kReadPhoto};
        bitmap = download(position, catalog, step);
    });
    if (!outcome.ok() && why != nullptr) *why = outcome.problem;
    return outcome.ok() ? bitmap : std::nullopt;
}

}  // namespace pixavon::host
