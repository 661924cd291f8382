// The host's photo reader against the library's own download, on the
// emulator's device model in process: the same bitmap, byte for byte, from
// only the reads a backup makes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <numeric>
#include <random>
#include <set>
#include <sstream>

#include "catalog/catalog.h"
#include "device/device.h"
#include "frame/library_state.h"
#include "photo/transfer.h"
#include "photo_reader.h"
#include "support/model_camera.h"
#include "support/test_data.h"

namespace pixavon::test {
namespace {

using host::PhotoReader;

// A card of `size_mib` full of noise whose catalog lists every slot, position
// n holding slot n.
std::vector<std::uint8_t> FullCard(int size_mib) {
    const std::uint8_t capacity = size_mib == 16 ? 52 : 26;
    std::vector<std::uint8_t> card(static_cast<std::size_t>(size_mib) << 20);
    std::mt19937 random(static_cast<std::uint32_t>(size_mib));
    for (auto& byte : card) byte = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> slots(capacity);
    for (std::uint8_t s = 0; s < capacity; ++s) slots[s] = s;
    const std::vector<std::uint8_t> catalog = make_catalog(capacity, slots);
    std::copy(catalog.begin(), catalog.end(), card.end() - 8192);
    return card;
}

// The read commands of the trace: address and bytes delivered of each; any
// other command is a fault here.
std::vector<std::pair<std::uint32_t, std::uint32_t>> Reads(ModelCamera& camera) {
    camera.model().settle();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> reads;
    for (const std::string& line : camera.trace) {
        std::istringstream in(line);
        std::string kind, rest;
        std::uint32_t bytes = 0;
        in >> kind >> std::hex >> reads.emplace_back().first >> std::dec >> bytes;
        reads.back().second = bytes;
        EXPECT_EQ(kind, "READ") << line;
        EXPECT_FALSE(in >> rest) << line;  // FAILED or the like
    }
    camera.trace.clear();
    return reads;
}

TEST(PhotoReader, EverySlotOfBothCardsEqualsTheLibrarysDownloadFromAlignedFullPackets) {
    char dir[] = "/tmp/pixavon-reader-test-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/photo.bmp";
    for (const int size_mib : {8, 16}) {
        const std::vector<std::uint8_t> card = FullCard(size_mib);
        ModelCamera camera{std::span<const std::uint8_t>(card)};
        ModelPlatform platform(camera);
        InstallPlatform(&platform);
        State() = LibraryState{};
        ASSERT_EQ(OpenDevice(nullptr), 1);
        const std::int32_t photos = GetPhotoCount();
        ASSERT_EQ(photos, size_mib == 16 ? 52 : 26);
        const auto read = [](std::uint16_t address, std::uint8_t* buffer, std::uint32_t length) {
            return ReadGBA(address, buffer, length) == 1;
        };
        PhotoReader one_run(read);
        std::vector<std::uint8_t> slots(static_cast<std::size_t>(photos));
        std::iota(slots.begin(), slots.end(), std::uint8_t{0});
        const std::vector<std::uint32_t> planned = one_run.packets_for_run(slots);
        EXPECT_EQ(std::accumulate(planned.begin(), planned.end(), 0U), static_cast<std::uint32_t>(photos) * 19 / 2);
        std::set<std::uint32_t> packets_of_run;
        for (std::int32_t slot = 0; slot < photos; ++slot) {
            SCOPED_TRACE("card " + std::to_string(size_mib) + " MiB, slot " + std::to_string(slot));
            ASSERT_EQ(ReadPixavonToFile(slot, path.c_str()), 1);
            const std::vector<std::uint8_t> library = ReadFileBytes(path);
            ASSERT_EQ(library.size(), 234310u);
            camera.model().settle();
            camera.trace.clear();

            // Alone: the 10 packets that cover the slot, and nothing else.
            PhotoReader alone(read);
            EXPECT_EQ(alone.packets_for(static_cast<std::uint8_t>(slot)), host::kSlotPackets);
            const std::optional<std::vector<std::uint8_t>> bitmap = alone.read_slot(static_cast<std::uint8_t>(slot));
            ASSERT_TRUE(bitmap.has_value());
            EXPECT_TRUE(*bitmap == library);
            const auto reads = Reads(camera);
            ASSERT_EQ(reads.size(), host::kSlotPackets);
            const std::uint32_t first = static_cast<std::uint32_t>(slot) * 0x4C000u / 0x8000u;
            for (std::size_t i = 0; i < reads.size(); ++i) {
                EXPECT_EQ(reads[i].first, (first + i) * 128u);
                EXPECT_EQ(reads[i].second, 32768u);
            }

            // In a run up the card: the packet shared with the slot before is
            // not read again.
            const std::optional<std::vector<std::uint8_t>> in_run = one_run.read_slot(static_cast<std::uint8_t>(slot));
            ASSERT_TRUE(in_run.has_value());
            EXPECT_TRUE(*in_run == library);
            for (const auto& [address, bytes] : Reads(camera)) {
                EXPECT_EQ(address % 128, 0u);
                EXPECT_EQ(bytes, 32768u);
                EXPECT_TRUE(packets_of_run.insert(address).second) << "packet " << address << " read twice";
            }
        }
        // Every packet that holds a byte of a slot, once: 9.5 a photo.
        EXPECT_EQ(packets_of_run.size(), static_cast<std::size_t>(photos) * 19 / 2);
        CloseDevice();
        InstallPlatform(nullptr);
    }
    std::remove(path.c_str());
    ::rmdir(dir);
}

}  // namespace
}  // namespace pixavon::test
