// The card as a folder in process, without FUSE: the names it lists, what
// they read, pictures copied in and the names photos are given, on an
// embedded card with the real library.

#include <fcntl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "card_folder.h"
#include "core.h"

namespace {

using namespace pixavon::host;
using pixavon::kPhotoHeight;
using pixavon::kPhotoWidth;
namespace fs = std::filesystem;

// Black where no slot stores pixels, as every photo the card holds.
Image picture(uint8_t seed) {
    Image image(kPhotoWidth, kPhotoHeight);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            uint8_t* p = image.pixel(x, y);
            const bool unstored = y == image.height - 1 && x >= image.width - 100;
            p[0] = unstored ? 0 : static_cast<uint8_t>(x + seed * 40);
            p[1] = unstored ? 0 : static_cast<uint8_t>(y * 3 + seed);
            p[2] = unstored ? 0 : static_cast<uint8_t>(seed * 77);
        }
    }
    return image;
}

class CardFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pixavon-folder-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        const Outcome prepared = core_.prepare({dir_ + "/card.bin", 8}, PIXAVON_LIBRARY_PATH);
        ASSERT_TRUE(prepared.ok()) << describe(prepared.problem);
        ASSERT_TRUE(core_.open_camera());
        // Two photos, put as the tool puts them.
        PutRequest request;
        for (uint8_t seed : {1, 2}) {
            const std::string file = dir_ + "/pic" + std::to_string(seed) + ".png";
            const std::vector<uint8_t> png = encode_png(picture(seed));
            FILE* out = std::fopen(file.c_str(), "wb");
            ASSERT_NE(out, nullptr);
            ASSERT_EQ(std::fwrite(png.data(), 1, png.size(), out), png.size());
            std::fclose(out);
            request.files.push_back(file);
        }
        ASSERT_TRUE(core_.put_pictures(request).ok());
        folder_ = std::make_unique<CardFolder>(core_, false, [this](const std::string& line) { log_.push_back(line); });
        ASSERT_TRUE(folder_->start().ok());
    }
    void TearDown() override {
        folder_.reset();
        core_.finish();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    Catalog catalog() {
        const CardState state = core_.inspect();
        EXPECT_TRUE(state.catalog_ok);
        return state.catalog;
    }
    std::map<std::string, NodeInfo> listing(const std::string& path) {
        std::vector<std::pair<std::string, NodeInfo>> entries;
        EXPECT_EQ(folder_->list(path, &entries), 0);
        std::map<std::string, NodeInfo> names(entries.begin(), entries.end());
        EXPECT_EQ(names.size(), entries.size()) << "a name listed twice";
        return names;
    }
    std::vector<uint8_t> read_whole(const std::string& path) {
        OpenedFile opened;
        EXPECT_EQ(folder_->open(path, O_RDONLY, &opened), 0) << path;
        std::vector<uint8_t> bytes;
        char buffer[65536];
        for (long n; (n = folder_->read(opened.handle, buffer, sizeof buffer, bytes.size())) > 0;) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        folder_->release(opened.handle);
        return bytes;
    }
    // Copies `bytes` in as `path`, as a copying tool does; what the close says.
    int copy_in(const std::string& path, const std::vector<uint8_t>& bytes) {
        OpenedFile opened;
        EXPECT_EQ(folder_->create(path, &opened), 0) << path;
        EXPECT_EQ(folder_->write(opened.handle, reinterpret_cast<const char*>(bytes.data()), bytes.size(), 0),
                  static_cast<long>(bytes.size()));
        const int result = folder_->flush(opened.handle);
        folder_->release(opened.handle);
        return result;
    }
    static std::string slot_name(uint32_t slot) {
        char name[32];
        std::snprintf(name, sizeof name, "slot-%02u.bmp", slot);
        return name;
    }

    CancelToken cancel_;
    Core core_{cancel_};
    std::string dir_;
    std::unique_ptr<CardFolder> folder_;
    std::vector<std::string> log_;
};

TEST_F(CardFolderTest, ListsEachPhotoOnceAndReadsWhatTheCardHolds) {
    const Catalog card = catalog();
    ASSERT_EQ(card.count, 2u);
    // Only photos are listed; png/ (read-only) and info.txt are there by name.
    const std::map<std::string, NodeInfo> root = listing("/");
    ASSERT_EQ(root.size(), 2u);
    NodeInfo view;
    ASSERT_EQ(folder_->stat("/png", &view), 0);
    EXPECT_TRUE(view.directory);
    EXPECT_EQ(view.mode, 0555u);
    ASSERT_EQ(folder_->stat("/info.txt", &view), 0);
    EXPECT_EQ(view.mode, 0444u);
    for (uint32_t position = 0; position < card.count; ++position) {
        const std::string name = slot_name(card.slots[position]);
        ASSERT_EQ(root.count(name), 1u) << name;
        EXPECT_EQ(root.at(name).size, pixavon::kPhotoFileSize);
        EXPECT_TRUE(root.at(name).exact);
        // The bitmap is the card's, byte for byte; its PNG has its pixels.
        Problem why;
        const std::optional<std::vector<uint8_t>> held = core_.read_bitmap(position, card, &why);
        ASSERT_TRUE(held) << describe(why);
        EXPECT_EQ(read_whole("/" + name), *held);
        const std::string png = "/png/" + name.substr(0, name.size() - 3) + "png";
        EXPECT_FALSE(listing("/png").at(png.substr(5)).exact) << "a listing of png/ encodes nothing";
        EXPECT_EQ(decode_png(read_whole(png)).rgb, decode_bmp(*held).rgb);
        NodeInfo info;
        ASSERT_EQ(folder_->stat(png, &info), 0);
        EXPECT_TRUE(info.exact);
    }
    const std::vector<uint8_t> info = read_whole("/info.txt");
    EXPECT_NE(std::string(info.begin(), info.end()).find("photos:      2\n"), std::string::npos);

    NodeInfo info_of;
    OpenedFile opened;
    EXPECT_EQ(folder_->stat("/slot-40.bmp", &info_of), -ENOENT);
    EXPECT_EQ(folder_->stat("/png/holiday.png", &info_of), -ENOENT);
    EXPECT_EQ(folder_->open("/info.txt", O_WRONLY, &opened), -EPERM);
    EXPECT_EQ(folder_->truncate("/" + slot_name(card.slots[0]), nullptr, 0), -EPERM);
}

