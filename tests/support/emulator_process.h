// Starts a pixavon-emu process with a private card and device directory, for
// tests that talk to a camera. A Windows test program under wine has it
// started by pixavon-emu-launcher (whose port is in $PIXAVON_LAUNCHER_PORT),
// as a camera plugged into the program's own wine prefix; its paths are then
// Windows paths to the same files.
//
// Layout of temp_dir(): dev/ (the device directory, mode 0700; point
// PIXAVON_DEVICE_DIR at it), card.bin, trace.txt, stderr.txt.
#pragma once

#if !defined(_WIN32)
#  include <sys/types.h>
#endif

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "support/test_data.h"

namespace pixavon::test {

struct EmulatorOptions {
    int size_mib = 8;                     // used with --create for a fresh card
    bool create = true;                   // pass --create size_mib (unless card.bin exists)
    std::vector<std::string> extra_args;  // e.g. {"--fail-write", "3", "--short-reads"}
    bool trace = true;                    // pass --trace <tmp>/trace.txt
    std::string name = "lumetta0";
};

class EmulatorProcess {
public:
    // What wait_exit() returns when the process did not exit in time.
    static constexpr int kTimedOut = INT_MIN;

    // Makes the private temp dir (0700) with dev/; does not start the emulator.
    explicit EmulatorProcess(EmulatorOptions options = {});
    // Stops the emulator if it runs (SIGTERM, then SIGKILL after 10 s) and
    // removes the temp dir.
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // Spawns the emulator and waits (up to 10 s) until it prints its socket
    // path. Throws std::runtime_error, with the emulator's stderr, if it exits or
    // stays silent. May be called again after the process has ended.
    void start();
    // SIGTERM, then waits. Returns the exit status, or -signal if it was killed;
    // if it had already ended, its status from then.
    int stop();
    bool running() const;
    // Waits up to `timeout_ms` for the process to end by itself. Returns what
    // stop() would, or kTimedOut (the process is left running).
    int wait_exit(int timeout_ms);
#if !defined(_WIN32)
    pid_t pid() const { return pid_; }
#endif

    const std::string& temp_dir() const { return temp_dir_; }
    std::string device_dir() const;
    std::string card_path() const;
    std::string trace_path() const;
    std::string socket_path() const;  // the line the emulator printed; empty before start()

    std::vector<uint8_t> card_bytes() const;
    void write_card_bytes(const std::vector<uint8_t>& bytes);
    std::vector<std::string> trace_lines() const;  // empty if there is no trace yet
    std::string stderr_text() const;

private:
    EmulatorOptions options_;
    std::string temp_dir_;
    std::string socket_path_;
#if defined(_WIN32)
    // One request line to the launcher and its answer; throws on "error".
    std::string Ask(const std::string& request) const;
    uintptr_t link_;  // the launcher connection (a SOCKET)
#else
    void reap(int status) const;
    mutable pid_t pid_ = -1;  // -1 once reaped
    mutable int exit_status_ = 0;
    int stdout_fd_ = -1;
#endif
};

}  // namespace pixavon::test
