#if !defined(_WIN32)
#  include <sys/stat.h>
#  include <sys/sysmacros.h>
#  include <unistd.h>
#endif

#include <chrono>
#include <cstring>
#include <thread>

#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

using DeviceIntegration = LibraryTest;

// Cameras as entries of a device directory: the POSIX library's discovery.
#if !defined(_WIN32)
TEST_F(DeviceIntegration, NoCameraFailsQuietly) {
    StartCamera(8);
    const std::string empty = TempPath("empty");
    ASSERT_EQ(mkdir(empty.c_str(), 0700), 0);
    setenv("PIXAVON_DEVICE_DIR", empty.c_str(), 1);
    EXPECT_EQ(lib->OpenDevice(&host.window), 0);
    setenv("PIXAVON_DEVICE_DIR", TempPath("missing").c_str(), 1);
    EXPECT_EQ(lib->OpenDevice(&host.window), 0);
    EXPECT_EQ(lib->IsConnect(), 0);
    EXPECT_TRUE(host.boxes.empty());
    uint8_t buffer[512];
    EXPECT_EQ(lib->ReadGBA(0, buffer, 512), 0);
}

TEST_F(DeviceIntegration, ADirectoryOthersCanWriteToIsNotTrusted) {
    StartCamera(8);
    ASSERT_EQ(chmod(emulator->device_dir().c_str(), 0777), 0);
    EXPECT_EQ(lib->OpenDevice(nullptr), 0);
    ASSERT_EQ(chmod(emulator->device_dir().c_str(), 0700), 0);
    if (geteuid() == 0) {  // only root can hand the directory to somebody else
        ASSERT_EQ(chown(emulator->device_dir().c_str(), 65534, 65534), 0);
        EXPECT_EQ(lib->OpenDevice(nullptr), 0);
        ASSERT_EQ(chown(emulator->device_dir().c_str(), 0, 0), 0);
    }
    EXPECT_EQ(lib->OpenDevice(nullptr), 1);
}
#endif

TEST_F(DeviceIntegration, RawReadsMatchTheCardIncludingTheWrapOfTheCatalogAddress) {
    for (int size : {8, 16}) {
        auto card = BlankCard(size, {0, 1});
        for (size_t i = 0; i < 65536; ++i) card[i] = static_cast<uint8_t>(i * 13 + (i >> 8));
        StartCamera(size, {}, &card);
        ASSERT_EQ(lib->OpenDevice(nullptr), 1);
        std::vector<uint8_t> buffer(32768);
        ASSERT_EQ(lib->ReadGBA(0x0010, buffer.data(), 32768), 1);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), card.begin() + 0x1000));
        ASSERT_EQ(lib->ReadGBA(0xFFE0, buffer.data(), 8192), 1);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 8192, card.end() - 8192));
        StopCamera();
        EXPECT_EQ(Trace(), (std::vector<std::string>{"READ 0010 32768", "READ FFE0 8192"}));
    }
}

TEST_F(DeviceIntegration, ShortReadsAreReassembled) {
    auto card = BlankCard(16, {});
    for (size_t i = 0; i < 32768; ++i) card[i] = static_cast<uint8_t>(i % 251);
    StartCamera(16, {"--short-reads"}, &card);
    ASSERT_EQ(lib->OpenDevice(nullptr), 1);
    std::vector<uint8_t> buffer(32768);
    ASSERT_EQ(lib->ReadGBA(0, buffer.data(), 32768), 1);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), card.begin()));
}

TEST_F(DeviceIntegration, UnpluggingMidTransferFailsTheCommandButNotIsConnect) {
    StartCamera(8, {"--unplug-after", "2"});
    ASSERT_EQ(lib->OpenDevice(nullptr), 1);
    std::vector<uint8_t> buffer(32768);
    ASSERT_EQ(lib->ReadGBA(0, buffer.data(), 512), 1);
    EXPECT_EQ(lib->ReadGBA(0, buffer.data(), 32768), 0);  // the camera vanished after this packet
    EXPECT_EQ(lib->IsConnect(), 1);
    EXPECT_EQ(lib->ReadGBA(0, buffer.data(), 512), 0);
    EXPECT_EQ(emulator->wait_exit(10000), 0);
    EXPECT_EQ(lib->OpenDevice(nullptr), 0);  // its entry is gone
    EXPECT_EQ(lib->IsConnect(), 0);
}

TEST_F(DeviceIntegration, RefusedPacketsAndFailedTransfersReturnZero) {
    StartCamera(8, {"--fail-packet", "1", "--fail-read", "2", "--fail-write", "1"});
    ASSERT_EQ(lib->OpenDevice(nullptr), 1);
    std::vector<uint8_t> buffer(1024);
    EXPECT_EQ(lib->ReadGBA(0, buffer.data(), 1024), 0);  // packet refused
    EXPECT_EQ(lib->ReadGBA(0, buffer.data(), 1024), 0);  // second block read fails
    EXPECT_EQ(lib->WriteGBA(3, buffer.data(), 512), 0);  // data refused
    EXPECT_EQ(lib->ReadGBA(0, buffer.data(), 1024), 1);  // and the link still works
}

