#include "device/device.h"

#include "frame/library_state.h"

namespace pixavon {
namespace {

constexpr std::uint8_t kPacketMark = 0x85;

bool SendPacket(CommandCode code, std::uint16_t address) {
    const CommandPacket packet = EncodePacket(code, address);
    return ActivePlatform().write_device(State().device, packet.data(), kPacketSize);
}

}  // namespace

CommandPacket EncodePacket(CommandCode code, std::uint16_t address) {
    CommandPacket packet{};
    packet[0] = kPacketMark;
    packet[1] = static_cast<std::uint8_t>(code);
    packet[3] = static_cast<std::uint8_t>(address & 0xFFu);
    packet[4] = static_cast<std::uint8_t>(address >> 8);
    return packet;
}

int OpenDevice(HostWindow window) {
    LibraryState& state = State();
    if (state.device != nullptr) {
        CloseDevice();
    }
    state.notify_window = window;
    state.device = ActivePlatform().open_first_device();
    return state.device != nullptr ? 1 : 0;
}

int CloseDevice() {
    LibraryState& state = State();
    if (state.device == nullptr) {
        return 0;
    }
    const bool closed = ActivePlatform().close_device(state.device);
    state.device = nullptr;
    return closed ? 1 : 0;
}

int IsConnect() { return State().device != nullptr ? 1 : 0; }

int ReadGBA(std::uint16_t address, void* buffer, std::uint32_t length) {
    if (State().device == nullptr || (buffer == nullptr && length != 0)) {
        return 0;
    }
    if (!SendPacket(CommandCode::Read, address)) {
        return 0;
    }
    Platform& platform = ActivePlatform();
    platform.sleep_ms(kReadPauseMs);
    // The whole blocks in one request; the platform splits it as its driver
    // needs. A remainder below one block is never read.
    const std::uint32_t whole = length / kBlockSize * kBlockSize;
    if (whole != 0 && !platform.read_device(State().device, static_cast<std::uint8_t*>(buffer), whole)) {
        return 0;
    }
    return 1;
}

int WriteGBA(std::uint16_t address, const void* buffer, std::uint32_t length) {
    if (State().device == nullptr || (buffer == nullptr && length != 0)) {
        return 0;
    }
    if (!SendPacket(CommandCode::Write, address)) {
        return 0;
    }
    return ActivePlatform().write_device(State().device, static_cast<const std::uint8_t*>(buffer), length) ? 1 : 0;
}

int SendErase(std::uint16_t address) {
    if (State().device == nullptr) {
        return 0;
    }
    return SendPacket(CommandCode::Erase, address) ? 1 : 0;
}

}  // namespace pixavon
