// The system calls of the POSIX platform, as one table of function pointers.
//
// Every call the platform makes to the kernel goes through System(), so that
// tests can put a table of their own in its place and make any call fail,
// return short or be interrupted, as a real device or disk does now and then.
// The real table holds the C library's functions and nothing else.
#pragma once

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <time.h>

namespace pixavon::posix {

struct SystemCalls {
    // Files and directories
    int (*open)(const char* path, int flags, mode_t mode);
    int (*openat)(int dir_fd, const char* name, int flags, mode_t mode);
    int (*close)(int fd);
    int (*dup)(int fd);
    ssize_t (*read)(int fd, void* data, size_t length);
    ssize_t (*write)(int fd, const void* data, size_t length);
    ssize_t (*writev)(int fd, const struct iovec* parts, int count);
    off_t (*lseek)(int fd, off_t offset, int whence);
    int (*fstat)(int fd, struct stat* info);
    int (*fstatat)(int dir_fd, const char* name, struct stat* info, int flags);
    int (*stat)(const char* path, struct stat* info);
    int (*unlink)(const char* path);
    DIR* (*fdopendir)(int fd);
    struct dirent* (*readdir)(DIR* listing);
    int (*closedir)(DIR* listing);
    // Sockets and waiting
    int (*socket)(int domain, int type, int protocol);
    int (*connect)(int fd, const struct sockaddr* address, socklen_t size);
    int (*setsockopt)(int fd, int level, int name, const void* value, socklen_t size);
    int (*getsockopt)(int fd, int level, int name, void* value, socklen_t* size);
    ssize_t (*recv)(int fd, void* data, size_t length, int flags);
    ssize_t (*sendmsg)(int fd, const struct msghdr* message, int flags);
    int (*poll)(struct pollfd* fds, nfds_t count, int timeout_ms);
    // Time and identity
    int (*clock_gettime)(clockid_t clock, struct timespec* now);
    int (*nanosleep)(const struct timespec* wanted, struct timespec* left);
    uid_t (*geteuid)();
};

// The C library's own calls.
const SystemCalls& RealSystemCalls();

// The table in use: the real one unless a test installed another.
const SystemCalls& System();

// Installs `calls` (nullptr restores the real table) and returns the previous
// one. `calls` must outlive its use.
const SystemCalls* InstallSystemCalls(const SystemCalls* calls);

}  // namespace pixavon::posix
