#include "i18n.h"
#include "fault_words.h"

#include <libintl.h>
#include <strings.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "camera_session.h"
#include "os/os.h"
#include "utf8_path.h"

namespace pixavon::host {
namespace {

constexpr char kDomain[] = "pixavon";

// The codeset init_translations() was given; empty: the locale's. Set once,
// before other threads start.
std::string g_codeset;

// Where the catalogues are: share/locale beside the installed executable,
// else the build tree's.
std::string locale_dir() {
    if (const std::string exe = os::executable_path(); !exe.empty()) {
        std::string installed = utf8_of(fs_path(exe).parent_path().parent_path() / "share/locale");
        if (os::is_folder(installed)) return installed;
    }
    return PIXAVON_BUILD_LOCALE_DIR;
}

// File names in the C locale are taken as UTF-8, as desktops write them.
bool is_ascii_codeset(const std::string& codeset) {
    return codeset.empty() || codeset == "ANSI_X3.4-1968" || strcasecmp(codeset.c_str(), "ASCII") == 0;
}

// The codeset names are written in on this system.
std::string names_codeset() {
    const std::string codeset = os::locale_codeset();
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
        os::set_environment("LANGUAGE", tag);
    }
}

void init_translations(const std::string& codeset) {
    ::bindtextdomain(kDomain, locale_dir().c_str());
    if (!codeset.empty()) ::bind_textdomain_codeset(kDomain, codeset.c_str());
    g_codeset = codeset;
}

std::string text_codeset() { return g_codeset.empty() ? os::locale_codeset() : g_codeset; }

const char* tr(const char* text) { return ::dgettext(kDomain, text); }

const char* ntr(const char* singular, const char* plural, uint64_t n) {
    return ::dngettext(kDomain, singular, plural, static_cast<unsigned long>(n));
}

SystemFault system_fault(int errnum) {
    switch (errnum) {
        case ENOENT:
        case ENXIO:
            return SystemFault::kNotFound;
        case ENOTDIR:
        case ELOOP:
            return SystemFault::kNotFolder;
        case EISDIR:
            return SystemFault::kIsFolder;
        case EACCES:
        case EPERM:
            return SystemFault::kDenied;
        case EROFS:
            return SystemFault::kReadOnly;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return SystemFault::kNoRoom;
        case EBUSY:
        case ETXTBSY:
        case EWOULDBLOCK:
            return SystemFault::kInUse;
        case ENAMETOOLONG:
            return SystemFault::kNameTooLong;
        case EILSEQ:
        case EXDEV:
            return SystemFault::kBadName;
        case EEXIST:
        case ENOTEMPTY:
            return SystemFault::kExists;
        case EIO:
        case ENODEV:
        case ENOTCONN:
        case ESTALE:
        case ETIMEDOUT:
        case EPIPE:
        case ECONNRESET:
            return SystemFault::kDiskFault;
        case EMFILE:
        case ENFILE:
            return SystemFault::kTooManyOpen;
        case ENOMEM:
            return SystemFault::kNoMemory;
        default:
            return SystemFault::kOther;
    }
}

std::string system_error(int errnum) { return fault_words(system_fault(errnum)); }

std::string display_name(const std::string& raw) {
    const std::string to = text_codeset();
    if (is_ascii_codeset(to)) return printable(raw);
    return printable(os::convert_text(raw, names_codeset(), to));
}

}  // namespace pixavon::host
