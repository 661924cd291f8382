#include "photo/image_format.h"

#include <cstring>

namespace pixavon {
namespace {

void PutLe16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(std::uint8_t* out, std::uint32_t value) {
    PutLe16(out, static_cast<std::uint16_t>(value));
    PutLe16(out + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t GetLe16(const std::uint8_t* in) { return static_cast<std::uint16_t>(in[0] | (in[1] << 8)); }

std::uint32_t GetLe32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(GetLe16(in)) | (static_cast<std::uint32_t>(GetLe16(in + 2)) << 16);
}

void CardRowFromFileRow(const std::uint8_t* file_row, std::uint8_t* card_row) {
    for (std::uint32_t x = 0; x < kPhotoWidth; ++x) {
        const std::uint8_t* in = file_row + kFilePixelSize * x;
        std::uint8_t* out = card_row + kCardPixelSize * x;
        out[0] = in[0];  // blue
        out[1] = 0;
        out[2] = in[1];  // green
        out[3] = in[2];  // red
    }
}

}  // namespace

BitmapHeader MakeBitmapHeader() {
    BitmapHeader header{};
    header[0] = 'B';
    header[1] = 'M';
    PutLe32(&header[2], kPhotoFileSize);
    PutLe32(&header[10], kPixelDataOffset);
    PutLe32(&header[14], kInfoHeaderSize);
    PutLe32(&header[18], kPhotoWidth);
    PutLe32(&header[22], kPhotoHeight);
    PutLe16(&header[26], 1);   // planes
    PutLe16(&header[28], 24);  // bits per pixel
    PutLe32(&header[30], 0);   // no compression
    PutLe32(&header[34], kFilePixelDataSize);
    PutLe32(&header[38], kPixelsPerMetre);
    PutLe32(&header[42], kPixelsPerMetre);
    return header;
}

void FileRowFromCard(const std::uint8_t* card_image, std::uint32_t k, std::uint8_t* row) {
    const std::uint8_t* card_row = card_image + kCardRowSize * (kPhotoHeight - 1 - k);
    for (std::uint32_t x = 0; x < kPhotoWidth; ++x) {
        const std::uint8_t* in = card_row + kCardPixelSize * x;
        std::uint8_t* out = row + kFilePixelSize * x;
        out[0] = in[0];  // blue
        out[1] = in[2];  // green
        out[2] = in[3];  // red
    }
    row[966] = 0;
    row[967] = 0;
}

void PhotoFileFromCardImage(std::uint8_t* card_image, std::uint8_t* file) {
    std::memset(card_image + kSlotBytes, 0, kCardImageSize - kSlotBytes);
    const BitmapHeader header = MakeBitmapHeader();
    std::memcpy(file, header.data(), header.size());
    for (std::uint32_t k = 0; k < kPhotoHeight; ++k) {
        FileRowFromCard(card_image, k, file + kPixelDataOffset + kFileRowSize * k);
    }
}

void CardImageFromFile(const std::uint8_t* pixel_data, std::uint8_t* card_image) {
    for (std::uint32_t r = 0; r < kPhotoHeight; ++r) {
        CardRowFromFileRow(pixel_data + kFileRowSize * (kPhotoHeight - 1 - r), card_image + kCardRowSize * r);
    }
}

void CardImageFromTopDownFile(const std::uint8_t* pixel_data, std::uint8_t* card_image) {
    for (std::uint32_t r = 0; r < kPhotoHeight; ++r) {
        CardRowFromFileRow(pixel_data + kFileRowSize * r, card_image + kCardRowSize * r);
    }
}

std::optional<BitmapLayout> ParseBitmapHeader(const std::uint8_t* header, std::uint32_t length,
                                              std::uint64_t file_size) {
    if (header == nullptr || length < kPixelDataOffset || header[0] != 'B' || header[1] != 'M') {
        return std::nullopt;
    }
    const std::uint32_t info_size = GetLe32(&header[14]);
    const auto width = static_cast<std::int32_t>(GetLe32(&header[18]));
    const auto height = static_cast<std::int32_t>(GetLe32(&header[22]));
    const std::uint16_t planes = GetLe16(&header[26]);
    const std::uint16_t bits = GetLe16(&header[28]);
    const std::uint32_t compression = GetLe32(&header[30]);
    const std::uint32_t data_offset = GetLe32(&header[10]);
    if (info_size < kInfoHeaderSize || width != static_cast<std::int32_t>(kPhotoWidth) ||
        (height != static_cast<std::int32_t>(kPhotoHeight) && height != -static_cast<std::int32_t>(kPhotoHeight)) ||
        planes != 1 || bits != 24 || compression != 0) {
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(data_offset) < kFileHeaderSize + static_cast<std::uint64_t>(info_size) ||
        static_cast<std::uint64_t>(data_offset) + kFilePixelDataSize > file_size) {
        return std::nullopt;
    }
    return BitmapLayout{data_offset, height < 0};
}

}  // namespace pixavon
