#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

using PhotoIntegration = LibraryTest;

// Compares a downloaded bitmap with the one uploaded: every pixel the card
// stores must match; the right-most 100 pixels of the bottom row are black.
void ExpectSamePicture(const std::vector<uint8_t>& uploaded, const std::vector<uint8_t>& downloaded) {
    ASSERT_EQ(downloaded.size(), 234310u);
    ASSERT_TRUE(std::equal(uploaded.begin(), uploaded.begin() + 54, downloaded.begin()));
    for (uint32_t file_row = 0; file_row < 242; ++file_row) {
        for (uint32_t x = 0; x < 322; ++x) {
            const size_t at = 54 + 968 * file_row + 3 * x;
            const bool unstored = file_row == 0 && x >= 222;
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(downloaded[at + c], unstored ? 0 : uploaded[at + c]) << "row " << file_row << " x " << x;
            }
        }
        ASSERT_EQ(downloaded[54 + 968 * file_row + 966], 0);
        ASSERT_EQ(downloaded[54 + 968 * file_row + 967], 0);
    }
}

TEST_F(PhotoIntegration, UploadThenDownloadRoundTripsOnEvenAndOddSlots) {
    for (int size : {8, 16}) {
        StartCamera(size);
        ASSERT_EQ(OpenAndLoad(), 0);
        std::vector<std::vector<uint8_t>> pictures;
        for (uint32_t n = 0; n < 3; ++n) {
            pictures.push_back(MakeBitmap(n + 1));
            const std::string path = TempPath("up" + std::to_string(n) + ".bmp");
            WriteFileBytes(path, pictures.back());
            host.progress = 0;
            ASSERT_EQ(lib->WriteFileToGBA(path.c_str()), 1);
            EXPECT_EQ(host.progress, 624);
            ASSERT_EQ(lib->GetPhotoCount(), static_cast<int32_t>(n + 1));
        }
        for (int32_t position = 0; position < 3; ++position) {
            const std::string path = TempPath("down.bmp");
            host.progress = 0;
            ASSERT_EQ(lib->ReadPixavonToFile(position, path.c_str()), 1);
            EXPECT_EQ(host.progress, 20);
            ExpectSamePicture(pictures[static_cast<size_t>(position)], ReadFileBytes(path));
        }
        StopCamera();
        const auto trace = Trace();
        EXPECT_FALSE(AnyLineContains(trace, "UNERASED"));
        EXPECT_FALSE(AnyLineContains(trace, "MISALIGNED"));
        EXPECT_FALSE(AnyLineContains(trace, "OUT-OF-RANGE"));
    }
}

TEST_F(PhotoIntegration, UploadToTheFourthSlotErasesEveryUnitOnce) {
    for (int size : {8, 16}) {
        const auto card = BlankCard(size, {0, 1, 2});
        StartCamera(size, {}, &card);
        ASSERT_EQ(OpenAndLoad(), 3);
        const std::string path = TempPath("up.bmp");
        WriteFileBytes(path, MakeBitmap(9));
        ASSERT_EQ(lib->WriteFileToGBA(path.c_str()), 1);
        StopCamera();
        const auto trace = Trace();
        const auto erases = LinesStartingWith(trace, "ERASE");
        const uint32_t unit = size == 8 ? 16 : 32;
        ASSERT_EQ(erases.size(), 608 / unit + 1);  // the slot's units and the catalog's
        for (uint32_t e = 0; e + 1 < erases.size(); ++e) {
            char line[16];
            std::snprintf(line, sizeof line, "ERASE %04X", 1824 + unit * e);
            EXPECT_EQ(erases[e], line);
        }
        const auto writes = LinesStartingWith(trace, "WRITE");
        ASSERT_EQ(writes.size(), 624u);
        EXPECT_EQ(writes.front(), "WRITE 0720 512");
        EXPECT_EQ(writes[607], "WRITE 097F 512");
        EXPECT_FALSE(AnyLineContains(trace, "UNERASED"));
        const auto after = emulator->card_bytes();
        EXPECT_EQ(CatalogOf(after)[256], 4);
        EXPECT_EQ(CatalogOf(after)[512 + 48 + 8], 3);
        EXPECT_TRUE(std::equal(after.begin(), after.begin() + 3 * 0x4C000, card.begin()));
    }
}

