// A Lumetta camera emulated inside the host process: the card lives in a card
// image file (the same bytes as a whole-card backup), served on a socket in a
// private device directory by a thread of this process.
//
// The host points the library at device_dir() (PIXAVON_DEVICE_DIR) before it
// opens the device. Every change the library makes reaches the card file's
// pages at once; stop() (or the destructor) ends the server and flushes the
// card to disk.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "camera_session.h"

namespace pixavon::emu {
class Card;
class Server;
}  // namespace pixavon::emu

namespace pixavon::host {

// The card image cannot be opened or created, or the camera cannot start.
class CameraError : public std::runtime_error {
public:
    // kBadImage: the file is no card image; kBusy: another process holds it;
    // kNoSpace: the disk has no room for it; kUnavailable: the camera cannot
    // start.
    enum class Kind { kBadImage, kBusy, kNoSpace, kUnavailable };
    explicit CameraError(const std::string& what, Kind kind = Kind::kUnavailable, int error = 0)
        : std::runtime_error(what), kind_(kind), error_(error) {}
    Kind kind() const { return kind_; }
    // The system's error number (a Windows error code on Windows) when the
    // system said why; else 0.
    int error() const { return error_; }

private:
    Kind kind_;
    int error_;
};

class EmbeddedCamera {
public:
    // Opens `card_path`. If it does not exist and `create_mib` is 8 or 16, a
    // fresh, empty card of that size is made; with `create_mib` 0 a missing file
    // is an error. With `read_only`, an existing card image is only read:
    // whatever the camera is asked to write never reaches it. Throws
    // CameraError.
    EmbeddedCamera(const std::string& card_path, int create_mib, bool read_only = false);
    ~EmbeddedCamera();
    EmbeddedCamera(const EmbeddedCamera&) = delete;
    EmbeddedCamera& operator=(const EmbeddedCamera&) = delete;

    // The private directory (mode 0700) holding the camera's socket.
    const std::string& device_dir() const { return device_dir_; }
    uint64_t card_size() const;
    bool created() const { return created_; }

    // Serves, beside the card and found by the library before it, a fresh
    // card of `card_bytes` (a library that opens the camera now and loads its
    // catalog takes that size's layout), until end_primer(). Throws
    // CameraError.
    void begin_primer(uint64_t card_bytes);
    void end_primer();

    // Stops serving, flushes the card and removes the device directory. Safe to
    // call more than once. Returns false if the card could not be flushed.
    bool stop();

private:
    PrivateDir temp_dir_;
    std::string device_dir_;
    bool created_ = false;
    bool stopped_ = false;
    bool synced_ = true;
    uint64_t card_size_ = 0;
    std::unique_ptr<emu::Card> card_;
    std::unique_ptr<emu::Server> server_;
    std::thread thread_;
    std::unique_ptr<emu::Card> primer_card_;
    std::unique_ptr<emu::Server> primer_server_;
    std::thread primer_thread_;
};

}  // namespace pixavon::host
