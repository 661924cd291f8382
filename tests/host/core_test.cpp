// The host core's workflows end to end, on embedded cards with the real
// library: what the tool and the window both rely on is checked once here.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core.h"
#include "durable_file.h"
#include "import_index.h"
#include "support/emulator_process.h"
#include "support/test_data.h"

namespace {

using namespace pixavon::host;
using pixavon::kPhotoHeight;
using pixavon::kPhotoWidth;
using pixavon::test::ReadFileBytes;
using pixavon::test::WriteFileBytes;
namespace fs = std::filesystem;

// A front end that answers and records.
struct Recorder : Frontend {
    Answer answer = Answer::kYes;
    int questions = 0;
    std::vector<Warning> warnings;
    std::vector<Record> notes;
    std::vector<std::string> boxes;
    uint64_t advances = 0;
    // Called on every advance with the running count.
    std::function<void(uint64_t)> on_advance;

    std::vector<Question> asked;
    Answer confirm(const Question& question) override {
        ++questions;
        asked.push_back(question);
        return answer;
    }
    std::vector<Step> steps;
    void begin(const Step& step) override { steps.push_back(step); }
    void advance() override {
        ++advances;
        if (on_advance) on_advance(advances);
    }
    void end(bool) override {}
    void box(bool, const std::string& caption, const std::string& text) override {
        boxes.push_back(caption + ": " + text);
    }
    void note(const Record& record) override { notes.push_back(record); }
    void warn(const Warning& warning) override { warnings.push_back(warning); }
};

Image picture(uint8_t seed) {
    Image image(kPhotoWidth, kPhotoHeight);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = static_cast<uint8_t>(x + seed * 40);
            p[1] = static_cast<uint8_t>(y * 3 + seed);
            p[2] = static_cast<uint8_t>(seed * 77);
        }
    }
    return image;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pixavon-core-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        card_ = dir_ + "/card.bin";
        // The restore note goes to a state folder of the test's own.
        if (const char* state = std::getenv("XDG_STATE_HOME")) saved_state_ = state;
        ::setenv("XDG_STATE_HOME", (dir_ + "/state").c_str(), 1);
    }
    void TearDown() override {
        core_.reset();
        if (saved_state_)
            ::setenv("XDG_STATE_HOME", saved_state_->c_str(), 1);
        else
            ::unsetenv("XDG_STATE_HOME");
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Opens the test's card (made fresh with `create_mib` if missing).
    Core& open(int create_mib = 8) {
        core_.reset();
        core_ = std::make_unique<Core>(cancel_);
        core_->set_frontend(ui_);
        const Outcome prepared = core_->prepare({card_, create_mib}, PIXAVON_LIBRARY_PATH);
        EXPECT_TRUE(prepared.ok()) << describe(prepared.problem);
        EXPECT_TRUE(core_->open_camera());
        return *core_;
    }

    // Puts `count` distinct pictures on the card.
    void put(Core& core, int count, int first_seed = 1) {
        PutRequest request;
        for (int i = 0; i < count; ++i) {
            const std::string file = path("pic" + std::to_string(first_seed + i) + ".png");
            WriteFileBytes(file, encode_png(picture(static_cast<uint8_t>(first_seed + i))));
            request.files.push_back(file);
        }
        const Outcome outcome = core.put_pictures(request);
        ASSERT_TRUE(outcome.ok()) << describe(outcome.problem);
    }

    // Rewrites the card image's catalog list (count and slots) in place.
    void write_list(uint8_t count, const std::vector<uint8_t>& slots) {
        std::vector<uint8_t> bytes = ReadFileBytes(card_);
        const size_t catalog = bytes.size() - 8192;
        bytes[catalog + 256] = count;
        for (size_t i = 0; i < slots.size(); ++i) bytes[catalog + 512 + 16 * i + 8] = slots[i];
        WriteFileBytes(card_, bytes);
    }

    std::vector<std::string> files_in(const std::string& dir) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        return names;
    }

    std::string dir_, card_;
    std::optional<std::string> saved_state_;
    CancelToken cancel_;
    Recorder ui_;
    std::unique_ptr<Core> core_;
};

TEST_F(CoreTest, ASecondHostIsRefusedTheCardAndChangesNothing) {
    Core& first = open();
    put(first, 1);
    const std::vector<uint8_t> before = ReadFileBytes(card_);

    CancelToken cancel;
    Core second(cancel);
    const Outcome refused = second.prepare({card_, 0}, PIXAVON_LIBRARY_PATH);
    EXPECT_EQ(refused.exit_code(0), 1);
    EXPECT_EQ(refused.problem.kind, ProblemKind::kCardImageInUse) << describe(refused.problem);
    EXPECT_EQ(refused.problem.facts.count, static_cast<uint32_t>(::getpid()));
    EXPECT_TRUE(ReadFileBytes(card_) == before);

    ASSERT_TRUE(first.finish().ok());
    Core third(cancel);
    EXPECT_TRUE(third.prepare({card_, 0}, PIXAVON_LIBRARY_PATH).ok());
}

TEST_F(CoreTest, AFullDiskIsSaidBeforeAnythingIsWritten) {
    const std::string small = path("small");
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=4m") != 0) GTEST_SKIP() << "needs root to mount a small disk";
    struct Unmount {
        std::string dir;
        ~Unmount() { ::umount2(dir.c_str(), MNT_DETACH); }
    } unmount{small};

    CancelToken cancel;
    Core core(cancel);
    const Outcome created = core.prepare({small + "/card.bin", 8}, PIXAVON_LIBRARY_PATH);
    EXPECT_EQ(created.exit_code(0), 1);
    EXPECT_EQ(created.problem.kind, ProblemKind::kNoSpaceForCard);
    EXPECT_EQ(created.problem.facts.bytes, 8u << 20);
    EXPECT_TRUE(files_in(small).empty());

    Core& card = open();
    const Outcome backup = card.backup(small + "/backup.bin", false);
    EXPECT_EQ(backup.problem.kind, ProblemKind::kNoSpace) << describe(backup.problem);
    EXPECT_EQ(backup.problem.facts.folder, small);
    EXPECT_EQ(backup.problem.facts.bytes, 8u << 20);
    EXPECT_TRUE(files_in(small).empty());
}

TEST_F(CoreTest, CancelStopsBetweenChunksAndPhotosLeavingNothingBehind) {
    Core& core = open();
    put(core, 3);
    const std::string target = path("out");
    fs::create_directory(target);

    ui_.advances = 0;
    ui_.on_advance = [this](uint64_t n) {
        if (n == 40) cancel_.request(SIGHUP);
    };
    const Outcome backup = core.backup(target + "/card-backup.bin", false);
    EXPECT_EQ(backup.status, Outcome::Status::kCancelled);
    EXPECT_EQ(backup.exit_code(cancel_.signal()), 128 + SIGHUP);
    EXPECT_TRUE(files_in(target).empty());

    // A multi-photo export stops between photos: what was saved is whole.
    cancel_.reset();
    ui_.advances = 0;
    ui_.on_advance = [this](uint64_t n) {
        if (n == 25) cancel_.request(SIGINT);  // during the third photo
    };
    ExportRequest request;
    request.all = true;
    request.output = target;
    request.format = OutputFormat::kPng;
    const Outcome exported = core.export_photos(request);
    EXPECT_EQ(exported.status, Outcome::Status::kCancelled);
    EXPECT_EQ(files_in(target), (std::vector<std::string>{"photo-0.png", "photo-1.png"}));
    EXPECT_EQ(decode_png(ReadFileBytes(target + "/photo-1.png")).width, kPhotoWidth);
}

