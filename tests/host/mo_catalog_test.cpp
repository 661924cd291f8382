// The .mo reader the Windows build translates with, against the catalogues
// msgfmt compiles from po/: the same texts as gettext gives, in either byte
// order, and no read outside a damaged file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "mo_catalog.h"

namespace pixavon::host {
namespace {

std::vector<uint8_t> compiled(const std::string& language) {
    std::ifstream in(std::string(PIXAVON_BUILD_LOCALE_DIR) + "/" + language + "/LC_MESSAGES/pixavon.mo",
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t word(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

const char kPlural[] = "There is no photo {1}: the card holds {2} photo, numbered 0.";

TEST(MoCatalog, ReadsPoCataloguesInEitherByteOrderAndSurvivesDamage) {
    const std::vector<uint8_t> ja = compiled("ja");
    ASSERT_GT(ja.size(), 28u);
    const std::optional<MoCatalog> catalog = MoCatalog::parse(ja);
    ASSERT_TRUE(catalog);
    EXPECT_EQ(catalog->plural_count(), 1u);
    EXPECT_STREQ(catalog->find("the PNG file is damaged"), "PNG ファイルが壊れています");
    EXPECT_STREQ(catalog->find_plural(kPlural, 7), "写真 {1} はありません。カードの写真は {2} 枚（番号 0～{3}）です。");
    EXPECT_EQ(catalog->find("not a text of ours"), nullptr);
    const std::optional<MoCatalog> zh_tw = MoCatalog::parse(compiled("zh_TW"));
    ASSERT_TRUE(zh_tw);
    EXPECT_STREQ(zh_tw->find("the PNG file is damaged"), "PNG 檔案已損毀");

    // The same file written big-endian: its header and its two tables.
    std::vector<uint8_t> big = ja;
    const uint32_t count = word(ja, 8);
    std::vector<size_t> words = {0, 4, 8, 12, 16, 20, 24};
    for (const uint32_t table : {word(ja, 12), word(ja, 16)}) {
        for (uint32_t i = 0; i < count * 2; ++i) words.push_back(table + i * 4);
    }
    for (const size_t at : words) std::reverse(big.data() + at, big.data() + at + 4);
    const std::optional<MoCatalog> swapped = MoCatalog::parse(big);
    ASSERT_TRUE(swapped);
    EXPECT_EQ(swapped->size(), catalog->size());
    EXPECT_STREQ(swapped->find("the PNG file is damaged"), catalog->find("the PNG file is damaged"));

    // Cut short anywhere past the header, or a table word changed: refused
    // or read within the file, never past it.
    for (size_t size = 0; size < ja.size(); size += 13) {
        const std::optional<MoCatalog> cut = MoCatalog::parse(std::vector<uint8_t>(ja.data(), ja.data() + size));
        if (cut) {
            EXPECT_LE(cut->size(), catalog->size());
        }
    }
    EXPECT_FALSE(MoCatalog::parse(std::vector<uint8_t>(ja.begin(), ja.end() - 1)));
    for (size_t at = 8; at < 28 + count * 16 && at < ja.size(); at += 3) {
        std::vector<uint8_t> damaged = ja;
        damaged[at] ^= 0xA5;
        const std::optional<MoCatalog> read = MoCatalog::parse(damaged);
        const char* text = read ? read->find_plural(kPlural, 2) : nullptr;
        if (text != nullptr) {
            EXPECT_LT(std::strlen(text), damaged.size());
        }
    }
}

TEST(PluralRule, EvaluatesTheRulesCataloguesUseAndRefusesOthers) {
    const std::optional<PluralRule> russian =
        PluralRule::parse("(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2)");
    ASSERT_TRUE(russian);
    const std::pair<uint64_t, uint64_t> cases[] = {{1, 0}, {2, 1}, {5, 2}, {11, 2}, {21, 0}, {22, 1}, {112, 2}};
    for (const auto& [n, form] : cases) EXPECT_EQ(russian->evaluate(n), form) << n;
    EXPECT_EQ(PluralRule::parse("0")->evaluate(5), 0u);
    EXPECT_EQ(PluralRule::parse("n / (n - n)")->evaluate(3), 0u);
    EXPECT_EQ(PluralRule::parse("!(n > 1)")->evaluate(1), 1u);
    for (const char* bad : {"", "n ?", "n == ", "(n", "n m", "x", "99999999999"}) {
        EXPECT_FALSE(PluralRule::parse(bad)) << bad;
    }
    EXPECT_FALSE(PluralRule::parse(std::string(100000, '(') + "n" + std::string(100000, ')')));
    std::string long_sum = "n";
    for (int i = 0; i < 100000; ++i) long_sum += "+n";
    EXPECT_FALSE(PluralRule::parse(long_sum));
}

}  // namespace
}  // namespace pixavon::host
