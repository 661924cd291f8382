// The camera link on Windows: discovery against scripted device-setup calls
// and the real ones, transfers through ReadFile and WriteFile on a pipe.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "device/device.h"
#include "platform/win32/win32_parts.h"
#include "win32/win32_test_support.h"

namespace pixavon::test {
namespace {

using win32::DeviceSetupCalls;

// --- Discovery against scripted calls ---

const HDEVINFO kList = reinterpret_cast<HDEVINFO>(0x1234);
const HANDLE kDevice = reinterpret_cast<HANDLE>(0x5678);
constexpr char kPath[] = "\\\\?\\usb#vid_0000&pid_0000#1#{1b65bedd-1d6a-11d6-807d-82b3dab6c625}";

struct Script {
    // What the calls answer.
    bool list_fails = false;
    bool enum_fails = false;
    DWORD required = 5 + sizeof kPath;
    bool allocation_fails = false;
    bool detail_fails = false;
    bool create_fails = false;
    // What the calls saw.
    std::vector<std::string> calls;
    bool arguments_ok = true;
    std::string failures;
    int lists_open = 0;
    int blocks_live = 0;
    void* block = nullptr;
    std::string opened_path;
};
Script g_script;

void Check(bool condition, const char* what) {
    if (!condition) {
        g_script.arguments_ok = false;
        g_script.failures += std::string(what) + "; ";
    }
}

HDEVINFO WINAPI GetClassDevs(const GUID* guid, PCSTR enumerator, HWND parent, DWORD flags) {
    g_script.calls.push_back("list");
    Check(guid != nullptr && std::memcmp(guid, &win32::kCameraInterfaceClass, sizeof(GUID)) == 0, "class guid");
    Check(enumerator == nullptr && parent == nullptr, "no enumerator, no parent");
    Check(flags == 0x12, "flags 0x12");
    if (g_script.list_fails) return INVALID_HANDLE_VALUE;
    ++g_script.lists_open;
    return kList;
}

WINBOOL WINAPI EnumInterfaces(HDEVINFO list, PSP_DEVINFO_DATA filter, const GUID* guid, DWORD index,
                              PSP_DEVICE_INTERFACE_DATA record) {
    g_script.calls.push_back("enum");
    Check(list == kList && filter == nullptr, "enum list");
    Check(guid != nullptr && std::memcmp(guid, &win32::kCameraInterfaceClass, sizeof(GUID)) == 0, "enum guid");
    Check(index == 0, "index 0");
    Check(record != nullptr && record->cbSize == 28, "interface record size 28");
    return g_script.enum_fails ? FALSE : TRUE;
}

WINBOOL WINAPI GetDetail(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA record, PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                         DWORD size, PDWORD required, PSP_DEVINFO_DATA info) {
    Check(list == kList && record != nullptr && info == nullptr, "detail arguments");
    if (detail == nullptr) {
        g_script.calls.push_back("size");
        Check(size == 0 && required != nullptr, "size query");
        if (required != nullptr) *required = g_script.required;
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    g_script.calls.push_back("detail");
    Check(detail == g_script.block && detail->cbSize == 5, "detail record size field 5");
    Check(size == g_script.required, "detail record full size");
    if (g_script.detail_fails) return FALSE;
    std::memcpy(detail->DevicePath, kPath, sizeof kPath);
    return TRUE;
}

WINBOOL WINAPI DestroyList(HDEVINFO list) {
    g_script.calls.push_back("destroy");
    Check(list == kList, "destroy list");
    --g_script.lists_open;
    return TRUE;
}

HANDLE WINAPI CreateFileScripted(LPCSTR path, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security,
                                 DWORD creation, DWORD attributes, HANDLE template_file) {
    g_script.calls.push_back("create");
    g_script.opened_path = path;
    Check(access == (GENERIC_READ | GENERIC_WRITE), "read and write access");
    Check(sharing == (FILE_SHARE_READ | FILE_SHARE_WRITE), "read and write sharing");
    Check(security == nullptr && template_file == nullptr, "no security, no template");
    Check(creation == OPEN_EXISTING && attributes == FILE_ATTRIBUTE_NORMAL, "open existing, normal");
    return g_script.create_fails ? INVALID_HANDLE_VALUE : kDevice;
}

void* Allocate(std::size_t size) {
    g_script.calls.push_back("allocate");
    Check(size == g_script.required, "allocation of the required size");
    if (g_script.allocation_fails) return nullptr;
    ++g_script.blocks_live;
    g_script.block = ::operator new(size);
    return g_script.block;
}

void Release(void* block) {
    g_script.calls.push_back("free");
    Check(block == g_script.block, "frees its own record");
    --g_script.blocks_live;
    ::operator delete(block);
}

constexpr DeviceSetupCalls kScripted = {&GetClassDevs,       &EnumInterfaces, &GetDetail, &DestroyList,
                                        &CreateFileScripted, &Allocate,       &Release};

class Discovery : public ::testing::Test {
protected:
    void SetUp() override { g_script = Script{}; }
    void TearDown() override {
        EXPECT_TRUE(g_script.arguments_ok) << g_script.failures;
        EXPECT_EQ(g_script.lists_open, 0) << "device list left open";
        EXPECT_EQ(g_script.blocks_live, 0) << "detail record left allocated";
    }
    using Calls = std::vector<std::string>;
};

TEST_F(Discovery, OpensTheFirstInterfaceOfTheClass) {
    EXPECT_EQ(win32::OpenFirstDevice(kScripted), kDevice);
    EXPECT_EQ(g_script.calls, (Calls{"list", "enum", "size", "allocate", "detail", "create", "free", "destroy"}));
    EXPECT_EQ(g_script.opened_path, kPath);
}

TEST_F(Discovery, EveryFailureReleasesWhatWasTaken) {
    struct Case {
        const char* name;
        void (*arrange)(Script&);
        Calls calls;
    };
    const Case cases[] = {
        {"no list", [](Script& s) { s.list_fails = true; }, {"list"}},
        {"no interface", [](Script& s) { s.enum_fails = true; }, {"list", "enum", "destroy"}},
        {"no size", [](Script& s) { s.required = 0; }, {"list", "enum", "size", "destroy"}},
        {"size below the fixed part", [](Script& s) { s.required = 4; }, {"list", "enum", "size", "destroy"}},
        {"allocation", [](Script& s) { s.allocation_fails = true; }, {"list", "enum", "size", "allocate", "destroy"}},
        {"detail",
         [](Script& s) { s.detail_fails = true; },
         {"list", "enum", "size", "allocate", "detail", "destroy", "free"}},
        {"open",
         [](Script& s) { s.create_fails = true; },
         {"list", "enum", "size", "allocate", "detail", "create", "free", "destroy"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_script = Script{};
        c.arrange(g_script);
        EXPECT_EQ(win32::OpenFirstDevice(kScripted), nullptr);
        EXPECT_EQ(g_script.calls, c.calls);
        EXPECT_EQ(g_script.lists_open, 0);
        EXPECT_EQ(g_script.blocks_live, 0);
    }
}

TEST(SystemDiscovery, FindsNothingWhereNoCameraIsAttached) {
    EXPECT_EQ(win32::OpenFirstDevice(win32::SystemDeviceSetupCalls()), nullptr);
}

// --- The driver's reads: a command's data one 512-byte block per ReadFile ---

std::vector<DWORD> g_read_requests;

WINBOOL WINAPI ScriptedReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED overlapped) {
    g_read_requests.push_back(size);
    // Every third call delivers half of what was asked: the rest is asked for again.
    *got = g_read_requests.size() % 3 == 0 ? size / 2 : size;
    std::memset(buffer, static_cast<int>(g_read_requests.size()), *got);
    return handle == kDevice && overlapped == nullptr;
}

TEST(DriverReads, AWholeReadIsAskedFor512BytesAtATime) {
    g_read_requests.clear();
    std::vector<std::uint8_t> data(2048);
    ASSERT_TRUE(win32::ReadHandle(kDevice, data.data(), 2048, &ScriptedReadFile));
    EXPECT_EQ(g_read_requests, (std::vector<DWORD>{512, 512, 512, 256, 512}));
    EXPECT_EQ(data[2 * 512 + 255], 3);
    EXPECT_EQ(data[2 * 512 + 256], 4);
}

// --- Transfers through ReadFile and WriteFile, the test playing the camera ---

class PipeTransfer : public ::testing::Test {
protected:
    void SetUp() override { camera.InstallAsDevice(); }
    LibraryStateGuard guard;
    PipeCamera camera;
};

TEST_F(PipeTransfer, ReadSendsThePacketPausesAndReadsWholeBlocks) {
    const std::vector<std::uint8_t> card = Pattern(1024, 1);
    // Delivered in uneven pieces: short reads are continued.
    camera.Send({card.begin(), card.begin() + 300});
    camera.Send({card.begin() + 300, card.end()});

    std::vector<std::uint8_t> buffer(1024 + 100, 0xEE);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ReadGBA(0xFFE0, buffer.data(), static_cast<std::uint32_t>(buffer.size())), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(9));

    const std::vector<std::uint8_t> packet = camera.Receive(16);
    EXPECT_EQ(packet, (std::vector<std::uint8_t>{0x85, 0x71, 0x00, 0xE0, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(std::equal(card.begin(), card.end(), buffer.begin()));
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin() + 1024, buffer.end()), std::vector<std::uint8_t>(100, 0xEE));
}

TEST_F(PipeTransfer, WriteAndEraseSendExactlyTheirBytes) {
    const std::vector<std::uint8_t> block = Pattern(512, 2);
    ASSERT_EQ(WriteGBA(0x3FF0, block.data(), 512), 1);
    ASSERT_EQ(SendErase(0x3FF0), 1);
    EXPECT_EQ(camera.Receive(16), Packet(0x72, 0x3FF0));
    EXPECT_EQ(camera.Receive(512), block);
    EXPECT_EQ(camera.Receive(16),
              (std::vector<std::uint8_t>{0x85, 0x73, 0x00, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(PipeTransfer, ACameraThatStopsMidwayFailsTheRead) {
    std::thread peer([this] {
        camera.Receive(16);
        camera.Send(Pattern(512, 3));
        camera.Hangup();
    });
    std::vector<std::uint8_t> buffer(1024);
    EXPECT_EQ(ReadGBA(0, buffer.data(), 1024), 0);
    peer.join();
    EXPECT_EQ(WriteGBA(0, buffer.data(), 512), 0);
    EXPECT_EQ(SendErase(0), 0);
}

TEST_F(PipeTransfer, CloseReleasesTheHandleOnce) {
    EXPECT_EQ(IsConnect(), 1);
    EXPECT_NE(CloseDevice(), 0);
    EXPECT_EQ(IsConnect(), 0);
    EXPECT_EQ(CloseDevice(), 0);
    // The camera's end sees the library hang up.
    EXPECT_TRUE(camera.Receive(1).empty());
}

}  // namespace
}  // namespace pixavon::test
