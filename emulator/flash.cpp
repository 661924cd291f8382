#include "flash.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pixavon::emu {
namespace {

constexpr char kSignature[] = "KOV PHOTO CAM IMAGE";
constexpr size_t kSignatureLength = sizeof(kSignature) - 1;  // 19, stored without terminator

void check_size(uint64_t size) {
    if (size != kSmallCardSize && size != kLargeCardSize) throw std::invalid_argument("a card holds 8 or 16 MiB");
}

}  // namespace

std::vector<uint8_t> empty_catalog(uint64_t card_size) {
    std::vector<uint8_t> catalog(kCatalogSize, 0xFF);
    std::fill(catalog.begin(), catalog.begin() + 512, uint8_t{0});
    std::memcpy(catalog.data(), kSignature, kSignatureLength);
    catalog[256] = 0;  // photo count
    catalog[258] = card_size == kSmallCardSize ? 26 : 52;
    return catalog;
}

Flash::Flash(std::span<const uint8_t> image) : owned_(image.begin(), image.end()), bytes_(owned_) {
    check_size(size());
    rescan();
}

Flash::Flash(std::span<uint8_t> bytes) : bytes_(bytes) {
    check_size(size());
    rescan();
}

bool Flash::program(uint64_t offset, std::span<const uint8_t> data, uint32_t first_fresh_block) {
    if (data.empty()) return false;
    // Eight bytes at a time: the tests run millions of blocks through here.
    uint8_t* target = bytes_.data() + offset;
    size_t i = 0;
    for (; i + 8 <= data.size(); i += 8) {
        uint64_t old_bits = 0, new_bits = 0;
        std::memcpy(&old_bits, target + i, 8);
        std::memcpy(&new_bits, data.data() + i, 8);
        old_bits &= new_bits;
        std::memcpy(target + i, &old_bits, 8);
    }
    for (; i < data.size(); ++i) target[i] &= data[i];
    const uint64_t first = offset / kBlockSize;
    const uint64_t last = (offset + data.size() - 1) / kBlockSize;
    bool unerased = false;
    for (uint64_t block = first; block <= last; ++block) {
        if (block >= first_fresh_block && programmed_[block] != 0) unerased = true;
        programmed_[block] = 1;
    }
    touch(static_cast<uint32_t>(first), static_cast<uint32_t>(last));
    return unerased;
}

void Flash::erase_unit_of(uint32_t block) {
    const uint32_t unit = erase_unit_blocks();
    const uint32_t first = block - block % unit;
    std::memset(bytes_.data() + uint64_t{first} * kBlockSize, 0xFF, uint64_t{unit} * kBlockSize);
    std::fill_n(programmed_.begin() + first, unit, uint8_t{0});
    touch(first, first);
}

void Flash::half_erase_unit_of(uint32_t block) {
    const uint32_t half = erase_unit_blocks() / 2;
    const uint32_t first = block - block % erase_unit_blocks();
    std::memset(bytes_.data() + uint64_t{first} * kBlockSize, 0xFF, uint64_t{half} * kBlockSize);
    std::fill_n(programmed_.begin() + first, half, uint8_t{0});
    touch(first, first);
}

void Flash::rescan() {
    programmed_.assign(block_count(), 0);
    unit_touched_.assign(block_count() / erase_unit_blocks(), 0);
    touched_.clear();
    rescan(0, block_count());
}

void Flash::rescan(uint32_t first_block, uint32_t end_block) {
    static const std::vector<uint8_t> erased(kBlockSize, 0xFF);
    for (uint32_t block = first_block; block < end_block; ++block) {
        programmed_[block] = std::memcmp(bytes_.data() + uint64_t{block} * kBlockSize, erased.data(), kBlockSize) != 0;
    }
}

void Flash::touch(uint32_t first_block, uint32_t last_block) {
    for (uint32_t unit = first_block / erase_unit_blocks(); unit <= last_block / erase_unit_blocks(); ++unit) {
        if (unit_touched_[unit] == 0) {
            unit_touched_[unit] = 1;
            touched_.push_back(unit);
        }
    }
}

void Flash::revert(std::span<const uint8_t> image) {
    if (image.size() != size()) throw std::invalid_argument("a card image of another size");
    const uint64_t unit_bytes = uint64_t{erase_unit_blocks()} * kBlockSize;
    for (const uint32_t unit : touched_) {
        std::memcpy(bytes_.data() + unit * unit_bytes, image.data() + unit * unit_bytes, unit_bytes);
        rescan(unit * erase_unit_blocks(), (unit + 1) * erase_unit_blocks());
        unit_touched_[unit] = 0;
    }
    touched_.clear();
}

}  // namespace pixavon::emu
