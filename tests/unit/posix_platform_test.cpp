// The POSIX platform's own duties: boxes without a host window, the pause, the
// host files, and whom and for how long it trusts a socket camera.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include "include/pixavon.h"
#include "platform/platform.h"
#include "platform/posix/posix_parts.h"
#include "unit/fake_platform.h"

namespace pixavon::test {
namespace {

TEST(PosixPlatform, BoxesWithoutAWindowHandlerGoToStandardErrorAsOneLine) {
    Platform& platform = DefaultPlatform();
    ::testing::internal::CaptureStderr();
    platform.message_box(nullptr, true, "read card error,work incomplete", "Lumetta", 0x10);
    const PixavonWindow silent{nullptr, nullptr, nullptr};
    platform.message_box(&silent, false, "Open(Create) File Failed...", "Error", 0x10);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Lumetta: read card error,work incomplete\nError: Open(Create) File Failed...\n");
}

TEST(PosixPlatform, BoxesAndMessagesReachTheWindowRecord) {
    struct Seen {
        int messages = 0;
        uint32_t message = 0;
        int owned = -1;
        std::string text, caption;
        uint32_t style = 0;
    } seen;
    const PixavonWindow window{&seen,
                               [](void* context, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
                                   auto* s = static_cast<Seen*>(context);
                                   ++s->messages;
                                   s->message = message;
                                   return 0;
                               },
                               [](void* context, int owned, const char* text, const char* caption, uint32_t style) {
                                   auto* s = static_cast<Seen*>(context);
                                   s->owned = owned;
                                   s->text = text;
                                   s->caption = caption;
                                   s->style = style;
                                   return 1;
                               }};
    Platform& platform = DefaultPlatform();
    platform.send_message(&window, 0x401, 0, 0);
    platform.message_box(&window, false, "Open(Create) File Failed...", "Error", 0x10);
    EXPECT_EQ(seen.messages, 1);
    EXPECT_EQ(seen.message, 0x401u);
    EXPECT_EQ(seen.owned, 0);
    EXPECT_EQ(seen.text, "Open(Create) File Failed...");
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.style, 0x10u);
    const PixavonWindow no_progress{nullptr, nullptr, nullptr};
    platform.send_message(&no_progress, 0x401, 0, 0);  // no handler: nothing happens
}

TEST(PosixPlatform, ThePauseLastsAtLeastItsTime) {
    const auto start = std::chrono::steady_clock::now();
    DefaultPlatform().sleep_ms(10);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10));
}

TEST(PosixPlatform, HostFilesOpenInTheirModes) {
    TempDir temp;
    Platform& platform = DefaultPlatform();
    const std::string path = temp.Path("f.bin");
    EXPECT_EQ(platform.open_file(path.c_str(), FileMode::ReadExisting), nullptr);
    HostFile* file = platform.open_file(path.c_str(), FileMode::CreateWrite);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(platform.write_file(file, "abcdef", 6));
    ASSERT_TRUE(platform.close_file(file));
    file = platform.open_file(path.c_str(), FileMode::ReadExisting);
    ASSERT_NE(file, nullptr);
    std::uint64_t size = 0;
    ASSERT_TRUE(platform.file_size(file, &size));
    EXPECT_EQ(size, 6u);
    ASSERT_TRUE(platform.seek_file(file, 2));
    char buffer[8] = {};
    std::uint32_t got = 0;
    ASSERT_TRUE(platform.read_file(file, buffer, 8, &got));
    EXPECT_EQ(got, 4u);
    EXPECT_STREQ(buffer, "cdef");
    EXPECT_FALSE(platform.write_file(file, "x", 1));  // opened for reading only
    ASSERT_TRUE(platform.close_file(file));
    file = platform.open_file(path.c_str(), FileMode::CreateReadWrite);  // replaces the file
    ASSERT_TRUE(platform.file_size(file, &size));
    EXPECT_EQ(size, 0u);
    ASSERT_TRUE(platform.close_file(file));
    EXPECT_EQ(platform.open_file(temp.Path("").c_str(), FileMode::ReadExisting), nullptr);  // a directory
    EXPECT_TRUE(platform.remove_file(path.c_str()));
    EXPECT_FALSE(platform.remove_file(path.c_str()));
}

TEST(PosixPlatform, MissingArgumentsAndUnknownStringsAskNothingOfTheSystem) {
    Platform& platform = DefaultPlatform();
    platform.send_message(nullptr, 0x401, 0, 0);
    char buffer[8] = "x";
    EXPECT_EQ(platform.load_string(nullptr, 999, buffer, 8), 0);
    EXPECT_EQ(platform.load_string(nullptr, 1, nullptr, 8), 0);
    EXPECT_EQ(platform.load_string(nullptr, 1, buffer, 0), 0);
    EXPECT_EQ(platform.open_file(nullptr, FileMode::ReadExisting), nullptr);
    EXPECT_FALSE(platform.close_file(nullptr));
    EXPECT_FALSE(platform.remove_file(nullptr));
    TempDir temp;
    const std::string path = temp.Path("f.bin");
    HostFile* file = platform.open_file(path.c_str(), FileMode::CreateReadWrite);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(platform.read_file(file, buffer, 8, nullptr));  // the count is not wanted
    EXPECT_TRUE(platform.close_file(file));
}

