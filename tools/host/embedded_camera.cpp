#include "embedded_camera.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "card.h"
#include "i18n.h"
#include "server.h"

namespace pixavon::host {
namespace {

std::string make_private_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base == '/' ? base : "/tmp") + "/pixavon-camera-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw CameraError(fill(tr("no private folder can be made for the camera ({1})"), {system_error(errno)}));
    }
    return pattern;  // mkdtemp makes it 0700
}

}  // namespace

EmbeddedCamera::EmbeddedCamera(const std::string& card_path, int create_mib) {
    if (create_mib != 0 && create_mib != 8 && create_mib != 16)
        throw CameraError(tr("a card holds 8 or 16 MiB"), CameraError::Kind::kBadImage);
    std::error_code ignored;
    created_ = !std::filesystem::exists(card_path, ignored);
    if (created_ && create_mib == 0) {
        throw CameraError(tr("the card image does not exist"), CameraError::Kind::kBadImage);
    }
    try {
        card_ = std::make_unique<emu::Card>(emu::Card::open(card_path, create_mib));
    } catch (const emu::CardError& error) {
        switch (error.reason()) {
            case emu::CardError::Reason::kBusy:
                throw CameraError(error.what(), CameraError::Kind::kBusy);
            case emu::CardError::Reason::kNoSpace:
                throw CameraError(error.what(), CameraError::Kind::kNoSpace);
            case emu::CardError::Reason::kUnusable:
                break;
        }
        throw CameraError(error.what(), CameraError::Kind::kBadImage);
    }
    temp_dir_ = make_private_dir();
    device_dir_ = temp_dir_ + "/dev";
    try {
        emu::ensure_device_dir(device_dir_);
        emu::ServerOptions options;
        options.socket_path = device_dir_ + "/lumetta0";
        server_ = std::make_unique<emu::Server>(*card_, options);
    } catch (const std::exception& error) {
        std::filesystem::remove_all(temp_dir_, ignored);
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

uint64_t EmbeddedCamera::card_size() const { return card_->size(); }

bool EmbeddedCamera::stop() {
    if (stopped_) return synced_;
    stopped_ = true;
    server_->request_stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
    synced_ = card_->sync();
    std::error_code ignored;
    std::filesystem::remove_all(temp_dir_, ignored);
    return synced_;
}

}  // namespace pixavon::host
