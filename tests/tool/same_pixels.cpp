// same_pixels A B [MEAN]: whether two pictures (PNG, JPEG or BMP, in any mix)
// hold the same pixels, or with MEAN, pixels that differ by at most MEAN on
// average (two JPEG encoders). Exit 0 when they do; 1, telling how they
// differ, when they do not; 2 when either cannot be read. The Windows tool's
// pictures are held against the Linux tool's with it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "image.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: same_pixels A B [MEAN]\n");
        return 2;
    }
    pixavon::host::Image a, b;
    try {
        a = pixavon::host::decode_file(argv[1]);
        b = pixavon::host::decode_file(argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "same_pixels: %s\n", error.what());
        return 2;
    }
    if (a.width != b.width || a.height != b.height) {
        std::fprintf(stderr, "%s: %ux%u, %s: %ux%u\n", argv[1], a.width, a.height, argv[2], b.width, b.height);
        return 1;
    }
    const double within = argc == 4 ? std::atof(argv[3]) : 0.0;
    size_t first = a.rgb.size(), count = 0;
    uint64_t sum = 0;
    int largest = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const int difference = std::abs(int{a.rgb[i]} - int{b.rgb[i]});
        if (difference == 0) continue;
        if (first == a.rgb.size()) first = i;
        ++count;
        sum += static_cast<uint64_t>(difference);
        largest = std::max(largest, difference);
    }
    const double mean = a.rgb.empty() ? 0.0 : static_cast<double>(sum) / static_cast<double>(a.rgb.size());
    if (count == 0 || (argc == 4 && mean <= within)) return 0;
    std::fprintf(stderr, "%s and %s differ first at (%zu, %zu), in %zu of %zu values, by up to %d, %.2f on average\n",
                 argv[1], argv[2], first / 3 % a.width, first / 3 / a.width, count, a.rgb.size(), largest, mean);
    return 1;
}