TEST(PosixDevice, TheDeviceDirectoryComesFromTheEnvironment) {
    using Env = std::map<std::string, std::string>;
    auto directory = [](const Env& env) {
        return posix::DeviceDirectory([&](const char* name) -> const char* {
            const auto found = env.find(name);
            return found == env.end() ? nullptr : found->second.c_str();
        });
    };
    EXPECT_EQ(directory({{"PIXAVON_DEVICE_DIR", "/d"}, {"XDG_RUNTIME_DIR", "/run/user/7"}}), "/d");
    EXPECT_EQ(directory({{"PIXAVON_DEVICE_DIR", ""}, {"XDG_RUNTIME_DIR", "/run/user/7"}}), "/run/user/7/pixavon");
    EXPECT_EQ(directory({{"XDG_RUNTIME_DIR", ""}}), "/tmp/pixavon-" + std::to_string(::getuid()));
    EXPECT_EQ(directory({}), "/tmp/pixavon-" + std::to_string(::getuid()));
}

// A listening socket entry `name` in `dir`.
int ListenAt(const std::string& dir, const std::string& name, bool listen_now) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s/%s", dir.c_str(), name.c_str());
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (listen_now && ::listen(fd, 1) != 0)) {
        ADD_FAILURE() << "cannot listen at " << address.sun_path << ": " << std::strerror(errno);
    }
    return fd;
}

// Accepts one host and answers its hello, as a camera would.
int AcceptAndGreet(int listen_fd) {
    const int fd = ::accept(listen_fd, nullptr, nullptr);
    char hello = 0;
    if (fd >= 0 && ::read(fd, &hello, 1) == 1) {
        [[maybe_unused]] const ssize_t sent = ::send(fd, "K", 1, MSG_NOSIGNAL);
    }
    return fd;
}

TEST(PosixDevice, ATricklingCameraFailsTheTransferAtItsDeadline) {
    EXPECT_EQ(posix::TransferTimeLimitMs(0), 10000u);
    EXPECT_EQ(posix::TransferTimeLimitMs(512), 10008u);
    EXPECT_EQ(posix::TransferTimeLimitMs(65536), 11000u);
    EXPECT_EQ(posix::TransferTimeLimitMs(16u << 20), 266000u);

    TempDir temp;
    const std::string dir = temp.Path("");
    ::chmod(dir.c_str(), 0700);
    const int listen_fd = ListenAt(dir, "cam0", true);
    std::thread camera([&] {
        const int fd = AcceptAndGreet(listen_fd);
        std::uint8_t request[5];
        if (::read(fd, request, 5) == 5) {  // 'R' and the length: one piece of it all, a byte at a time
            const std::uint8_t piece[5] = {'D', request[1], request[2], request[3], request[4]};
            ssize_t sent = ::send(fd, piece, 5, MSG_NOSIGNAL);
            while (sent > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                sent = ::send(fd, "x", 1, MSG_NOSIGNAL);
            }
        }
        ::close(fd);
    });
    posix::SetTransferLimits({300, 0});
    void* device = posix::OpenFirstDeviceIn(dir);
    ASSERT_NE(device, nullptr);
    std::uint8_t block[512];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(posix::ReadDeviceHandle(device, block, sizeof block));  // 10 s of trickle at 20 ms a byte
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::seconds(3));
    posix::SetTransferLimits({});
    posix::CloseDeviceHandle(device);
    camera.join();
    ::close(listen_fd);
}

TEST(PosixDevice, ASocketServedByAnotherUserIsNoCamera) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can serve a socket as another user";
    TempDir temp;
    const std::string dir = temp.Path("");
    ::chmod(dir.c_str(), 0700);
    // The socket is listened on, and so owned as a peer, by `uid`.
    auto open_served_by = [&](uid_t uid) {
        const int listen_fd = ListenAt(dir, "cam0", false);
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0 || ::listen(listen_fd, 1) != 0) {
                ::_exit(1);
            }
            [[maybe_unused]] const ssize_t told = ::write(ready[1], "r", 1);
            for (;;) {
                const int fd = AcceptAndGreet(listen_fd);
                char drain[64];
                while (fd >= 0 && ::read(fd, drain, sizeof drain) > 0) {
                }
                ::close(fd);
            }
        }
        char ok = 0;
        EXPECT_EQ(::read(ready[0], &ok, 1), 1);
        void* device = posix::OpenFirstDeviceIn(dir);
        const bool opened = device != nullptr;
        if (opened) posix::CloseDeviceHandle(device);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(ready[0]);
        ::close(ready[1]);
        ::close(listen_fd);
        ::unlink((dir + "/cam0").c_str());
        return opened;
    };
    EXPECT_FALSE(open_served_by(65534));  // nobody, planted in a directory of ours
    EXPECT_TRUE(open_served_by(0));
}

}  // namespace
}  // namespace pixavon::test
