// The pixavon tool driven as a user drives it: a separate process on an
// embedded card, with standard input and output that are not terminals.

#include <fcntl.h>
#include <iconv.h>
#include <locale.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "image.h"
#include "support/emulator_process.h"

extern char** environ;

namespace {

using pixavon::host::Image;
using pixavon::test::ReadFileBytes;
using pixavon::test::WriteFileBytes;
namespace fs = std::filesystem;

constexpr uint64_t kSmallCard = 8ull << 20;

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A picture with smooth colour ramps, so that scaling changes it little.
Image ramp(uint32_t w, uint32_t h) {
    Image image(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = static_cast<uint8_t>(255 * x / w);
            p[1] = static_cast<uint8_t>(255 * y / h);
            p[2] = static_cast<uint8_t>(200 - 150 * x / w);
        }
    }
    return image;
}

Image solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b) {
    Image image(w, h);
    for (size_t i = 0; i < image.rgb.size(); i += 3) {
        image.rgb[i] = r;
        image.rgb[i + 1] = g;
        image.rgb[i + 2] = b;
    }
    return image;
}

// The card keeps all of a photo but the right-most 100 pixels of its bottom row.
bool stored_on_card(uint32_t x, uint32_t y) { return !(y == 241 && x >= 222); }

struct Difference {
    double mean = 0;
    int max = 0;
};

