// The camera link: opening and closing the device, and the three commands
// (read, write, erase) that are the library's only ways of reaching the card.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace pixavon {

constexpr std::uint32_t kBlockSize = 512;     // unit of write and erase addresses
constexpr std::uint32_t kReadUnitSize = 256;  // unit of read addresses
constexpr std::uint32_t kPacketSize = 16;
constexpr std::uint32_t kReadPauseMs = 10;  // pause after every read packet

enum class CommandCode : std::uint8_t {
    Read = 0x71,
    Write = 0x72,
    Erase = 0x73,
};

using CommandPacket = std::array<std::uint8_t, kPacketSize>;

// The 16 bytes of a command packet: 0x85, the code, 0, the address (low byte
// first), eleven zero bytes.
CommandPacket EncodePacket(CommandCode code, std::uint16_t address);

int OpenDevice(HostWindow window);
int CloseDevice();
int IsConnect();

// Sends a read command at `address` (256-byte units), pauses, then reads
// length / 512 blocks of 512 bytes into `buffer`, asking the platform for all
// of them at once. A remainder below 512 bytes is not read.
int ReadGBA(std::uint16_t address, void* buffer, std::uint32_t length);
// Sends a write command at block `address`, then `length` bytes in one transfer.
int WriteGBA(std::uint16_t address, const void* buffer, std::uint32_t length);
// Sends an erase command at block `address`.
int SendErase(std::uint16_t address);

}  // namespace pixavon
