// Reading a whole card and judging it (rescue.cpp's reading of a card and its
// repair; a backup's reading of the card), apart from how the card is
// reached: the host core reaches it through the loaded library, tests reach
// an emulated card in process.
//
// The card's size comes from the card itself, never from its catalog's
// capacity byte, which may be damaged. A card image's size is its length. A
// camera's card is read across the whole 16 MiB address range: an 8 MiB card
// answers the upper half's addresses from its first half, so two halves that
// differ prove a 16 MiB card, and two equal halves that hold more than one
// byte value prove an 8 MiB card (a 16 MiB card's upper half starts inside
// slot 26 and ends with its own catalog). A card whose every byte is the same
// proves neither: only the person can say which card it is.
//
// A repair writes only the catalog's blocks, with plain block writes and no
// erase (the library erases only at the places its loaded catalog gives,
// which for a catalog of the wrong size lie inside a slot). Flash only clears
// bits, so a new catalog can be written over the catalog's blocks only where
// every bit it needs is still set: an erased unit, a rewrite cut short, a
// repair cut short. What cannot be written so is left as it is.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pixavon::host {

// The library's raw ways onto a card.
class CardAccess {
public:
    // ReadGBA: `length` bytes (a multiple of 512) from read address `address`.
    virtual bool read(uint16_t address, uint8_t* buffer, uint32_t length) = 0;
    // WriteGBA of one 512-byte block.
    virtual bool write_block(uint16_t block, const uint8_t* data) = 0;

protected:
    ~CardAccess() = default;
};

struct CardScan {
    uint64_t card_bytes = 0;     // 0: the size is unknown (every byte alike, and no size given)
    bool size_proven = false;    // card_bytes comes from the card, not from a size given
    uint8_t capacity = 0;        // 26 or 52, once the size is known
    bool catalog_loads = false;  // the catalog at the card's end has its signature and a capacity code
    bool catalog_fits = false;   // loads, and its capacity code is the card's
    bool catalog_ok = false;     // fits, and lists only slots the card has, each once
    bool list_names_empty_slot = false;
    bool all_listed = false;  // fits, and names every slot holding a picture
    // A catalog listing every picture found, laid over the catalog's blocks
    // as they are, and whether flash, which only clears bits, can take it.
    std::vector<uint8_t> new_catalog;
    bool new_catalog_fits = false;
    // Failing that, the list flash can take there that names the most
    // pictures, keeping in place every entry that still names one:
    // `partial_count` of them (0: an empty list); -1: no list can be written.
    // The pictures it leaves out are put back on the card after it.
    std::vector<uint8_t> partial_catalog;
    int partial_count = -1;
    std::vector<uint8_t> card;   // the card's bytes
    std::vector<uint8_t> found;  // slots holding a picture (a byte not 0xFF), in slot order
    std::vector<bool> listed;    // per slot: named by the catalog, when it fits the card (else all false)
};

// Judges a card from its bytes: `bytes` is either the card itself
// (`known_bytes`, 8 or 16 MiB, a card image's length) or, with `known_bytes`
// 0, what the 16 MiB address range reads. `size_mib` (8 or 16, 0: none)
// settles the size where the bytes cannot. Nullopt when `bytes` has neither
// length. A pure function: it reaches no card.
std::optional<CardScan> judge_card(std::vector<uint8_t> bytes, uint64_t known_bytes, int size_mib);

// How a read of the whole card ended.
enum class WholeCardRead { kDone, kStopped, kReadFailed };
// The one reader of a whole card, for a backup and a rescue: reads the first
// `span` bytes of the card through `access`, 32 KiB at a time (as the
// library's own backup reads), calling `before_chunk(chunk, chunks)` before
// each read (false stops: kStopped) and `take` with each chunk read. A
// failed read is kReadFailed, with `failed_at` set to the byte where.
WholeCardRead read_whole_card(CardAccess& access, uint64_t span,
                              const std::function<bool(uint32_t chunk, uint32_t chunks)>& before_chunk,
                              const std::function<void(const uint8_t* bytes, size_t size)>& take, uint64_t* failed_at);

// Reads the card through `access`, 32 KiB at a time (`known_bytes` of it, or
// the whole address range when 0), calling `before_chunk` before each read
// (false stops the scan), and judges it. Returns nullopt with `error` set when
// a read fails or the scan was stopped (`error` empty then).
std::optional<CardScan> scan_card(CardAccess& access, uint64_t known_bytes, int size_mib,
                                  const std::function<bool(uint32_t chunk, uint32_t chunks)>& before_chunk,
                                  std::string* error);

// The camera's bitmap of the picture in `slot`; the 100 pixels a slot does
// not store are black.
std::vector<uint8_t> bitmap_of_slot(const CardScan& scan, uint8_t slot);

// A repair makes the list name every picture found: what flash can take is
// written over the catalog's blocks, then the pictures it leaves out are put
// back from their saved copies, lowest slot first (each lands in the lowest
// free slot: its own, or one whose picture is named or put back already).
enum class RepairPlan {
    kNone,          // the catalog fits the card and names exactly the pictures it holds
    kWriteCatalog,  // a catalog naming every picture found can be written over the catalog's blocks
    kPartial,       // one naming `partial_count` of them can be written; the others are put back
    kPutBack,       // the catalog is usable and none written in place names more: the others are put back
    kCannot,        // no catalog for the card can be written over what the catalog's blocks hold
};
RepairPlan plan_repair(const CardScan& scan);

// Carries out `plan` (kWriteCatalog or kPartial): writes the blocks of the
// catalog that differ from the card's, the first block (signature, count and
// capacity) last, so that a cut leaves no catalog that loads half written,
// and a repair run again finishes it. False with `error` set on failure.
bool repair_card(CardAccess& access, const CardScan& scan, RepairPlan plan, std::string* error);

// The catalog of a card of `card_bytes` as its blocks hold it, read at the
// card's own end. Nullopt when the read fails.
std::optional<std::vector<uint8_t>> read_catalog_at_end(CardAccess& access, uint64_t card_bytes);

// Writes `wanted` over `current`, the catalog's blocks of a card of
// `card_bytes`, if flash can take it (false with `error` empty if not; with
// `error` set if a write failed).
bool write_catalog_in_place(CardAccess& access, uint64_t card_bytes, const std::vector<uint8_t>& current,
                            const std::vector<uint8_t>& wanted, std::string* error);

}  // namespace pixavon::host
