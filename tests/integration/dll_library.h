// pixavon.dll loaded at run time, as a Windows host application loads it; the
// counterpart of the host core's Library for the Windows integration tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "pixavon.h"

namespace pixavon::test {

class DllLibrary {
public:
    // Loads exactly the DLL at `path`. Throws std::runtime_error.
    explicit DllLibrary(const std::string& path);
    ~DllLibrary();
    DllLibrary(const DllLibrary&) = delete;
    DllLibrary& operator=(const DllLibrary&) = delete;

    // Unloads the DLL now (its DllMain runs); the functions are gone.
    void Unload();

    int(PIXAVON_CALL* OpenDevice)(PixavonWindowHandle) = nullptr;
    int(PIXAVON_CALL* CloseDevice)() = nullptr;
    int(PIXAVON_CALL* IsConnect)() = nullptr;
    int(PIXAVON_CALL* ReadGBA)(uint16_t, void*, uint32_t) = nullptr;
    int(PIXAVON_CALL* WriteGBA)(uint16_t, const void*, uint32_t) = nullptr;
    int32_t(PIXAVON_CALL* GetPhotoCount)() = nullptr;
    uint16_t(PIXAVON_CALL* GetCardMemory)() = nullptr;
    int(PIXAVON_CALL* DeletePhoto)(int32_t) = nullptr;
    int(PIXAVON_CALL* FormatGBA)() = nullptr;
    int(PIXAVON_CALL* ReadPixavonToFile)(int32_t, const char*) = nullptr;
    int(PIXAVON_CALL* WriteFileToGBA)(const char*) = nullptr;
    int(PIXAVON_CALL* ReadAll)(const char*) = nullptr;
    int(PIXAVON_CALL* WriteAll)(const char*) = nullptr;
    int(PIXAVON_CALL* GetString)(uint32_t, char*) = nullptr;

private:
    HMODULE module_ = nullptr;
};

}  // namespace pixavon::test
