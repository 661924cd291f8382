#include "pipe_server_win32.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <vector>

namespace pixavon::emu {
namespace {

constexpr DWORD kPieceMax = 64 * 1024;
constexpr DWORD kInputBuffer = 64 * 1024;

// Thrown inside a connection; both unwind to Server::run().
struct StopRequested {};
struct LinkClosed {};

uint32_t load_le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void store_le32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

}  // namespace

// ---------------------------------------------------------------------------
// One host connection.

class Server::Connection {
public:
    explicit Connection(Server& server) : server_(server), input_(kInputBuffer) {}

    // Serves the host until it leaves. StopRequested passes through.
    void serve() {
        DeviceModel& model = server_.model_;
        try {
            if (read_u8() != 'H' || !model.connect()) return;
            send(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("K"), 1));
            while (!model.gone()) {
                const uint8_t frame = read_u8();
                if (frame == 'W') {
                    on_write(read_u32());
                } else if (frame == 'R') {
                    on_read(read_u32());
                } else {
                    break;  // a protocol error: the host is dropped
                }
            }
        } catch (const LinkClosed&) {
        } catch (...) {
            model.disconnect();
            throw;
        }
        model.disconnect();
    }

private:
    // Up to `limit` (>= 1) buffered input bytes, waiting for at least one.
    std::span<const uint8_t> take(uint64_t limit) {
        if (input_pos_ == input_len_) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = server_.io_done_;
            input_pos_ = 0;
            input_len_ = server_.finish(::ReadFile(server_.pipe_, input_.data(), kInputBuffer, nullptr, &overlapped),
                                        overlapped);
            if (input_len_ == 0) throw LinkClosed{};
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(limit, input_len_ - input_pos_));
        std::span<const uint8_t> out(input_.data() + input_pos_, n);
        input_pos_ += n;
        return out;
    }

    uint8_t read_u8() { return take(1)[0]; }

    uint32_t read_u32() {
        std::array<uint8_t, 4> raw{};
        for (size_t done = 0; done < raw.size();) {
            const std::span<const uint8_t> got = take(raw.size() - done);
            std::memcpy(raw.data() + done, got.data(), got.size());
            done += got.size();
        }
        return load_le32(raw.data());
    }

    void send(std::span<const uint8_t> bytes) {
        while (!bytes.empty()) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = server_.io_done_;
            const DWORD sent = server_.finish(
                ::WriteFile(server_.pipe_, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped),
                overlapped);
            if (sent == 0) throw LinkClosed{};
            bytes = bytes.subspan(sent);
        }
    }

    void send_byte(uint8_t byte) { send(std::span<const uint8_t>(&byte, 1)); }

    void on_write(uint32_t length) {
        DeviceModel& model = server_.model_;
        model.begin_message(length);
        for (uint64_t left = length; left > 0 && !model.gone();) {
            const std::span<const uint8_t> piece = take(left);
            model.feed(piece);
            left -= piece.size();
        }
        const DeviceModel::Reply reply = model.end_message();
        if (reply != DeviceModel::Reply::kGone) send_byte(reply == DeviceModel::Reply::kAccepted ? 'K' : 'E');
    }

    void on_read(uint32_t count) {
        if (count == 0) throw LinkClosed{};  // a protocol error
        const DeviceModel::Reply reply = server_.model_.read(count, [this](std::span<const uint8_t> bytes) {
            // Data pieces of up to 64 KiB, each with its header.
            while (!bytes.empty()) {
                const size_t n = std::min<size_t>(kPieceMax, bytes.size());
                output_[0] = 'D';
                store_le32(&output_[1], static_cast<uint32_t>(n));
                std::memcpy(&output_[5], bytes.data(), n);
                send(std::span<const uint8_t>(output_.data(), 5 + n));
                bytes = bytes.subspan(n);
            }
        });
        if (reply == DeviceModel::Reply::kFailed) send_byte('E');
    }

    Server& server_;
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_ = std::vector<uint8_t>(5 + kPieceMax);
    size_t input_pos_ = 0;
    size_t input_len_ = 0;
};

// ---------------------------------------------------------------------------

Server::Server(Flash& flash, const std::string& name) : name_(name), model_(flash) {
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    io_done_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // One instance, made by this process first: a name someone else holds is
    // refused rather than shared.
    if (stop_ != nullptr && io_done_ != nullptr) {
        pipe_ =
            ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                               PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                               kInputBuffer, kInputBuffer, 0, nullptr);
    }
    if (pipe_ == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (stop_ != nullptr) ::CloseHandle(stop_);
        if (io_done_ != nullptr) ::CloseHandle(io_done_);
        throw SetupError("cannot create the camera's pipe " + name + " (Windows error " + std::to_string(code) + ")");
    }
}

Server::~Server() {
    ::CloseHandle(pipe_);
    ::CloseHandle(io_done_);
    ::CloseHandle(stop_);
}

void Server::request_stop() const noexcept { ::SetEvent(stop_); }

DWORD Server::finish(BOOL started, OVERLAPPED& overlapped) {
    DWORD moved = 0;
    if (!started) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_PIPE_CONNECTED) return 0;  // ConnectNamedPipe: the host came first
        if (code != ERROR_IO_PENDING) throw LinkClosed{};
        const std::array<HANDLE, 2> events{overlapped.hEvent, stop_};
        const DWORD woke = ::WaitForMultipleObjects(2, events.data(), FALSE, INFINITE);
        if (woke != WAIT_OBJECT_0) {
            ::CancelIo(pipe_);
            ::GetOverlappedResult(pipe_, &overlapped, &moved, TRUE);
            throw StopRequested{};
        }
    }
    if (!::GetOverlappedResult(pipe_, &overlapped, &moved, FALSE)) throw LinkClosed{};
    return moved;
}

void Server::accept() {
    for (;;) {
        if (::WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) throw StopRequested{};
        OVERLAPPED overlapped{};
        overlapped.hEvent = io_done_;
        try {
            finish(::ConnectNamedPipe(pipe_, &overlapped), overlapped);
        } catch (const LinkClosed&) {
            // The host left before it was accepted.
            ::DisconnectNamedPipe(pipe_);
            continue;
        }
        // The card is this process's alone: another program that reached the
        // pipe is turned away.
        ULONG client = 0;
        if (::GetNamedPipeClientProcessId(pipe_, &client) && client == ::GetCurrentProcessId()) return;
        ::DisconnectNamedPipe(pipe_);
    }
}

void Server::run() {
    try {
        for (;;) {
            accept();
            Connection connection(*this);
            connection.serve();
            ::DisconnectNamedPipe(pipe_);
        }
    } catch (const StopRequested&) {
    }
    ::DisconnectNamedPipe(pipe_);
}

}  // namespace pixavon::emu