TEST_F(CoreTest, AReadFailingInsideAPhotoLeavesNoFileOfItAndNamesIt) {
    Core& core = open();
    put(core, 3);  // slots 0, 1 and 2
    core_.reset();
    const std::vector<uint8_t> card = ReadFileBytes(card_);
    // The camera fails the read of one 512-byte block of data. A catalog load
    // reads 32 blocks (the library's and the core's own), a packet 64.
    const auto attached = [&](uint64_t failing_block, const std::function<void(Core&)>& work) {
        pixavon::test::EmulatorOptions options;
        options.trace = false;
        options.extra_args = {"--fail-read", std::to_string(failing_block)};
        pixavon::test::EmulatorProcess camera(options);
        camera.write_card_bytes(card);
        camera.start();
        pixavon::test::ScopedEnvironment environment;
        environment.Set("PIXAVON_DEVICE_DIR", camera.device_dir().c_str());
        Core core(cancel_);
        core.set_frontend(ui_);
        ASSERT_TRUE(core.prepare({}, PIXAVON_LIBRARY_PATH).ok());
        ASSERT_TRUE(core.open_camera());
        work(core);
    };

    // Photo 1 alone, its sixth packet failing.
    attached(32 + 5 * 64 + 10, [&](Core& core) {
        ExportRequest request;
        request.positions = {1};
        request.output = path("one.bmp");
        const Outcome outcome = core.export_photos(request);
        EXPECT_EQ(outcome.status, Outcome::Status::kFailed);
        EXPECT_EQ(outcome.problem.kind, ProblemKind::kPhotoUnreadable) << describe(outcome.problem);
        EXPECT_EQ(outcome.problem.facts.position, 1u);
        EXPECT_EQ(outcome.problem.facts.slot, 1u);
        EXPECT_FALSE(fs::exists(path("one.bmp")));
    });
    // An import reading ahead: photo 0 is saved, photo 1 fails in its fourth
    // packet (its first is photo 0's last).
    const std::string folder = path("imported");
    attached(32 + 10 * 64 + 3 * 64 + 7, [&](Core& core) {
        ImportRequest request;
        request.folder = folder;
        request.name_pattern = "{position}.bmp";
        ImportSummary summary;
        const Outcome outcome = core.import_photos(request, &summary);
        EXPECT_EQ(outcome.status, Outcome::Status::kFailed);
        EXPECT_EQ(outcome.problem.kind, ProblemKind::kPhotoUnreadable) << describe(outcome.problem);
        EXPECT_EQ(outcome.problem.facts.position, 1u);
        EXPECT_EQ(outcome.problem.facts.slot, 1u);
        EXPECT_EQ(summary.imported, 1u);
    });
    std::vector<std::string> saved = files_in(folder);
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ(saved, (std::vector<std::string>{".pixavon-import", "0.bmp"}));
    // Its pixels, but the 100 at the bottom right that a slot does not store.
    const std::vector<uint8_t> saved_pixels = decode_bmp(ReadFileBytes(folder + "/0.bmp")).rgb;
    const std::vector<uint8_t> put_pixels = picture(1).rgb;
    EXPECT_TRUE(std::equal(put_pixels.begin(), put_pixels.end() - 300, saved_pixels.begin()));
}

TEST_F(CoreTest, TheGridReadsVisiblePhotosFirstAndAfterAReloadOnlyWhatChanged) {
    Core& core = open();
    put(core, 3, 1);  // slots 0, 1 and 2
    const auto same_picture = [](const Image& read, uint8_t seed) {
        const std::vector<uint8_t> put_pixels = picture(seed).rgb;  // but the 100 pixels a slot does not store
        return std::equal(put_pixels.begin(), put_pixels.end() - 300, read.rgb.begin());
    };
    const auto read_all = [&] {
        std::vector<uint32_t> order;
        GridPhoto photo;
        while (core.photos_queued() > 0) {
            const Outcome outcome = core.read_next_photo(&photo);
            EXPECT_TRUE(outcome.ok()) << describe(outcome.problem);
            if (!photo.photo) break;
            order.push_back(photo.position);
        }
        return order;
    };
    core.inspect();
    EXPECT_EQ(core.kept_photo(0), nullptr);
    core.queue_photos({2});
    EXPECT_EQ(read_all(), (std::vector<uint32_t>{2, 0, 1}));
    ASSERT_NE(core.kept_photo(1), nullptr);
    EXPECT_TRUE(same_picture(*core.kept_photo(1), 2));

    // Saving a photo read for the grid does not read it again.
    ui_.advances = 0;
    ExportRequest request;
    request.positions = {1};
    request.output = path("saved.bmp");
    ASSERT_TRUE(core.export_photos(request).ok());
    EXPECT_EQ(ui_.advances, 0u);
    EXPECT_TRUE(same_picture(decode_bmp(ReadFileBytes(path("saved.bmp"))), 2));

    // A new photo: only it is read after the reload.
    put(core, 1, 4);
    core.inspect();
    core.queue_photos({});
    EXPECT_EQ(read_all(), (std::vector<uint32_t>{3}));

    // Photo 0 deleted and its slot written again by the next put: the photo
    // now in slot 0 is read afresh; the others stay as read.
    ASSERT_TRUE(core.delete_photos({0}, false).ok());
    put(core, 1, 5);
    core.inspect();
    core.queue_photos({});
    EXPECT_EQ(read_all(), (std::vector<uint32_t>{3}));
    EXPECT_TRUE(same_picture(*core.kept_photo(3), 5));
    EXPECT_TRUE(same_picture(*core.kept_photo(0), 2));
}

TEST_F(CoreTest, ACatalogTheCardCannotHoldIsDamagedNotACameraFault) {
    struct Case {
        uint8_t count;
        std::vector<uint8_t> slots;
        ProblemKind kind;
        Facts facts;
    };
    const Case cases[] = {
        {255, {0, 1}, ProblemKind::kListTooLong, {.count = 255, .other_count = 26}},
        {2, {0, 30}, ProblemKind::kListSlotOutOfRange, {.position = 1, .slot = 30, .other_count = 26}},
        {3, {4, 2, 4}, ProblemKind::kListSlotTwice, {.position = 2, .other_position = 0, .slot = 4}},
    };
    const auto same = [](const Problem& problem, const Case& c) {
        return problem.kind == c.kind && problem.hint == Hint::kTryRescue && problem.facts.count == c.facts.count &&
               problem.facts.other_count == c.facts.other_count && problem.facts.position == c.facts.position &&
               problem.facts.other_position == c.facts.other_position && problem.facts.slot == c.facts.slot;
    };
    WriteFileBytes(path("new.png"), encode_png(picture(9)));
    for (const Case& c : cases) {
        open();
        core_.reset();
        write_list(c.count, c.slots);
        Core& core = open();
        const CardState state = core.inspect();
        EXPECT_TRUE(state.catalog_loads);
        EXPECT_FALSE(state.catalog_ok);
        EXPECT_TRUE(same(state.problem, c)) << describe(state.problem);

        const std::vector<uint8_t> before = ReadFileBytes(card_);
        PutRequest put_request;
        put_request.files = {path("new.png")};
        const Outcome put = core.put_pictures(put_request);
        EXPECT_TRUE(same(put.problem, c)) << describe(put.problem);
        ExportRequest get_request;
        get_request.positions = {0};
        get_request.output = path("x.png");
        EXPECT_TRUE(same(core.export_photos(get_request).problem, c));
        EXPECT_TRUE(ui_.boxes.empty());
        core_.reset();
        EXPECT_TRUE(ReadFileBytes(card_) == before);
    }
}

