// Any picture file the host is given to put on the card: its PNG, JPEG and
// BMP decoders must be memory-safe on every input, give a picture whose size
// matches its pixels or refuse with ImageError, and what they give must fit
// any frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image.h"

namespace {

using namespace pixavon::host;

void check(const Image& image) {
    if (image.width == 0 || image.height == 0 ||
        image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    // Every decoder on every input, not only the one the first bytes pick.
    for (Image (*decode)(const std::vector<std::uint8_t>&) : {&decode_png, &decode_jpeg, &decode_bmp}) {
        try {
            check(decode(bytes));
        } catch (const ImageError&) {
        }
    }
    // Fitting to a frame, the step before the camera's bitmap, into a small
    // frame the input picks: full-size scaling would make each run slow.
    try {
        const Image image = decode_picture(bytes);
        if (static_cast<std::uint64_t>(image.width) * image.height > 256 * 256) return 0;
        const std::uint32_t width = 1 + data[size - 1] % 48;
        const std::uint32_t height = 1 + data[size / 2] % 48;
        for (const Fit fit : {Fit::kPad, Fit::kCrop}) {
            const Image fitted = fit_to(image, width, height, fit);
            check(fitted);
            if (fitted.width != width || fitted.height != height) std::abort();
        }
        if (is_camera_bitmap(bytes) && !is_camera_bitmap(camera_bitmap_for(bytes, Fit::kPad))) std::abort();
    } catch (const ImageError&) {
    }
    return 0;
}
