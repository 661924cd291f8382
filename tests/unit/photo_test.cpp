#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "catalog/catalog.h"
#include "device/device.h"
#include "photo/image_format.h"
#include "photo/transfer.h"
#include "unit/fake_platform.h"

namespace pixavon::test {
namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void PutLe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(ImageFormat, BitmapHeaderIsExact) {
    const BitmapHeader header = MakeBitmapHeader();
    const std::vector<std::uint8_t> h(header.begin(), header.end());
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(Le32(h, 2), 234310u);
    EXPECT_EQ(Le32(h, 6), 0u);
    EXPECT_EQ(Le32(h, 10), 54u);
    EXPECT_EQ(Le32(h, 14), 40u);
    EXPECT_EQ(Le32(h, 18), 322u);
    EXPECT_EQ(Le32(h, 22), 242u);
    EXPECT_EQ(h[26] | (h[27] << 8), 1);
    EXPECT_EQ(h[28] | (h[29] << 8), 24);
    EXPECT_EQ(Le32(h, 30), 0u);
    EXPECT_EQ(Le32(h, 34), 234256u);
    EXPECT_EQ(Le32(h, 38), 50190u);
    EXPECT_EQ(Le32(h, 42), 50190u);
    EXPECT_EQ(Le32(h, 46), 0u);
    EXPECT_EQ(Le32(h, 50), 0u);
}

TEST(ImageFormat, RedTopLeftPixelAndTheIgnoredCardByte) {
    std::vector<std::uint8_t> pixels(kFilePixelDataSize, 0);
    pixels[968 * 241 + 2] = 0xFF;  // top-left pixel, red
    std::vector<std::uint8_t> card(kCardImageSize, 0xEE);
    CardImageFromFile(pixels.data(), card.data());
    EXPECT_EQ(std::vector<std::uint8_t>(card.begin(), card.begin() + 4), (std::vector<std::uint8_t>{0, 0, 0, 0xFF}));
    std::vector<std::uint8_t> row(968, 0xEE);
    card[1] = 0x42;  // byte 1 of a card pixel carries nothing
    FileRowFromCard(card.data(), 241, row.data());
    EXPECT_EQ(std::vector<std::uint8_t>(row.begin(), row.begin() + 3), (std::vector<std::uint8_t>{0, 0, 0xFF}));
    EXPECT_EQ(row[966], 0);
    EXPECT_EQ(row[967], 0);
}

TEST(ImageFormat, FileToCardToFileRoundTripsAndTopDownMatchesBottomUp) {
    const auto bottom_up = MakeBitmap(7);
    const auto top_down = MakeBitmap(7, true);
    std::vector<std::uint8_t> card(kCardImageSize), card_from_top_down(kCardImageSize);
    CardImageFromFile(bottom_up.data() + 54, card.data());
    CardImageFromTopDownFile(top_down.data() + 54, card_from_top_down.data());
    EXPECT_EQ(card, card_from_top_down);
    std::vector<std::uint8_t> back(kFilePixelDataSize);
    for (std::uint32_t k = 0; k < 242; ++k) FileRowFromCard(card.data(), k, back.data() + 968 * k);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), bottom_up.begin() + 54));
}

