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

}  // namespace pixavon::test
