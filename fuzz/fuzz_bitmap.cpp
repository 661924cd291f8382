// Any file offered for upload: the bitmap reader must be memory-safe, refuse
// what is not a 322 x 242 true-colour bitmap, and write only the chosen slot
// and the catalog. (Downloads are the catalog target's business.)
#include <cstddef>
#include <cstdint>

#include "catalog/catalog.h"
#include "device/device.h"
#include "fuzz/memory_platform.h"
#include "photo/transfer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixavon;
    static fuzz::MemoryPlatform platform;
    platform.UseCard(26);
    // An empty, valid catalog at the end of the card.
    std::uint8_t* catalog = platform.card().data() + platform.card().size() - kCatalogSize;
    std::fill(catalog, catalog + kCatalogSize, std::uint8_t{0xFF});
    std::fill(catalog, catalog + 512, std::uint8_t{0});
    std::copy(kCatalogSignature, kCatalogSignature + kSignatureLength, catalog);
    catalog[kCapacityOffset] = 26;
    platform.files.clear();
    platform.files["in.bmp"].assign(data, data + size);

    InstallPlatform(&platform);
    State() = LibraryState{};
    OpenDevice(nullptr);
    GetPhotoCount();
    WriteFileToGBA("in.bmp");
    CloseDevice();
    InstallPlatform(nullptr);
    return 0;
}