TEST_F(CoreTest, ADamagedLargeCardIsBackedUpWholeAndNotFormattedBlindly) {
    // A 16 MiB card whose list is impossible: its size is still known.
    open(16);
    core_.reset();
    write_list(60, {});
    Core& core = open(16);
    ASSERT_TRUE(core.backup(path("whole.bin"), false).ok());
    EXPECT_EQ(fs::file_size(path("whole.bin")), 16u << 20);

    // A catalog that does not load: the card's size is still its image's, so
    // the whole card is backed up and a format writes the list for it.
    core_.reset();
    std::vector<uint8_t> bytes = ReadFileBytes(card_);
    std::fill(bytes.end() - 8192, bytes.end(), 0x00);
    WriteFileBytes(card_, bytes);
    Core& damaged = open(16);
    ASSERT_TRUE(damaged.backup(path("damaged.bin"), false).ok());
    EXPECT_EQ(fs::file_size(path("damaged.bin")), 16u << 20);
    const Outcome format = damaged.format_card();
    ASSERT_TRUE(format.ok()) << describe(format.problem);
    const CardState state = damaged.inspect();
    EXPECT_TRUE(state.catalog_ok);
    EXPECT_EQ(state.catalog.capacity_code, 52u);
    EXPECT_EQ(state.catalog.count, 0u);
}

TEST_F(CoreTest, ARestoreCutShortIsToldToTheNextHost) {
    Core& core = open();
    put(core, 2);
    ASSERT_TRUE(core.backup(path("two.bin"), false).ok());
    core_.reset();

    // A host dies in the middle of the restore, as a killed process does.
    const pid_t child = ::fork();
    if (child == 0) {
        CancelToken cancel;
        Core dying(cancel);
        Recorder ui;
        ui.on_advance = [](uint64_t n) {
            if (n == 200) ::raise(SIGKILL);
        };
        dying.set_frontend(ui);
        if (!dying.prepare({card_, 0}, PIXAVON_LIBRARY_PATH).ok() || !dying.open_camera()) ::_exit(3);
        dying.restore(path("two.bin"));
        ::_exit(4);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;

    ui_.warnings.clear();
    Core& next = open();
    ASSERT_EQ(ui_.warnings.size(), 1u);
    EXPECT_EQ(ui_.warnings[0].kind, WarningKind::kRestoreInterrupted);
    EXPECT_EQ(ui_.warnings[0].hint, Hint::kRestoreAgain);
    EXPECT_EQ(ui_.warnings[0].facts.name, path("two.bin"));
    // The hint names the same card the restore was cut short on.
    EXPECT_EQ(ui_.warnings[0].facts.card_image, card_);
    ASSERT_TRUE(next.restore(path("two.bin")).ok());
    ui_.warnings.clear();
    open();
    EXPECT_TRUE(ui_.warnings.empty());
}

TEST_F(CoreTest, DeletesAreCountedAsTheCardHoldsThemAfterAPowerCut) {
    Core& core = open();
    put(core, 12);
    core_.reset();
    const std::vector<uint8_t> card = ReadFileBytes(card_);
    // Photos the card's list names in `bytes`; -1 when the list is damaged.
    const auto photos_in = [](const std::vector<uint8_t>& bytes) {
        const uint8_t* catalog = bytes.data() + bytes.size() - 8192;
        if (!valid_catalog(catalog)) return -1;
        const Catalog list = parse_catalog(catalog);
        return list.check.fault == pixavon::CatalogFault::None ? static_cast<int>(list.count) : -1;
    };
    // The camera loses power in command `cut` (counted from the host's first)
    // of a delete of five photos.
    const auto cut_at = [&](uint64_t cut, Outcome* outcome) {
        pixavon::test::EmulatorOptions options;
        options.trace = true;
        if (cut != 0) options.extra_args = {"--power-cut-after", std::to_string(cut)};
        pixavon::test::EmulatorProcess camera(options);
        camera.write_card_bytes(card);
        camera.start();
        {
            pixavon::test::ScopedEnvironment environment;
            environment.Set("PIXAVON_DEVICE_DIR", camera.device_dir().c_str());
            Core attached(cancel_);
            attached.set_frontend(ui_);
            EXPECT_TRUE(attached.prepare({}, PIXAVON_LIBRARY_PATH).ok());
            EXPECT_TRUE(attached.open_camera());
            *outcome = attached.delete_photos({0, 2, 4, 6, 8}, false);
        }
        camera.stop();
        return std::make_pair(camera.card_bytes(), camera.trace_lines());
    };
    Outcome whole;
    const auto [done, trace] = cut_at(0, &whole);
    ASSERT_TRUE(whole.ok()) << describe(whole.problem);
    ASSERT_EQ(photos_in(done), 7);
    // Each delete reads the list, erases its unit and writes its 16 blocks; the
    // cuts fall in the first two, from the first delete's read on.
    const auto erase =
        std::find_if(trace.begin(), trace.end(), [](const std::string& line) { return line.rfind("ERASE", 0) == 0; });
    ASSERT_NE(erase, trace.end());
    const auto first = static_cast<uint64_t>(erase - trace.begin());
    int cases = 0;
    for (uint64_t cut = first; cut <= first + 44; cut += 3) {
        Outcome outcome;
        const std::vector<uint8_t> after = cut_at(cut, &outcome).first;
        const int left = photos_in(after);
        const auto told = static_cast<int>(outcome.done.size());
        SCOPED_TRACE("cut in command " + std::to_string(cut) + ": " + describe(outcome.problem));
        // The step that failed is the delete, never a read of the list.
        EXPECT_NE(outcome.problem.kind, ProblemKind::kCatalogNoAnswer);
        if (left < 0) continue;  // a list the cut left damaged: rescue's work
        ++cases;
        // Every delete told happened; only one cut off may be untold, and it is
        // named as such.
        if (outcome.problem.kind == ProblemKind::kDeleteCutOff) {
            EXPECT_TRUE(12 - left == told || 12 - left == told + 1) << left << " left, " << told << " told";
        } else {
            EXPECT_EQ(12 - left, told);
        }
    }
    EXPECT_GT(cases, 5);
}

TEST_F(CoreTest, ACardImageIsNeverRestoredFromItself) {
    Core& core = open();
    put(core, 2);
    const std::vector<uint8_t> before = ReadFileBytes(card_);
    // By its own name or a link to it: refused before anything is done.
    fs::create_symlink(card_, path("link.bin"));
    for (const std::string& name : {card_, path("link.bin")}) {
        const Outcome outcome = core.restore(name);
        EXPECT_EQ(outcome.status, Outcome::Status::kRefused);
        EXPECT_EQ(outcome.problem.kind, ProblemKind::kRestoreOntoItself) << describe(outcome.problem);
        EXPECT_EQ(ui_.questions, 0);
    }
    core_.reset();
    EXPECT_EQ(ReadFileBytes(card_), before);
    ui_.warnings.clear();
    // No restore was begun, so none is told as interrupted; a copy is another
    // file, and restores.
    Core& again = open();
    EXPECT_TRUE(ui_.warnings.empty());
    fs::copy_file(card_, path("copy.bin"));
    const Outcome copied = again.restore(path("copy.bin"));
    EXPECT_TRUE(copied.ok()) << describe(copied.problem);
}

TEST_F(CoreTest, PicturesThatAreNotWholeAreRefused) {
    Core& core = open();
    const std::vector<uint8_t> jpeg = encode_jpeg(picture(3), 90);
    WriteFileBytes(path("cut.jpg"),
                   std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)));
    // A JPEG that declares 10000 x 10000 pixels over a few kilobytes of data.
    std::vector<uint8_t> huge = encode_jpeg(Image(16, 16, 90), 90);
    for (size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 10000 >> 8, huge[i + 6] = 10000 & 0xFF, huge[i + 7] = 10000 >> 8, huge[i + 8] = 10000 & 0xFF;
            break;
        }
    }
    WriteFileBytes(path("huge.jpg"), huge);
    const std::vector<uint8_t> png = encode_png(picture(4));
    WriteFileBytes(path("cut.png"), std::vector<uint8_t>(png.begin(), png.end() - 40));

    const std::vector<uint8_t> before = ReadFileBytes(card_);
    for (const char* name : {"cut.jpg", "huge.jpg", "cut.png"}) {
        PutRequest request;
        request.files = {path(name)};
        const Outcome outcome = core.put_pictures(request);
        EXPECT_EQ(outcome.exit_code(0), 2) << name;
        EXPECT_EQ(outcome.problem.kind, ProblemKind::kBadPicture) << name << ": " << describe(outcome.problem);
        EXPECT_EQ(outcome.problem.facts.name, path(name));
    }
    EXPECT_TRUE(contains(core.put_pictures({{path("huge.jpg")}, Fit::kPad, {}}).problem.facts.detail, "too large"));
    core_.reset();
    EXPECT_TRUE(ReadFileBytes(card_) == before);
}