#if !defined(_WIN32)
TEST_F(DeviceIntegration, OnlyTheFirstCameraInNameOrderIsOpened) {
    StartCamera(8);
    EmulatorOptions second_options;
    second_options.name = "a-camera";
    EmulatorProcess second(second_options);
    second.start();
    // Put the second camera's socket into the first one's directory, named to sort first.
    const std::string moved = emulator->device_dir() + "/a-camera";
    ASSERT_EQ(rename(second.socket_path().c_str(), moved.c_str()), 0);
    ASSERT_EQ(lib->OpenDevice(nullptr), 1);
    uint8_t buffer[512];
    ASSERT_EQ(lib->ReadGBA(0, buffer, 512), 1);
    lib->CloseDevice();
    second.stop();
    emulator->stop();
    EXPECT_EQ(second.trace_lines(), (std::vector<std::string>{"READ 0000 512"}));
    EXPECT_TRUE(emulator->trace_lines().empty());
}
#endif

// The camera serves the host that opens it again at once, however late the
// close reaches it (through wine's driver, after the open).
TEST_F(DeviceIntegration, ClosingAndOpeningAgainAtOnceIsServed) {
    StartCamera(8);
    uint8_t block[512];
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(lib->OpenDevice(nullptr), 1) << "round " << round;
        ASSERT_EQ(lib->ReadGBA(0, block, 512), 1) << "round " << round;
        lib->CloseDevice();
    }
}

TEST_F(DeviceIntegration, UnloadingTheLibraryClosesTheDevice) {
    StartCamera(8);
    ASSERT_EQ(lib->OpenDevice(nullptr), 1);
    LoadedLibrary other;
    uint8_t block[512];
#if defined(_WIN32)
    // wine 8 opens a device whatever its driver answers to the open, so the
    // busy camera refuses the second host's first transfer instead.
    other.OpenDevice(nullptr);
    EXPECT_EQ(other.ReadGBA(0, block, 512), 0);
#else
    EXPECT_EQ(other.OpenDevice(nullptr), 0);  // the camera serves one host at a time
#endif
    lib->Unload();
    int opened = 0;
    for (int attempt = 0; attempt < 100 && opened == 0; ++attempt) {
        opened = other.OpenDevice(nullptr) != 0 && other.ReadGBA(0, block, 512) != 0 ? 1 : 0;
        if (opened == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(opened, 1);
    other.CloseDevice();
    lib.reset();
}

// The Windows string table is checked per code page by the Win32 tests.
#if !defined(_WIN32)
TEST_F(DeviceIntegration, GetStringThroughTheExportedTable) {
    StartCamera(8);
    ScopedEnvironment environment;
    environment.UseLocale("ja_JP.UTF-8");
    char buffer[255];
    ASSERT_EQ(lib->GetString(12, buffer), 1);
    EXPECT_STREQ(buffer, "終了");
    environment.Set("LANG", "C");
    ASSERT_EQ(lib->GetString(1, buffer), 1);
    EXPECT_STREQ(buffer, "Lumetta");
    EXPECT_EQ(lib->GetString(15, buffer), 0);
}
#endif

}  // namespace
}  // namespace pixavon::test

#if !defined(_WIN32)
namespace pixavon::test {
namespace {

// A character device in the device directory is used with plain reads and
// writes: /dev/zero's numbers stand in for a camera that reads as zeros and
// takes every write, /dev/full's for one that refuses writes.
TEST_F(DeviceIntegration, CharacterDevicesAreUsedWithPlainReadsAndWrites) {
    if (geteuid() != 0) GTEST_SKIP() << "making device nodes needs root";
    StartCamera(8);
    emulator->stop();
    const std::string dir = TempPath("chardev");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    setenv("PIXAVON_DEVICE_DIR", dir.c_str(), 1);
    if (mknod((dir + "/zero").c_str(), S_IFCHR | 0600, makedev(1, 5)) != 0) {
        GTEST_SKIP() << "this machine does not allow device nodes here";
    }
    ASSERT_EQ(lib->OpenDevice(nullptr), 1);
    std::vector<uint8_t> buffer(1024, 0xAA), data(512, 0x55);
    EXPECT_EQ(lib->ReadGBA(0xFFE0, buffer.data(), 1024), 1);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_NE(lib->WriteGBA(0, data.data(), 512), 0);
    lib->CloseDevice();
    ASSERT_EQ(unlink((dir + "/zero").c_str()), 0);
    ASSERT_EQ(mknod((dir + "/full").c_str(), S_IFCHR | 0600, makedev(1, 7)), 0);
    ASSERT_EQ(lib->OpenDevice(nullptr), 1);
    EXPECT_EQ(lib->WriteGBA(0, data.data(), 512), 0);
    lib->CloseDevice();
}

}  // namespace
}  // namespace pixavon::test
#endif
