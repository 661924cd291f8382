// The host core's Windows pieces on the real system calls, under wine:
// pictures through WIC, SHA-256 through CNG, the catalogues, names outside
// the ANSI code page, the console writer, and loading pixavon.dll.
#include <windows.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cancel.h"
#include "core.h"
#include "i18n.h"
#include "library.h"
#include "os/os.h"
#include "os/win32/paths.h"
#include "os/win32/sha256_cng.h"
#include "os/win32/text.h"
#include "os/win32/translations.h"
#include "os/win32/wic_pictures.h"

namespace pixavon::host {
namespace {

Image pattern(uint32_t width, uint32_t height) {
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 40);
            p[1] = static_cast<uint8_t>(y * 50);
            p[2] = static_cast<uint8_t>(255 - x * y);
        }
    }
    return image;
}

void put(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 24-bit bottom-up bitmap, rows padded to four bytes.
std::vector<uint8_t> bmp_of(const Image& image) {
    const uint32_t row = (image.width * 3 + 3) & ~3u;
    std::vector<uint8_t> b(54 + static_cast<size_t>(row) * image.height);
    b[0] = 'B';
    b[1] = 'M';
    put(b, 2, static_cast<uint32_t>(b.size()), 4);
    put(b, 10, 54, 4);
    put(b, 14, 40, 4);
    put(b, 18, image.width, 4);
    put(b, 22, image.height, 4);
    put(b, 26, 1, 2);
    put(b, 28, 24, 2);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t* p = image.pixel(x, image.height - 1 - y);
            uint8_t* q = &b[54 + static_cast<size_t>(y) * row + x * 3];
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    }
    return b;
}

// An uncompressed RGB TIFF in one strip.
std::vector<uint8_t> tiff_of(const Image& image) {
    const uint16_t tags[][3] = {{256, 4, 0}, {257, 4, 0}, {258, 3, 0}, {259, 3, 1}, {262, 3, 2},
                                {273, 4, 0}, {277, 3, 3}, {278, 4, 0}, {279, 4, 0}};
    const size_t count = std::size(tags);
    const size_t ifd = 8, bits = ifd + 2 + count * 12 + 4, pixels = bits + 6;
    std::vector<uint8_t> b(pixels + image.rgb.size());
    b[0] = b[1] = 'I';
    put(b, 2, 42, 2);
    put(b, 4, ifd, 4);
    put(b, ifd, count, 2);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = ifd + 2 + i * 12;
        uint32_t value = tags[i][2];
        if (tags[i][0] == 256) value = image.width;
        if (tags[i][0] == 257 || tags[i][0] == 278) value = image.height;
        if (tags[i][0] == 273) value = static_cast<uint32_t>(pixels);
        if (tags[i][0] == 279) value = static_cast<uint32_t>(image.rgb.size());
        put(b, at, tags[i][0], 2);
        put(b, at + 2, tags[i][1], 2);
        put(b, at + 4, tags[i][0] == 258 ? 3 : 1, 4);
        put(b, at + 8, tags[i][0] == 258 ? static_cast<uint32_t>(bits) : value, tags[i][1] == 3 ? 2 : 4);
    }
    for (int i = 0; i < 3; ++i) put(b, bits + 2 * i, 8, 2);
    std::copy(image.rgb.begin(), image.rgb.end(), b.begin() + pixels);
    return b;
}

