// Scaling a picture to the camera's photo size: resized, padded or cropped
// as the person asks; see image.h.
#include <algorithm>
#include <cstdint>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>
#pragma GCC diagnostic pop

#include "i18n.h"
#include "image.h"

namespace pixavon::host {

Image resize(const Image& source, uint32_t width, uint32_t height) {
    Image out(width, height);
    if (source.width == 0 || source.height == 0) return out;
    if (!stbir_resize_uint8_srgb(source.rgb.data(), static_cast<int>(source.width), static_cast<int>(source.height), 0,
                                 out.rgb.data(), static_cast<int>(width), static_cast<int>(height), 0, 3,
                                 STBIR_ALPHA_CHANNEL_NONE, 0)) {
        throw ImageError(tr("the picture could not be scaled"));
    }
    return out;
}

Image fit_to(const Image& source, uint32_t width, uint32_t height, Fit fit) {
    if (source.width == width && source.height == height) return source;
    const uint64_t sw = source.width, sh = source.height;
    if (fit == Fit::kCrop) {
        // The largest part of the source with the frame's aspect ratio, centred.
        uint64_t cw = sw, ch = sh;
        if (sw * height > sh * width) {
            cw = std::max<uint64_t>(1, (sh * width + height / 2) / height);
        } else {
            ch = std::max<uint64_t>(1, (sw * height + width / 2) / width);
        }
        const uint64_t x0 = (sw - cw) / 2, y0 = (sh - ch) / 2;
        Image out(width, height);
        if (!stbir_resize_uint8_srgb(source.pixel(static_cast<uint32_t>(x0), static_cast<uint32_t>(y0)),
                                     static_cast<int>(cw), static_cast<int>(ch), static_cast<int>(sw * 3),
                                     out.rgb.data(), static_cast<int>(width), static_cast<int>(height), 0, 3,
                                     STBIR_ALPHA_CHANNEL_NONE, 0)) {
            throw ImageError(tr("the picture could not be scaled"));
        }
        return out;
    }
    // Pad: the largest size that fits, centred on black.
    uint64_t tw = width, th = height;
    if (sw * height > sh * width) {
        th = std::max<uint64_t>(1, (sh * width + sw / 2) / sw);
    } else {
        tw = std::max<uint64_t>(1, (sw * height + sh / 2) / sh);
    }
    const Image scaled = resize(source, static_cast<uint32_t>(tw), static_cast<uint32_t>(th));
    Image out(width, height);
    const uint64_t x0 = (width - tw) / 2, y0 = (height - th) / 2;
    for (uint32_t y = 0; y < th; ++y) {
        std::memcpy(out.pixel(static_cast<uint32_t>(x0), static_cast<uint32_t>(y0 + y)), scaled.pixel(0, y), tw * 3);
    }
    return out;
}

}  // namespace pixavon::host
