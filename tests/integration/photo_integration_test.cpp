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

}  // namespace
}  // namespace pixavon::test
