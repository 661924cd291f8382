#include <string>

#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

// One test per card size (MiB): the restores take longest under wine, where
// the tests run in shards.
class CardImageIntegration : public LibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(CardImageIntegration, BackupChangeRestoreGivesBackTheSameCard) {
    const int size = GetParam();
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

INSTANTIATE_TEST_SUITE_P(CardSizes, CardImageIntegration, ::testing::Values(8, 16),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "MiB"; });

}  // namespace
}  // namespace pixavon::test