TEST_F(CoreTest, SavedPhotosTakeTheFormatTheirNameAsks) {
    Core& core = open();
    put(core, 1);
    const auto save = [&](const std::string& name) {
        ExportRequest request;
        request.positions = {0};
        request.output = path(name);
        return core.export_photos(request);
    };
    ASSERT_TRUE(save("a.jpg").ok());
    ASSERT_TRUE(save("b.PNG").ok());
    ASSERT_TRUE(save("c").ok());
    EXPECT_EQ(ReadFileBytes(path("a.jpg"))[0], 0xFF);
    EXPECT_EQ(ReadFileBytes(path("b.PNG"))[1], 'P');
    EXPECT_EQ(ReadFileBytes(path("c"))[0], 'B');
    const Outcome gif = save("d.gif");
    EXPECT_EQ(gif.exit_code(0), 2);
    EXPECT_EQ(gif.problem.kind, ProblemKind::kUnknownFormat);
    // A name at the file system's limit: the temporary name beside it is short.
    const std::string longest = std::string(251, 'n') + ".png";
    ASSERT_TRUE(save(longest).ok());
    EXPECT_TRUE(fs::exists(path(longest)));
    for (const std::string& name : files_in(dir_)) EXPECT_FALSE(contains(name, "pixavon~")) << name;
}

TEST_F(CoreTest, ImportTakesExactlyWhatTheFolderLacks) {
    Core& core = open();
    put(core, 3);
    ImportRequest request;
    request.folder = path("Pictures");
    request.name_pattern = "{n:03}-slot{slot}.png";
    ImportSummary summary;

    // Interrupted during the second photo: that photo is finished, and a rerun
    // takes the rest.
    ui_.advances = 0;
    ui_.on_advance = [this](uint64_t n) {
        if (n == 25) cancel_.request(SIGINT);
    };
    EXPECT_EQ(core.import_photos(request, &summary).status, Outcome::Status::kCancelled);
    EXPECT_EQ(summary.imported, 2u);
    EXPECT_EQ(summary.photos, 3u);
    cancel_.reset();
    ui_.on_advance = nullptr;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 1u);
    EXPECT_EQ(summary.already, 2u);
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 0u);

    // A delete and two new photos: exactly the two are imported, under new
    // numbers; a file removed on purpose stays removed unless asked again.
    ASSERT_TRUE(core.delete_photos({0}, false).ok());
    put(core, 2, 10);
    fs::remove(path("Pictures/002-slot1.png"));
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 2u);
    EXPECT_TRUE(fs::exists(path("Pictures/004-slot0.png")));
    EXPECT_TRUE(fs::exists(path("Pictures/005-slot3.png")));
    EXPECT_FALSE(fs::exists(path("Pictures/002-slot1.png")));
    request.again = true;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 1u);

    // A file changed or emptied since no longer holds its photo: the photo is
    // imported again beside it, the file left as it is. Photos leave the card
    // only once a file reads back as written.
    std::vector<uint8_t> spoiled = ReadFileBytes(path("Pictures/004-slot0.png"));
    spoiled[spoiled.size() / 2] ^= 0xFF;
    WriteFileBytes(path("Pictures/004-slot0.png"), spoiled);
    WriteFileBytes(path("Pictures/005-slot3.png"), {});
    request.again = false;
    request.delete_after = true;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 2u);
    EXPECT_EQ(summary.changed, 2u);
    EXPECT_EQ(summary.already, 2u);
    EXPECT_EQ(summary.removed, 0u);
    EXPECT_EQ(summary.deleted, 4u);
    EXPECT_EQ(ReadFileBytes(path("Pictures/004-slot0.png")), spoiled);
    EXPECT_EQ(fs::file_size(path("Pictures/005-slot3.png")), 0u);
    EXPECT_EQ(core.inspect().catalog.count, 0u);
}

// A last index line without its newline does not swallow the next one; an
// index far larger than any folder needs is refused before the card is read.
TEST_F(CoreTest, ImportIndexLinesStayApartAndAHugeIndexIsRefused) {
    Core& core = open();
    put(core, 2);
    ImportRequest request;
    request.folder = path("Pictures");
    request.positions = {0};
    ImportSummary summary;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    const std::string index = request.folder + "/.pixavon-import";
    fs::resize_file(index, fs::file_size(index) - 1);
    request.positions.clear();
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 1u);
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 0u);
    EXPECT_EQ(summary.already, 2u);
    EXPECT_EQ(summary.removed, 0u);

    fs::resize_file(index, kMaxImportIndexBytes + 1);
    const Outcome outcome = core.import_photos(request, &summary);
    EXPECT_EQ(outcome.status, Outcome::Status::kRefused);
    EXPECT_EQ(outcome.problem.kind, ProblemKind::kIndexTooLarge) << describe(outcome.problem);
    EXPECT_EQ(summary.looked_at, 0u);
}

