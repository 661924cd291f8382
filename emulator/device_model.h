// The Lumetta camera itself, without any transport: command packets, the flash
// behind them, injected faults, a power cut and the trace. The socket link
// (server.h) serves one to a host process; tests drive one in process through
// a platform that calls it directly.
//
// A host speaks to the camera in messages (what one platform write hands
// over) and reads (what one platform read asks for):
//
// A message in packet position is a 16-byte command packet: 0x85, code (0x71
// READ, 0x72 WRITE, 0x73 ERASE), 0, address low, address high, 11 zero bytes.
// Every message in packet position ends the previous command's data phase. A
// malformed or refused packet leaves no current command, so reads fail until
// the next READ packet. READ addresses count 256 bytes and wrap modulo the card
// size; WRITE and ERASE addresses count 512-byte blocks. The message after a
// WRITE packet is always its data, whatever it looks like. A new connection
// starts with no current command; fault counters run across connections.
//
// Trace (one line per command, given to the sink when its data phase ends)
//   READ AAAA N [FAILED]     N = data bytes delivered for the command; given
//                            when the next packet arrives, the connection
//                            ends or settle() is called. FAILED: one of its
//                            reads was failed by fail_read.
//   WRITE AAAA N [UNERASED]  data stored; N = the data message's length.
//                            UNERASED: a block it touched was programmed since
//                            its last erase (the AND is still applied).
//   WRITE AAAA N OUT-OF-RANGE  data would run past the card; nothing stored.
//   WRITE AAAA N FAILED      data message failed by fail_write; nothing stored.
//   WRITE AAAA 0 NODATA      the connection ended before the data message came.
//   WRITE AAAA N INCOMPLETE [UNERASED]  the connection ended inside the data
//                            message; N = bytes that were stored.
//   ERASE AAAA [MISALIGNED]  not the first block of its unit; the whole unit
//                            containing it is erased anyway.
//   ERASE AAAA OUT-OF-RANGE  block beyond the card; nothing erased.
//   BADPACKET HEX            malformed packet; HEX = its first (up to) 16 bytes
//                            in upper-case hex ("BADPACKET" alone when empty).
//   <packet line> REFUSED    a packet refused by fail_packet; nothing executed.
//   <command> POWER-CUT      the power failed in the middle of this command:
//                            "WRITE AAAA N POWER-CUT" stored only its first N
//                            bytes, "ERASE AAAA POWER-CUT" left the first half
//                            of its unit erased and the rest as it was, a READ
//                            or a malformed packet changed nothing.
// AAAA is the packet's address as four upper-case hex digits. A read while
// there is no current READ command fails and is not traced.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <utility>

#include "flash.h"

namespace pixavon::emu {

// Faults to inject. Every count is 1-based and runs over the model's whole
// life, across connections.
struct FaultPlan {
    std::set<uint64_t> fail_packet;  // the Nth message in packet position is refused
    // Read data counts in blocks of 512 bytes from the start of each READ
    // command's data; the read that asks for the Nth such block delivers the
    // bytes before it and fails.
    std::set<uint64_t> fail_read;
    std::set<uint64_t> fail_write;    // the Nth data message after a WRITE fails
    std::set<uint64_t> unplug_after;  // the camera disappears after answering the Nth packet
    bool short_reads = false;         // the link sends read data in random small pieces
    // The power fails in the middle of the Nth command (counted as fail_packet
    // counts): a block write stores only its first power_cut_bytes bytes, an
    // erase leaves its unit half erased, and nothing answers any more. 0: never.
    uint64_t power_cut_after = 0;
    uint32_t power_cut_bytes = 256;
};

class DeviceModel {
public:
    using TraceSink = std::function<void(const std::string& line)>;
    using DataSink = std::function<void(std::span<const uint8_t> bytes)>;

    enum class Reply {
        kAccepted,  // 'K', or every byte of a read delivered
        kFailed,    // 'E'
        kGone,      // no answer: the camera was unplugged or lost its power
    };

    explicit DeviceModel(Flash& flash, FaultPlan faults = {}, TraceSink trace = {});
    DeviceModel(const DeviceModel&) = delete;
    DeviceModel& operator=(const DeviceModel&) = delete;

    // A host connects. False when the camera is gone (unplugged or cut off).
    bool connect();
    // The host's connection ended, perhaps inside a message.
    void disconnect();

    // One message of `length` bytes, handed over by feed() in pieces that add
    // up to `length`, then answered by end_message(). After a power cut feed()
    // takes nothing more and end_message() answers kGone.
    void begin_message(uint32_t length);
    void feed(std::span<const uint8_t> piece);
    Reply end_message();
    // The same for a message held whole.
    Reply write(std::span<const uint8_t> message);

    // One read of `count` (>= 1) bytes: `deliver` gets the bytes in order, in
    // one or more pieces. kFailed may come after some bytes were delivered.
    Reply read(uint32_t count, const DataSink& deliver);

    // Ends the current command's data phase and traces it, as the next packet
    // would (a read after it fails).
    void settle();

    // The power fails in the middle of the `command`th command from now on
    // (1 = the next packet), keeping `bytes` of a block write.
    void cut_power_at(uint64_t command, uint32_t bytes = 256);
    bool power_cut() const { return power_cut_; }
    bool gone() const { return power_cut_ || unplugged_; }

    void set_trace(TraceSink trace) { trace_ = std::move(trace); }
    FaultPlan& faults() { return faults_; }
    uint64_t packets() const { return packets_; }
    uint64_t write_messages() const { return write_messages_; }
    // The next message is the data of a WRITE command.
    bool awaiting_data() const { return command_ == Command::kWriteData; }

private:
    enum class Command { kNone, kRead, kWriteData };
    enum class Message { kNone, kPacket, kData, kSkip };

    void trace(const std::string& line) const;
    Reply end_packet();
    void begin_data(uint32_t length);
    void end_command();
    void cut_power(const std::string& line);

    Flash& flash_;
    FaultPlan faults_;
    TraceSink trace_;

    // Life-long counters for the fault plan.
    uint64_t packets_ = 0;
    uint64_t write_messages_ = 0;
    uint64_t read_blocks_ = 0;

    bool unplugged_ = false;
    bool power_cut_ = false;

    // The current command.
    Command command_ = Command::kNone;
    uint16_t address_ = 0;
    uint64_t read_offset_ = 0;
    uint64_t delivered_ = 0;
    bool read_failed_ = false;
    bool cut_in_this_command_ = false;

    // The message being received.
    Message message_ = Message::kNone;
    uint32_t length_ = 0;
    uint32_t received_ = 0;
    uint8_t packet_[16] = {};
    uint32_t kept_ = 0;         // packet bytes kept (at most 16)
    uint64_t stored_ = 0;       // data bytes stored so far
    uint64_t store_limit_ = 0;  // data bytes this message may store (a power cut stores fewer)
    bool unerased_ = false;
    Reply data_reply_ = Reply::kAccepted;
    std::string data_line_;
};

}  // namespace pixavon::emu
