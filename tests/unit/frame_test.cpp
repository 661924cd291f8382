#include <gtest/gtest.h>

#include "device/device.h"
#include "frame/library_state.h"
#include "frame/serialized.h"
#include "unit/fake_platform.h"

namespace pixavon::test {
namespace {

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { fake.Install(); }
    FakePlatform fake;
};

TEST_F(FrameTest, ProgressGoesToTheNotifyWindowOnlyWhenOneIsSet) {
    NotifyProgress();
    EXPECT_EQ(fake.progress_messages, 0);
    OpenDevice(TestWindow());
    NotifyProgress();
    NotifyProgress();
    EXPECT_EQ(fake.progress_messages, 2);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"progress", "progress"}));
}

TEST_F(FrameTest, CardErrorBoxIsOwnedAndCarriesTheTableText) {
#if !defined(_WIN32)
    // The English table: on POSIX the locale environment chooses it.
    ScopedEnvironment environment;
    environment.UseLocale("C");
#endif
    OpenDevice(TestWindow());
    ReportError(14);
    ReportError(99);  // no such string: an empty text, shown all the same
    ASSERT_EQ(fake.boxes.size(), 2u);
    EXPECT_TRUE(fake.boxes[0].owned);
    EXPECT_EQ(fake.boxes[0].window, TestWindow());
    EXPECT_EQ(fake.boxes[0].text, "write card error,work incomplete");
    EXPECT_EQ(fake.boxes[0].caption, "Lumetta");
    EXPECT_EQ(fake.boxes[0].style, 0x10u);
    EXPECT_EQ(fake.boxes[1].text, "");
}

TEST_F(FrameTest, FileErrorBoxHasNoOwner) {
    OpenDevice(TestWindow());
    ShowFileErrorBox();
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_FALSE(fake.boxes[0].owned);
    EXPECT_EQ(fake.boxes[0].text, "Open(Create) File Failed...");
    EXPECT_EQ(fake.boxes[0].caption, "Error");
    EXPECT_EQ(fake.boxes[0].style, 0x10u);
}

TEST_F(FrameTest, DetachClosesAnOpenDeviceOnlyOnce) {
    OpenDevice(nullptr);
    OnProcessDetach();
    EXPECT_EQ(fake.closes, 1);
    EXPECT_EQ(IsConnect(), 0);
    OnProcessDetach();
    EXPECT_EQ(fake.closes, 1);
}

TEST_F(FrameTest, GetStringRefusesANullBuffer) { EXPECT_EQ(GetString(1, nullptr), 0); }

TEST_F(FrameTest, NothingThrownLeavesAnExportedCall) {
    EXPECT_EQ(Serialized([]() -> int { throw std::bad_alloc(); }), 0);
    EXPECT_EQ(SerializedQuery([]() -> int { throw std::bad_alloc(); }), 0);
}

}  // namespace
}  // namespace pixavon::test
