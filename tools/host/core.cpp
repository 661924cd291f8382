#include "core.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <set>

#include "card.h"
#include "core_internal.h"
#include "embedded_camera.h"
#include "restore_record.h"

namespace pixavon::host {
namespace {

using internal::encode_as;
using internal::exists;
using internal::format_of_name;

std::string base_name(const std::string& path) { return std::filesystem::path(path).filename().string(); }

bool is_directory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

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

// Writes all of `bytes` to `fd`; false with errno set on failure.
bool write_all(int fd, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string list_problem(const Catalog& catalog) {
    const CatalogCheck& check = catalog.check;
    const std::string damaged = "the card's catalog is damaged: ";
    switch (check.fault) {
        case CatalogFault::None:
            return {};
        case CatalogFault::TooManyPhotos:
            return damaged + "it lists " + photo_count(check.count) + ", but the card holds at most " +
                   std::to_string(check.capacity);
        case CatalogFault::SlotOutOfRange:
            return damaged + "photo " + std::to_string(check.position) + " names slot " + std::to_string(check.slot) +
                   ", but the card's slots are 0 to " + std::to_string(check.capacity - 1);
        case CatalogFault::SlotTwice:
            return damaged + "photos " + std::to_string(check.other_position) + " and " +
                   std::to_string(check.position) + " both name slot " + std::to_string(check.slot);
    }
    return {};
}

}  // namespace

namespace internal {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

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
            return encode_png(decode_bmp(bitmap));
        case OutputFormat::kJpeg:
            return encode_jpeg(decode_bmp(bitmap), kJpegQuality);
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
        core_.frontend_->box(owned, caption, text);
    }

private:
    Core& core_;
};

namespace {

// Stands in until a front end is set: says yes to nothing, shows nothing.
class QuietFrontend : public Frontend {
public:
    Answer confirm(const std::string&) override { return Answer::kCannotAsk; }
    void begin(const Step&) override {}
    void advance() override {}
    void end(bool) override {}
    void box(bool, const std::string&, const std::string&) override {}
    void note(const std::string&) override {}
    void warn(const std::string&) override {}
};
QuietFrontend g_quiet;

}  // namespace

Core::Core(CancelToken& cancel) : cancel_(cancel), frontend_(&g_quiet), window_(std::make_unique<Window>(*this)) {}

Core::~Core() { finish(); }

void Core::refuse(const std::string& message) { throw Stop{Outcome::Status::kRefused, message}; }
void Core::fail(const std::string& message) { throw Stop{Outcome::Status::kFailed, message}; }

void Core::stop_if_cancelled() {
    if (cancel_.requested()) {
        throw Stop{Outcome::Status::kCancelled,
                   "stopped; every step that finished is complete on the card and on disk"};
    }
}

void Core::ask(const std::string& question) {
    switch (frontend_->confirm(question)) {
        case Frontend::Answer::kYes:
            return;
        case Frontend::Answer::kNo:
            fail("not confirmed; nothing was changed");
        case Frontend::Answer::kCannotAsk:
            refuse(question + "; add --yes to confirm when not asked on a terminal");
    }
}

void Core::say(Outcome& outcome, const std::string& line) {
    outcome.done.push_back(line);
    frontend_->note(line);
}

Outcome Core::prepare(const Target& target, const std::string& library_path) {
    return run([&](Outcome&) {
        // What runs of ours that were killed left in the temporary folder.
        remove_leftovers(temp_base());
        if (!target.card_image.empty()) {
            if (target.create_mib == 0 && !exists(target.card_image)) {
                refuse(quoted_name(target.card_image) +
                       " does not exist (add --size 8 or --size 16 to create a fresh card)");
            }
            std::string image = target.card_image;
            if (target.read_short_image) image = padded_if_short(target.card_image, target.create_mib);
            try {
                camera_ = std::make_unique<EmbeddedCamera>(image, target.create_mib);
            } catch (const CameraError& error) {
                if (error.kind() == CameraError::Kind::kBadImage) refuse(error.what());
                fail(error.what());
            }
            if (camera_->created()) {
                frontend_->warn("created a fresh " + std::to_string(camera_->card_size() >> 20) + " MiB card in " +
                                printable(target.card_image));
            } else if (target.create_mib != 0 &&
                       camera_->card_size() != (static_cast<uint64_t>(target.create_mib) << 20)) {
                frontend_->warn(printable(target.card_image) + " holds a " +
                                std::to_string(camera_->card_size() >> 20) +
                                " MiB card; --size only applies to a new card");
            }
            // Before the library looks for a camera, and before other threads start.
            ::setenv("PIXAVON_DEVICE_DIR", camera_->device_dir().c_str(), 1);
            description_ = "embedded camera, card image " + target.card_image;
            card_image_ = target.card_image;
            card_name_ = base_name(target.card_image);
            std::error_code ignored;
            card_key_ = "image " + std::filesystem::canonical(target.card_image, ignored).string();
        } else {
            const std::string dir = device_dir_in_use();
            // One host at a time on the attached camera: the device directory is
            // locked for as long as this host works with it.
            device_dir_lock_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (device_dir_lock_ >= 0 && ::flock(device_dir_lock_, LOCK_EX | LOCK_NB) != 0) {
                const long holder = emu::flock_holder(device_dir_lock_);
                ::close(device_dir_lock_);
                device_dir_lock_ = -1;
                fail("the camera in " + printable(dir) + " is in use by " +
                     (holder > 0 ? "process " + std::to_string(holder) : std::string("another process")));
            }
            description_ = "camera in " + dir;
            card_name_ = "camera";
            card_key_ = "camera " + dir;
        }
        try {
            library_ = library_path.empty() ? std::make_unique<Library>() : std::make_unique<Library>(library_path);
        } catch (const LibraryError& error) {
            fail(error.what());
        }
        session_ = std::make_unique<Session>(*library_, *window_);
        warn_if_restore_interrupted();
    });
}

std::string Core::padded_if_short(const std::string& image, int create_mib) {
    struct stat st {};
    if (::stat(image.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return image;
    const auto size = static_cast<uint64_t>(st.st_size);
    constexpr uint64_t kSmall = 8u << 20;
    constexpr uint64_t kLarge = 16u << 20;
    if (size == kSmall || size >= kLarge) return image;
    std::vector<uint8_t> bytes = read_file(image, kLarge);
    bytes.resize(size > kSmall || create_mib == 16 ? kLarge : kSmall, 0xFF);
    try {
        padded_dir_ = PrivateDir(temp_base(), "pixavon");
    } catch (const std::runtime_error& error) {
        fail(std::string("cannot make a temporary directory: ") + error.what());
    }
    std::string copy = padded_dir_.path() + "/card.bin";
    write_file_atomically(copy, bytes, true);
    frontend_->warn(printable(image) + " holds only " + std::to_string(size) +
                    " bytes: the rest of the card is read as erased");
    return copy;
}

void Core::warn_if_restore_interrupted() {
    const std::optional<RestoreRecord> record = interrupted_restore(card_key_);
    if (!record) return;
    frontend_->warn("the last restore of " + printable(record->image) + " onto this card (started " + record->started +
                    ") was interrupted: the card's pictures may not match its list. Run the restore of that file "
                    "again to finish it ('pixavon " +
                    (card_image_.empty() ? std::string() : "--card " + printable(card_image_) + " ") + "restore " +
                    printable(record->image) + "').");
}

bool Core::open_camera() { return session_ != nullptr && (session_->is_open() || session_->open()); }

Outcome Core::finish() {
    return run([&](Outcome&) {
        if (finished_) return;
        finished_ = true;
        if (session_) session_->close();
        session_.reset();
        const bool saved = !camera_ || camera_->stop();
        camera_.reset();  // unlocks the card image
        padded_dir_ = PrivateDir();
        if (device_dir_lock_ >= 0) ::close(device_dir_lock_);
        device_dir_lock_ = -1;
        if (!saved) fail("the card image could not be saved to disk; check the disk and its free space");
    });
}

CardState Core::inspect() {
    loaded_.reset();
    CardState state;
    state.connected = camera_open();
    if (!state.connected) {
        state.problem = "no camera found in " + printable(device_dir_in_use()) +
                        "; connect the camera, or work on a card image with --card IMAGE";
        return state;
    }
    try {
        state.catalog = session_->reload();
    } catch (const CatalogError& error) {
        switch (error.kind()) {
            case CatalogError::Kind::kNoAnswer:
                state.problem =
                    "the camera did not answer while its catalog was read; check the connection and try again";
                break;
            case CatalogError::Kind::kChanged:
                state.problem = "the catalog changed while it was read; try again";
                break;
            case CatalogError::Kind::kDamaged:
                state.problem =
                    "the card's catalog is damaged, so its photos and its size cannot be known and the library can "
                    "neither format nor restore it; for an emulated card, copy a backup file over the card image";
                break;
        }
        return state;
    }
    state.catalog_loads = true;
    state.problem = list_problem(state.catalog);
    state.catalog_ok = state.problem.empty();
    if (state.catalog_ok) loaded_ = state.catalog;
    return state;
}

Catalog Core::usable_catalog() {
    CardState state = inspect();
    if (!state.catalog_ok) fail(state.problem);
    return std::move(state.catalog);
}

std::vector<uint8_t> Core::download(uint32_t position, const Catalog& catalog, uint32_t item, uint32_t items) {
    std::vector<uint8_t> bitmap;
    internal::StepScope step(*frontend_, {kTextReadCard, text(kTextReadCard), "photo " + std::to_string(position), item,
                                          items, kDownloadSteps, kSlotBytes});
    try {
        bitmap = session_->download(static_cast<int32_t>(position));
    } catch (const SessionError& error) {
        fail(error.what());
    }
    if (bitmap.empty()) {
        fail("photo " + std::to_string(position) + " (slot " + std::to_string(catalog.slots[position]) +
             ") could not be read from the card; check the camera and try again");
    }
    step.succeeded();
    return bitmap;
}

std::optional<Image> Core::read_photo(uint32_t position, std::string* why) {
    // Every change to the card goes through this core, which reloads the
    // catalog after it: the last one loaded is the card's.
    if (!loaded_) {
        const CardState state = inspect();
        if (!state.catalog_ok) {
            if (why != nullptr) *why = state.problem;
            return std::nullopt;
        }
    }
    const std::optional<std::vector<uint8_t>> bitmap = read_bitmap(position, *loaded_, why);
    if (!bitmap) return std::nullopt;
    return decode_bmp(*bitmap);
}

Outcome Core::export_photos(const ExportRequest& request) {
    return run([&](Outcome& outcome) {
        const Catalog catalog = usable_catalog();
        std::vector<uint32_t> positions = request.positions;
        if (request.all) {
            if (!positions.empty()) refuse("give positions or --all, not both");
            for (uint32_t i = 0; i < catalog.count; ++i) positions.push_back(i);
            if (positions.empty()) {
                say(outcome, "the card holds no photos; nothing to save");
                return;
            }
        }
        if (positions.empty()) refuse("say which photos to save");
        std::set<uint32_t> seen;
        for (const uint32_t position : positions) {
            if (position >= catalog.count) {
                refuse("position " + std::to_string(position) + " is out of range: " +
                       (catalog.count == 0 ? std::string("the card holds no photos")
                                           : "the card holds " + photo_count(catalog.count) + ", positions 0 to " +
                                                 std::to_string(catalog.count - 1)));
            }
            if (!seen.insert(position).second) refuse("position " + std::to_string(position) + " is given twice");
        }

        // Every name is settled, and known to be free, before any photo is read.
        const bool to_stdout = request.output == "-";
        const bool into_dir = !to_stdout && (request.all || (!request.output.empty() && is_directory(request.output)));
        if (to_stdout && positions.size() > 1) refuse("standard output takes one photo; give a folder for several");
        if (!to_stdout && !into_dir && positions.size() > 1 && !request.output.empty()) {
            refuse("-o names one file; to save several photos, give a folder that exists");
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
                if (!by_name) {
                    refuse("cannot tell the format of " + quoted_name(plan.name) +
                           " from its name: end it in .png (PNG), .jpg or .jpeg (JPEG), or .bmp (the camera's bitmap)");
                }
                if (plan.format != OutputFormat::kByName && plan.format != *by_name) {
                    refuse("the name " + quoted_name(plan.name) + " and --format ask for different formats");
                }
                plan.format = *by_name;
            } else {
                if (plan.format == OutputFormat::kByName) plan.format = OutputFormat::kBmp;
                plan.name = "photo-" + std::to_string(position) + "." + extension_of(plan.format);
                if (!request.output.empty()) plan.name = request.output + "/" + plan.name;
            }
            if (!to_stdout && !request.replace && exists(plan.name)) {
                refuse(quoted_name(plan.name) + " already exists; choose another name or add --force to replace it");
            }
            plans.push_back(plan);
        }
        if (request.all && !request.output.empty() && !is_directory(request.output)) {
            std::error_code error;
            std::filesystem::create_directories(request.output, error);
            if (error) fail("cannot make the folder " + quoted_name(request.output) + ": " + error.message());
        }

        for (size_t i = 0; i < plans.size(); ++i) {
            stop_if_cancelled();
            const Plan& plan = plans[i];
            const std::vector<uint8_t> bytes = encode_as(
                plan.format,
                download(plan.position, catalog, static_cast<uint32_t>(i + 1), static_cast<uint32_t>(plans.size())));
            if (to_stdout) {
                if (!write_all(STDOUT_FILENO, bytes.data(), bytes.size())) {
                    fail(std::string("cannot write to standard output: ") + std::strerror(errno));
                }
                outcome.done.push_back(std::to_string(plan.position) + " -> standard output");
                continue;
            }
            try {
                if (!write_file_atomically(plan.name, bytes, request.replace)) {
                    refuse(quoted_name(plan.name) +
                           " appeared meanwhile; choose another name or add --force to replace it");
                }
            } catch (const ImageError& error) {
                fail(std::string(error.what()) + "; check the folder exists and can be written");
            }
            say(outcome, std::to_string(plan.position) + " -> " + printable(plan.name));
        }
    });
}

Outcome Core::put_pictures(const PutRequest& request) {
    return run([&](Outcome& outcome) {
        if (request.files.empty()) refuse("say which pictures to put");
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
                refuse("cannot put " + quoted_name(file) + ": " + error.what() + "; nothing was put on the card");
            }
        }

        Catalog catalog = usable_catalog();
        if (catalog.count >= catalog.capacity_code) {
            fail("the card is full (" + std::to_string(catalog.count) + " of " + std::to_string(catalog.capacity_code) +
                 " photos); delete some first");
        }
        if (bitmaps.size() > catalog.free_slots()) {
            fail(std::to_string(bitmaps.size()) + " pictures do not fit: the card has " +
                 std::to_string(catalog.free_slots()) + " free slots (" + std::to_string(catalog.count) + " of " +
                 std::to_string(catalog.capacity_code) + " photos); put fewer or delete some first");
        }

        for (size_t i = 0; i < bitmaps.size(); ++i) {
            stop_if_cancelled();
            const std::string& file = request.files[i];
            internal::TempFile staged(session_->temp_dir() + "/put.bmp");
            if (!write_file_atomically(staged.path(), bitmaps[i], true)) fail("cannot stage " + quoted_name(file));
            const uint32_t before = catalog.count;
            bool ok = false;
            {
                internal::StepScope step(
                    *frontend_,
                    {kTextUpload, text(kTextUpload), printable(base_name(file)), static_cast<uint32_t>(i + 1),
                     static_cast<uint32_t>(bitmaps.size()), kUploadSteps, kSlotBytes + kCatalogSize});
                ok = session_->call([&] { return session_->lib().WriteFileToGBA(staged.path().c_str()); });
                if (ok) step.succeeded();
            }
            // The library needs the catalog reloaded after every change, failed ones too.
            catalog = usable_catalog();
            if (!ok || catalog.count != before + 1) {
                fail("the camera did not take " + quoted_name(file) +
                     "; check the camera; the card's list shows what is on it");
            }
            say(outcome, printable(file) + " -> position " + std::to_string(before) + " (slot " +
                             std::to_string(catalog.slots[before]) + ")");
        }
    });
}

