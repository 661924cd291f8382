// pixavon-emu-launcher: starts camera emulators for test programs that cannot
// start Linux processes themselves, namely the Windows integration tests
// running under wine. It listens on a loopback TCP port, prints the port as
// its first line, and serves every connection in a process of its own with
// one EmulatorProcess, driven by text lines (each answered by one line):
//
//   new SIZE CREATE TRACE NAME [ARG...]   (tab-separated) -> "ok TEMP_DIR"
//   start   -> "ok DEVICE_PATH" or "error MESSAGE"
//   stop    -> "ok STATUS"
//   wait MS -> "ok STATUS" or "timeout"
//   running -> "ok 0" or "ok 1"
//
// Arguments after "--" are added to every emulator's command line (for
// example --wine-prefix PREFIX). The emulator is stopped and its temporary
// directory removed when the connection closes. Ends on SIGTERM or SIGINT.
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/emulator_process.h"

namespace {

std::vector<std::string> g_fixed_args;

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    return fields;
}

bool SendLine(int fd, std::string line) {
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    line += '\n';
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t sent = ::send(fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        done += static_cast<size_t>(sent);
    }
    return true;
}

std::string Answer(std::unique_ptr<pixavon::test::EmulatorProcess>& emulator, const std::string& line) {
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.empty()) return "error empty request";
    const std::string& verb = fields[0];
    if (verb == "new" && fields.size() >= 5 && !emulator) {
        pixavon::test::EmulatorOptions options;
        options.size_mib = std::stoi(fields[1]);
        options.create = fields[2] == "1";
        options.trace = fields[3] == "1";
        options.name = fields[4];
        options.extra_args.assign(fields.begin() + 5, fields.end());
        options.extra_args.insert(options.extra_args.end(), g_fixed_args.begin(), g_fixed_args.end());
        emulator = std::make_unique<pixavon::test::EmulatorProcess>(options);
        return "ok " + emulator->temp_dir();
    }
    if (!emulator) return "error no emulator";
    if (verb == "start") {
        emulator->start();
        return "ok " + emulator->socket_path();
    }
    if (verb == "stop") return "ok " + std::to_string(emulator->stop());
    if (verb == "wait" && fields.size() == 2) {
        const int status = emulator->wait_exit(std::stoi(fields[1]));
        return status == pixavon::test::EmulatorProcess::kTimedOut ? "timeout" : "ok " + std::to_string(status);
    }
    if (verb == "running") return emulator->running() ? "ok 1" : "ok 0";
    return "error unknown request '" + line + "'";
}

void Serve(int fd) {
    std::unique_ptr<pixavon::test::EmulatorProcess> emulator;
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        for (size_t newline; (newline = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string answer;
            try {
                answer = Answer(emulator, line);
            } catch (const std::exception& error) {
                answer = std::string("error ") + error.what();
            }
            if (!SendLine(fd, answer)) return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--") {
            g_fixed_args.assign(argv + i + 1, argv + argc);
            break;
        }
    }
    std::signal(SIGCHLD, SIG_IGN);  // connection processes reap themselves
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0 || ::listen(listener, 8) != 0) {
        std::perror("pixavon-emu-launcher: cannot listen");
        return 1;
    }
    std::cout << ntohs(address.sin_port) << std::endl;
    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(listener);
            std::signal(SIGCHLD, SIG_DFL);  // the emulator's exit status is wanted here
            Serve(fd);
            ::close(fd);
            std::exit(0);
        }
        ::close(fd);
    }
}
