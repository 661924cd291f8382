#include "cancel.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace pixavon::host {

CancelToken::CancelToken() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelToken::~CancelToken() {
    if (fd_ >= 0) ::close(fd_);
}

void CancelToken::request(int signal) {
    int none = 0;
    signal_.compare_exchange_strong(none, signal);
    if (requested_.exchange(true)) return;
    if (fd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
    }
}

void CancelToken::reset() {
    requested_ = false;
    signal_ = 0;
    if (fd_ >= 0) {
        uint64_t value = 0;
        [[maybe_unused]] const ssize_t n = ::read(fd_, &value, sizeof value);
    }
}

}  // namespace pixavon::host
