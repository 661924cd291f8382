// Reading a whole card and judging it: its size, its catalog, the pictures
// its slots hold, and the catalog a repair can write; see card_scan.h.
#include "card_scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "camera_session.h"
#include "catalog/card_layout.h"
#include "i18n.h"
#include "photo/image_format.h"

namespace pixavon::host {
namespace {

constexpr uint64_t kAddressSpace = 16ULL << 20;  // what 16-bit read addresses of 256 bytes reach
constexpr uint32_t kChunk = kBackupChunk;        // as a backup reads the card

bool erased(const uint8_t* bytes, size_t size) {
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0xFF; });
}

// Flash, which only clears bits, can take `wanted` over `current` without an
// erase.
bool flash_takes(const uint8_t* current, const std::vector<uint8_t>& wanted) {
    for (size_t i = 0; i < wanted.size(); ++i) {
        if ((current[i] & wanted[i]) != wanted[i]) return false;
    }
    return true;
}

// Every byte alike: a card that proves no size.
bool uniform(const uint8_t* bytes, size_t size) {
    return std::all_of(bytes, bytes + size, [first = bytes[0]](uint8_t b) { return b == first; });
}

// A list that flash can take over the catalog's bytes `list`, for a repair.
struct InPlaceList {
    std::vector<uint8_t> catalog;
    uint32_t count = 0;
};

// Of the lists that flash can take over `list` without an erase, one naming
// the most pictures found: every entry of the list there that still names a
// picture (within its count, first time named) keeps its place and bytes; the
// pictures it leaves out fill the other places, in slot order where a place's
// slot byte allows it. Nullopt when flash cannot take the signature and the
// card's capacity code; else at least the empty list.
std::optional<InPlaceList> best_list_in_place(const CardScan& scan, const uint8_t* list) {
    std::vector<uint8_t> head(list, list + kCatalogSize);
    std::memcpy(head.data(), kCatalogSignature, kSignatureLength);
    head[kCapacityOffset] = scan.capacity;
    if (!flash_takes(list, head)) return std::nullopt;

    const auto slot_at = [&](uint32_t i) { return list[kEntriesOffset + kEntrySize * i + kEntrySlotOffset]; };
    const uint8_t count_byte = list[kCountOffset];
    std::array<bool, 256> found{};
    for (const uint8_t slot : scan.found) found[slot] = true;
    std::array<int, 256> kept{};  // per place: the picture its entry still names, or -1
    kept.fill(-1);
    std::array<bool, 256> named{};
    for (uint32_t i = 0; i < count_byte; ++i) {
        const uint8_t slot = slot_at(i);
        if (slot < scan.capacity && found[slot] && !named[slot]) {
            kept[i] = slot;
            named[slot] = true;
        }
    }

    const auto most = static_cast<uint32_t>(scan.found.size());
    for (uint32_t count = most;; --count) {
        if ((count_byte & count) != count) continue;
        // Places to pictures: kept entries fixed, the others matched by
        // augmenting paths over the pictures their slot byte can still take.
        std::array<int, 256> place_of{};  // per slot: the place naming it, or -1
        place_of.fill(-1);
        std::vector<int> at(count, -1);
        for (uint32_t i = 0; i < count; ++i) {
            if (kept[i] >= 0) {
                at[i] = kept[i];
                place_of[static_cast<size_t>(kept[i])] = static_cast<int>(i);
            }
        }
        std::array<bool, 256> visited{};
        const auto fits = [&](uint32_t i, uint8_t slot) { return (slot_at(i) & slot) == slot; };
        const std::function<bool(uint32_t)> take = [&](uint32_t i) {
            // A picture no place names yet first, lowest slot first; else one
            // another place can give up.
            for (const uint8_t slot : scan.found) {
                if (fits(i, slot) && place_of[slot] < 0) {
                    place_of[slot] = static_cast<int>(i);
                    at[i] = slot;
                    return true;
                }
            }
            for (const uint8_t slot : scan.found) {
                if (!fits(i, slot) || visited[slot]) continue;
                const int other = place_of[slot];
                if (kept[static_cast<size_t>(other)] >= 0) continue;
                visited[slot] = true;
                if (take(static_cast<uint32_t>(other))) {
                    place_of[slot] = static_cast<int>(i);
                    at[i] = slot;
                    return true;
                }
            }
            return false;
        };
        bool whole = true;
        for (uint32_t i = 0; whole && i < count; ++i) {
            if (at[i] >= 0) continue;
            visited.fill(false);
            whole = take(i);
        }
        if (whole) {
            InPlaceList best{head, count};
            best.catalog[kCountOffset] = static_cast<uint8_t>(count);
            for (uint32_t i = 0; i < count; ++i) {
                if (kept[i] >= 0) continue;
                uint8_t* entry = best.catalog.data() + kEntriesOffset + kEntrySize * i;
                std::memset(entry, 0, kEntryZeroOffset + 1);
                entry[kEntrySlotOffset] = static_cast<uint8_t>(at[i]);
            }
            if (flash_takes(list, best.catalog)) return best;
        }
        if (count == 0) return std::nullopt;
    }
}

}  // namespace

