// Lumetta camera emulator: the host link.
//
// Transport (a Unix SOCK_STREAM socket, or TCP on 127.0.0.1 for a wine prefix;
// all integers little-endian)
// -----------------------------------------------------------------------------
// Host -> device frames:
//   'H'                      hello, once, as the first byte after connect. The
//                            device answers 'K' if it serves this connection. A
//                            device that already has a host accepts the new
//                            connection and closes it at once, without a byte.
//   'W' u32 len, len bytes   one platform write: one message whose boundaries
//                            the device sees (a command packet, or the data
//                            after a WRITE command). Answer: 'K' accepted or
//                            'E' failed, sent after all len bytes are consumed.
//                            The payload is streamed, never buffered whole.
//   'R' u32 count            one platform read of exactly count (>= 1) bytes.
//                            Answer: pieces 'D' u32 n, n bytes (n >= 1) adding
//                            up to count, or 'E' (the read failed). An 'E' may
//                            follow some pieces; then no more pieces follow.
// Any other frame byte, a missing or repeated hello, or a read of 0 bytes is a
// protocol error: the device closes the connection (and says why on stderr).
// The device never sends a byte that was not asked for.
//
// What the device does with the messages and reads, the trace and the faults
// are the device model's (device_model.h). The link adds:
//   short_reads   read data goes out in random pieces of 1..97 bytes.
//   unplug        once the model has answered the packet it unplugs after, the
//                 socket entry is removed (and before_vanishing called), then the
//                 connection is dropped and run() returns kUnplugged.
//   power cut     the connection is dropped without an answer in the middle
//                 of the command, the card synced as the cut left it, and
//                 run() returns kPowerCut.
//
// A second host is turned away when the current host has not left within two
// seconds of its arrival (a host that closes and at once opens again may be
// heard opening first: wine's driver closes late). Meanwhile it waits in the
// listen queue, as it does while the current host streams a long message.

#include "server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <utility>
#include <vector>

namespace pixavon::emu {
namespace {

constexpr uint32_t kShortPieceMax = 97;
constexpr auto kSuccessorWait = std::chrono::seconds(2);
constexpr size_t kPieceMax = 64 * 1024;
constexpr size_t kInputBuffer = 64 * 1024;

// Thrown inside a connection; both unwind to Server::run().
struct StopRequested {};
struct LinkClosed {};

std::string sys_error(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string hex_byte(uint8_t value) {
    std::array<char, 4> text{};
    std::snprintf(text.data(), text.size(), "%02X", static_cast<unsigned>(value));
    return text.data();
}

uint32_t load_le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void store_le32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

sockaddr_un unix_address(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        throw SetupError("socket path '" + path + "' is empty or longer than " +
                         std::to_string(sizeof(address.sun_path) - 1) + " bytes");
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

std::string default_device_dir() {
    const char* dir = std::getenv("PIXAVON_DEVICE_DIR");
    if (dir != nullptr && dir[0] != '\0') return dir;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0') return std::string(runtime) + "/pixavon";
    return "/tmp/pixavon-" + std::to_string(::getuid());
}

void ensure_device_dir(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) == 0) {
        // mkdir's mode is filtered by the umask; make it exactly 0700.
        if (::chmod(dir.c_str(), 0700) != 0) throw SetupError(sys_error("cannot set mode of " + dir));
        return;
    }
    if (errno != EEXIST) throw SetupError(sys_error("cannot create device directory " + dir));
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        throw SetupError(dir + " exists and is not a directory");
    }
    // The library only looks in a directory that nobody else can plant a
    // camera in; serving from any other would leave the camera unseen.
    if (st.st_uid != ::geteuid()) {
        throw SetupError("device directory " + dir + " belongs to uid " + std::to_string(st.st_uid) +
                         ", not to this user; the library will not look in it");
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        throw SetupError("device directory " + dir +
                         " is writable by group or others; the library will not look in it");
    }
}

// ---------------------------------------------------------------------------
// One host connection.

class Server::Connection {
public:
    Connection(Server& server, int fd) : server_(server), fd_(fd), input_(kInputBuffer) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { ::close(fd_); }

    // Serves the host until it leaves. Returns true if the camera is gone
    // (unplugged or its power cut). StopRequested passes through, after the
    // pending command is traced.
    bool serve() {
        DeviceModel& model = server_.model_;
        try {
            if (read_u8() != 'H' || !model.connect()) {
                protocol_error("expected hello");
                return model.gone();
            }
            send_byte('K');
            while (!model.gone()) {
                const uint8_t frame = read_u8();
                if (frame == 'W') {
                    on_write(read_u32());
                } else if (frame == 'R') {
                    on_read(read_u32());
                } else {
                    protocol_error("unexpected frame byte 0x" + hex_byte(frame));
                    break;
                }
            }
        } catch (const LinkClosed&) {
        } catch (...) {
            model.disconnect();
            throw;
        }
        model.disconnect();
        return model.gone();
    }

private:
    // --- socket input/output ---------------------------------------------------