Outcome Core::delete_photos(std::vector<uint32_t> positions, bool ask_first) {
    return run([&](Outcome& outcome) {
        Catalog catalog = usable_catalog();
        if (positions.empty()) refuse("say which photos to delete");
        for (const uint32_t position : positions) {
            if (position >= catalog.count) {
                refuse("position " + std::to_string(position) + " is out of range: the card holds " +
                       photo_count(catalog.count));
            }
        }
        // Highest first: deleting a photo moves every later one down a position.
        std::sort(positions.begin(), positions.end(), std::greater<>());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        if (ask_first) {
            const std::string question = "Deleting " + std::to_string(positions.size()) + " of the " +
                                         photo_count(catalog.count) + " on the card cannot be undone";
            ask(question);
        }
        for (size_t i = 0; i < positions.size(); ++i) {
            stop_if_cancelled();
            const uint32_t position = positions[i];
            const uint32_t before = catalog.count;
            bool ok = false;
            {
                internal::StepScope step(
                    *frontend_,
                    {kTextDelete, text(kTextDelete), "photo " + std::to_string(position), static_cast<uint32_t>(i + 1),
                     static_cast<uint32_t>(positions.size()), kDeleteSteps, kCatalogSize});
                ok = session_->call([&] { return session_->lib().DeletePhoto(static_cast<int32_t>(position)); });
                if (ok) step.succeeded();
            }
            catalog = usable_catalog();
            if (!ok || catalog.count + 1 != before) {
                fail("photo " + std::to_string(position) +
                     " could not be deleted; the card's list shows what is on it");
            }
            say(outcome, "deleted " + std::to_string(position));
        }
    });
}

