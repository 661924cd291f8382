// A 16 MiB backup through pixavon.dll under wine, on an emulated camera
// plugged into the wine prefix, printed as its ratio to its floor: the 512
// read commands' 10 ms pauses, slept in the same run with Sleep, so that a
// machine that oversleeps moves both alike. Run by bench/dll_vs_linux.sh
// (through tests/win32/with_wine_cameras.sh) beside the Linux figure.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "integration/library_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBackupReadCommands = 512;
constexpr int kRuns = 2;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main() {
    using namespace pixavon::test;
    EmulatorOptions options;
    options.size_mib = 16;
    options.trace = false;
    EmulatorProcess camera(options);
    camera.start();
    LoadedLibrary lib;
    if (lib.OpenDevice(nullptr) != 1 || lib.GetCardMemory() != 26 || lib.GetPhotoCount() != 0 ||
        lib.GetCardMemory() != 52) {
        std::fprintf(stderr, "bench_dll_backup: the camera is not a fresh 16 MiB card\n");
        return 1;
    }
    const std::string path = camera.temp_dir() + "\\backup.img";
    double backup = 0, floor = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        if (lib.ReadAll(path.c_str()) != 1) {
            std::fprintf(stderr, "bench_dll_backup: the backup failed\n");
            return 1;
        }
        backup += Seconds(start);
        const auto pauses = Clock::now();
        for (int i = 0; i < kBackupReadCommands; ++i) Sleep(10);
        floor += Seconds(pauses);
    }
    lib.CloseDevice();
    std::printf("dll_backup_16MiB ratio_to_floor=%.2f\n", backup / floor);
    return 0;
}
