// What a `--card` restore costs per block on Windows, without the tool
// around it: pixavon.dll's framed link (the client, as the DLL calls it)
// writing blocks as a restore does (an erase every erase unit, then per block
// a write packet and its 512 bytes, each answered) to the embedded camera's
// named-pipe server (the server and device model pixavon.exe runs), both in
// this process as in pixavon.exe. Prints the time per block and the 16 MiB
// restore it makes; then again with the progress message the DLL sends per
// block to its host's window, which pixavon.exe serves on a thread of its
// own. bench/pipe_calls_win32.sh runs it under wine, also with wine's call
// tracing, to count each end's system calls per block.
//   bench_pipe_win32.exe [BLOCKS [link]]   (default: all 32768 blocks of a
//   16 MiB card; "link": the link alone, no run with progress messages)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "device/device.h"
#include "emulator/flash.h"
#include "emulator/pipe_server_win32.h"
#include "platform/win32/win32_parts.h"

namespace {

// A message-only window on a thread of its own, answering the progress
// message as pixavon.exe's does.
struct ProgressWindow {
    HWND window = nullptr;
    DWORD thread_id = 0;
    std::thread thread;
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

    ProgressWindow() {
        thread = std::thread([this] {
            thread_id = ::GetCurrentThreadId();
            WNDCLASSEXW kind{};
            kind.cbSize = sizeof kind;
            kind.lpfnWndProc = &::DefWindowProcW;
            kind.hInstance = ::GetModuleHandleW(nullptr);
            kind.lpszClassName = L"PixavonBenchProgress";
            ::RegisterClassExW(&kind);
            window = ::CreateWindowExW(0, kind.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, kind.hInstance,
                                       nullptr);
            ::SetEvent(ready);
            MSG message;
            while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
            ::DestroyWindow(window);
        });
        ::WaitForSingleObject(ready, INFINITE);
    }
    ~ProgressWindow() {
        ::PostThreadMessageW(thread_id, WM_QUIT, 0, 0);
        thread.join();
        ::CloseHandle(ready);
    }
};

}  // namespace

int main(int argc, char** argv) {
    namespace emu = pixavon::emu;
    std::vector<uint8_t> card(emu::kLargeCardSize, 0xFF);
    const std::vector<uint8_t> catalog = emu::empty_catalog(card.size());
    std::copy(catalog.begin(), catalog.end(), card.end() - static_cast<std::ptrdiff_t>(catalog.size()));
    emu::Flash flash{std::span<uint8_t>(card)};
    const uint32_t blocks =
        argc > 1 ? std::min<uint32_t>(static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)), flash.block_count())
                 : flash.block_count();

    const std::string name = "\\\\.\\pipe\\pixavon-bench-" + std::to_string(::GetCurrentProcessId());
    emu::Server server(flash, name);
    std::thread serving([&server] { server.run(); });

    bool framed = false, broken = false;
    HANDLE pipe = pixavon::win32::OpenNamedDevice(name.c_str(), &framed);
    if (pipe == nullptr || !framed) {
        std::fprintf(stderr, "bench_pipe_win32: the camera's pipe did not open\n");
        server.request_stop();
        serving.join();
        return 1;
    }
    std::vector<uint8_t> block(pixavon::kBlockSize, 0x5A);
    // Seconds for the blocks, a progress message before each when `window`.
    const auto restore = [&](HWND window) {
        const auto start = std::chrono::steady_clock::now();
        bool ok = true;
        for (uint32_t b = 0; b < blocks && ok; ++b) {
            const auto address = static_cast<uint16_t>(b);
            if (window != nullptr) ::SendMessageW(window, WM_USER + 1, 0, 0);
            if (b % flash.erase_unit_blocks() == 0) {
                const auto erase = pixavon::EncodePacket(pixavon::CommandCode::Erase, address);
                ok = pixavon::win32::WriteFramed(pipe, erase.data(), erase.size(), &broken);
            }
            const auto write = pixavon::EncodePacket(pixavon::CommandCode::Write, address);
            ok = ok && pixavon::win32::WriteFramed(pipe, write.data(), write.size(), &broken) &&
                 pixavon::win32::WriteFramed(pipe, block.data(), static_cast<uint32_t>(block.size()), &broken);
        }
        return ok ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() : -1.0;
    };
    const double link = restore(nullptr);
    double with_progress = -1.0;
    if (link >= 0 && argc <= 2) {
        ProgressWindow progress;
        with_progress = restore(progress.window);
    }
    ::CloseHandle(pipe);
    server.request_stop();
    serving.join();
    if (link < 0 || (argc <= 2 && with_progress < 0)) {
        std::fprintf(stderr, "bench_pipe_win32: the camera refused a block\n");
        return 1;
    }
    std::printf("the link: %u blocks in %.2f s, %.1f us per block, a 16 MiB restore's %.1f s\n", blocks, link,
                link / blocks * 1e6, link / blocks * 32768);
    if (argc <= 2)
        std::printf("with a progress message per block: %.1f us per block, a 16 MiB restore's %.1f s\n",
                    with_progress / blocks * 1e6, with_progress / blocks * 32768);
    return 0;
}
