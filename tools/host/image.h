// Pictures on the host side: decoding PNG, JPEG and BMP files, scaling them to
// the camera's photo size, and writing PNG, JPEG and the camera's bitmap.
//
// Every decoder treats its file as untrusted: sizes are checked before memory
// is allocated, and a damaged file gives ImageError, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "photo/image_format.h"  // the camera's photo size and bitmap layout

namespace pixavon::host {

// The largest picture decoded, in pixels: larger ones are refused from their
// header, before any pixel memory is taken.
inline constexpr uint64_t kMaxPixels = 64'000'000;

// A file that cannot be read, is not a supported picture, or is damaged.
class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// 8-bit RGB pixels, rows from the top, no padding.
struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes

    Image() = default;
    Image(uint32_t w, uint32_t h, uint8_t fill = 0);
    uint8_t* pixel(uint32_t x, uint32_t y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    const uint8_t* pixel(uint32_t x, uint32_t y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Throws ImageError for a `what` picture (PNG, JPEG, ...) of no pixels, or
// of more than kMaxPixels; for each decoder before it takes pixel memory.
void check_dimensions(uint64_t width, uint64_t height, const char* what);

enum class FileKind { kUnknown, kPng, kJpeg, kBmp };

// Judges a file by its first bytes, not by its name.
FileKind sniff_kind(const std::vector<uint8_t>& head);
// Reads at most `limit` bytes of `path`. Throws ImageError.
std::vector<uint8_t> read_file(const std::string& path, size_t limit = SIZE_MAX);

Image decode_png(const std::vector<uint8_t>& bytes);
Image decode_jpeg(const std::vector<uint8_t>& bytes);
// Uncompressed BMP: 24 or 32 bits per pixel, or 1, 4 or 8 with a palette.
Image decode_bmp(const std::vector<uint8_t>& bytes);
// Any of the three, by content: the one place a picture file is decoded.
// Throws ImageError.
Image decode_picture(const std::vector<uint8_t>& bytes);
// The picture file at `path`, by content. Throws ImageError.
Image decode_file(const std::string& path);

// True if `bytes` is a bitmap the camera takes as it is: 322 x 242, 24 bits per
// pixel, uncompressed, bottom-up or top-down, with all its pixel rows present.
bool is_camera_bitmap(const std::vector<uint8_t>& bytes);

enum class Fit {
    kPad,   // the whole picture, centred on black
    kCrop,  // fills the frame; the overflow is cut off evenly on both sides
};

// Resamples `source` to width x height keeping its aspect ratio.
Image fit_to(const Image& source, uint32_t width, uint32_t height, Fit fit);
// Resamples to exactly width x height.
Image resize(const Image& source, uint32_t width, uint32_t height);

// The camera's bitmap: 322 x 242, 24-bit, bottom-up. `image` must be that size.
std::vector<uint8_t> encode_camera_bitmap(const Image& image);
// What the camera takes for a picture file's `bytes`: the bytes themselves if
// they are its bitmap already, else the PNG, JPEG or BMP picture decoded and
// fitted to the photo size. Throws ImageError.
std::vector<uint8_t> camera_bitmap_for(const std::vector<uint8_t>& bytes, Fit fit);
std::vector<uint8_t> encode_png(const Image& image);
std::vector<uint8_t> encode_jpeg(const Image& image, int quality);

}  // namespace pixavon::host