// Identical shots on the card are duplicates, not photos the folder had
// before; a selection imports only its photos; the whole run is one measure
// of progress.
TEST_F(CoreTest, ImportSkipsDuplicatesOnTheCardAndTakesOnlyTheSelection) {
    Core& core = open();
    put(core, 1);
    put(core, 1);  // the same shot again
    put(core, 1, 5);
    put(core, 1);
    ImportRequest request;
    request.folder = path("empty");
    ImportSummary summary;
    ui_.steps.clear();
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.photos, 4u);
    EXPECT_EQ(summary.imported, 2u);
    EXPECT_EQ(summary.duplicates, 2u);
    EXPECT_EQ(summary.already, 0u);
    ASSERT_EQ(ui_.steps.size(), 4u);
    uint64_t before = 0;  // a photo's read commands: 10, 9 where it shares one with the photo before
    for (const Step& step : ui_.steps) {
        EXPECT_EQ(step.kind, StepKind::kImportPhoto);
        EXPECT_EQ(step.run_units_before, before);
        before += step.units;
    }
    EXPECT_EQ(before, 38u);
    for (const Step& step : ui_.steps) EXPECT_EQ(step.run_units, before);

    request.folder = path("selected");
    request.positions = {2};
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.photos, 1u);
    ASSERT_EQ(summary.files.size(), 1u);
    EXPECT_EQ(summary.files[0].first, 2u);
    request.positions = {9};
    EXPECT_EQ(core.import_photos(request, &summary).problem.kind, ProblemKind::kPositionOutOfRange);
}

// The default folder is the desktop's pictures folder, as its user-dirs.dirs
// names it, then Lumetta.
TEST_F(CoreTest, TheDefaultImportFolderFollowsTheDesktopsPicturesFolder) {
    struct Restore {
        std::vector<std::pair<const char*, std::optional<std::string>>> saved;
        Restore() {
            for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_PICTURES_DIR"}) {
                const char* value = std::getenv(name);
                saved.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            }
        }
        ~Restore() {
            for (const auto& [name, value] : saved) {
                if (value)
                    ::setenv(name, value->c_str(), 1);
                else
                    ::unsetenv(name);
            }
        }
    } restore;
    ::setenv("HOME", dir_.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_PICTURES_DIR");
    EXPECT_EQ(default_import_folder(), dir_ + "/Pictures/Lumetta");
    fs::create_directories(dir_ + "/.config");
    const std::string text = "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/ピクチャ\"\n";
    WriteFileBytes(dir_ + "/.config/user-dirs.dirs", std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(default_import_folder(), dir_ + "/ピクチャ/Lumetta");
}

}  // namespace

namespace {

// Every picture comes back from rescue pixel for pixel, whatever happened to
// the catalog, and a repair makes the card list them again where it can.
TEST_F(CoreTest, RescueSavesEveryPictureAndRepairsWhatCanBeRepaired) {
    struct Damage {
        const char* what;
        int mib;
        std::function<void(std::vector<uint8_t>&)> apply;
        int listed;  // pictures the repaired list names (those the count cut short put back); -1: none can be written
    };
    const Damage damages[] = {
        {"catalog unit erased", 8, [](std::vector<uint8_t>& card) { std::fill(card.end() - 8192, card.end(), 0xFF); },
         3},
        {"cut after the catalog's first block", 16,
         [](std::vector<uint8_t>& card) { std::fill(card.end() - 8192 + 512, card.end(), 0xFF); }, 3},
        {"format cut between the count byte and the capacity byte", 16,
         [](std::vector<uint8_t>& card) {
             std::fill(card.end() - 8192 + 257, card.end(), 0xFF);
             card[card.size() - 8192 + 256] = 0;
         },
         3},
        {"catalog block zeroed where its count and capacity lie", 16,
         [](std::vector<uint8_t>& card) {
             std::fill(card.end() - 16384, card.end(), 0xFF);
             std::fill(card.end() - 8192 + 256, card.end() - 8192 + 512, 0x00);
         },
         -1},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        fs::remove(card_);
        Core& core = open(damage.mib);
        put(core, 3);
        ASSERT_TRUE(core.delete_photos({1}, false).ok());  // slot 1 keeps a deleted picture
        core_.reset();
        std::vector<uint8_t> bytes = ReadFileBytes(card_);
        damage.apply(bytes);
        WriteFileBytes(card_, bytes);

        Core& broken = open(damage.mib);
        const std::string folder = path(std::string("rescued-") + std::to_string(damage.mib) + damage.what);
        RescueSummary summary;
        ui_.boxes.clear();
        const Outcome outcome = broken.rescue({folder, 0, true}, &summary);
        // The library's boxes about the damage stay inside the rescue, which
        // says plainly that every picture found was saved.
        EXPECT_TRUE(ui_.boxes.empty());
        const auto saved = std::find_if(outcome.done.begin(), outcome.done.end(),
                                        [](const Record& r) { return r.kind == RecordKind::kRescueSaved; });
        ASSERT_NE(saved, outcome.done.end());
        EXPECT_EQ(saved->facts.count, 3u);
        EXPECT_EQ(saved->facts.other_count, 3u);
        EXPECT_EQ(summary.card_mib, static_cast<uint32_t>(damage.mib));
        EXPECT_EQ(summary.found, 3u);
        EXPECT_EQ(summary.saved, 3u);
        for (uint8_t slot = 0; slot < 3; ++slot) {
            std::string name = folder + "/picture-0" + std::to_string(slot + 1) + ".png";
            if (!fs::exists(name)) name = folder + "/picture-0" + std::to_string(slot + 1) + "-unlisted.png";
            const Image saved = decode_png(ReadFileBytes(name));
            const Image original = picture(static_cast<uint8_t>(slot + 1));
            // All but the 100 pixels a slot does not store.
            EXPECT_TRUE(std::equal(saved.rgb.begin(), saved.rgb.end() - 300, original.rgb.begin())) << name;
        }
        // Without a catalog that fits the card, no file is called unlisted.
        if (!pixavon::IsValidCatalog(bytes.data() + bytes.size() - 8192)) {
            for (const std::string& name : files_in(folder)) EXPECT_EQ(name.find("unlisted"), std::string::npos);
        }
        EXPECT_EQ(outcome.ok(), damage.listed >= 0) << describe(outcome.problem);
        EXPECT_EQ(summary.repaired, damage.listed >= 0);
        if (damage.listed >= 0) {
            const CardState state = broken.inspect();
            ASSERT_TRUE(state.catalog_ok) << describe(state.problem);
            EXPECT_EQ(state.catalog.count, static_cast<uint32_t>(damage.listed));
        } else {
            EXPECT_EQ(outcome.problem.kind, ProblemKind::kRepairImpossible);
            EXPECT_EQ(outcome.problem.hint, Hint::kFormatThenPut);
            EXPECT_EQ(outcome.problem.facts.folder, folder);
        }
        core_.reset();
        // A repair writes the catalog's blocks, and puts pictures back only
        // into their own slots, as they were.
        const std::vector<uint8_t> repaired = ReadFileBytes(card_);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end() - 8192, repaired.begin()));
        ui_.warnings.clear();
    }
}

}  // namespace

