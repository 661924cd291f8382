// libpixavon.so, loaded at run time as a desktop application loads it: from
// the directory of the executable (a build tree) or else by its soname from
// the system's library path.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "pixavon.h"

namespace pixavon::host {

class LibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Library {
public:
    // Loads the library beside the executable, else by its soname. Throws
    // LibraryError naming what was tried.
    Library();
    // Loads exactly the library at `path`. Throws LibraryError.
    explicit Library(const std::string& path);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    const std::string& path() const { return path_; }
    // Unloads the library now (its unload hook runs); the functions are gone.
    void Unload();

    int (*OpenDevice)(PixavonWindowHandle) = nullptr;
    int (*CloseDevice)() = nullptr;
    int (*IsConnect)() = nullptr;
    int (*ReadGBA)(uint16_t, void*, uint32_t) = nullptr;
    int (*WriteGBA)(uint16_t, const void*, uint32_t) = nullptr;
    int32_t (*GetPhotoCount)() = nullptr;
    uint16_t (*GetCardMemory)() = nullptr;
    int (*DeletePhoto)(int32_t) = nullptr;
    int (*FormatGBA)() = nullptr;
    int (*ReadPixavonToFile)(int32_t, const char*) = nullptr;
    int (*WriteFileToGBA)(const char*) = nullptr;
    int (*ReadAll)(const char*) = nullptr;
    int (*WriteAll)(const char*) = nullptr;
    int (*GetString)(uint32_t, char*) = nullptr;

private:
    void BindAll();

    void* handle_ = nullptr;
    std::string path_;
};

}  // namespace pixavon::host
