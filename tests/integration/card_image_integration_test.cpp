#include <filesystem>

#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

using CardImageIntegration = LibraryTest;

TEST_F(CardImageIntegration, BackupChangeRestoreGivesBackTheSameCard) {
    for (int size : {8, 16}) {
        StartCamera(size);
        ASSERT_EQ(OpenAndLoad(), 0);
        for (uint32_t n = 0; n < 2; ++n) {
            WriteFileBytes(TempPath("up.bmp"), MakeBitmap(n));
            ASSERT_EQ(lib->WriteFileToGBA(TempPath("up.bmp").c_str()), 1);
            ASSERT_EQ(lib->GetPhotoCount(), static_cast<int32_t>(n + 1));
        }
        const std::string backup = TempPath("card.img");
        host.progress = 0;
        ASSERT_EQ(lib->ReadAll(backup.c_str()), 1);
        EXPECT_EQ(host.progress, size == 8 ? 256 : 512);

        ASSERT_EQ(lib->DeletePhoto(0), 1);
        ASSERT_EQ(lib->GetPhotoCount(), 1);
        WriteFileBytes(TempPath("up.bmp"), MakeBitmap(50));
        ASSERT_EQ(lib->WriteFileToGBA(TempPath("up.bmp").c_str()), 1);
        ASSERT_EQ(lib->GetPhotoCount(), 2);

        host.progress = 0;
        ASSERT_EQ(lib->WriteAll(backup.c_str()), 1);
        EXPECT_EQ(host.progress, size == 8 ? 16384 : 32768);
        ASSERT_EQ(lib->GetPhotoCount(), 2);
        StopCamera();
        const auto image = ReadFileBytes(backup);
        EXPECT_EQ(image.size(), static_cast<size_t>(size) << 20);
        EXPECT_EQ(emulator->card_bytes(), image);
        const auto trace = Trace();
        EXPECT_FALSE(AnyLineContains(trace, "UNERASED"));
        EXPECT_FALSE(AnyLineContains(trace, "MISALIGNED"));
        EXPECT_EQ(LinesStartingWith(trace, "READ 0080 32768").size(), 1u);
    }
}

TEST_F(CardImageIntegration, BackupBeforeALoadSaves8MiB) {
    StartCamera(16);
    ASSERT_EQ(lib->OpenDevice(&host.window), 1);
    ASSERT_EQ(lib->ReadAll(TempPath("card.img").c_str()), 1);
    EXPECT_EQ(std::filesystem::file_size(TempPath("card.img")), 8u << 20);
    EXPECT_EQ(host.progress, 256);
}

TEST_F(CardImageIntegration, RestoreRefusesImagesOfAnotherSize) {
    StartCamera(16);
    ASSERT_EQ(OpenAndLoad(), 0);
    WriteFileBytes(TempPath("small.img"), BlankCard(8, {}));
    EXPECT_EQ(lib->WriteAll(TempPath("small.img").c_str()), 0);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.progress, 0);
    EXPECT_EQ(lib->WriteAll(TempPath("missing.img").c_str()), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].owned, 0);
    StopCamera();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"READ FFE0 8192"}));
}

TEST_F(CardImageIntegration, FailedCardReadDuringBackupKeepsThePartialFile) {
    StartCamera(8, {"--fail-read", "16,200"});  // the load's last read, then inside the fourth chunk
    ASSERT_EQ(lib->OpenDevice(&host.window), 1);
    EXPECT_EQ(lib->GetPhotoCount(), 0);
    ASSERT_EQ(lib->ReadAll(TempPath("card.img").c_str()), 0);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(std::filesystem::file_size(TempPath("card.img")), 2u * 32768);
}

TEST_F(CardImageIntegration, FailedBlockWriteDuringRestoreShowsMessage14) {
    auto image = BlankCard(8, {});
    std::fill(image.begin(), image.begin() + 100 * 512, 0x5A);
    StartCamera(8, {"--fail-write", "40"});
    ASSERT_EQ(OpenAndLoad(), 0);
    WriteFileBytes(TempPath("card.img"), image);
    EXPECT_EQ(lib->WriteAll(TempPath("card.img").c_str()), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "write card error,work incomplete");
    StopCamera();
    const auto card = emulator->card_bytes();
    EXPECT_TRUE(std::all_of(card.begin(), card.begin() + 39 * 512, [](uint8_t b) { return b == 0x5A; }));
    EXPECT_TRUE(std::all_of(card.begin() + 39 * 512, card.begin() + 48 * 512, [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(CardImageIntegration, BackupFileThatCannotBeCreated) {
    StartCamera(8);
    ASSERT_EQ(OpenAndLoad(), 0);
    EXPECT_EQ(lib->ReadAll(TempPath("no-such-dir/card.img").c_str()), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].owned, 0);
    EXPECT_EQ(host.boxes[0].text, "Open(Create) File Failed...");
    EXPECT_EQ(host.progress, 0);
}

}  // namespace
}  // namespace pixavon::test
