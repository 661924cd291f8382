#include "embedded_camera.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "card.h"
#include "embedded_card_open.h"
#include "i18n.h"
#include "os/os.h"
#include "server.h"

namespace pixavon::host {
EmbeddedCamera::EmbeddedCamera(const std::string& card_path, int create_mib, bool read_only) {
    if (create_mib != 0 && create_mib != 8 && create_mib != 16)
        throw CameraError(tr("a card holds 8 or 16 MiB"), CameraError::Kind::kBadImage);
    std::error_code ignored;
    created_ = !std::filesystem::exists(card_path, ignored);
    if (created_ && create_mib == 0) {
        throw CameraError(tr("the card image does not exist"), CameraError::Kind::kBadImage);
    }
    card_ = open_card_waiting(
        [&] { return std::make_unique<emu::Card>(emu::Card::open(card_path, create_mib, read_only)); });
    card_size_ = card_->size();
    try {
        temp_dir_ = PrivateDir(os::temp_folder(), "pixavon-camera");
    } catch (const std::runtime_error& error) {
        throw CameraError(fill(tr("no private folder can be made for the camera ({1})"), {error.what()}));
    }
    device_dir_ = temp_dir_.path() + "/dev";
    try {
        emu::ensure_device_dir(device_dir_);
        emu::ServerOptions options;
        options.socket_path = device_dir_ + "/lumetta0";
        server_ = std::make_unique<emu::Server>(*card_, options);
    } catch (const std::exception& error) {
        temp_dir_ = PrivateDir();
        throw CameraError(error.what());
    }
    thread_ = std::thread([this] {
        try {
            server_->run();
        } catch (...) {
            // run() reports nothing else; a failed server shows as a camera that
            // stops answering, which the library reports.
        }
    });
}

EmbeddedCamera::~EmbeddedCamera() { stop(); }

void EmbeddedCamera::begin_primer(uint64_t card_bytes) {
    end_primer();
    const std::string path = temp_dir_.path() + "/primer.bin";
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    try {
        primer_card_ = std::make_unique<emu::Card>(emu::Card::open(path, card_bytes == (16u << 20) ? 16 : 8));
        emu::ServerOptions options;
        // Before "lumetta0" in byte order: the library opens it first.
        options.socket_path = device_dir_ + "/lumetta-primer";
        primer_server_ = std::make_unique<emu::Server>(*primer_card_, options);
    } catch (const std::exception& error) {
        primer_server_.reset();
        primer_card_.reset();
        std::filesystem::remove(path, ignored);
        throw CameraError(error.what());
    }
    primer_thread_ = std::thread([this] {
        try {
            primer_server_->run();
        } catch (...) {
            // A primer that stops answering leaves the library's layout as it was.
        }
    });
}

void EmbeddedCamera::end_primer() {
    if (!primer_server_) return;
    primer_server_->request_stop();
    if (primer_thread_.joinable()) primer_thread_.join();
    primer_server_.reset();  // its socket entry goes with it
    primer_card_.reset();
    std::error_code ignored;
    std::filesystem::remove(temp_dir_.path() + "/primer.bin", ignored);
    std::filesystem::remove(device_dir_ + "/lumetta-primer", ignored);
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
    card_.reset();  // unlocks the card image
    temp_dir_ = PrivateDir();
    return synced_;
}

}  // namespace pixavon::host
