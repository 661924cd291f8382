// The Win32 platform: the camera through its driver's device interface (or
// an emulated camera on the pipe the host names), the
// host window as an HWND, the string table as the library's own resources,
// host files through file handles.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_parts.h"

namespace pixavon {

struct HostFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

namespace win32 {
namespace {
MessageBoxFunction g_message_box = &::MessageBoxA;
}

MessageBoxFunction ReplaceMessageBox(MessageBoxFunction function) {
    const MessageBoxFunction previous = g_message_box;
    g_message_box = function != nullptr ? function : &::MessageBoxA;
    return previous;
}

}  // namespace win32

namespace {

HWND AsWindow(HostWindow window) { return static_cast<HWND>(const_cast<void*>(window)); }

struct FileOpening {
    DWORD access;
    DWORD sharing;
    DWORD creation;
};

FileOpening OpeningFor(FileMode mode) {
    switch (mode) {
        case FileMode::ReadExisting:
            return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
        case FileMode::CreateReadWrite:
            return {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS};
        case FileMode::CreateWrite:
            return {GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS};
    }
    return {0, 0, 0};
}

// SetFilePointer with a 64-bit position; false when the move failed.
bool MoveFilePointer(HANDLE handle, std::int64_t distance, DWORD method, std::uint64_t* position) {
    LONG high = static_cast<LONG>(distance >> 32);
    ::SetLastError(NO_ERROR);
    const DWORD low = ::SetFilePointer(handle, static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) {
        return false;
    }
    if (position != nullptr) {
        *position = (static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) | low;
    }
    return true;
}

// Whether the host names a camera's device path (PIXAVON_DEVICE_PATH); if so
// it is put in `path`.
bool NamedDevicePath(char* path, DWORD size) {
    const DWORD length = ::GetEnvironmentVariableA(win32::kDevicePathVariable, path, size);
    return length > 0 && length < size;
}

class Win32Platform final : public Platform {
public:
    // A device handle is the camera's file handle. The one an emulated
    // camera's pipe gave is remembered, for its transfers are framed; the
    // library has one camera open at a time.
    DeviceHandle open_first_device() override {
        char path[MAX_PATH];
        if (!NamedDevicePath(path, sizeof path)) {
            return win32::OpenFirstDevice(win32::SystemDeviceSetupCalls());
        }
        bool framed = false;
        HANDLE device = win32::OpenNamedDevice(path, &framed);
        if (device != nullptr && framed) {
            if (framed_ != nullptr) {
                ::CloseHandle(device);  // one framed camera at a time
                return nullptr;
            }
            framed_ = device;
            broken_ = false;
        }
        return device;
    }
    bool close_device(DeviceHandle device) override {
        if (device != nullptr && device == framed_) {
            framed_ = nullptr;
        }
        return win32::CloseDeviceHandle(device);
    }
    bool write_device(DeviceHandle device, const std::uint8_t* data, std::uint32_t length) override {
        if (device != nullptr && device == framed_) {
            return win32::WriteFramed(framed_, data, length, &broken_);
        }
        return win32::WriteHandle(device, data, length);
    }
    bool read_device(DeviceHandle device, std::uint8_t* data, std::uint32_t length) override {
        if (device != nullptr && device == framed_) {
            return win32::ReadFramed(framed_, data, length, &broken_);
        }
        return win32::ReadHandle(device, data, length);
    }
    void sleep_ms(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }

    void send_message(HostWindow window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
        ::SendMessageA(AsWindow(window), message, wparam, lparam);
    }

    void message_box(HostWindow window, bool owned, const char* text, const char* caption,
                     std::uint32_t style) override {
        win32::g_message_box(owned ? AsWindow(window) : nullptr, text, caption, style);
    }

    int load_string(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
        if (buffer == nullptr || size <= 0) {
            return 0;  // LoadStringA would hand out a pointer to the resource instead
        }
        return ::LoadStringA(static_cast<HINSTANCE>(const_cast<void*>(module)), id, buffer, size);
    }

    HostFile* open_file(const char* path, FileMode mode) override {
        if (path == nullptr) {
            return nullptr;
        }
        const FileOpening opening = OpeningFor(mode);
        HANDLE handle = ::CreateFileA(path, opening.access, opening.sharing, nullptr, opening.creation,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        return new HostFile{handle};
    }

    bool read_file(HostFile* file, void* data, std::uint32_t length, std::uint32_t* bytes_read) override {
        std::uint32_t done = 0;
        bool ok = true;
        while (done < length) {
            DWORD got = 0;
            if (!::ReadFile(file->handle, static_cast<char*>(data) + done, length - done, &got, nullptr)) {
                ok = false;
                break;
            }
            if (got == 0) break;  // end of file
            done += got;
        }
        if (bytes_read != nullptr) *bytes_read = done;
        return ok;
    }

    bool write_file(HostFile* file, const void* data, std::uint32_t length) override {
        std::uint32_t done = 0;
        while (done < length) {
            DWORD put = 0;
            if (!::WriteFile(file->handle, static_cast<const char*>(data) + done, length - done, &put, nullptr) ||
                put == 0) {
                return false;
            }
            done += put;
        }
        return true;
    }

    bool seek_file(HostFile* file, std::uint64_t offset) override {
        if (offset > static_cast<std::uint64_t>(INT64_MAX)) {
            return false;
        }
        std::uint64_t reached = 0;
        return MoveFilePointer(file->handle, static_cast<std::int64_t>(offset), FILE_BEGIN, &reached) &&
               reached == offset;
    }

    bool file_size(HostFile* file, std::uint64_t* size) override {
        std::uint64_t here = 0;
        std::uint64_t end = 0;
        if (!MoveFilePointer(file->handle, 0, FILE_CURRENT, &here) ||
            !MoveFilePointer(file->handle, 0, FILE_END, &end) ||
            !MoveFilePointer(file->handle, static_cast<std::int64_t>(here), FILE_BEGIN, nullptr)) {
            return false;
        }
        *size = end;
        return true;
    }

    bool close_file(HostFile* file) override {
        if (file == nullptr) return false;
        const bool closed = ::CloseHandle(file->handle) != FALSE;
        delete file;
        return closed;
    }

    bool remove_file(const char* path) override { return path != nullptr && ::DeleteFileA(path) != FALSE; }

private:
    HANDLE framed_ = nullptr;  // the open emulated camera's pipe, if any
    bool broken_ = false;      // its frames lost their place
};

}  // namespace

Platform& DefaultPlatform() {
    // Constant-initialized and trivially destructible: usable from DllMain at
    // any point of the library's life.
    static constinit Win32Platform platform;
    return platform;
}

}  // namespace pixavon