TEST(ImageFormat, OnlyA322By242TrueColourBitmapIsAccepted) {
    const auto good = MakeBitmap(7);
    const std::uint64_t size = good.size();
    ASSERT_TRUE(ParseBitmapHeader(good.data(), 54, size));
    EXPECT_FALSE(ParseBitmapHeader(good.data(), 54, size)->top_down);
    EXPECT_FALSE(ParseBitmapHeader(good.data(), 54, size - 1));  // pixel data cut short
    EXPECT_FALSE(ParseBitmapHeader(good.data(), 53, size));
    EXPECT_FALSE(ParseBitmapHeader(nullptr, 54, size));
    auto changed = [&](std::size_t at, std::uint32_t value, int bytes = 4) {
        auto copy = good;
        for (int i = 0; i < bytes; ++i) copy[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return ParseBitmapHeader(copy.data(), 54, size).has_value();
    };
    EXPECT_FALSE(changed(0, 'P', 1));
    EXPECT_FALSE(changed(1, 'A', 1));
    EXPECT_FALSE(changed(18, 320));          // width
    EXPECT_FALSE(changed(22, 240));          // height
    EXPECT_FALSE(changed(26, 2, 2));         // planes
    EXPECT_FALSE(changed(28, 32, 2));        // bits per pixel
    EXPECT_FALSE(changed(30, 3));            // bit fields
    EXPECT_FALSE(changed(14, 12));           // core header
    EXPECT_FALSE(changed(10, 20));           // pixel data inside the header
    EXPECT_FALSE(changed(10, 0xFFFFFFF0u));  // far past the end
    EXPECT_TRUE(changed(22, static_cast<std::uint32_t>(-242)));
    auto v5 = good;  // a larger info header, data further on
    PutLe32(v5, 14, 124);
    PutLe32(v5, 10, 138);
    v5.insert(v5.begin() + 54, 84, 0);
    ASSERT_TRUE(ParseBitmapHeader(v5.data(), 54, v5.size()));
    EXPECT_EQ(ParseBitmapHeader(v5.data(), 54, v5.size())->pixel_data_offset, 138u);
}

class PhotoTest : public ::testing::Test {
protected:
    void SetUp() override { fake.Install(); }
    void UseCard(std::size_t bytes, std::uint8_t code, const std::vector<std::uint8_t>& slots) {
        fake.card.assign(bytes, 0xFF);
        PlaceCatalog(fake, MakeCatalog(code, slots));
        OpenDevice(TestWindow());
        GetPhotoCount();
        fake.commands.clear();
        fake.events.clear();
        fake.progress_messages = 0;
    }
    FakePlatform fake;
    TempDir temp;
};

TEST_F(PhotoTest, DownloadReadsTwentyChunksFromThe32KiBBoundary) {
    struct Case {
        std::size_t card;
        std::uint8_t code;
        std::uint8_t slot;
        std::uint16_t first_address;
    };
    for (const Case c : {Case{8u << 20, 26, 0, 0}, Case{8u << 20, 26, 1, 1152}, Case{16u << 20, 52, 30, 36480},
                         Case{16u << 20, 52, 51, 61952}}) {
        UseCard(c.card, c.code, {c.slot});
        const std::string path = temp.Path("photo.bmp");
        ASSERT_EQ(ReadPixavonToFile(0, path.c_str()), 1);
        ASSERT_EQ(fake.commands.size(), 20u);
        for (std::uint16_t k = 0; k < 20; ++k) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "READ %04X 16384", c.first_address + 64 * k);
            EXPECT_EQ(fake.commands[k], expected);
        }
        EXPECT_EQ(fake.progress_messages, 20);
        EXPECT_EQ(fake.events.front(), "progress");
        EXPECT_EQ(ReadFileBytes(path).size(), kPhotoFileSize);
    }
}

TEST_F(PhotoTest, DownloadedPixelsMatchTheSlotAndTheUnstoredOnesAreBlack) {
    for (std::uint8_t slot : {2, 3}) {
        UseCard(8u << 20, 26, {slot});
        std::mt19937 random(slot);
        const std::size_t start = slot * 0x4C000u;
        for (std::size_t i = start; i < start + 0x4C000u + 0x8000u; ++i)
            fake.card[i] = static_cast<std::uint8_t>(random());
        const std::string path = temp.Path("photo.bmp");
        ASSERT_EQ(ReadPixavonToFile(0, path.c_str()), 1);
        const auto file = ReadFileBytes(path);
        const BitmapHeader header = MakeBitmapHeader();
        ASSERT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
        for (std::uint32_t y = 0; y < 242; ++y) {
            for (std::uint32_t x = 0; x < 322; ++x) {
                const std::uint8_t* f = &file[54 + 968 * (241 - y) + 3 * x];
                const std::size_t card_at = start + 1288 * y + 4 * x;
                const bool stored = 1288 * y + 4 * x < 311296;
                ASSERT_EQ(f[0], stored ? fake.card[card_at] : 0) << x << "," << y;
                ASSERT_EQ(f[1], stored ? fake.card[card_at + 2] : 0);
                ASSERT_EQ(f[2], stored ? fake.card[card_at + 3] : 0);
            }
        }
    }
}

