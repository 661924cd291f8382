#include <gtest/gtest.h>

#include <algorithm>

#include "device/device.h"
#include "unit/fake_platform.h"

namespace pixavon::test {
namespace {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { fake.Install(); }
    FakePlatform fake;
};

TEST(CommandPacket, BytesAreMarkCodeZeroAddressLowHighThenZeros) {
    const CommandPacket read = EncodePacket(CommandCode::Read, 0xFFE0);
    const CommandPacket expected_read = {0x85, 0x71, 0x00, 0xE0, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(read, expected_read);
    const CommandPacket erase = EncodePacket(CommandCode::Erase, 0x3FF0);
    const CommandPacket expected_erase = {0x85, 0x73, 0x00, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(erase, expected_erase);
    EXPECT_EQ(EncodePacket(CommandCode::Write, 0x0102)[1], 0x72);
}

TEST_F(DeviceTest, OpenCloseAndIsConnectFollowTheStateMachine) {
    EXPECT_EQ(IsConnect(), 0);
    EXPECT_EQ(CloseDevice(), 0);  // nothing open
    EXPECT_EQ(OpenDevice(TestWindow()), 1);
    EXPECT_EQ(IsConnect(), 1);
    EXPECT_EQ(OpenDevice(TestWindow()), 1);  // reopening closes the first handle
    EXPECT_EQ(fake.closes, 1);
    EXPECT_EQ(CloseDevice(), 1);
    EXPECT_EQ(CloseDevice(), 0);
    EXPECT_EQ(IsConnect(), 0);
    EXPECT_EQ(State().notify_window, TestWindow());  // closing keeps the window
}

TEST_F(DeviceTest, FailedOpenEndsClosedButKeepsTheNewWindow) {
    OpenDevice(nullptr);
    fake.device_present = false;
    EXPECT_EQ(OpenDevice(TestWindow()), 0);
    EXPECT_EQ(IsConnect(), 0);
    EXPECT_EQ(State().notify_window, TestWindow());
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(DeviceTest, FailedCloseReportsZeroAndStillForgetsTheHandle) {
    OpenDevice(nullptr);
    fake.fail_close = true;
    EXPECT_EQ(CloseDevice(), 0);
    EXPECT_EQ(IsConnect(), 0);
}

TEST_F(DeviceTest, CommandsWithoutADeviceTransferNothing) {
    std::uint8_t buffer[512] = {};
    EXPECT_EQ(ReadGBA(0, buffer, 512), 0);
    EXPECT_EQ(WriteGBA(0, buffer, 512), 0);
    EXPECT_EQ(SendErase(0), 0);
    EXPECT_TRUE(fake.events.empty());
}

TEST_F(DeviceTest, ReadIsOnePacketThePauseAndWholeBlocks) {
    OpenDevice(nullptr);
    for (std::size_t i = 0; i < 8192; ++i) fake.card[fake.card.size() - 8192 + i] = static_cast<std::uint8_t>(i * 7);
    std::vector<std::uint8_t> buffer(8192);
    EXPECT_EQ(ReadGBA(0xFFE0, buffer.data(), 8192), 1);  // wraps to the 8 MiB card's end
    EXPECT_EQ(fake.events, (std::vector<std::string>{"packet", "sleep 10", "data-in 8192"}));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), fake.card.end() - 8192));
}

TEST_F(DeviceTest, ReadLengthsBelowAndBetweenBlocks) {
    OpenDevice(nullptr);
    std::vector<std::uint8_t> buffer(1000, 0xAB);
    std::fill(fake.card.begin(), fake.card.begin() + 1024, 0x11);
    EXPECT_EQ(ReadGBA(0, buffer.data(), 1000), 1);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 512, [](auto b) { return b == 0x11; }));
    EXPECT_TRUE(std::all_of(buffer.begin() + 512, buffer.end(), [](auto b) { return b == 0xAB; }));
    fake.events.clear();
    EXPECT_EQ(ReadGBA(0, buffer.data(), 0), 1);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"packet", "sleep 10"}));
}

TEST_F(DeviceTest, NullBuffersAreRefusedBeforeAnyTransfer) {
    OpenDevice(nullptr);
    EXPECT_EQ(ReadGBA(0, nullptr, 512), 0);
    EXPECT_EQ(WriteGBA(0, nullptr, 512), 0);
    EXPECT_TRUE(fake.events.empty());
    EXPECT_EQ(ReadGBA(0, nullptr, 0), 1);
    EXPECT_EQ(WriteGBA(0, nullptr, 0), 1);  // nothing to write: the packet and an empty write
}

TEST_F(DeviceTest, FailuresStopTheCommand) {
    OpenDevice(nullptr);
    std::vector<std::uint8_t> buffer(2048);
    fake.failing_reads = {2};
    EXPECT_EQ(ReadGBA(0, buffer.data(), 2048), 0);
    EXPECT_EQ(fake.commands.back(), "READ 0000 512 FAILED");
    fake.failing_writes = {2};  // the read packet was write 1; this write's packet is 2
    fake.events.clear();
    EXPECT_EQ(WriteGBA(5, buffer.data(), 512), 0);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"packet"}));
}

TEST_F(DeviceTest, WriteIsOnePacketThenOneTransferAtTheBlockAddress) {
    OpenDevice(nullptr);
    std::vector<std::uint8_t> data(512, 0x5A);
    EXPECT_EQ(WriteGBA(3, data.data(), 512), 1);
    EXPECT_EQ(SendErase(0x10), 1);
    EXPECT_EQ(fake.commands, (std::vector<std::string>{"WRITE 0003 512", "ERASE 0010"}));
    EXPECT_EQ(fake.events, (std::vector<std::string>{"packet", "data-out 512", "packet"}));
    EXPECT_EQ(fake.card[3 * 512], 0x5A);
    EXPECT_EQ(fake.slept_ms, 0u);
}

}  // namespace
}  // namespace pixavon::test
