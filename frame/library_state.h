// The library's one process-wide record and its ways of speaking to the host.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace pixavon {

// The card's size and the addresses derived from it, as the last catalog that
// passed the checks set them.
struct CardGeometry {
    std::uint16_t capacity_code = 26;
    std::uint16_t total_blocks = 0;
    std::uint16_t erase_interval = 0;  // blocks per erase unit; 0 until a catalog is loaded
    std::uint16_t catalog_erase_address = 0x3FF0;
    std::uint16_t catalog_write_address = 0x3FF0;
};

// The slot of each photo position, in catalog order.
struct PhotoSlotTable {
    std::uint8_t count = 0;
    std::array<std::uint8_t, 255> slots{};
};

struct LibraryState {
    DeviceHandle device = nullptr;
    HostWindow notify_window = nullptr;
    ModuleHandle module = nullptr;
    CardGeometry geometry{};
    PhotoSlotTable slot_table{};
};

LibraryState& State();

// Load hooks: the platform calls these when the library is attached to or
// detached from a process.
void OnProcessAttach(ModuleHandle module);
void OnProcessDetach();

// Sends the progress message to the notify window, if one is set. Every sender
// calls it before the unit of work it announces.
void NotifyProgress();

// Shows card error `id` (13 or 14) in a box owned by the notify window.
void ReportError(std::uint32_t id);

// Shows the box for a host file that cannot be opened, created or written.
void ShowFileErrorBox();

// Copies string `id` into a buffer of kStringBufferSize bytes; 1 if any
// character was copied.
constexpr int kStringBufferSize = 255;
int GetString(std::uint32_t id, char* buffer);

constexpr std::uint32_t kProgressMessage = 0x401;  // first user message + 1
constexpr std::uint32_t kBoxStyleError = 0x10;     // error icon, one OK button
constexpr std::uint32_t kReadCardError = 13;
constexpr std::uint32_t kWriteCardError = 14;

}  // namespace pixavon
