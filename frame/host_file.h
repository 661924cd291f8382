// A host file that is closed on every path out of the operation that opened it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace pixavon {

class ScopedHostFile {
public:
    ScopedHostFile(const char* path, FileMode mode) : file_(ActivePlatform().open_file(path, mode)) {}
    ~ScopedHostFile() { Close(); }
    ScopedHostFile(const ScopedHostFile&) = delete;
    ScopedHostFile& operator=(const ScopedHostFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }

    bool Read(void* data, std::uint32_t length, std::uint32_t* bytes_read) {
        return ActivePlatform().read_file(file_, data, length, bytes_read);
    }
    // Reads exactly `length` bytes or fails.
    bool ReadExactly(void* data, std::uint32_t length) {
        std::uint32_t got = 0;
        return Read(data, length, &got) && got == length;
    }
    bool Write(const void* data, std::uint32_t length) { return ActivePlatform().write_file(file_, data, length); }
    bool Seek(std::uint64_t offset) { return ActivePlatform().seek_file(file_, offset); }
    bool Size(std::uint64_t* size) { return ActivePlatform().file_size(file_, size); }

    // Closes now; false if the platform reported a failure (for a file being
    // written, data may be lost).
    bool Close() {
        if (file_ == nullptr) return true;
        HostFile* file = file_;
        file_ = nullptr;
        return ActivePlatform().close_file(file);
    }

private:
    HostFile* file_;
};

}  // namespace pixavon
