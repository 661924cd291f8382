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

namespace pixavon::emu {

inline constexpr uint32_t kBlockSize = 512;
inline constexpr uint32_t kReadUnit = 256;
inline constexpr uint32_t kCatalogSize = 8192;
inline constexpr uint64_t kSmallCardSize = 8ULL * 1024 * 1024;
inline constexpr uint64_t kLargeCardSize = 16ULL * 1024 * 1024;

// A card file that cannot be opened, created or is of the wrong size.
class CardError : public std::runtime_error {
 public:
  // kUnusable: not a card image, or cannot be opened; kBusy: another process
  // holds it; kNoSpace: the disk cannot hold it.
  enum class Reason { kUnusable, kBusy, kNoSpace };
  explicit CardError(const std::string& what, Reason reason = Reason::kUnusable)
      : std::runtime_error(what), reason_(reason) {}
  Reason reason() const { return reason_; }

 private:
  Reason reason_;
};

// The process holding a flock() on the file or directory behind `fd`, read
// from /proc/locks; 0 if it cannot be told.
long flock_holder(int fd);

// The bytes of an empty catalog for a card of `card_size` bytes.
std::vector<uint8_t> empty_catalog(uint64_t card_size);

class Card {
 public:
  // Opens `path`. If it does not exist and `create_mib` is 8 or 16, a fresh
  // card of that size is made (all 0xFF except an empty catalog at the end);
  // `create_mib` 0 means "never create". The file is locked for this Card
  // alone (flock) and fully allocated on the disk before it is mapped. Throws
  // CardError, "card image PATH is in use by process N" when another holds it.
  static Card open(const std::string& path, int create_mib);

  Card(Card&& other) noexcept;
  Card& operator=(Card&&) = delete;
  Card(const Card&) = delete;
  Card& operator=(const Card&) = delete;
  ~Card();

  uint64_t size() const { return size_; }
  uint32_t block_count() const { return static_cast<uint32_t>(size_ / kBlockSize); }
  // Blocks per erase unit: 16 on the 8 MiB card, 32 on the 16 MiB card.
  uint32_t erase_unit_blocks() const { return size_ == kSmallCardSize ? 16u : 32u; }
  uint8_t capacity_code() const { return size_ == kSmallCardSize ? 26 : 52; }

  // The card's bytes from `offset` (< size) up to the end of the card.
  std::span<const uint8_t> bytes_from(uint64_t offset) const;

  bool programmed(uint32_t block) const { return programmed_[block] != 0; }

  // ANDs `data` into the card at `offset`; offset + data.size() <= size.
  // Marks every block touched as programmed. Returns true if a touched block
  // at or after `first_fresh_block` was already programmed before this call
  // (the caller passes the first block its message has not yet touched, so a
  // message split over several calls is judged against the state before it).
  bool program(uint64_t offset, std::span<const uint8_t> data, uint32_t first_fresh_block);

  // Erases the whole unit containing `block` (< block_count).
  void erase_unit_of(uint32_t block);

  // Flushes the mapping to the file (msync). Returns false if that failed.
  bool sync() const;

 private:
  Card(int fd, uint8_t* map, uint64_t size);

  int fd_ = -1;
  uint8_t* map_ = nullptr;
  uint64_t size_ = 0;
  std::vector<uint8_t> programmed_;  // one flag per 512-byte block
};

}  // namespace pixavon::emu
