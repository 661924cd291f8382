// The embedded camera on Windows: the emulator's device model in a thread of
// this process, its card a card image file mapped into memory, served on a
// named pipe of a random name that only this process is served on.
// pixavon.dll opens the camera by that pipe's name (PIXAVON_DEVICE_PATH, set
// through os::use_device_folder) instead of looking for one through the
// device interface, and speaks the same framed link as to a socket camera on
// Linux.
#include <windows.h>

#include <cstdio>
#include <random>

#include "card_win32.h"
#include "embedded_camera.h"
#include "embedded_card_open.h"
#include "i18n.h"
#include "os/os.h"
#include "pipe_server_win32.h"

namespace pixavon::host {
namespace {

// \\.\pipe\pixavon-PID-RANDOM-ROLE: not guessable ahead, so nobody can take
// the name first; the server refuses a name that exists anyway.
std::string pipe_name(const char* role) {
    std::random_device random;
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\pixavon-%lu-%08x%08x-%s",
                  static_cast<unsigned long>(::GetCurrentProcessId()), static_cast<unsigned>(random()),
                  static_cast<unsigned>(random()), role);
    return name;
}

// Serves `server` in `thread` until it is asked to stop.
void start_serving(std::thread& thread, emu::Server& server) {
    thread = std::thread([&server] {
        try {
            server.run();
        } catch (...) {
            // A server that fails shows as a camera that stops answering,
            // which the library reports.
        }
    });
}

}  // namespace

EmbeddedCamera::EmbeddedCamera(const std::string& card_path, int create_mib, bool read_only) {
    if (create_mib != 0 && create_mib != 8 && create_mib != 16)
        throw CameraError(tr("a card holds 8 or 16 MiB"), CameraError::Kind::kBadImage);
    created_ = os::status(card_path).kind == os::Kind::kMissing;
    if (created_ && create_mib == 0) {
        throw CameraError(tr("the card image does not exist"), CameraError::Kind::kBadImage);
    }
    card_ = open_card_waiting([&] { return emu::Card::open(card_path, create_mib, read_only); });
    card_size_ = card_->size();
    try {
        server_ = std::make_unique<emu::Server>(card_->flash(), pipe_name("camera"));
    } catch (const emu::SetupError& error) {
        card_.reset();
        throw CameraError(error.what());
    }
    device_dir_ = server_->name();
    start_serving(thread_, *server_);
}

EmbeddedCamera::~EmbeddedCamera() { stop(); }

void EmbeddedCamera::begin_primer(uint64_t card_bytes) {
    end_primer();
    try {
        primer_card_ = emu::Card::in_memory(card_bytes == (16u << 20) ? 16 : 8);
        primer_server_ = std::make_unique<emu::Server>(primer_card_->flash(), pipe_name("primer"));
    } catch (const std::exception& error) {
        primer_server_.reset();
        primer_card_.reset();
        throw CameraError(error.what());
    }
    start_serving(primer_thread_, *primer_server_);
    // The library opens the primer until it is pointed back at the card.
    os::use_device_folder(primer_server_->name());
}

void EmbeddedCamera::end_primer() {
    if (!primer_server_) return;
    os::use_device_folder(device_dir_);
    primer_server_->request_stop();
    if (primer_thread_.joinable()) primer_thread_.join();
    primer_server_.reset();
    primer_card_.reset();
}

uint64_t EmbeddedCamera::card_size() const { return card_size_; }

bool EmbeddedCamera::stop() {
    if (stopped_) return synced_;
    stopped_ = true;
    end_primer();
    server_->request_stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
    synced_ = card_->sync();
    card_.reset();  // closes the card image
    return synced_;
}

}  // namespace pixavon::host
