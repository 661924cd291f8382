// The known folders on POSIX systems (the XDG base and user directories), the
// camera's device folder and the running executable; see os.h.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "os/os.h"

namespace pixavon::host::os {
namespace {

std::string home_folder() {
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? home : ".";
}

// XDG_PICTURES_DIR from the desktop's user-dirs.dirs: "$HOME/..." or an
// absolute path, in double quotes; empty when it is not set there, or is the
// home folder itself (which is how a desktop says it has none).
std::string pictures_from_user_dirs(const std::string& home) {
    std::string config;
    if (const char* dir = std::getenv("XDG_CONFIG_HOME"); dir != nullptr && dir[0] == '/') {
        config = dir;
    } else {
        config = home + "/.config";
    }
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line, found;
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 17, "XDG_PICTURES_DIR=") != 0) continue;
        std::string value = line.substr(start + 17);
        if (value.size() < 2 || value.front() != '"') continue;
        const size_t close = value.find('"', 1);
        if (close == std::string::npos) continue;
        value = value.substr(1, close - 1);
        std::string path;
        if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
            path = home + value.substr(5);
        } else if (!value.empty() && value[0] == '/') {
            path = value;
        } else {
            continue;
        }
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        found = path;  // the last line that sets it counts, as in a shell
    }
    return found == home ? std::string() : found;
}

}  // namespace

std::string pictures_folder() {
    const std::string home = home_folder();
    if (const char* dir = std::getenv("XDG_PICTURES_DIR"); dir != nullptr && dir[0] == '/') return dir;
    std::string pictures = pictures_from_user_dirs(home);
    return pictures.empty() ? home + "/Pictures" : pictures;
}

std::string state_folder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        return std::string(state) + "/pixavon";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/.local/state/pixavon";
}

std::string temp_folder() {
    const char* base = std::getenv("TMPDIR");
    return base != nullptr && *base == '/' ? base : "/tmp";
}

std::string device_folder() {
    if (const char* dir = std::getenv("PIXAVON_DEVICE_DIR"); dir != nullptr && *dir != '\0') return dir;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0') {
        return std::string(run) + "/pixavon";
    }
    return "/tmp/pixavon-" + std::to_string(::getuid());
}

void use_device_folder(const std::string& folder) { set_environment("PIXAVON_DEVICE_DIR", folder); }

std::string executable_path() {
    std::vector<char> exe(4096);
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
    return n > 0 ? std::string(exe.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace pixavon::host::os