TEST(WicPictures, DecodesEveryKindAndRefusesDamage) {
    const Image original = pattern(7, 5);
    const std::vector<uint8_t> png = win32::encode_png(original);
    EXPECT_EQ(win32::decode_png(png).rgb, original.rgb);
    EXPECT_EQ(win32::decode_picture(png).rgb, original.rgb);
    const Image from_bmp = win32::decode_bmp(bmp_of(original));
    EXPECT_EQ(from_bmp.width, 7u);
    EXPECT_EQ(from_bmp.rgb, original.rgb);
    EXPECT_EQ(win32::decode_tiff(tiff_of(original)).rgb, original.rgb);
    // One red pixel: the smallest GIF there is.
    const std::vector<uint8_t> gif = {'G', 'I',  'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0,   0,
                                      0,   0x2C, 0,   0,   0,   0,   1, 0, 1, 0, 0,    2, 2, 0x44, 1, 0, 0x3B};
    EXPECT_EQ(win32::decode_gif(gif).rgb, (std::vector<uint8_t>{0xFF, 0, 0}));

    Image flat = pattern(16, 16);
    for (size_t i = 0; i < flat.rgb.size(); i += 3) {
        flat.rgb[i] = 200;
        flat.rgb[i + 1] = 100;
        flat.rgb[i + 2] = 50;
    }
    const Image jpeg = win32::decode_jpeg(win32::encode_jpeg(flat, 95));
    ASSERT_EQ(jpeg.rgb.size(), flat.rgb.size());
    for (size_t i = 0; i < flat.rgb.size(); ++i) EXPECT_NEAR(jpeg.rgb[i], flat.rgb[i], 6) << i;

    // A picture of one kind is not taken as another, and no cut-off file is
    // taken at all.
    EXPECT_THROW(win32::decode_jpeg(png), ImageError);
    EXPECT_THROW(win32::decode_picture({'n', 'o', 't'}), ImageError);
    EXPECT_THROW(win32::decode_png({}), ImageError);
    for (size_t size = 0; size + 12 < png.size(); ++size) {
        EXPECT_THROW(win32::decode_png(std::vector<uint8_t>(png.begin(), png.begin() + size)), ImageError) << size;
    }
    // A header claiming more pixels than allowed is refused before decoding.
    std::vector<uint8_t> huge = bmp_of(original);
    put(huge, 18, 60000, 4);
    put(huge, 22, 60000, 4);
    EXPECT_THROW(win32::decode_bmp(huge), ImageError);
}

TEST(Sha256Cng, KnownDigests) {
    const std::string abc = "abc";
    const win32::Digest a = win32::sha256(reinterpret_cast<const uint8_t*>(abc.data()), abc.size());
    const win32::Digest expected = {0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40,
                                    0xde, 0x5d, 0xae, 0x22, 0x23, 0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17,
                                    0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};
    EXPECT_EQ(a, expected);
    EXPECT_EQ(win32::sha256(nullptr, 0)[0], 0xe3);
}

TEST(Translations, CataloguesOfPoInTheUsersLanguage) {
    EXPECT_EQ(win32::catalogue_for_language(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)), "ja");
    EXPECT_EQ(win32::catalogue_for_language(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)), "zh_CN");
    EXPECT_EQ(win32::catalogue_for_language(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_HONGKONG)), "zh_TW");
    EXPECT_EQ(win32::catalogue_for_language(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), "");

    ASSERT_TRUE(win32::use_catalogue(win32::installed_locale_folder(), "ja"));
    EXPECT_STREQ(tr("the PNG file is damaged"), "PNG ファイルが壊れています");
    EXPECT_STREQ(ntr("There is no photo {1}: the card holds {2} photo, numbered 0.",
                     "There is no photo {1}: the card holds {2} photos, numbered 0 to {3}.", 5),
                 "写真 {1} はありません。カードの写真は {2} 枚（番号 0～{3}）です。");
    EXPECT_STREQ(tr("not a text of ours"), "not a text of ours");
    EXPECT_FALSE(win32::use_catalogue(win32::installed_locale_folder(), "xx"));
    EXPECT_STREQ(tr("the PNG file is damaged"), "the PNG file is damaged");
}

