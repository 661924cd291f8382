// The card's layout and its catalog: the 8 KiB list of photos at the end of the
// card, loaded into the library state and changed by read, modify, write back.
#pragma once

#include <array>
#include <cstdint>

#include "catalog/card_layout.h"
#include "frame/library_state.h"

namespace pixavon {

using CatalogBuffer = std::array<std::uint8_t, kCatalogSize>;

// The geometry of the card that a capacity code names (26 or 52).
CardGeometry GeometryFor(std::uint16_t capacity_code);

// True when the buffer starts with the signature and names a known capacity.
inline bool IsValidCatalog(const CatalogBuffer& catalog) { return IsValidCatalog(catalog.data()); }

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
