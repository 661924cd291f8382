// pixavon-demo-pictures DIR: writes a few pictures for trying the tool without
// a camera's own photos: a PNG sunset, a JPEG of coloured tiles and a PNG
// portrait-shaped gradient.
#include <cmath>
#include <cstdio>
#include <string>

#include "durable_file.h"
#include "image.h"

using pixavon::host::Image;

namespace {

Image sunset(uint32_t w, uint32_t h) {
    Image image(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const double t = static_cast<double>(y) / h;
            uint8_t* p = image.pixel(x, y);
            const double dx = x - w * 0.5, dy = y - h * 0.62;
            const bool sun = dx * dx + dy * dy < (h * 0.16) * (h * 0.16);
            if (y > h * 0.62) {  // the sea
                p[0] = static_cast<uint8_t>(20 + 40 * (1 - t));
                p[1] = static_cast<uint8_t>(40 + 60 * (1 - t));
                p[2] = static_cast<uint8_t>(90 + 80 * (1 - t));
            } else if (sun) {
                p[0] = 255, p[1] = 214, p[2] = 90;
            } else {
                p[0] = static_cast<uint8_t>(250 - 90 * t);
                p[1] = static_cast<uint8_t>(120 + 60 * t);
                p[2] = static_cast<uint8_t>(60 + 120 * t);
            }
        }
    }
    return image;
}

Image tiles(uint32_t w, uint32_t h) {
    static const uint8_t kColours[6][3] = {{230, 57, 70},  {241, 250, 238}, {168, 218, 220},
                                           {69, 123, 157}, {29, 53, 87},    {255, 183, 3}};
    Image image(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t k = (x / 100 + 2 * (y / 100)) % 6;
            const bool grout = x % 100 < 4 || y % 100 < 4;
            uint8_t* p = image.pixel(x, y);
            for (int c = 0; c < 3; ++c) p[c] = grout ? 250 : kColours[k][c];
        }
    }
    return image;
}

Image portrait(uint32_t w, uint32_t h) {
    Image image(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = static_cast<uint8_t>(255 * x / w);
            p[1] = static_cast<uint8_t>(255 * y / h);
            p[2] = static_cast<uint8_t>(128 + 127 * std::sin(x * 0.05) * std::cos(y * 0.05));
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    try {
        pixavon::host::write_file_durably(dir + "/sunset.png", pixavon::host::encode_png(sunset(960, 540)), true);
        pixavon::host::write_file_durably(dir + "/tiles.jpg", pixavon::host::encode_jpeg(tiles(800, 600), 90), true);
        pixavon::host::write_file_durably(dir + "/portrait.png", pixavon::host::encode_png(portrait(300, 450)), true);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pixavon-demo-pictures: %s\n", error.what());
        return 1;
    }
    std::printf("%s/sunset.png\n%s/tiles.jpg\n%s/portrait.png\n", dir.c_str(), dir.c_str(), dir.c_str());
    return 0;
}
