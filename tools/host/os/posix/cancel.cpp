#include "cancel.h"

#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>

#include "os/os.h"

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

namespace pixavon::host::os {

void stop_on_interrupt(CancelToken& token, std::string first, std::string again) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set, &token, first = std::move(first), again = std::move(again)] {
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0) continue;
            const bool was_first = !token.requested();
            token.request(signal);
            const std::string& text = was_first ? first : again;
            [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
        }
    }).detach();
}

}  // namespace pixavon::host::os
