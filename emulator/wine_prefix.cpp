#include "wine_prefix.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "server.h"

extern char** environ;

namespace pixavon::emu {
namespace {

constexpr char kDriverFile[] = "pixavoncam.sys";
constexpr char kHelperFile[] = "pixavon-wine-plug.exe";

std::string existing_file(const std::string& dir, const char* name) {
    const std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(dir) / name);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        throw SetupError(path.string() + " not found (see --wine-files)");
    }
    return path.lexically_normal().string();
}

}  // namespace

std::string default_wine_files_dir() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path own = error ? std::filesystem::path(".") : self.parent_path();
    // In a source tree the Windows build sits beside the Linux one.
    const std::filesystem::path beside = own.parent_path() / "build-win32";
    if (!std::filesystem::is_regular_file(own / kDriverFile, error) &&
        std::filesystem::is_regular_file(beside / kDriverFile, error)) {
        return beside.string();
    }
    return own.string();
}

WinePrefix::WinePrefix(const std::string& prefix, const std::string& files_dir)
    : prefix_(std::filesystem::absolute(prefix).lexically_normal().string()),
      driver_(existing_file(files_dir, kDriverFile)),
      helper_(existing_file(files_dir, kHelperFile)) {}

WinePrefix::~WinePrefix() { release_session(); }

pid_t WinePrefix::spawn_helper(const std::vector<std::string>& args, int* input, int* output) const {
    std::vector<std::string> argv_text = {"wine", helper_};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argv_text) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // The prefix's own environment; wine's chatter stays off unless asked for.
    std::vector<std::string> env_text;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "WINEPREFIX=", 11) != 0) env_text.emplace_back(*entry);
    }
    env_text.push_back("WINEPREFIX=" + prefix_);
    if (std::getenv("WINEDEBUG") == nullptr) env_text.emplace_back("WINEDEBUG=-all");
    std::vector<char*> envp;
    for (std::string& entry : env_text) envp.push_back(entry.data());
    envp.push_back(nullptr);

    int in[2] = {-1, -1};
    int out[2];
    if (input != nullptr && ::pipe2(in, O_CLOEXEC) != 0) return -1;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        if (input != nullptr) {
            ::close(in[0]);
            ::close(in[1]);
        }
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    pid_t pid = -1;
    const int spawn_error = ::posix_spawnp(&pid, "wine", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (input != nullptr) ::close(in[0]);
    if (spawn_error != 0) {
        ::close(out[0]);
        if (input != nullptr) ::close(in[1]);
        errno = spawn_error;
        return -1;
    }
    if (input != nullptr) *input = in[1];
    *output = out[0];
    return pid;
}

namespace {

// Appends what `fd` delivers to `text` until its end, or (with `until_line`)
// until a whole line has arrived.
void ReadOutput(int fd, std::string& text, bool until_line) {
    char buffer[512];
    while (!until_line || text.find('\n') == std::string::npos) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
}

// The exit status of `pid` once it has ended; -1 if it did not exit.
int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int WinePrefix::run_helper(const std::vector<std::string>& args, std::string& output) const {
    int out = -1;
    const pid_t pid = spawn_helper(args, nullptr, &out);
    if (pid < 0) return -1;
    ReadOutput(out, output, false);
    ::close(out);
    return WaitFor(pid);
}

std::string WinePrefix::plug(uint16_t port) {
    release_session();
    // The helper stays while the camera is plugged in, until its input ends:
    // wine ends a prefix's session, and the driver with it, once no program
    // of the prefix runs.
    int input = -1;
    int out = -1;
    const pid_t pid = spawn_helper({"plug", std::to_string(port), driver_}, &input, &out);
    std::string output;
    if (pid >= 0) {
        ReadOutput(out, output, true);
        ::close(out);
        session_pid_ = pid;
        session_input_ = input;
    }
    const size_t newline = output.find('\n');
    if (newline == std::string::npos || newline == 0) {
        const int status = release_session();
        throw SetupError("cannot plug the camera into the wine prefix " + prefix_ + " (helper exit status " +
                         std::to_string(status) + ")");
    }
    std::string path = output.substr(0, newline);
    if (!path.empty() && path.back() == '\r') path.pop_back();
    return path;
}

int WinePrefix::release_session() {
    if (session_pid_ < 0) return -1;
    ::close(session_input_);
    const int status = WaitFor(session_pid_);
    session_pid_ = -1;
    session_input_ = -1;
    return status;
}

void WinePrefix::run_step(const char* step) {
    std::string output;
    const int status = run_helper({step}, output);
    if (status != 0) {
        std::cerr << "pixavon-emu: " << step << " in the wine prefix " << prefix_ << " failed (helper exit status "
                  << status << ")\n";
    }
}

void WinePrefix::hide() { run_step("hide"); }

void WinePrefix::unplug() {
    run_step("unplug");
    release_session();
}

}  // namespace pixavon::emu
