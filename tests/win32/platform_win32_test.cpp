// The Win32 platform under the card logic: progress reaching a real window
// procedure, error boxes, host files with their sharing and creation modes.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "cardimage/card_image.h"
#include "frame/library_state.h"
#include "platform/platform.h"
#include "win32/win32_test_support.h"

namespace pixavon::test {
namespace {

std::vector<std::uint8_t> ReadAllBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Win32Platform : public ::testing::Test {
protected:
    LibraryStateGuard guard;
    Platform& platform = DefaultPlatform();
};

TEST_F(Win32Platform, BackupThroughThePipeAnnouncesEachChunkToTheWindow) {
    // A 26-photo card before any catalog load: 256 chunks of 32 KiB.
    ProgressWindow window;
    State().notify_window = window.handle();
    PipeCamera camera;
    camera.InstallAsDevice();
    std::vector<std::uint8_t> card;
    bool packets_ok = true;
    std::thread peer([&] {
        for (std::uint16_t chunk = 0; chunk < 256; ++chunk) {
            if (camera.Receive(16) != Packet(0x71, static_cast<std::uint16_t>(chunk * 128))) packets_ok = false;
            const std::vector<std::uint8_t> bytes = Pattern(32768, chunk);
            camera.Send(bytes);
            card.insert(card.end(), bytes.begin(), bytes.end());
        }
    });
    ScratchDir dir;
    const std::string path = dir.Path("card.img");
    const int result = ReadAll(path.c_str());
    peer.join();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(packets_ok);
    EXPECT_EQ(window.record().messages, 256);
    EXPECT_EQ(window.record().with_nonzero_parameters, 0);
    EXPECT_TRUE(ReadAllBytes(path) == card);
}

TEST_F(Win32Platform, FileErrorBoxHasNoOwnerAndTheFixedText) {
    BoxRecorder recorder;
    ProgressWindow window;
    State().notify_window = window.handle();
    ScratchDir dir;
    EXPECT_EQ(ReadAll(dir.Path("no-such-folder\\card.img").c_str()), 0);
    EXPECT_EQ(WriteAll(dir.Path("missing.img").c_str()), 0);
    ASSERT_EQ(recorder.boxes().size(), 2u);
    for (const RecordedBox& box : recorder.boxes()) {
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.text, "Open(Create) File Failed...");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    }
}

TEST_F(Win32Platform, CardErrorBoxIsOwnedByTheWindowAndTextComesFromTheDll) {
    BoxRecorder recorder;
    ProgressWindow window;
    const LANGID initial = ::GetThreadUILanguage();
    UseThreadLanguage(1033);
    OnProcessAttach(PixavonDll());
    ReportError(13);
    State().notify_window = window.handle();
    ReportError(14);
    UseThreadLanguage(initial);
    ASSERT_EQ(recorder.boxes().size(), 2u);
    EXPECT_EQ(recorder.boxes()[0].owner, nullptr);
    EXPECT_EQ(recorder.boxes()[0].text, "read card error,work incomplete");
    EXPECT_EQ(recorder.boxes()[1].owner, window.handle());
    EXPECT_EQ(recorder.boxes()[1].text, "write card error,work incomplete");
    EXPECT_EQ(recorder.boxes()[1].caption, "Lumetta");
    EXPECT_EQ(recorder.boxes()[1].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(Win32Platform, StringLoaderNeverWritesPastTheBufferItIsGiven) {
    OnProcessAttach(PixavonDll());
    UseThreadLanguage(1033);
    char buffer[16];
    std::memset(buffer, 0x5A, sizeof buffer);
    EXPECT_EQ(platform.load_string(State().module, 13, buffer, 8), 7);
    EXPECT_STREQ(buffer, "read ca");
    EXPECT_EQ(buffer[8], 0x5A);
    EXPECT_EQ(platform.load_string(State().module, 13, nullptr, 255), 0);
    EXPECT_EQ(platform.load_string(State().module, 13, buffer, 0), 0);
}

TEST_F(Win32Platform, CreateModesReplaceFilesAndShareAsNamed) {
    ScratchDir dir;
    const std::string path = dir.Path("photo.bmp");
    { std::ofstream(path, std::ios::binary) << std::string(1000, 'x'); }
    HostFile* file = platform.open_file(path.c_str(), FileMode::CreateWrite);
    ASSERT_NE(file, nullptr);
    // Shared for reading and writing while it is written.
    const HANDLE other = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
    EXPECT_TRUE(platform.write_file(file, "abc", 3));
    std::uint32_t got = 0;
    char byte = 0;
    EXPECT_FALSE(platform.read_file(file, &byte, 1, &got));  // write access only
    EXPECT_TRUE(platform.close_file(file));
    EXPECT_EQ(ReadAllBytes(path), (std::vector<std::uint8_t>{'a', 'b', 'c'}));  // the old 1000 bytes are gone

    file = platform.open_file(path.c_str(), FileMode::CreateReadWrite);
    ASSERT_NE(file, nullptr);
    const std::vector<std::uint8_t> data = Pattern(70000, 4);
    EXPECT_TRUE(platform.write_file(file, data.data(), static_cast<std::uint32_t>(data.size())));
    std::uint64_t size = 0;
    ASSERT_TRUE(platform.seek_file(file, 69990));
    ASSERT_TRUE(platform.file_size(file, &size));
    EXPECT_EQ(size, 70000u);
    // The size query keeps the position; a read at the end is short, not failed.
    char tail[32];
    EXPECT_TRUE(platform.read_file(file, tail, sizeof tail, &got));
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(std::memcmp(tail, data.data() + 69990, 10), 0);
    EXPECT_TRUE(platform.close_file(file));
    EXPECT_TRUE(platform.remove_file(path.c_str()));
    EXPECT_FALSE(platform.remove_file(path.c_str()));
}

TEST_F(Win32Platform, ReadExistingNeedsTheFileAndLetsOnlyReadersShare) {
    ScratchDir dir;
    const std::string path = dir.Path("card.img");
    EXPECT_EQ(platform.open_file(path.c_str(), FileMode::ReadExisting), nullptr);
    EXPECT_EQ(platform.open_file(dir.Path("").c_str(), FileMode::ReadExisting), nullptr);  // a folder
    EXPECT_EQ(platform.open_file(dir.Path("").c_str(), FileMode::CreateWrite), nullptr);
    EXPECT_EQ(platform.open_file(nullptr, FileMode::ReadExisting), nullptr);
    { std::ofstream(path, std::ios::binary) << "12345"; }
    HostFile* file = platform.open_file(path.c_str(), FileMode::ReadExisting);
    ASSERT_NE(file, nullptr);
    const HANDLE reader =
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);
    const HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
    EXPECT_FALSE(platform.write_file(file, "x", 1));  // read access only
    char text[8] = {};
    std::uint32_t got = 0;
    EXPECT_TRUE(platform.read_file(file, text, sizeof text, &got));
    EXPECT_EQ(got, 5u);
    EXPECT_STREQ(text, "12345");
    EXPECT_TRUE(platform.close_file(file));
}

}  // namespace
}  // namespace pixavon::test
