// The two pictures of a photo: the card image as it lies in a slot (rows top
// to bottom, 4 bytes a pixel: blue, 0, green, red) and the 24-bit bitmap file
// (rows bottom to top, 3 bytes a pixel, rows padded to 968 bytes).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "catalog/card_layout.h"  // kSlotBytes: 311,296 of the image are stored per slot

namespace pixavon {

constexpr std::uint32_t kPhotoWidth = 322;
constexpr std::uint32_t kPhotoHeight = 242;
constexpr std::uint32_t kCardPixelSize = 4;
constexpr std::uint32_t kCardRowSize = kPhotoWidth * kCardPixelSize;   // 1,288
constexpr std::uint32_t kCardImageSize = kCardRowSize * kPhotoHeight;  // 311,696
constexpr std::uint32_t kFilePixelSize = 3;
constexpr std::uint32_t kFileRowSize = 968;                                // 966 + 2 padding bytes
constexpr std::uint32_t kFilePixelDataSize = kFileRowSize * kPhotoHeight;  // 234,256
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelDataOffset = kFileHeaderSize + kInfoHeaderSize;    // 54
constexpr std::uint32_t kPhotoFileSize = kPixelDataOffset + kFilePixelDataSize;  // 234,310
constexpr std::uint32_t kPixelsPerMetre = 50190;

using BitmapHeader = std::array<std::uint8_t, kPixelDataOffset>;

// The 54 header bytes of every bitmap the library writes.
BitmapHeader MakeBitmapHeader();

// Fills the 968-byte file row `k` (0 = first row in the file, the bottom of the
// picture) from the card image.
void FileRowFromCard(const std::uint8_t* card_image, std::uint32_t k, std::uint8_t* row);

// Fills the 234,310-byte bitmap file `file` (header and pixel data) from the
// photo's card image (kCardImageSize bytes) whose first kSlotBytes a slot
// holds. A slot does not store the image's last 400 bytes, the right-most 100
// pixels of the bottom row: they are set to zero first, so they are black.
void PhotoFileFromCardImage(std::uint8_t* card_image, std::uint8_t* file);

// Converts 234,256 bytes of bottom-up file pixel data into the whole card image.
void CardImageFromFile(const std::uint8_t* pixel_data, std::uint8_t* card_image);

// The same for pixel data stored top row first.
void CardImageFromTopDownFile(const std::uint8_t* pixel_data, std::uint8_t* card_image);

// What an upload needs to know of a bitmap file's header.
struct BitmapLayout {
    std::uint32_t pixel_data_offset = 0;
    bool top_down = false;
};

// Checks that the first bytes of a file (`header`, `length` of them, at least
// the file header and a 40-byte info header) describe a 322 x 242 bitmap of 24
// bits per pixel, uncompressed, whose pixel data a file of `file_size` bytes
// holds whole.
std::optional<BitmapLayout> ParseBitmapHeader(const std::uint8_t* header, std::uint32_t length,
                                              std::uint64_t file_size);

}  // namespace pixavon
