// Any 8 KiB catalog: loading it, and then every operation that uses the slot
// table, must be memory-safe and never touch the card outside its slots.
// Input: the catalog (padded with 0xFF), then optional bytes choosing positions.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "cardimage/card_image.h"
#include "catalog/catalog.h"
#include "device/device.h"
#include "fuzz/memory_platform.h"
#include "photo/image_format.h"
#include "photo/transfer.h"

namespace {

using namespace pixavon;

std::vector<std::uint8_t> ValidBitmap() {
    std::vector<std::uint8_t> file(kPhotoFileSize, 0x40);
    const BitmapHeader header = MakeBitmapHeader();
    std::memcpy(file.data(), header.data(), header.size());
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryPlatform platform;
    static const std::vector<std::uint8_t> bitmap = ValidBitmap();

    std::vector<std::uint8_t> catalog(kCatalogSize, 0xFF);
    std::memcpy(catalog.data(), data, std::min<std::size_t>(size, kCatalogSize));
    const std::uint8_t code = catalog[kCapacityOffset] == 52 ? 52 : 26;
    platform.UseCard(code);
    std::memcpy(platform.card().data() + platform.card().size() - kCatalogSize, catalog.data(), kCatalogSize);
    platform.files.clear();
    platform.files["in.bmp"] = bitmap;

    InstallPlatform(&platform);
    State() = LibraryState{};
    OpenDevice(nullptr);
    const std::int32_t count = GetPhotoCount();
    const std::int32_t chosen = size > kCatalogSize ? static_cast<std::int8_t>(data[kCatalogSize]) : 0;
    // Positions past the list and slots past the card are refused before any
    // transfer; the last position and a chosen one are read in full.
    for (std::int32_t position : {count - 1, chosen, count, -1}) {
        ReadPixavonToFile(position, "out.bmp");
    }
    WriteFileToGBA("in.bmp");  // picks its slot from the loaded table
    DeletePhoto(chosen);
    FormatGBA();
    CloseDevice();
    InstallPlatform(nullptr);
    return 0;
}
