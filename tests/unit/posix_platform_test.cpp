// The POSIX platform's own duties: boxes without a host window, the pause, and
// the host files.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "include/pixavon.h"
#include "platform/platform.h"
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
    const PixavonWindow window{
        &seen,
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

}  // namespace
}  // namespace pixavon::test
