#include "emulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace pixavon::test {
namespace {

constexpr int kStartTimeoutMs = 10'000;
constexpr int kStopTimeoutMs = 10'000;

int decode_status(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return status;
}

}  // namespace

EmulatorProcess::EmulatorProcess(EmulatorOptions options) : options_(std::move(options)) {
    std::string pattern = (std::filesystem::temp_directory_path() / "pixavon-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    }
    temp_dir_ = pattern;
    if (::mkdir(device_dir().c_str(), 0700) != 0 || ::chmod(device_dir().c_str(), 0700) != 0) {
        const std::string error = std::strerror(errno);
        std::error_code ignored;
        std::filesystem::remove_all(temp_dir_, ignored);
        throw std::runtime_error("cannot create " + device_dir() + ": " + error);
    }
}

EmulatorProcess::~EmulatorProcess() {
    if (pid_ > 0) stop();
    if (stdout_fd_ >= 0) ::close(stdout_fd_);
    std::error_code ignored;
    std::filesystem::remove_all(temp_dir_, ignored);
}

void EmulatorProcess::reap(int status) const {
    exit_status_ = decode_status(status);
    pid_ = -1;
}

void EmulatorProcess::start() {
    if (running()) throw std::runtime_error("emulator already running");
    if (stdout_fd_ >= 0) ::close(stdout_fd_);
    stdout_fd_ = -1;
    socket_path_.clear();

    std::vector<std::string> args = {PIXAVON_EMU_PATH, "--card", card_path(),  "--dir",
                                     device_dir(),     "--name", options_.name};
    if (options_.create && !std::filesystem::exists(card_path())) {
        args.insert(args.end(), {"--create", std::to_string(options_.size_mib)});
    }
    if (options_.trace) args.insert(args.end(), {"--trace", trace_path()});
    args.insert(args.end(), options_.extra_args.begin(), options_.extra_args.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
    const std::string stderr_path = temp_dir_ + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    pid_t pid = -1;
    const int spawn_error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawn_error != 0) {
        ::close(out[0]);
        throw std::runtime_error(std::string("cannot spawn ") + argv[0] + ": " + std::strerror(spawn_error));
    }
    pid_ = pid;
    stdout_fd_ = out[0];

    // Wait for the first line: the socket path.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    std::string failure;
    while (failure.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            failure = "emulator did not report its socket within 10 s";
            break;
        }
        pollfd fd{stdout_fd_, POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        char buffer[512];
        const ssize_t got = ::read(stdout_fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            failure = "emulator exited before reporting its socket";
            break;
        }
        line.append(buffer, static_cast<size_t>(got));
        const size_t newline = line.find('\n');
        if (newline != std::string::npos) {
            socket_path_ = line.substr(0, newline);
            return;
        }
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reap(status);
    ::close(stdout_fd_);
    stdout_fd_ = -1;
    throw std::runtime_error(failure + " (exit " + std::to_string(exit_status_) + "); stderr:\n" + stderr_text());
}

bool EmulatorProcess::running() const {
    if (pid_ <= 0) return false;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
        reap(status);
        return false;
    }
    return true;
}

int EmulatorProcess::wait_exit(int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (!running()) {
            if (stdout_fd_ >= 0) ::close(stdout_fd_);
            stdout_fd_ = -1;
            return exit_status_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return kTimedOut;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int EmulatorProcess::stop() {
    if (running()) {
        ::kill(pid_, SIGTERM);
        if (wait_exit(kStopTimeoutMs) == kTimedOut) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            reap(status);
        }
    }
    if (stdout_fd_ >= 0) ::close(stdout_fd_);
    stdout_fd_ = -1;
    return exit_status_;
}

}  // namespace pixavon::test
