// pixavon.dll as a host sees it: its export and import tables, its string
// table in six languages, and the camera search on a machine without one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

#include "frame/string_table.h"
#include "win32/win32_test_support.h"

namespace pixavon::test {
namespace {

const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int entry) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[entry];
}

template <typename T>
const T* At(HMODULE module, DWORD rva) {
    return reinterpret_cast<const T*>(reinterpret_cast<const std::uint8_t*>(module) + rva);
}

TEST(DllExports, ExactlyTheFourteenFunctionsByTheirPlainNames) {
    const HMODULE dll = PixavonDll();
    const auto* base = reinterpret_cast<const std::uint8_t*>(dll);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_NE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL, 0);

    const IMAGE_DATA_DIRECTORY& directory = Directory(dll, IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(directory.VirtualAddress, 0u);
    const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(dll, directory.VirtualAddress);
    const auto* names = At<DWORD>(dll, exports->AddressOfNames);
    std::set<std::string> exported;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        exported.insert(At<char>(dll, names[i]));
    }
    const std::set<std::string> expected = {"OpenDevice", "CloseDevice",       "IsConnect",      "ReadGBA",
                                            "WriteGBA",   "GetPhotoCount",     "GetCardMemory",  "DeletePhoto",
                                            "FormatGBA",  "ReadPixavonToFile", "WriteFileToGBA", "ReadAll",
                                            "WriteAll",   "GetString"};
    EXPECT_EQ(exported, expected);
    EXPECT_EQ(exports->NumberOfFunctions, 14u);  // nothing exported by ordinal alone
    for (const std::string& name : expected) {
        EXPECT_NE(::GetProcAddress(dll, name.c_str()), nullptr) << name;
    }
}

TEST(DllExports, ImportsOnlySystemLibraries) {
    const HMODULE dll = PixavonDll();
    const IMAGE_DATA_DIRECTORY& directory = Directory(dll, IMAGE_DIRECTORY_ENTRY_IMPORT);
    ASSERT_NE(directory.VirtualAddress, 0u);
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "setupapi.dll", "msvcrt.dll"};
    for (const auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(dll, directory.VirtualAddress); entry->Name != 0; ++entry) {
        std::string name = At<char>(dll, entry->Name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
        EXPECT_TRUE(system.count(name) == 1 || name.rfind("api-ms-win-", 0) == 0) << name;
    }
}

TEST(DllDevice, OpenDeviceFailsQuietlyWhereNoCameraExists) {
    using OpenFn = int(__cdecl*)(HWND);
    using NoArgsFn = int(__cdecl*)();
    using ReadFn = int(__cdecl*)(std::uint16_t, void*, std::uint32_t);
    using CountFn = std::int32_t(__cdecl*)();
    const auto open = DllFunction<OpenFn>("OpenDevice");
    const auto is_connect = DllFunction<NoArgsFn>("IsConnect");
    const auto close = DllFunction<NoArgsFn>("CloseDevice");
    const auto read = DllFunction<ReadFn>("ReadGBA");
    const auto count = DllFunction<CountFn>("GetPhotoCount");

    ProgressWindow window;
    EXPECT_EQ(open(window.handle()), 0);
    EXPECT_EQ(open(nullptr), 0);
    EXPECT_EQ(is_connect(), 0);
    EXPECT_EQ(close(), 0);
    std::uint8_t buffer[512] = {};
    EXPECT_EQ(read(0xFFE0, buffer, sizeof buffer), 0);
    EXPECT_EQ(count(), 0);  // tries to open again, and fails again
    EXPECT_EQ(window.record().messages, 0);
}

// The text of string `id` of `language`'s table in the DLL's resources, read
// straight from the resource data.
std::wstring ResourceText(HMODULE module, LANGID language, UINT id) {
    const HRSRC found =
        ::FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_STRING), MAKEINTRESOURCEW(id / 16 + 1), language);
    if (found == nullptr) return L"<no block>";
    const auto* data = static_cast<const WCHAR*>(::LockResource(::LoadResource(module, found)));
    for (UINT i = 0; i < id % 16; ++i) data += 1 + *data;
    return std::wstring(data + 1, *data);
}