    // Waits until the host socket is ready for `events`, turning away any other
    // connection that arrives meanwhile, once the host has not left within
    // kSuccessorWait of its arrival. Throws StopRequested.
    void wait_for(short events) {
        for (;;) {
            // While a newcomer waits, only the host and a stop are watched.
            const bool newcomer = newcomer_since_.has_value();
            int timeout = -1;
            if (newcomer) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    *newcomer_since_ + kSuccessorWait - std::chrono::steady_clock::now());
                timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
            }
            std::array<pollfd, 3> fds{
                {{fd_, events, 0}, {server_.stop_fd_, POLLIN, 0}, {server_.listen_fd_, POLLIN, 0}}};
            const int rc = ::poll(fds.data(), newcomer ? 2 : 3, timeout);
            if (rc < 0) {
                if (errno == EINTR) continue;
                throw LinkClosed{};
            }
            if (fds[1].revents != 0) throw StopRequested{};
            // The host first: if it has just left, the newcomer is its successor,
            // not an intruder, and run() will accept it.
            if (fds[0].revents != 0) return;
            if (!newcomer && fds[2].revents != 0) {
                newcomer_since_ = std::chrono::steady_clock::now();
            } else if (newcomer && rc == 0) {
                const int busy = ::accept4(server_.listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (busy >= 0) ::close(busy);
                newcomer_since_.reset();
            }
        }
    }

    void fill() {
        input_pos_ = 0;
        input_len_ = 0;
        for (;;) {
            const ssize_t got = ::recv(fd_, input_.data(), input_.size(), MSG_DONTWAIT);
            if (got > 0) {
                input_len_ = static_cast<size_t>(got);
                return;
            }
            if (got == 0) throw LinkClosed{};
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                wait_for(POLLIN);
            } else if (errno != EINTR) {
                throw LinkClosed{};
            }
        }
    }

    // Up to `limit` (>= 1) buffered input bytes, waiting for at least one.
    std::span<const uint8_t> take(uint64_t limit) {
        if (input_pos_ == input_len_) fill();
        const size_t n = static_cast<size_t>(std::min<uint64_t>(limit, input_len_ - input_pos_));
        std::span<const uint8_t> out(input_.data() + input_pos_, n);
        input_pos_ += n;
        return out;
    }

    void read_exact(uint8_t* out, size_t length) {
        while (length > 0) {
            const std::span<const uint8_t> got = take(length);
            std::memcpy(out, got.data(), got.size());
            out += got.size();
            length -= got.size();
        }
    }

    uint8_t read_u8() { return take(1)[0]; }

    uint32_t read_u32() {
        std::array<uint8_t, 4> raw{};
        read_exact(raw.data(), raw.size());
        return load_le32(raw.data());
    }

    void send_all(const uint8_t* data, size_t length) {
        while (length > 0) {
            const ssize_t sent = ::send(fd_, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent > 0) {
                data += sent;
                length -= static_cast<size_t>(sent);
            } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                wait_for(POLLOUT);
            } else if (sent < 0 && errno == EINTR) {
                continue;
            } else {
                throw LinkClosed{};
            }
        }
    }

    void send_byte(uint8_t byte) { send_all(&byte, 1); }

    void protocol_error(const std::string& why) {
        std::cerr << "pixavon-emu: protocol error: " << why << "; closing the connection\n";
    }

    // --- messages and reads --------------------------------------------------

    void on_write(uint32_t length) {
        DeviceModel& model = server_.model_;
        model.begin_message(length);
        // The payload is streamed into the model, never buffered whole; after a
        // power cut nothing more is taken from the host.
        for (uint64_t left = length; left > 0 && !model.gone();) {
            const std::span<const uint8_t> piece = take(left);
            model.feed(piece);
            left -= piece.size();
        }
        const DeviceModel::Reply reply = model.end_message();
        if (reply != DeviceModel::Reply::kGone) send_byte(reply == DeviceModel::Reply::kAccepted ? 'K' : 'E');
    }

    void on_read(uint32_t count) {
        if (count == 0) {
            protocol_error("read of 0 bytes");
            throw LinkClosed{};
        }
        const DeviceModel::Reply reply =
            server_.model_.read(count, [this](std::span<const uint8_t> bytes) { send_pieces(bytes); });
        if (reply == DeviceModel::Reply::kFailed) send_byte('E');
    }

    // Sends `bytes` as data pieces: up to 64 KiB each, or random short ones.
    void send_pieces(std::span<const uint8_t> bytes) {
        std::vector<uint8_t>& piece = output_;
        std::uniform_int_distribution<uint32_t> short_size(1, kShortPieceMax);
        while (!bytes.empty()) {
            size_t n = server_.options_.faults.short_reads ? short_size(server_.rng_) : kPieceMax;
            n = std::min(n, bytes.size());
            piece[0] = 'D';
            store_le32(&piece[1], static_cast<uint32_t>(n));
            std::memcpy(&piece[5], bytes.data(), n);
            send_all(piece.data(), 5 + n);
            bytes = bytes.subspan(n);
        }
    }

    Server& server_;
    int fd_;
    // When a connection arrived while this host is served; it is its successor
    // if this host leaves within kSuccessorWait (a host that closes and opens
    // again at once may be heard opening before closing, through wine).
    std::optional<std::chrono::steady_clock::time_point> newcomer_since_;
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_ = std::vector<uint8_t>(5 + kPieceMax);
    size_t input_pos_ = 0;
    size_t input_len_ = 0;
};

