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

}  // namespace
}  // namespace pixavon::test
