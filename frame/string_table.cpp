#include "frame/string_table.h"

#include <array>

namespace pixavon {
namespace {

using Table = std::array<const char*, kLastStringId>;

constexpr Table kEnglish = {
    "Lumetta",
    "%d is used up %d is available",
    "DELETE",
    "UPLOAD",
    "BACKUP",
    "DISPLAY",
    "FORMAT",
    "ABOUT",
    "READ CARD",
    "WRITE CARD",
    "CATALOG",
    "EXIT",
    "read card error,work incomplete",
    "write card error,work incomplete",
};

constexpr Table kTraditionalChinese = {
    "Lumetta",
    "%d張已使用 %d張剩余空間",
    "刪除",
    "上載",
    "備份",
    "顯示",
    "格式化",
    "關于",
    "讀整卡",
    "寫整卡",
    "目錄",
    "退出",
    "讀卡時出錯,操作未完成",
    "寫卡時出錯,操作未完成",
};

constexpr Table kSimplifiedChinese = {
    "Lumetta",
    "%d张已使用 %d张剩余空间",
    "删除",
    "上载",
    "备份",
    "显示",
    "格式化",
    "关于",
    "读整卡",
    "写整卡",
    "目录",
    "退出",
    "读卡时出错,操作未完成",
    "写卡时出错,操作未完成",
};

// The two halves of string 2 are joined by an ideographic space (U+3000).
constexpr Table kJapanese = {
    "Lumetta",
    "%dは使い果たされました\u3000%dは利用可能です",
    "削除",
    "アップロード",
    "バックアップ",
    "ディスプレイ",
    "フォーマット",
    "アバウト",
    "読み取りカード",
    "書き取りカード",
    "メニュー",
    "終了",
    "読み取りカードエラー、不完全に働いてます",
    "書き取りカードエラー、不完全に働いてます",
};

const Table& TableFor(std::uint16_t language) {
    switch (language) {
        case kLanguageChineseTaiwan:
        case kLanguageChineseHongKong:
            return kTraditionalChinese;
        case kLanguageChinesePRC:
        case kLanguageChineseSingapore:
            return kSimplifiedChinese;
        case kLanguageJapanese:
            return kJapanese;
        default:
            return kEnglish;
    }
}

}  // namespace

const char* LookUpString(std::uint16_t language, std::uint32_t id) {
    if (id < kFirstStringId || id > kLastStringId) {
        return nullptr;
    }
    return TableFor(language)[id - kFirstStringId];
}

}  // namespace pixavon
