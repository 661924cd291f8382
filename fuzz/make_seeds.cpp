// Writes the seed corpora of the fuzz targets: catalogs, bitmaps and host
// streams of the kinds the tests use.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef PIXAVON_FUZZ_HOST_SEEDS
#  include "image.h"
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Save(const fs::path& dir, const std::string& name, const Bytes& bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes Catalog(std::uint8_t code, const std::vector<std::uint8_t>& slots) {
    Bytes c(8192, 0xFF);
    std::fill(c.begin(), c.begin() + 512, 0);
    std::memcpy(c.data(), "KOV PHOTO CAM IMAGE", 19);
    c[256] = static_cast<std::uint8_t>(slots.size());
    c[258] = code;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        std::fill_n(c.begin() + 512 + 16 * static_cast<std::ptrdiff_t>(i), 16, 0);
        c[512 + 16 * i + 8] = slots[i];
    }
    return c;
}

Bytes Bitmap(std::int32_t height, std::uint32_t info_size) {
    const std::uint32_t offset = 14 + info_size;
    Bytes b(offset + 234256, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, offset);
    Put32(b, 14, info_size);
    Put32(b, 18, 322);
    Put32(b, 22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = 24;
    Put32(b, 34, 234256);
    for (std::size_t i = offset; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i);
    return b;
}

Bytes Packet(std::uint8_t code, std::uint16_t address) {
    Bytes p(16, 0);
    p[0] = 0x85;
    p[1] = code;
    p[3] = static_cast<std::uint8_t>(address);
    p[4] = static_cast<std::uint8_t>(address >> 8);
    return p;
}

void AppendWrite(Bytes& stream, const Bytes& message) {
    stream.push_back('W');
    const std::size_t at = stream.size();
    stream.resize(at + 4);
    Put32(stream, at, static_cast<std::uint32_t>(message.size()));
    stream.insert(stream.end(), message.begin(), message.end());
}

void AppendRead(Bytes& stream, std::uint32_t count) {
    stream.push_back('R');
    const std::size_t at = stream.size();
    stream.resize(at + 4);
    Put32(stream, at, count);
}

// A BMP of `width` x `height` at `bpp` bits per pixel, with a palette of
// `colours` entries or, for `bitfields`, 5-6-5 masks.
Bytes SmallBmp(std::uint32_t width, std::int32_t height, std::uint16_t bpp, std::uint32_t colours, bool bitfields) {
    const std::uint32_t rows = static_cast<std::uint32_t>(height < 0 ? -height : height);
    const std::uint32_t stride = (width * bpp + 31) / 32 * 4;
    const std::uint32_t offset = 54 + colours * 4 + (bitfields ? 12 : 0);
    Bytes b(offset + stride * rows, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, offset);
    Put32(b, 14, 40);
    Put32(b, 18, width);
    Put32(b, 22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(bpp);
    Put32(b, 30, bitfields ? 3 : 0);
    Put32(b, 46, colours);
    if (bitfields) {
        Put32(b, 54, 0xF800);
        Put32(b, 58, 0x07E0);
        Put32(b, 62, 0x001F);
    }
    for (std::uint32_t i = 0; i < colours * 4; ++i) b[54 + i] = static_cast<std::uint8_t>(i * 37);
    for (std::size_t i = offset; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 13);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-DIR\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    Save(out / "catalog", "empty26", Catalog(26, {}));
    Save(out / "catalog", "empty52", Catalog(52, {}));
    Save(out / "catalog", "three52", Catalog(52, {5, 0, 7}));
    Bytes deleted = Catalog(26, {4, 2, 2});
    deleted[256] = 2;
    deleted[512 + 32] = 0xFF;
    deleted[512 + 32 + 8] = 1;
    Save(out / "catalog", "after-delete26", deleted);
    std::vector<std::uint8_t> full(26);
    for (std::uint8_t i = 0; i < 26; ++i) full[i] = i;
    Save(out / "catalog", "full26", Catalog(26, full));
    Save(out / "catalog", "erased", Bytes(8192, 0xFF));
    // rescue_scan: a mode byte (1: 16 MiB, 2: a card image's length), then the catalog.
    for (const std::uint8_t mode : {0, 1, 2, 3}) {
        Bytes input{mode};
        const Bytes catalog = Catalog(mode & 1 ? 52 : 26, {0, 2});
        input.insert(input.end(), catalog.begin(), catalog.end());
        input.insert(input.end(), 256, 0x5A);
        Save(out / "rescue_scan", "two-" + std::to_string(mode), input);
    }

    Save(out / "bitmap", "bottom-up", Bitmap(242, 40));
    Save(out / "bitmap", "top-down", Bitmap(-242, 40));
    Save(out / "bitmap", "v5-header", Bitmap(242, 124));
    Bytes cut = Bitmap(242, 40);
    cut.resize(1000);
    Save(out / "bitmap", "truncated", cut);

    Save(out / "host_image", "palette1", SmallBmp(13, 5, 1, 2, false));
    Save(out / "host_image", "palette4", SmallBmp(7, -3, 4, 16, false));
    Save(out / "host_image", "palette8", SmallBmp(5, 4, 8, 256, false));
    Save(out / "host_image", "rgb565", SmallBmp(6, 3, 16, 0, true));
    Save(out / "host_image", "rgb24", SmallBmp(9, 2, 24, 0, false));
    Save(out / "host_image", "rgb32", SmallBmp(3, -2, 32, 0, false));
#ifdef PIXAVON_FUZZ_HOST_SEEDS
    {
        pixavon::host::Image picture(12, 7);
        for (std::size_t i = 0; i < picture.rgb.size(); ++i) picture.rgb[i] = static_cast<std::uint8_t>(i * 29);
        Save(out / "host_image", "small.png", pixavon::host::encode_png(picture));
        Save(out / "host_image", "small.jpg", pixavon::host::encode_jpeg(picture, 75));
    }
#endif

    const std::string pattern = "{date}-{n:03}-slot{slot}.png\n";
    const std::string line = std::string(64, 'a') + " " + std::string(64, '0') + " 2024-01-31-001-slot0.png\n";
    const std::string old_line = std::string(16, 'b') + " " + std::string(16, '1') + " photo-1.bmp\n";
    const auto text = [](const std::string& t) { return Bytes(t.begin(), t.end()); };
    Save(out / "import_index", "two-lines", text(pattern + line + old_line));
    Save(out / "import_index", "open-end", text("{hash}.jpg\n" + line + line.substr(0, line.size() - 1)));
    Save(out / "import_index", "bad-pattern", text("{n:3}/{nope}\n" + old_line));

    Bytes read_stream = {'H'};
    AppendWrite(read_stream, Packet(0x71, 0xFFE0));
    for (int i = 0; i < 4; ++i) AppendRead(read_stream, 512);
    Save(out / "emulator_stream", "read-catalog", read_stream);
    Bytes write_stream = {'H'};
    AppendWrite(write_stream, Packet(0x73, 0x0010));
    AppendWrite(write_stream, Packet(0x72, 0x0011));
    AppendWrite(write_stream, Bytes(512, 0x5A));
    AppendWrite(write_stream, Packet(0x72, 0x0011));
    AppendWrite(write_stream, Bytes(512, 0x0F));
    AppendWrite(write_stream, Packet(0x73, 0x0013));
    Save(out / "emulator_stream", "erase-write", write_stream);
    Bytes bad_stream = {'H'};
    AppendWrite(bad_stream, Bytes{0x85, 0x99});
    AppendRead(bad_stream, 7);
    AppendWrite(bad_stream, Packet(0x72, 0xFFFF));
    AppendWrite(bad_stream, Bytes(1024, 0));
    Save(out / "emulator_stream", "malformed", bad_stream);
    return 0;
}