std::optional<std::vector<uint8_t>> read_catalog_at_end(CardAccess& access, uint64_t card_bytes) {
    std::vector<uint8_t> catalog(kCatalogSize);
    const auto address = static_cast<uint16_t>((card_bytes - kCatalogSize) / 256);
    if (!access.read(address, catalog.data(), kCatalogSize)) return std::nullopt;
    return catalog;
}

bool write_catalog_in_place(CardAccess& access, uint64_t card_bytes, const std::vector<uint8_t>& current,
                            const std::vector<uint8_t>& wanted, std::string* error) {
    error->clear();
    if (current.size() != kCatalogSize || wanted.size() != kCatalogSize || !flash_takes(current.data(), wanted)) {
        return false;
    }
    const auto first_block = static_cast<uint16_t>(card_bytes / 512 - kCatalogBlocks);
    // The first block last: until it is written the catalog does not load.
    for (uint32_t n = 1; n <= kCatalogBlocks; ++n) {
        const uint32_t k = n % kCatalogBlocks;
        const uint8_t* block = wanted.data() + k * 512;
        if (std::memcmp(block, current.data() + k * 512, 512) == 0) continue;
        if (!access.write_block(static_cast<uint16_t>(first_block + k), block)) {
            *error = tr("the new list could not be written");
            return false;
        }
    }
    return true;
}

std::optional<CardScan> judge_card(std::vector<uint8_t> bytes, uint64_t known_bytes, int size_mib) {
    CardScan scan;
    const uint64_t half = kAddressSpace / 2;
    if (known_bytes != 0) {
        if ((known_bytes != half && known_bytes != kAddressSpace) || bytes.size() != known_bytes) return std::nullopt;
        scan.card_bytes = known_bytes;
        scan.size_proven = true;
    } else {
        if (bytes.size() != kAddressSpace) return std::nullopt;
        if (std::memcmp(bytes.data(), bytes.data() + half, half) != 0) {
            scan.card_bytes = kAddressSpace;
            scan.size_proven = true;
        } else if (!uniform(bytes.data(), half)) {
            scan.card_bytes = half;
            scan.size_proven = true;
        } else if (size_mib == 8 || size_mib == 16) {
            scan.card_bytes = static_cast<uint64_t>(size_mib) << 20;
        }
    }
    scan.card = std::move(bytes);
    if (scan.card_bytes == 0) return scan;
    scan.card.resize(scan.card_bytes);
    scan.capacity = static_cast<uint8_t>(scan.card_bytes == kAddressSpace ? kLargeCardCode : kSmallCardCode);

    // The catalog at the card's own end; its list counts only when its
    // capacity code is the card's.
    const uint8_t* list = scan.card.data() + scan.card_bytes - kCatalogSize;
    scan.catalog_loads = IsValidCatalog(list);
    scan.catalog_fits = scan.catalog_loads && list[kCapacityOffset] == scan.capacity;
    scan.listed.assign(scan.capacity, false);
    if (scan.catalog_fits) {
        scan.catalog_ok = CheckCatalogList(list).fault == CatalogFault::None;
        const uint32_t count = list[kCountOffset];  // at most 255 entries: they end inside the 8 KiB
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t slot = list[kEntriesOffset + kEntrySize * i + kEntrySlotOffset];
            if (slot >= scan.capacity) continue;
            scan.listed[slot] = true;
            if (erased(scan.card.data() + uint64_t{slot} * kSlotBytes, kSlotBytes)) scan.list_names_empty_slot = true;
        }
    }
    for (uint32_t slot = 0; slot < scan.capacity; ++slot) {
        if (!erased(scan.card.data() + uint64_t{slot} * kSlotBytes, kSlotBytes)) {
            scan.found.push_back(static_cast<uint8_t>(slot));
        }
    }
    scan.all_listed = scan.catalog_fits && std::all_of(scan.found.begin(), scan.found.end(),
                                                       [&](uint8_t slot) { return scan.listed[slot]; });
    // A catalog naming every picture found, in slot order, over the catalog's
    // bytes as they are: where a rewrite was cut short, what it wrote is mostly
    // what a new catalog needs anyway, and bytes not interpreted stay as they are.
    const auto found = static_cast<uint32_t>(scan.found.size());
    scan.new_catalog.assign(list, list + kCatalogSize);
    BuildCatalog(scan.capacity, scan.found.data(), found, scan.new_catalog.data());
    scan.new_catalog_fits = flash_takes(list, scan.new_catalog);
    if (!scan.new_catalog_fits) {
        // Failing that, the catalog flash can take that names the most pictures,
        // keeping in place every entry of the list that still names one.
        if (std::optional<InPlaceList> best = best_list_in_place(scan, list)) {
            if (best->count == found) {
                scan.new_catalog = std::move(best->catalog);
                scan.new_catalog_fits = true;
            } else {
                scan.partial_catalog = std::move(best->catalog);
                scan.partial_count = static_cast<int>(best->count);
            }
        }
    }
    return scan;
}