Difference compare(const Image& a, const Image& b) {
    Difference d;
    uint64_t sum = 0, n = 0;
    for (uint32_t y = 0; y < a.height; ++y) {
        for (uint32_t x = 0; x < a.width; ++x) {
            if (!stored_on_card(x, y)) continue;
            for (int c = 0; c < 3; ++c) {
                const int diff = std::abs(a.pixel(x, y)[c] - b.pixel(x, y)[c]);
                sum += static_cast<uint64_t>(diff);
                d.max = std::max(d.max, diff);
                ++n;
            }
        }
    }
    d.mean = static_cast<double>(sum) / static_cast<double>(n);
    return d;
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pixavon-tool-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        card_ = dir_ + "/card.bin";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Runs the tool with stdin from /dev/null and stdout and stderr in files.
    // With `signal_after_ms`, the tool is sent SIGHUP that long after it starts.
    Result run_tool(std::vector<std::string> args, const std::vector<std::string>& env_overrides = {},
                    const std::string& stdout_path = "", int signal_after_ms = -1) {
        const std::string out = stdout_path.empty() ? path(".stdout") : stdout_path, err = path(".stderr");
        // English unless a test asks for another locale; an override replaces
        // the variable of the same name.
        std::vector<std::string> overrides = {"LANGUAGE=", "LANG=C.UTF-8", "LC_ALL=C.UTF-8", "LC_MESSAGES="};
        overrides.insert(overrides.end(), env_overrides.begin(), env_overrides.end());
        const auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=') + 1); };
        std::vector<std::string> env_strings;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (std::none_of(overrides.begin(), overrides.end(),
                             [&](const std::string& o) { return name_of(o) == name_of(entry); })) {
                env_strings.push_back(entry);
            }
        }
        for (const std::string& o : overrides) {
            if (std::none_of(env_strings.begin(), env_strings.end(),
                             [&](const std::string& e) { return name_of(e) == name_of(o); })) {
                env_strings.push_back(o);
            } else {
                std::replace_if(
                    env_strings.begin(), env_strings.end(),
                    [&](const std::string& e) { return name_of(e) == name_of(o); }, o);
            }
        }
        std::vector<char*> envp;
        for (std::string& e : env_strings) envp.push_back(e.data());
        envp.push_back(nullptr);
        args.insert(args.begin(), PIXAVON_TOOL_PATH);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        const pid_t pid = ::fork();
        if (pid == 0) {
            const int in = ::open("/dev/null", O_RDONLY);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(in, 0);
            ::dup2(o, 1);
            ::dup2(e, 2);
            if (::chdir(dir_.c_str()) != 0) ::_exit(126);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        Result result;
        int status = 0;
        if (signal_after_ms >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(signal_after_ms));
            ::kill(pid, SIGHUP);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "the tool did not finish in time";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        if (stdout_path.empty()) result.out = read_text(out);
        result.err = read_text(err);
        return result;
    }

    // Runs a command on the test's card.
    Result card(std::vector<std::string> args) {
        args.insert(args.begin(), {"--card", card_, "--size", "8"});
        return run_tool(args);
    }

    // An 8 MiB card whose catalog names `slots`; the photo slots hold 0xFF.
    void make_card(const std::vector<uint8_t>& slots, uint8_t capacity = 26) {
        std::vector<uint8_t> bytes(capacity == 26 ? kSmallCard : 2 * kSmallCard, 0xFF);
        const std::vector<uint8_t> catalog = pixavon::test::make_catalog(capacity, slots);
        std::copy(catalog.begin(), catalog.end(), bytes.end() - static_cast<long>(catalog.size()));
        WriteFileBytes(card_, bytes);
    }

    nlohmann::json list_json() {
        const Result r = card({"list", "--json"});
        EXPECT_EQ(r.code, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }

    std::string dir_;
    std::string card_;
};

TEST_F(ToolTest, InfoCreatesAFreshCardAndReportsIt) {
    const Result r = run_tool({"--card", card_, "--size", "16", "info"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fs::file_size(card_), 2 * kSmallCard);
    EXPECT_NE(r.out.find("connected"), std::string::npos);
    EXPECT_NE(r.out.find("capacity code 52"), std::string::npos);
    EXPECT_NE(r.out.find("free slots:  52"), std::string::npos);
    EXPECT_NE(r.out.find("0 is used up 52 is available"), std::string::npos) << r.out;

    // Without --size a missing card is an error that says how to create one.
    const Result missing = run_tool({"--card", path("none.bin"), "info"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("--size"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(path("none.bin")));

    // A file that is not a card image is refused and left alone.
    WriteFileBytes(path("small.bin"), std::vector<uint8_t>(1000, 7));
    EXPECT_EQ(run_tool({"--card", path("small.bin"), "info"}).code, 2);
    EXPECT_EQ(fs::file_size(path("small.bin")), 1000u);
}

TEST_F(ToolTest, NoCameraIsReportedWithAdvice) {
    fs::create_directory(path("empty"));
    fs::permissions(path("empty"), fs::perms::owner_all);
    const Result r = run_tool({"info"}, {"PIXAVON_DEVICE_DIR=" + path("empty")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("not connected"), std::string::npos);
    EXPECT_NE(r.err.find("--card"), std::string::npos) << r.err;
    EXPECT_EQ(run_tool({"list"}, {"PIXAVON_DEVICE_DIR=" + path("empty")}).code, 1);
}

TEST_F(ToolTest, PicturesGoOnAndComeBackWithinTheScalingTolerance) {
    const Image exact = ramp(322, 242);
    const Image large = ramp(644, 484);  // scaled by half on the way
    WriteFileBytes(path("exact.png"), pixavon::host::encode_png(exact));
    WriteFileBytes(path("large.jpg"), pixavon::host::encode_jpeg(large, 95));
    WriteFileBytes(path("camera.bmp"), pixavon::host::encode_camera_bitmap(solid(322, 242, 10, 200, 30)));

    const Result put = card({"put", "exact.png", "large.jpg", "camera.bmp"});
    ASSERT_EQ(put.code, 0) << put.err;
    EXPECT_NE(put.out.find("'large.jpg' put on the card as photo 1 (slot 1)."), std::string::npos) << put.out;
    // Not a terminal: plain lines, one per upload, no bar drawing.
    EXPECT_EQ(put.err.find('\r'), std::string::npos);
    EXPECT_EQ(put.err.find('\x1b'), std::string::npos);
    EXPECT_NE(put.err.find("Putting 'exact.png' on the card (1 of 3): done"), std::string::npos) << put.err;

    const nlohmann::json list = list_json();
    EXPECT_EQ(list["count"], 3);
    EXPECT_EQ(list["capacity"], 26);
    EXPECT_EQ(list["free"], 23);
    ASSERT_EQ(list["photos"].size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list["photos"][i]["position"], i);
        EXPECT_EQ(list["photos"][i]["slot"], i);
        EXPECT_EQ(list["photos"][i]["bytes"], 311296);
    }

    const Result get = card({"get", "0", "1", "2", "-o", "."});
    ASSERT_EQ(get.code, 0) << get.err;
    const Result png = card({"get", "0", "-o", "back.png"});
    ASSERT_EQ(png.code, 0) << png.err;

    // A PNG of the camera's size is stored without loss.
    const Image exact_back = pixavon::host::decode_png(ReadFileBytes(path("back.png")));
    ASSERT_EQ(exact_back.width, 322u);
    EXPECT_EQ(compare(exact, exact_back).max, 0);
    EXPECT_EQ(compare(exact, pixavon::host::decode_bmp(ReadFileBytes(path("photo-0.bmp")))).max, 0);

    // The JPEG was scaled by half: close to the same ramp at the camera's size.
    const Difference scaled = compare(exact, pixavon::host::decode_bmp(ReadFileBytes(path("photo-1.bmp"))));
    EXPECT_LT(scaled.mean, 3.0);
    EXPECT_LT(scaled.max, 40);

    // The camera's own bitmap goes on as it is.
    const std::vector<uint8_t> original = ReadFileBytes(path("camera.bmp"));
    const std::vector<uint8_t> back = ReadFileBytes(path("photo-2.bmp"));
    ASSERT_EQ(back.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin() + 54 + 968, original.end(), back.begin() + 54 + 968));
}

TEST_F(ToolTest, FitPadsOrCropsAWidePicture) {
    WriteFileBytes(path("wide.png"), pixavon::host::encode_png(solid(644, 242, 250, 250, 250)));
    ASSERT_EQ(card({"put", "wide.png"}).code, 0);
    ASSERT_EQ(card({"put", "--fit", "crop", "wide.png"}).code, 0);
    ASSERT_EQ(card({"get", "0", "1", "-o", "."}).code, 0);
    const Image padded = pixavon::host::decode_bmp(ReadFileBytes(path("photo-0.bmp")));
    const Image cropped = pixavon::host::decode_bmp(ReadFileBytes(path("photo-1.bmp")));
    // Pad: 322 x 121 in the middle, black above and below.
    EXPECT_EQ(padded.pixel(161, 5)[0], 0);
    EXPECT_GT(padded.pixel(161, 121)[0], 240);
    EXPECT_EQ(padded.pixel(161, 236)[0], 0);
    // Crop: the frame is filled.
    EXPECT_GT(cropped.pixel(161, 5)[0], 240);
    EXPECT_GT(cropped.pixel(5, 236)[0], 240);
}

TEST_F(ToolTest, RefusalsLeaveTheCardByteIdentical) {
    std::vector<uint8_t> full(26);
    for (uint8_t i = 0; i < 26; ++i) full[i] = i;
    make_card(full);
    WriteFileBytes(path("ok.png"), pixavon::host::encode_png(ramp(100, 80)));
    const std::vector<uint8_t> before = ReadFileBytes(card_);

    const Result no_room = card({"put", "ok.png"});
    EXPECT_EQ(no_room.code, 1);
    EXPECT_NE(no_room.err.find("The card is full: 26 of 26 photos."), std::string::npos) << no_room.err;
    EXPECT_TRUE(ReadFileBytes(card_) == before);

    make_card({0, 1});
    const std::vector<uint8_t> two = ReadFileBytes(card_);
    WriteFileBytes(path("junk.png"), std::vector<uint8_t>(5000, 0x41));
    std::vector<uint8_t> cut = pixavon::host::encode_png(ramp(300, 300));
    cut.resize(cut.size() / 2);
    WriteFileBytes(path("cut.png"), cut);
    WriteFileBytes(path("restore.bin"), std::vector<uint8_t>(1000, 0));
    const std::vector<std::vector<std::string>> refused = {
        {"put", "junk.png"},                  // not a picture
        {"put", "ok.png", "cut.png"},         // a damaged PNG after a good one: nothing goes on
        {"put", "missing.png"},               // no such file
        {"get", "2"},                         // out of range
        {"rm", "0", "7"},                     // one out of range: nothing deleted
        {"rm", "x"},                          // not a number
        {"rm", "0x0"},                        // photos are numbered in decimal
        {"format"},                           // needs --yes off a terminal
        {"restore", "--yes", "restore.bin"},  // not a backup of this card
        {"raw", "write", "0", "ok.png"},      // needs --yes off a terminal
    };
    for (const auto& args : refused) {
        const Result r = card(args);
        EXPECT_EQ(r.code, 2) << args[0] << ": " << r.err;
        EXPECT_FALSE(r.err.empty()) << args[0];
        EXPECT_TRUE(ReadFileBytes(card_) == two) << args[0] << " changed the card";
    }
}

// An import's file names stay plain names in its folder on every system, and
// it never deletes a photo whose only copy would be a JPEG: both are refused
// before any work.
TEST_F(ToolTest, ImportNamesStayInTheFolderAndJpegCostsNoPhoto) {
    WriteFileBytes(path("ok.png"), pixavon::host::encode_png(ramp(322, 242)));
    ASSERT_EQ(card({"put", "ok.png"}).code, 0);
    const std::vector<uint8_t> before = ReadFileBytes(card_);
    for (const std::string pattern :
         {"x\\..\\..\\up{n}.png", "a:{n}.png", "../{n}.png", "COM{n}.png", "nul.{n}.png", "{n}.png.", "{n}?.png"}) {
        const Result r = card({"import", "--delete-after", "--name", pattern, "g1/inner"});
        EXPECT_EQ(r.code, 2) << pattern << ": " << r.err;
        EXPECT_NE(r.err.find("cannot name files"), std::string::npos) << r.err;
    }
    const Result jpeg = card({"import", "--delete-after", "--name", "{n}.jpg", "g1/inner"});
    EXPECT_EQ(jpeg.code, 2) << jpeg.err;
    EXPECT_NE(jpeg.err.find("JPEG files, which do not keep every pixel"), std::string::npos) << jpeg.err;
    EXPECT_FALSE(fs::exists(path("g1")));
    EXPECT_TRUE(ReadFileBytes(card_) == before);
}

TEST_F(ToolTest, RemovesSeveralPositionsAsTheUserNumberedThem) {
    make_card({0, 1, 2, 3, 4});
    const Result r = card({"rm", "1", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json list = list_json();
    ASSERT_EQ(list["count"], 3);
    EXPECT_EQ(list["photos"][0]["slot"], 0);
    EXPECT_EQ(list["photos"][1]["slot"], 2);
    EXPECT_EQ(list["photos"][2]["slot"], 4);
}

TEST_F(ToolTest, CardImagesAreReadOnlyWhenOnlyReadAndOddFilesAreToldInWords) {
    make_card({0, 1});
    const std::vector<uint8_t> two = ReadFileBytes(card_);
    // Listing a card image changes nothing of it, its time included.
    const auto modified = [](const std::string& file) {
        struct stat st {};
        ::stat(file.c_str(), &st);
        return std::make_pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    };
    const auto mtime = modified(card_);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(card({"list"}).code, 0);
    EXPECT_EQ(modified(card_), mtime);

    // A backup on read-only media can be browsed; what would change it says why.
    const std::string media = path("media");
    fs::create_directory(media);
    fs::copy_file(card_, media + "/backup.bin");
    if (::mount(media.c_str(), media.c_str(), nullptr, MS_BIND, nullptr) == 0) {
        struct Unmount {
            std::string dir;
            ~Unmount() { ::umount2(dir.c_str(), MNT_DETACH); }
        } unmount{media};
        ASSERT_EQ(::mount(nullptr, media.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
        const Result listed = run_tool({"--card", media + "/backup.bin", "list"});
        EXPECT_EQ(listed.code, 0) << listed.err;
        EXPECT_NE(listed.out.find("2 photos"), std::string::npos) << listed.out;
        const Result removed = run_tool({"--card", media + "/backup.bin", "rm", "0"});
        EXPECT_NE(removed.code, 0);
        EXPECT_NE(removed.err.find("the disk can only be read"), std::string::npos) << removed.err;
    }

    // Not a regular file: said so, whatever it reads as.
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    for (const std::string& odd : {path("pipe"), std::string("/dev/zero")}) {
        const Result r = run_tool({"--card", odd, "list"});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("is not a regular file"), std::string::npos) << r.err;
    }

    // Shorter than a photo: nothing to rescue, and nothing offered.
    WriteFileBytes(path("text.img"), {'a', 'b', 'c', 'd', 'e', 'f'});
    const Result text = run_tool({"--card", path("text.img"), "list"});
    EXPECT_EQ(text.err.find("rescue"), std::string::npos) << text.err;
    const Result none = run_tool({"--card", path("text.img"), "rescue", "-o", path("none"), "--size", "8"});
    EXPECT_EQ(none.code, 2) << none.err;
    EXPECT_FALSE(fs::exists(path("none")) && !fs::is_empty(path("none")));
    // Longer than an 8 MiB card: what is offered is a 16 MiB card cut short, and it works.
    std::vector<uint8_t> longer = two;
    longer.push_back(0xFF);
    WriteFileBytes(path("long.img"), longer);
    const Result offered = run_tool({"--card", path("long.img"), "list"});
    EXPECT_NE(offered.err.find("rescue -o FOLDER --size 16"), std::string::npos) << offered.err;
    const Result eight = run_tool({"--card", path("long.img"), "rescue", "-o", path("r8"), "--size", "8"});
    EXPECT_NE(eight.err.find("--size 16"), std::string::npos) << eight.err;
    const Result sixteen = run_tool({"--card", path("long.img"), "rescue", "-o", path("r16"), "--size", "16"});
    EXPECT_EQ(sixteen.code, 0) << sixteen.err;
}

TEST_F(ToolTest, BackupRestoreAndFormat) {
    make_card({3, 1, 4});
    const std::vector<uint8_t> original = ReadFileBytes(card_);
    const Result backup = card({"backup", "saved.bin"});
    ASSERT_EQ(backup.code, 0) << backup.err;
    EXPECT_NE(backup.err.find("Backing up the card to 'saved.bin': done"), std::string::npos) << backup.err;
    EXPECT_TRUE(ReadFileBytes(path("saved.bin")) == original);
    // Never over an existing file without --force.
    EXPECT_EQ(card({"backup", "saved.bin"}).code, 2);

    ASSERT_EQ(card({"format", "--yes"}).code, 0);
    nlohmann::json list = list_json();
    EXPECT_EQ(list["count"], 0);
    EXPECT_EQ(list["capacity"], 26);

    const Result restore = card({"restore", "--yes", "saved.bin"});
    ASSERT_EQ(restore.code, 0) << restore.err;
    EXPECT_NE(restore.out.find("3 photos restored from"), std::string::npos);
    EXPECT_TRUE(ReadFileBytes(card_) == original);
}

TEST_F(ToolTest, SavedFilesAreNeverOverwrittenUnlessForced) {
    WriteFileBytes(path("a.png"), pixavon::host::encode_png(solid(322, 242, 200, 0, 0)));
    ASSERT_EQ(card({"put", "a.png"}).code, 0);
    WriteFileBytes(path("keep.png"), {1, 2, 3});
    const Result refused = card({"get", "0", "-o", "keep.png"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("--force"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(path("keep.png")), (std::vector<uint8_t>{1, 2, 3}));

    ASSERT_EQ(card({"get", "0", "-o", "keep.png", "--force"}).code, 0);
    EXPECT_EQ(pixavon::host::decode_png(ReadFileBytes(path("keep.png"))).pixel(10, 10)[0], 200);

    ASSERT_EQ(card({"get", "--all", "-o", "all", "--format", "png"}).code, 0);
    EXPECT_TRUE(fs::exists(path("all/photo-0.png")));
    EXPECT_EQ(card({"get", "--all", "-o", "all"}).code, 0);  // other names: .bmp
    EXPECT_EQ(card({"get", "--all", "-o", "all", "--format", "png"}).code, 2);
}

TEST_F(ToolTest, ContactSheetShowsEveryPhoto) {
    WriteFileBytes(path("red.png"), pixavon::host::encode_png(solid(322, 242, 220, 20, 20)));
    WriteFileBytes(path("blue.png"), pixavon::host::encode_png(solid(322, 242, 20, 20, 220)));
    ASSERT_EQ(card({"put", "red.png", "blue.png"}).code, 0);
    const Result r = card({"contact-sheet", "sheet.png"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Image sheet = pixavon::host::decode_png(ReadFileBytes(path("sheet.png")));
    // Two thumbnails of half size side by side, each found by its colour.
    EXPECT_GE(sheet.width, 2 * 161u);
    int red = 0, blue = 0;
    for (uint32_t y = 0; y < sheet.height; ++y) {
        for (uint32_t x = 0; x < sheet.width; ++x) {
            const uint8_t* p = sheet.pixel(x, y);
            red += p[0] > 200 && p[2] < 40;
            blue += p[2] > 200 && p[0] < 40;
        }
    }
    EXPECT_GT(red, 150 * 110);
    EXPECT_GT(blue, 150 * 110);
}

TEST_F(ToolTest, DamagedCatalogShowsTheLibrarysBoxAndFails) {
    WriteFileBytes(card_, std::vector<uint8_t>(kSmallCard, 0xFF));
    const std::vector<uint8_t> before = ReadFileBytes(card_);
    const Result r = card({"list"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Lumetta: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("rescue -o"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFileBytes(card_) == before);
}

// The card's size is the card's: info says so beside a list that gives
// another, a size given that the card disproves is refused, and an image of
// neither card's length is refused, each with the card image left as it was.
TEST_F(ToolTest, TheCardsOwnSizeRulesOverItsListAndWhatIsGiven) {
    make_card({0, 1}, 52);
    std::vector<uint8_t> bytes = ReadFileBytes(card_);
    bytes[bytes.size() - 8192 + 258] = 26;  // a 16 MiB card whose list says 8 MiB
    WriteFileBytes(card_, bytes);
    const Result info = run_tool({"--card", card_, "info"});
    EXPECT_EQ(info.code, 1);
    EXPECT_NE(info.out.find("16 MiB, capacity code 26"), std::string::npos) << info.out;
    EXPECT_NE(info.err.find("its photo list gives 8 MiB"), std::string::npos) << info.err;

    std::fill(bytes.begin(), bytes.end(), 0xFF);  // blank: only its length tells its size
    WriteFileBytes(card_, bytes);
    const Result blank = run_tool({"--card", card_, "rescue", "-o", path("out"), "--size", "8", "--repair", "--yes"});
    EXPECT_EQ(blank.code, 2);
    EXPECT_NE(blank.err.find("not the 8 MiB given"), std::string::npos) << blank.err;
    EXPECT_TRUE(ReadFileBytes(card_) == bytes);

    bytes.resize(kSmallCard + 1, 0xFF);
    WriteFileBytes(card_, bytes);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"info"},
                                                 {"rescue", "-o", path("out")},
                                                 {"rescue", "-o", path("out"), "--size", "8"}}) {
        std::vector<std::string> all = {"--card", card_};
        all.insert(all.end(), args.begin(), args.end());
        const Result odd = run_tool(all);
        EXPECT_EQ(odd.code, 2) << odd.err;
        EXPECT_NE(odd.err.find("holds 8388609 bytes"), std::string::npos) << odd.err;
    }
    EXPECT_EQ(fs::file_size(card_), kSmallCard + 1);
}

// A list cut short while it was rewritten: the repair keeps the entries that
// are still whole, names every picture found (putting back what the cut count
// cannot name), and the next picture put lands on an erased slot.
TEST_F(ToolTest, ARepairNamesEveryPictureFoundAndTheNextPutOverwritesNone) {
    struct Cut {
        int mib;
        int photos;
        bool remove_one;
        size_t erased_from;  // within the catalog's 8 KiB
    };
    for (const Cut cut : {Cut{8, 5, true, 552}, Cut{16, 40, false, 2 * 512}}) {
        SCOPED_TRACE(std::to_string(cut.mib) + " MiB");
        fs::remove(card_);
        const std::string size = std::to_string(cut.mib);
        std::vector<std::string> put = {"--card", card_, "--size", size, "put"};
        for (int i = 0; i < cut.photos; ++i) {
            const std::string name = path("p" + std::to_string(i) + ".png");
            WriteFileBytes(name, pixavon::host::encode_png(solid(322, 242, static_cast<uint8_t>(6 * i),
                                                                 static_cast<uint8_t>(250 - 6 * i), 90)));
            put.push_back(name);
        }
        ASSERT_EQ(run_tool(put).code, 0);
        if (cut.remove_one) {
            ASSERT_EQ(run_tool({"--card", card_, "rm", "1"}).code, 0);
        }
        std::vector<uint8_t> damaged = ReadFileBytes(card_);
        std::fill(damaged.end() - 8192 + static_cast<long>(cut.erased_from), damaged.end(), 0xFF);
        WriteFileBytes(card_, damaged);

        const std::string out = path("rescued-" + size);
        const Result repair = run_tool({"--card", card_, "rescue", "-o", out, "--repair", "--yes"});
        ASSERT_EQ(repair.code, 0) << repair.err;
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), cut.photos);
        const Result list = run_tool({"--card", card_, "list", "--json"});
        ASSERT_EQ(list.code, 0) << list.err;
        EXPECT_EQ(nlohmann::json::parse(list.out)["count"], cut.photos) << repair.out;

        WriteFileBytes(path("new.png"), pixavon::host::encode_png(solid(322, 242, 255, 255, 0)));
        ASSERT_EQ(run_tool({"--card", card_, "put", path("new.png")}).code, 0);
        // Every picture lies where it lay; only the list and the new picture's
        // erased slot were written.
        const std::vector<uint8_t> after = ReadFileBytes(card_);
        const size_t pictures = static_cast<size_t>(cut.photos) * 0x4C000;
        EXPECT_TRUE(std::equal(damaged.begin(), damaged.begin() + static_cast<long>(pictures), after.begin()));
        EXPECT_EQ(nlohmann::json::parse(run_tool({"--card", card_, "list", "--json"}).out)["count"], cut.photos + 1);
    }
}

TEST_F(ToolTest, StringsRawReadAndUsage) {
    const Result ja = run_tool({"strings", "--lang", "ja"});
    ASSERT_EQ(ja.code, 0) << ja.err;
    EXPECT_NE(ja.out.find(" 1  Lumetta\n"), std::string::npos);
    EXPECT_NE(ja.out.find(" 4  アップロード\n"), std::string::npos) << ja.out;
    EXPECT_NE(ja.out.find("14  "), std::string::npos);
    const Result en = run_tool({"strings", "--lang", "en"});
    EXPECT_NE(en.out.find(" 4  UPLOAD\n"), std::string::npos) << en.out;

    make_card({});
    const Result raw = card({"raw", "read", "0xFFE0", "20"});
    ASSERT_EQ(raw.code, 0) << raw.err;
    EXPECT_NE(raw.out.find("00ffe000  4b 4f 56 20"), std::string::npos) << raw.out;
    EXPECT_NE(raw.out.find("|KOV PHOTO CAM IM|"), std::string::npos);
    EXPECT_NE(raw.out.find("|AGE.|"), std::string::npos);  // exactly 20 bytes

    EXPECT_EQ(run_tool({}).code, 2);
    EXPECT_EQ(run_tool({"--help"}).code, 0);
    EXPECT_EQ(run_tool({"put", "--help"}).code, 0);
    EXPECT_EQ(run_tool({"--card", card_, "--size", "12", "info"}).code, 2);
    EXPECT_EQ(run_tool({"frobnicate"}).code, 2);
}

TEST_F(ToolTest, SignalsAndStandardOutputEndTheToolHonestly) {
    const Image exact = ramp(322, 242);
    WriteFileBytes(path("exact.png"), pixavon::host::encode_png(exact));
    ASSERT_EQ(card({"put", "exact.png"}).code, 0);

    // A closed terminal during a backup: the backup stops, nothing is left
    // behind, and the card is free for the next run.
    const Result hup = run_tool({"--card", card_, "backup", "hup.bin"}, {"TMPDIR=" + dir_}, "", 500);
    EXPECT_EQ(hup.code, 128 + SIGHUP) << hup.err;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "card.bin" || name == "exact.png" || name[0] == '.') << name;
        EXPECT_EQ(name.find("pixavon~"), std::string::npos) << name;
        EXPECT_EQ(name.find("pixavon-camera~"), std::string::npos) << name;
    }
    EXPECT_EQ(card({"info"}).code, 0);

    // A photo on standard output is a PNG; output that cannot be written fails.
    const Result piped = card({"get", "0", "-o", "-"});
    ASSERT_EQ(piped.code, 0) << piped.err;
    EXPECT_EQ(pixavon::host::decode_png(std::vector<uint8_t>(piped.out.begin(), piped.out.end())).width, 322u);
    const Result full = run_tool({"--card", card_, "list", "--json"}, {}, "/dev/full");
    EXPECT_EQ(full.code, 1);
    EXPECT_NE(full.err.find("Standard output cannot be written"), std::string::npos) << full.err;
}

}  // namespace

namespace {

// `text` (UTF-8) in GBK.
std::string gbk(const std::string& text) {
    iconv_t cd = ::iconv_open("GBK", "UTF-8");
    std::string out(text.size() * 2, '\0');
    char* in = const_cast<char*>(text.data());
    char* to = out.data();
    size_t in_left = text.size(), out_left = out.size();
    const size_t converted = ::iconv(cd, &in, &in_left, &to, &out_left);
    ::iconv_close(cd);
    EXPECT_NE(converted, static_cast<size_t>(-1)) << text;
    out.resize(out.size() - out_left);
    return out;
}

bool have_locale(const char* name) {
    const locale_t locale = ::newlocale(LC_ALL_MASK, name, nullptr);
    if (locale == nullptr) return false;
    ::freelocale(locale);
    return true;
}

// The tool speaks the locale's language in the locale's codeset, the file
// names it shows included, and phrases the hint with its own flags.
TEST_F(ToolTest, MessagesComeInTheLocalesLanguageAndCodeset) {
    if (!have_locale("ja_JP.UTF-8") || !have_locale("zh_CN.GBK")) {
        GTEST_SKIP() << "needs the locales ja_JP.UTF-8 and zh_CN.GBK (scripts/install-deps.sh makes them)";
    }
    const Result ja = run_tool({"--card", "missing.bin", "info"}, {"LC_ALL=ja_JP.UTF-8"});
    EXPECT_EQ(ja.code, 2);
    EXPECT_NE(ja.err.find("pixavon: カードイメージ「missing.bin」がありません。新しいカードを作るには --size 8 または "
                          "--size 16 を付けてください。"),
              std::string::npos)
        << ja.err;

    const std::string name = gbk("相机卡.bin");
    const Result zh = run_tool({"--card", name, "info"}, {"LC_ALL=zh_CN.GBK"});
    EXPECT_EQ(zh.code, 2);
    EXPECT_NE(zh.err.find(gbk("存储卡镜像“相机卡.bin”不存在。")), std::string::npos) << zh.err;
}

}  // namespace
