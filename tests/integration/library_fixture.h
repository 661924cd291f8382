// Integration tests drive a private copy of the real libpixavon.so (or, in the
// Windows build under wine, pixavon.dll), loaded as a desktop application
// would load it, against the real camera emulator. Each test gets a fresh
// copy of the library, so its state starts as at load time.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pixavon.h"
#if defined(_WIN32)
#  include <windows.h>

#  include "integration/dll_library.h"
#else
#  include "library.h"
#endif
#include "support/emulator_process.h"

namespace pixavon::test {

// A private copy of libpixavon.so, so that each instance starts with the
// library's load-time state.
struct PrivateLibraryCopy {
    PrivateLibraryCopy();
    ~PrivateLibraryCopy();
    std::string path;
};

#if defined(_WIN32)
using LibraryUnderTest = DllLibrary;
#else
using LibraryUnderTest = host::Library;
#endif

class LoadedLibrary : private PrivateLibraryCopy, public LibraryUnderTest {
public:
    LoadedLibrary() : PrivateLibraryCopy(), LibraryUnderTest(PrivateLibraryCopy::path) {}
};

struct BoxSeen {
    int owned;
    std::string text;
    std::string caption;
    uint32_t style;
};

// The host window: counts progress messages and collects boxes. On Windows
// it is a real window whose procedure counts the messages, and every box that
// this thread shows is recorded and closed by a CBT hook (its style is not
// visible from the box's window and stays 0).
struct RecordingWindow {
    RecordingWindow();
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;
    PixavonWindowHandle handle() const;
    int progress = 0;
    std::vector<BoxSeen> boxes;
#if defined(_WIN32)
    HWND window = nullptr;
    HHOOK box_hook = nullptr;
#else
    PixavonWindow window{};
#endif
};

class LibraryTest : public ::testing::Test {
protected:
    void TearDown() override;
    // Starts an emulator (a fresh card of `size_mib` unless `card` is given),
    // points the library at its device directory and loads the library.
    void StartCamera(int size_mib, std::vector<std::string> extra_args = {},
                     const std::vector<uint8_t>* card = nullptr);
    // Opens the camera with the recording window and loads the catalog.
    int32_t OpenAndLoad();
    // Stops the emulator, so that its card file and trace are complete.
    void StopCamera();
    std::vector<std::string> Trace() const { return emulator->trace_lines(); }
    std::string TempPath(const std::string& name) const { return emulator->temp_dir() + "/" + name; }

    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<LoadedLibrary> lib;
    RecordingWindow host;
};

// A card of `size_mib` MiB: every byte 0xFF but a catalog naming `slots`.
std::vector<uint8_t> BlankCard(int size_mib, const std::vector<uint8_t>& slots);
std::vector<uint8_t> CatalogOf(const std::vector<uint8_t>& card);

// Trace lines that start with `prefix`.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix);
bool AnyLineContains(const std::vector<std::string>& lines, const std::string& word);

}  // namespace pixavon::test
