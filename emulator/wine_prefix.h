// Plugging the emulated camera into a wine prefix: the camera's kernel driver
// (pixavoncam.sys, built for Windows) is installed and started there and
// reaches the emulator over TCP loopback; the camera's device interface is
// registered as present, so that pixavon.dll finds it through its own
// discovery. Both are done by pixavon-wine-plug.exe, run with wine.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pixavon::emu {

class WinePrefix {
public:
    // `files_dir` holds pixavoncam.sys and pixavon-wine-plug.exe. Throws
    // SetupError if either is missing.
    WinePrefix(const std::string& prefix, const std::string& files_dir);
    ~WinePrefix();
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    // Installs and starts the driver for the emulator at 127.0.0.1:`port` and
    // marks the interface present. Returns the device path as a Windows
    // program sees it. The helper that plugged it stays, keeping the
    // prefix's wine session and so the driver alive, until unplug(). Throws
    // SetupError.
    std::string plug(uint16_t port);
    // Marks the interface absent: discovery no longer finds the camera.
    void hide();
    // Marks the interface absent and removes the driver; a host's open handle
    // then fails. Best effort, as hide(): problems are reported on stderr.
    // Then lets the plugging helper go.
    void unplug();

private:
    // Starts the helper with `args` under wine, its standard output a pipe
    // returned in `output` and its standard input one returned in `input`
    // (/dev/null when `input` is null). Returns its pid, -1 if it could not
    // be started.
    pid_t spawn_helper(const std::vector<std::string>& args, int* input, int* output) const;
    // Runs the helper with `args` under wine; returns its exit status (-1 if
    // it could not be run) and its standard output in `output`.
    int run_helper(const std::vector<std::string>& args, std::string& output) const;
    // Ends the plugging helper's input and waits for it; its exit status, -1
    // if none was running.
    int release_session();
    void run_step(const char* step);

    std::string prefix_;
    std::string driver_;
    std::string helper_;
    pid_t session_pid_ = -1;
    int session_input_ = -1;
};

// Where pixavoncam.sys and pixavon-wine-plug.exe are looked for by default:
// the running program's directory, or else build-win32/ beside it (the
// Windows build of the same source tree).
std::string default_wine_files_dir();

}  // namespace pixavon::emu
