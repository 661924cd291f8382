// Backup and restore of a 16 MiB card on the emulated camera, end to end,
// next to the floor that the 10 ms pause after every read command sets.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "integration/library_fixture.h"

namespace {

using namespace pixavon::test;

struct Camera {
    Camera() {
        EmulatorOptions options;
        options.size_mib = 16;
        options.trace = false;
        emulator = std::make_unique<EmulatorProcess>(options);
        emulator->start();
        setenv("PIXAVON_DEVICE_DIR", emulator->device_dir().c_str(), 1);
        lib = std::make_unique<LoadedLibrary>();
        lib->OpenDevice(nullptr);
        lib->GetPhotoCount();
    }
    ~Camera() {
        lib->CloseDevice();
        lib.reset();
        emulator->stop();
    }
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<LoadedLibrary> lib;
};

void BM_Backup16MiB(benchmark::State& state) {
    Camera camera;
    const std::string path = camera.emulator->temp_dir() + "/backup.img";
    for (auto _ : state) {
        if (camera.lib->ReadAll(path.c_str()) != 1) state.SkipWithError("backup failed");
    }
    state.counters["wait_floor_s"] = 512 * 0.010;  // 512 read commands, 10 ms each
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (16 << 20));
}
BENCHMARK(BM_Backup16MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_Restore16MiB(benchmark::State& state) {
    Camera camera;
    const std::string path = camera.emulator->temp_dir() + "/backup.img";
    camera.lib->ReadAll(path.c_str());
    for (auto _ : state) {
        if (camera.lib->WriteAll(path.c_str()) != 1) state.SkipWithError("restore failed");
    }
    state.counters["wait_floor_s"] = 0;  // a restore sends no read command
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (16 << 20));
}
BENCHMARK(BM_Restore16MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
