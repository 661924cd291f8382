// Failure paths end to end, through the exported functions: the boxes a user
// sees, what the card and the host's files hold afterwards, and a camera that
// vanishes or loses power in the middle of an operation.
#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

using FailureIntegration = LibraryTest;

const BoxSeen kFileBox{0, "Open(Create) File Failed...", "Error", 0};
const BoxSeen kWriteCardBox{1, "write card error,work incomplete", "Lumetta", 0};

void ExpectBoxes(const std::vector<BoxSeen>& seen, const std::vector<BoxSeen>& expected) {
    std::string texts;
    for (const BoxSeen& box : seen) texts += "[" + box.text + "] ";
    ASSERT_EQ(seen.size(), expected.size()) << texts;
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].text, expected[i].text) << "box " << i;
        EXPECT_EQ(seen[i].caption, expected[i].caption) << "box " << i;
        EXPECT_EQ(seen[i].owned, expected[i].owned) << "box " << i;
    }
}

TEST_F(FailureIntegration, FailedTransfersAndFilesShowTheirBoxesAndKeepTheCard) {
    const auto card = BlankCard(8, {0});
    // Read blocks 1-16 are the catalog, 17-656 the download; the backup's
    // third chunk asks for block 785. The upload's first block write fails.
    StartCamera(8, {"--fail-read", "785", "--fail-write", "1"}, &card);
    ASSERT_EQ(OpenAndLoad(), 1);
    EXPECT_EQ(lib->GetCardMemory(), 26);

    host.progress = 0;
    EXPECT_EQ(lib->ReadPixavonToFile(0, TempPath("no-such-dir/photo.bmp").c_str()), 0);
    EXPECT_EQ(host.progress, 20);

    host.progress = 0;
    EXPECT_EQ(lib->ReadAll(TempPath("backup.img").c_str()), 0);
    EXPECT_EQ(host.progress, 3);
    EXPECT_EQ(ReadFileBytes(TempPath("backup.img")).size(), 2u * 32768);

    WriteFileBytes(TempPath("up.bmp"), MakeBitmap(7));
    host.progress = 0;
    EXPECT_EQ(lib->WriteFileToGBA(TempPath("up.bmp").c_str()), 0);
    EXPECT_EQ(host.progress, 1);
    EXPECT_EQ(lib->WriteAll(TempPath("missing.img").c_str()), 0);
    EXPECT_EQ(lib->GetPhotoCount(), 1);

    EXPECT_EQ(lib->FormatGBA(), 1);
    EXPECT_EQ(lib->GetPhotoCount(), 0);  // a fresh, empty catalog
    ExpectBoxes(host.boxes, {kFileBox, kWriteCardBox, kFileBox});
    StopCamera();
    const auto after = emulator->card_bytes();
    EXPECT_TRUE(std::equal(after.begin(), after.end() - 8192, card.begin()));
    EXPECT_EQ(CatalogOf(after)[256], 0);
    EXPECT_EQ(LinesStartingWith(Trace(), "READ 0100 0 FAILED").size(), 1u);
    EXPECT_EQ(LinesStartingWith(Trace(), "WRITE 0260 512 FAILED").size(), 1u);
}

TEST_F(FailureIntegration, UnpluggingMidBackupKeepsTheChunksReadAndTheCameraIsGone) {
    StartCamera(8, {"--unplug-after", "4"});
    ASSERT_EQ(OpenAndLoad(), 0);  // packet 1
    EXPECT_EQ(lib->ReadAll(TempPath("backup.img").c_str()), 0);
    EXPECT_EQ(host.progress, 3);  // the third chunk's packet was the last one answered
    EXPECT_EQ(ReadFileBytes(TempPath("backup.img")).size(), 2u * 32768);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(lib->OpenDevice(host.handle()), 0);  // gone by the time the host notices
    EXPECT_EQ(emulator->wait_exit(20000), 0);
}

TEST_F(FailureIntegration, PowerCutMidRestoreLeavesTheBlocksBeforeItAndShowsTheWriteBox) {
    auto image = BlankCard(8, {});
    for (size_t i = 0; i < 3 * 512; ++i) image[i] = static_cast<uint8_t>(i * 7);
    // 1: the catalog read, 2: ERASE 0000, 3 and 4: blocks 0 and 1, 5: block 2.
    StartCamera(8, {"--power-cut-after", "5:256"});
    WriteFileBytes(TempPath("restore.img"), image);
    ASSERT_EQ(OpenAndLoad(), 0);
    host.progress = 0;
    EXPECT_EQ(lib->WriteAll(TempPath("restore.img").c_str()), 0);
    EXPECT_EQ(host.progress, 3);
    ExpectBoxes(host.boxes, {kWriteCardBox});
    EXPECT_EQ(emulator->wait_exit(20000), 0);
    const auto after = emulator->card_bytes();
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 2 * 512 + 256, image.begin()));
    EXPECT_TRUE(
        std::all_of(after.begin() + 2 * 512 + 256, after.begin() + 16 * 512, [](uint8_t b) { return b == 0xFF; }));
    const auto trace = Trace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "WRITE 0002 256 POWER-CUT");
}

}  // namespace
}  // namespace pixavon::test