constexpr LANGID kLanguages[] = {1033, 1028, 3076, 2052, 4100, 1041};

TEST(DllStrings, ResourceTablesHoldTheTextsOfEachLanguage) {
    const HMODULE dll = PixavonDll();
    for (const LANGID language : kLanguages) {
        SCOPED_TRACE(language);
        EXPECT_EQ(ResourceText(dll, language, 0), L"");
        for (UINT id = kFirstStringId; id <= kLastStringId; ++id) {
            EXPECT_EQ(ResourceText(dll, language, id), Utf8ToWide(LookUpString(language, id))) << "id " << id;
        }
        EXPECT_EQ(ResourceText(dll, language, 15), L"");
        EXPECT_EQ(::FindResourceExW(dll, reinterpret_cast<LPCWSTR>(RT_STRING), MAKEINTRESOURCEW(2), language), nullptr);
    }
    EXPECT_EQ(ResourceText(dll, 1041, 2).find(L'\x3000'), 12u);
}

class DllStringsInLanguage : public ::testing::Test {
protected:
    void TearDown() override { UseThreadLanguage(initial_); }
    using GetStringFn = int(__cdecl*)(std::uint32_t, char*);
    GetStringFn get_string = DllFunction<GetStringFn>("GetString");
    const LANGID initial_ = ::GetThreadUILanguage();
};

TEST_F(DllStringsInLanguage, EachLanguageArrivesInTheProcessCodePage) {
    for (const LANGID language : kLanguages) {
        SCOPED_TRACE(language);
        UseThreadLanguage(language);
        for (std::uint32_t id = kFirstStringId; id <= kLastStringId; ++id) {
            char buffer[255];
            std::memset(buffer, 0x5A, sizeof buffer);
            ASSERT_EQ(get_string(id, buffer), 1) << "id " << id;
            EXPECT_EQ(std::string(buffer), WideToAnsi(Utf8ToWide(LookUpString(language, id)))) << "id " << id;
        }
        char buffer[255];
        EXPECT_EQ(get_string(0, buffer), 0);
        EXPECT_EQ(get_string(15, buffer), 0);
        EXPECT_EQ(get_string(0xFFFFFFFFu, buffer), 0);
    }
}

// Where the run names its code page, the texts of that code page's script
// come through whole: "DELETE" in the table that the code page can show.
TEST_F(DllStringsInLanguage, NativeCodePageBytesAreExact) {
    const char* expected = std::getenv("PIXAVON_EXPECT_CODEPAGE");
    if (expected == nullptr) GTEST_SKIP() << "runs under a named code page only";
    const UINT codepage = static_cast<UINT>(std::atoi(expected));
    ASSERT_EQ(::GetACP(), codepage);
    struct Case {
        UINT codepage;
        LANGID language;
        const char* bytes;
    };
    const Case cases[] = {
        {932, 1041, "\x8D\xED\x8F\x9C"},                                   // 削除 in Shift_JIS
        {950, 1028, "\xA7\x52\xB0\xA3"},                                   // 刪除 in Big5
        {950, 3076, "\xA7\x52\xB0\xA3"}, {936, 2052, "\xC9\xBE\xB3\xFD"},  // 删除 in GBK
        {936, 4100, "\xC9\xBE\xB3\xFD"},
    };
    int checked = 0;
    for (const Case& c : cases) {
        if (c.codepage != codepage) continue;
        UseThreadLanguage(c.language);
        char buffer[255] = {};
        ASSERT_EQ(get_string(3, buffer), 1);
        EXPECT_STREQ(buffer, c.bytes) << c.language;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace pixavon::test
