// The window's language and the names of files as the user's locale writes
// them. File and folder names reach the window as the bytes the system keeps
// (in the locale's codeset: GBK under zh_CN.GBK); Qt 6 reads every 8-bit name
// on Unix as UTF-8, so the window converts them itself.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace pixavon::gui {

// The language of the window's texts, from LANGUAGE, LC_ALL, LC_MESSAGES and
// LANG as gettext reads them: "ja", "zh_TW" (also for Hong Kong and Macau),
// "zh_CN" (also for Singapore) or "en".
QString window_language();
// Loads the window's translation and Qt's own for window_language(),
// replacing those loaded before; returns the language.
QString install_translations();

// A file name from the system (raw bytes in the locale's codeset) as text.
QString decode_name(const std::string& bytes);
// A file name as the system wants it: the text in the locale's codeset.
std::string encode_name(const QString& name);

// True when the locale's codeset is UTF-8 (or plain ASCII), as Qt assumes.
bool names_in_utf8();
// A path Qt gave (a file dialog's, a dropped file's): Qt 6 reads every name
// on Unix as UTF-8, whatever the locale's codeset, so its bytes are taken
// back and decoded with that codeset.
QString from_qt_path(const QString& path);
// A path as Qt takes it, to open a file dialog at.
QString to_qt_path(const QString& path);

// What is at `path`, found with the name in the locale's codeset (Qt's own
// classes would look for it under its UTF-8 bytes): whether it is a folder,
// and a file's size (-1 for no file).
bool is_folder(const QString& path);
qint64 file_size(const QString& path);
// The names of the files in `folder` ending in `suffix`, in order of their
// names; empty if it cannot be read.
QStringList files_in(const QString& folder, const QString& suffix);

}  // namespace pixavon::gui
