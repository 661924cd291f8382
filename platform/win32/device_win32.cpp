// Finding and talking to the camera on Windows.
//
// The driver publishes the camera as a device interface of its own class; the
// first one listed is opened as a file and used with plain synchronous
// ReadFile and WriteFile. A host that serves an emulated camera itself names
// its device path instead (PIXAVON_DEVICE_PATH): a named pipe, over which
// every transfer is a frame of the link that emulated cameras speak.
#include <algorithm>
#include <cstdlib>

#include "platform/win32/win32_parts.h"

namespace pixavon::win32 {
namespace {

// Present devices only, listed by their device interfaces.
constexpr DWORD kListFlags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;
static_assert(kListFlags == 0x12);

// The size fields that the device-setup calls check: on 32-bit Windows the
// interface record has 28 bytes and the detail record's fixed part 5.
constexpr DWORD kInterfaceRecordSize = sizeof(SP_DEVICE_INTERFACE_DATA);
constexpr DWORD kDetailRecordFixedSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
static_assert(sizeof(void*) != 4 || (kInterfaceRecordSize == 28 && kDetailRecordFixedSize == 5));

void* Allocate(std::size_t size) { return std::malloc(size); }
void Release(void* block) { std::free(block); }

}  // namespace

const DeviceSetupCalls& SystemDeviceSetupCalls() {
    static constexpr DeviceSetupCalls calls = {
        &::SetupDiGetClassDevsA,
        &::SetupDiEnumDeviceInterfaces,
        &::SetupDiGetDeviceInterfaceDetailA,
        &::SetupDiDestroyDeviceInfoList,
        &::CreateFileA,
        &Allocate,
        &Release,
    };
    return calls;
}

HANDLE OpenFirstDevice(const DeviceSetupCalls& calls) {
    const HDEVINFO list = calls.get_class_devs(&kCameraInterfaceClass, nullptr, nullptr, kListFlags);
    if (list == INVALID_HANDLE_VALUE) {
        return nullptr;
    }

    SP_DEVICE_INTERFACE_DATA interface_record{};
    interface_record.cbSize = kInterfaceRecordSize;
    if (!calls.enum_interfaces(list, nullptr, &kCameraInterfaceClass, 0, &interface_record)) {
        calls.destroy_list(list);
        return nullptr;
    }

    // Only asks for the size; the call itself reports failure.
    DWORD required = 0;
    calls.get_interface_detail(list, &interface_record, nullptr, 0, &required, nullptr);
    if (required < kDetailRecordFixedSize) {
        calls.destroy_list(list);
        return nullptr;
    }
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(calls.allocate(required));
    if (detail == nullptr) {
        calls.destroy_list(list);
        return nullptr;
    }
    detail->cbSize = kDetailRecordFixedSize;
    if (!calls.get_interface_detail(list, &interface_record, detail, required, nullptr, nullptr)) {
        calls.destroy_list(list);
        calls.release(detail);
        return nullptr;
    }
    // The path ends inside the record whatever the driver wrote.
    reinterpret_cast<char*>(detail)[required - 1] = '\0';

    HANDLE device =
        calls.create_file(detail->DevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    calls.release(detail);
    calls.destroy_list(list);
    // No open file is ever the null handle, so nullptr can stand for "none".
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
}

HANDLE OpenNamedDevice(const char* path, bool* framed) {
    // A pipe has one host at a time; one that is just leaving frees it in a
    // moment.
    constexpr int kAttempts = 3;
    constexpr DWORD kBusyWaitMs = 2000;
    HANDLE device = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kAttempts && device == INVALID_HANDLE_VALUE; ++attempt) {
        device = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (device == INVALID_HANDLE_VALUE &&
            (::GetLastError() != ERROR_PIPE_BUSY || !::WaitNamedPipeA(path, kBusyWaitMs))) {
            return nullptr;
        }
    }
    if (device == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    *framed = ::GetFileType(device) == FILE_TYPE_PIPE;
    if (*framed && !GreetFramed(device)) {
        ::CloseHandle(device);
        return nullptr;
    }
    return device;
}

namespace {

constexpr std::uint8_t kHello = 'H';
constexpr std::uint8_t kWrite = 'W';
constexpr std::uint8_t kRead = 'R';
constexpr std::uint8_t kData = 'D';
constexpr std::uint8_t kOk = 'K';
constexpr std::uint8_t kFailed = 'E';

// Exactly `length` bytes from the pipe, or false.
bool ReadExact(HANDLE pipe, std::uint8_t* data, std::uint32_t length) {
    while (length > 0) {
        DWORD got = 0;
        if (!::ReadFile(pipe, data, length, &got, nullptr) || got == 0) {
            return false;
        }
        data += got;
        length -= got;
    }
    return true;
}

void PutLe32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

bool GreetFramed(HANDLE pipe) {
    std::uint8_t answer = 0;
    // A busy camera closes without a byte.
    return WriteHandle(pipe, &kHello, 1) && ReadExact(pipe, &answer, 1) && answer == kOk;
}

bool WriteFramed(HANDLE pipe, const std::uint8_t* data, std::uint32_t length, bool* broken) {
    if (*broken) {
        return false;
    }
    // A packet or a block goes out with its header in one call: under wine
    // every call on a pipe is a round trip to the wine server.
    constexpr std::uint32_t kJoined = 1024;
    std::uint8_t frame[5 + kJoined] = {kWrite};
    PutLe32(frame + 1, length);
    bool sent = false;
    if (length <= kJoined) {
        std::copy(data, data + length, frame + 5);
        sent = WriteHandle(pipe, frame, 5 + length);
    } else {
        sent = WriteHandle(pipe, frame, 5) && WriteHandle(pipe, data, length);
    }
    std::uint8_t answer = 0;
    if (!sent || !ReadExact(pipe, &answer, 1) || (answer != kOk && answer != kFailed)) {
        *broken = true;
        return false;
    }
    return answer == kOk;
}

bool ReadFramed(HANDLE pipe, std::uint8_t* data, std::uint32_t length, bool* broken) {
    if (*broken) {
        return false;
    }
    std::uint8_t header[5] = {kRead};
    PutLe32(header + 1, length);
    if (!WriteHandle(pipe, header, sizeof header)) {
        *broken = true;
        return false;
    }
    std::uint32_t done = 0;
    while (done < length) {
        if (!ReadExact(pipe, header, 1)) {
            break;
        }
        if (header[0] == kFailed) {
            return false;  // a failed read; the stream is still in step
        }
        if (header[0] != kData || !ReadExact(pipe, header + 1, 4)) {
            break;
        }
        const std::uint32_t piece =
            static_cast<std::uint32_t>(header[1]) | (static_cast<std::uint32_t>(header[2]) << 8) |
            (static_cast<std::uint32_t>(header[3]) << 16) | (static_cast<std::uint32_t>(header[4]) << 24);
        if (piece == 0 || piece > length - done || !ReadExact(pipe, data + done, piece)) {
            break;
        }
        done += piece;
    }
    if (done == length) {
        return true;
    }
    *broken = true;
    return false;
}

bool WriteHandle(HANDLE handle, const std::uint8_t* data, std::uint32_t length) {
    if (handle == nullptr) {
        return false;
    }
    std::uint32_t done = 0;
    do {
        DWORD written = 0;
        if (!::WriteFile(handle, data + done, length - done, &written, nullptr)) {
            return false;
        }
        if (written == 0 && length != 0) {
            return false;
        }
        done += written;
    } while (done < length);
    return true;
}

bool ReadHandle(HANDLE handle, std::uint8_t* data, std::uint32_t length, ReadFileFunction read_file) {
    if (handle == nullptr) {
        return false;
    }
    // The driver hands over a command's data one 512-byte block per ReadFile.
    for (std::uint32_t block = 0; block < length; block += kDriverReadSize) {
        const std::uint32_t size = std::min(kDriverReadSize, length - block);
        std::uint32_t done = 0;
        while (done < size) {
            DWORD got = 0;
            if (!read_file(handle, data + block + done, size - done, &got, nullptr) || got == 0) {
                return false;
            }
            done += got;
        }
    }
    return true;
}

bool CloseDeviceHandle(HANDLE handle) { return handle != nullptr && ::CloseHandle(handle) != FALSE; }

}  // namespace pixavon::win32
