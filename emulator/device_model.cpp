#include "device_model.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

namespace pixavon::emu {
namespace {

constexpr uint8_t kPacketMark = 0x85;
constexpr uint8_t kRead = 0x71;
constexpr uint8_t kWrite = 0x72;
constexpr uint8_t kErase = 0x73;
constexpr uint32_t kPacketSize = 16;

std::string hex4(uint16_t value) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%04X", static_cast<unsigned>(value));
    return text.data();
}

std::string hex_bytes(const uint8_t* data, size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0x0F];
    }
    return out;
}

}  // namespace

DeviceModel::DeviceModel(Flash& flash, FaultPlan faults, TraceSink trace)
    : flash_(flash), faults_(std::move(faults)), trace_(std::move(trace)) {}

void DeviceModel::trace(const std::string& line) const {
    if (trace_) trace_(line);
}

bool DeviceModel::connect() {
    command_ = Command::kNone;
    message_ = Message::kNone;
    return !gone();
}

void DeviceModel::disconnect() {
    const Message message = std::exchange(message_, Message::kNone);
    const bool in_data = message == Message::kData;
    if (cut_in_this_command_ && !power_cut_ && (in_data || command_ == Command::kWriteData)) {
        // The host left before the plug was pulled: it is pulled now.
        cut_power("WRITE " + hex4(address_) + " " + std::to_string(in_data ? stored_ : 0) + " POWER-CUT");
        return;
    }
    if (in_data && data_reply_ == Reply::kAccepted) {
        trace("WRITE " + hex4(address_) + " " + std::to_string(stored_) + " INCOMPLETE" +
              (unerased_ ? " UNERASED" : ""));
    }
    end_command();
}

void DeviceModel::settle() { end_command(); }

void DeviceModel::cut_power_at(uint64_t command, uint32_t bytes) {
    faults_.power_cut_after = packets_ + command;
    faults_.power_cut_bytes = bytes;
}

void DeviceModel::cut_power(const std::string& line) {
    power_cut_ = true;
    trace(line);
    command_ = Command::kNone;
    message_ = Message::kSkip;
}

// Traces the current command if its data phase is still open, and forgets it.
void DeviceModel::end_command() {
    const Command command = std::exchange(command_, Command::kNone);
    if (command == Command::kRead) {
        trace("READ " + hex4(address_) + " " + std::to_string(delivered_) + (read_failed_ ? " FAILED" : ""));
    } else if (command == Command::kWriteData) {
        trace("WRITE " + hex4(address_) + " 0 NODATA");
    }
}

void DeviceModel::begin_message(uint32_t length) {
    length_ = length;
    received_ = 0;
    if (gone()) {
        message_ = Message::kSkip;
    } else if (command_ == Command::kWriteData) {
        begin_data(length);
    } else {
        end_command();
        message_ = Message::kPacket;
        kept_ = 0;
    }
}

void DeviceModel::begin_data(uint32_t length) {
    command_ = Command::kNone;
    message_ = Message::kData;
    const uint64_t number = ++write_messages_;
    const std::string line = "WRITE " + hex4(address_) + " ";
    const uint64_t start = uint64_t{address_} * kBlockSize;
    stored_ = 0;
    unerased_ = false;
    store_limit_ = 0;
    data_reply_ = Reply::kFailed;
    if (cut_in_this_command_) {
        store_limit_ = start + length > flash_.size() ? 0 : std::min<uint64_t>(length, faults_.power_cut_bytes);
        data_line_ = line;
        if (store_limit_ == 0) cut_power(line + "0 POWER-CUT");
        data_reply_ = Reply::kGone;
    } else if (faults_.fail_write.count(number) != 0) {
        trace(line + std::to_string(length) + " FAILED");
    } else if (start + length > flash_.size()) {
        trace(line + std::to_string(length) + " OUT-OF-RANGE");
    } else {
        store_limit_ = length;
        data_reply_ = Reply::kAccepted;
    }
}

void DeviceModel::feed(std::span<const uint8_t> piece) {
    received_ += static_cast<uint32_t>(piece.size());
    if (message_ == Message::kPacket) {
        const size_t take = std::min<size_t>(piece.size(), kPacketSize - kept_);
        std::memcpy(packet_ + kept_, piece.data(), take);
        kept_ += static_cast<uint32_t>(take);
        return;
    }
    if (message_ != Message::kData || stored_ >= store_limit_) return;
    const uint64_t start = uint64_t{address_} * kBlockSize;
    const std::span<const uint8_t> chunk =
        piece.first(static_cast<size_t>(std::min<uint64_t>(piece.size(), store_limit_ - stored_)));
    const uint64_t first_fresh_block = stored_ == 0 ? address_ : (start + stored_ - 1) / kBlockSize + 1;
    unerased_ |= flash_.program(start + stored_, chunk, static_cast<uint32_t>(first_fresh_block));
    stored_ += chunk.size();
    if (cut_in_this_command_ && stored_ == store_limit_) {
        cut_power(data_line_ + std::to_string(stored_) + " POWER-CUT");
    }
}

