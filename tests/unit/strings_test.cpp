#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "frame/library_state.h"
#include "frame/string_table.h"
#include "platform/posix/posix_parts.h"
#include "support/test_data.h"

namespace pixavon::test {
namespace {

using posix::ChooseLocale;
using posix::EncodeText;
using posix::LanguageForLocaleName;

posix::EnvLookup Env(std::map<std::string, std::string> values) {
    auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(values));
    return [shared](const char* name) -> const char* {
        auto it = shared->find(name);
        return it == shared->end() ? nullptr : it->second.c_str();
    };
}

TEST(Locale, NamesMapToTheSixTables) {
    EXPECT_EQ(LanguageForLocaleName("zh_TW.UTF-8"), 1028);
    EXPECT_EQ(LanguageForLocaleName("zh_HK"), 3076);
    EXPECT_EQ(LanguageForLocaleName("zh_MO.UTF-8"), 3076);
    EXPECT_EQ(LanguageForLocaleName("zh_CN.GB18030"), 2052);
    EXPECT_EQ(LanguageForLocaleName("zh"), 2052);
    EXPECT_EQ(LanguageForLocaleName("zh_SG"), 4100);
    EXPECT_EQ(LanguageForLocaleName("ja_JP.eucJP"), 1041);
    EXPECT_EQ(LanguageForLocaleName("ja"), 1041);
    EXPECT_EQ(LanguageForLocaleName("de_DE.UTF-8"), 1033);
    EXPECT_EQ(LanguageForLocaleName("C"), 1033);
    EXPECT_EQ(LanguageForLocaleName(""), 1033);
}

TEST(Locale, VariablesAreConsultedInGettextOrder) {
    EXPECT_EQ(ChooseLocale(Env({})).language, 1033);
    EXPECT_EQ(ChooseLocale(Env({{"LANG", "ja_JP.UTF-8"}})).language, 1041);
    EXPECT_EQ(ChooseLocale(Env({{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "zh_TW.UTF-8"}})).language, 1028);
    EXPECT_EQ(ChooseLocale(Env({{"LC_MESSAGES", "zh_TW"}, {"LC_ALL", "zh_SG"}})).language, 4100);
    EXPECT_EQ(ChooseLocale(Env({{"LC_ALL", "zh_SG"}, {"LANGUAGE", "fr:ja"}})).language, 1041);
    EXPECT_EQ(ChooseLocale(Env({{"LC_ALL", "zh_SG"}, {"LANGUAGE", "en_US:ja"}})).language, 1033);
    EXPECT_EQ(ChooseLocale(Env({{"LC_ALL", "ja_JP"}, {"LANGUAGE", ""}})).language, 1041);
    EXPECT_EQ(ChooseLocale(Env({{"LC_ALL", "ja_JP"}, {"LANGUAGE", "fr:de"}})).language, 1041);
}

TEST(Locale, CodesetComesFromTheLocaleName) {
    EXPECT_EQ(ChooseLocale(Env({{"LANG", "zh_TW.Big5"}})).codeset, "Big5");
    EXPECT_EQ(ChooseLocale(Env({{"LANG", "ja_JP.eucJP@euro"}})).codeset, "eucJP");
    EXPECT_EQ(ChooseLocale(Env({{"LANG", "ja_JP.utf8"}})).codeset, "");
    EXPECT_EQ(ChooseLocale(Env({{"LANGUAGE", "zh_TW"}, {"LANG", "zh_TW.Big5"}})).codeset, "Big5");
}

TEST(Encoding, NonUtf8CodesetsAreConverted) {
    char buffer[255];
    // "刪除" in Big5 is A752 B0A3.
    ASSERT_EQ(EncodeText(LookUpString(1028, 3), "Big5", buffer, sizeof buffer), 4);
    EXPECT_EQ(std::memcmp(buffer, "\xA7\x52\xB0\xA3", 5), 0);
    // "削除" in EUC-JP is BAEF BDFC.
    ASSERT_EQ(EncodeText(LookUpString(1041, 3), "eucJP", buffer, sizeof buffer), 4);
    EXPECT_EQ(std::memcmp(buffer, "\xBA\xEF\xBD\xFC", 5), 0);
    // "删除" in GB18030 is C9BE B3FD.
    ASSERT_EQ(EncodeText(LookUpString(2052, 3), "GB18030", buffer, sizeof buffer), 4);
    EXPECT_EQ(std::memcmp(buffer, "\xC9\xBE\xB3\xFD", 5), 0);
    EXPECT_EQ(EncodeText(LookUpString(1041, 3), "ISO-8859-1", buffer, sizeof buffer), -1);
    EXPECT_EQ(EncodeText("x", "no-such-codeset", buffer, sizeof buffer), -1);
}

TEST(Encoding, TruncationNeverSplitsACharacter) {
    char buffer[8];
    // Six three-byte characters: only two fit in seven bytes.
    EXPECT_EQ(EncodeText("アップロード", "", buffer, sizeof buffer), 6);
    EXPECT_STREQ(buffer, "アッ");
    EXPECT_EQ(EncodeText("アップロード", "eucJP", buffer, sizeof buffer), 6);
    EXPECT_EQ(std::strlen(buffer), 6u);
    EXPECT_EQ(EncodeText("アップロード", "", buffer, 3), 0);  // not one character fits
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(EncodeText("x", "", buffer, 0), -1);
    // A cut that leaves no room to shift back to ASCII cannot be shown.
    EXPECT_EQ(EncodeText("アップ", "ISO-2022-JP", buffer, 6), -1);
}

class GetStringTest : public ::testing::Test {
protected:
    void SetUp() override { environment.UseLocale(nullptr); }
    ScopedEnvironment environment;
};

TEST_F(GetStringTest, EnglishIsTheReferenceAndUnknownIdsFail) {
    environment.Set("LANG", "en_US.UTF-8");
    char buffer[255];
    EXPECT_EQ(GetString(13, buffer), 1);
    EXPECT_STREQ(buffer, "read card error,work incomplete");
    EXPECT_EQ(GetString(2, buffer), 1);
    EXPECT_STREQ(buffer, "%d is used up %d is available");
    EXPECT_EQ(GetString(15, buffer), 0);
    EXPECT_EQ(GetString(0, buffer), 0);
}

TEST_F(GetStringTest, EachLanguageGetsItsTable) {
    char buffer[255];
    environment.Set("LANG", "ja_JP.UTF-8");
    ASSERT_EQ(GetString(2, buffer), 1);
    EXPECT_STREQ(buffer, "%dは使い果たされました\u3000%dは利用可能です");
    environment.Set("LANG", "zh_HK.UTF-8");
    ASSERT_EQ(GetString(11, buffer), 1);
    EXPECT_STREQ(buffer, "目錄");
    environment.Set("LANG", "zh_SG.UTF-8");
    ASSERT_EQ(GetString(11, buffer), 1);
    EXPECT_STREQ(buffer, "目录");
    environment.Set("LANG", "zh_TW.Big5");
    ASSERT_EQ(GetString(12, buffer), 1);
    EXPECT_STREQ(buffer, "\xB0\x68\xA5\x58");  // "退出" in Big5
}

TEST_F(GetStringTest, ATableTheCodesetCannotShowFallsBackToEnglish) {
    environment.Set("LANG", "ja_JP.ISO-8859-1");
    char buffer[255];
    ASSERT_EQ(GetString(3, buffer), 1);
    EXPECT_STREQ(buffer, "DELETE");
}

TEST(StringTable, EveryIdHasAShortEnoughTextInEveryLanguage) {
    for (std::uint16_t language : {1033, 1028, 3076, 2052, 4100, 1041}) {
        for (std::uint32_t id = 1; id <= 14; ++id) {
            const char* text = LookUpString(language, id);
            ASSERT_NE(text, nullptr);
            EXPECT_GT(std::strlen(text), 0u);
            EXPECT_LT(std::strlen(text), 255u);
        }
        EXPECT_EQ(LookUpString(language, 15), nullptr);
    }
    EXPECT_STREQ(LookUpString(1028, 13), LookUpString(3076, 13));
    EXPECT_STREQ(LookUpString(2052, 14), LookUpString(4100, 14));
}

}  // namespace
}  // namespace pixavon::test
