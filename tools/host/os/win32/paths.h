// Folders and file names on Windows: the folders the host core uses by
// default, and names the library's ANSI functions can take.
//
// Names are UTF-8 here, as everywhere in the host core; the system is asked
// in UTF-16, so any name works whatever the ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace pixavon::host::win32 {

// Each throws Win32Error (win32/text.h) if the system cannot say.
// The folder of the running program, without a trailing separator.
std::string executable_folder();
// The user's Pictures folder (the known folder, wherever the user moved it).
std::string pictures_folder();
// Where import saves unless told otherwise: Pictures\Lumetta.
std::string default_import_folder();
// The user's temporary folder (GetTempPathW), without a trailing separator.
std::string temp_folder();

// True if `name` survives the ANSI code page both ways unchanged (no
// character dropped or replaced by a look-alike) and is short enough for an
// ANSI function (MAX_PATH).
bool fits_ansi(std::wstring_view name);

// What the library receives for a host path: its functions take paths in the
// ANSI code page (const char*), which cannot hold every name (图片 under code
// page 1252, a Korean name under 932). Made before the call, kept for it, and
// released after it; in the order tried:
//   kSame       the path itself, in the code page (it fits);
//   kShortName  the path's 8.3 short name (for kWrite: its folder's, and the
//               file's own name if that fits), where the volume keeps short
//               names and the short name fits;
//   kTemporary  a file in a new folder pixavon-PID-XXXXXX in the temporary
//               folder (under its short name if need be): for kRead a copy of
//               the file; for kWrite an empty name, which commit() moves to
//               the path once the library has written it.
// The temporary folder and all in it are removed when this object goes,
// whether or not the call succeeded: nothing is left behind.
class AnsiPath {
public:
    enum class Use {
        kRead,   // the library reads the file (it exists)
        kWrite,  // the library makes the file
    };
    enum class Kind { kSame, kShortName, kTemporary };

    // Throws Win32Error (the copy, the temporary folder; no temporary folder
    // has a name the code page holds) and std::invalid_argument (a path that
    // is not UTF-8).
    AnsiPath(const std::string& path, Use use);
    ~AnsiPath();
    AnsiPath(const AnsiPath&) = delete;
    AnsiPath& operator=(const AnsiPath&) = delete;

    // The name to hand the library, in the ANSI code page.
    const char* ansi() const { return ansi_.c_str(); }
    Kind kind() const { return kind_; }

    // For kWrite, after the library wrote its file: gives it the path's name
    // (nothing to do unless kTemporary). Without `replace`, an existing file
    // at the path is left alone and false returned. Throws Win32Error.
    bool commit(bool replace);

private:
    std::wstring path_;       // the full path asked for
    std::wstring folder_;     // the temporary folder, if any
    std::wstring temporary_;  // the file in it
    std::string ansi_;
    Kind kind_ = Kind::kSame;
};

}  // namespace pixavon::host::win32
