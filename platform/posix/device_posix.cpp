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
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/posix_parts.h"

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
constexpr int kSocketTimeoutSeconds = 60;

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

// Writes every byte or fails; never raises SIGPIPE.
bool WriteAll(const PosixDevice& device, const struct iovec* parts, int count) {
    std::vector<struct iovec> pending(parts, parts + count);
    std::size_t first = 0;
    while (first < pending.size()) {
        if (pending[first].iov_len == 0) {
            ++first;
            continue;
        }
        ssize_t written;
        if (device.transport == Transport::Socket) {
            struct msghdr message {};
            message.msg_iov = &pending[first];
            message.msg_iovlen = pending.size() - first;
            written = ::sendmsg(device.fd, &message, MSG_NOSIGNAL);
        } else {
            written = ::writev(device.fd, &pending[first], static_cast<int>(pending.size() - first));
        }
        if (written < 0) {
            if (errno == EINTR) continue;
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

// Reads exactly `length` bytes; an end of stream before that is a failure.
bool ReadExactly(int fd, std::uint8_t* data, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd, data + done, length - done);
        if (got < 0) {
            if (errno == EINTR) continue;
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
    if (!WriteAll(device, parts, 2) || !ReadExactly(device.fd, &reply, 1) ||
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
    if (!WriteAll(device, &part, 1)) {
        device.broken = true;
        return false;
    }
    std::uint32_t done = 0;
    while (done < length) {
        std::uint8_t kind = 0;
        if (!ReadExactly(device.fd, &kind, 1)) {
            device.broken = true;
            return false;
        }
        if (kind == kFailed) {
            return false;
        }
        std::uint8_t size_bytes[4];
        if (kind != kData || !ReadExactly(device.fd, size_bytes, sizeof size_bytes)) {
            device.broken = true;
            return false;
        }
        const std::uint32_t piece = GetLe32(size_bytes);
        if (piece == 0 || piece > length - done || !ReadExactly(device.fd, data + done, piece)) {
            device.broken = true;
            return false;
        }
        done += piece;
    }
    return true;
}

PosixDevice* ConnectSocket(const std::string& path) {
    struct sockaddr_un address {};
    if (path.size() >= sizeof address.sun_path) {
        return nullptr;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    const struct timeval timeout = {kSocketTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const struct sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    auto* device = new PosixDevice{fd, Transport::Socket, false};
    std::uint8_t reply = 0;
    const struct iovec hello = {const_cast<std::uint8_t*>(&kHello), 1};
    if (rc < 0 || !WriteAll(*device, &hello, 1) || !ReadExactly(fd, &reply, 1) || reply != kOk) {
        ::close(fd);
        delete device;
        return nullptr;
    }
    return device;
}

PosixDevice* OpenCharacterDevice(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return nullptr;
    }
    return new PosixDevice{fd, Transport::CharacterDevice, false};
}

}  // namespace

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
    const int dir_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (dir_fd < 0) {
        return nullptr;
    }
    // Nobody else may plant a camera here.
    struct stat dir_stat {};
    if (::fstat(dir_fd, &dir_stat) != 0 || dir_stat.st_uid != ::geteuid() ||
        (dir_stat.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(dir_fd);
        return nullptr;
    }
    DIR* listing = ::fdopendir(dir_fd);
    if (listing == nullptr) {
        ::close(dir_fd);
        return nullptr;
    }
    std::vector<std::string> names;
    while (const struct dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat entry_stat {};
        if (::fstatat(dir_fd, name.c_str(), &entry_stat, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISSOCK(entry_stat.st_mode) || S_ISCHR(entry_stat.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(listing);  // also closes dir_fd
    if (names.empty()) {
        return nullptr;
    }
    const std::string first = *std::min_element(names.begin(), names.end());
    const std::string path = directory + "/" + first;
    struct stat entry_stat {};
    if (::lstat(path.c_str(), &entry_stat) != 0) {
        return nullptr;
    }
    if (S_ISSOCK(entry_stat.st_mode)) {
        return ConnectSocket(path);
    }
    if (S_ISCHR(entry_stat.st_mode)) {
        return OpenCharacterDevice(path);
    }
    return nullptr;
}

bool CloseDeviceHandle(void* handle) {
    auto* device = static_cast<PosixDevice*>(handle);
    if (device == nullptr) {
        return false;
    }
    // close() releases the descriptor even when it reports an error; never retry.
    const bool closed = ::close(device->fd) == 0;
    delete device;
    return closed;
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
    return WriteAll(*device, &part, 1);
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
    return ReadExactly(device->fd, data, length);
}

}  // namespace pixavon::posix