namespace {

// A card whose slots hold `slots` (random bytes) and whose catalog lists them
// with `capacity_code`, whatever the card's size.
std::vector<uint8_t> card_with(int mib, uint8_t capacity_code, uint32_t slots) {
    std::vector<uint8_t> card(static_cast<size_t>(mib) << 20, 0xFF);
    std::vector<uint8_t> listed;
    uint32_t state = 12345;
    for (uint32_t slot = 0; slot < slots; ++slot) {
        for (size_t i = slot * 0x4C000u; i < (slot + 1u) * 0x4C000u; ++i) {
            state = state * 1103515245u + 12345u;
            card[i] = static_cast<uint8_t>(state >> 16);
        }
        listed.push_back(static_cast<uint8_t>(slot));
    }
    const std::vector<uint8_t> catalog = pixavon::test::make_catalog(capacity_code, listed);
    std::copy(catalog.begin(), catalog.end(), card.end() - 8192);
    return card;
}

// The card's size comes from the card: a capacity byte of the other size
// neither hides pictures nor makes ghosts of the mirrored half. Nothing writes
// while the list gives the wrong size; the repair, which cannot rewrite the
// byte in place, says so, and our own format then writes an empty list of the
// card's size at its end with every slot left as it was.
TEST_F(CoreTest, RescueTakesTheCardsSizeFromTheCardNotItsCapacityByte) {
    struct Case {
        int mib;
        uint8_t capacity_code;
        uint32_t photos;
    };
    for (const Case c : {Case{16, 26, 28}, Case{8, 52, 5}}) {
        SCOPED_TRACE(std::to_string(c.mib) + " MiB card saying " + std::to_string(c.capacity_code));
        const std::vector<uint8_t> before = card_with(c.mib, c.capacity_code, c.photos);
        WriteFileBytes(card_, before);
        Core& core = open(0);
        const std::string folder = path("rescued-" + std::to_string(c.mib));
        RescueSummary summary;
        const Outcome outcome = core.rescue({folder, 0, true}, &summary);
        EXPECT_EQ(summary.card_mib, static_cast<uint32_t>(c.mib));
        EXPECT_EQ(summary.found, c.photos);
        EXPECT_EQ(summary.saved, c.photos);
        EXPECT_FALSE(summary.listing_known);
        EXPECT_FALSE(summary.repaired);
        EXPECT_EQ(outcome.status, Outcome::Status::kFailed);
        EXPECT_EQ(outcome.problem.kind, ProblemKind::kRepairWrongSize) << describe(outcome.problem);
        EXPECT_EQ(outcome.problem.hint, Hint::kFormatThenPut);
        char last[32];
        std::snprintf(last, sizeof last, "/picture-%02u.png", c.photos);
        EXPECT_TRUE(fs::exists(folder + last));
        EXPECT_EQ(files_in(folder).size(), c.photos);

        // Nothing that writes with the list's layout is done.
        const CardState state = core.inspect();
        EXPECT_EQ(state.measured_bytes, static_cast<uint64_t>(c.mib) << 20);
        EXPECT_EQ(state.problem.kind, ProblemKind::kListWrongSize) << describe(state.problem);
        WriteFileBytes(path("new.png"), encode_png(picture(9)));
        PutRequest put_request;
        put_request.files = {path("new.png")};
        EXPECT_EQ(core.put_pictures(put_request).problem.kind, ProblemKind::kListWrongSize);
        EXPECT_EQ(core.delete_photos({0}, false).problem.kind, ProblemKind::kListWrongSize);
        WriteFileBytes(path("other.bin"), card_with(c.capacity_code == 26 ? 8 : 16, c.capacity_code, 1));
        // A backup of the size the list gives is no backup of this card.
        EXPECT_EQ(core.restore(path("other.bin")).problem.kind, ProblemKind::kBackupWrongSize);
        core_.reset();
        EXPECT_TRUE(ReadFileBytes(card_) == before);

        Core& again = open(0);
        const Outcome format = again.format_card();
        ASSERT_TRUE(format.ok()) << describe(format.problem);
        const CardState formatted = again.inspect();
        EXPECT_TRUE(formatted.catalog_ok) << describe(formatted.problem);
        EXPECT_EQ(formatted.catalog.card_bytes(), static_cast<uint64_t>(c.mib) << 20);
        EXPECT_EQ(formatted.catalog.count, 0u);
        core_.reset();
        const std::vector<uint8_t> after = ReadFileBytes(card_);
        const size_t slots = (c.mib == 16 ? 52u : 26u) * 0x4C000u;
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + slots, after.begin()));

        // A backup of the card's own size is restored with the card's layout.
        WriteFileBytes(card_, before);
        const std::vector<uint8_t> own = card_with(c.mib, c.mib == 16 ? 52 : 26, 3);
        WriteFileBytes(path("own.bin"), own);
        const Outcome restored = open(0).restore(path("own.bin"));
        ASSERT_TRUE(restored.ok()) << describe(restored.problem);
        core_.reset();
        EXPECT_TRUE(ReadFileBytes(card_) == own);
    }
}

// On the attached camera, whose size is read off the card: a list erased by a
// cut is said to be erased with the pictures still on the card, the rescue
// reads the 8 MiB card once and asks with the count it saved; a list giving
// the other size sends the person to format in the camera, with the folder.
TEST_F(CoreTest, OnTheAttachedCameraARescueReadsTheCardOnceAndAdvisesWhatWorks) {
    const auto attached = [&](const std::vector<uint8_t>& card, const std::function<void(Core&)>& work) {
        pixavon::test::EmulatorProcess camera;
        camera.write_card_bytes(card);
        camera.start();
        pixavon::test::ScopedEnvironment environment;
        environment.Set("PIXAVON_DEVICE_DIR", camera.device_dir().c_str());
        Core core(cancel_);
        core.set_frontend(ui_);
        ASSERT_TRUE(core.prepare({}, PIXAVON_LIBRARY_PATH).ok());
        ASSERT_TRUE(core.open_camera());
        work(core);
        uint64_t read = 0;
        for (const std::string& line : camera.trace_lines()) {
            unsigned address = 0, length = 0;
            if (std::sscanf(line.c_str(), "READ %x %u", &address, &length) == 2) read += length;
        }
        EXPECT_LT(read, card.size() + (1u << 20));
    };

    std::vector<uint8_t> erased = card_with(8, 26, 3);
    std::fill(erased.end() - 8192, erased.end(), 0xFF);
    attached(erased, [&](Core& core) {
        const CardState state = core.inspect();
        EXPECT_EQ(state.measured_bytes, 8u << 20);
        EXPECT_EQ(state.problem.kind, ProblemKind::kCatalogErased) << describe(state.problem);
        EXPECT_EQ(state.problem.facts.count, 3u);
        RescueSummary summary;
        ui_.asked.clear();
        const Outcome outcome = core.rescue({path("erased"), 0, true}, &summary);
        ASSERT_TRUE(outcome.ok()) << describe(outcome.problem);
        EXPECT_EQ(summary.card_mib, 8u);
        ASSERT_EQ(ui_.asked.size(), 1u);
        EXPECT_EQ(ui_.asked[0].facts.count, summary.saved);
        EXPECT_EQ(core.inspect().catalog.count, 3u);
    });

    attached(card_with(16, 26, 4), [&](Core& core) {
        const Outcome outcome = core.rescue({path("other-size"), 0, true}, nullptr);
        EXPECT_EQ(outcome.problem.kind, ProblemKind::kRepairWrongSize) << describe(outcome.problem);
        EXPECT_EQ(outcome.problem.hint, Hint::kFormatInCamera);
        EXPECT_EQ(outcome.problem.facts.folder, path("other-size"));
        EXPECT_EQ(files_in(path("other-size")).size(), 4u);
    });
}

}  // namespace

