// The host core's seam to the operating system.
//
// Workflow code never calls the system directly: what it needs of files and
// folders, the known folders, the camera's device folder, locks, the process
// and text codesets goes through the functions here. Each system's folder
// (posix/, win32/) implements them, together with the other parts of the core that
// are the system's own by nature:
//
//   durable_file.h  durable writes, private folders, leftovers of killed runs
//                   (the one place that waits for the disk)
//   library.h       loading libpixavon
//   cancel.h        the cancel token's wake-up handle
//
// Errors are told as the system's error numbers (errno values on POSIX, the
// system's error codes on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pixavon.h"

namespace pixavon::host {
class CancelToken;
}

namespace pixavon::host::os {

// ---- Files and folders ----------------------------------------------------

// What a name in the file system is.
enum class Kind : uint8_t { kMissing, kFile, kFolder, kOther };

struct Status {
    Kind kind = Kind::kMissing;
    uint64_t size = 0;  // of a file
    int error = 0;      // why it is kMissing: the name is not there, or cannot be looked at
};

// What `path` names, following links.
Status status(const std::string& path);
// True if `path` names anything, even a dangling link.
bool exists(const std::string& path);
bool is_folder(const std::string& path);
// True if `a` and `b` name the same file (the same device and inode on
// POSIX, the same volume and file ID on Windows), by whatever names or links.
bool same_file(const std::string& a, const std::string& b);
// The bytes this user may still write on the disk holding `folder`; nullopt
// with `error` set when that cannot be told.
std::optional<uint64_t> free_space(const std::string& folder, int* error);
// The name `name` inside `folder`, joined by the system's separator (on
// Windows a backslash, the only one `\\?\` paths take); `name` alone when
// `folder` is empty. Every path the core makes of a folder and a name is
// made here.
std::string join(const std::string& folder, const std::string& name);
// The files a file argument of the command line names. On POSIX the shell
// has expanded its wildcards: the argument itself. On Windows, where each
// program expands them, a last part with * or ? names the files beside it
// that match it (not folders, nor hidden or system files), in natural order
// (picture-2 before picture-10), and nothing when none matches; any other
// argument is itself.
std::vector<std::string> files_matching(const std::string& argument);
// Makes the folder `path` and those it is in, where missing: 0 when it is a
// folder now, else the system's error number. (std::filesystem would tell
// errno values on Windows, and not always the right one.)
int make_folders(const std::string& path);
// Removes the file `path`; what is not there, or cannot be removed, is left.
void remove_file(const std::string& path);
// The names in `folder`, without "." and ".."; empty when it cannot be read.
std::vector<std::string> names_in(const std::string& folder);

// An open file, closed with its object.
class File {
public:
    enum class Access : uint8_t {
        kRead,    // an existing file
        kUpdate,  // read and append, made (0644 less the umask) when missing
    };
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens `path` without waiting on a pipe or a device. With
    // `follow_links` false, a link is not followed. False when it cannot be
    // opened: error() tells why, not_regular() whether it is something other
    // than a regular file (a link, a pipe, a device, a folder).
    bool open(const std::string& path, Access access, bool follow_links);
    bool is_open() const { return handle_ >= 0; }
    int error() const { return error_; }
    bool not_regular() const { return not_regular_; }

