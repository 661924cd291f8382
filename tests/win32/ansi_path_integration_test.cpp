// Host file paths in the user's ANSI code page: the exported functions take
// char paths in the process's code page, and the files they create or read
// must carry the right Unicode names. Run under ja_JP (932) and zh_CN (936).
#include <windows.h>

#include <cstdlib>

#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

using AnsiPathIntegration = LibraryTest;

// "写真" ("photo"), written alike in Japanese and simplified Chinese.
const std::wstring kPhotoWord = L"\u5199\u771F";

std::wstring Wide(const std::string& ansi) {
    std::wstring wide(ansi.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(
                    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), static_cast<int>(wide.size()))) -
                1);
    return wide;
}

std::string Ansi(const std::wstring& wide) {
    BOOL lossy = FALSE;
    char ansi[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, sizeof ansi, nullptr, &lossy);
    if (lossy) throw std::runtime_error("the name has no spelling in this code page");
    return ansi;
}

std::vector<uint8_t> ReadWide(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::vector<uint8_t> bytes(GetFileSize(file, nullptr));
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

void WriteWide(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

TEST_F(AnsiPathIntegration, FilesAreCreatedAndReadUnderTheirUnicodeNames) {
    const char* expected = std::getenv("PIXAVON_EXPECT_CODEPAGE");
    if (expected == nullptr) GTEST_SKIP() << "runs only under a Chinese or Japanese code page";
    ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
    StartCamera(8);
    ASSERT_EQ(OpenAndLoad(), 0);
    const std::wstring dir = Wide(emulator->temp_dir()) + L"\\";
    const std::string ansi_dir = Ansi(dir);

    const auto picture = MakeBitmap(3);
    WriteWide(dir + kPhotoWord + L"-up.bmp", picture);
    ASSERT_EQ(lib->WriteFileToGBA((ansi_dir + Ansi(kPhotoWord + L"-up.bmp")).c_str()), 1);
    ASSERT_EQ(lib->GetPhotoCount(), 1);
    ASSERT_EQ(lib->ReadPixavonToFile(0, (ansi_dir + Ansi(kPhotoWord + L"-down.bmp")).c_str()), 1);
    const auto downloaded = ReadWide(dir + kPhotoWord + L"-down.bmp");
    ASSERT_EQ(downloaded.size(), picture.size());
    // Every row but the bottom one, whose right end the slot does not keep.
    EXPECT_TRUE(std::equal(picture.begin() + 54 + 968, picture.end(), downloaded.begin() + 54 + 968));

    const std::string image = ansi_dir + Ansi(kPhotoWord + L".img");
    ASSERT_EQ(lib->ReadAll(image.c_str()), 1);
    EXPECT_EQ(ReadWide(dir + kPhotoWord + L".img").size(), 8u << 20);
    EXPECT_EQ(lib->WriteAll(image.c_str()), 1);
    EXPECT_TRUE(host.boxes.empty());
}

}  // namespace
}  // namespace pixavon::test
