#include "support/model_camera.h"

#include <cstring>

namespace pixavon::test {

ModelCamera::ModelCamera(std::span<const std::uint8_t> image, emu::FaultPlan faults, bool trace) : flash_(image) {
    Restart(std::move(faults), trace);
}

ModelCamera::ModelCamera(std::span<std::uint8_t> bytes, emu::FaultPlan faults, bool trace) : flash_(bytes) {
    Restart(std::move(faults), trace);
}

void ModelCamera::Restart(emu::FaultPlan faults, bool keep_trace) {
    trace.clear();
    emu::DeviceModel::TraceSink sink;
    if (keep_trace) sink = [this](const std::string& line) { trace.push_back(line); };
    model_ = std::make_unique<emu::DeviceModel>(flash_, std::move(faults), std::move(sink));
}

DeviceHandle ModelCamera::open() { return present && model_->connect() ? this : nullptr; }

bool ModelCamera::close(DeviceHandle device) {
    if (device != this) return false;
    model_->disconnect();
    return true;
}

bool ModelCamera::write(DeviceHandle device, const std::uint8_t* data, std::uint32_t length) {
    return device == this && model_->write({data, length}) == emu::DeviceModel::Reply::kAccepted;
}

bool ModelCamera::read(DeviceHandle device, std::uint8_t* data, std::uint32_t length) {
    if (device != this) return false;
    std::uint32_t done = 0;
    const auto reply = model_->read(length, [&](std::span<const std::uint8_t> bytes) {
        std::memcpy(data + done, bytes.data(), bytes.size());
        done += static_cast<std::uint32_t>(bytes.size());
    });
    return reply == emu::DeviceModel::Reply::kAccepted;
}

}  // namespace pixavon::test
