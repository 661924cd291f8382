// Durable files, marked private folders and the removal of a killed run's
// leftovers on POSIX systems; see durable_file.h. This is the one place in the host that waits
// for the disk (fsync).
#include "durable_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "i18n.h"
#include "os/os.h"

namespace pixavon::host {
namespace {

// The descriptor a handle holds: handles are wide enough for any system's.
int fd_of(intptr_t handle) { return static_cast<int>(handle); }

// The marker in each folder this tool makes, and what it holds: the token,
// the folder's own name, which no folder of a person's has, and the folder's
// identity on its disk (device and inode), which a copy of the folder, as a
// backup restores it, does not have.
constexpr char kMarkerName[] = ".pixavon~made-by-pixavon";
std::string marker_text(const std::string& folder_name, const struct stat& folder) {
    return "pixavon temporary folder, removed when its process has ended\n" + folder_name + "\nfolder " +
           std::to_string(static_cast<uint64_t>(folder.st_dev)) + ":" +
           std::to_string(static_cast<uint64_t>(folder.st_ino)) + "\n";
}
// The temporary name of a DurableFile inside its folder.
constexpr char kStagedName[] = "file";

std::atomic<bool> g_force_plain_rename{false};

// The one fsync of the host. False with errno set when it failed.
bool sync_fd(int fd) {
    for (;;) {
        if (::fsync(fd) == 0) return true;
        if (errno != EINTR) return false;
    }
}

bool write_all(int fd, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string folder_of(const std::string& path) {
    std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? std::string(".") : dir;
}

std::string base_name_of(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The process in a name `prefix`~PID~XXXXXX made by PrivateDir; 0 if `name`
// is not such a name.
long maker_of(const std::string& name) {
    const size_t first = name.find('~');
    if (first == std::string::npos) return 0;
    const std::string prefix = name.substr(0, first);
    if (prefix != "pixavon" && prefix != "pixavon-camera" && prefix != ".pixavon") return 0;
    const size_t second = name.find('~', first + 1);
    if (second == std::string::npos || name.size() - second - 1 != 6) return 0;
    const std::string digits = name.substr(first + 1, second - first - 1);
    if (digits.empty() || digits.size() > 9) return 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
    }
    return std::stol(digits);
}

// True if the folder open as `dir_fd`, named `name`, holds this tool's marker
// for that name and for this very folder, owned by this user.
bool bears_marker(int dir_fd, const std::string& name) {
    struct stat folder {};
    if (::fstat(dir_fd, &folder) != 0) return false;
    const int fd = ::openat(dir_fd, kMarkerName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const std::string expected = marker_text(name, folder);
    struct stat st {};
    bool ours = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid() &&
                static_cast<uint64_t>(st.st_size) == expected.size();
    if (ours) {
        std::string text(expected.size(), '\0');
        ours = ::pread(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()) && text == expected;
    }
    ::close(fd);
    return ours;
}

// True if the folder open as `dir_fd` holds nothing but what a DurableFile
// puts in it: the marker, and the file being written.
bool holds_only_staged(int dir_fd) {
    const int fd = ::openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = fd < 0 ? nullptr : ::fdopendir(fd);
    if (d == nullptr) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    bool only = true;
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if ((name != kMarkerName && name != kStagedName) ||
            ::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
            only = false;
            break;
        }
    }
    ::closedir(d);
    return only;
}

// A no-replace rename; false (errno EEXIST) when `to` exists.
bool rename_no_replace(const std::string& from, const std::string& to) {
    if (!g_force_plain_rename.load()) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    }
    // The file system cannot rename without replacing (FUSE file systems that
    // do not implement it, some network ones): the name is checked first. A
    // file made under that name by another program between the check and the
    // rename, a window of a few microseconds, would be replaced; on these file
    // systems nothing narrower is possible without hard links.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    if (errno != ENOENT) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

DiskError::DiskError(std::string path, int error)
    : std::runtime_error(system_error(error)), path_(std::move(path)), error_(error) {}

PrivateDir::PrivateDir(const std::string& base, const std::string& prefix) {
    std::string pattern = base + "/" + prefix + "~" + std::to_string(::getpid()) + "~XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw DiskError(base, errno);
    path_ = pattern;
    lock_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ >= 0) ::flock(fd_of(lock_), LOCK_EX | LOCK_NB);
    struct stat folder {};
    const int fd = lock_ < 0 || ::fstat(fd_of(lock_), &folder) != 0
                       ? -1
                       : ::openat(fd_of(lock_), kMarkerName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const std::string text = marker_text(base_name_of(path_), folder);
    const bool marked = fd >= 0 && write_all(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (!marked) {
        const std::string made = std::exchange(path_, {});
        std::error_code ignored;
        std::filesystem::remove_all(made, ignored);
        if (lock_ >= 0) ::close(fd_of(std::exchange(lock_, -1)));
        throw DiskError(base, error);
    }
}

PrivateDir::~PrivateDir() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    if (lock_ >= 0) ::close(fd_of(lock_));
}

PrivateDir::PrivateDir(PrivateDir&& other) noexcept
    : path_(std::exchange(other.path_, {})), lock_(std::exchange(other.lock_, -1)) {}

PrivateDir& PrivateDir::operator=(PrivateDir&& other) noexcept {
    if (this != &other) {
        PrivateDir old(std::move(*this));
        path_ = std::exchange(other.path_, {});
        lock_ = std::exchange(other.lock_, -1);
    }
    return *this;
}

DurableFile::DurableFile(std::string path) : path_(std::move(path)), folder_(folder_of(path_)) {
    try {
        stage_ = PrivateDir(folder_, ".pixavon");
    } catch (const DiskError& error) {
        throw DiskError(path_, error.error());
    }
    temp_ = stage_.path() + "/" + kStagedName;
    // Made with the usual mode of a new file (0666 less the umask).
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int error = errno;
        stage_ = PrivateDir();
        throw DiskError(path_, error);
    }
}

DurableFile::~DurableFile() { discard(); }

void DurableFile::discard() {
    if (fd_ >= 0) ::close(fd_of(std::exchange(fd_, -1)));
    stage_ = PrivateDir();  // removes the temporary file with its folder
}

void DurableFile::write(const uint8_t* data, size_t size) {
    if (fd_ < 0) throw DiskError(path_, EBADF);
    if (!write_all(fd_of(fd_), data, size)) throw DiskError(path_, errno);
}

bool DurableFile::commit(bool replace) {
    if (fd_ < 0) throw DiskError(path_, EBADF);
    const bool synced = sync_fd(fd_of(fd_));
    int error = errno;
    const bool closed = ::close(fd_of(std::exchange(fd_, -1))) == 0;
    if (synced && !closed) error = errno;
    if (!synced || !closed) {
        discard();
        throw DiskError(path_, error);
    }
    const bool placed = replace ? ::rename(temp_.c_str(), path_.c_str()) == 0 : rename_no_replace(temp_, path_);
    error = errno;
    discard();
    if (!placed) {
        if (!replace && error == EEXIST) return false;
        throw DiskError(path_, error);
    }
    try {
        sync_folder(folder_);
    } catch (const DiskError&) {
        // The name may not survive a power cut: a new file is taken back
        // rather than reported as saved.
        if (!replace) ::unlink(path_.c_str());
        throw;
    }
    return true;
}

bool write_file_durably(const std::string& path, const std::vector<uint8_t>& bytes, bool replace) {
    struct stat st {};
    if (!replace && ::lstat(path.c_str(), &st) == 0) return false;
    DurableFile file(path);
    file.write(bytes.data(), bytes.size());
    return file.commit(replace);
}

bool write_file_durably(const std::string& path, std::string_view text, bool replace) {
    return write_file_durably(path, std::vector<uint8_t>(text.begin(), text.end()), replace);
}

void os::File::append_durably(const std::string& path, std::string_view bytes) {
    if (handle_ < 0) throw DiskError(path, EBADF);
    if (!write_all(fd_of(handle_), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) ||
        !sync_fd(fd_of(handle_))) {
        throw DiskError(path, errno);
    }
}

void sync_folder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw DiskError(dir, errno);
    // EINVAL: the file system keeps no folder to sync (some FUSE ones); its
    // names are as safe as it can make them.
    const bool synced = sync_fd(fd) || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    if (!synced) throw DiskError(dir, error);
}

void remove_leftovers(const std::string& dir) {
    const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) return;
    DIR* d = ::fdopendir(dir_fd);
    if (d == nullptr) {
        ::close(dir_fd);
        return;
    }
    std::vector<std::string> gone, staged;
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        const long pid = maker_of(name);
        if (pid <= 0 || pid == ::getpid()) continue;
        struct stat st {};
        if (::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::getuid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running
        const int fd = ::openat(dir_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        // Not held by a live process either (one in another pid namespace),
        // and made by this tool, here. A DurableFile's folder, which sits
        // among a person's files, holds only the file being written.
        const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        const bool ours = free && bears_marker(fd, name);
        const bool stage = name.front() == '.';
        if (ours && stage && holds_only_staged(fd)) staged.push_back(name);
        if (ours && !stage) gone.push_back(dir + "/" + name);
        ::close(fd);
    }
    for (const std::string& name : staged) {
        // Name by name: whatever came into it since stays, and the folder too.
        const int fd = ::openat(dir_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        ::unlinkat(fd, kStagedName, 0);
        ::unlinkat(fd, kMarkerName, 0);
        ::close(fd);
        ::unlinkat(dir_fd, name.c_str(), AT_REMOVEDIR);
    }
    ::closedir(d);
    for (const std::string& path : gone) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

namespace seam {
void force_plain_rename(bool on) { g_force_plain_rename.store(on); }
}  // namespace seam

}  // namespace pixavon::host