Outcome Core::format_card() {
    return run([&](Outcome& outcome) {
        const CardState state = inspect();
        if (!state.catalog_loads) fail(state.problem);
        const std::string question =
            "Formatting erases the catalog, and so all " + photo_count(state.catalog.count) + " on the card";
        ask(question);
        const bool ok = session_->call([&] { return session_->lib().FormatGBA(); });
        const CardState after = inspect();
        if (!ok || !after.catalog_ok || after.catalog.count != 0) {
            fail("the card could not be formatted; check the camera and try again");
        }
        // An empty list matches whatever pictures the slots hold.
        clear_restore_note(card_key_);
        say(outcome, "formatted: " + session_->usage_line(0, after.catalog.free_slots()));
    });
}

Outcome Core::backup(const std::string& file, bool replace) {
    return run([&](Outcome& outcome) {
        if (file.empty()) refuse("say which file to write the backup to");
        if (!replace && exists(file))
            refuse(quoted_name(file) + " already exists; choose another name or add --force to replace it");
        const CardState state = inspect();
        // A list the card cannot hold is no reason not to save the card: that is
        // the moment to save it. Only its size must be known.
        if (!state.catalog_loads) fail(state.problem + "; its size is unknown, so it cannot be backed up whole");
        const uint64_t card_bytes = state.card_bytes();

        std::string dir = std::filesystem::path(file).parent_path().string();
        if (dir.empty()) dir = ".";
        struct statvfs fs {};
        if (::statvfs(dir.c_str(), &fs) != 0) {
            fail("cannot write " + quoted_name(file) + ": " + std::strerror(errno) +
                 "; check the folder exists and can be written");
        }
        const uint64_t free_bytes = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
        if (free_bytes < card_bytes) {
            fail("not enough space for a " + std::to_string(card_bytes >> 20) + " MiB backup in " + printable(dir) +
                 " (" + std::to_string(free_bytes >> 20) + " MiB free)");
        }
        remove_leftovers(dir);  // a backup a killed run of ours left
        std::string temp_name = temporary_name_in(dir);
        const int fd = ::mkstemp(temp_name.data());
        if (fd < 0)
            fail("cannot write " + quoted_name(file) + ": " + std::strerror(errno) +
                 "; check the folder exists and can be written");
        ::flock(fd, LOCK_EX | LOCK_NB);  // in use while it is written
        internal::TempFile temp(temp_name);
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};

        {
            const uint32_t chunks = static_cast<uint32_t>(card_bytes / kBackupChunk);
            internal::StepScope step(
                *frontend_, {kTextBackup, text(kTextBackup), printable(base_name(file)), 1, 1, chunks, card_bytes});
            std::vector<uint8_t> chunk(kBackupChunk);
            for (uint32_t k = 0; k < chunks; ++k) {
                stop_if_cancelled();
                frontend_->advance();
                const auto address = static_cast<uint16_t>(k * (kBackupChunk / 256));
                if (!session_->call([&] { return session_->lib().ReadGBA(address, chunk.data(), kBackupChunk); })) {
                    fail("the card could not be read at byte " + std::to_string(uint64_t{k} * kBackupChunk) +
                         "; check the camera and try again");
                }
                if (!write_all(fd, chunk.data(), chunk.size())) {
                    fail("cannot write " + quoted_name(file) + ": " + std::strerror(errno));
                }
            }
            step.succeeded();
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        if (::fsync(fd) != 0) fail("cannot write " + quoted_name(file) + ": " + std::strerror(errno));
        bool placed = false;
        try {
            placed = move_into_place(temp.path(), file, replace);
        } catch (const ImageError& error) {
            temp.release();  // move_into_place removed it
            fail(error.what());
        }
        temp.release();
        if (!placed)
            refuse(quoted_name(file) + " appeared meanwhile; choose another name or add --force to replace it");
        say(outcome, "backed up " + photo_count(state.catalog.count) + " (" + std::to_string(card_bytes >> 20) +
                         " MiB) to " + printable(file));
    });
}