namespace {

std::string hex64(uint64_t value) {
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// Identity rests on the pixels: an index line of the old 64-bit hash that
// another photo shares (as a made collision does) neither keeps that photo
// from being imported nor gets it deleted from the card; a line that does hold
// its photo still counts, so nothing is imported twice.
TEST_F(CoreTest, ImportKnowsPhotosByTheirPixelsNotBySharedHashes) {
    Core& core = open();
    put(core, 2);
    const std::string folder = path("Pictures");
    fs::create_directories(folder);
    // The camera's bitmap drops 100 pixels; the photo is what the card gives back.
    const Image first_on_card = *core.read_photo(0, nullptr);
    const Image second_on_card = *core.read_photo(1, nullptr);
    const std::vector<uint8_t> png = encode_png(first_on_card);
    WriteFileBytes(folder + "/old.png", png);
    const std::string file_hash = hex64(content_hash(png.data(), png.size()));
    const auto old_hash = [](const Image& photo) { return hex64(content_hash(photo.rgb.data(), photo.rgb.size())); };
    WriteFileBytes(folder + "/.pixavon-import", [&] {
        const std::string lines = old_hash(first_on_card) + " " + file_hash + " old.png\n" + old_hash(second_on_card) +
                                  " " + file_hash + " old.png\n";
        return std::vector<uint8_t>(lines.begin(), lines.end());
    }());

    ImportRequest request;
    request.folder = folder;
    request.name_pattern = "new-{n}.png";
    request.delete_after = true;
    ImportSummary summary;
    const Outcome outcome = core.import_photos(request, &summary);
    ASSERT_TRUE(outcome.ok()) << describe(outcome.problem);
    EXPECT_EQ(summary.already, 1u);
    EXPECT_EQ(summary.imported, 1u);
    EXPECT_EQ(summary.deleted, 2u);
    ASSERT_EQ(summary.files.size(), 1u);
    EXPECT_EQ(decode_png(ReadFileBytes(folder + "/" + summary.files[0].second)).rgb, second_on_card.rgb);
}

// A JPEG never reads back as the photo's pixels: deleting what an import saves
// as JPEG is refused before any work, and a photo saved as JPEG before stays
// on the card.
TEST_F(CoreTest, OnlyAFileHoldingEveryPixelLetsAPhotoLeaveTheCard) {
    Core& core = open();
    put(core, 1);
    ImportRequest request;
    request.folder = path("Pictures");
    request.name_pattern = "{n}.jpg";
    request.delete_after = true;
    ImportSummary summary;
    const Outcome refused = core.import_photos(request, &summary);
    EXPECT_EQ(refused.problem.kind, ProblemKind::kNamePatternLossy) << describe(refused.problem);
    EXPECT_FALSE(fs::exists(request.folder));
    request.delete_after = false;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    request.name_pattern = "{n}.png";
    request.delete_after = true;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.already, 1u);
    EXPECT_EQ(summary.kept, 1u);
    EXPECT_EQ(summary.deleted, 0u);
    EXPECT_EQ(core.inspect().catalog.count, 1u);
}

// Index names are only records: a name leaving the folder, or a link in it,
// is no file of the folder's, so the photo is imported into the folder before
// it leaves the card. Lines ended CR LF, as Windows programs write them, read
// as any other.
TEST_F(CoreTest, IndexNamesAreOnlyRecordsOfFilesInTheFolder) {
    Core& core = open();
    put(core, 3);
    const std::string folder = path("Pictures");
    fs::create_directories(folder);
    std::string lines;
    const std::vector<std::string> names = {"../outside0.png", "linked.png", path("outside2.png")};
    for (uint32_t i = 0; i < 3; ++i) {
        const Image photo = *core.read_photo(i, nullptr);
        const std::vector<uint8_t> png = encode_png(photo);
        WriteFileBytes(path("outside" + std::to_string(i) + ".png"), png);
        lines += hex_of(pixel_digest(photo)) + " " + hex_of(sha256(png.data(), png.size())) + " " + names[i] + "\n";
    }
    fs::create_symlink(path("outside1.png"), folder + "/linked.png");
    WriteFileBytes(folder + "/.pixavon-import", std::vector<uint8_t>(lines.begin(), lines.end()));
    ImportRequest request;
    request.folder = folder;
    request.name_pattern = "{n:03}.png";
    request.delete_after = true;
    ImportSummary summary;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 3u);
    EXPECT_EQ(summary.deleted, 3u);
    for (const auto& [position, name] : summary.files) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder + "/" + name))) << name;
    }
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(fs::exists(path("outside" + std::to_string(i) + ".png")));

    std::string crlf;
    for (const uint8_t c : ReadFileBytes(folder + "/.pixavon-import"))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, static_cast<char>(c));
    WriteFileBytes(folder + "/.pixavon-import", std::vector<uint8_t>(crlf.begin(), crlf.end()));
    put(core, 3);
    request.delete_after = false;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 0u);
    EXPECT_EQ(summary.already, 3u);
    EXPECT_EQ(summary.removed, 0u);
}

// A second import into a folder waits a moment for the one running, then
// stops before its work.
TEST_F(CoreTest, OneImportIntoAFolderAtATime) {
    Core& core = open();
    put(core, 1);
    ImportRequest request;
    request.folder = path("Pictures");
    fs::create_directories(request.folder);
    const int running = ::open((request.folder + "/.pixavon-import").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    ImportSummary summary;
    const Outcome busy = core.import_photos(request, &summary);
    EXPECT_EQ(busy.problem.kind, ProblemKind::kImportFolderBusy) << describe(busy.problem);
    EXPECT_EQ(summary.looked_at, 0u);
    EXPECT_EQ(files_in(request.folder).size(), 1u);
    ::close(running);
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 1u);
}

}  // namespace

namespace {

// A pipe or a link in the index's place is refused at once: the import
// neither waits on a reader nor writes through the link.
TEST_F(CoreTest, ImportRefusesAnIndexThatIsNotARegularFile) {
    Core& core = open();
    put(core, 1);
    ImportRequest request;
    request.folder = path("Pictures");
    fs::create_directories(request.folder);
    ASSERT_EQ(::mkfifo((request.folder + "/.pixavon-import").c_str(), 0644), 0);
    Outcome outcome = core.import_photos(request, nullptr);
    EXPECT_EQ(outcome.status, Outcome::Status::kRefused);
    EXPECT_EQ(outcome.problem.kind, ProblemKind::kIndexNotAFile) << describe(outcome.problem);

    fs::remove(request.folder + "/.pixavon-import");
    WriteFileBytes(path("outside"), {});
    fs::create_symlink(path("outside"), request.folder + "/.pixavon-import");
    outcome = core.import_photos(request, nullptr);
    EXPECT_EQ(outcome.status, Outcome::Status::kRefused);
    EXPECT_EQ(outcome.problem.kind, ProblemKind::kIndexNotAFile) << describe(outcome.problem);
    EXPECT_EQ(fs::file_size(path("outside")), 0u);

    // Nor does it write into a file that has another name elsewhere.
    fs::remove(request.folder + "/.pixavon-import");
    fs::create_hard_link(path("outside"), request.folder + "/.pixavon-import");
    outcome = core.import_photos(request, nullptr);
    EXPECT_EQ(outcome.problem.kind, ProblemKind::kIndexHasOtherNames) << describe(outcome.problem);
    EXPECT_EQ(fs::file_size(path("outside")), 0u);
}

}  // namespace

