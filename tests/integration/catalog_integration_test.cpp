#include <cstdio>

#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

using CatalogIntegration = LibraryTest;

std::vector<std::string> WriteBackTrace(const char* erase, uint16_t first) {
    std::vector<std::string> lines = {std::string("ERASE ") + erase};
    for (int k = 0; k < 16; ++k) {
        char line[32];
        std::snprintf(line, sizeof line, "WRITE %04X 512", first + k);
        lines.push_back(line);
    }
    return lines;
}

TEST_F(CatalogIntegration, LoadReadsTheCatalogAndLearnsTheCard) {
    const auto card = BlankCard(16, {5, 0, 7});
    StartCamera(16, {}, &card);
    EXPECT_EQ(lib->GetCardMemory(), 26);
    EXPECT_EQ(lib->GetPhotoCount(), 3);  // opens the device itself
    EXPECT_EQ(lib->IsConnect(), 1);
    EXPECT_EQ(lib->GetCardMemory(), 52);
    StopCamera();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"READ FFE0 8192"}));
}

TEST_F(CatalogIntegration, DamagedCatalogsShowMessage13) {
    auto card = BlankCard(8, {1});
    card[card.size() - 8192 + 258] = 64;
    StartCamera(8, {}, &card);
    EXPECT_EQ(OpenAndLoad(), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].owned, 1);
    EXPECT_EQ(host.boxes[0].caption, "Lumetta");
    EXPECT_EQ(host.boxes[0].style, 0x10u);
    EXPECT_EQ(host.boxes[0].text, "read card error,work incomplete");
    StopCamera();

    std::vector<uint8_t> erased(8u << 20, 0xFF);
    StartCamera(8, {}, &erased);
    EXPECT_EQ(OpenAndLoad(), 0);
    EXPECT_EQ(host.boxes.size(), 2u);
}

TEST_F(CatalogIntegration, EmptyCardSetsTheGeometry) {
    StartCamera(16);
    EXPECT_EQ(OpenAndLoad(), 0);
    EXPECT_EQ(lib->GetCardMemory(), 52);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(CatalogIntegration, DeleteRewritesTheCatalogInPlace) {
    for (int size : {8, 16}) {
        const auto card = BlankCard(size, {4, 9, 2});
        StartCamera(size, {}, &card);
        ASSERT_EQ(OpenAndLoad(), 3);
        host.progress = 0;
        EXPECT_EQ(lib->DeletePhoto(1), 1);
        EXPECT_EQ(host.progress, 16);
        EXPECT_EQ(lib->GetPhotoCount(), 2);
        StopCamera();
        auto expected = CatalogOf(card);
        expected[256] = 2;
        expected[512 + 16 + 8] = 2;
        expected[512 + 32] = 0xFF;
        expected[512 + 32 + 8] = 1;
        const auto after = emulator->card_bytes();
        EXPECT_EQ(CatalogOf(after), expected);
        EXPECT_TRUE(std::equal(after.begin(), after.end() - 8192, card.begin()));
        std::vector<std::string> trace = {"READ FFE0 8192", "READ FFE0 8192"};
        const auto write_back = size == 8 ? WriteBackTrace("3FF0", 0x3FF0) : WriteBackTrace("7FE0", 0x7FF0);
        trace.insert(trace.end(), write_back.begin(), write_back.end());
        trace.push_back("READ FFE0 8192");
        EXPECT_EQ(Trace(), trace);
    }
}

TEST_F(CatalogIntegration, RefusedDeletesLeaveTheCardAlone) {
    const auto card = BlankCard(8, {0, 1});
    StartCamera(8, {}, &card);
    ASSERT_EQ(lib->OpenDevice(&host.window), 1);
    EXPECT_EQ(lib->DeletePhoto(0), 0);  // no catalog loaded yet
    EXPECT_EQ(lib->FormatGBA(), 0);
    ASSERT_EQ(lib->GetPhotoCount(), 2);
    EXPECT_EQ(lib->DeletePhoto(2), 0);
    EXPECT_EQ(lib->DeletePhoto(-1), 0);
    StopCamera();
    EXPECT_EQ(emulator->card_bytes(), card);
    EXPECT_TRUE(LinesStartingWith(Trace(), "ERASE").empty());
    EXPECT_TRUE(LinesStartingWith(Trace(), "WRITE").empty());
}

TEST_F(CatalogIntegration, CatalogWriteFailingOnEveryPassShowsMessage14) {
    const auto card = BlankCard(8, {0, 1});
    StartCamera(8, {"--fail-write", "4,8,12"}, &card);  // block 3 on each of the three passes
    ASSERT_EQ(OpenAndLoad(), 2);
    EXPECT_EQ(lib->DeletePhoto(0), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "write card error,work incomplete");
    EXPECT_EQ(host.boxes[0].owned, 1);
    StopCamera();
    EXPECT_EQ(LinesStartingWith(Trace(), "WRITE 3FF3 512 FAILED").size(), 3u);
    EXPECT_EQ(LinesStartingWith(Trace(), "ERASE 3FF0").size(), 3u);
}

TEST_F(CatalogIntegration, ATransientCatalogWriteFailureLosesNothing) {
    const auto card = BlankCard(16, {0, 1, 2});
    StartCamera(16, {"--fail-write", "7"}, &card);
    ASSERT_EQ(OpenAndLoad(), 3);
    EXPECT_EQ(lib->DeletePhoto(1), 1);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.progress, 16);
    ASSERT_EQ(lib->GetPhotoCount(), 2);
    StopCamera();
    const auto catalog = CatalogOf(emulator->card_bytes());
    EXPECT_EQ(catalog[512 + 8], 0);
    EXPECT_EQ(catalog[512 + 16 + 8], 2);
    EXPECT_FALSE(AnyLineContains(Trace(), "UNERASED"));
}

TEST_F(CatalogIntegration, FormatLeavesALoadableEmptyCatalog) {
    for (int size : {8, 16}) {
        auto card = BlankCard(size, {3, 1, 4});
        StartCamera(size, {}, &card);
        ASSERT_EQ(OpenAndLoad(), 3);
        host.progress = 0;
        EXPECT_EQ(lib->FormatGBA(), 1);
        EXPECT_EQ(host.progress, 0);
        EXPECT_EQ(lib->GetPhotoCount(), 0);
        EXPECT_EQ(lib->GetCardMemory(), size == 8 ? 26 : 52);
        EXPECT_TRUE(host.boxes.empty());
        StopCamera();
        EXPECT_FALSE(AnyLineContains(Trace(), "UNERASED"));
        EXPECT_FALSE(AnyLineContains(Trace(), "MISALIGNED"));
        const auto catalog = CatalogOf(emulator->card_bytes());
        EXPECT_EQ(catalog[256], 0);
        EXPECT_EQ(catalog[258], size == 8 ? 26 : 52);
    }
}

TEST_F(CatalogIntegration, FormatRepairsAnErasedCatalog) {
    StartCamera(16);
    ASSERT_EQ(OpenAndLoad(), 0);  // learns the card
    StopCamera();
    auto card = emulator->card_bytes();
    std::fill(card.end() - 8192, card.end(), 0xFF);
    emulator->write_card_bytes(card);
    emulator->start();
    ASSERT_EQ(lib->OpenDevice(&host.window), 1);
    EXPECT_EQ(lib->GetPhotoCount(), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(lib->FormatGBA(), 1);
    EXPECT_EQ(lib->GetPhotoCount(), 0);
    EXPECT_EQ(host.boxes.size(), 1u);
}

}  // namespace
}  // namespace pixavon::test
