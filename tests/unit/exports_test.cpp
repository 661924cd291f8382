// The exported functions' own duties: one call at a time per thread, and
// nothing thrown reaching the host.
#include <gtest/gtest.h>

#include <new>

#include "include/pixavon.h"
#include "unit/fake_platform.h"

namespace pixavon::test {
namespace {

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.Install();
        PlaceCatalog(fake, MakeCatalog(26, {0}));
        ASSERT_EQ(::OpenDevice((PixavonWindowHandle)TestWindow()), 1);
        ASSERT_EQ(::GetPhotoCount(), 1);
        WriteFileBytes(picture, MakeBitmap(7));
    }
    FakePlatform fake;
    TempDir temp;
    const std::string picture = temp.Path("in.bmp");
};

TEST_F(ExportsTest, AProgressHandlerCallingBackInIsRefusedButForTheQueries) {
    std::vector<int> card_calls;
    int connected = -1, memory = -1, named = -1;
    fake.on_progress = [&] {
        if (fake.progress_messages != 100) return;
        std::uint8_t block[512] = {};
        card_calls = {::DeletePhoto(0),
                      ::WriteFileToGBA(picture.c_str()),
                      ::CloseDevice(),
                      ::GetPhotoCount(),
                      ::ReadGBA(0, block, 512),
                      ::WriteGBA(0, block, 512),
                      ::FormatGBA(),
                      ::OpenDevice(nullptr),
                      ::ReadPixavonToFile(0, temp.Path("out.bmp").c_str()),
                      ::ReadAll(temp.Path("all.bin").c_str()),
                      ::WriteAll(picture.c_str())};
        char text[PIXAVON_STRING_BUFFER_SIZE];
        connected = ::IsConnect();
        memory = ::GetCardMemory();
        named = ::GetString(13, text);
    };
    ASSERT_EQ(::WriteFileToGBA(picture.c_str()), 1);
    EXPECT_EQ(card_calls, std::vector<int>(11, 0));
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(memory, 26);
    EXPECT_EQ(named, 1);
    EXPECT_EQ(fake.CommandsOfKind("WRITE").size(), 608u + 16u);  // the upload's own, nothing else
    const auto catalog = CatalogOnCard(fake);
    EXPECT_EQ(catalog[256], 2);           // the count
    EXPECT_EQ(catalog[512 + 16 + 8], 1);  // the new photo's slot
}

TEST_F(ExportsTest, NothingThrownCrossesTheExportedFunctions) {
    fake.on_progress = [&] {
        if (fake.progress_messages == 5) throw std::bad_alloc();
    };
    EXPECT_EQ(::WriteFileToGBA(picture.c_str()), 0);
    fake.on_progress = nullptr;
    EXPECT_EQ(::WriteFileToGBA(picture.c_str()), 1);  // the lock and the call mark were released
}

}  // namespace
}  // namespace pixavon::test