TEST_F(PhotoIntegration, AFreedSlotIsFilledFirst) {
    StartCamera(8);
    ASSERT_EQ(OpenAndLoad(), 0);
    for (uint32_t n = 0; n < 3; ++n) {
        const std::string path = TempPath("up.bmp");
        WriteFileBytes(path, MakeBitmap(n));
        ASSERT_EQ(lib->WriteFileToGBA(path.c_str()), 1);
        ASSERT_EQ(lib->GetPhotoCount(), static_cast<int32_t>(n + 1));
    }
    ASSERT_EQ(lib->DeletePhoto(0), 1);
    ASSERT_EQ(lib->GetPhotoCount(), 2);
    const auto fresh = MakeBitmap(77, true);  // top-down this time
    WriteFileBytes(TempPath("new.bmp"), fresh);
    ASSERT_EQ(lib->WriteFileToGBA(TempPath("new.bmp").c_str()), 1);
    ASSERT_EQ(lib->GetPhotoCount(), 3);
    ASSERT_EQ(lib->ReadPixavonToFile(2, TempPath("down.bmp").c_str()), 1);
    ExpectSamePicture(MakeBitmap(77), ReadFileBytes(TempPath("down.bmp")));
    StopCamera();
    const auto catalog = CatalogOf(emulator->card_bytes());
    EXPECT_EQ(catalog[512 + 8], 1);
    EXPECT_EQ(catalog[512 + 16 + 8], 2);
    EXPECT_EQ(catalog[512 + 32 + 8], 0);
    EXPECT_EQ(LinesStartingWith(Trace(), "WRITE 0000").size(), 2u);  // slot 0, twice over the run
}

TEST_F(PhotoIntegration, RefusedUploadsAndDownloadsLeaveTheCardAlone) {
    std::vector<uint8_t> full_slots(26);
    for (uint8_t i = 0; i < 26; ++i) full_slots[i] = i;
    const auto card = BlankCard(8, full_slots);
    StartCamera(8, {}, &card);
    const std::string good = TempPath("good.bmp");
    WriteFileBytes(good, MakeBitmap(1));
    ASSERT_EQ(lib->OpenDevice(&host.window), 1);
    EXPECT_EQ(lib->WriteFileToGBA(good.c_str()), 0);  // no catalog loaded
    ASSERT_EQ(lib->GetPhotoCount(), 26);
    EXPECT_EQ(lib->WriteFileToGBA(good.c_str()), 0);  // the card is full
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(lib->ReadPixavonToFile(26, TempPath("x.bmp").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(TempPath("x.bmp")));
    ASSERT_EQ(lib->DeletePhoto(25), 1);
    ASSERT_EQ(lib->GetPhotoCount(), 25);
    auto bad = MakeBitmap(1);
    bad[28] = 32;  // 32 bits per pixel
    WriteFileBytes(TempPath("bad.bmp"), bad);
    EXPECT_EQ(lib->WriteFileToGBA(TempPath("bad.bmp").c_str()), 0);
    EXPECT_EQ(lib->WriteFileToGBA(TempPath("missing.bmp").c_str()), 0);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].owned, 0);
    EXPECT_EQ(host.boxes[0].caption, "Error");
    EXPECT_EQ(host.boxes[0].text, "Open(Create) File Failed...");
    StopCamera();
    const auto trace = Trace();
    EXPECT_EQ(LinesStartingWith(trace, "WRITE").size(), 16u);  // the delete's catalog only
    const auto after = emulator->card_bytes();
    EXPECT_TRUE(std::equal(after.begin(), after.end() - 8192, card.begin()));
}

TEST_F(PhotoIntegration, FailedBlockWriteKeepsTheCatalog) {
    const auto card = BlankCard(16, {0});
    StartCamera(16, {"--fail-write", "300"}, &card);
    ASSERT_EQ(OpenAndLoad(), 1);
    WriteFileBytes(TempPath("up.bmp"), MakeBitmap(3));
    EXPECT_EQ(lib->WriteFileToGBA(TempPath("up.bmp").c_str()), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "write card error,work incomplete");
    EXPECT_EQ(host.boxes[0].owned, 1);
    EXPECT_EQ(lib->GetPhotoCount(), 1);
    StopCamera();
    EXPECT_EQ(CatalogOf(emulator->card_bytes()), CatalogOf(card));
}

TEST_F(PhotoIntegration, DownloadFailures) {
    const auto card = BlankCard(8, {0});
    StartCamera(8, {"--fail-read", "40"}, &card);
    ASSERT_EQ(OpenAndLoad(), 1);
    const std::string path = TempPath("kept.bmp");
    WriteFileBytes(path, {7, 7, 7});
    EXPECT_EQ(lib->ReadPixavonToFile(0, path.c_str()), 0);  // a card read fails
    EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{7, 7, 7}));
    EXPECT_TRUE(host.boxes.empty());
    const std::string unwritable = TempPath("no-such-dir/photo.bmp");
    EXPECT_EQ(lib->ReadPixavonToFile(0, unwritable.c_str()), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].owned, 0);
}

}  // namespace
}  // namespace pixavon::test
