#include "platform/posix/system_calls.h"

#include <fcntl.h>
#include <unistd.h>

namespace pixavon::posix {
namespace {

constexpr SystemCalls kReal = {
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    [](int dir_fd, const char* name, int flags, mode_t mode) { return ::openat(dir_fd, name, flags, mode); },
    ::close,
    ::dup,
    ::read,
    ::write,
    ::writev,
    ::lseek,
    ::fstat,
    ::fstatat,
    ::stat,
    ::unlink,
    ::fdopendir,
    ::readdir,
    ::closedir,
    ::socket,
    ::connect,
    ::setsockopt,
    ::getsockopt,
    ::recv,
    ::sendmsg,
    ::poll,
    ::clock_gettime,
    ::nanosleep,
    ::geteuid,
};

const SystemCalls* g_installed = nullptr;

}  // namespace

const SystemCalls& RealSystemCalls() { return kReal; }

const SystemCalls& System() { return g_installed != nullptr ? *g_installed : kReal; }

const SystemCalls* InstallSystemCalls(const SystemCalls* calls) {
    const SystemCalls* previous = g_installed;
    g_installed = calls;
    return previous;
}

}  // namespace pixavon::posix
