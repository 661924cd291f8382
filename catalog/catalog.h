// The card's layout and its catalog: the 8 KiB list of photos at the end of the
// card, loaded into the library state and changed by read, modify, write back.
#pragma once

#include <array>
#include <cstdint>

#include "frame/library_state.h"

namespace pixavon {

constexpr std::uint32_t kCatalogSize = 8192;
constexpr std::uint32_t kCatalogBlocks = kCatalogSize / 512;
constexpr std::uint16_t kCatalogReadAddress = 0xFFE0;
constexpr char kCatalogSignature[] = "KOV PHOTO CAM IMAGE";
constexpr std::uint32_t kSignatureLength = sizeof kCatalogSignature - 1;  // 19, no terminator
constexpr std::uint32_t kCountOffset = 256;
constexpr std::uint32_t kCapacityOffset = 258;
constexpr std::uint32_t kEntriesOffset = 512;
constexpr std::uint32_t kEntrySize = 16;
constexpr std::uint32_t kEntryMarkOffset = 0;
constexpr std::uint32_t kEntrySlotOffset = 8;
constexpr std::uint32_t kEntryZeroOffset = 9;
constexpr std::uint8_t kMarkerEntry = 0xFF;

constexpr std::uint16_t kSmallCardCode = 26;  // 8 MiB, 26 photos
constexpr std::uint16_t kLargeCardCode = 52;  // 16 MiB, 52 photos
constexpr std::uint32_t kSlotBlocks = 608;    // one photo slot, 0x4C000 bytes

using CatalogBuffer = std::array<std::uint8_t, kCatalogSize>;

// The geometry of the card that a capacity code names (26 or 52).
CardGeometry GeometryFor(std::uint16_t capacity_code);

// True when the buffer starts with the signature and names a known capacity.
bool IsValidCatalog(const CatalogBuffer& catalog);

std::int32_t GetPhotoCount();
std::uint16_t GetCardMemory();
int DeletePhoto(std::int32_t position);
int FormatGBA();

// Adds the slot just filled by an upload as the last position of the list.
int AppendCatalogEntry(std::uint8_t slot);
// Erases the catalog's unit and writes its 16 blocks, each announced; a
// failed pass is tried again from the erase, twice at most.
int WriteBackCatalog(const CatalogBuffer& catalog);

}  // namespace pixavon
