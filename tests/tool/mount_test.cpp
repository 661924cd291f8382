// `pixavon mount` mounted for real on an embedded card and used as a person
// uses a folder; the card is checked through the library afterwards. Needs
// /dev/fuse and fusermount3 (CI runs as root); skipped without them.

#include <fcntl.h>
#include <signal.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "core.h"
#include "image.h"
#include "support/test_data.h"

namespace {

namespace fs = std::filesystem;
using pixavon::host::Image;
using pixavon::test::ReadFileBytes;
using pixavon::test::WriteFileBytes;

constexpr long kFuseMagic = 0x65735546;

bool fuse_available() {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) return false;
    for (const char* dir : {"/usr/bin", "/bin", "/usr/local/bin"}) {
        if (::access((std::string(dir) + "/fusermount3").c_str(), X_OK) == 0) return true;
    }
    return false;
}

// A picture; of the photos' size, black at the bottom right as every photo the
// card holds (widely enough that a JPEG of it is black there too).
Image pattern(uint32_t w, uint32_t h, uint8_t seed) {
    Image image(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = image.pixel(x, y);
            const bool black = w == 322 && h == 242 && x >= 208 && y >= 224;
            p[0] = black ? 0 : static_cast<uint8_t>(x + seed);
            p[1] = black ? 0 : static_cast<uint8_t>(y * 2);
            p[2] = black ? 0 : static_cast<uint8_t>(seed * 40);
        }
    }
    return image;
}

// The card keeps all of a photo but the right-most 100 pixels of its bottom row.
bool same_on_card(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (uint32_t y = 0; y < a.height; ++y) {
        for (uint32_t x = 0; x < (y == a.height - 1 ? a.width - 100 : a.width); ++x) {
            if (!std::equal(a.pixel(x, y), a.pixel(x, y) + 3, b.pixel(x, y))) return false;
        }
    }
    return true;
}

// Copies `bytes` into the folder as `cp` does; the errno of the first step
// that failed (open or close), or 0.
int copy_in(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return errno;
    const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    const int error = written ? 0 : errno;
    if (::close(fd) != 0) return errno;
    return error;
}

