// The known folders on Windows (Pictures, the local application data, the
// temporary folder), the camera's device (found by pixavon.dll itself) and
// the running executable; see os.h.
#include <windows.h>
// windows.h first: the shell's headers need its types.
#include <knownfolders.h>
#include <shlobj.h>

#include <vector>

#include "os/os.h"
#include "os/win32/paths.h"
#include "os/win32/text.h"

namespace pixavon::host::os {

std::string pictures_folder() {
    try {
        return win32::pictures_folder();
    } catch (const win32::Win32Error&) {
        return ".";
    }
}

std::string state_folder() {
    wchar_t* path = nullptr;
    const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path);
    std::wstring folder = SUCCEEDED(hr) && path != nullptr ? std::wstring(path) : std::wstring();
    ::CoTaskMemFree(path);
    if (folder.empty()) return temp_folder() + "\\pixavon-state";
    return win32::to_utf8(folder) + "\\Pixavon";
}

std::string temp_folder() {
    try {
        return win32::temp_folder();
    } catch (const win32::Win32Error&) {
        return ".";
    }
}

// pixavon.dll finds the camera through the system's device interface for
// it, and opens it exclusively: there is no folder to lock.
std::string device_folder() { return {}; }

// The embedded camera is a device path (a named pipe) rather than a folder:
// the library opens the camera PIXAVON_DEVICE_PATH names instead of looking
// for one. Set in the process's own environment block, where the library
// reads it at each open; safe while other threads run.
void use_device_folder(const std::string& folder) {
    try {
        ::SetEnvironmentVariableW(L"PIXAVON_DEVICE_PATH", folder.empty() ? nullptr : win32::to_utf16(folder).c_str());
    } catch (const std::invalid_argument&) {
        // No device path is anything but ASCII.
    }
}

std::string executable_path() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return win32::to_utf8(std::wstring_view(buffer.data(), n));
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace pixavon::host::os
