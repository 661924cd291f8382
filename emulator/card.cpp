#include "card.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace pixavon::emu {
namespace {

std::string errno_text(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

Card Card::open(const std::string& path, int create_mib) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  bool fresh = false;
  if (fd < 0 && errno == ENOENT && create_mib != 0) {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) throw CardError(errno_text("cannot create card file", path));
    const uint64_t size = create_mib == 16 ? kLargeCardSize : kSmallCardSize;
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
      const std::string message = errno_text("cannot size card file", path);
      ::close(fd);
      ::unlink(path.c_str());
      throw CardError(message);
    }
    fresh = true;
  } else if (fd < 0) {
    if (errno == ENOENT) {
      throw CardError("card file " + path + " does not exist (use --create 8 or --create 16 to make one)");
    }
    throw CardError(errno_text("cannot open card file", path));
  }

  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const std::string message = errno_text("cannot stat card file", path);
    ::close(fd);
    throw CardError(message);
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (!S_ISREG(st.st_mode) || (size != kSmallCardSize && size != kLargeCardSize)) {
    ::close(fd);
    throw CardError("card file " + path + " has " + std::to_string(size) +
                    " bytes; a card must be exactly 8388608 (8 MiB) or 16777216 (16 MiB) bytes");
  }
  void* map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) {
    const std::string message = errno_text("cannot map card file", path);
    ::close(fd);
    throw CardError(message);
  }
  Card card(fd, static_cast<uint8_t*>(map), size);
  if (fresh) {
    std::memset(card.map_, 0xFF, size);
    const std::vector<uint8_t> catalog = empty_catalog(size);
    std::memcpy(card.map_ + size - kCatalogSize, catalog.data(), catalog.size());
    if (!card.sync()) throw CardError(errno_text("cannot write card file", path));
  }
  if (fresh) card.flash_.rescan();
  return card;
}

Card::Card(int fd, uint8_t* map, uint64_t size)
    : fd_(fd), map_(map), size_(size), flash_(std::span<uint8_t>(map, size)) {}

Card::Card(Card&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      map_(std::exchange(other.map_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      flash_(std::move(other.flash_)) {}

Card::~Card() {
  if (map_ != nullptr) {
    ::msync(map_, size_, MS_SYNC);
    ::munmap(map_, size_);
  }
  if (fd_ >= 0) ::close(fd_);
}

bool Card::sync() const { return map_ == nullptr || ::msync(map_, size_, MS_SYNC) == 0; }

}  // namespace pixavon::emu
