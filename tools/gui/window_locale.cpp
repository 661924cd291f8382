#include "window_locale.h"

#include <dirent.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "desktop/words.h"

namespace pixavon::gui {
namespace {

// The codeset of the locale the program runs in (Qt sets it from the
// environment at start); empty for UTF-8, where nothing needs converting.
std::string locale_codeset() {
    const char* codeset = ::nl_langinfo(CODESET);
    if (codeset == nullptr) return {};
    const QString name = QString::fromLatin1(codeset).toLower().remove('-');
    if (name.isEmpty() || name == "utf8" || name == "ansi_x3.41968") return {};
    return codeset;
}

// `text` converted from one codeset to another; what does not convert is
// left out. Nullopt if iconv knows neither codeset.
std::optional<std::string> convert(const std::string& text, const char* to, const char* from) {
    iconv_t converter = ::iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string in = text;
    std::string out(text.size() * 4 + 4, '\0');
    char* in_at = in.data();
    size_t in_left = in.size();
    char* out_at = out.data();
    size_t out_left = out.size();
    while (in_left > 0 && ::iconv(converter, &in_at, &in_left, &out_at, &out_left) == static_cast<size_t>(-1)) {
        if (errno != EILSEQ && errno != EINVAL) break;
        ++in_at;
        --in_left;
    }
    ::iconv_close(converter);
    out.resize(static_cast<size_t>(out_at - out.data()));
    return out;
}

// "ja", "zh_TW", "zh_CN", "en", or empty for a language of none of ours.
QString language_of(const QString& locale) {
    const QString base = locale.section('.', 0, 0).section('@', 0, 0).toLower().replace('-', '_');
    const QString language = base.section('_', 0, 0);
    const QString territory = base.section('_', 1, 1);
    if (language == "ja") return QStringLiteral("ja");
    if (language == "zh") {
        return territory == "tw" || territory == "hk" || territory == "mo" || territory == "hant"
                   ? QStringLiteral("zh_TW")
                   : QStringLiteral("zh_CN");
    }
    if (language == "en" || language == "c" || language == "posix") return QStringLiteral("en");
    return {};
}

QString environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? QString::fromLatin1(value) : QString();
}

}  // namespace

QString window_language() {
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = environment(name);
        if (!locale.isEmpty()) break;
    }
    const QString from_locale = language_of(locale);
    // gettext reads LANGUAGE, a priority list, unless the locale is C.
    const QString base = locale.section('.', 0, 0);
    if (!locale.isEmpty() && base != "C" && base != "POSIX") {
        for (const QString& entry : environment("LANGUAGE").split(':', Qt::SkipEmptyParts)) {
            if (QString language = language_of(entry); !language.isEmpty()) return language;
        }
    }
    return from_locale.isEmpty() ? QStringLiteral("en") : from_locale;
}

QString install_translations() {
    static QTranslator own;
    static QTranslator qt;
    QCoreApplication::removeTranslator(&own);
    QCoreApplication::removeTranslator(&qt);
    QString language = window_language();
    // The window's texts are built in (English only for its plural forms);
    // Qt's own come with the system's Qt.
    if (own.load(QStringLiteral(":/i18n/pixavon_gui_") + language)) QCoreApplication::installTranslator(&own);
    // The texts every window shares: the catalogue installed beside the
    // program, else the build tree's.
    desktop::use_english();
    if (language == "en") return language;
    const std::string lang = language.toStdString();
    const std::filesystem::path installed =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()).parent_path() / "share" / "locale";
    if (!desktop::use_catalogue_file(desktop::catalogue_path(installed, lang))) {
        desktop::use_catalogue_file(desktop::catalogue_path(desktop::build_locale_dir(), lang));
    }
    if (qt.load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qt);
    }
    return language;
}

QString decode_name(const std::string& bytes) {
    const std::string codeset = locale_codeset();
    if (!codeset.empty()) {
        if (const std::optional<std::string> utf8 = convert(bytes, "UTF-8", codeset.c_str())) {
            return QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size()));
        }
    }
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string encode_name(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    const std::string codeset = locale_codeset();
    if (!codeset.empty()) {
        if (std::optional<std::string> local = convert(utf8.toStdString(), codeset.c_str(), "UTF-8")) return *local;
    }
    return utf8.toStdString();
}

bool names_in_utf8() { return locale_codeset().empty(); }

QString from_qt_path(const QString& path) {
    if (locale_codeset().empty()) return path;
    return decode_name(QFile::encodeName(path).toStdString());
}

QString to_qt_path(const QString& path) {
    if (locale_codeset().empty()) return path;
    return QFile::decodeName(QByteArray::fromStdString(encode_name(path)));
}

bool is_folder(const QString& path) {
    struct stat st {};
    return ::stat(encode_name(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

qint64 file_size(const QString& path) {
    struct stat st {};
    if (::stat(encode_name(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<qint64>(st.st_size);
}

QStringList files_in(const QString& folder, const QString& suffix) {
    QStringList names;
    DIR* dir = ::opendir(encode_name(folder).c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = decode_name(entry->d_name);
        struct stat st {};
        if (name.endsWith(suffix, Qt::CaseInsensitive) && ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 &&
            S_ISREG(st.st_mode)) {
            names << name;
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace pixavon::gui
