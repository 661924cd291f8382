#include "catalog/card_layout.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace pixavon {

bool IsValidCatalog(const std::uint8_t* catalog) {
    const std::uint8_t code = catalog[kCapacityOffset];
    return std::memcmp(catalog, kCatalogSignature, kSignatureLength) == 0 &&
           (code == kSmallCardCode || code == kLargeCardCode);
}

void BuildCatalog(std::uint8_t capacity_code, const std::uint8_t* slots, std::uint32_t count, std::uint8_t* catalog) {
    std::memcpy(catalog, kCatalogSignature, kSignatureLength);
    catalog[kCountOffset] = static_cast<std::uint8_t>(count);
    catalog[kCapacityOffset] = capacity_code;
    for (std::uint32_t i = 0; i < count && i < capacity_code; ++i) {
        std::uint8_t* entry = catalog + kEntriesOffset + kEntrySize * i;
        entry[kEntryMarkOffset] = 0;
        std::memset(entry + kEntryMarkOffset + 1, 0, kEntrySlotOffset - kEntryMarkOffset - 1);
        entry[kEntrySlotOffset] = slots[i];
        entry[kEntryZeroOffset] = 0;
    }
}

namespace {

// The list's rules, for slot numbers `stride` bytes apart.
CatalogCheck CheckSlots(const std::uint8_t* first_slot, std::uint32_t stride, std::uint32_t count,
                        std::uint32_t capacity) {
    CatalogCheck check;
    check.count = count;
    check.capacity = capacity;
    if (check.count > check.capacity) {
        check.fault = CatalogFault::TooManyPhotos;
        return check;
    }
    constexpr std::uint32_t kNone = 0xFFFFFFFF;
    std::array<std::uint32_t, 256> named_by{};
    named_by.fill(kNone);
    for (std::uint32_t i = 0; i < check.count; ++i) {
        const std::uint8_t slot = first_slot[static_cast<std::size_t>(stride) * i];
        check.position = i;
        check.slot = slot;
        if (slot >= check.capacity) {
            check.fault = CatalogFault::SlotOutOfRange;
            return check;
        }
        if (named_by[slot] != kNone) {
            check.fault = CatalogFault::SlotTwice;
            check.other_position = named_by[slot];
            return check;
        }
        named_by[slot] = i;
    }
    check.position = 0;
    check.slot = 0;
    return check;
}

}  // namespace

CatalogCheck CheckCatalogList(const std::uint8_t* catalog) {
    return CheckSlots(catalog + kEntriesOffset + kEntrySlotOffset, kEntrySize, catalog[kCountOffset],
                      catalog[kCapacityOffset]);
}

CatalogCheck CheckSlotList(const std::uint8_t* slots, std::uint32_t count, std::uint32_t capacity) {
    return CheckSlots(slots, 1, count, capacity);
}

}  // namespace pixavon
