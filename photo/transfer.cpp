#include "photo/transfer.h"

#include <algorithm>
#include <vector>

#include "catalog/catalog.h"
#include "device/device.h"
#include "frame/host_file.h"
#include "frame/library_state.h"
#include "photo/image_format.h"

namespace pixavon {
namespace {

constexpr std::uint32_t kSlotByteSize = kSlotBlocks * kBlockSize;           // 0x4C000
constexpr std::uint32_t kReadAlignment = 0x8000;                            // reads start on 32 KiB
constexpr std::uint32_t kReadUnitsPer32K = kReadAlignment / kReadUnitSize;  // 128

std::uint32_t SlotOffsetInReadBuffer(std::uint8_t slot) {
    return (static_cast<std::uint32_t>(slot) * kSlotByteSize) % kReadAlignment;
}

// The lowest slot that no position of the list names; the count itself when
// the slots 0 to count - 1 are all taken.
std::uint8_t ChooseFreeSlot(const PhotoSlotTable& table) {
    std::array<bool, 256> taken{};
    for (std::uint32_t i = 0; i < table.count; ++i) {
        taken[table.slots[i]] = true;
    }
    for (std::uint32_t i = 0; i < table.count; ++i) {
        if (!taken[i]) return static_cast<std::uint8_t>(i);
    }
    return table.count;
}

// Reads and converts an upload's bitmap. Any file that is not a 322 x 242,
// 24-bit, uncompressed bitmap held whole is refused.
bool LoadCardImage(const char* path, std::vector<std::uint8_t>& card_image) {
    ScopedHostFile file(path, FileMode::ReadExisting);
    if (!file.IsOpen()) {
        return false;
    }
    std::uint64_t size = 0;
    std::array<std::uint8_t, kPixelDataOffset> header{};
    if (!file.Size(&size) || !file.ReadExactly(header.data(), static_cast<std::uint32_t>(header.size()))) {
        return false;
    }
    const std::optional<BitmapLayout> layout = ParseBitmapHeader(header.data(), kPixelDataOffset, size);
    if (!layout) {
        return false;
    }
    std::vector<std::uint8_t> pixels(kFilePixelDataSize);
    if (!file.Seek(layout->pixel_data_offset) || !file.ReadExactly(pixels.data(), kFilePixelDataSize)) {
        return false;
    }
    card_image.assign(kCardImageSize, 0);
    if (layout->top_down) {
        CardImageFromTopDownFile(pixels.data(), card_image.data());
    } else {
        CardImageFromFile(pixels.data(), card_image.data());
    }
    return true;
}

}  // namespace

int ReadPhotoSlot(std::uint8_t slot, std::uint8_t* buffer) {
    const std::uint32_t start = static_cast<std::uint32_t>(slot) * kSlotByteSize / kReadAlignment;
    const std::uint32_t first_address = start * kReadUnitsPer32K;
    for (std::uint32_t c = 0; c < kSlotReadChunks; ++c) {
        NotifyProgress();
        const auto address = static_cast<std::uint16_t>(first_address + (kSlotReadChunkSize / kReadUnitSize) * c);
        if (ReadGBA(address, buffer + kSlotReadChunkSize * c, kSlotReadChunkSize) == 0) {
            return 0;
        }
    }
    return 1;
}

int ReadPixavonToFile(std::int32_t position, const char* path) {
    const LibraryState& state = State();
    if (position < 0 || position >= state.slot_table.count) {
        return 0;
    }
    const std::uint8_t slot = state.slot_table.slots[static_cast<std::uint32_t>(position)];
    if (slot >= state.geometry.capacity_code) {
        return 0;
    }
    std::vector<std::uint8_t> read_buffer(kSlotReadBufferSize, 0);
    if (ReadPhotoSlot(slot, read_buffer.data()) == 0) {
        return 0;
    }
    const std::uint8_t* card_image = read_buffer.data() + SlotOffsetInReadBuffer(slot);
    // The slot does not store the right-most 100 pixels of the bottom row:
    // they are black, not whatever lies behind the slot.
    std::fill(read_buffer.begin() + SlotOffsetInReadBuffer(slot) + kSlotBytes,
              read_buffer.begin() + SlotOffsetInReadBuffer(slot) + kCardImageSize, std::uint8_t{0});

    std::vector<std::uint8_t> bitmap(kPhotoFileSize);
    const BitmapHeader header = MakeBitmapHeader();
    std::copy(header.begin(), header.end(), bitmap.begin());
    for (std::uint32_t k = 0; k < kPhotoHeight; ++k) {
        FileRowFromCard(card_image, k, bitmap.data() + kPixelDataOffset + kFileRowSize * k);
    }

    ScopedHostFile file(path, FileMode::CreateReadWrite);
    if (!file.IsOpen()) {
        ShowFileErrorBox();
        return 0;
    }
    const bool written = file.Write(bitmap.data(), kPhotoFileSize);
    if (!file.Close() || !written) {
        // Leave no incomplete photo behind.
        ActivePlatform().remove_file(path);
        ShowFileErrorBox();
        return 0;
    }
    return 1;
}

int WriteFileToGBA(const char* path) {
    const LibraryState& state = State();
    // The slot choice needs a loaded catalog with room for one more photo;
    // otherwise nothing outside the card's slots could be ruled out.
    if (state.geometry.erase_interval == 0 || state.slot_table.count >= state.geometry.capacity_code) {
        return 0;
    }
    // A list that names a slot the card does not have, or one slot twice,
    // cannot tell which slot is free: any choice might overwrite a photo.
    if (CheckSlotList(state.slot_table.slots.data(), state.slot_table.count, state.geometry.capacity_code).fault !=
        CatalogFault::None) {
        ReportError(kReadCardError);
        return 0;
    }
    std::vector<std::uint8_t> card_image;
    if (!LoadCardImage(path, card_image)) {
        ShowFileErrorBox();
        return 0;
    }
    const std::uint8_t slot = ChooseFreeSlot(state.slot_table);
    const std::uint32_t first_block = static_cast<std::uint32_t>(slot) * kSlotBlocks;
    for (std::uint32_t j = 0; j < kSlotBlocks; ++j) {
        NotifyProgress();
        const auto block = static_cast<std::uint16_t>(first_block + j);
        // A unit that could not be erased would take the new data garbled.
        const bool erased = j % state.geometry.erase_interval != 0 || SendErase(block) != 0;
        if (!erased || WriteGBA(block, card_image.data() + kBlockSize * j, kBlockSize) == 0) {
            ReportError(kWriteCardError);
            return 0;
        }
    }
    return AppendCatalogEntry(slot);
}

}  // namespace pixavon
