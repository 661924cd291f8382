// The camera's flash memory: the card's bytes and, per 512-byte block, whether
// it was programmed since its last erase. Programming only clears bits (the
// new bytes are ANDed in); only an erase of a whole unit sets them again.
//
// Portable: the card file (card.h) keeps its flash over a file mapping, tests
// and the Windows build keep one in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pixavon::emu {

inline constexpr uint32_t kBlockSize = 512;
inline constexpr uint32_t kReadUnit = 256;
inline constexpr uint32_t kCatalogSize = 8192;
inline constexpr uint64_t kSmallCardSize = 8ULL * 1024 * 1024;
inline constexpr uint64_t kLargeCardSize = 16ULL * 1024 * 1024;

// The bytes of an empty catalog for a card of `card_size` bytes.
std::vector<uint8_t> empty_catalog(uint64_t card_size);

class Flash {
public:
    // A flash of its own in memory, holding `image` (8 or 16 MiB). Blocks that
    // are not all 0xFF count as programmed.
    explicit Flash(std::span<const uint8_t> image);
    // A flash over `bytes` that someone else owns and keeps alive.
    explicit Flash(std::span<uint8_t> bytes);
    Flash(Flash&&) noexcept = default;
    Flash& operator=(Flash&&) noexcept = default;
    Flash(const Flash&) = delete;
    Flash& operator=(const Flash&) = delete;

    uint64_t size() const { return bytes_.size(); }
    uint32_t block_count() const { return static_cast<uint32_t>(size() / kBlockSize); }
    // Blocks per erase unit: 16 on the 8 MiB card, 32 on the 16 MiB card.
    uint32_t erase_unit_blocks() const { return size() == kSmallCardSize ? 16u : 32u; }
    uint8_t capacity_code() const { return size() == kSmallCardSize ? 26 : 52; }

    // The card's bytes from `offset` (< size) up to the end of the card.
    std::span<const uint8_t> bytes_from(uint64_t offset) const { return bytes_.subspan(offset); }
    std::span<const uint8_t> bytes() const { return bytes_; }

    bool programmed(uint32_t block) const { return programmed_[block] != 0; }

    // ANDs `data` into the card at `offset`; offset + data.size() <= size.
    // Marks every block touched as programmed. Returns true if a touched block
    // at or after `first_fresh_block` was already programmed before this call
    // (the caller passes the first block its message has not yet touched, so a
    // message split over several calls is judged against the state before it).
    bool program(uint64_t offset, std::span<const uint8_t> data, uint32_t first_fresh_block);

    // Erases the whole unit containing `block` (< block_count).
    void erase_unit_of(uint32_t block);
    // What an erase cut short leaves: the first half of the unit containing
    // `block` erased, the rest as it was.
    void half_erase_unit_of(uint32_t block);

    // Marks as programmed exactly the blocks that are not all 0xFF.
    void rescan();

    // The erase units programmed or erased since the last revert(), for tests
    // that run thousands of cases on one card: revert() puts just those units
    // back as `image` has them.
    const std::vector<uint32_t>& touched_units() const { return touched_; }
    void revert(std::span<const uint8_t> image);

private:
    void touch(uint32_t first_block, uint32_t last_block);
    void rescan(uint32_t first_block, uint32_t end_block);

    std::vector<uint8_t> owned_;
    std::span<uint8_t> bytes_;
    std::vector<uint8_t> programmed_;  // one flag per 512-byte block
    std::vector<uint8_t> unit_touched_;
    std::vector<uint32_t> touched_;
};

}  // namespace pixavon::emu
