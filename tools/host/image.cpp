#include "image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "i18n.h"
#include "os/os.h"

namespace pixavon::host {
namespace {

uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Mask(uint32_t m) : mask(m) {
        if (m == 0) return;
        while (((m >> shift) & 1u) == 0) ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1u) != 0) ++bits;
    }
    uint8_t channel(uint32_t value) const {
        if (bits == 0) return 0;
        const uint32_t v = (value & mask) >> shift;
        const uint32_t max = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
        return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + max / 2) / max);
    }
};

}  // namespace

void check_dimensions(uint64_t width, uint64_t height, const char* what) {
    if (width == 0 || height == 0) throw ImageError(fill(tr("the {1} picture is empty"), {what}));
    if (width > (1u << 20) || height > (1u << 20) || width * height > kMaxPixels) {
        throw ImageError(fill(tr("the {1} picture is too large ({2} x {3} pixels)"),
                              {what, std::to_string(width), std::to_string(height)}));
    }
}

Image::Image(uint32_t w, uint32_t h, uint8_t fill) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, fill) {}

FileKind sniff_kind(const std::vector<uint8_t>& head) {
    static const uint8_t kPngMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (head.size() >= 8 && std::memcmp(head.data(), kPngMagic, 8) == 0) return FileKind::kPng;
    if (head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return FileKind::kJpeg;
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') return FileKind::kBmp;
    return FileKind::kUnknown;
}

std::vector<uint8_t> read_file(const std::string& path, size_t limit) {
    os::File file;
    if (!file.open(path, os::File::Access::kRead, true)) {
        throw ImageError(file.not_regular() && file.error() == EINVAL ? tr("it is not a regular file")
                                                                      : system_error(file.error()));
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    while (bytes.size() < limit) {
        const long got = file.read(chunk, std::min(sizeof chunk, limit - bytes.size()));
        if (got < 0) throw ImageError(system_error(file.error()));
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

Image decode_bmp(const std::vector<uint8_t>& b) {
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') throw ImageError(tr("damaged BMP (header too short)"));
    const uint32_t data_offset = le32(b, 10);
    const uint32_t header_size = le32(b, 14);
    if (header_size < 40 || header_size > 4096 || 14ull + header_size > b.size()) {
        throw ImageError(fill(tr("unsupported BMP header (size {1})"), {std::to_string(header_size)}));
    }
    const int32_t raw_width = static_cast<int32_t>(le32(b, 18));
    const int32_t raw_height = static_cast<int32_t>(le32(b, 22));
    const uint16_t planes = le16(b, 26);
    const uint16_t bpp = le16(b, 28);
    const uint32_t compression = le32(b, 30);
    const uint32_t colours_used = le32(b, 46);
    if (raw_width <= 0 || raw_height == 0 || raw_height == INT32_MIN || planes != 1) {
        throw ImageError(tr("damaged BMP (bad dimensions)"));
    }
    const bool top_down = raw_height < 0;
    const uint32_t width = static_cast<uint32_t>(raw_width);
    const uint32_t height = static_cast<uint32_t>(top_down ? -static_cast<int64_t>(raw_height) : raw_height);
    check_dimensions(width, height, "BMP");

    const bool bitfields = compression == 3;
    if (!(compression == 0 || (bitfields && (bpp == 16 || bpp == 32)))) {
        throw ImageError(tr("unsupported BMP (compressed)"));
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        throw ImageError(fill(tr("unsupported BMP ({1} bits per pixel)"), {std::to_string(bpp)}));
    }
    const uint64_t stride = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
    if (data_offset < 14ull + header_size || data_offset > b.size() ||
        stride * height > b.size() - static_cast<uint64_t>(data_offset)) {
        throw ImageError(tr("damaged BMP (pixel data missing or cut short)"));
    }

    // Palette, for 1, 4 and 8 bits per pixel.
    std::vector<uint8_t> palette;  // RGB triples
    if (bpp <= 8) {
        uint64_t entries = colours_used == 0 ? (1u << bpp) : std::min<uint64_t>(colours_used, 1u << bpp);
        const uint64_t start = 14ull + header_size;
        entries = std::min<uint64_t>(entries, (data_offset - start) / 4);
        for (uint64_t i = 0; i < entries; ++i) {
            const size_t at = static_cast<size_t>(start + 4 * i);
            palette.insert(palette.end(), {b[at + 2], b[at + 1], b[at]});
        }
    }
    // Colour masks: 16-bit defaults to 5-5-5, 32-bit to 8-8-8.
    Mask red(bpp == 16 ? 0x7C00u : 0xFF0000u), green(bpp == 16 ? 0x03E0u : 0xFF00u), blue(bpp == 16 ? 0x001Fu : 0xFFu);
    if (bitfields) {
        const size_t at = header_size >= 52 ? 54 : 14 + header_size;
        if (at + 12 > b.size() || at + 12 > data_offset) throw ImageError(tr("damaged BMP (colour masks missing)"));
        red = Mask(le32(b, at));
        green = Mask(le32(b, at + 4));
        blue = Mask(le32(b, at + 8));
    }

    Image image(width, height);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t file_row = top_down ? y : height - 1 - y;
        const uint8_t* row = b.data() + data_offset + stride * file_row;
        uint8_t* out = image.pixel(0, y);
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            switch (bpp) {
                case 24:
                    out[0] = row[3 * x + 2];
                    out[1] = row[3 * x + 1];
                    out[2] = row[3 * x];
                    break;
                case 32:
                case 16: {
                    const uint32_t v = bpp == 32
                                           ? (static_cast<uint32_t>(row[4 * x]) | (row[4 * x + 1] << 8) |
                                              (row[4 * x + 2] << 16) | (static_cast<uint32_t>(row[4 * x + 3]) << 24))
                                           : static_cast<uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
                    out[0] = red.channel(v);
                    out[1] = green.channel(v);
                    out[2] = blue.channel(v);
                    break;
                }
                default: {
                    const uint32_t per_byte = 8u / bpp;
                    const uint8_t byte = row[x / per_byte];
                    const uint32_t shift = 8 - bpp * (x % per_byte + 1);
                    const size_t index = (byte >> shift) & ((1u << bpp) - 1);
                    if (3 * index + 2 < palette.size()) std::memcpy(out, &palette[3 * index], 3);
                    break;
                }
            }
        }
    }
    return image;
}

Image decode_picture(const std::vector<uint8_t>& bytes) {
    switch (sniff_kind(bytes)) {
        case FileKind::kPng:
            return decode_png(bytes);
        case FileKind::kJpeg:
            return decode_jpeg(bytes);
        case FileKind::kBmp:
            return decode_bmp(bytes);
        case FileKind::kUnknown:
            break;
    }
    throw ImageError(tr("not a PNG, JPEG or BMP picture"));
}

Image decode_file(const std::string& path) {
    // The largest file worth reading: an uncompressed 32-bit picture of the
    // largest size, plus headers.
    return decode_picture(read_file(path, kMaxPixels * 4 + 65536));
}

bool is_camera_bitmap(const std::vector<uint8_t>& b) {
    constexpr uint32_t kRow = 968;
    return b.size() >= 54 + kRow * kPhotoHeight && b[0] == 'B' && b[1] == 'M' && le32(b, 10) == 54 &&
           le32(b, 14) == 40 && le32(b, 18) == kPhotoWidth && le32(b, 22) == kPhotoHeight && le16(b, 26) == 1 &&
           le16(b, 28) == 24 && le32(b, 30) == 0;
}

std::vector<uint8_t> camera_bitmap_for(const std::vector<uint8_t>& bytes, Fit fit) {
    if (is_camera_bitmap(bytes)) return {bytes.begin(), bytes.begin() + kPhotoFileSize};
    return encode_camera_bitmap(fit_to(decode_picture(bytes), kPhotoWidth, kPhotoHeight, fit));
}

std::vector<uint8_t> encode_camera_bitmap(const Image& image) {
    if (image.width != kPhotoWidth || image.height != kPhotoHeight) {
        throw ImageError("internal: the camera's bitmap must be 322 x 242 pixels");
    }
    constexpr uint32_t kRow = 968;
    constexpr uint32_t kData = kRow * kPhotoHeight;
    std::vector<uint8_t> b(54 + kData, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, 54 + kData);
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, kPhotoWidth);
    put32(b, 22, kPhotoHeight);
    put16(b, 26, 1);
    put16(b, 28, 24);
    put32(b, 34, kData);
    put32(b, 38, 50190);
    put32(b, 42, 50190);
    for (uint32_t y = 0; y < kPhotoHeight; ++y) {
        uint8_t* row = &b[54 + static_cast<size_t>(kPhotoHeight - 1 - y) * kRow];
        const uint8_t* in = image.pixel(0, y);
        for (uint32_t x = 0; x < kPhotoWidth; ++x) {
            row[3 * x] = in[3 * x + 2];
            row[3 * x + 1] = in[3 * x + 1];
            row[3 * x + 2] = in[3 * x];
        }
    }
    return b;
}

}  // namespace pixavon::host
