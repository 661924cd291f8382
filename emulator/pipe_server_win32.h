// The camera's side of the host link on Windows: a named pipe that serves the
// device model (device_model.h) to one host at a time, with the same framing
// as the Unix socket link (described at the top of server.cpp). A camera
// emulated inside a Windows program serves its card this way to pixavon.dll,
// which opens the pipe by its name.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "device_model.h"

namespace pixavon::emu {

// The pipe cannot be created: the name is taken, or the system refuses.
class SetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Server {
public:
    // Creates the pipe `name` (\\.\pipe\..., ASCII), which must not exist yet;
    // only programs of this computer can reach it, and only the one this
    // process runs is served. Throws SetupError.
    Server(Flash& flash, const std::string& name);
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server();

    const std::string& name() const { return name_; }

    // Serves hosts, one after the other, until request_stop(). On return the
    // connection is closed.
    void run();
    // Makes run() return soon. Safe from any thread.
    void request_stop() const noexcept;

private:
    class Connection;
    friend class Connection;

    // Starts `started` (an overlapped call's result) and waits for it or a
    // stop. The bytes it moved; throws on a stop or a broken link.
    DWORD finish(BOOL started, OVERLAPPED& overlapped);
    // Waits for the next host of this process; throws on a stop.
    void accept();

    std::string name_;
    DeviceModel model_;
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    HANDLE stop_ = nullptr;
    HANDLE io_done_ = nullptr;
};

}  // namespace pixavon::emu
