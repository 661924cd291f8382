// Photos read from the card with the reads a whole-card backup makes: read
// commands of 32 KiB at 32 KiB-aligned addresses, the ones that cover a
// photo's slot. A slot is 9.5 such packets long and takes 10 of them, where
// the library's download sends 20 commands of 16 KiB, each paying the
// camera's 10 ms pause. Two slots meet inside a packet (an even slot's last,
// the next odd slot's first); the reader keeps the packets at both ends of
// the slot it read last, so a run of neighbouring slots, read up or down,
// costs about 9.5 packets a photo.
//
// The slot's bytes go through the library's own conversion into exactly the
// bitmap file that ReadPixavonToFile saves: the same pixels, the same black
// for the 100 pixels a slot does not store.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pixavon::host {

inline constexpr uint32_t kPacketBytes = 32768;  // one read command, as a backup reads
inline constexpr uint32_t kSlotPackets = 10;     // the most a slot takes

class PhotoReader {
public:
    // One read command: `length` bytes from read address `address` (in units
    // of 256 bytes) into `buffer`; false if it failed.
    using ReadCommand = std::function<bool(uint16_t address, uint8_t* buffer, uint32_t length)>;
    // Called before each read command; false stops the read (as a failure that
    // leaves the kept packets as they are).
    using BeforePacket = std::function<bool()>;

    explicit PhotoReader(ReadCommand read) : read_(std::move(read)) {}

    // The read commands read_slot(slot) sends now: 10, or 9 when a packet it
    // needs is kept from the slot read last.
    uint32_t packets_for(uint8_t slot) const;
    // The read commands of each of `slots`, read one after the other from now.
    std::vector<uint32_t> packets_for_run(const std::vector<uint8_t>& slots) const;

    // The camera's bitmap of the photo in `slot`, byte for byte the file that
    // ReadPixavonToFile saves of it; nullopt if a read command failed or was
    // stopped, or the slot lies beyond the largest card. The caller checks the
    // slot against its card's capacity.
    std::optional<std::vector<uint8_t>> read_slot(uint8_t slot, const BeforePacket& before_packet = {});

    // Drops the kept packets; for when the card may have changed.
    void forget() { kept_ = {}; }

private:
    struct Packet {
        uint32_t index = UINT32_MAX;  // packet number on the card: its first byte / 32 KiB
        std::vector<uint8_t> bytes;
    };
    const std::vector<uint8_t>* kept(uint32_t index) const;

    ReadCommand read_;
    std::array<Packet, 2> kept_;  // the first and the last packet of the slot read last
};

}  // namespace pixavon::host
