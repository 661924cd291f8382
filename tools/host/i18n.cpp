#include "i18n.h"

#include <iconv.h>
#include <langinfo.h>
#include <libintl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "camera_session.h"

namespace pixavon::host {
namespace {

constexpr char kDomain[] = "pixavon";

// The codeset init_translations() was given; empty: the locale's. Set once,
// before other threads start.
std::string g_codeset;

bool is_directory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Where the catalogues are: share/locale beside the installed executable,
// else the build tree's.
std::string locale_dir() {
    std::vector<char> exe(4096);
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
    if (n > 0) {
        const std::filesystem::path installed =
            std::filesystem::path(std::string(exe.data(), static_cast<size_t>(n))).parent_path().parent_path() /
            "share/locale";
        if (is_directory(installed.string())) return installed.string();
    }
    return PIXAVON_BUILD_LOCALE_DIR;
}

std::string locale_codeset() {
    const char* codeset = ::nl_langinfo(CODESET);
    return codeset != nullptr ? codeset : "";
}

// File names in the C locale are taken as UTF-8, as desktops write them.
bool is_ascii_codeset(const std::string& codeset) {
    return codeset.empty() || codeset == "ANSI_X3.4-1968" || strcasecmp(codeset.c_str(), "ASCII") == 0;
}

bool same_codeset(const std::string& a, const std::string& b) {
    auto canonical = [](const std::string& s) {
        std::string out;
        for (const char c : s) {
            if (c != '-' && c != '_') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return out;
    };
    return canonical(a) == canonical(b);
}

// `text` from `from` into `to`; a byte that does not convert becomes '?'.
std::string convert(const std::string& text, const std::string& from, const std::string& to) {
    if (same_codeset(from, to)) return text;
    iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char buffer[256];
    while (in_left > 0) {
        char* to_ptr = buffer;
        size_t out_left = sizeof buffer;
        const size_t r = ::iconv(cd, &in, &in_left, &to_ptr, &out_left);
        out.append(buffer, static_cast<size_t>(to_ptr - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';  // a byte the codeset does not know, or cut short
            ++in;
            --in_left;
        }
    }
    char* to_ptr = buffer;
    size_t out_left = sizeof buffer;
    ::iconv(cd, nullptr, nullptr, &to_ptr, &out_left);
    out.append(buffer, static_cast<size_t>(to_ptr - buffer));
    ::iconv_close(cd);
    return out;
}

// The codeset names are written in on this system.
std::string names_codeset() {
    const std::string codeset = locale_codeset();
    return is_ascii_codeset(codeset) ? "UTF-8" : codeset;
}

}  // namespace

void use_environment_locale() {
    if (std::setlocale(LC_ALL, "") != nullptr) return;
    std::string name;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') {
            name = value;
            break;
        }
    }
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) std::setlocale(LC_ALL, "C");
    const char* language = std::getenv("LANGUAGE");
    const std::string tag = name.substr(0, name.find_first_of(".@"));
    if ((language == nullptr || language[0] == '\0') && !tag.empty() && tag != "C" && tag != "POSIX") {
        ::setenv("LANGUAGE", tag.c_str(), 1);
    }
}

void init_translations(const std::string& codeset) {
    ::bindtextdomain(kDomain, locale_dir().c_str());
    if (!codeset.empty()) ::bind_textdomain_codeset(kDomain, codeset.c_str());
    g_codeset = codeset;
}

std::string text_codeset() { return g_codeset.empty() ? locale_codeset() : g_codeset; }

const char* tr(const char* text) { return ::dgettext(kDomain, text); }

const char* ntr(const char* singular, const char* plural, uint64_t n) {
    return ::dngettext(kDomain, singular, plural, static_cast<unsigned long>(n));
}

std::string fill(const std::string& pattern, std::initializer_list<std::string> args) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
            pattern[i + 2] == '}') {
            const size_t k = static_cast<size_t>(pattern[i + 1] - '1');
            if (k < args.size()) {
                out += *(args.begin() + k);
                i += 2;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string system_error(int errnum) {
    char buffer[256];
    const char* text = ::strerror_r(errnum, buffer, sizeof buffer);
    return convert(text, is_ascii_codeset(locale_codeset()) ? "UTF-8" : locale_codeset(),
                   is_ascii_codeset(text_codeset()) ? "UTF-8" : text_codeset());
}

std::string display_name(const std::string& raw) {
    const std::string to = text_codeset();
    if (is_ascii_codeset(to)) return printable(raw);
    return printable(convert(raw, names_codeset(), to));
}

}  // namespace pixavon::host