TEST_F(CardFolderTest, TakesOnlyPicturesTheCardHoldsAsTheyAre) {
    // Not the photos' size, no picture, nothing written: refused, nothing put.
    EXPECT_EQ(copy_in("/small.png", encode_png(Image(40, 30, 7))), -EINVAL);
    EXPECT_EQ(copy_in("/notes.png", std::vector<uint8_t>(300, 'x')), -EINVAL);
    OpenedFile opened;
    ASSERT_EQ(folder_->create("/touched.png", &opened), 0);
    EXPECT_EQ(folder_->flush(opened.handle), -ENODATA);
    folder_->release(opened.handle);
    EXPECT_EQ(catalog().count, 2u);
    EXPECT_EQ(listing("/").size(), 2u);
    EXPECT_FALSE(log_.empty()) << "a refusal is told to the person running the mount";

    // A new picture goes on the card under the name it was copied in as; its
    // slot's name still finds it.
    ASSERT_EQ(copy_in("/holiday.png", encode_png(picture(3))), 0);
    const Catalog card = catalog();
    ASSERT_EQ(card.count, 3u);
    const std::string slot = slot_name(card.slots[2]);
    std::map<std::string, NodeInfo> root = listing("/");
    EXPECT_EQ(root.count("holiday.png"), 1u);
    EXPECT_EQ(root.count(slot), 0u);
    const std::vector<uint8_t> bitmap = read_whole("/holiday.png");
    EXPECT_EQ(bitmap, read_whole("/" + slot));
    // As the card holds it: all but the bottom row's last 100 pixels, which
    // no slot stores.
    const std::vector<uint8_t> pixels = decode_bmp(bitmap).rgb;
    const std::vector<uint8_t> sent = picture(3).rgb;
    ASSERT_EQ(pixels.size(), sent.size());
    EXPECT_TRUE(std::equal(sent.begin(), sent.end() - 300, pixels.begin()));

    // The same pixels again put nothing new: the photo has one more name.
    ASSERT_EQ(copy_in("/again.bmp", encode_camera_bitmap(picture(3))), 0);
    EXPECT_EQ(catalog().count, 3u);
    root = listing("/");
    EXPECT_EQ(root.count("again.bmp"), 1u);
    EXPECT_EQ(root.count("holiday.png"), 1u);
    // Another photo's slot name is not taken.
    EXPECT_EQ(copy_in("/" + slot_name(card.slots[0]), encode_png(picture(4))), -EEXIST);
    EXPECT_EQ(catalog().count, 3u);
}

TEST_F(CardFolderTest, AGivenNameIsOneMoreNameAndGoesWithThePhoto) {
    const Catalog card = catalog();
    const std::string slot = "/" + slot_name(card.slots[1]);
    ASSERT_EQ(copy_in("/trip.png", encode_png(picture(2))), 0);  // photo 1's pixels
    EXPECT_EQ(listing("/").count("trip.png"), 1u);
    EXPECT_EQ(listing("/").count(slot.substr(1)), 1u);

    // A given name may be renamed; a slot's name stays with its photo, and
    // another photo's slot name is never taken by a rename.
    EXPECT_EQ(folder_->rename("/trip.png", "/beach.png", 0), 0);
    std::map<std::string, NodeInfo> root = listing("/");
    EXPECT_EQ(root.count("beach.png"), 1u);
    EXPECT_EQ(root.count("trip.png"), 0u);
    EXPECT_EQ(folder_->rename(slot, "/other.png", 0), -EPERM);
    EXPECT_EQ(folder_->rename("/beach.png", "/" + slot_name(card.slots[0]), 0), -EPERM);
    EXPECT_EQ(read_whole("/beach.png"), read_whole(slot));

    // Removing one name leaves the photo under the other; the last deletes it.
    EXPECT_EQ(folder_->unlink("/beach.png"), 0);
    EXPECT_EQ(catalog().count, 2u);
    EXPECT_EQ(listing("/").count(slot.substr(1)), 1u);
    EXPECT_EQ(folder_->unlink(slot), 0);
    const Catalog after = catalog();
    ASSERT_EQ(after.count, 1u);
    EXPECT_EQ(after.slots[0], card.slots[0]);
    root = listing("/");
    EXPECT_EQ(root.size(), 1u);
    NodeInfo info;
    EXPECT_EQ(folder_->stat(slot, &info), -ENOENT);
    EXPECT_EQ(folder_->stat("/beach.png", &info), -ENOENT);
}

}  // namespace
