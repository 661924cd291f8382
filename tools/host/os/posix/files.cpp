// Files, folders and locks on POSIX systems; see os.h.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "card.h"
#include "os/os.h"

namespace pixavon::host::os {
namespace {

// The descriptor a handle holds: handles are wide enough for any system's.
int fd_of(intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

Status status(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {Kind::kMissing, 0, errno};
    if (S_ISREG(st.st_mode)) return {Kind::kFile, static_cast<uint64_t>(st.st_size), 0};
    return {S_ISDIR(st.st_mode) ? Kind::kFolder : Kind::kOther, 0, 0};
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool is_folder(const std::string& path) { return status(path).kind == Kind::kFolder; }

bool same_file(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

std::optional<uint64_t> free_space(const std::string& folder, int* error) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) {
        if (error != nullptr) *error = errno;
        return std::nullopt;
    }
    return static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::vector<std::string> files_matching(const std::string& argument) { return {argument}; }

int make_folders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return error ? error.value() : 0;
}

void remove_file(const std::string& path) { ::unlink(path.c_str()); }

bool make_private_folder(const std::string& path, int* error) {
    if (::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && is_folder(path))) return true;
    if (error != nullptr) *error = errno;
    return false;
}

bool ScratchFile::create(const std::string& folder, const std::string& name) {
    close();
    if (::mkdir(folder.c_str(), 0700) != 0) {
        error_ = errno;
        return false;
    }
    const std::string path = folder + "/" + name;
    handle_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (handle_ < 0) {
        error_ = errno;
        ::rmdir(folder.c_str());
        return false;
    }
    folder_ = folder;
    path_ = path;
    return true;
}

long ScratchFile::read_at(uint64_t offset, void* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::pread(fd_of(handle_), buffer, size, static_cast<off_t>(offset));
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) {
            error_ = errno;
            return -1;
        }
    }
}

bool ScratchFile::write_at(uint64_t offset, const void* buffer, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd_of(handle_), bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ScratchFile::resize(uint64_t size) {
    if (::ftruncate(fd_of(handle_), static_cast<off_t>(size)) == 0) return true;
    error_ = errno;
    return false;
}

void ScratchFile::close() {
    if (handle_ < 0) return;
    ::close(fd_of(handle_));
    handle_ = -1;
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
    path_.clear();
    folder_.clear();
}

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (d == nullptr) return names;
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return names;
}

File::~File() {
    if (handle_ >= 0) ::close(fd_of(handle_));
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)),
      error_(other.error_),
      not_regular_(other.not_regular_),
      offset_(other.offset_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) ::close(fd_of(handle_));
        handle_ = std::exchange(other.handle_, -1);
        error_ = other.error_;
        not_regular_ = other.not_regular_;
        offset_ = other.offset_;
    }
    return *this;
}

bool File::open(const std::string& path, Access access, bool follow_links) {
    if (handle_ >= 0) ::close(fd_of(std::exchange(handle_, -1)));
    error_ = 0;
    not_regular_ = false;
    offset_ = 0;
    int flags = access == Access::kRead ? O_RDONLY : O_RDWR | O_CREAT | O_APPEND;
    if (!follow_links) flags |= O_NOFOLLOW;
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = errno;
        not_regular_ = error_ == ELOOP || error_ == EISDIR || error_ == ENXIO;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        not_regular_ = true;
        error_ = EINVAL;
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    handle_ = fd;
    return true;
}

uint64_t File::size() const {
    struct stat st {};
    return handle_ >= 0 && ::fstat(fd_of(handle_), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

long File::read_at(uint64_t offset, void* buffer, size_t size) {
    if (handle_ < 0) {
        error_ = EBADF;
        return -1;
    }
    for (;;) {
        const ssize_t n = ::pread(fd_of(handle_), buffer, size, static_cast<off_t>(offset));
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) {
            error_ = errno;
            return -1;
        }
    }
}

uint32_t File::links() const {
    struct stat st {};
    return handle_ >= 0 && ::fstat(fd_of(handle_), &st) == 0 ? static_cast<uint32_t>(st.st_nlink) : 0;
}

bool File::in_use() const { return false; }

bool File::try_lock() {
    if (handle_ < 0) return false;
    for (;;) {
        if (::flock(fd_of(handle_), LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EINTR) return errno != EWOULDBLOCK;
    }
}

long File::read(void* buffer, size_t size) {
    const long n = read_at(offset_, buffer, size);
    if (n > 0) offset_ += static_cast<uint64_t>(n);
    return n;
}

bool write_standard_output(const uint8_t* bytes, size_t size, int* error) {
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (error != nullptr) *error = n < 0 ? errno : EIO;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool FolderLock::take(const std::string& folder, long* holder) {
    release();
    if (holder != nullptr) *holder = 0;
    handle_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle_ >= 0 && ::flock(fd_of(handle_), LOCK_EX | LOCK_NB) != 0) {
        if (holder != nullptr) *holder = emu::flock_holder(fd_of(handle_));
        release();
        return false;
    }
    return true;
}

void FolderLock::release() {
    if (handle_ >= 0) ::close(fd_of(std::exchange(handle_, -1)));
}

long lock_holder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const long holder = fd >= 0 ? emu::flock_holder(fd) : 0;
    if (fd >= 0) ::close(fd);
    return holder;
}

}  // namespace pixavon::host::os
