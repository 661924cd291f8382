// The seam between the portable card logic and the operating system.
//
// Everything the library asks of its platform goes through one Platform
// object: the camera device, the 10 ms pause, progress messages and boxes for
// the host window, the string table loader and the host's files. Each platform
// folder provides DefaultPlatform(); tests may install a fake one instead.
#pragma once

#include <cstdint>

namespace pixavon {

// Opaque handles. Their meaning belongs to the platform that issued them.
using DeviceHandle = void*;
using HostWindow = const void*;
using ModuleHandle = const void*;
struct HostFile;

// How a host file is opened. Each mode names the access, sharing and creation
// that one kind of operation needs.
enum class FileMode : std::uint8_t {
    ReadExisting,     // read access, shared for reading, must exist
    CreateReadWrite,  // read and write access, shared for both, replaces any file
    CreateWrite,      // write access, shared for reading and writing, replaces any file
};

class Platform {
protected:
    // Platforms are never destroyed through this interface; the real one is
    // never destroyed at all, so that the unload hook can still use it.
    ~Platform() = default;

public:

    // Camera. open_first_device returns nullptr when no camera can be opened.
    virtual DeviceHandle open_first_device() = 0;
    virtual bool close_device(DeviceHandle device) = 0;
    // Each transfer completes its whole length or fails. A write is one
    // message to the device (a packet, or a command's data). A read is all
    // of a command's data that the caller wants, a whole number of 512-byte
    // blocks; a platform whose driver hands over one block per read splits it.
    virtual bool write_device(DeviceHandle device, const std::uint8_t* data, std::uint32_t length) = 0;
    virtual bool read_device(DeviceHandle device, std::uint8_t* data, std::uint32_t length) = 0;
    virtual void sleep_ms(std::uint32_t milliseconds) = 0;

    // Host window. send_message returns when the window has handled it.
    virtual void send_message(HostWindow window, std::uint32_t message, std::uintptr_t wparam,
                              std::intptr_t lparam) = 0;
    // A modal box; `owned` says whether `window` owns it or nobody does.
    virtual void message_box(HostWindow window, bool owned, const char* text, const char* caption,
                             std::uint32_t style) = 0;

    // The string table: copies string `id` into `buffer` (at most size - 1
    // bytes and a terminator) and returns the number of bytes copied, 0 when
    // there is no such string.
    virtual int load_string(ModuleHandle module, std::uint32_t id, char* buffer, int size) = 0;

    // Host files. Reads report the bytes read; writes complete or fail.
    virtual HostFile* open_file(const char* path, FileMode mode) = 0;
    virtual bool read_file(HostFile* file, void* data, std::uint32_t length, std::uint32_t* bytes_read) = 0;
    virtual bool write_file(HostFile* file, const void* data, std::uint32_t length) = 0;
    virtual bool seek_file(HostFile* file, std::uint64_t offset) = 0;
    virtual bool file_size(HostFile* file, std::uint64_t* size) = 0;
    virtual bool close_file(HostFile* file) = 0;
    virtual bool remove_file(const char* path) = 0;
};

// The platform this build was made for.
Platform& DefaultPlatform();

// The platform in use: DefaultPlatform() unless a test installed another.
Platform& ActivePlatform();
// Installs `platform` (nullptr restores the default). Returns the previous one.
Platform* InstallPlatform(Platform* platform);

}  // namespace pixavon
