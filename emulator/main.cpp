// pixavon-emu: emulates a Lumetta camera with its flash card on a Unix socket,
// or plugged into a wine prefix through the camera's driver there.

#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "card.h"
#include "server.h"
#include "wine_prefix.h"

namespace {

constexpr int kExitUsage = 2;

volatile std::sig_atomic_t g_stop_fd = -1;
volatile std::sig_atomic_t g_signalled = 0;

extern "C" void on_stop_signal(int) {
    g_signalled = 1;
    const int fd = g_stop_fd;
    if (fd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
    }
}

void install_stop_handlers() {
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

std::set<uint64_t> as_set(const std::vector<uint64_t>& counts) { return {counts.begin(), counts.end()}; }

struct PowerCut {
    uint64_t command;
    uint32_t bytes;
};

// "N" or "N:BYTES", N >= 1.
std::optional<PowerCut> parse_power_cut(const std::string& text) {
    PowerCut cut{0, 256};
    const size_t colon = text.find(':');
    try {
        size_t used = 0;
        const std::string count = text.substr(0, colon);
        cut.command = std::stoull(count, &used);
        if (used != count.size() || count[0] == '-' || cut.command == 0) return std::nullopt;
        if (colon != std::string::npos) {
            const std::string bytes = text.substr(colon + 1);
            const unsigned long long value = std::stoull(bytes, &used);
            if (used != bytes.size() || bytes[0] == '-' || value > UINT32_MAX) return std::nullopt;
            cut.bytes = static_cast<uint32_t>(value);
        }
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return cut;
}

}  // namespace

// Every error of a run is caught and reported below; before that, only CLI11's
// option setup can throw, and only for a mistake in this code.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main(int argc, char** argv) {
    CLI::App app{"Lumetta camera emulator: serves a card file on a Unix socket"};
    std::string card_path;
    int create_mib = 0;
    std::string dir;
    std::string name = "lumetta0";
    std::string trace_path;
    std::vector<uint64_t> fail_packet, fail_read, fail_write, unplug_after;
    bool short_reads = false;
    std::string power_cut;
    std::string wine_prefix;
    std::string wine_files;

    app.add_option("--card", card_path, "Card file (8 MiB or 16 MiB of raw card bytes)")->required();
    app.add_option("--create", create_mib, "Create a fresh card of 8 or 16 MiB if FILE does not exist")
        ->check(CLI::IsMember({8, 16}));
    app.add_option("--dir", dir,
                   "Directory for the socket entry (default: $PIXAVON_DEVICE_DIR, "
                   "$XDG_RUNTIME_DIR/pixavon or /tmp/pixavon-<uid>)");
    app.add_option("--name", name, "Name of the socket entry")->capture_default_str();
    app.add_option("--trace", trace_path, "Append one line per command to FILE");
    const auto counts = [&](const char* flag, std::vector<uint64_t>& into, const char* help) {
        app.add_option(flag, into, help)->delimiter(',')->check(CLI::PositiveNumber)->type_name("N[,M...]");
    };
    counts("--fail-packet", fail_packet, "Refuse the Nth command packet");
    counts("--fail-read", fail_read, "Fail the read that asks for the Nth 512-byte block of read data");
    counts("--fail-write", fail_write, "Fail the Nth data message after a write command");
    counts("--unplug-after", unplug_after, "Disappear after answering the Nth command packet");
    app.add_flag("--short-reads", short_reads, "Deliver read data in random small pieces");
    app.add_option(
           "--power-cut-after", power_cut,
           "Lose power in the middle of the Nth command packet: a block write stores only its first BYTES "
           "bytes (default 256), an erase leaves its unit half erased; the card is saved and the emulator exits")
        ->type_name("N[:BYTES]")
        ->check([](const std::string& text) { return parse_power_cut(text) ? "" : "expected N[:BYTES] with N >= 1"; });

    app.add_option("--wine-prefix", wine_prefix,
                   "Plug the camera into this wine prefix (driver and device interface) instead of serving a "
                   "socket entry; prints the device path a Windows program opens");
    app.add_option("--wine-files", wine_files,
                   "Directory holding pixavoncam.sys and pixavon-wine-plug.exe (default: this program's directory, "
                   "else build-win32 beside it)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : kExitUsage;
    }
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        std::cerr << "pixavon-emu: --name must be a plain file name\n";
        return kExitUsage;
    }

    install_stop_handlers();
    std::signal(SIGPIPE, SIG_IGN);  // a closed stdout must not kill a running camera
    try {
        pixavon::emu::Card card = pixavon::emu::Card::open(card_path, create_mib);
        pixavon::emu::ServerOptions options;
        if (wine_prefix.empty()) {
            if (dir.empty()) dir = pixavon::emu::default_device_dir();
            pixavon::emu::ensure_device_dir(dir);
            dir = std::filesystem::absolute(dir).lexically_normal().string();
            if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
            options.socket_path = dir + "/" + name;
        } else {
            options.tcp_loopback = true;
        }
        options.trace_path = trace_path;
        options.faults.fail_packet = as_set(fail_packet);
        options.faults.fail_read = as_set(fail_read);
        options.faults.fail_write = as_set(fail_write);
        options.faults.unplug_after = as_set(unplug_after);
        options.faults.short_reads = short_reads;
        if (const std::optional<PowerCut> cut = parse_power_cut(power_cut); !power_cut.empty() && cut) {
            options.faults.power_cut_after = cut->command;
            options.faults.power_cut_bytes = cut->bytes;
        }
        std::optional<pixavon::emu::WinePrefix> prefix;
        if (!wine_prefix.empty()) {
            prefix.emplace(wine_prefix, wine_files.empty() ? pixavon::emu::default_wine_files_dir() : wine_files);
            options.before_vanishing = [&prefix] { prefix->hide(); };
        }
        pixavon::emu::Server server(card, options);
        g_stop_fd = server.stop_fd();
        if (g_signalled) server.request_stop();

        if (prefix) {
            std::string device_path;
            try {
                device_path = prefix->plug(server.tcp_port());
            } catch (const pixavon::emu::SetupError&) {
                prefix->unplug();  // whatever part of it was done
                throw;
            }
            std::cout << device_path << std::endl;
        } else {
            std::cout << server.socket_path() << std::endl;
        }

        const pixavon::emu::Server::Outcome outcome = server.run();
        if (prefix) prefix->unplug();
        if (outcome == pixavon::emu::Server::Outcome::kPowerCut) {
            std::cerr << "pixavon-emu: power cut in command " << options.faults.power_cut_after << "\n";
        }
        g_stop_fd = -1;
        return 0;
    } catch (const pixavon::emu::CardError& error) {
        std::cerr << "pixavon-emu: " << error.what() << "\n";
    } catch (const pixavon::emu::SetupError& error) {
        std::cerr << "pixavon-emu: " << error.what() << "\n";
    }
    return kExitUsage;
}
