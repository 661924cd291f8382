// Picture decoding on untrusted files: the BMP reader is the tool's own, so it
// is driven here through the layouts it accepts and through damaged files.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "image.h"

namespace {

using namespace pixavon::host;

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// An uncompressed BMP with a 40-byte header and `palette` entries.
std::vector<uint8_t> bmp(int32_t width, int32_t height, uint16_t bpp, uint32_t palette,
                         const std::vector<uint8_t>& rows) {
    const uint32_t offset = 54 + 4 * palette;
    std::vector<uint8_t> b(offset, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 10, offset);
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(width));
    put32(b, 22, static_cast<uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<uint8_t>(bpp);
    put32(b, 46, palette);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

TEST(ImageDecoding, BmpLayoutsGiveTheSamePixels) {
    // 2 x 2: top row red, green; bottom row blue, white.
    const std::vector<uint8_t> bottom_up24 = {255, 0, 0,   255, 255, 255, 0, 0,  // bottom row, padded to 8
                                              0,   0, 255, 0,   255, 0,   0, 0};
    const std::vector<uint8_t> top_down24 = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    std::vector<uint8_t> paletted = bmp(2, 2, 8, 4, {2, 3, 0, 0, 0, 1, 0, 0});
    const uint8_t colours[16] = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};  // BGRx
    std::memcpy(&paletted[54], colours, 16);

    for (const auto& file : {bmp(2, 2, 24, 0, bottom_up24), bmp(2, -2, 24, 0, top_down24), paletted}) {
        const Image image = decode_bmp(file);
        ASSERT_EQ(image.width, 2u);
        ASSERT_EQ(image.height, 2u);
        const std::vector<uint8_t> expected = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
        EXPECT_EQ(image.rgb, expected);
    }
}

TEST(ImageDecoding, BmpHeadersThatLieAreRefused) {
    const std::vector<uint8_t> row(8, 0);
    EXPECT_THROW(decode_bmp(bmp(2, 2, 24, 0, row)), ImageError);           // one row of two
    EXPECT_THROW(decode_bmp(bmp(0x7FFFFFFF, 1, 24, 0, row)), ImageError);  // far too wide
    EXPECT_THROW(decode_bmp(bmp(2, INT32_MIN, 24, 0, row)), ImageError);
    EXPECT_THROW(decode_bmp(bmp(2, 1, 7, 0, row)), ImageError);
    std::vector<uint8_t> offset_past_end = bmp(2, 1, 24, 0, row);
    put32(offset_past_end, 10, 0xFFFFFFF0u);
    EXPECT_THROW(decode_bmp(offset_past_end), ImageError);
    // A palette index beyond the palette is black, not a read past it.
    std::vector<uint8_t> beyond = bmp(1, 1, 8, 1, {200, 0, 0, 0});
    std::memset(&beyond[54], 255, 3);  // the one colour is white
    const Image image = decode_bmp(beyond);
    EXPECT_EQ(image.rgb, (std::vector<uint8_t>{0, 0, 0}));
}

TEST(ImageDecoding, DamagedFilesNeverCrashTheDecoders) {
    Image picture(40, 30);
    for (size_t i = 0; i < picture.rgb.size(); ++i) picture.rgb[i] = static_cast<uint8_t>(i * 7);
    const std::vector<std::vector<uint8_t>> files = {encode_png(picture), encode_jpeg(picture, 80),
                                                     bmp(40, 30, 24, 0, std::vector<uint8_t>(120 * 30, 9))};
    std::minstd_rand rng(42);
    for (const auto& good : files) {
        for (int round = 0; round < 60; ++round) {
            std::vector<uint8_t> bad = good;
            if (round % 2 == 0) bad.resize(rng() % bad.size());
            for (int flips = 0; flips < 4 && !bad.empty(); ++flips)
                bad[rng() % bad.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
            // Each damaged file is either refused with an ImageError or gives
            // a whole picture: its pixels match its size, within the limit.
            try {
                const Image image = decode_picture(bad);
                EXPECT_GT(image.width, 0u);
                EXPECT_GT(image.height, 0u);
                EXPECT_LE(uint64_t{image.width} * image.height, kMaxPixels);
                EXPECT_EQ(image.rgb.size(), size_t{image.width} * image.height * 3);
            } catch (const ImageError& error) {
                EXPECT_STRNE(error.what(), "");
            }
        }
    }
}

TEST(ImageDecoding, OnlyTheCameraBitmapGoesOnAsItIs) {
    const std::vector<uint8_t> camera = encode_camera_bitmap(Image(pixavon::kPhotoWidth, pixavon::kPhotoHeight));
    EXPECT_EQ(camera.size(), 234310u);
    EXPECT_TRUE(is_camera_bitmap(camera));
    std::vector<uint8_t> short_file(camera.begin(), camera.end() - 1);
    EXPECT_FALSE(is_camera_bitmap(short_file));
    std::vector<uint8_t> top_down = camera;
    put32(top_down, 22, static_cast<uint32_t>(-242));
    EXPECT_FALSE(is_camera_bitmap(top_down));  // converted instead
    EXPECT_EQ(decode_bmp(top_down).width, pixavon::kPhotoWidth);
}

}  // namespace
