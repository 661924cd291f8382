#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "catalog/catalog.h"
#include "device/device.h"
#include "unit/fake_platform.h"

namespace pixavon::test {
namespace {

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override { fake.Install(); }
    void UseCard(std::size_t bytes, const std::vector<std::uint8_t>& catalog) {
        fake.card.assign(bytes, 0xFF);
        PlaceCatalog(fake, catalog);
    }
    // Loads the catalog, then forgets what the load sent.
    std::int32_t LoadAndClear() {
        const std::int32_t count = GetPhotoCount();
        fake.commands.clear();
        fake.events.clear();
        fake.progress_messages = 0;
        return count;
    }
    static std::vector<std::string> WriteBackCommands(const char* erase, std::uint16_t first_write) {
        std::vector<std::string> expected = {std::string("ERASE ") + erase};
        for (int k = 0; k < 16; ++k) {
            char line[32];
            std::snprintf(line, sizeof line, "WRITE %04X 512", first_write + k);
            expected.push_back(line);
        }
        return expected;
    }
    FakePlatform fake;
};

TEST_F(CatalogTest, LoadFillsGeometryAndSlotTable) {
    UseCard(16u << 20, MakeCatalog(52, {5, 0, 7}));
    EXPECT_EQ(GetCardMemory(), 26);  // until a catalog says otherwise
    OpenDevice(TestWindow());
    EXPECT_EQ(GetPhotoCount(), 3);
    EXPECT_EQ(GetCardMemory(), 52);
    const LibraryState& state = State();
    EXPECT_EQ(state.slot_table.count, 3);
    EXPECT_EQ(state.slot_table.slots[0], 5);
    EXPECT_EQ(state.slot_table.slots[1], 0);
    EXPECT_EQ(state.slot_table.slots[2], 7);
    EXPECT_EQ(state.geometry.total_blocks, 0x8000);
    EXPECT_EQ(state.geometry.erase_interval, 32);
    EXPECT_EQ(state.geometry.catalog_erase_address, 0x7FE0);
    EXPECT_EQ(state.geometry.catalog_write_address, 0x7FF0);
    EXPECT_EQ(fake.commands, (std::vector<std::string>{"READ FFE0 8192"}));
    EXPECT_EQ(fake.progress_messages, 0);
}

TEST_F(CatalogTest, InvalidCatalogsShowMessage13AndKeepTheGeometry) {
    UseCard(16u << 20, MakeCatalog(52, {1}));
    OpenDevice(TestWindow());
    ASSERT_EQ(GetPhotoCount(), 1);
    std::fill(fake.card.end() - 8192, fake.card.end(), 0xFF);  // erased
    EXPECT_EQ(GetPhotoCount(), 0);
    auto wrong_code = MakeCatalog(52, {1});
    wrong_code[258] = 64;
    PlaceCatalog(fake, wrong_code);
    EXPECT_EQ(GetPhotoCount(), 0);
    ASSERT_EQ(fake.boxes.size(), 2u);
    EXPECT_EQ(fake.boxes[0].text, "read card error,work incomplete");
    EXPECT_TRUE(fake.boxes[0].owned);
    EXPECT_EQ(State().slot_table.count, 0);
    EXPECT_EQ(GetCardMemory(), 52);
}

TEST_F(CatalogTest, EmptyCatalogSetsGeometryAndAFailedReadEmptiesTheTable) {
    UseCard(16u << 20, MakeCatalog(52, {}));
    EXPECT_EQ(GetPhotoCount(), 0);  // opens the device itself
    EXPECT_EQ(fake.opens, 1);
    EXPECT_EQ(GetCardMemory(), 52);
    EXPECT_TRUE(fake.boxes.empty());

    PlaceCatalog(fake, MakeCatalog(52, {3, 4}));
    ASSERT_EQ(GetPhotoCount(), 2);
    fake.failing_reads = {static_cast<int>(fake.commands.size()) * 16 + 1};
    EXPECT_EQ(GetPhotoCount(), 0);
    EXPECT_EQ(State().slot_table.count, 0);
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(CatalogTest, LoadWithoutACameraLeavesTheTableAlone) {
    UseCard(8u << 20, MakeCatalog(26, {2}));
    ASSERT_EQ(GetPhotoCount(), 1);
    CloseDevice();
    fake.device_present = false;
    EXPECT_EQ(GetPhotoCount(), 0);
    EXPECT_EQ(State().slot_table.count, 1);
}

TEST_F(CatalogTest, DeleteInTheMiddleClosesTheGapAndLeavesAMarker) {
    const auto before = MakeCatalog(26, {4, 9, 2});
    UseCard(8u << 20, before);
    OpenDevice(TestWindow());
    ASSERT_EQ(LoadAndClear(), 3);
    EXPECT_EQ(DeletePhoto(1), 1);
    std::vector<std::string> expected = {"READ FFE0 8192"};
    const auto write_back = WriteBackCommands("3FF0", 0x3FF0);
    expected.insert(expected.end(), write_back.begin(), write_back.end());
    EXPECT_EQ(fake.commands, expected);
    EXPECT_EQ(fake.progress_messages, 16);

    auto after = before;
    after[256] = 2;
    std::copy(before.begin() + 512 + 32, before.begin() + 512 + 48, after.begin() + 512 + 16);
    after[512 + 32 + 0] = 0xFF;  // marker: the old last entry, mark, position, zero
    after[512 + 32 + 8] = 1;
    after[512 + 32 + 9] = 0;
    EXPECT_EQ(CatalogOnCard(fake), after);
}

TEST_F(CatalogTest, DeleteTheLastPositionOnA16MiBCard) {
    const auto before = MakeCatalog(52, {0, 1, 2});
    UseCard(16u << 20, before);
    OpenDevice(nullptr);
    ASSERT_EQ(LoadAndClear(), 3);
    EXPECT_EQ(DeletePhoto(2), 1);
    EXPECT_EQ(fake.commands[1], "ERASE 7FE0");
    EXPECT_EQ(fake.commands[2], "WRITE 7FF0 512");
    auto after = before;
    after[256] = 2;
    after[512 + 32] = 0xFF;
    after[512 + 32 + 8] = 2;
    EXPECT_EQ(CatalogOnCard(fake), after);
}

TEST_F(CatalogTest, RefusedDeletesTouchNothing) {
    UseCard(8u << 20, MakeCatalog(26, {0, 1}));
    OpenDevice(nullptr);
    EXPECT_EQ(DeletePhoto(0), 0);  // no catalog loaded yet
    EXPECT_TRUE(fake.commands.empty());
    ASSERT_EQ(LoadAndClear(), 2);
    EXPECT_EQ(DeletePhoto(2), 0);
    EXPECT_EQ(DeletePhoto(-1), 0);
    EXPECT_EQ(fake.CommandsOfKind("ERASE").size() + fake.CommandsOfKind("WRITE").size(), 0u);
    EXPECT_EQ(CatalogOnCard(fake), MakeCatalog(26, {0, 1}));
}

TEST_F(CatalogTest, AppendAddsAZeroedEntryKeepingItsTail) {
    auto before = MakeCatalog(26, {1, 2});
    before[512 + 32 + 12] = 0x77;  // tail bytes of the next entry survive
    UseCard(8u << 20, before);
    OpenDevice(TestWindow());
    ASSERT_EQ(LoadAndClear(), 2);
    EXPECT_EQ(AppendCatalogEntry(0), 1);
    EXPECT_EQ(fake.progress_messages, 16);
    auto after = before;
    after[256] = 3;
    std::fill(after.begin() + 512 + 32, after.begin() + 512 + 42, 0);
    after[512 + 32 + 8] = 0;
    EXPECT_EQ(CatalogOnCard(fake), after);
    EXPECT_EQ(GetPhotoCount(), 3);
    EXPECT_EQ(State().slot_table.slots[2], 0);
}

TEST_F(CatalogTest, AppendLeavesAFullCatalogAlone) {
    std::vector<std::uint8_t> slots(26);
    std::iota(slots.begin(), slots.end(), std::uint8_t{0});
    UseCard(8u << 20, MakeCatalog(26, slots));
    OpenDevice(TestWindow());
    ASSERT_EQ(LoadAndClear(), 26);
    EXPECT_EQ(AppendCatalogEntry(0), 0);
    EXPECT_TRUE(fake.CommandsOfKind("ERASE").empty());
    EXPECT_TRUE(fake.CommandsOfKind("WRITE").empty());
}

TEST_F(CatalogTest, OneFailedCatalogWriteIsRepairedByAnotherPass) {
    // Every one of the write-back's 33 transfers (erase, 16 packets, 16 data) fails once.
    for (int step = 1; step <= 33; ++step) {
        UseCard(8u << 20, MakeCatalog(26, {1, 2, 3}));
        OpenDevice(TestWindow());
        ASSERT_EQ(LoadAndClear(), 3);
        fake.failing_writes = {1 + 1 + step};  // the load's packet, delete's read packet, then the write-back
        ASSERT_EQ(DeletePhoto(0), 1) << "step " << step;
        EXPECT_TRUE(fake.boxes.empty());
        EXPECT_EQ(fake.progress_messages, 16);
        auto expected = MakeCatalog(26, {2, 3, 3});
        expected[256] = 2;
        expected[512 + 32] = 0xFF;
        expected[512 + 32 + 8] = 0;
        expected[512 + 12] = 0xA1;  // the entries moved up with their other bytes
        expected[512 + 16 + 12] = 0xA2;
        expected[512 + 32 + 12] = 0xA2;
        EXPECT_EQ(CatalogOnCard(fake), expected) << "step " << step;
        fake.failing_writes.clear();
        fake.boxes.clear();
    }
}

TEST_F(CatalogTest, APersistentWriteFailureShowsMessage14AfterThreePasses) {
    UseCard(8u << 20, MakeCatalog(26, {1, 2}));
    OpenDevice(TestWindow());
    ASSERT_EQ(LoadAndClear(), 2);
    fake.fail_writes_from = 2 + 1 + 2 * 4 + 2;  // from block 4's data on, nothing is taken
    EXPECT_EQ(DeletePhoto(0), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "write card error,work incomplete");
    EXPECT_EQ(fake.progress_messages, 5);
    EXPECT_EQ(std::count(fake.commands.begin(), fake.commands.end(), "ERASE 3FF0"),
              1);  // later erases were refused too
}

TEST_F(CatalogTest, FormatWritesAFreshCatalogForTheLoadedCard) {
    for (std::size_t size : {8u << 20, 16u << 20}) {
        const std::uint8_t code = size == (8u << 20) ? 26 : 52;
        auto before = MakeCatalog(code, {3, 1, 4});
        before[19] = 0x55;
        before[300] = 0x66;
        before[2000] = 0x12;
        UseCard(size, before);
        OpenDevice(TestWindow());
        ASSERT_EQ(LoadAndClear(), 3);
        EXPECT_EQ(FormatGBA(), 1);
        EXPECT_EQ(fake.progress_messages, 0);
        EXPECT_EQ(fake.commands.size(), 18u);
        auto after = before;
        after[19] = 0;
        after[256] = 0;
        std::fill(after.begin() + 512, after.begin() + 1024, 0xFF);
        EXPECT_EQ(CatalogOnCard(fake), after);
        EXPECT_EQ(GetPhotoCount(), 0);
        EXPECT_EQ(GetCardMemory(), code);
        EXPECT_TRUE(fake.boxes.empty());
    }
}

TEST_F(CatalogTest, FormatRepairsAnErasedCatalogAndRefusesBeforeALoad) {
    UseCard(16u << 20, MakeCatalog(52, {}));
    OpenDevice(nullptr);
    EXPECT_EQ(FormatGBA(), 0);
    EXPECT_TRUE(fake.commands.empty());
    ASSERT_EQ(LoadAndClear(), 0);
    std::fill(fake.card.end() - 8192, fake.card.end(), 0xFF);
    EXPECT_EQ(FormatGBA(), 1);
    EXPECT_EQ(GetPhotoCount(), 0);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(CatalogOnCard(fake)[258], 52);
}

TEST_F(CatalogTest, FormatFailures) {
    UseCard(8u << 20, MakeCatalog(26, {1}));
    OpenDevice(TestWindow());
    ASSERT_EQ(LoadAndClear(), 1);
    fake.failing_writes = {3};  // the load's packet, format's read packet, then its erase packet
    EXPECT_EQ(FormatGBA(), 0);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(CatalogOnCard(fake), MakeCatalog(26, {1}));
    fake.failing_writes = {9};  // read, erase, block 0 packet and data, block 1 packet, its data
    EXPECT_EQ(FormatGBA(), 1);  // repaired by a second pass
    EXPECT_EQ(CatalogOnCard(fake)[256], 0);
    fake.fail_writes_from = fake.device_writes() + 4;  // from block 0's data on
    EXPECT_EQ(FormatGBA(), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "write card error,work incomplete");
}

}  // namespace
}  // namespace pixavon::test