WholeCardRead read_whole_card(CardAccess& access, uint64_t span,
                              const std::function<bool(uint32_t, uint32_t)>& before_chunk,
                              const std::function<void(const uint8_t*, size_t)>& take, uint64_t* failed_at) {
    std::vector<uint8_t> chunk(kChunk);
    const auto chunks = static_cast<uint32_t>(span / kChunk);
    for (uint32_t k = 0; k < chunks; ++k) {
        if (!before_chunk(k, chunks)) return WholeCardRead::kStopped;
        const auto address = static_cast<uint16_t>(k * (kChunk / 256));
        if (!access.read(address, chunk.data(), kChunk)) {
            if (failed_at != nullptr) *failed_at = uint64_t{k} * kChunk;
            return WholeCardRead::kReadFailed;
        }
        take(chunk.data(), chunk.size());
    }
    return WholeCardRead::kDone;
}

std::optional<CardScan> scan_card(CardAccess& access, uint64_t known_bytes, int size_mib,
                                  const std::function<bool(uint32_t, uint32_t)>& before_chunk, std::string* error) {
    const uint64_t span = known_bytes != 0 ? known_bytes : kAddressSpace;
    std::vector<uint8_t> bytes;
    bytes.reserve(span);
    uint64_t failed_at = 0;
    switch (read_whole_card(
        access, span, before_chunk,
        [&](const uint8_t* chunk, size_t size) { bytes.insert(bytes.end(), chunk, chunk + size); }, &failed_at)) {
        case WholeCardRead::kDone:
            break;
        case WholeCardRead::kStopped:
            error->clear();
            return std::nullopt;
        case WholeCardRead::kReadFailed:
            *error = tr("The camera stopped answering while the card was read");
            return std::nullopt;
    }
    std::optional<CardScan> scan = judge_card(std::move(bytes), known_bytes, size_mib);
    if (!scan) *error = tr("the card is neither 8 nor 16 MiB");
    return scan;
}

std::vector<uint8_t> bitmap_of_slot(const CardScan& scan, uint8_t slot) {
    std::vector<uint8_t> card_image(kCardImageSize);
    std::memcpy(card_image.data(), scan.card.data() + uint64_t{slot} * kSlotBytes, kSlotBytes);
    std::vector<uint8_t> bitmap(kPhotoFileSize);
    PhotoFileFromCardImage(card_image.data(), bitmap.data());
    return bitmap;
}

RepairPlan plan_repair(const CardScan& scan) {
    const bool usable = scan.catalog_ok && !scan.list_names_empty_slot;
    if (usable && scan.all_listed) return RepairPlan::kNone;
    if (scan.new_catalog_fits) return RepairPlan::kWriteCatalog;
    if (scan.partial_count < 0) return RepairPlan::kCannot;
    // A usable list that no list written in place would improve on.
    const uint8_t* list = scan.card.data() + scan.card_bytes - kCatalogSize;
    if (usable && std::equal(scan.partial_catalog.begin(), scan.partial_catalog.end(), list)) {
        return RepairPlan::kPutBack;
    }
    return RepairPlan::kPartial;
}

bool repair_card(CardAccess& access, const CardScan& scan, RepairPlan plan, std::string* error) {
    if (plan != RepairPlan::kWriteCatalog && plan != RepairPlan::kPartial) return plan == RepairPlan::kNone;
    const std::vector<uint8_t>& wanted = plan == RepairPlan::kWriteCatalog ? scan.new_catalog : scan.partial_catalog;
    const uint32_t count = plan == RepairPlan::kWriteCatalog ? static_cast<uint32_t>(scan.found.size())
                                                             : static_cast<uint32_t>(scan.partial_count);
    const uint8_t* list = scan.card.data() + scan.card_bytes - kCatalogSize;
    const std::vector<uint8_t> current(list, list + kCatalogSize);
    if (!write_catalog_in_place(access, scan.card_bytes, current, wanted, error)) {
        if (error->empty()) *error = tr("the new list could not be written");
        return false;
    }
    const std::optional<std::vector<uint8_t>> catalog = read_catalog_at_end(access, scan.card_bytes);
    if (!catalog || *catalog != wanted || CheckCatalogList(catalog->data()).fault != CatalogFault::None ||
        (*catalog)[kCountOffset] != count) {
        *error = tr("the repaired list does not name the pictures found");
        return false;
    }
    return true;
}

}  // namespace pixavon::host
