// The pieces of the Win32 platform, exposed for its own tests.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <cstdint>

namespace pixavon::win32 {

// --- Device discovery ---

// The camera driver's device interface class.
inline constexpr GUID kCameraInterfaceClass = {
    0x1B65BEDD, 0x1D6A, 0x11D6, {0x80, 0x7D, 0x82, 0xB3, 0xDA, 0xB6, 0xC6, 0x25}};

// The system calls that discovery makes, in the order it makes them.
struct DeviceSetupCalls {
    decltype(&::SetupDiGetClassDevsA) get_class_devs;
    decltype(&::SetupDiEnumDeviceInterfaces) enum_interfaces;
    decltype(&::SetupDiGetDeviceInterfaceDetailA) get_interface_detail;
    decltype(&::SetupDiDestroyDeviceInfoList) destroy_list;
    decltype(&::CreateFileA) create_file;
    void* (*allocate)(std::size_t size);
    void (*release)(void* block);
};

// The real ones.
const DeviceSetupCalls& SystemDeviceSetupCalls();

// Opens the first device of the camera's interface class for synchronous
// reading and writing. Returns nullptr when there is none or it cannot be
// opened; everything taken on the way is released on every path.
HANDLE OpenFirstDevice(const DeviceSetupCalls& calls);

// --- A camera named by the host ---

// The environment variable naming a camera's device path that the library
// opens instead of looking for one (an emulated camera that the host serves
// itself, on a named pipe).
inline constexpr char kDevicePathVariable[] = "PIXAVON_DEVICE_PATH";

// Opens the device path `path` for synchronous reading and writing; a pipe
// that is busy with a host that is just leaving is waited for a moment.
// `framed` tells whether it is a pipe, which speaks the framed link below.
// Returns nullptr when it cannot be opened.
HANDLE OpenNamedDevice(const char* path, bool* framed);

// The framed link of an emulated camera on a pipe (integers little-endian):
//   host -> device  'H'                     hello, once after opening
//   device -> host  'K'                     served
//   host -> device  'W' u32 n, n bytes      one write; answer 'K' or 'E'
//   host -> device  'R' u32 n               one read of n bytes; answer
//   device -> host  'D' u32 k, k bytes ...  pieces adding up to n, or 'E'
// Once a reply does not fit the framing, `broken` is set and every later
// transfer fails.
bool GreetFramed(HANDLE pipe);
bool WriteFramed(HANDLE pipe, const std::uint8_t* data, std::uint32_t length, bool* broken);
bool ReadFramed(HANDLE pipe, std::uint8_t* data, std::uint32_t length, bool* broken);

// --- Transfers on an open handle (a device or anything ReadFile and
// WriteFile accept, such as a pipe) ---

// Each completes the whole length or fails: a short transfer is continued,
// a transfer that moves nothing is a failure. Reads ask `read_file` for one
// 512-byte block at a time, as the camera's driver expects.
inline constexpr std::uint32_t kDriverReadSize = 512;
using ReadFileFunction = decltype(&::ReadFile);
bool WriteHandle(HANDLE handle, const std::uint8_t* data, std::uint32_t length);
bool ReadHandle(HANDLE handle, std::uint8_t* data, std::uint32_t length, ReadFileFunction read_file = &::ReadFile);
bool CloseDeviceHandle(HANDLE handle);

// --- Boxes ---

// The function that presents modal boxes: MessageBoxA unless replaced, so
// that tests need not block on a box nobody closes. Returns the previous one;
// nullptr restores MessageBoxA.
using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
MessageBoxFunction ReplaceMessageBox(MessageBoxFunction function);

}  // namespace pixavon::win32
