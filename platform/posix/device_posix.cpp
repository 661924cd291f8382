// Finding and talking to the camera on POSIX.
//
// Cameras are entries of a device directory. A character device is used with
// plain read and write. A Unix socket is a camera served by a driver process;
// over it every platform transfer is one frame (integers little-endian):
//
//   host -> device  'H'                      hello, once after connecting
//   device -> host  'K'                      this connection is served
//                                            (a busy device closes instead)
//   host -> device  'W' u32 n, n bytes       one write, a message whose
//                                            boundaries the device sees
//   device -> host  'K' or 'E'               taken or failed
//   host -> device  'R' u32 n                one read of exactly n bytes
//   device -> host  'D' u32 k, k bytes ...   pieces adding up to n,
//                   or 'E' at any point      or failure
//
// The device never sends a byte that was not asked for.
//
// Every transfer (one platform read or write, a socket frame with its reply)
// has one deadline for the whole of it, so that a camera that trickles bytes
// cannot hold a call, and the library's lock, for longer than the slowest real
// camera needs.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/posix_parts.h"
#include "platform/posix/system_calls.h"

namespace pixavon::posix {
namespace {

enum class Transport { CharacterDevice, Socket };

struct PosixDevice {
    int fd = -1;
    Transport transport = Transport::CharacterDevice;
    bool broken = false;  // the frame stream lost its place; nothing more can be trusted
};

constexpr std::uint8_t kHello = 'H';
constexpr std::uint8_t kWrite = 'W';
constexpr std::uint8_t kRead = 'R';
constexpr std::uint8_t kData = 'D';
constexpr std::uint8_t kOk = 'K';
constexpr std::uint8_t kFailed = 'E';
constexpr int kSocketTimeoutSeconds = 60;  // connect's wait for a full backlog

// Nanoseconds of the monotonic clock.
using Instant = std::int64_t;

TransferLimits g_limits;

Instant Now() {
    struct timespec now {};
    // The monotonic clock always exists on the systems the library runs on.
    static_cast<void>(System().clock_gettime(CLOCK_MONOTONIC, &now));
    return static_cast<Instant>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

Instant DeadlineFor(std::uint32_t length) {
    return Now() + static_cast<Instant>(TransferTimeLimitMs(length, g_limits)) * 1000000;
}

// A transfer that may go on: interrupted, or not ready after all.
bool IsTransient(int error) {
#if EWOULDBLOCK != EAGAIN
    if (error == EWOULDBLOCK) return true;
#endif
    return error == EINTR || error == EAGAIN;
}

// Waits until `fd` is ready for `events` or the deadline passes (false).
bool WaitReady(int fd, short events, Instant deadline) {
    for (;;) {
        const Instant left_ns = deadline - Now();
        if (left_ns <= 0) {
            return false;
        }
        const Instant left = (left_ns + 999999) / 1000000;  // whole milliseconds, rounded up
        struct pollfd watch = {fd, events, 0};
        const int rc = System().poll(&watch, 1, static_cast<int>(std::min<Instant>(left, INT_MAX)));
        if (rc > 0) {
            return true;  // ready, or an error or hang-up that the transfer itself then meets
        }
        if (rc < 0 && errno != EINTR) {
            return false;
        }
    }
}

void PutLe32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t GetLe32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
           (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

// Writes every byte before the deadline or fails; never raises SIGPIPE.
bool WriteAll(const PosixDevice& device, const struct iovec* parts, int count, Instant deadline) {
    std::vector<struct iovec> pending(parts, parts + count);
    std::size_t first = 0;
    while (first < pending.size()) {
        if (pending[first].iov_len == 0) {
            ++first;
            continue;
        }
        if (!WaitReady(device.fd, POLLOUT, deadline)) {
            return false;
        }
        ssize_t written;
        if (device.transport == Transport::Socket) {
            struct msghdr message {};
            message.msg_iov = &pending[first];
            message.msg_iovlen = pending.size() - first;
            written = System().sendmsg(device.fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        } else {
            written = System().writev(device.fd, &pending[first], static_cast<int>(pending.size() - first));
        }
        if (written < 0) {
            if (IsTransient(errno)) continue;
            return false;
        }
        if (written == 0) {
            return false;
        }
        auto left = static_cast<std::size_t>(written);
        while (first < pending.size() && left >= pending[first].iov_len) {
            left -= pending[first].iov_len;
            ++first;
        }
        if (first < pending.size()) {
            pending[first].iov_base = static_cast<std::uint8_t*>(pending[first].iov_base) + left;
            pending[first].iov_len -= left;
        }
    }
    return true;
}

// Reads exactly `length` bytes before the deadline; an end of stream before
// that is a failure.
bool ReadExactly(const PosixDevice& device, std::uint8_t* data, std::size_t length, Instant deadline) {
    std::size_t done = 0;
    while (done < length) {
        if (!WaitReady(device.fd, POLLIN, deadline)) {
            return false;
        }
        const ssize_t got = device.transport == Transport::Socket
                                ? System().recv(device.fd, data + done, length - done, MSG_DONTWAIT)
                                : System().read(device.fd, data + done, length - done);
        if (got < 0) {
            if (IsTransient(errno)) continue;
            return false;
        }
        if (got == 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool SocketWrite(PosixDevice& device, const std::uint8_t* data, std::uint32_t length) {
    std::uint8_t header[5] = {kWrite};
    PutLe32(header + 1, length);
    const struct iovec parts[2] = {{header, sizeof header}, {const_cast<std::uint8_t*>(data), length}};
    std::uint8_t reply = 0;
    const Instant deadline = DeadlineFor(length);
    if (!WriteAll(device, parts, 2, deadline) || !ReadExactly(device, &reply, 1, deadline) ||
        (reply != kOk && reply != kFailed)) {
        device.broken = true;
        return false;
    }
    return reply == kOk;
}

bool SocketRead(PosixDevice& device, std::uint8_t* data, std::uint32_t length) {
    std::uint8_t request[5] = {kRead};
    PutLe32(request + 1, length);
    const struct iovec part = {request, sizeof request};
    const Instant deadline = DeadlineFor(length);
    if (!WriteAll(device, &part, 1, deadline)) {
        device.broken = true;
        return false;
    }
    std::uint32_t done = 0;
    while (done < length) {
        std::uint8_t kind = 0;
        if (!ReadExactly(device, &kind, 1, deadline)) {
            device.broken = true;
            return false;
        }
        if (kind == kFailed) {
            return false;
        }
        std::uint8_t size_bytes[4];
        if (kind != kData || !ReadExactly(device, size_bytes, sizeof size_bytes, deadline)) {
            device.broken = true;
            return false;
        }
        const std::uint32_t piece = GetLe32(size_bytes);
        if (piece == 0 || piece > length - done || !ReadExactly(device, data + done, piece, deadline)) {
            device.broken = true;
            return false;
        }
        done += piece;
    }
    return true;
}

// The address of entry `name` of the directory open as `dir_fd`. Where the
// system shows a process its descriptors as paths (/proc/self/fd), the
// address goes through the descriptor, so the socket is looked up in the very
// directory that was checked even if the directories above are changed
// meanwhile. Elsewhere it is the directory's path; the peer check still holds.
std::string SocketAddressOf(int dir_fd, const std::string& directory, const std::string& name) {
#if defined(__linux__)
    struct stat fd_dir {};
    std::string via_fd = "/proc/self/fd/" + std::to_string(dir_fd) + "/" + name;
    if (via_fd.size() < sizeof(sockaddr_un::sun_path) && System().stat("/proc/self/fd", &fd_dir) == 0 &&
        S_ISDIR(fd_dir.st_mode)) {
        return via_fd;
    }
#else
    (void)dir_fd;
#endif
    return directory + "/" + name;
}

// True when the process at the other end of a connected socket is this user
// or root: anyone else's socket is not a camera of ours.
bool PeerIsTrusted(int fd) {
#if defined(SO_PEERCRED)
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (System().getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) {
        return false;
    }
    const uid_t uid = peer.uid;
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(fd, &uid, &gid) != 0) {
        return false;
    }
#endif
    return uid == System().geteuid() || uid == 0;
}

PosixDevice* ConnectSocket(const std::string& path) {
    struct sockaddr_un address {};
    if (path.size() >= sizeof address.sun_path) {
        return nullptr;
    }
    // Allocated first, so that a failed allocation leaves no socket open.
    auto held = std::make_unique<PosixDevice>(PosixDevice{-1, Transport::Socket, false});
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = System().socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    const struct timeval timeout = {kSocketTimeoutSeconds, 0};
    System().setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    int rc;
    do {
        rc = System().connect(fd, reinterpret_cast<const struct sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    held->fd = fd;
    std::uint8_t reply = 0;
    const struct iovec hello = {const_cast<std::uint8_t*>(&kHello), 1};
    const Instant deadline = DeadlineFor(1);
    if (rc < 0 || !PeerIsTrusted(fd) || !WriteAll(*held, &hello, 1, deadline) ||
        !ReadExactly(*held, &reply, 1, deadline) || reply != kOk) {
        System().close(fd);
        return nullptr;
    }
    return held.release();
}

// Opens entry `name` of the directory open as `dir_fd`, never following a
// link, and keeps it only if it is a character device.
PosixDevice* OpenCharacterDevice(int dir_fd, const std::string& name) {
    // Allocated first, so that a failed allocation leaves no device open.
    auto held = std::make_unique<PosixDevice>(PosixDevice{-1, Transport::CharacterDevice, false});
    int fd;
    do {
        fd = System().openat(dir_fd, name.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return nullptr;
    }
    struct stat opened {};
    if (System().fstat(fd, &opened) != 0 || !S_ISCHR(opened.st_mode)) {
        System().close(fd);
        return nullptr;
    }
    held->fd = fd;
    return held.release();
}

}  // namespace

std::uint64_t TransferTimeLimitMs(std::uint32_t length, const TransferLimits& limits) {
    return limits.base_ms + (static_cast<std::uint64_t>(length) * limits.per_64k_ms + 65535) / 65536;
}

void SetTransferLimits(const TransferLimits& limits) { g_limits = limits; }

std::string DeviceDirectory(const EnvLookup& env) {
    const char* explicit_dir = env("PIXAVON_DEVICE_DIR");
    if (explicit_dir != nullptr && *explicit_dir != '\0') {
        return explicit_dir;
    }
    const char* runtime = env("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/pixavon";
    }
    return "/tmp/pixavon-" + std::to_string(::getuid());
}

void* OpenFirstDeviceIn(const std::string& directory) {
    int dir_fd;
    do {
        dir_fd = System().open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW, 0);
    } while (dir_fd < 0 && errno == EINTR);
    if (dir_fd < 0) {
        return nullptr;
    }
    // Nobody else may plant a camera here.
    struct stat dir_stat {};
    if (System().fstat(dir_fd, &dir_stat) != 0 || dir_stat.st_uid != System().geteuid() ||
        (dir_stat.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        System().close(dir_fd);
        return nullptr;
    }
    // The listing gets its own descriptor; dir_fd stays open for the open.
    const int list_fd = System().dup(dir_fd);
    DIR* listing = list_fd < 0 ? nullptr : System().fdopendir(list_fd);
    if (listing == nullptr) {
        if (list_fd >= 0) System().close(list_fd);
        System().close(dir_fd);
        return nullptr;
    }
    std::vector<std::string> names;
    while (const struct dirent* entry = System().readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat entry_stat {};
        if (System().fstatat(dir_fd, name.c_str(), &entry_stat, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISSOCK(entry_stat.st_mode) || S_ISCHR(entry_stat.st_mode)) {
            names.push_back(name);
        }
    }
    System().closedir(listing);  // also closes list_fd
    PosixDevice* device = nullptr;
    if (!names.empty()) {
        const std::string first = *std::min_element(names.begin(), names.end());
        struct stat entry_stat {};
        if (System().fstatat(dir_fd, first.c_str(), &entry_stat, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISSOCK(entry_stat.st_mode)) {
                device = ConnectSocket(SocketAddressOf(dir_fd, directory, first));
            } else if (S_ISCHR(entry_stat.st_mode)) {
                device = OpenCharacterDevice(dir_fd, first);
            }
        }
    }
    System().close(dir_fd);
    return device;
}

bool CloseDeviceHandle(void* handle) {
    const std::unique_ptr<PosixDevice> device(static_cast<PosixDevice*>(handle));
    if (device == nullptr) {
        return false;
    }
    // close() releases the descriptor even when it reports an error; never retry.
    return System().close(device->fd) == 0;
}

bool WriteDeviceHandle(void* handle, const std::uint8_t* data, std::uint32_t length) {
    auto* device = static_cast<PosixDevice*>(handle);
    if (device == nullptr || device->broken) {
        return false;
    }
    if (device->transport == Transport::Socket) {
        return SocketWrite(*device, data, length);
    }
    const struct iovec part = {const_cast<std::uint8_t*>(data), length};
    return WriteAll(*device, &part, 1, DeadlineFor(length));
}

bool ReadDeviceHandle(void* handle, std::uint8_t* data, std::uint32_t length) {
    auto* device = static_cast<PosixDevice*>(handle);
    if (device == nullptr || device->broken) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    if (device->transport == Transport::Socket) {
        return SocketRead(*device, data, length);
    }
    return ReadExactly(*device, data, length, DeadlineFor(length));
}

}  // namespace pixavon::posix
