// The camera's flash card: a file of 8 MiB or 16 MiB mapped shared into memory,
// so every change is in the kernel's page cache (and therefore survives a crash
// of the emulator) before the host is told it succeeded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "flash.h"

namespace pixavon::emu {

// A card file that cannot be opened, created or is of the wrong size.
class CardError : public std::runtime_error {
public:
    // kUnusable: not a card image, or cannot be opened; kBusy: another process
    // holds it; kNoSpace: the disk cannot hold it.
    enum class Reason { kUnusable, kBusy, kNoSpace };
    explicit CardError(const std::string& what, Reason reason = Reason::kUnusable, int error = 0)
        : std::runtime_error(what), reason_(reason), error_(error) {}
    Reason reason() const { return reason_; }
    // The system's error number when the system said why; else 0.
    int error() const { return error_; }

private:
    Reason reason_;
    int error_;
};

// The process holding a flock() on the file or directory behind `fd`, read
// from /proc/locks; 0 if it cannot be told.
long flock_holder(int fd);

class Card {
public:
    // Opens `path`. If it does not exist and `create_mib` is 8 or 16, a fresh
    // card of that size is made (all 0xFF except an empty catalog at the end);
    // `create_mib` 0 means "never create". The file is locked for this Card
    // alone (flock) and fully allocated on the disk before it is mapped. Throws
    // CardError, "card image PATH is in use by process N" when another holds it.
    // With `read_only`, an existing file is opened only to be read, shared
    // with other readers: what is written to the card then stays in memory
    // and never reaches the file (a fresh card is still made to be written).
    static Card open(const std::string& path, int create_mib, bool read_only = false);

    Card(Card&& other) noexcept;
    Card& operator=(Card&&) = delete;
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;
    ~Card();

    uint64_t size() const { return size_; }
    uint32_t block_count() const { return flash_.block_count(); }
    uint32_t erase_unit_blocks() const { return flash_.erase_unit_blocks(); }
    uint8_t capacity_code() const { return flash_.capacity_code(); }

    // The card's flash, kept in the file's mapping (see flash.h).
    Flash& flash() { return flash_; }
    std::span<const uint8_t> bytes_from(uint64_t offset) const { return flash_.bytes_from(offset); }
    bool programmed(uint32_t block) const { return flash_.programmed(block); }
    bool program(uint64_t offset, std::span<const uint8_t> data, uint32_t first_fresh_block) {
        return flash_.program(offset, data, first_fresh_block);
    }
    void erase_unit_of(uint32_t block) { flash_.erase_unit_of(block); }

    // Flushes the mapping to the file (msync). Returns false if that failed.
    bool sync() const;

private:
    Card(int fd, uint8_t* map, uint64_t size, bool read_only);

    int fd_ = -1;
    uint8_t* map_ = nullptr;
    uint64_t size_ = 0;
    bool read_only_ = false;
    Flash flash_;
};

}  // namespace pixavon::emu