Outcome Core::restore(const std::string& file) {
    return run([&](Outcome& outcome) {
        if (file.empty()) refuse("say which backup to restore");
        const CardState state = inspect();
        if (!state.catalog_loads) fail(state.problem);
        const uint32_t capacity = state.catalog.capacity_code;
        const uint64_t card_bytes = state.card_bytes();
        const BackupCheck check = check_backup(file, capacity);
        switch (check.verdict) {
            case BackupCheck::Verdict::kOk:
                break;
            case BackupCheck::Verdict::kCannotOpen:
                refuse("cannot restore " + quoted_name(file) + ": " + std::strerror(check.error));
            case BackupCheck::Verdict::kNotFile:
                refuse(quoted_name(file) + " is not a file");
            case BackupCheck::Verdict::kWrongSize:
                refuse(quoted_name(file) + " holds " + std::to_string(check.size) +
                       " bytes, but a backup of this card holds " + std::to_string(card_bytes) + " (" +
                       std::to_string(card_bytes >> 20) + " MiB); nothing was changed");
            case BackupCheck::Verdict::kUnreadable:
                refuse("cannot read " + quoted_name(file));
            case BackupCheck::Verdict::kNoCatalog:
                refuse(quoted_name(file) +
                       " is not a backup of a card of this size (it holds no matching catalog); nothing was changed");
        }
        const std::string question = "Restoring replaces all " + photo_count(state.catalog.count) +
                                     " on the card with the " + photo_count(check.photos) + " of " + printable(file);
        ask(question);
        stop_if_cancelled();
        // A restore cannot stop half-way without leaving the old list over new
        // pictures; if this process is ended anyway, the note tells the next one.
        std::error_code ignored;
        const std::string absolute = std::filesystem::absolute(file, ignored).string();
        try {
            note_restore_started(card_key_, absolute.empty() ? file : absolute);
        } catch (const std::exception& error) {
            fail(std::string(error.what()) + "; nothing was changed");
        }
        bool ok = false;
        {
            internal::StepScope step(*frontend_, {kTextWriteCard, text(kTextWriteCard), printable(base_name(file)), 1,
                                                  1, card_bytes / kRestoreBlock, card_bytes});
            ok = session_->call([&] { return session_->lib().WriteAll(file.c_str()); });
            if (ok) step.succeeded();
        }
        if (!ok) {
            fail("the card could not be restored and is now incomplete; check the camera and run the restore again");
        }
        clear_restore_note(card_key_);
        const CardState after = inspect();
        say(outcome, "restored " + photo_count(after.catalog.count) + " from " + printable(file));
    });
}

std::optional<std::vector<uint8_t>> Core::read_bitmap(uint32_t position, const Catalog& catalog, std::string* why) {
    std::optional<std::vector<uint8_t>> bitmap;
    const Outcome outcome = run([&](Outcome&) {
        if (position >= catalog.count) fail("photo " + std::to_string(position) + " is not on the card");
        bitmap = download(position, catalog, 1, 1);
    });
    if (!outcome.ok() && why != nullptr) *why = outcome.message;
    return outcome.ok() ? bitmap : std::nullopt;
}

}  // namespace pixavon::host
