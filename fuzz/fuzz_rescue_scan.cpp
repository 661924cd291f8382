// Fuzz target: rescue's judgement of a card from its bytes (judge_card) and
// the repair it plans, carried out on an in-memory flash that, as a card's,
// only clears bits. The input's first byte picks the card (8 or 16 MiB, a card
// image of known length or a camera read across the whole address range, a
// size given); its next 8 KiB lie over the catalog at the card's end, and the
// rest is spread over the first bytes of the slots. Whatever the bytes, the
// judgement must not crash, and a repair it plans must leave a catalog that
// loads, fits the card and names only pictures found, each once.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "card_scan.h"
#include "catalog/card_layout.h"

namespace {

constexpr std::uint64_t kSmall = 8u << 20;

// A card's flash in memory, reached as the library reaches a camera's.
class MemoryCard : public pixavon::host::CardAccess {
public:
    explicit MemoryCard(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool read(std::uint16_t address, std::uint8_t* buffer, std::uint32_t length) override {
        for (std::uint32_t i = 0; i < length; ++i)
            buffer[i] = bytes_[(std::uint64_t{address} * 256 + i) % bytes_.size()];
        return true;
    }
    bool write_block(std::uint16_t block, const std::uint8_t* data) override {
        const std::uint64_t at = std::uint64_t{block} * 512;
        if (at + 512 > bytes_.size()) std::abort();  // a repair writes only inside the card
        for (std::uint32_t i = 0; i < 512; ++i) bytes_[at + i] &= data[i];
        return true;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t mode = data[0];
    const std::uint64_t card_bytes = (mode & 1) != 0 ? 2 * kSmall : kSmall;
    const bool known = (mode & 2) != 0;
    const int size_mib = (mode & 12) == 4 ? 8 : (mode & 12) == 8 ? 16 : 0;
    const std::uint8_t fill = (mode & 16) != 0 ? 0x00 : 0xFF;
    ++data;
    --size;

    std::vector<std::uint8_t> card(card_bytes, fill);
    const std::size_t catalog = std::min<std::size_t>(size, pixavon::kCatalogSize);
    std::memcpy(card.data() + card_bytes - pixavon::kCatalogSize, data, catalog);
    const std::uint32_t slots = card_bytes == kSmall ? 26 : 52;
    for (std::size_t i = catalog, k = 0; i < size; i += 64, ++k) {
        const std::size_t n = std::min<std::size_t>(64, size - i);
        std::memcpy(card.data() + (k % slots) * pixavon::kSlotBytes + (k / slots) * 64, data + i, n);
    }

    MemoryCard flash(card);
    std::vector<std::uint8_t> read = card;
    if (!known) {
        // What the address range reads: an 8 MiB card answers twice.
        read.resize(2 * kSmall);
        if (card_bytes == kSmall) std::memcpy(read.data() + kSmall, card.data(), kSmall);
    }
    const auto scan = pixavon::host::judge_card(std::move(read), known ? card_bytes : 0, size_mib);
    if (!scan || scan->card_bytes == 0) return 0;
    if (scan->size_proven && scan->card_bytes != card_bytes) std::abort();  // a size proven wrongly

    const pixavon::host::RepairPlan plan = pixavon::host::plan_repair(*scan);
    if (plan != pixavon::host::RepairPlan::kWriteCatalog && plan != pixavon::host::RepairPlan::kPartial) return 0;
    if (scan->card_bytes != card_bytes) return 0;  // a size given wrongly: the person's word
    std::string error;
    if (!pixavon::host::repair_card(flash, *scan, plan, &error)) std::abort();
    const std::uint8_t* list = flash.bytes().data() + card_bytes - pixavon::kCatalogSize;
    if (!pixavon::IsValidCatalog(list) || list[pixavon::kCapacityOffset] != scan->capacity ||
        pixavon::CheckCatalogList(list).fault != pixavon::CatalogFault::None) {
        std::abort();
    }
    for (std::uint32_t i = 0; i < list[pixavon::kCountOffset]; ++i) {
        const std::uint8_t slot = list[pixavon::kEntriesOffset + pixavon::kEntrySize * i + pixavon::kEntrySlotOffset];
        bool found = false;
        for (const std::uint8_t s : scan->found) found = found || s == slot;
        if (!found) std::abort();
    }
    // Nothing but the catalog's blocks changed.
    if (std::memcmp(flash.bytes().data(), card.data(), card_bytes - pixavon::kCatalogSize) != 0) std::abort();
    return 0;
}
