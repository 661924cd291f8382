// pixavon-wine-plug.exe: plugs the emulated camera into a wine prefix, and
// unplugs it again. Run by pixavon-emu inside the prefix.
//
//   pixavon-wine-plug plug PORT DRIVER
//     Registers the camera's device interface and marks it present (the
//     interface's "Linked" value), installs the kernel driver DRIVER (a Unix
//     path) as the service "pixavoncam" with the emulator's TCP port, starts
//     it, and prints the device path as a program finds it through the
//     device-setup calls. It then stays until its standard input ends: the
//     prefix's wine session, and with it the driver, lives only as long as a
//     program of it runs.
//   pixavon-wine-plug hide
//     Marks the interface absent, so that discovery no longer lists it.
//   pixavon-wine-plug unplug
//     The same, and stops and removes the service (the device goes).
//
// Exit status 0 on success; errors on stderr.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr GUID kCameraInterfaceClass = {0x1B65BEDD, 0x1D6A, 0x11D6, {0x80, 0x7D, 0x82, 0xB3, 0xDA, 0xB6, 0xC6, 0x25}};
constexpr char kInstanceId[] = "ROOT\\CAMERA\\0000";
constexpr char kServiceName[] = "pixavoncam";
constexpr char kServiceKey[] = "System\\CurrentControlSet\\Services\\pixavoncam";
constexpr char kClassKey[] =
    "System\\CurrentControlSet\\Control\\DeviceClasses\\{1b65bedd-1d6a-11d6-807d-82b3dab6c625}";
constexpr DWORD kStateTimeoutMs = 20000;
constexpr int kStartAttempts = 3;

int Fail(const char* what) {
    std::fprintf(stderr, "pixavon-wine-plug: %s failed (error %lu)\n", what, GetLastError());
    return 1;
}

// The path of the interface `record` of `list`, or empty.
std::string InterfacePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* record) {
    std::string path;
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(list, record, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return path;
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::calloc(1, required));
    if (detail == nullptr) return path;
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (SetupDiGetDeviceInterfaceDetailA(list, record, detail, required, nullptr, nullptr)) path = detail->DevicePath;
    std::free(detail);
    return path;
}

// The first device path of the camera's class among present devices, as the
// library's discovery sees it; empty if none.
std::string PresentDevicePath() {
    std::string path;
    HDEVINFO list =
        SetupDiGetClassDevsA(&kCameraInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) return path;
    SP_DEVICE_INTERFACE_DATA record{};
    record.cbSize = sizeof record;
    if (SetupDiEnumDeviceInterfaces(list, nullptr, &kCameraInterfaceClass, 0, &record)) {
        path = InterfacePath(list, &record);
    }
    SetupDiDestroyDeviceInfoList(list);
    return path;
}

// The interface's "Linked" value: 1 lists it among present devices, 0 not.
bool SetLinked(const std::string& device_path, DWORD linked) {
    // The interface's key is named after its path, "\\?\" written "##?#".
    const std::string key = std::string(kClassKey) + "\\##?#" + device_path.substr(4) + "\\#\\Control";
    HKEY control = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &control, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const bool ok = RegSetValueExA(control, "Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&linked),
                                   sizeof linked) == ERROR_SUCCESS;
    RegCloseKey(control);
    return ok;
}

// Registers the device and its interface (both kept if already there) and
// returns the interface's path, or empty.
std::string RegisterInterface() {
    std::string path;
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return path;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    bool ok = SetupDiCreateDeviceInfoA(set, kInstanceId, &kCameraInterfaceClass, nullptr, nullptr, 0, &device) &&
              SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
    if (!ok) ok = SetupDiOpenDeviceInfoA(set, kInstanceId, nullptr, 0, &device);
    SP_DEVICE_INTERFACE_DATA record{};
    record.cbSize = sizeof record;
    if (ok && SetupDiCreateDeviceInterfaceA(set, &device, &kCameraInterfaceClass, nullptr, 0, &record)) {
        path = InterfacePath(set, &record);
    }
    SetupDiDestroyDeviceInfoList(set);
    return path;
}

void RemoveDevice() {
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (SetupDiOpenDeviceInfoA(set, kInstanceId, nullptr, 0, &device)) SetupDiRemoveDevice(set, &device);
    SetupDiDestroyDeviceInfoList(set);
}

bool WaitForState(SC_HANDLE service, DWORD wanted) {
    for (DWORD waited = 0; waited < kStateTimeoutMs; waited += 10) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState == wanted) return true;
        Sleep(10);
    }
    return false;
}

// Stops and deletes the service if it exists.
void RemoveService(SC_HANDLE manager) {
    SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS);
    if (service == nullptr) return;
    SERVICE_STATUS status{};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) WaitForState(service, SERVICE_STOPPED);
    DeleteService(service);
    CloseServiceHandle(service);
}

std::string DosPath(const char* unix_path) {
    using Convert = WCHAR*(CDECL*)(const char*);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* wide = convert != nullptr ? convert(unix_path) : nullptr;
    if (wide == nullptr) return {};
    char narrow[MAX_PATH * 4] = {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, wide);
    return n > 0 ? narrow : std::string();
}

int Plug(DWORD port, const char* driver_unix_path) {
    const std::string driver = DosPath(driver_unix_path);
    if (driver.empty()) return Fail("finding the driver's Windows path");
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return Fail("OpenSCManager");
    RemoveService(manager);  // left over from an emulator that did not unplug
    SC_HANDLE service = CreateServiceA(manager, kServiceName, "Lumetta camera (emulated)", SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       driver.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service == nullptr) {
        CloseServiceHandle(manager);
        return Fail("CreateService");
    }
    HKEY key = nullptr;
    bool ok = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS;
    if (ok) {
        ok = RegSetValueExA(key, "Port", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&port), sizeof port) ==
             ERROR_SUCCESS;
        RegCloseKey(key);
    }
    if (!ok) {
        DeleteService(service);
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        return Fail("setting the driver's port");
    }
    // A cold prefix may start winedevice.exe too slowly for the first try.
    bool started = false;
    for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
        started = StartServiceA(service, 0, nullptr) || GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
    }
    if (!started || !WaitForState(service, SERVICE_RUNNING)) {
        const int rc = Fail("starting the driver");
        DeleteService(service);
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        return rc;
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);

    const std::string registered = RegisterInterface();
    if (registered.empty() || !SetLinked(registered, 1)) return Fail("registering the device interface");
    const std::string path = PresentDevicePath();
    if (path.empty()) return Fail("listing the device interface");
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

int Hide() {
    const std::string registered = RegisterInterface();
    if (!registered.empty()) SetLinked(registered, 0);
    RemoveDevice();
    return PresentDevicePath().empty() ? 0 : Fail("hiding the device interface");
}

int Unplug() {
    Hide();
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return Fail("OpenSCManager");
    RemoveService(manager);
    CloseServiceHandle(manager);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "plug") == 0) {
        char* end = nullptr;
        const unsigned long port = std::strtoul(argv[2], &end, 10);
        if (*end != '\0' || port == 0 || port > 0xFFFF) {
            std::fprintf(stderr, "pixavon-wine-plug: bad port '%s'\n", argv[2]);
            return 2;
        }
        return Plug(static_cast<DWORD>(port), argv[3]);
    }
    if (argc == 2 && std::strcmp(argv[1], "hide") == 0) return Hide();
    if (argc == 2 && std::strcmp(argv[1], "unplug") == 0) return Unplug();
    std::fprintf(stderr, "usage: pixavon-wine-plug plug PORT DRIVER | hide | unplug\n");
    return 2;
}
