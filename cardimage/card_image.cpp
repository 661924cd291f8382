#include "cardimage/card_image.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "catalog/catalog.h"
#include "device/device.h"
#include "frame/host_file.h"
#include "frame/library_state.h"

namespace pixavon {
namespace {

constexpr std::uint32_t kBackupChunkSize = 32768;
constexpr std::uint32_t kBackupChunkAddressStep = kBackupChunkSize / kReadUnitSize;  // 128
constexpr std::uint32_t kChunksPerSmallCard = 256;
// A restore reads the image this many blocks at a time.
constexpr std::uint32_t kRestoreBatchBlocks = 128;

// Reads blocks [first, first + count) of the image into `data`, marking which
// of them could be read. A batch that fails as a whole is read again block by
// block, so that every readable block is restored.
void ReadImageBlocks(ScopedHostFile& file, std::uint32_t first, std::uint32_t count, std::uint8_t* data,
                     std::vector<bool>& readable) {
    readable.assign(count, false);
    if (file.Seek(static_cast<std::uint64_t>(first) * kBlockSize) && file.ReadExactly(data, count * kBlockSize)) {
        readable.assign(count, true);
        return;
    }
    for (std::uint32_t b = 0; b < count; ++b) {
        readable[b] = file.Seek(static_cast<std::uint64_t>(first + b) * kBlockSize) &&
                      file.ReadExactly(data + b * kBlockSize, kBlockSize);
    }
}

}  // namespace

int ReadAll(const char* path) {
    ScopedHostFile file(path, FileMode::CreateWrite);
    if (!file.IsOpen()) {
        ShowFileErrorBox();
        return 0;
    }
    const std::uint32_t chunks = (State().geometry.capacity_code / kSmallCardCode) * kChunksPerSmallCard;
    std::vector<std::uint8_t> chunk(kBackupChunkSize);
    for (std::uint32_t i = 0; i < chunks; ++i) {
        NotifyProgress();
        if (ReadGBA(static_cast<std::uint16_t>(i * kBackupChunkAddressStep), chunk.data(), kBackupChunkSize) == 0) {
            // The chunks saved so far stay in the file.
            file.Close();
            return 0;
        }
        if (!file.Write(chunk.data(), kBackupChunkSize)) {
            file.Close();
            ShowFileErrorBox();
            return 0;
        }
    }
    if (!file.Close()) {
        ShowFileErrorBox();
        return 0;
    }
    return 1;
}

int WriteAll(const char* path) {
    ScopedHostFile file(path, FileMode::ReadExisting);
    if (!file.IsOpen()) {
        ShowFileErrorBox();
        return 0;
    }
    const CardGeometry geometry = State().geometry;
    std::uint64_t size = 0;
    if (!file.Size(&size) || size != static_cast<std::uint64_t>(geometry.total_blocks) * kBlockSize) {
        return 0;
    }
    std::vector<std::uint8_t> batch(kRestoreBatchBlocks * kBlockSize);
    std::vector<bool> readable;
    bool image_read_failed = false;
    for (std::uint32_t first = 0; first < geometry.total_blocks; first += kRestoreBatchBlocks) {
        const std::uint32_t count = std::min<std::uint32_t>(kRestoreBatchBlocks, geometry.total_blocks - first);
        ReadImageBlocks(file, first, count, batch.data(), readable);
        for (std::uint32_t b = 0; b < count; ++b) {
            const std::uint32_t block = first + b;
            NotifyProgress();
            // A unit that could not be erased would take the image garbled.
            const bool erased = geometry.erase_interval == 0 || block % geometry.erase_interval != 0 ||
                                SendErase(static_cast<std::uint16_t>(block)) != 0;
            if (erased && !readable[b]) {
                // The block stays erased; the next one comes from its own place in the file.
                image_read_failed = true;
                continue;
            }
            if (!erased ||
                WriteGBA(static_cast<std::uint16_t>(block), batch.data() + b * kBlockSize, kBlockSize) == 0) {
                file.Close();
                ReportError(kWriteCardError);
                return 0;
            }
        }
    }
    file.Close();
    if (image_read_failed) {
        ShowFileErrorBox();
        return 0;
    }
    return 1;
}

}  // namespace pixavon
