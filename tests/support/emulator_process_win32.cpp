// EmulatorProcess for Windows test programs under wine: the emulator itself is
// a Linux process, started and stopped by pixavon-emu-launcher over one
// loopback TCP connection per emulator (protocol in emulator_launcher.cpp).
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <stdexcept>

#include "emulator_process.h"

namespace pixavon::test {
namespace {

// The Windows path of a Linux path, through wine's own mapping.
std::string DosPath(const std::string& unix_path) {
    using Convert = WCHAR*(CDECL*)(const char*);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* wide = convert != nullptr ? convert(unix_path.c_str()) : nullptr;
    if (wide == nullptr) throw std::runtime_error("no Windows path for " + unix_path + " (not under wine?)");
    char narrow[4 * MAX_PATH] = {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, wide);
    if (n <= 0) throw std::runtime_error("no Windows path for " + unix_path);
    return narrow;
}

SOCKET ConnectToLauncher() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const char* port = std::getenv("PIXAVON_LAUNCHER_PORT");
    if (!started || port == nullptr) throw std::runtime_error("PIXAVON_LAUNCHER_PORT is not set");
    SOCKET link = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (link == INVALID_SOCKET || connect(link, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (link != INVALID_SOCKET) closesocket(link);
        throw std::runtime_error("cannot reach pixavon-emu-launcher on port " + std::string(port));
    }
    return link;
}

}  // namespace

std::string EmulatorProcess::Ask(const std::string& request) const {
    const std::string line = request + "\n";
    const auto link = static_cast<SOCKET>(link_);
    if (send(link, line.data(), static_cast<int>(line.size()), 0) != static_cast<int>(line.size())) {
        throw std::runtime_error("the launcher went away");
    }
    std::string answer;
    char c = 0;
    while (recv(link, &c, 1, 0) == 1 && c != '\n') answer += c;
    if (answer.rfind("error ", 0) == 0) throw std::runtime_error(answer.substr(6));
    if (answer.empty()) throw std::runtime_error("the launcher went away");
    return answer;
}

EmulatorProcess::EmulatorProcess(EmulatorOptions options)
    : options_(std::move(options)), link_(static_cast<uintptr_t>(ConnectToLauncher())) {
    std::string request = "new\t" + std::to_string(options_.size_mib) + "\t" + (options_.create ? "1" : "0") + "\t" +
                          (options_.trace ? "1" : "0") + "\t" + options_.name;
    for (const std::string& arg : options_.extra_args) request += "\t" + arg;
    try {
        temp_dir_ = DosPath(Ask(request).substr(3));
    } catch (...) {
        closesocket(static_cast<SOCKET>(link_));
        throw;
    }
}

EmulatorProcess::~EmulatorProcess() {
    // The launcher stops the emulator and removes its files.
    closesocket(static_cast<SOCKET>(link_));
}

void EmulatorProcess::start() { socket_path_ = Ask("start").substr(3); }

int EmulatorProcess::stop() { return std::stoi(Ask("stop").substr(3)); }

bool EmulatorProcess::running() const { return Ask("running") == "ok 1"; }

int EmulatorProcess::wait_exit(int timeout_ms) {
    const std::string answer = Ask("wait\t" + std::to_string(timeout_ms));
    return answer == "timeout" ? kTimedOut : std::stoi(answer.substr(3));
}

}  // namespace pixavon::test