DeviceModel::Reply DeviceModel::end_message() {
    const Message message = std::exchange(message_, Message::kNone);
    if (message == Message::kPacket) return end_packet();
    if (message == Message::kData) {
        if (data_reply_ == Reply::kAccepted) {
            trace("WRITE " + hex4(address_) + " " + std::to_string(length_) + (unerased_ ? " UNERASED" : ""));
        }
        return data_reply_;
    }
    return Reply::kGone;
}

DeviceModel::Reply DeviceModel::write(std::span<const uint8_t> message) {
    begin_message(static_cast<uint32_t>(message.size()));
    feed(message);
    return end_message();
}

DeviceModel::Reply DeviceModel::end_packet() {
    const uint64_t number = ++packets_;
    const uint8_t code = packet_[1];
    const bool well_formed = length_ == kPacketSize && kept_ == kPacketSize && packet_[0] == kPacketMark &&
                             packet_[2] == 0 && (code == kRead || code == kWrite || code == kErase) &&
                             std::all_of(packet_ + 5, packet_ + kPacketSize, [](uint8_t b) { return b == 0; });
    const uint16_t address = static_cast<uint16_t>(packet_[3] | packet_[4] << 8);
    std::string line;
    if (trace_ || faults_.power_cut_after == number) {
        if (well_formed) {
            line = (code == kRead ? "READ " : code == kWrite ? "WRITE " : "ERASE ") + hex4(address);
        } else {
            line = "BADPACKET";
            if (kept_ > 0) line += " " + hex_bytes(packet_, kept_);
        }
    }
    const bool in_range = uint64_t{address} * kBlockSize < flash_.size();

    Reply reply = Reply::kFailed;
    cut_in_this_command_ = false;
    if (faults_.power_cut_after == number) {
        if (well_formed && code == kWrite) {
            // The plug is pulled while the data comes in.
            cut_in_this_command_ = true;
            command_ = Command::kWriteData;
            address_ = address;
            reply = Reply::kAccepted;
        } else {
            if (well_formed && code == kErase && in_range) flash_.half_erase_unit_of(address);
            cut_power(line + " POWER-CUT");
            return Reply::kGone;
        }
    } else if (faults_.fail_packet.count(number) != 0) {
        trace(line + " REFUSED");
    } else if (!well_formed) {
        trace(line);
    } else if (code == kRead) {
        command_ = Command::kRead;
        address_ = address;
        read_offset_ = (uint64_t{address} * kReadUnit) % flash_.size();
        delivered_ = 0;
        read_failed_ = false;
        reply = Reply::kAccepted;
    } else if (code == kWrite) {
        command_ = Command::kWriteData;
        address_ = address;
        reply = Reply::kAccepted;
    } else if (!in_range) {
        trace(line + " OUT-OF-RANGE");
    } else {
        const bool misaligned = address % flash_.erase_unit_blocks() != 0;
        flash_.erase_unit_of(address);
        trace(line + (misaligned ? " MISALIGNED" : ""));
        reply = Reply::kAccepted;
    }
    if (faults_.unplug_after.count(number) != 0) unplugged_ = true;
    return reply;
}

DeviceModel::Reply DeviceModel::read(uint32_t count, const DataSink& deliver) {
    if (gone()) return Reply::kGone;
    if (command_ != Command::kRead) return Reply::kFailed;
    // The blocks of read data that begin inside this read, and the first of
    // them that is to fail.
    const uint64_t first_block = (delivered_ + kBlockSize - 1) / kBlockSize;
    const uint64_t end_block = (delivered_ + count + kBlockSize - 1) / kBlockSize;
    uint64_t n = count;
    bool failed = false;
    const auto failing = faults_.fail_read.upper_bound(read_blocks_);
    if (failing != faults_.fail_read.end() && *failing <= read_blocks_ + (end_block - first_block)) {
        n = (first_block + (*failing - read_blocks_ - 1)) * kBlockSize - delivered_;
        read_blocks_ = *failing;
        read_failed_ = failed = true;
    } else {
        read_blocks_ += end_block - first_block;
    }
    for (uint64_t left = n; left > 0;) {
        const uint64_t piece = std::min(left, flash_.size() - read_offset_);
        deliver(flash_.bytes_from(read_offset_).first(static_cast<size_t>(piece)));
        read_offset_ = (read_offset_ + piece) % flash_.size();
        left -= piece;
    }
    delivered_ += n;
    return failed ? Reply::kFailed : Reply::kAccepted;
}

}  // namespace pixavon::emu
