// The POSIX platform: the camera through a device directory, the host window
// as a PixavonWindow record, strings compiled into the library, host files
// through file descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "frame/library_state.h"
#include "frame/string_table.h"
#include "include/pixavon.h"
#include "platform/platform.h"
#include "platform/posix/posix_parts.h"
#include "platform/posix/system_calls.h"

namespace pixavon {

struct HostFile {
    int fd = -1;
};

namespace {

const char* GetEnv(const char* name) { return std::getenv(name); }

const PixavonWindow* AsWindow(HostWindow window) { return static_cast<const PixavonWindow*>(window); }

class PosixPlatform final : public Platform {
public:
    DeviceHandle open_first_device() override { return posix::OpenFirstDeviceIn(posix::DeviceDirectory(GetEnv)); }
    bool close_device(DeviceHandle device) override { return posix::CloseDeviceHandle(device); }
    bool write_device(DeviceHandle device, const std::uint8_t* data, std::uint32_t length) override {
        return posix::WriteDeviceHandle(device, data, length);
    }
    bool read_device(DeviceHandle device, std::uint8_t* data, std::uint32_t length) override {
        return posix::ReadDeviceHandle(device, data, length);
    }

    void sleep_ms(std::uint32_t milliseconds) override {
        struct timespec left = {static_cast<time_t>(milliseconds / 1000),
                                static_cast<long>(milliseconds % 1000) * 1000000L};
        while (posix::System().nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
    }

    void send_message(HostWindow window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
        const PixavonWindow* host = AsWindow(window);
        if (host != nullptr && host->send_message != nullptr) {
            host->send_message(host->context, message, wparam, lparam);
        }
    }

    void message_box(HostWindow window, bool owned, const char* text, const char* caption,
                     std::uint32_t style) override {
        const PixavonWindow* host = AsWindow(window);
        if (host != nullptr && host->message_box != nullptr) {
            host->message_box(host->context, owned ? 1 : 0, text, caption, style);
            return;
        }
        std::fprintf(stderr, "%s: %s\n", caption, text);
        std::fflush(stderr);
    }

    int load_string(ModuleHandle, std::uint32_t id, char* buffer, int size) override {
        const posix::LocaleChoice choice = posix::ChooseLocale(GetEnv);
        const char* text = LookUpString(choice.language, id);
        if (text == nullptr || buffer == nullptr || size <= 0) {
            return 0;
        }
        int copied = posix::EncodeText(text, choice.codeset, buffer, size);
        if (copied < 0) {
            // The locale's codeset cannot show this table: English is plain
            // ASCII, which every codeset can.
            copied = posix::EncodeText(LookUpString(kLanguageEnglishUS, id), {}, buffer, size);
        }
        return copied < 0 ? 0 : copied;
    }

    HostFile* open_file(const char* path, FileMode mode) override {
        if (path == nullptr) {
            return nullptr;
        }
        // Allocated first, so that a failed allocation leaves no file open.
        auto file = std::make_unique<HostFile>();
        int flags = O_CLOEXEC;
        switch (mode) {
            case FileMode::ReadExisting:
                flags |= O_RDONLY;
                break;
            case FileMode::CreateReadWrite:
                flags |= O_RDWR | O_CREAT | O_TRUNC;
                break;
            case FileMode::CreateWrite:
                flags |= O_WRONLY | O_CREAT | O_TRUNC;
                break;
        }
        int fd;
        do {
            fd = posix::System().open(path, flags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            return nullptr;
        }
        struct stat info {};
        if (posix::System().fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
            posix::System().close(fd);
            return nullptr;
        }
        file->fd = fd;
        return file.release();
    }

    bool read_file(HostFile* file, void* data, std::uint32_t length, std::uint32_t* bytes_read) override {
        std::uint32_t done = 0;
        bool ok = true;
        while (done < length) {
            const ssize_t got = posix::System().read(file->fd, static_cast<char*>(data) + done, length - done);
            if (got < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            if (got == 0) break;
            done += static_cast<std::uint32_t>(got);
        }
        if (bytes_read != nullptr) *bytes_read = done;
        return ok;
    }

    bool write_file(HostFile* file, const void* data, std::uint32_t length) override {
        std::uint32_t done = 0;
        while (done < length) {
            const ssize_t put = posix::System().write(file->fd, static_cast<const char*>(data) + done, length - done);
            if (put < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (put == 0) return false;
            done += static_cast<std::uint32_t>(put);
        }
        return true;
    }

    bool seek_file(HostFile* file, std::uint64_t offset) override {
        return posix::System().lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
    }

    bool file_size(HostFile* file, std::uint64_t* size) override {
        const off_t here = posix::System().lseek(file->fd, 0, SEEK_CUR);
        const off_t end = posix::System().lseek(file->fd, 0, SEEK_END);
        if (here < 0 || end < 0 || posix::System().lseek(file->fd, here, SEEK_SET) != here) {
            return false;
        }
        *size = static_cast<std::uint64_t>(end);
        return true;
    }

    bool close_file(HostFile* file) override {
        const std::unique_ptr<HostFile> owned(file);
        if (owned == nullptr) return false;
        return posix::System().close(owned->fd) == 0;
    }

    bool remove_file(const char* path) override { return path != nullptr && posix::System().unlink(path) == 0; }
};

// The load hooks: the library's own constructor and destructor stand in for
// the attach and detach notifications of a dynamic library.
__attribute__((constructor)) void AttachToProcess() {
    static const int module_marker = 0;
    OnProcessAttach(&module_marker);
}

__attribute__((destructor)) void DetachFromProcess() { OnProcessDetach(); }

}  // namespace

Platform& DefaultPlatform() {
    // Constant-initialized and trivially destructible: usable from the load
    // hooks at any point of the library's life.
    static constinit PosixPlatform platform;
    return platform;
}

}  // namespace pixavon