// ---------------------------------------------------------------------------

Server::Server(Card& card, ServerOptions options)
    : card_(card),
      options_(std::move(options)),
      model_(card.flash(), options_.faults, [this](const std::string& line) { trace(line); }),
      rng_(std::random_device{}()) {
    try {
        stop_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (stop_fd_ < 0) throw SetupError(sys_error("eventfd"));
        if (options_.tcp_loopback) {
            listen_on_loopback();
        } else {
            listen_on_entry();
        }

        if (!options_.trace_path.empty()) {
            trace_ = std::fopen(options_.trace_path.c_str(), "ae");
            if (trace_ == nullptr) throw SetupError(sys_error("cannot open trace file " + options_.trace_path));
        }
    } catch (...) {
        shut_down();
        close_fd(stop_fd_);
        throw;
    }
}

void Server::listen_on_entry() {
    const sockaddr_un address = unix_address(options_.socket_path);
    const std::string& path = options_.socket_path;

    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) throw SetupError(path + " exists and is not a socket; not replacing it");
        int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (probe < 0) throw SetupError(sys_error("socket"));
        const int rc = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        const int error = errno;
        ::close(probe);
        if (rc == 0 || error == EAGAIN || error == EINPROGRESS) {
            throw SetupError("another emulator is already serving " + path);
        }
        if (error != ECONNREFUSED) {
            errno = error;
            throw SetupError(sys_error("cannot probe existing entry " + path));
        }
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw SetupError(sys_error("cannot remove stale " + path));
    }

    listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listen_fd_ < 0) throw SetupError(sys_error("socket"));
    if (::bind(listen_fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw SetupError(sys_error("cannot bind " + path));
    }
    if (::lstat(path.c_str(), &st) != 0) throw SetupError(sys_error("cannot find bound " + path));
    entry_present_ = true;
    entry_dev_ = static_cast<uint64_t>(st.st_dev);
    entry_ino_ = static_cast<uint64_t>(st.st_ino);
    // Nobody can connect before listen(), so fixing the mode here leaves no window.
    if (::chmod(path.c_str(), 0600) != 0) throw SetupError(sys_error("cannot set mode of " + path));
    if (::listen(listen_fd_, 8) != 0) throw SetupError(sys_error("cannot listen on " + path));
}

void Server::listen_on_loopback() {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listen_fd_ < 0) throw SetupError(sys_error("socket"));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (::bind(listen_fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw SetupError(sys_error("cannot bind a loopback TCP port"));
    }
    if (::listen(listen_fd_, 8) != 0) throw SetupError(sys_error("cannot listen on a loopback TCP port"));
    tcp_port_ = ntohs(address.sin_port);
}

Server::~Server() {
    shut_down();
    close_fd(stop_fd_);
    if (trace_ != nullptr) std::fclose(trace_);
}

void Server::request_stop() const noexcept {
    const uint64_t one = 1;
    // Only fails if the counter would overflow, in which case a stop is pending anyway.
    [[maybe_unused]] const ssize_t written = ::write(stop_fd_, &one, sizeof one);
}

void Server::trace(const std::string& line) {
    if (trace_ == nullptr) return;
    std::fputs(line.c_str(), trace_);
    std::fputc('\n', trace_);
    std::fflush(trace_);
}

void Server::withdraw() {
    close_fd(listen_fd_);
    if (entry_present_) {
        entry_present_ = false;
        struct stat st {};
        const std::string& path = options_.socket_path;
        if (::lstat(path.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_dev) == entry_dev_ &&
            static_cast<uint64_t>(st.st_ino) == entry_ino_) {
            ::unlink(path.c_str());
        }
    }
}

void Server::shut_down() {
    withdraw();
    card_.sync();
    if (trace_ != nullptr) std::fflush(trace_);
}

Server::Outcome Server::run() {
    Outcome outcome = Outcome::kStopped;
    try {
        for (;;) {
            std::array<pollfd, 2> fds{{{listen_fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}}};
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (fds[1].revents != 0) break;
            if (fds[0].revents == 0) continue;
            const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;  // the peer gave up already, or a transient error
            if (options_.tcp_loopback) {
                // Every reply is small and awaited: send it at once.
                const int on = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            }
            Connection connection(*this, fd);
            if (connection.serve()) {
                // Gone before the host notices: it finds no camera afterwards.
                withdraw();
                if (options_.before_vanishing) options_.before_vanishing();
                outcome = model_.power_cut() ? Outcome::kPowerCut : Outcome::kUnplugged;
                break;
            }
        }
    } catch (const StopRequested&) {
    }
    shut_down();
    return outcome;
}

}  // namespace pixavon::emu
