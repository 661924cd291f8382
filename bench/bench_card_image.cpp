// Backup, download and restore of a 16 MiB card end to end, each printed as
// its ratio to its floor, so the figure holds on a busy machine:
// - backup and download on the emulated camera over its socket, next to the
//   10 ms pauses after their read commands (512 and 20 of them), timed in the
//   same run with the platform's own pause, so a machine that oversleeps
//   moves both alike;
// - restore through the library on the emulator's device model in process,
//   next to the same 16,384 block writes sent to the device model directly.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>

#include "cardimage/card_image.h"
#include "catalog/catalog.h"
#include "device/device.h"
#include "frame/library_state.h"
#include "integration/library_fixture.h"
#include "platform/platform.h"
#include "support/model_camera.h"

namespace {

using namespace pixavon::test;
using Clock = std::chrono::steady_clock;

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
    std::string Path(const std::string& name) const { return emulator->temp_dir() + "/" + name; }
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<LoadedLibrary> lib;
};

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The floor of `pauses` read commands: their 10 ms pauses, as the platform pauses.
double PauseFloor(int pauses) {
    const auto start = Clock::now();
    for (int i = 0; i < pauses; ++i) pixavon::DefaultPlatform().sleep_ms(pixavon::kReadPauseMs);
    return Seconds(start);
}

// Times `operation` and its floor alternately, and reports their ratio.
template <typename Operation>
void RunAgainstFloor(benchmark::State& state, int pauses, Operation operation) {
    double seconds = 0, floor = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (operation() != 1) state.SkipWithError("the operation failed");
        seconds += Seconds(start);
        state.PauseTiming();
        floor += PauseFloor(pauses);
        state.ResumeTiming();
    }
    state.counters["floor_ms"] = floor * 1000 / static_cast<double>(state.iterations());
    state.counters["ratio_to_floor"] = seconds / floor;
}

void BM_Backup16MiB(benchmark::State& state) {
    Camera camera;
    const std::string path = camera.Path("backup.img");
    RunAgainstFloor(state, 512, [&] { return camera.lib->ReadAll(path.c_str()); });  // 512 reads of 32 KiB
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (16 << 20));
}
BENCHMARK(BM_Backup16MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_DownloadOnePhoto(benchmark::State& state) {
    Camera camera;
    const std::string bitmap = camera.Path("photo.bmp"), out = camera.Path("out.bmp");
    WriteFileBytes(bitmap, MakeBitmap(1));
    if (camera.lib->WriteFileToGBA(bitmap.c_str()) != 1 || camera.lib->GetPhotoCount() != 1) {
        state.SkipWithError("upload failed");
        return;
    }
    RunAgainstFloor(state, 20, [&] { return camera.lib->ReadPixavonToFile(0, out.c_str()); });  // 20 reads of 16 KiB
}
BENCHMARK(BM_DownloadOnePhoto)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The library's restore on the device model in process, and as its floor the
// same block writes (a packet and 512 bytes each) handed to the model itself.
void BM_Restore16MiBInProcess(benchmark::State& state) {
    std::vector<std::uint8_t> image(16u << 20);
    std::mt19937 random(7);
    for (auto& byte : image) byte = static_cast<std::uint8_t>(random());
    const std::vector<std::uint8_t> catalog = make_catalog(52, {});
    std::copy(catalog.begin(), catalog.end(), image.end() - 8192);
    char dir[] = "/tmp/pixavon-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        state.SkipWithError("mkdtemp");
        return;
    }
    const std::string path = std::string(dir) + "/card.img";
    WriteFileBytes(path, image);

    ModelCamera camera(std::span<const std::uint8_t>(image), {}, false);
    ModelPlatform platform(camera);
    pixavon::InstallPlatform(&platform);
    pixavon::State() = pixavon::LibraryState{};
    pixavon::OpenDevice(nullptr);
    pixavon::GetPhotoCount();
    double restore = 0, raw = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        if (pixavon::WriteAll(path.c_str()) != 1) state.SkipWithError("restore failed");
        restore += Seconds(start);

        state.PauseTiming();
        start = Clock::now();
        for (std::uint32_t block = 0; block < (16u << 20) / 512; ++block) {
            const auto packet = pixavon::EncodePacket(pixavon::CommandCode::Write, static_cast<std::uint16_t>(block));
            camera.model().write(packet);
            camera.model().write({image.data() + block * 512u, 512});
        }
        raw += Seconds(start);
        state.ResumeTiming();
    }
    pixavon::CloseDevice();
    pixavon::InstallPlatform(nullptr);
    std::remove(path.c_str());
    ::rmdir(dir);
    state.counters["raw_writes_ms"] = raw * 1000 / static_cast<double>(state.iterations());
    state.counters["ratio_to_raw_writes"] = restore / raw;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (16 << 20));
}
BENCHMARK(BM_Restore16MiBInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
