// The texts of the host application's user interface, in six languages.
#pragma once

#include <cstdint>

namespace pixavon {

// Language identifiers of the string table's six tables.
enum LanguageId : std::uint16_t {
    kLanguageEnglishUS = 1033,
    kLanguageChineseTaiwan = 1028,
    kLanguageChineseHongKong = 3076,
    kLanguageChinesePRC = 2052,
    kLanguageChineseSingapore = 4100,
    kLanguageJapanese = 1041,
};

constexpr std::uint32_t kFirstStringId = 1;
constexpr std::uint32_t kLastStringId = 14;

// String `id` of the table for `language`, as UTF-8; nullptr when the table
// has no such string. An unknown language gets the English table.
const char* LookUpString(std::uint16_t language, std::uint32_t id);

}  // namespace pixavon