std::vector<std::string> names_in(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class MountTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fuse_available()) GTEST_SKIP() << "no /dev/fuse or fusermount3 here";
        char dir[] = "/tmp/pixavon-mount-test-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        dir_ = dir;
        card_ = dir_ + "/card.bin";
        mnt_ = dir_ + "/mnt";
        fs::create_directory(mnt_);
    }

    void TearDown() override {
        if (pid_ > 0) {
            unmount();
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        if (!dir_.empty()) fs::remove_all(dir_, ignored);
    }

    // An 8 MiB card whose catalog lists slots 0 to count - 1 (white photos).
    void make_card(uint8_t count) {
        std::vector<uint8_t> slots(count);
        for (uint8_t i = 0; i < count; ++i) slots[i] = i;
        std::vector<uint8_t> bytes(8u << 20, 0xFF);
        const std::vector<uint8_t> catalog = pixavon::test::make_catalog(26, slots);
        std::copy(catalog.begin(), catalog.end(), bytes.end() - static_cast<long>(catalog.size()));
        WriteFileBytes(card_, bytes);
    }

    // Starts `pixavon mount --foreground` and waits until the folder is there.
    void mount() {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int err = ::open((dir_ + "/mount.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(err, 2);
            ::execl(PIXAVON_TOOL_PATH, PIXAVON_TOOL_PATH, "--card", card_.c_str(), "mount", mnt_.c_str(),
                    "--foreground", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        struct statfs st {};
        while (::statfs(mnt_.c_str(), &st) != 0 || st.f_type != kFuseMagic) {
            ASSERT_EQ(::waitpid(pid_, nullptr, WNOHANG), 0) << "the mount ended: " << log();
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "not mounted in time: " << log();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void unmount() { ASSERT_EQ(std::system(("fusermount3 -u " + mnt_).c_str()), 0); }

    // The exit status of the mount once it has ended.
    int wait_for_end() {
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the mount did not end";
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string log() const {
        std::ifstream in(dir_ + "/mount.log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string at(const std::string& name) const { return mnt_ + "/" + name; }

    std::string dir_, card_, mnt_;
    pid_t pid_ = -1;
};

TEST_F(MountTest, TheCardAsAFolder) {
    make_card(24);
    mount();

    // Every photo under its slot's name, as the camera's bitmap and as PNG;
    // info.txt and png/ are there by name, not listed.
    std::vector<std::string> names = names_in(mnt_);
    ASSERT_EQ(names.size(), 24u);
    EXPECT_EQ(names[0], "slot-00.bmp");
    EXPECT_EQ(names[23], "slot-23.bmp");
    ASSERT_EQ(names_in(at("png")).size(), 24u);
    for (uint32_t slot = 0; slot < 24; ++slot) {
        const std::string name = "slot-" + std::string(slot < 10 ? "0" : "") + std::to_string(slot);
        const std::vector<uint8_t> bmp = ReadFileBytes(at(name + ".bmp"));
        ASSERT_EQ(bmp.size(), pixavon::kPhotoFileSize) << name;
        const std::vector<uint8_t> png = ReadFileBytes(at("png/" + name + ".png"));
        EXPECT_EQ(fs::file_size(at("png/" + name + ".png")), png.size());
        const Image from_bmp = pixavon::host::decode_bmp(bmp);
        EXPECT_EQ(from_bmp.rgb, pixavon::host::decode_png(png).rgb) << name;
        EXPECT_EQ(from_bmp.pixel(5, 5)[0], 255) << name;  // the card's erased bytes: white
    }
    struct statvfs space {};
    ASSERT_EQ(::statvfs(mnt_.c_str(), &space), 0);
    EXPECT_EQ(space.f_bsize, pixavon::kPhotoFileSize);
    EXPECT_EQ(space.f_blocks, 26u);
    EXPECT_EQ(space.f_bavail, 2u);

    // Two pictures of the photo size go on the card, each listed once, under
    // the name given, reading as the card holds it; a larger one is refused,
    // so that `mv` keeps the original.
    const Image exact = pattern(322, 242, 1);
    ASSERT_EQ(copy_in(at("holiday.png"), pixavon::host::encode_png(exact)), 0) << log();
    EXPECT_EQ(copy_in(at("big.png"), pixavon::host::encode_png(pattern(1600, 1200, 4))), EINVAL);
    ASSERT_EQ(copy_in(at("beach.jpg"), pixavon::host::encode_jpeg(pattern(322, 242, 2), 90)), 0) << log();
    names = names_in(mnt_);
    EXPECT_EQ(names.size(), 26u);
    EXPECT_EQ(std::count(names.begin(), names.end(), "slot-24.bmp"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "big.png"), 0);
    EXPECT_EQ(ReadFileBytes(at("holiday.png")), ReadFileBytes(at("slot-24.bmp")));
    EXPECT_TRUE(same_on_card(exact, pixavon::host::decode_bmp(ReadFileBytes(at("holiday.png")))));
    EXPECT_EQ(fs::file_size(at("beach.jpg")), pixavon::kPhotoFileSize);
    const std::vector<uint8_t> info = ReadFileBytes(at("info.txt"));
    const std::string info_text(info.begin(), info.end());
    EXPECT_NE(info_text.find("photos:      26"), std::string::npos) << info_text;

    // Photos are neither renamed, linked nor written over; a photo copied out
    // and back in puts nothing new; a new file closed empty (touch) fails.
    EXPECT_NE(::rename(at("slot-03.bmp").c_str(), at("x.bmp").c_str()), 0);
    EXPECT_EQ(errno, EPERM);
    EXPECT_NE(::link(at("slot-03.bmp").c_str(), at("x.bmp").c_str()), 0);
    EXPECT_EQ(errno, EPERM);
    EXPECT_EQ(copy_in(at("slot-03.bmp"), ReadFileBytes(at("holiday.png"))), EEXIST);
    EXPECT_NE(::truncate(at("slot-03.bmp").c_str(), 0), 0);
    EXPECT_EQ(errno, EPERM);
    const std::vector<uint8_t> out = ReadFileBytes(at("slot-05.bmp"));
    EXPECT_EQ(copy_in(at("slot-05.bmp"), out), 0);
    EXPECT_EQ(copy_in(at("copy.bmp"), out), 0);  // the photo is listed as copy.bmp too
    EXPECT_EQ(copy_in(at("empty.png"), {}), ENODATA);
    EXPECT_EQ(names_in(mnt_).size(), 27u);
    EXPECT_FALSE(fs::exists(at("empty.png")));

    // Removing a file deletes its photo; a file that is no picture is refused
    // when closed, a new picture on a full card too; one the card has puts nothing.
    ASSERT_EQ(::unlink(at("slot-03.bmp").c_str()), 0);
    EXPECT_FALSE(fs::exists(at("png/slot-03.png")));
    EXPECT_EQ(copy_in(at("notes.png"), std::vector<uint8_t>(5000, 'x')), EINVAL);
    EXPECT_EQ(names_in(mnt_).size(), 26u);
    ASSERT_EQ(copy_in(at("again.png"), pixavon::host::encode_png(pattern(322, 242, 3))), 0);
    EXPECT_EQ(copy_in(at("more.png"), pixavon::host::encode_png(pattern(322, 242, 5))), ENOSPC);
    EXPECT_EQ(copy_in(at("more.png"), pixavon::host::encode_png(exact)), 0);
    EXPECT_TRUE(fs::exists(at("holiday.png")));  // one photo, two names
    EXPECT_EQ(names_in(mnt_).size(), 28u);

    unmount();
    EXPECT_EQ(wait_for_end(), 0) << log();

    // The card as the library sees it: full, slot 3 holding the last picture.
    pixavon::host::CancelToken cancel;
    pixavon::host::Core core(cancel);
    ASSERT_TRUE(core.prepare({card_, 0}).ok());
    ASSERT_TRUE(core.open_camera());
    const pixavon::host::CardState state = core.inspect();
    ASSERT_TRUE(state.catalog_ok) << pixavon::host::describe(state.problem);
    ASSERT_EQ(state.catalog.count, 26u);
    EXPECT_EQ(state.catalog.slots[23], 24);
    EXPECT_EQ(state.catalog.slots[25], 3);
    pixavon::host::Problem why;
    const std::optional<Image> last = core.read_photo(25, &why);
    ASSERT_TRUE(last) << pixavon::host::describe(why);
    EXPECT_TRUE(same_on_card(pattern(322, 242, 3), *last));
}

// The common ways of copying files in: each tool ends well and each photo is
// listed once, under the name given, reading as the card holds it; a second
// rsync and cp put nothing new, an rsync --delete-after keeps what it put, and
// the mv of a picture the card cannot hold exactly keeps the original.
TEST_F(MountTest, CommonCopyToolsWork) {
    if (std::system("command -v python3 rsync tar >/dev/null") != 0) GTEST_SKIP() << "python3, rsync or tar missing";
    make_card(0);
    const std::string src = dir_ + "/src";
    for (const char* sub : {"", "/synced", "/tarred", "/all"}) fs::create_directory(src + sub);
    const std::vector<std::string> names = {"a.png", "b.png", "c.png", "d.png", "e.png", "f.png", "g.png", "h.png"};
    const char* places[] = {"", "", "", "", "synced/", "synced/", "tarred/", ""};
    for (size_t i = 0; i < names.size(); ++i) {
        const std::vector<uint8_t> png = pixavon::host::encode_png(pattern(322, 242, static_cast<uint8_t>(i + 1)));
        WriteFileBytes(src + "/" + places[i] + names[i], png);
        WriteFileBytes(src + "/all/" + names[i], png);
    }
    WriteFileBytes(src + "/big.png", pixavon::host::encode_png(pattern(1600, 1200, 9)));
    mount();
    const auto listed = [&] {
        std::vector<std::string> all = names_in(mnt_);
        std::erase_if(all, [](const std::string& n) { return n == "info.txt" || n == "png"; });
        return all;
    };
    const auto run = [&](const std::string& command) {
        const int status = std::system((command + " 2>>" + dir_ + "/tools.log").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("python3 -c \"import shutil; shutil.copy('" + src + "/a.png', '" + mnt_ + "')\""), 0);
    EXPECT_EQ(run("python3 -c \"import shutil; shutil.copy2('" + src + "/b.png', '" + mnt_ + "')\""), 0);
    EXPECT_EQ(run("cp " + src + "/c.png " + mnt_), 0);
    EXPECT_EQ(run("cp -a " + src + "/d.png " + mnt_), 0);
    EXPECT_EQ(run("rsync -r " + src + "/synced/ " + mnt_), 0);
    EXPECT_EQ(run("tar -C " + src + "/tarred -cf " + dir_ + "/t.tar . && tar -C " + mnt_ + " -xf " + dir_ + "/t.tar"),
              0);
    EXPECT_EQ(run("mv " + src + "/h.png " + mnt_), 0);
    EXPECT_NE(std::system(("mv " + src + "/big.png " + mnt_ + "/holiday.png 2>/dev/null").c_str()), 0);
    EXPECT_TRUE(fs::exists(src + "/big.png"));
    // Nor does a picture of the right size whose bottom-right pixels, which
    // the card does not keep, are not black.
    Image corner = pattern(322, 242, 9);
    corner.pixel(321, 241)[2] = 1;
    WriteFileBytes(src + "/corner.bmp", pixavon::host::encode_camera_bitmap(corner));
    EXPECT_NE(std::system(("mv " + src + "/corner.bmp " + mnt_ + " 2>/dev/null").c_str()), 0);
    EXPECT_TRUE(fs::exists(src + "/corner.bmp"));
    EXPECT_NE(log().find("'corner.bmp' cannot be put on the card"), std::string::npos) << log();
    EXPECT_EQ(listed(), names);
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_TRUE(same_on_card(pattern(322, 242, static_cast<uint8_t>(i + 1)),
                                 pixavon::host::decode_bmp(ReadFileBytes(at(names[i])))))
            << names[i];
    }

    // Again: nothing new, and a sync that deletes what the source lacks keeps
    // every photo it put.
    EXPECT_EQ(run("rsync -r " + src + "/synced/ " + mnt_), 0);
    EXPECT_EQ(run("cp " + src + "/all/c.png " + mnt_), 0);
    EXPECT_EQ(run("rsync -a --delete-after " + src + "/all/ " + mnt_), 0);
    EXPECT_EQ(listed(), names);
    EXPECT_EQ(names_in(at("png")).size(), names.size());

    // A given name may be renamed; attributes may be set on everything, changing nothing.
    EXPECT_EQ(::rename(at("a.png").c_str(), at("first.png").c_str()), 0);
    EXPECT_TRUE(fs::exists(at("first.png")));
    EXPECT_FALSE(fs::exists(at("a.png")));
    EXPECT_EQ(::chmod(at("first.png").c_str(), 0600), 0);
    EXPECT_EQ(::chmod(mnt_.c_str(), 0700), 0);
    EXPECT_EQ(fs::status(at("first.png")).permissions(), fs::perms(0444));
    std::ifstream tools_log(dir_ + "/tools.log");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(tools_log), {}), "");
    // Right after the unmount the card is there for the next program.
    unmount();
    EXPECT_EQ(run(std::string(PIXAVON_TOOL_PATH) + " --card " + card_ + " list >/dev/null"), 0);
    EXPECT_EQ(wait_for_end(), 0) << log();
    // The log names the pictures as the person gave them, never a tool's temporary file.
    EXPECT_NE(log().find("'e.png' put on the card"), std::string::npos) << log();
    EXPECT_EQ(log().find("'.e.png."), std::string::npos) << log();
}

// rsync -a --delete-after, as typed, makes the card hold exactly the source's
// pictures, also over photos listed under their slots' names in a new mount:
// the views (info.txt, png/) are never offered for deleting, and a photo the
// source has under another name keeps that name when its slot's goes.
TEST_F(MountTest, RsyncMirrorsTheSourceOntoTheCard) {
    if (std::system("command -v rsync >/dev/null") != 0) GTEST_SKIP() << "rsync missing";
    make_card(2);  // two white photos, not in the source
    const std::string src = dir_ + "/src";
    fs::create_directory(src);
    Image white = pattern(322, 242, 0);
    std::fill(white.rgb.begin(), white.rgb.end(), uint8_t{255});
    std::fill_n(white.pixel(222, 241), 300, uint8_t{0});
    WriteFileBytes(src + "/white.png", pixavon::host::encode_png(white));
    WriteFileBytes(src + "/a.png", pixavon::host::encode_png(pattern(322, 242, 1)));
    const std::vector<std::string> names = {"a.png", "white.png"};
    const auto rsync = [&] {
        const int status =
            std::system(("rsync -a --delete-after " + src + "/ " + mnt_ + " 2>>" + dir_ + "/tools.log").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    for (int round = 0; round < 2; ++round) {
        mount();
        EXPECT_EQ(rsync(), 0) << round;
        EXPECT_EQ(names_in(mnt_), names) << round;
        EXPECT_EQ(names_in(at("png")).size(), 2u);
        EXPECT_TRUE(fs::exists(at("info.txt")));
        unmount();
        EXPECT_EQ(wait_for_end(), 0) << log();
    }
    std::ifstream tools_log(dir_ + "/tools.log");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(tools_log), {}), "");
    pixavon::host::CancelToken cancel;
    pixavon::host::Core core(cancel);
    ASSERT_TRUE(core.prepare({card_, 0}).ok());
    ASSERT_TRUE(core.open_camera());
    const pixavon::host::CardState state = core.inspect();
    ASSERT_TRUE(state.catalog_ok) << pixavon::host::describe(state.problem);
    EXPECT_EQ(state.catalog.count, 2u);
}

// A copy of a photo already on the card is one more name for it, as a hard
// link: removing either name leaves the photo under the other; the last name
// deletes it.
TEST_F(MountTest, ACopyIsOneMoreNameOfThePhoto) {
    make_card(1);
    mount();
    const std::vector<uint8_t> photo = ReadFileBytes(at("slot-00.bmp"));
    ASSERT_EQ(copy_in(at("copy.bmp"), photo), 0) << log();
    EXPECT_EQ(names_in(mnt_), (std::vector<std::string>{"copy.bmp", "slot-00.bmp"}));
    EXPECT_EQ(fs::hard_link_count(at("copy.bmp")), 2u);
    ASSERT_EQ(::unlink(at("copy.bmp").c_str()), 0);
    EXPECT_EQ(names_in(mnt_), std::vector<std::string>{"slot-00.bmp"});
    EXPECT_EQ(ReadFileBytes(at("slot-00.bmp")), photo);

    const std::vector<uint8_t> picture = pixavon::host::encode_png(pattern(322, 242, 1));
    ASSERT_EQ(copy_in(at("a.bmp"), picture), 0) << log();
    ASSERT_EQ(copy_in(at("b.bmp"), picture), 0) << log();
    EXPECT_EQ(names_in(mnt_), (std::vector<std::string>{"a.bmp", "b.bmp", "slot-00.bmp"}));
    ASSERT_EQ(::unlink(at("a.bmp").c_str()), 0);
    EXPECT_EQ(ReadFileBytes(at("b.bmp")).size(), pixavon::kPhotoFileSize);
    // Its slot's name, not listed while it has others, removes nothing.
    EXPECT_NE(::unlink(at("slot-01.bmp").c_str()), 0);
    EXPECT_EQ(names_in(mnt_), (std::vector<std::string>{"b.bmp", "slot-00.bmp"}));
    struct statvfs space {};
    ASSERT_EQ(::statvfs(mnt_.c_str(), &space), 0);
    EXPECT_EQ(space.f_bavail, 24u);
    ASSERT_EQ(::unlink(at("b.bmp").c_str()), 0);  // the last name: the photo goes
    EXPECT_EQ(names_in(mnt_), std::vector<std::string>{"slot-00.bmp"});
    ASSERT_EQ(::statvfs(mnt_.c_str(), &space), 0);
    EXPECT_EQ(space.f_bavail, 25u);
    unmount();
    EXPECT_EQ(wait_for_end(), 0) << log();
}

}  // namespace