namespace {

// An image cut short is read as far as it goes, the rest as erased; the image
// itself is left as it is, and not repaired.
TEST_F(CoreTest, RescueReadsAShortImageAsFarAsItGoes) {
    std::vector<uint8_t> bytes = card_with(8, 26, 5);
    bytes.resize(4u << 20);
    WriteFileBytes(card_, bytes);
    core_ = std::make_unique<Core>(cancel_);
    core_->set_frontend(ui_);
    // Its length proves no size: the person names it.
    EXPECT_EQ(core_->prepare({card_, 0, true}, PIXAVON_LIBRARY_PATH).problem.kind, ProblemKind::kCardImageWrongLength);
    core_ = std::make_unique<Core>(cancel_);
    core_->set_frontend(ui_);
    ASSERT_TRUE(core_->prepare({card_, 8, true}, PIXAVON_LIBRARY_PATH).ok());
    ASSERT_TRUE(core_->open_camera());
    RescueSummary summary;
    const Outcome outcome = core_->rescue({path("rescued"), 0, true}, &summary);
    EXPECT_EQ(summary.card_mib, 8u);
    EXPECT_EQ(summary.saved, 5u);
    EXPECT_EQ(outcome.problem.kind, ProblemKind::kShortImageNotRepaired) << describe(outcome.problem);
    core_.reset();
    EXPECT_EQ(fs::file_size(card_), 4u << 20);
}

// What a killed run of ours left goes at the next run: in the temporary
// folder at the start, in a backup's folder with the backup. Nothing else
// goes, whatever its name: not a folder or file that only looks like ours,
// nor one a live process holds.
TEST_F(CoreTest, OnlyLeftoversOfKilledRunsAreRemoved) {
    const std::string tmp = path("tmp");
    const std::string target = path("backups");
    fs::create_directories(tmp);
    fs::create_directories(target);
    const pid_t child = ::fork();
    if (child == 0) {
        // Killed while writing: nothing is cleaned up.
        PrivateDir session(tmp, "pixavon");
        PrivateDir camera(tmp, "pixavon-camera");
        DurableFile backup(target + "/card.bin");
        backup.write(reinterpret_cast<const uint8_t*>("half"), 4);
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    ASSERT_EQ(files_in(tmp).size(), 2u);
    ASSERT_EQ(files_in(target).size(), 1u);
    const std::string dead = std::to_string(child);
    const std::vector<std::string> theirs = {
        "pixavon-20240101-rescue",     "pixavon-2024-photos",
        "pixavon-" + dead + "-abcdef", ".pixavon-" + dead + "-abcdef",
        "pixavon~" + dead + "~abcdef", "pixavon~" + std::to_string(::getppid()) + "~abcdef"};
    for (const std::string& dir : {tmp, target}) {
        for (const std::string& name : theirs) {
            fs::create_directories(dir + "/" + name);
            WriteFileBytes(dir + "/" + name + "/photo.png", {1, 2, 3});
        }
        WriteFileBytes(dir + "/.pixavon~" + dead + "~abcdef", {1});
    }
    const char* saved = std::getenv("TMPDIR");
    const std::string saved_tmp = saved != nullptr ? saved : "";
    ::setenv("TMPDIR", tmp.c_str(), 1);
    Core& core = open();
    const Outcome backup = core.backup(target + "/card.bin", false);
    core_.reset();
    if (saved != nullptr)
        ::setenv("TMPDIR", saved_tmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    ASSERT_TRUE(backup.ok()) << describe(backup.problem);
    std::vector<std::string> expected = theirs;
    expected.push_back(".pixavon~" + dead + "~abcdef");
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> left = files_in(tmp);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, expected);
    expected.push_back("card.bin");
    std::sort(expected.begin(), expected.end());
    left = files_in(target);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, expected);
    for (const std::string& name : theirs) EXPECT_TRUE(fs::exists(target + "/" + name + "/photo.png")) << name;
}

// A leftover is the folder a killed run made, where it made it, holding only
// what it made: a copy of it (a backup restored) or one holding a file of a
// person's stays.
TEST_F(CoreTest, ALeftoverCopiedOrHoldingOtherFilesStays) {
    const std::string killed = path("killed");
    const std::string restored = path("restored");
    fs::create_directories(killed);
    fs::create_directories(restored);
    const pid_t child = ::fork();
    if (child == 0) {
        DurableFile photo(killed + "/photo.png");
        photo.write(reinterpret_cast<const uint8_t*>("half"), 4);
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    ASSERT_EQ(files_in(killed).size(), 1u);
    const std::string name = files_in(killed)[0];
    fs::copy(killed + "/" + name, restored + "/" + name, fs::copy_options::recursive);
    remove_leftovers(restored);
    EXPECT_EQ(files_in(restored + "/" + name).size(), 2u);
    WriteFileBytes(killed + "/" + name + "/mine.png", {1, 2, 3});
    remove_leftovers(killed);
    EXPECT_TRUE(fs::exists(killed + "/" + name + "/mine.png"));
    fs::remove(killed + "/" + name + "/mine.png");
    remove_leftovers(killed);
    EXPECT_TRUE(files_in(killed).empty());
}

// Where the file system cannot rename without replacing (FAT over FUSE), a
// file is still never written over unasked, and a write that is not finished
// leaves nothing.
TEST_F(CoreTest, FilesAreWrittenWithoutHardLinksAndNeverOverUnasked) {
    const std::string file = path("photo.png");
    const auto text = [](const std::string& name) {
        const std::vector<uint8_t> bytes = ReadFileBytes(name);
        return std::string(bytes.begin(), bytes.end());
    };
    for (const bool plain : {false, true}) {
        seam::force_plain_rename(plain);
        fs::remove(file);
        EXPECT_TRUE(write_file_durably(file, std::string_view("first"), false));
        EXPECT_FALSE(write_file_durably(file, std::string_view("second"), false));
        {
            // Made by someone else while this one was written.
            fs::remove(file);
            DurableFile late(file);
            late.write(reinterpret_cast<const uint8_t*>("late"), 4);
            WriteFileBytes(file, {'m', 'i', 'n', 'e'});
            EXPECT_FALSE(late.commit(false));
        }
        EXPECT_EQ(text(file), "mine");
        EXPECT_TRUE(write_file_durably(file, std::string_view("replaced"), true));
        EXPECT_EQ(text(file), "replaced");
        {
            DurableFile dropped(path("dropped"));
            dropped.write(reinterpret_cast<const uint8_t*>("x"), 1);
        }
        EXPECT_FALSE(fs::exists(path("dropped")));
        EXPECT_THROW(write_file_durably(path("no-such-folder/photo.png"), std::string_view("x"), false), DiskError);
    }
    seam::force_plain_rename(false);
    for (const std::string& name : files_in(dir_)) EXPECT_EQ(name.find("pixavon~"), std::string::npos) << name;
}

}  // namespace