TEST_F(PhotoTest, DownloadRefusalsAndFailures) {
    UseCard(8u << 20, 26, {0, 40});
    const std::string path = temp.Path("photo.bmp");
    WriteFileBytes(path, {1, 2, 3});
    EXPECT_EQ(ReadPixavonToFile(2, path.c_str()), 0);  // past the list
    EXPECT_EQ(ReadPixavonToFile(-1, path.c_str()), 0);
    EXPECT_EQ(ReadPixavonToFile(1, path.c_str()), 0);  // slot beyond the card
    EXPECT_TRUE(fake.commands.empty());
    fake.failing_reads = {16 + 32 * 3 + 5};  // the load, three chunks, into the fourth
    EXPECT_EQ(ReadPixavonToFile(0, path.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(fake.boxes.empty());

    fake.fail_file_open = true;
    EXPECT_EQ(ReadPixavonToFile(0, path.c_str()), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_FALSE(fake.boxes[0].owned);
    fake.fail_file_open = false;
    fake.fail_file_write = true;
    EXPECT_EQ(ReadPixavonToFile(0, path.c_str()), 0);
    EXPECT_EQ(fake.boxes.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(path));  // no incomplete photo left behind
}

TEST_F(PhotoTest, UploadFillsTheNextSlotWithAnEraseAtEveryUnit) {
    for (std::size_t size : {8u << 20, 16u << 20}) {
        const std::uint8_t code = size == (8u << 20) ? 26 : 52;
        UseCard(size, code, {0, 1, 2});
        const std::string path = temp.Path("in.bmp");
        const auto bitmap = MakeBitmap(7);
        WriteFileBytes(path, bitmap);
        ASSERT_EQ(WriteFileToGBA(path.c_str()), 1);
        const auto erases = fake.CommandsOfKind("ERASE");
        const auto writes = fake.CommandsOfKind("WRITE");
        const std::uint32_t unit = code == 26 ? 16 : 32;
        ASSERT_EQ(erases.size(), 608 / unit + 1);  // and the catalog's
        for (std::uint32_t e = 0; e + 1 < erases.size(); ++e) {
            char expected[16];
            std::snprintf(expected, sizeof expected, "ERASE %04X", 1824 + unit * e);
            EXPECT_EQ(erases[e], expected);
        }
        ASSERT_EQ(writes.size(), 608u + 16u);
        EXPECT_EQ(writes.front(), "WRITE 0720 512");
        EXPECT_EQ(writes[607], "WRITE 097F 512");
        EXPECT_TRUE(std::none_of(writes.begin(), writes.end(),
                                 [](const std::string& w) { return w.find("UNERASED") != std::string::npos; }));
        EXPECT_EQ(fake.progress_messages, 624);
        std::vector<std::uint8_t> expected_image(kCardImageSize);
        CardImageFromFile(bitmap.data() + 54, expected_image.data());
        EXPECT_TRUE(
            std::equal(expected_image.begin(), expected_image.begin() + 311296, fake.card.begin() + 3 * 0x4C000));
        EXPECT_EQ(GetPhotoCount(), 4);
        EXPECT_EQ(State().slot_table.slots[3], 3);
    }
}

TEST_F(PhotoTest, UploadFillsTheLowestFreeSlotAndReadsTopDownFiles) {
    UseCard(8u << 20, 26, {1, 2});
    const std::string path = temp.Path("in.bmp");
    WriteFileBytes(path, MakeBitmap(7, true));
    ASSERT_EQ(WriteFileToGBA(path.c_str()), 1);
    EXPECT_EQ(fake.CommandsOfKind("WRITE").front(), "WRITE 0000 512");
    std::vector<std::uint8_t> expected_image(kCardImageSize);
    const auto bottom_up = MakeBitmap(7);
    CardImageFromFile(bottom_up.data() + 54, expected_image.data());
    EXPECT_TRUE(std::equal(expected_image.begin(), expected_image.begin() + 311296, fake.card.begin()));
    ASSERT_EQ(GetPhotoCount(), 3);
    EXPECT_EQ(State().slot_table.slots[2], 0);
}

TEST_F(PhotoTest, UploadRefusalsTouchNothing) {
    const std::string good = temp.Path("good.bmp");
    WriteFileBytes(good, MakeBitmap(7));
    fake.card.assign(8u << 20, 0xFF);
    PlaceCatalog(fake, MakeCatalog(26, {}));
    OpenDevice(TestWindow());
    EXPECT_EQ(WriteFileToGBA(good.c_str()), 0);  // no catalog loaded
    EXPECT_TRUE(fake.commands.empty());

    std::vector<std::uint8_t> full(26);
    for (std::uint8_t i = 0; i < 26; ++i) full[i] = i;
    UseCard(8u << 20, 26, full);
    EXPECT_EQ(WriteFileToGBA(good.c_str()), 0);
    EXPECT_TRUE(fake.commands.empty());
    EXPECT_TRUE(fake.boxes.empty());

    UseCard(8u << 20, 26, {0});
    const std::string small = temp.Path("small.bmp");
    auto wrong = MakeBitmap(7);
    PutLe32(wrong, 18, 320);
    WriteFileBytes(small, wrong);
    EXPECT_EQ(WriteFileToGBA(small.c_str()), 0);
    EXPECT_EQ(WriteFileToGBA(temp.Path("missing.bmp").c_str()), 0);
    EXPECT_TRUE(fake.commands.empty());
    ASSERT_EQ(fake.boxes.size(), 2u);
    EXPECT_EQ(fake.boxes[0].text, "Open(Create) File Failed...");
    EXPECT_FALSE(fake.boxes[1].owned);
}

TEST_F(PhotoTest, TwoUploadsWithoutAReloadTakeTwoSlots) {
    UseCard(8u << 20, 26, {0});
    const std::string first = temp.Path("first.bmp"), second = temp.Path("second.bmp");
    WriteFileBytes(first, MakeBitmap(1));
    WriteFileBytes(second, MakeBitmap(2));
    ASSERT_EQ(WriteFileToGBA(first.c_str()), 1);
    ASSERT_EQ(WriteFileToGBA(second.c_str()), 1);  // no GetPhotoCount in between
    EXPECT_EQ(CatalogOnCard(fake)[256], 3);
    for (std::uint8_t slot : {1, 2}) {
        std::vector<std::uint8_t> image(kCardImageSize);
        CardImageFromFile(MakeBitmap(slot).data() + 54, image.data());
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + 311296, fake.card.begin() + slot * 0x4C000)) << +slot;
    }
}

TEST_F(PhotoTest, UploadRefusesAListNamingAMissingOrRepeatedSlot) {
    const std::string path = temp.Path("in.bmp");
    WriteFileBytes(path, MakeBitmap(7));
    for (const std::vector<std::uint8_t>& slots : {std::vector<std::uint8_t>{0, 26}, {255, 255}, {1, 1}}) {
        UseCard(8u << 20, 26, slots);
        fake.boxes.clear();
        EXPECT_EQ(WriteFileToGBA(path.c_str()), 0);
        EXPECT_TRUE(fake.commands.empty());
        ASSERT_EQ(fake.boxes.size(), 1u);
        EXPECT_EQ(fake.boxes[0].text, "read card error,work incomplete");
    }
}

TEST_F(PhotoTest, FailedBlockWriteShowsMessage14AndLeavesTheCatalog) {
    UseCard(8u << 20, 26, {0});
    const std::string path = temp.Path("in.bmp");
    WriteFileBytes(path, MakeBitmap(7));
    fake.failing_writes = {1 + 7 + 2 * 100 + 2};  // the load, 7 erases, 100 blocks, block 100's data
    EXPECT_EQ(WriteFileToGBA(path.c_str()), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "write card error,work incomplete");
    EXPECT_TRUE(fake.boxes[0].owned);
    EXPECT_EQ(CatalogOnCard(fake), MakeCatalog(26, {0}));
    EXPECT_EQ(fake.progress_messages, 101);
}

TEST_F(PhotoTest, ARefusedEraseStopsTheUploadBeforeItWritesIntoTheUnit) {
    UseCard(16u << 20, 52, {0});
    const std::string path = temp.Path("in.bmp");
    WriteFileBytes(path, MakeBitmap(7));
    fake.failing_writes = {1 + 1 + 2 * 32 + 1};  // the load, slot 1's first unit, the second erase
    EXPECT_EQ(WriteFileToGBA(path.c_str()), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "write card error,work incomplete");
    EXPECT_EQ(fake.CommandsOfKind("WRITE").size(), 32u);
    EXPECT_EQ(CatalogOnCard(fake), MakeCatalog(52, {0}));
}

}  // namespace
}  // namespace pixavon::test
