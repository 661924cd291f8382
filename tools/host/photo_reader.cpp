#include "photo_reader.h"

#include <algorithm>
#include <cstring>

#include "catalog/card_layout.h"
#include "photo/image_format.h"

namespace pixavon::host {
namespace {

constexpr uint32_t kReadUnit = 256;                                // what a read address counts
constexpr uint32_t kUnitsPerPacket = kPacketBytes / kReadUnit;     // 128
constexpr uint64_t kAddressSpace = uint64_t{0x10000} * kReadUnit;  // 16 MiB: what read addresses reach

struct PacketSpan {
    uint32_t first = 0;
    uint32_t end = 0;  // one past the last
};

PacketSpan packets_of(uint8_t slot) {
    const uint64_t begin = uint64_t{slot} * kSlotBytes;
    return {static_cast<uint32_t>(begin / kPacketBytes),
            static_cast<uint32_t>((begin + kSlotBytes + kPacketBytes - 1) / kPacketBytes)};
}

}  // namespace

const std::vector<uint8_t>* PhotoReader::kept(uint32_t index) const {
    for (const Packet& packet : kept_) {
        if (packet.index == index) return &packet.bytes;
    }
    return nullptr;
}

uint32_t PhotoReader::packets_for(uint8_t slot) const { return packets_for_run({slot}).front(); }

std::vector<uint32_t> PhotoReader::packets_for_run(const std::vector<uint8_t>& slots) const {
    std::array<uint32_t, 2> kept_now{kept_[0].index, kept_[1].index};
    std::vector<uint32_t> packets;
    for (const uint8_t slot : slots) {
        const PacketSpan span = packets_of(slot);
        uint32_t count = 0;
        for (uint32_t p = span.first; p < span.end; ++p) {
            if (p != kept_now[0] && p != kept_now[1]) ++count;
        }
        packets.push_back(count);
        kept_now = {span.first, span.end - 1};
    }
    return packets;
}

std::optional<std::vector<uint8_t>> PhotoReader::read_slot(uint8_t slot, const BeforePacket& before_packet) {
    const uint64_t slot_begin = uint64_t{slot} * kSlotBytes;
    if (slot_begin + kSlotBytes > kAddressSpace) return std::nullopt;
    const PacketSpan span = packets_of(slot);
    std::vector<uint8_t> card_image(kCardImageSize);
    std::vector<uint8_t> packet(kPacketBytes);
    std::array<Packet, 2> ends;
    for (uint32_t p = span.first; p < span.end; ++p) {
        const std::vector<uint8_t>* bytes = kept(p);
        if (bytes == nullptr) {
            if (before_packet && !before_packet()) return std::nullopt;
            if (!read_(static_cast<uint16_t>(p * kUnitsPerPacket), packet.data(), kPacketBytes)) {
                forget();
                return std::nullopt;
            }
            bytes = &packet;
        }
        // The part of the packet that lies inside the slot.
        const uint64_t packet_begin = uint64_t{p} * kPacketBytes;
        const uint64_t from = std::max(packet_begin, slot_begin);
        const uint64_t to = std::min(packet_begin + kPacketBytes, slot_begin + kSlotBytes);
        std::memcpy(card_image.data() + (from - slot_begin), bytes->data() + (from - packet_begin), to - from);
        if (p == span.first) ends[0] = {p, *bytes};
        if (p + 1 == span.end) ends[1] = {p, *bytes};
    }
    kept_ = std::move(ends);
    std::vector<uint8_t> bitmap(kPhotoFileSize);
    PhotoFileFromCardImage(card_image.data(), bitmap.data());
    return bitmap;
}

}  // namespace pixavon::host
