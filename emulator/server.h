// The camera's side of the host link: a Unix stream socket entry that serves
// the device model (device_model.h) to one host at a time, with the framing
// described at the top of server.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>

#include "card.h"
#include "device_model.h"

namespace pixavon::emu {

struct ServerOptions {
    std::string socket_path;  // full path of the socket entry to create
    // Listen on 127.0.0.1 at a port the system picks instead of a socket
    // entry (for hosts that have no Unix sockets, such as wine's).
    bool tcp_loopback = false;
    // Called when the camera has vanished (an unplug or a power cut), before
    // its host's connection is dropped, so that the host finds no camera once
    // it notices.
    std::function<void()> before_vanishing = nullptr;
    std::string trace_path;  // empty: no trace
    FaultPlan faults;
};

// The socket entry cannot be created, or another emulator is serving it.
class SetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The directory the library looks in: $PIXAVON_DEVICE_DIR, else
// $XDG_RUNTIME_DIR/pixavon, else /tmp/pixavon-<uid>.
std::string default_device_dir();

// Creates `dir` (mode 0700) if it is missing; its parent must exist. An
// existing one must, as the library requires, be a directory of this user's
// that group and others cannot write (else SetupError).
void ensure_device_dir(const std::string& dir);

class Server {
public:
    enum class Outcome { kStopped, kUnplugged, kPowerCut };

    // Creates the socket entry (mode 0600), replacing a stale one, or the
    // loopback TCP socket, and starts listening. Throws SetupError.
    Server(Card& card, ServerOptions options);
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server();

    const std::string& socket_path() const { return options_.socket_path; }
    // The TCP port listened on with tcp_loopback, else 0.
    uint16_t tcp_port() const { return tcp_port_; }

    // Serves hosts until request_stop(), an unplug fault or a power cut. On
    // return the connection is closed, the socket entry removed and the card
    // synced (after a power cut, as the cut left it).
    Outcome run();

    // Makes run() return soon. Safe from any thread and from a signal handler.
    void request_stop() const noexcept;
    // The descriptor request_stop() writes to, for signal handlers that cannot
    // reach the object.
    int stop_fd() const { return stop_fd_; }

private:
    class Connection;
    friend class Connection;

    void trace(const std::string& line);
    void listen_on_entry();
    void listen_on_loopback();
    // Stops listening and removes the socket entry.
    void withdraw();
    void shut_down();

    Card& card_;
    ServerOptions options_;
    DeviceModel model_;
    int listen_fd_ = -1;
    int stop_fd_ = -1;
    uint16_t tcp_port_ = 0;
    std::FILE* trace_ = nullptr;
    bool entry_present_ = false;
    uint64_t entry_dev_ = 0;  // identity of the entry we bound, so we never remove another's
    uint64_t entry_ino_ = 0;
    std::minstd_rand rng_;
};

}  // namespace pixavon::emu
