// The camera's flash card on Windows: a card image file of 8 MiB or 16 MiB
// mapped into memory, so every change is in the system's file cache (and
// survives a crash of the program) before the host is told it succeeded; or
// a fresh card held in memory alone. The Windows side of card.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "flash.h"

namespace pixavon::emu {

// A card file that cannot be opened, created or is of the wrong size.
class CardError : public std::runtime_error {
public:
    // kUnusable: not a card image, or cannot be opened; kBusy: another program
    // has it open for writing; kNoSpace: the disk cannot hold it.
    enum class Reason { kUnusable, kBusy, kNoSpace };
    explicit CardError(const std::string& what, Reason reason = Reason::kUnusable, int error = 0)
        : std::runtime_error(what), reason_(reason), error_(error) {}
    Reason reason() const { return reason_; }
    // The system's error code when the system said why; else 0.
    int error() const { return error_; }

private:
    Reason reason_;
    int error_;
};

class Card {
public:
    // Opens `path` (UTF-8). If it does not exist and `create_mib` is 8 or 16,
    // a fresh card of that size is made (all 0xFF except an empty catalog at
    // the end); `create_mib` 0 means "never create". The file is opened for
    // this Card alone to write (others may only read it) and has all its
    // space on the disk before it is mapped. Throws CardError (kBusy while
    // another program writes it, kNoSpace when the disk cannot hold a fresh
    // one, which is then removed).
    // With `read_only`, an existing file is opened only to be read, shared
    // with other readers: what is written to the card then stays in memory
    // and never reaches the file (a fresh card is still made to be written).
    static std::unique_ptr<Card> open(const std::string& path, int create_mib, bool read_only = false);
    // A fresh, empty card of `mib` (8 or 16) MiB in memory only.
    static std::unique_ptr<Card> in_memory(int mib);

    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;
    ~Card();

    uint64_t size() const { return flash_->size(); }
    Flash& flash() { return *flash_; }

    // Writes the mapping through to the disk. False if that failed; always
    // true for a card in memory.
    bool sync() const;

private:
    Card() = default;

    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    uint8_t* view_ = nullptr;
    bool read_only_ = false;
    std::unique_ptr<Flash> flash_;
};

}  // namespace pixavon::emu
