// A platform for unit tests: a camera in process (the emulator's device model
// over the card bytes below) whose commands are recorded, a host window that
// counts progress messages and collects boxes, real host files with failures
// on request.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/library_state.h"
#include "platform/platform.h"
#include "support/model_camera.h"
#include "support/test_data.h"

namespace pixavon::test {

struct Box {
    bool owned;
    std::string text;
    std::string caption;
    std::uint32_t style;
    HostWindow window;
};

class FakePlatform : public Platform {
public:
    // A camera whose card has `card_bytes` bytes, all 0xFF.
    explicit FakePlatform(std::size_t card_bytes = 8u << 20);
    ~FakePlatform();

    // Installs this platform and resets the library state; the destructor
    // restores the default platform.
    void Install();

    // --- The camera ---
    bool device_present = true;
    // The card's bytes (8 or 16 MiB); the camera works on them in place and
    // starts afresh when the vector is given other storage or another size.
    std::vector<std::uint8_t> card;
    // The camera's trace, one line per command: "READ FFE0 8192", "WRITE 3FF0
    // 512", "ERASE 3FF0", "ERASE 3FF0 REFUSED", ... (see device_model.h).
    std::vector<std::string> commands;
    // Every transfer, in order: "packet", "data-out N", "data-in N", "sleep N",
    // "progress": the relative order of progress and card access.
    std::vector<std::string> events;
    int opens = 0;
    int closes = 0;
    bool fail_close = false;
    // 1-based numbers of the device writes (packets and data) that the camera
    // refuses, and of the 512-byte blocks of read data at which a read fails.
    std::vector<int> failing_writes;
    std::vector<int> failing_reads;
    // When set, every device write from this 1-based number on fails.
    int fail_writes_from = 0;
    std::uint32_t slept_ms = 0;

    // --- The host window ---
    int progress_messages = 0;
    // Called for each progress message, as a host's handler would be.
    std::function<void()> on_progress;
    std::vector<Box> boxes;

    // --- Host files ---
    bool fail_file_open = false;
    bool fail_file_write = false;
    // 1-based numbers of the host-file reads that fail.
    std::vector<int> failing_file_reads;
    int file_reads() const { return file_reads_; }
    int device_writes() const { return device_writes_; }

    // Platform
    DeviceHandle open_first_device() override;
    bool close_device(DeviceHandle device) override;
    bool write_device(DeviceHandle device, const std::uint8_t* data, std::uint32_t length) override;
    bool read_device(DeviceHandle device, std::uint8_t* data, std::uint32_t length) override;
    void sleep_ms(std::uint32_t milliseconds) override;
    void send_message(HostWindow window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
    void message_box(HostWindow window, bool owned, const char* text, const char* caption,
                     std::uint32_t style) override;
    int load_string(ModuleHandle module, std::uint32_t id, char* buffer, int size) override;
    HostFile* open_file(const char* path, FileMode mode) override;
    bool read_file(HostFile* file, void* data, std::uint32_t length, std::uint32_t* bytes_read) override;
    bool write_file(HostFile* file, const void* data, std::uint32_t length) override;
    bool seek_file(HostFile* file, std::uint64_t offset) override;
    bool file_size(HostFile* file, std::uint64_t* size) override;
    bool close_file(HostFile* file) override;
    bool remove_file(const char* path) override;

    // Helpers for tests.
    std::vector<std::string> CommandsOfKind(const std::string& prefix) const;
    std::uint32_t EraseUnitBlocks() const { return card.size() > (8u << 20) ? 32 : 16; }

private:
    ModelCamera& Camera();
    std::unique_ptr<ModelCamera> camera_;
    int device_writes_ = 0;
    int file_reads_ = 0;
    int live_handles_ = 0;
};

// A window value the fake recognises as "the host window".
HostWindow TestWindow();

// A file path in a fresh temporary directory, removed with the fixture.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

}  // namespace pixavon::test

namespace pixavon::test {

// An 8 KiB catalog naming `slots`; unused bytes are 0xFF past the list.
std::vector<std::uint8_t> MakeCatalog(std::uint8_t capacity_code, const std::vector<std::uint8_t>& slots);

// Puts `catalog` at the end of the fake's card, where read address 0xFFE0 finds it.
void PlaceCatalog(FakePlatform& fake, const std::vector<std::uint8_t>& catalog);
std::vector<std::uint8_t> CatalogOnCard(const FakePlatform& fake);

}  // namespace pixavon::test