// What the temporary folder holds of this process's temporary folders.
std::vector<std::wstring> ours_in_temp() {
    const std::wstring pattern =
        win32::to_utf16(win32::temp_folder()) + L"\\pixavon-" + std::to_wstring(::GetCurrentProcessId()) + L"-*";
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW(pattern.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return names;
}

TEST(AnsiPath, NamesOutsideTheCodePageReachTheLibraryAndLeaveNothing) {
    // A folder the code page cannot name (图片 under 1252 and 932; Korean
    // under 936), and files named in Korean, which none of them holds.
    // (One per process: the code pages' runs go in parallel.)
    const std::string folder = win32::temp_folder() + (win32::fits_ansi(L"图片") ? "\\사진-" : "\\图片-") +
                               std::to_string(::GetCurrentProcessId());
    const std::wstring wide_folder = win32::to_utf16(folder);
    ASSERT_TRUE(::CreateDirectoryW(wide_folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    const std::string source = folder + "\\photo.bmp";
    const std::string bytes = "the photo's bytes";
    {
        FILE* f = _wfopen(win32::to_utf16(source).c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    {
        // What the library reads through an ANSI name.
        const win32::AnsiPath in(source, win32::AnsiPath::Use::kRead);
        EXPECT_NE(in.kind(), win32::AnsiPath::Kind::kSame);
        FILE* f = std::fopen(in.ansi(), "rb");
        ASSERT_NE(f, nullptr) << in.ansi();
        char got[64] = {};
        EXPECT_EQ(std::fread(got, 1, sizeof got, f), bytes.size());
        std::fclose(f);
        EXPECT_EQ(std::string(got), bytes);
    }
    const std::string made = folder + "\\사진.bmp";
    {
        // What the library writes under an ANSI name, given its real name.
        win32::AnsiPath out(made, win32::AnsiPath::Use::kWrite);
        EXPECT_EQ(out.kind(), win32::AnsiPath::Kind::kTemporary);
        FILE* f = std::fopen(out.ansi(), "wb");
        ASSERT_NE(f, nullptr) << out.ansi();
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        EXPECT_TRUE(out.commit(false));
    }
    {
        // A write that fails leaves neither the file nor the temporary folder.
        win32::AnsiPath out(folder + "\\실패.bmp", win32::AnsiPath::Use::kWrite);
        FILE* f = std::fopen(out.ansi(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    EXPECT_EQ(::GetFileAttributesW(win32::to_utf16(folder + "\\실패.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ours_in_temp().empty());
    const std::wstring wide_made = win32::to_utf16(made);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(wide_made.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, bytes.size());
    ::DeleteFileW(wide_made.c_str());
    ::DeleteFileW(win32::to_utf16(source).c_str());
    EXPECT_TRUE(::RemoveDirectoryW(wide_folder.c_str()));
}

TEST(FileArguments, WildcardsJoinsQuotesAndErrorWords) {
    const std::string folder = win32::temp_folder() + "\\wildcards-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(win32::to_utf16(folder).c_str(), nullptr));
    for (const char* name : {"picture-10.png", "picture-2.png", "Picture-1.PNG", "picture-3.pngx", "hidden.png"}) {
        FILE* f = _wfopen(win32::to_utf16(os::join(folder, name)).c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    ::SetFileAttributesW(win32::to_utf16(os::join(folder, "hidden.png")).c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(::CreateDirectoryW(win32::to_utf16(os::join(folder, "folder.png")).c_str(), nullptr));
    // Through a \\?\ path, which takes no /: natural order, no folder, nothing hidden.
    const std::string long_folder = "\\\\?\\" + folder;
    const std::vector<std::string> expected = {os::join(long_folder, "Picture-1.PNG"),
                                               os::join(long_folder, "picture-2.png"),
                                               os::join(long_folder, "picture-10.png")};
    EXPECT_EQ(os::files_matching(os::join(long_folder, "*.png")), expected);
    EXPECT_EQ(os::files_matching(folder + "/picture-?.pngx"), std::vector<std::string>{folder + "/picture-3.pngx"});
    EXPECT_TRUE(os::files_matching(os::join(folder, "none-*.png")).empty());
    EXPECT_EQ(os::files_matching("plain.png"), std::vector<std::string>{"plain.png"});
    // Folders made with the system's own errors (std::filesystem tells errno values).
    EXPECT_EQ(os::make_folders(os::join(long_folder, "a\\b\\")), 0);
    EXPECT_EQ(os::make_folders(os::join(folder, "picture-2.png\\b")), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(os::make_folders("Q:\\x"), ERROR_INVALID_DRIVE);
    ::RemoveDirectoryW(win32::to_utf16(os::join(folder, "a\\b")).c_str());
    ::RemoveDirectoryW(win32::to_utf16(os::join(folder, "a")).c_str());
    for (const char* name : {"picture-10.png", "picture-2.png", "Picture-1.PNG", "picture-3.pngx", "hidden.png"}) {
        ::SetFileAttributesW(win32::to_utf16(os::join(folder, name)).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(win32::to_utf16(os::join(folder, name)).c_str());
    }
    ::RemoveDirectoryW(win32::to_utf16(os::join(folder, "folder.png")).c_str());
    EXPECT_TRUE(::RemoveDirectoryW(win32::to_utf16(folder).c_str()));

    EXPECT_EQ(os::join("C:\\", "a.png"), "C:\\a.png");
    EXPECT_EQ(os::join("D:", "a.png"), "D:a.png");
    EXPECT_EQ(display_name("C:\\Pics/Lumetta/a.png"), "C:\\Pics\\Lumetta\\a.png");
    // As cmd.exe and PowerShell read them: double quotes where needed only.
    EXPECT_EQ(os::command_argument("C:\\Pics\\card.bin"), "C:\\Pics\\card.bin");
    EXPECT_EQ(os::command_argument("C:\\My Pics\\a&b.bin"), "\"C:\\My Pics\\a&b.bin\"");
    EXPECT_EQ(os::command_files("C:\\My Pics", "picture-*.png"), "\"C:\\My Pics\\picture-*.png\"");

    // The system's errors in the person's words, never its own texts or numbers.
    ASSERT_TRUE(win32::use_catalogue(win32::installed_locale_folder(), "ja"));
    EXPECT_EQ(system_error(ERROR_SHARING_VIOLATION), tr("another program is using it"));
    EXPECT_STRNE(tr("another program is using it"), "another program is using it");
    EXPECT_EQ(system_error(0x7fff), tr("the system refused it"));
    win32::use_catalogue(win32::installed_locale_folder(), "");
}

TEST(Console, RedirectedOutputIsUtf8Bytes) {
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(::CreatePipe(&read, &write, nullptr, 0));
    const std::string text = "写真 3 を保存しました\n";
    EXPECT_TRUE(win32::write_utf8(write, text));
    ::CloseHandle(write);
    char got[64] = {};
    DWORD n = 0;
    ASSERT_TRUE(::ReadFile(read, got, sizeof got, &n, nullptr));
    ::CloseHandle(read);
    EXPECT_EQ(std::string(got, n), text);
}

TEST(Folders, KnownFoldersAndCancel) {
    EXPECT_GT(win32::pictures_folder().size(), 3u);
    const std::string import = win32::default_import_folder();
    EXPECT_EQ(import.substr(import.size() - 8), "\\Lumetta");
    EXPECT_NE(::GetFileAttributesW(win32::to_utf16(win32::temp_folder()).c_str()), INVALID_FILE_ATTRIBUTES);

    CancelToken token;
    EXPECT_EQ(token.fd(), -1);
    token.request(SIGINT);
    token.request(SIGTERM);
    EXPECT_TRUE(token.requested());
    EXPECT_EQ(token.signal(), SIGINT);
    token.reset();
    EXPECT_FALSE(token.requested());
}

TEST(Library, LoadsPixavonDllFromTheProgramsFolderOnly) {
    const Library beside;
    EXPECT_EQ(beside.path(), win32::executable_folder() + "\\pixavon.dll");
    EXPECT_NE(beside.GetString, nullptr);
    // A DLL that is not ours is refused by name.
    wchar_t system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    try {
        const Library other(win32::to_utf8(system) + "\\kernel32.dll");
        ADD_FAILURE() << "kernel32.dll taken for pixavon.dll";
    } catch (const LibraryError& e) {
        EXPECT_NE(std::string(e.what()).find("OpenDevice"), std::string::npos) << e.what();
    }
}

// A front end that says yes and keeps nothing.
struct Quiet : Frontend {
    Answer confirm(const Question&) override { return Answer::kYes; }
    void begin(const Step&) override {}
    void advance() override {}
    void end(bool) override {}
    void box(bool, const std::string&, const std::string&) override {}
    void note(const Record&) override {}
    void warn(const Warning&) override {}
};

// What Windows adds to an import: names with a backslash or ':' leave the folder
// (an alternate data stream for ':'), a viewer holds a file open, and two
// imports meet in one folder.
TEST(Import, NamesStayInTheFolderHeldFilesAreInUseOneImportAtATime) {
    const std::string dir = win32::temp_folder() + "\\pixavon-import-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(win32::to_utf16(dir).c_str(), nullptr));
    CancelToken cancel;
    Quiet ui;
    auto owned = std::make_unique<Core>(cancel);
    Core& core = *owned;
    core.set_frontend(ui);
    ASSERT_TRUE(core.prepare({dir + "\\card.bin", 8}).ok());
    ASSERT_TRUE(core.open_camera());
    PutRequest put;
    for (int i = 0; i < 2; ++i) {
        Image picture = pattern(322, 242);
        picture.rgb[0] = static_cast<uint8_t>(i);
        const std::vector<uint8_t> png = win32::encode_png(picture);
        put.files.push_back(dir + "\\picture" + std::to_string(i) + ".png");
        FILE* f = _wfopen(win32::to_utf16(put.files.back()).c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(png.data(), 1, png.size(), f);
        std::fclose(f);
    }
    ASSERT_TRUE(core.put_pictures(put).ok());

    ImportRequest request;
    request.folder = dir + "\\photos";
    request.delete_after = true;
    ImportSummary summary;
    for (const char* name : {"x\\..\\..\\up{n}.png", "a:{n}.png", "C:{n}.png", "aux.{n}.png"}) {
        request.name_pattern = name;
        EXPECT_EQ(core.import_photos(request, &summary).problem.kind, ProblemKind::kNamePatternBad) << name;
    }
    EXPECT_EQ(::GetFileAttributesW(win32::to_utf16(request.folder).c_str()), INVALID_FILE_ATTRIBUTES);
    request.name_pattern = "{n}.png";
    request.delete_after = false;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.imported, 2u);

    // Held open without sharing, as a viewer may: neither changed nor deleted.
    HANDLE held = ::CreateFileW(win32::to_utf16(request.folder + "\\2.png").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    request.delete_after = true;
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.in_use, 1u);
    EXPECT_EQ(summary.imported, 0u);
    EXPECT_EQ(summary.changed, 0u);
    EXPECT_EQ(summary.deleted, 1u);
    ::CloseHandle(held);

    // An import running in the folder holds its index.
    os::File running;
    ASSERT_TRUE(running.open(request.folder + "\\.pixavon-import", os::File::Access::kUpdate, false));
    ASSERT_TRUE(running.try_lock());
    EXPECT_EQ(core.import_photos(request, &summary).problem.kind, ProblemKind::kImportFolderBusy);
    running = os::File();
    ASSERT_TRUE(core.import_photos(request, &summary).ok());
    EXPECT_EQ(summary.deleted, 1u);
    EXPECT_EQ(core.inspect().catalog.count, 0u);
    owned.reset();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(win32::to_utf16(dir)), ignored);
}

}  // namespace
}  // namespace pixavon::host
