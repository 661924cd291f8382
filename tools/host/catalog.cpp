// The card's catalog as the host reads it; see catalog.h.
#include <algorithm>

#include "catalog.h"

namespace pixavon::host {

bool valid_catalog(const uint8_t* bytes) { return IsValidCatalog(bytes); }

Catalog parse_catalog(const uint8_t* bytes) {
    Catalog catalog;
    catalog.capacity_code = bytes[kCapacityOffset];
    catalog.count = bytes[kCountOffset];  // at most 255 entries: they end well inside the 8 KiB
    for (uint32_t i = 0; i < catalog.count; ++i) {
        const uint8_t* entry = bytes + kEntriesOffset + kEntrySize * i;
        catalog.slots.push_back(entry[kEntrySlotOffset]);
        catalog.entries.emplace_back();
        std::copy(entry, entry + kEntrySize, catalog.entries.back().begin());
    }
    catalog.check = CheckCatalogList(bytes);
    return catalog;
}

}  // namespace pixavon::host
