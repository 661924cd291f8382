#include "card.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace pixavon::emu {
namespace {

std::string errno_text(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

[[noreturn]] void throw_errno(const std::string& what, const std::string& path) {
    const int error = errno;
    throw CardError(errno_text(what, path), CardError::Reason::kUnusable, error);
}

}  // namespace

long flock_holder(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return 0;
    char device[64];
    std::snprintf(device, sizeof device, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 2387 fd:01:1234567 0 EOF"; blocked waiters are "1: -> FLOCK ...".
        std::istringstream fields(line);
        std::string number, kind, mode, access, file;
        long pid = 0;
        if (!(fields >> number >> kind) || kind != "FLOCK") continue;
        if (!(fields >> mode >> access >> pid >> file)) continue;
        if (file == device) return pid;
    }
    return 0;
}

namespace {

// Takes the card file for this process alone. Throws CardError naming the
// process that has it.
void lock_exclusively(int fd, const std::string& path, bool shared) {
    if (::flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0) return;
    const int error = errno;
    if (error != EWOULDBLOCK) {
        throw CardError("cannot lock card image " + path + ": " + std::strerror(error), CardError::Reason::kUnusable,
                        error);
    }
    const long holder = flock_holder(fd);
    throw CardError("card image " + path + " is in use by " +
                        (holder > 0 ? "process " + std::to_string(holder) : std::string("another process")),
                    CardError::Reason::kBusy);
}

// True if every byte of the file has its place on the disk (no holes): a
// fallocate() over it would change nothing but its times.
bool fully_allocated(const struct stat& st) {
    return static_cast<uint64_t>(st.st_blocks) * 512 >= static_cast<uint64_t>(st.st_size);
}

std::string directory_of(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? "." : dir;
}

}  // namespace

Card Card::open(const std::string& path, int create_mib, bool read_only) {
    // Never waits on a pipe or a device in the card's place: it is refused below.
    int fd = ::open(path.c_str(), (read_only ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_CLOEXEC);
    bool fresh = false;
    if (fd < 0 && errno == ENOENT && create_mib != 0) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) throw_errno("cannot create card file", path);
        read_only = false;
        // Every page of the card is on the disk before it is mapped: a page that
        // could not be stored later would end the process with SIGBUS.
        const uint64_t size = create_mib == 16 ? kLargeCardSize : kSmallCardSize;
        const int error = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
        if (error != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            ::unlink(path.c_str());
            if (error == ENOSPC || error == EDQUOT) {
                throw CardError(
                    "not enough space for a " + std::to_string(create_mib) + " MiB card in " + directory_of(path),
                    CardError::Reason::kNoSpace);
            }
            const int why = error != 0 ? error : errno;
            throw CardError("cannot make card file " + path + ": " + std::strerror(why), CardError::Reason::kUnusable,
                            why);
        }
        fresh = true;
    } else if (fd < 0) {
        if (errno == ENOENT) {
            throw CardError("card file " + path + " does not exist (use --create 8 or --create 16 to make one)");
        }
        throw_errno("cannot open card file", path);
    }

    if (!fresh) {
        try {
            lock_exclusively(fd, path, read_only);
        } catch (const CardError&) {
            ::close(fd);
            throw;
        }
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        const std::string message = errno_text("cannot stat card file", path);
        ::close(fd);
        throw CardError(message, CardError::Reason::kUnusable, error);
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (!S_ISREG(st.st_mode) || (size != kSmallCardSize && size != kLargeCardSize)) {
        ::close(fd);
        throw CardError("card file " + path + " has " + std::to_string(size) +
                        " bytes; a card must be exactly 8388608 (8 MiB) or 16777216 (16 MiB) bytes");
    }
    // A card file with holes (copied sparsely, or made by other tools) gets its
    // pages allocated now, for the same reason as a fresh one.
    // A card only read is never written, so nothing of it needs the disk.
    if (!fresh && !read_only && !fully_allocated(st) && ::fallocate(fd, 0, 0, static_cast<off_t>(size)) != 0 &&
        errno != EOPNOTSUPP) {
        const int error = errno;
        const bool full = error == ENOSPC || error == EDQUOT;
        const std::string message = full ? "not enough space in " + directory_of(path) + " for the card image " + path
                                         : errno_text("cannot allocate card file", path);
        ::close(fd);
        throw CardError(message, full ? CardError::Reason::kNoSpace : CardError::Reason::kUnusable, error);
    }
    // Read only: a private mapping, whose changes never reach the file.
    void* map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, read_only ? MAP_PRIVATE : MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        const int error = errno;
        const std::string message = errno_text("cannot map card file", path);
        ::close(fd);
        throw CardError(message, CardError::Reason::kUnusable, error);
    }
    Card card(fd, static_cast<uint8_t*>(map), size, read_only);
    if (fresh) {
        std::memset(card.map_, 0xFF, size);
        const std::vector<uint8_t> catalog = empty_catalog(size);
        std::memcpy(card.map_ + size - kCatalogSize, catalog.data(), catalog.size());
        if (!card.sync()) throw CardError(errno_text("cannot write card file", path));
    }
    if (fresh) card.flash_.rescan();
    return card;
}

Card::Card(int fd, uint8_t* map, uint64_t size, bool read_only)
    : fd_(fd), map_(map), size_(size), read_only_(read_only), flash_(std::span<uint8_t>(map, size)) {}

Card::Card(Card&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      map_(std::exchange(other.map_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      read_only_(other.read_only_),
      flash_(std::move(other.flash_)) {}

Card::~Card() {
    if (map_ != nullptr) {
        if (!read_only_) ::msync(map_, size_, MS_SYNC);
        ::munmap(map_, size_);
    }
    if (fd_ >= 0) ::close(fd_);
}

bool Card::sync() const { return map_ == nullptr || read_only_ || ::msync(map_, size_, MS_SYNC) == 0; }

}  // namespace pixavon::emu
