// Language and codeset choice for the string table on POSIX, where no resource
// loader picks them: the user's locale environment decides, as for gettext.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "frame/string_table.h"
#include "platform/posix/posix_parts.h"

namespace pixavon::posix {
namespace {

const char* NonEmpty(const char* value) { return (value != nullptr && *value != '\0') ? value : nullptr; }

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The codeset that a locale name names, or "" when it names none.
std::string CodesetOf(const std::string& locale) {
    const std::size_t dot = locale.find('.');
    if (dot == std::string::npos) {
        return {};
    }
    const std::size_t at = locale.find('@', dot);
    return locale.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
}

bool IsUtf8(const std::string& codeset) {
    const std::string lower = LowerAscii(codeset);
    return lower.empty() || lower == "utf-8" || lower == "utf8";
}

// Copies UTF-8 text, cutting it at a character boundary when it does not fit.
int CopyUtf8(const char* text, char* buffer, int size) {
    std::size_t length = std::strlen(text);
    const std::size_t room = static_cast<std::size_t>(size) - 1;
    if (length > room) {
        length = room;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0u) == 0x80u) {
            --length;
        }
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

}  // namespace

std::uint16_t LanguageForLocaleName(const std::string& name) {
    std::string base = name.substr(0, name.find_first_of(".@"));
    const std::size_t underscore = base.find_first_of("_-");
    const std::string language = LowerAscii(base.substr(0, underscore));
    const std::string territory =
        underscore == std::string::npos ? std::string() : LowerAscii(base.substr(underscore + 1));
    if (language == "ja") {
        return kLanguageJapanese;
    }
    if (language == "zh") {
        if (territory == "tw") return kLanguageChineseTaiwan;
        if (territory == "hk" || territory == "mo") return kLanguageChineseHongKong;
        if (territory == "sg") return kLanguageChineseSingapore;
        return kLanguageChinesePRC;
    }
    return kLanguageEnglishUS;
}

LocaleChoice ChooseLocale(const EnvLookup& env) {
    const char* locale = NonEmpty(env("LC_ALL"));
    if (locale == nullptr) locale = NonEmpty(env("LC_MESSAGES"));
    if (locale == nullptr) locale = NonEmpty(env("LANG"));

    LocaleChoice choice;
    if (locale != nullptr) {
        choice.language = LanguageForLocaleName(locale);
        choice.codeset = CodesetOf(locale);
    }
    // LANGUAGE is a priority list; its first entry with a table of ours wins.
    // English counts as having a table, so "en:ja" stays English.
    if (const char* priority = NonEmpty(env("LANGUAGE"))) {
        const std::string list = priority;
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            const std::string entry = list.substr(start, end - start);
            const std::string lang = LowerAscii(entry.substr(0, entry.find_first_of("_-.@")));
            if (lang == "en" || lang == "ja" || lang == "zh") {
                choice.language = LanguageForLocaleName(entry);
                break;
            }
            start = end + 1;
        }
    }
    if (IsUtf8(choice.codeset)) {
        choice.codeset.clear();
    }
    return choice;
}

int EncodeText(const char* text, const std::string& codeset, char* buffer, int size) {
    if (size <= 0) {
        return -1;
    }
    if (IsUtf8(codeset)) {
        return CopyUtf8(text, buffer, size);
    }
    iconv_t converter = iconv_open(codeset.c_str(), "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return -1;
    }
    char* in = const_cast<char*>(text);
    std::size_t in_left = std::strlen(text);
    char* out = buffer;
    std::size_t out_left = static_cast<std::size_t>(size) - 1;
    int result = 0;
    // E2BIG stops at a character boundary: the text is cut there.
    if (iconv(converter, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1) && errno != E2BIG) {
        result = -1;
    } else {
        // Return to the initial shift state (stateful codesets such as ISO-2022).
        if (iconv(converter, nullptr, nullptr, &out, &out_left) == static_cast<std::size_t>(-1)) {
            result = -1;
        }
    }
    iconv_close(converter);
    if (result < 0) {
        return -1;
    }
    *out = '\0';
    return static_cast<int>(out - buffer);
}

}  // namespace pixavon::posix
