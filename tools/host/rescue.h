// Rescue's reading of a card and its repair, apart from how the card is
// reached: the host core reaches it through the loaded library, tests reach
// an emulated card in process.
//
// The card's size comes from the card itself, never from its catalog's
// capacity byte, which may be damaged: the card is read across the whole
// 16 MiB address range, and an 8 MiB card answers the upper half's addresses
// from its first half, so its two halves read alike, while a 16 MiB card's
// differ (unless it is blank, when only the person can say which card it is).
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
    // Loads the catalog (GetPhotoCount), formats the card (FormatGBA) and loads
    // the empty catalog.
    virtual bool format() = 0;
    // Puts a camera bitmap on the card (WriteFileToGBA) and reloads the catalog.
    virtual bool put(const std::vector<uint8_t>& bitmap) = 0;

protected:
    ~CardAccess() = default;
};

struct CardScan {
    uint64_t card_bytes = 0;     // 0: blank, size unknown
    uint8_t capacity = 0;        // 26 or 52, once the size is known
    bool catalog_loads = false;  // the catalog at the card's end has its signature and a capacity code
    bool catalog_fits = false;   // loads, and its capacity code is the card's
    bool catalog_ok = false;     // fits, and lists only slots the card has, each once
    bool list_names_empty_slot = false;
    // A catalog listing `found`, laid over the catalog's blocks as they are,
    // and whether flash, which only clears bits, can take it without an erase.
    std::vector<uint8_t> new_catalog;
    bool new_catalog_fits = false;
    // The catalog's blocks with only the capacity code and the entries for
    // the count as written added (a rewrite cut between the two), and whether
    // flash can take it without an erase.
    std::vector<uint8_t> completed_catalog;
    bool completed_catalog_fits = false;
    std::vector<uint8_t> card;   // the card's bytes
    std::vector<uint8_t> found;  // slots holding a picture (a byte not 0xFF), in slot order
    std::vector<bool> listed;    // per slot: named by the catalog, when it fits the card (else all false)
};

// Reads the whole card through `access`, 32 KiB at a time, calling
// `before_chunk` before each read (false stops the scan). `size_mib` (8 or
// 16) settles a blank card's size. Returns nullopt with `error` set when a
// read fails or the scan was stopped (`error` empty then).
std::optional<CardScan> scan_card(CardAccess& access, int size_mib,
                                  const std::function<bool(uint32_t chunk, uint32_t chunks)>& before_chunk,
                                  std::string* error);

// The camera's bitmap of the picture in `slot`; the 100 pixels a slot does
// not store are black.
std::vector<uint8_t> bitmap_of_slot(const CardScan& scan, uint8_t slot);

enum class RepairPlan {
    kNone,             // the catalog loads and lists only pictures the card holds
    kWriteCatalog,     // the catalog does not load, but its blocks can take one listing the pictures found
                       // without an erase (an erased unit, or a rewrite cut short)
    kRebuild,          // the catalog loads but names impossible or empty slots: format, put them back
    kCompleteCatalog,  // the catalog does not load, but writing its capacity code and entries for the count
                       // as written makes it load (a rewrite cut between the two): then as kRebuild
    kCannot,           // the catalog's blocks hold what a new catalog cannot be written over, and the
                       // library cannot erase them before a catalog that fits the card loads (a capacity
                       // code of the other card size would make it erase and write inside a slot)
};
RepairPlan plan_repair(const CardScan& scan);

// Carries out `plan` (kWriteCatalog, kCompleteCatalog or kRebuild), listing every picture
// found, in slot order. `before_put` is called before each picture is put
// back. False with `error` set on failure.
bool repair_card(CardAccess& access, const CardScan& scan, RepairPlan plan,
                 const std::function<void(uint32_t item, uint32_t items, uint8_t slot)>& before_put,
                 std::string* error);

}  // namespace pixavon::host
