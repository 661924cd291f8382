#include "catalog/catalog.h"

#include <algorithm>
#include <cstring>

#include "device/device.h"

namespace pixavon {
namespace {

// A catalog can be changed only once a load has told us the card's geometry;
// before that the catalog addresses may lie inside a photo slot.
bool GeometryLoaded() { return State().geometry.erase_interval != 0; }

// Reads the card's catalog and checks it. Shows message 13 for a catalog that
// is not one.
bool ReadValidCatalog(CatalogBuffer& catalog) {
    if (ReadGBA(kCatalogReadAddress, catalog.data(), kCatalogSize) == 0) {
        return false;
    }
    if (!IsValidCatalog(catalog)) {
        ReportError(kReadCardError);
        return false;
    }
    return true;
}

// The same for a change: nothing is read before a load has told us the card's
// geometry.
bool LoadForUpdate(CatalogBuffer& catalog) { return GeometryLoaded() && ReadValidCatalog(catalog); }

std::uint8_t* Entry(CatalogBuffer& catalog, std::uint32_t index) {
    return catalog.data() + kEntriesOffset + kEntrySize * index;
}

constexpr int kCatalogWritePasses = 3;

// Writes the catalog's 16 blocks into its freshly erased unit. The catalog is
// the one place where a single failed command would lose the whole list of
// photos, so a failed pass erases the unit again and writes every block again
// from the buffer, up to two more times, before message 14 is shown. Each
// block is announced once, on the pass that first reaches it.
int StoreCatalog(const CatalogBuffer& catalog, bool announce, bool unit_erased) {
    const CardGeometry& geometry = State().geometry;
    std::uint32_t announced = 0;
    for (int pass = 0; pass < kCatalogWritePasses; ++pass) {
        bool written = unit_erased || SendErase(geometry.catalog_erase_address) != 0;
        unit_erased = false;
        for (std::uint32_t k = 0; written && k < kCatalogBlocks; ++k) {
            if (announce && k >= announced) {
                NotifyProgress();
                announced = k + 1;
            }
            written = WriteGBA(static_cast<std::uint16_t>(geometry.catalog_write_address + k),
                               catalog.data() + kBlockSize * k, kBlockSize) != 0;
        }
        if (written) {
            return 1;
        }
    }
    ReportError(kWriteCardError);
    return 0;
}

}  // namespace

CardGeometry GeometryFor(std::uint16_t capacity_code) {
    if (capacity_code == kLargeCardCode) {
        return CardGeometry{kLargeCardCode, 0x8000, 32, 0x7FE0, 0x7FF0};
    }
    return CardGeometry{kSmallCardCode, 0x4000, 16, 0x3FF0, 0x3FF0};
}

std::int32_t GetPhotoCount() {
    LibraryState& state = State();
    if (state.device == nullptr && OpenDevice(state.notify_window) == 0) {
        return 0;
    }
    CatalogBuffer catalog{};
    state.slot_table = PhotoSlotTable{};
    if (!ReadValidCatalog(catalog)) {
        return 0;
    }
    state.geometry = GeometryFor(catalog[kCapacityOffset]);
    const std::uint8_t count = catalog[kCountOffset];
    if (count == 0) {
        return 0;
    }
    state.slot_table.count = count;
    for (std::uint32_t i = 0; i < count; ++i) {
        state.slot_table.slots[i] = Entry(catalog, i)[kEntrySlotOffset];
    }
    return count;
}

std::uint16_t GetCardMemory() { return State().geometry.capacity_code; }

int WriteBackCatalog(const CatalogBuffer& catalog) { return StoreCatalog(catalog, true, false); }

int DeletePhoto(std::int32_t position) {
    CatalogBuffer catalog{};
    if (!LoadForUpdate(catalog)) {
        return 0;
    }
    const std::uint8_t count = catalog[kCountOffset];
    if (position < 0 || position >= count) {
        return 0;
    }
    const auto last = static_cast<std::uint32_t>(count - 1);
    catalog[kCountOffset] = static_cast<std::uint8_t>(last);
    for (auto i = static_cast<std::uint32_t>(position); i < last; ++i) {
        std::memcpy(Entry(catalog, i), Entry(catalog, i + 1), kEntrySize);
    }
    // The old last entry becomes the marker just past the list.
    std::uint8_t* marker = Entry(catalog, last);
    marker[kEntryMarkOffset] = kMarkerEntry;
    marker[kEntrySlotOffset] = static_cast<std::uint8_t>(position & 0xFF);
    marker[kEntryZeroOffset] = 0;
    return WriteBackCatalog(catalog);
}

int AppendCatalogEntry(std::uint8_t slot) {
    CatalogBuffer catalog{};
    if (!LoadForUpdate(catalog)) {
        return 0;
    }
    const std::uint8_t count = catalog[kCountOffset];
    // A list already at the card's capacity takes no more entries.
    if (count >= catalog[kCapacityOffset]) {
        return 0;
    }
    catalog[kCountOffset] = static_cast<std::uint8_t>(count + 1);
    std::uint8_t* entry = Entry(catalog, count);
    std::fill(entry, entry + kEntryZeroOffset + 1, std::uint8_t{0});
    entry[kEntrySlotOffset] = slot;
    if (WriteBackCatalog(catalog) == 0) {
        return 0;
    }
    // The slot is taken now: a following upload must not choose it again,
    // whether or not the host reloads the list first.
    PhotoSlotTable& table = State().slot_table;
    if (table.count < table.slots.size()) {
        table.slots[table.count] = slot;
        ++table.count;
    }
    return 1;
}

int FormatGBA() {
    if (!GeometryLoaded()) {
        return 0;
    }
    CatalogBuffer catalog{};
    if (ReadGBA(kCatalogReadAddress, catalog.data(), kCatalogSize) == 0) {
        return 0;
    }
    // A fresh, empty catalog for this card; every other byte stays as read.
    std::memcpy(catalog.data(), kCatalogSignature, kSignatureLength);
    catalog[kSignatureLength] = 0;
    catalog[kCountOffset] = 0;
    catalog[kCapacityOffset] = static_cast<std::uint8_t>(State().geometry.capacity_code);
    std::fill(catalog.begin() + kEntriesOffset, catalog.begin() + kEntriesOffset + 32 * kEntrySize, std::uint8_t{0xFF});
    // A refused first erase has changed nothing on the card: give up quietly.
    if (SendErase(State().geometry.catalog_erase_address) == 0) {
        return 0;
    }
    return StoreCatalog(catalog, false, true);
}

}  // namespace pixavon
