#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "cardimage/card_image.h"
#include "catalog/catalog.h"
#include "device/device.h"
#include "unit/fake_platform.h"

namespace pixavon::test {
namespace {

class CardImageTest : public ::testing::Test {
protected:
    void SetUp() override { fake.Install(); }
    void UseCard(std::size_t bytes, std::uint8_t code) {
        fake.card.resize(bytes);
        std::mt19937 random(static_cast<unsigned>(bytes));
        for (auto& b : fake.card) b = static_cast<std::uint8_t>(random());
        PlaceCatalog(fake, MakeCatalog(code, {0, 1}));
        OpenDevice(TestWindow());
    }
    void Forget() {
        fake.commands.clear();
        fake.events.clear();
        fake.progress_messages = 0;
    }
    int fake_file_reads_so_far() const { return fake.file_reads(); }
    FakePlatform fake;
    TempDir temp;
};

TEST_F(CardImageTest, BackupIsTheCardsBytesIn32KiBReads) {
    UseCard(16u << 20, 52);
    const std::string path = temp.Path("card.img");
    ASSERT_EQ(ReadAll(path.c_str()), 1);  // before a load: 8 MiB
    EXPECT_EQ(fake.commands.size(), 256u);
    EXPECT_EQ(ReadFileBytes(path), std::vector<std::uint8_t>(fake.card.begin(), fake.card.begin() + (8u << 20)));
    ASSERT_EQ(GetPhotoCount(), 2);
    Forget();
    ASSERT_EQ(ReadAll(path.c_str()), 1);
    EXPECT_EQ(fake.commands.size(), 512u);
    EXPECT_EQ(fake.commands[1], "READ 0080 32768");
    EXPECT_EQ(fake.progress_messages, 512);
    EXPECT_EQ(ReadFileBytes(path), fake.card);
}

TEST_F(CardImageTest, BackupFailures) {
    UseCard(8u << 20, 26);
    const std::string path = temp.Path("card.img");
    fake.failing_reads = {64 * 3 + 1};
    EXPECT_EQ(ReadAll(path.c_str()), 0);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(ReadFileBytes(path).size(), 3u * 32768);  // the chunks read so far stay
    fake.fail_file_write = true;
    EXPECT_EQ(ReadAll(path.c_str()), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "Open(Create) File Failed...");
    fake.fail_file_open = true;
    EXPECT_EQ(ReadAll(path.c_str()), 0);
    EXPECT_EQ(fake.boxes.size(), 2u);
}

TEST_F(CardImageTest, RestoreWritesEveryBlockWithOneErasePerUnit) {
    for (std::size_t size : {8u << 20, 16u << 20}) {
        const std::uint8_t code = size == (8u << 20) ? 26 : 52;
        UseCard(size, code);
        ASSERT_EQ(GetPhotoCount(), 2);
        const std::vector<std::uint8_t> image = fake.card;
        std::fill(fake.card.begin(), fake.card.end(), 0x00);
        const std::string path = temp.Path("card.img");
        WriteFileBytes(path, image);
        Forget();
        ASSERT_EQ(WriteAll(path.c_str()), 1);
        EXPECT_EQ(fake.card, image);
        EXPECT_EQ(fake.CommandsOfKind("ERASE").size(), 1024u);
        EXPECT_EQ(fake.CommandsOfKind("WRITE").size(), size / 512);
        EXPECT_EQ(fake.progress_messages, static_cast<int>(size / 512));
        EXPECT_EQ(fake.commands[0], "ERASE 0000");
        EXPECT_EQ(fake.commands[1], "WRITE 0000 512");
    }
}

TEST_F(CardImageTest, RestoreRefusesAnImageOfAnotherSize) {
    UseCard(16u << 20, 52);
    const std::string path = temp.Path("card.img");
    WriteFileBytes(path, std::vector<std::uint8_t>(8u << 20, 0));
    EXPECT_EQ(WriteAll(path.c_str()), 0);  // nothing loaded: only an empty file fits
    ASSERT_EQ(GetPhotoCount(), 2);
    Forget();
    EXPECT_EQ(WriteAll(path.c_str()), 0);
    EXPECT_TRUE(fake.commands.empty());
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(WriteAll(temp.Path("missing.img").c_str()), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_FALSE(fake.boxes[0].owned);
}

TEST_F(CardImageTest, RestoreBeforeALoadAcceptsOnlyAnEmptyFileAndSendsNothing) {
    UseCard(8u << 20, 26);
    const std::string path = temp.Path("empty.img");
    WriteFileBytes(path, {});
    EXPECT_EQ(WriteAll(path.c_str()), 1);
    EXPECT_TRUE(fake.commands.empty());
}

TEST_F(CardImageTest, RestoreFailures) {
    UseCard(8u << 20, 26);
    ASSERT_EQ(GetPhotoCount(), 2);
    const std::vector<std::uint8_t> image(8u << 20, 0x3C);
    const std::string path = temp.Path("card.img");
    WriteFileBytes(path, image);

    // A failing block write: message 14, the blocks before it restored.
    std::fill(fake.card.begin(), fake.card.end(), 0x00);
    fake.failing_writes = {1 + 1 + 2 * 20 + 2 + 1};  // the load, 2 erases, 20 blocks, block 20's data
    EXPECT_EQ(WriteAll(path.c_str()), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "write card error,work incomplete");
    EXPECT_TRUE(std::all_of(fake.card.begin(), fake.card.begin() + 20 * 512, [](auto b) { return b == 0x3C; }));
    EXPECT_TRUE(
        std::all_of(fake.card.begin() + 20 * 512, fake.card.begin() + 32 * 512, [](auto b) { return b == 0xFF; }));

    // A failing read of the image: every readable block restored, then the file box and 0.
    fake.failing_writes.clear();
    fake.boxes.clear();
    std::fill(fake.card.begin(), fake.card.end(), 0x00);
    fake.failing_file_reads = {fake.file_reads() + 2, fake.file_reads() + 3};  // the second batch, then its first block
    Forget();
    EXPECT_EQ(WriteAll(path.c_str()), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "Open(Create) File Failed...");
    EXPECT_EQ(fake.CommandsOfKind("WRITE").size(), 16383u);
    EXPECT_EQ(fake.CommandsOfKind("ERASE").size(), 1024u);
    auto expected = image;
    std::fill(expected.begin() + 128 * 512, expected.begin() + 129 * 512, 0xFF);  // left erased
    EXPECT_EQ(fake.card, expected);

    // A batch that fails once but reads block by block loses nothing.
    fake.boxes.clear();
    fake.failing_file_reads = {fake_file_reads_so_far() + 5};
    EXPECT_EQ(WriteAll(path.c_str()), 1);
    EXPECT_EQ(fake.card, image);
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(CardImageTest, ARefusedEraseStopsTheRestore) {
    UseCard(8u << 20, 26);
    ASSERT_EQ(GetPhotoCount(), 2);
    const std::string path = temp.Path("card.img");
    WriteFileBytes(path, std::vector<std::uint8_t>(8u << 20, 0x11));
    fake.failing_writes = {fake.device_writes() + 1 + 2 * 16 + 1};  // the second unit's erase
    EXPECT_EQ(WriteAll(path.c_str()), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "write card error,work incomplete");
    EXPECT_EQ(fake.CommandsOfKind("WRITE").size(), 16u);
}

}  // namespace
}  // namespace pixavon::test