    // The file's size; 0 when not open.
    uint64_t size() const;
    // Reads up to `size` bytes at `offset`; the bytes read, 0 at the end, -1
    // with error() set on failure.
    long read_at(uint64_t offset, void* buffer, size_t size);
    // Reads from where the last read ended; as read_at().
    long read(void* buffer, size_t size);
    // Appends `bytes` and waits until they are on the disk. Throws DiskError
    // naming `path`.
    void append_durably(const std::string& path, std::string_view bytes);
    // The names the file has: more than 1 for a file hard-linked elsewhere;
    // 0 when not open.
    uint32_t links() const;
    // True when the last open or read failed only because another program
    // holds the file for now (on Windows a sharing or lock violation, as a
    // viewer's open file gives); POSIX systems hold no files so.
    bool in_use() const;
    // Takes an exclusive lock on the file, without waiting, for as long as it
    // stays open: false when another open of it holds one, in this process
    // or another. A file system that keeps no locks counts as locked.
    bool try_lock();

private:
    intptr_t handle_ = -1;  // a descriptor, or a HANDLE on Windows
    int error_ = 0;
    bool not_regular_ = false;
    uint64_t offset_ = 0;
};

// Makes `path` a folder only this user may enter; true when it is one now,
// made or already there. False with `error` set otherwise.
bool make_private_folder(const std::string& path, int* error);

// Bytes on their way somewhere else, in a file of the process's own (a
// picture copied into the card's folder, until it goes on the card). The file
// is made new in a folder made for it, and both go when it is closed.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile() { close(); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Makes the folder `folder` and the file `name` in it, neither of which
    // may exist. False with error() set when either cannot be made; nothing
    // is left then.
    bool create(const std::string& folder, const std::string& name);
    bool is_open() const { return handle_ >= 0; }
    const std::string& path() const { return path_; }
    int error() const { return error_; }
    // Reads up to `size` bytes at `offset`: the bytes read, 0 at the end, -1
    // with error() set on failure.
    long read_at(uint64_t offset, void* buffer, size_t size);
    // Writes all of `size` bytes at `offset`; false with error() set.
    bool write_at(uint64_t offset, const void* buffer, size_t size);
    // Cuts or extends the file to `size` bytes; false with error() set.
    bool resize(uint64_t size);
    // Closes and removes the file and its folder.
    void close();

private:
    int handle_ = -1;
    int error_ = 0;
    std::string folder_;
    std::string path_;
};

// Writes all of `bytes` to the process's standard output; false with
// `error` set when it could not.
bool write_standard_output(const uint8_t* bytes, size_t size, int* error);

// ---- Locks ----------------------------------------------------------------

// An exclusive lock on a folder (the attached camera's), held while it lives.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    // Takes the lock without waiting. False when another process holds it:
    // `holder` is then its process id, 0 when unknown. A folder that cannot be
    // opened is not locked, and true is returned: the camera will not open.
    bool take(const std::string& folder, long* holder);
    void release();
    bool held() const { return handle_ >= 0; }

private:
    int handle_ = -1;
};

// The process that holds a lock on the file `path`; 0 when unknown.
long lock_holder(const std::string& path);

// ---- The library's host window ------------------------------------------

// What OpenDevice is given as the host window: where the library reports
// during a call, a progress message before each unit of work and its boxes
// (card errors, owned by the window; the file error box, owned by none). On
// POSIX a PixavonWindow record; on Windows a message-only window served by a
// thread of its own, and the boxes the library shows on the thread that made
// this object caught and closed at once, so no box ever waits for a person.
class LibraryWindow {
public:
    class Events {
    public:
        virtual void progress() = 0;
        virtual void box(bool owned, const std::string& caption, const std::string& text) = 0;

    protected:
        ~Events() = default;
    };
    // Throws std::runtime_error when the window cannot be made.
    explicit LibraryWindow(Events& events);
    ~LibraryWindow();
    LibraryWindow(const LibraryWindow&) = delete;
    LibraryWindow& operator=(const LibraryWindow&) = delete;
    PixavonWindowHandle handle() const;

    struct State;  // the system's own

private:
    std::unique_ptr<State> state_;
};

