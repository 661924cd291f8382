// The card's layout and the catalog's format, as stored on the card: the
// constants and pure checks that the library and the host programs share.
// Nothing here touches the device or the library's state.
#pragma once

#include <cstdint>

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
constexpr std::uint32_t kSlotBytes = kSlotBlocks * 512;

// The card's size in bytes for a capacity code (26: 8 MiB, 52: 16 MiB).
constexpr std::uint64_t CardBytesFor(std::uint32_t capacity_code) {
    return capacity_code == kLargeCardCode ? 16ULL << 20 : 8ULL << 20;
}

// True when the 8 KiB at `catalog` start with the signature and name a known
// capacity.
bool IsValidCatalog(const std::uint8_t* catalog);

// Sets, in the 8 KiB at `catalog`, the fields of a catalog of a card of
// `capacity_code` listing `slots` (at most the capacity) in order: the
// signature, count, capacity code and the entries' interpreted bytes. Every
// byte a catalog does not interpret is left as it is (0xFF for one laid out
// as in an erased unit).
void BuildCatalog(std::uint8_t capacity_code, const std::uint8_t* slots, std::uint32_t count, std::uint8_t* catalog);

// What makes a catalog one that the card cannot hold, although it passes the
// signature and capacity checks.
enum class CatalogFault : std::uint8_t {
    None,
    TooManyPhotos,   // the count is above the capacity code
    SlotOutOfRange,  // a position names a slot at or above the capacity code
    SlotTwice,       // two positions name one slot
};

struct CatalogCheck {
    CatalogFault fault = CatalogFault::None;
    std::uint32_t count = 0;           // the catalog's photo count
    std::uint32_t capacity = 0;        // its capacity code
    std::uint32_t position = 0;        // SlotOutOfRange, SlotTwice: the (later) position at fault
    std::uint32_t slot = 0;            // the slot it names
    std::uint32_t other_position = 0;  // SlotTwice: the earlier position naming the same slot
};

// Checks the list of a valid catalog (IsValidCatalog) against the card it
// describes: the first fault found, in list order.
CatalogCheck CheckCatalogList(const std::uint8_t* catalog);

// The same rules for a list of `count` slot numbers held one after another
// (a loaded list), on a card of capacity code `capacity`.
CatalogCheck CheckSlotList(const std::uint8_t* slots, std::uint32_t count, std::uint32_t capacity);

}  // namespace pixavon
