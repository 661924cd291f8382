// Saving one photo from the card as a bitmap file, and putting one on the card.
#pragma once

#include <cstdint>

namespace pixavon {

// The read buffer of a download: 20 chunks of 16 KiB, and room behind them
// for the card image of an odd slot, which starts 16 KiB in.
constexpr std::uint32_t kSlotReadChunks = 20;
constexpr std::uint32_t kSlotReadChunkSize = 16384;
constexpr std::uint32_t kSlotReadBufferSize = 16384 + 311696;  // 328,080

// Reads slot `slot` in 20 chunks of 16 KiB from the 32 KiB boundary below it.
// The card image then starts at (slot x 0x4C000) mod 0x8000 in `buffer`.
int ReadPhotoSlot(std::uint8_t slot, std::uint8_t* buffer);

int ReadPixavonToFile(std::int32_t position, const char* path);
int WriteFileToGBA(const char* path);

}  // namespace pixavon
