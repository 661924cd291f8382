// A camera in process: the platform's device calls go straight to the
// emulator's device model, on a flash in memory. No second process, no socket
// and no card file; the same erase rules, faults, power cut and trace as
// pixavon-emu. Portable, so the Windows unit tests use it too.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device_model.h"
#include "platform/platform.h"

namespace pixavon::test {

class ModelCamera {
public:
    // A camera holding `image` (8 or 16 MiB); `trace` keeps the trace lines.
    explicit ModelCamera(std::span<const std::uint8_t> image, emu::FaultPlan faults = {}, bool trace = true);
    // A camera over `bytes`, which the caller owns and keeps alive.
    explicit ModelCamera(std::span<std::uint8_t> bytes, emu::FaultPlan faults = {}, bool trace = true);
    ModelCamera(const ModelCamera&) = delete;
    ModelCamera& operator=(const ModelCamera&) = delete;

    // The platform's device calls. open() fails while the camera is absent
    // or gone (unplugged, cut off).
    DeviceHandle open();
    bool close(DeviceHandle device);
    bool write(DeviceHandle device, const std::uint8_t* data, std::uint32_t length);
    bool read(DeviceHandle device, std::uint8_t* data, std::uint32_t length);

    // A fresh camera on the same flash (as after a power cycle): new faults,
    // counters and trace.
    void Restart(emu::FaultPlan faults = {}, bool trace = true);

    emu::Flash& flash() { return flash_; }
    const emu::Flash& flash() const { return flash_; }
    emu::DeviceModel& model() { return *model_; }
    std::span<const std::uint8_t> card() const { return flash_.bytes(); }
    std::vector<std::uint8_t> CardCopy() const { return {flash_.bytes().begin(), flash_.bytes().end()}; }
    // The trace so far; the current command's line comes when it ends (see
    // DeviceModel::settle()).
    std::vector<std::string> trace;
    bool present = true;

private:
    emu::Flash flash_;
    std::unique_ptr<emu::DeviceModel> model_;
};

// A platform whose camera is a ModelCamera, without the 10 ms pause after
// read packets (it only paces a real camera); the host window, boxes, strings
// and host files are the real platform's.
class ModelPlatform final : public Platform {
public:
    explicit ModelPlatform(ModelCamera& camera) : camera_(camera) {}
    DeviceHandle open_first_device() override { return camera_.open(); }
    bool close_device(DeviceHandle d) override { return camera_.close(d); }
    bool write_device(DeviceHandle d, const std::uint8_t* p, std::uint32_t n) override {
        return camera_.write(d, p, n);
    }
    bool read_device(DeviceHandle d, std::uint8_t* p, std::uint32_t n) override { return camera_.read(d, p, n); }
    void sleep_ms(std::uint32_t) override {}
    void send_message(HostWindow w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) override {
        real_.send_message(w, m, wp, lp);
    }
    void message_box(HostWindow w, bool owned, const char* t, const char* c, std::uint32_t s) override {
        real_.message_box(w, owned, t, c, s);
    }
    int load_string(ModuleHandle m, std::uint32_t id, char* b, int n) override {
        return real_.load_string(m, id, b, n);
    }
    HostFile* open_file(const char* p, FileMode m) override { return real_.open_file(p, m); }
    bool read_file(HostFile* f, void* d, std::uint32_t n, std::uint32_t* r) override {
        return real_.read_file(f, d, n, r);
    }
    bool write_file(HostFile* f, const void* d, std::uint32_t n) override { return real_.write_file(f, d, n); }
    bool seek_file(HostFile* f, std::uint64_t o) override { return real_.seek_file(f, o); }
    bool file_size(HostFile* f, std::uint64_t* s) override { return real_.file_size(f, s); }
    bool close_file(HostFile* f) override { return real_.close_file(f); }
    bool remove_file(const char* p) override { return real_.remove_file(p); }

private:
    ModelCamera& camera_;
    Platform& real_ = DefaultPlatform();
};

}  // namespace pixavon::test
