// The card's catalog as the host reads it: its photos' slots and directory
// entries, and whether the card can hold the list (catalog.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalog/card_layout.h"

namespace pixavon::host {

// The catalog as read from the card.
struct Catalog {
    uint32_t count = 0;
    uint32_t capacity_code = 0;  // 26 or 52
    std::vector<uint8_t> slots;  // slot of each position
    // Each position's directory entry as stored: what, besides its slot, tells
    // a photo from another without reading it.
    std::vector<std::array<uint8_t, kEntrySize>> entries;
    CatalogCheck check;  // whether the card can hold this list
    uint64_t card_bytes() const { return CardBytesFor(capacity_code); }
    uint32_t free_slots() const { return count < capacity_code ? capacity_code - count : 0; }
};

// True if `bytes` (8192) is a catalog the library accepts: signature and a
// capacity code of 26 or 52.
bool valid_catalog(const uint8_t* bytes);
Catalog parse_catalog(const uint8_t* bytes);

// The catalog could not be read.
class CatalogError : public std::runtime_error {
public:
    enum class Kind { kDamaged, kNoAnswer, kChanged };
    CatalogError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

}  // namespace pixavon::host
