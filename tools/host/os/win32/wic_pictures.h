// Pictures on Windows through the Windows Imaging Component: the same
// functions as image.h's decoders and encoders, for the Windows build to use
// in their place. PNG, JPEG, BMP, TIFF and GIF are decoded; PNG and JPEG
// encoded.
//
// Every decoder treats its bytes as untrusted: the frame's size is checked
// against kMaxPixels before pixel memory is taken, and a damaged picture
// gives ImageError, never a crash. A picture with transparency is shown on
// black, as on Linux; of an animation, the first frame.
//
// Each call initialises COM for its own thread (the multithreaded apartment)
// where the thread has not done so, and leaves it as it found it.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace pixavon::host::win32 {

// Each throws ImageError if `bytes` is not a whole picture of its kind.
Image decode_png(const std::vector<uint8_t>& bytes);
Image decode_jpeg(const std::vector<uint8_t>& bytes);
Image decode_bmp(const std::vector<uint8_t>& bytes);
Image decode_tiff(const std::vector<uint8_t>& bytes);
Image decode_gif(const std::vector<uint8_t>& bytes);
// Any of the five, judged by content. Throws ImageError.
Image decode_picture(const std::vector<uint8_t>& bytes);

// Throw ImageError if the system cannot encode (an empty image among them).
std::vector<uint8_t> encode_png(const Image& image);
// `quality` 1 to 100, as image.h's.
std::vector<uint8_t> encode_jpeg(const Image& image, int quality);

}  // namespace pixavon::host::win32
