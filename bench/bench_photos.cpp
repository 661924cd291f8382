// Photos read through the host core from an emulated camera with the real
// library, each printed as its ratio to its floor: the camera's 10 ms pause
// for every 32 KiB read command that holds a byte of the photos' slots (10
// for a photo alone, 9.5 a photo in a run of neighbouring slots), paused as
// the platform pauses, in the same run, so a machine that oversleeps moves
// both alike. Each run starts on a core that has read nothing yet.
//   - import of a full 8 MiB card (26 photos, PNG files), goal at most 1.05;
//   - one photo saved as the camera's bitmap;
//   - the window's grid of a full 16 MiB card (52 photos), through the calls
//     the window makes.
// `cp` of every bitmap out of the mounted folder is bench/mount_vs_get.sh.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "catalog/card_layout.h"
#include "core.h"
#include "device/device.h"
#include "platform/platform.h"

namespace {

using namespace pixavon::host;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A folder of its own for a benchmark's card and files.
struct Workspace {
    Workspace() {
        char pattern[] = "/tmp/pixavon-bench-photos-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) dir = pattern;
    }
    ~Workspace() {
        std::error_code ignored;
        if (!dir.empty()) fs::remove_all(dir, ignored);
    }
    std::string dir;
};

// A card image of `capacity` photos of noise, listed in slot order.
std::string FullCard(const std::string& dir, uint8_t capacity) {
    std::vector<uint8_t> card(pixavon::CardBytesFor(capacity));
    std::mt19937 random(capacity);
    for (auto& byte : card) byte = static_cast<uint8_t>(random());
    std::vector<uint8_t> catalog(pixavon::kCatalogSize, 0xFF);
    std::vector<uint8_t> slots(capacity);
    for (uint8_t s = 0; s < capacity; ++s) slots[s] = s;
    pixavon::BuildCatalog(capacity, slots.data(), capacity, catalog.data());
    std::copy(catalog.begin(), catalog.end(), card.end() - pixavon::kCatalogSize);
    std::string path = dir + "/card.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(card.data()), static_cast<std::streamsize>(card.size()));
    return path;
}

constexpr uint32_t kCatalogReads = 2;

// The floor of `packets` read commands: their pauses, as the platform pauses.
double PauseFloor(uint32_t packets) {
    const auto start = Clock::now();
    for (uint32_t i = 0; i < packets; ++i) pixavon::DefaultPlatform().sleep_ms(pixavon::kReadPauseMs);
    return Seconds(start);
}

// Runs `operation` on a fresh core over `card` each time, next to the floor of
// `packets`, and reports their ratio; and its ratio to every pause it waits,
// with the 2 of the catalog load every workflow begins with (the library's
// and the core's own read of it). The core's start is not timed.
template <typename Operation>
void RunAgainstFloor(benchmark::State& state, const std::string& card, uint32_t packets, Operation operation) {
    double seconds = 0, floor = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CancelToken cancel;
        auto core = std::make_unique<Core>(cancel);
        if (!core->prepare({card, 0}, PIXAVON_LIBRARY_PATH).ok() || !core->open_camera()) {
            state.SkipWithError("the camera did not start");
            return;
        }
        state.ResumeTiming();
        const auto start = Clock::now();
        if (!operation(*core)) state.SkipWithError("the operation failed");
        seconds += Seconds(start);
        state.PauseTiming();
        core.reset();
        floor += PauseFloor(packets + kCatalogReads);
        state.ResumeTiming();
    }
    const double packets_floor = floor * packets / (packets + kCatalogReads);
    state.counters["floor_ms"] = packets_floor * 1000 / static_cast<double>(state.iterations());
    state.counters["ratio_to_floor"] = seconds / packets_floor;
    state.counters["ratio_to_all_pauses"] = seconds / floor;
}

void BM_ImportFull8MiBCard(benchmark::State& state) {
    Workspace work;
    const std::string card = FullCard(work.dir, pixavon::kSmallCardCode);
    int run = 0;
    RunAgainstFloor(state, card, 26 * 19 / 2, [&](Core& core) {
        ImportRequest request;
        request.folder = work.dir + "/import-" + std::to_string(++run);
        ImportSummary summary;
        return core.import_photos(request, &summary).ok() && summary.imported == 26;
    });
}
BENCHMARK(BM_ImportFull8MiBCard)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_OnePhoto(benchmark::State& state) {
    Workspace work;
    const std::string card = FullCard(work.dir, pixavon::kSmallCardCode);
    RunAgainstFloor(state, card, kSlotPackets, [&](Core& core) {
        ExportRequest request;
        request.positions = {7};
        request.output = work.dir + "/photo.bmp";
        request.replace = true;
        return core.export_photos(request).ok();
    });
}
BENCHMARK(BM_OnePhoto)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_WindowGridOf52Photos(benchmark::State& state) {
    Workspace work;
    const std::string card = FullCard(work.dir, pixavon::kLargeCardCode);
    RunAgainstFloor(state, card, 52 * 19 / 2, [&](Core& core) {
        if (!core.inspect().catalog_ok) return false;
        core.queue_photos({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});  // the first rows, visible
        uint32_t shown = 0;
        GridPhoto photo;
        while (core.photos_queued() > 0) {
            if (!core.read_next_photo(&photo).ok() || !photo.photo) return false;
            ++shown;
        }
        return shown == 52;
    });
}
BENCHMARK(BM_WindowGridOf52Photos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
