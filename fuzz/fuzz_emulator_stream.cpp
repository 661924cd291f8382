// Any byte stream a host may send: the emulator's frame and packet parser must
// stay memory-safe, never hang, and keep serving the next host.
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "card.h"
#include "server.h"

namespace {

namespace fs = std::filesystem;

struct Camera {
    Camera() {
        std::string pattern =
            fs::is_directory("/dev/shm") ? "/dev/shm/pixavon-fuzz-XXXXXX" : "/tmp/pixavon-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) abort();
        dir = pattern;
        card = std::make_unique<pixavon::emu::Card>(pixavon::emu::Card::open(dir + "/card.bin", 8));
        pixavon::emu::ServerOptions options;
        options.socket_path = dir + "/camera";
        server = std::make_unique<pixavon::emu::Server>(*card, options);
        serving = std::thread([this] { server->run(); });
    }
    void Shutdown() {
        server->request_stop();
        serving.join();
        server.reset();
        card.reset();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::string dir;
    std::unique_ptr<pixavon::emu::Card> card;
    std::unique_ptr<pixavon::emu::Server> server;
    std::thread serving;
};

Camera* g_camera = nullptr;  // lives as long as the process; shut down at exit

constexpr std::size_t kDrainLimit = 256 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Camera* const camera = [] {
        g_camera = new Camera;
        std::atexit([] { g_camera->Shutdown(); });
        return g_camera;
    }();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = camera->server->socket_path();
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) abort();

    // Send the stream while draining what comes back, then read to the end.
    std::size_t sent = 0, drained = 0;
    std::vector<std::uint8_t> sink(65536);
    bool open_for_writing = true;
    while (drained < kDrainLimit) {
        pollfd p{fd, static_cast<short>(POLLIN | (open_for_writing ? POLLOUT : 0)), 0};
        // A camera that stops answering is caught by the fuzzer's own timeout.
        if (::poll(&p, 1, -1) < 0) continue;
        if (p.revents & POLLIN) {
            const ssize_t got = ::recv(fd, sink.data(), sink.size(), 0);
            if (got <= 0) break;
            drained += static_cast<std::size_t>(got);
        } else if (p.revents & (POLLERR | POLLHUP)) {
            break;
        }
        if (open_for_writing && (p.revents & POLLOUT)) {
            if (sent < size) {
                const ssize_t put = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
                if (put < 0)
                    open_for_writing = false;
                else
                    sent += static_cast<std::size_t>(put);
            }
            if (sent == size && open_for_writing) {
                ::shutdown(fd, SHUT_WR);
                open_for_writing = false;
            }
        }
    }
    ::close(fd);
    return 0;
}
