#include "contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_easy_font.h>
#pragma GCC diagnostic pop

namespace pixavon::tool {
namespace {

constexpr uint32_t kThumbWidth = kPhotoWidth / 2;
constexpr uint32_t kThumbHeight = kPhotoHeight / 2;
constexpr uint32_t kMargin = 16;
constexpr uint32_t kGap = 12;
constexpr uint32_t kLabelHeight = 26;
constexpr uint32_t kTitleHeight = 40;
constexpr uint32_t kColumns = 4;
constexpr int kTextScale = 2;
constexpr uint8_t kBackground[3] = {0x24, 0x26, 0x2b};
constexpr uint8_t kFrame[3] = {0x5a, 0x5f, 0x6a};
constexpr uint8_t kInk[3] = {0xe8, 0xe8, 0xe8};

void fill(host::Image& image, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const uint8_t colour[3]) {
    x0 = std::clamp<int64_t>(x0, 0, image.width);
    x1 = std::clamp<int64_t>(x1, 0, image.width);
    y0 = std::clamp<int64_t>(y0, 0, image.height);
    y1 = std::clamp<int64_t>(y1, 0, image.height);
    for (int64_t y = y0; y < y1; ++y) {
        for (int64_t x = x0; x < x1; ++x)
            std::memcpy(image.pixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y)), colour, 3);
    }
}

// Draws `text` with its top left corner at (x, y), in stb_easy_font's
// built-in font scaled by kTextScale.
void draw_text(host::Image& image, uint32_t x, uint32_t y, std::string text) {
    for (char& c : text) {
        if (c < 32 || c > 126) c = '?';
    }
    if (text.size() > 200) text.resize(200);
    static float vertices[200 * 80 * 4];  // 16 bytes per vertex, ample for 200 characters
    const int quads = stb_easy_font_print(0, 0, text.data(), nullptr, vertices, sizeof vertices);
    for (int q = 0; q < quads; ++q) {
        const float* v = vertices + q * 16;  // 4 vertices of 4 floats (x, y, z, colour)
        float qx0 = v[0], qy0 = v[1], qx1 = v[0], qy1 = v[1];
        for (int k = 1; k < 4; ++k) {
            qx0 = std::min(qx0, v[4 * k]);
            qx1 = std::max(qx1, v[4 * k]);
            qy0 = std::min(qy0, v[4 * k + 1]);
            qy1 = std::max(qy1, v[4 * k + 1]);
        }
        fill(image, x + std::lround(qx0 * kTextScale), y + std::lround(qy0 * kTextScale),
             x + std::lround(qx1 * kTextScale), y + std::lround(qy1 * kTextScale), kInk);
    }
}

}  // namespace

host::Image make_contact_sheet(const std::string& title, const std::vector<SheetEntry>& entries) {
    const uint32_t count = static_cast<uint32_t>(entries.size());
    const uint32_t columns = std::clamp<uint32_t>(count, 1, kColumns);
    const uint32_t rows = std::max<uint32_t>(1, (count + columns - 1) / columns);
    const uint32_t cell_width = kThumbWidth + 2;
    const uint32_t cell_height = kThumbHeight + 2 + kLabelHeight;
    const uint32_t width = std::max<uint32_t>(2 * kMargin + columns * cell_width + (columns - 1) * kGap, 420);
    const uint32_t height = kTitleHeight + kMargin + rows * cell_height + (rows - 1) * kGap;

    host::Image sheet(width, height);
    fill(sheet, 0, 0, width, height, kBackground);
    draw_text(sheet, kMargin, 14, title);

    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t x = kMargin + (i % columns) * (cell_width + kGap);
        const uint32_t y = kTitleHeight + (i / columns) * (cell_height + kGap);
        fill(sheet, x, y, x + cell_width, y + kThumbHeight + 2, kFrame);
        const host::Image thumb = host::resize(entries[i].photo, kThumbWidth, kThumbHeight);
        for (uint32_t row = 0; row < kThumbHeight; ++row) {
            std::memcpy(sheet.pixel(x + 1, y + 1 + row), thumb.pixel(0, row), static_cast<size_t>(kThumbWidth) * 3);
        }
        draw_text(sheet, x + 1, y + kThumbHeight + 8, entries[i].label);
    }
    return sheet;
}

}  // namespace pixavon::tool