// A file name as the library's functions take it (const char*): on POSIX the
// name itself; on Windows a name in the ANSI code page for the file, which
// may be a copy in a private folder (win32/paths.h), removed with this
// object. For files the library reads. Throws std::runtime_error when no such
// name can be made.
class LibraryPath {
public:
    explicit LibraryPath(const std::string& path);
    ~LibraryPath();
    LibraryPath(const LibraryPath&) = delete;
    LibraryPath& operator=(const LibraryPath&) = delete;
    const char* get() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A text the library gave (GetString) in the host's codeset: on POSIX as it
// is, in the locale's codeset; on Windows from the ANSI code page into UTF-8.
std::string from_library_text(const std::string& text);

// ---- Known folders --------------------------------------------------------

// The desktop's pictures folder: XDG_PICTURES_DIR in the environment, else in
// $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Pictures.
std::string pictures_folder();
// Where notes kept between runs go: $XDG_STATE_HOME/pixavon, else
// ~/.local/state/pixavon.
std::string state_folder();
// Where temporary folders go: $TMPDIR, or /tmp.
std::string temp_folder();
// The folder the library looks for cameras in: PIXAVON_DEVICE_DIR, else
// $XDG_RUNTIME_DIR/pixavon, else /tmp/pixavon-UID.
// Empty on Windows, where the library finds the camera through the system's
// device interface.
std::string device_folder();
// Points the library at the camera folder `folder`. Call before other
// threads start: it sets the environment.
void use_device_folder(const std::string& folder);
// The running executable's file; empty when it cannot be told.
std::string executable_path();

// ---- The process ----------------------------------------------------------

// The local time of `when` into `out`; false when it cannot be told.
bool local_time(std::time_t when, std::tm* out);
// Lowers the calling thread's priority by `niceness` steps.
void lower_thread_priority(int niceness);

// ---- Text -----------------------------------------------------------------

// The codeset of the locale in use ("UTF-8", "EUC-JP", ...); empty if unknown.
std::string locale_codeset();
// `text` converted from codeset `from` to `to`; what cannot be converted
// becomes '?'. Unchanged when either codeset is unknown to the system.
std::string convert_text(const std::string& text, const std::string& from, const std::string& to);
// `text` as one argument of a command the person may type, quoted only
// where the system's command line needs it: in single quotes for a POSIX
// shell; on Windows in double quotes, as cmd.exe and PowerShell read them.
std::string command_argument(const std::string& text);
// The argument that names the files matching `pattern` (picture-*.png) in
// `folder`: the folder quoted and the pattern left to the shell on POSIX;
// on Windows, which passes wildcards on as typed, one argument.
std::string command_files(const std::string& folder, const std::string& pattern);
// The library's own texts (GetString) from now on in the language `tag`
// names (ja, zh_TW, zh_CN, en): on POSIX through LANGUAGE, which the library
// reads; on Windows through the thread's interface language, which picks its
// string table. False when `tag` names no language. Call before the library
// is loaded, on the thread that will call it.
bool use_library_language(const std::string& tag);
// Sets an environment variable (before other threads start).
void set_environment(const char* name, const std::string& value);

// ---- The person's terminal ------------------------------------------------

// The process's standard streams.
enum class Stream : uint8_t { kInput, kOutput, kError };

// Writes `text`, in the locale's codeset, to standard output or standard
// error for a person to read: on POSIX its bytes, buffered as stdio buffers
// them; on Windows UTF-16 to a console whatever its code page (cmd.exe,
// PowerShell), and UTF-8 with CR LF line ends when redirected. A text that
// cannot be written is remembered for flush_text().
void write_text(Stream stream, std::string_view text);
// Sends on what write_text() holds back for `stream`; false with `error` set
// when any text written to it so far could not be (a reader gone, a full disk).
bool flush_text(Stream stream, int* error);
// Clears the line a progress bar is drawn on and puts the cursor at its start.
void clear_terminal_line(Stream stream);
// True when `stream` is a terminal (a console on Windows).
bool is_terminal(Stream stream);
// The width in columns of the terminal `stream` shows on; 80 when unknown.
int terminal_columns(Stream stream);
// The length in bytes of the character `text` starts with, in the locale's
// codeset (1 for a byte that starts none, or one cut short), and in
// `columns` the columns a terminal gives it.
size_t character_at(const char* text, size_t size, size_t* columns);

// From now on an interrupt asks `token` to stop after the current unit of
// work instead of ending the process, and says so on standard error: `first`
// the first time, `again` after. On POSIX: SIGINT, SIGTERM and SIGHUP, taken
// by one thread with sigwait, so that no library call is ever interrupted. On
// Windows: Ctrl+C and Ctrl+Break, and closing the console, logging off or
// shutting down (which leave the few seconds Windows allows). The tool never
// quits in the middle of a step: with the embedded camera that would be a
// power cut, and a catalog rewrite cut short loses the card's list. Call
// once, before other threads start; `token` must outlive the program.
void stop_on_interrupt(CancelToken& token, std::string first, std::string again);

}  // namespace pixavon::host::os
