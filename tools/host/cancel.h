// A request to stop, made by a signal or a Cancel button and honoured by the
// host core between units of work, never inside a library call.
#pragma once

#include <atomic>

namespace pixavon::host {

class CancelToken {
public:
    CancelToken();
    ~CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // Asks the running operation to stop; `signal` is the signal that asked, 0
    // for a person's Cancel. Safe from any thread (not from a signal handler:
    // signals are taken by a thread of their own).
    void request(int signal = 0);
    // Forgets an earlier request (a window's next operation starts afresh).
    void reset();
    bool requested() const { return requested_.load(); }
    // The first signal that asked, or 0.
    int signal() const { return signal_.load(); }
    // Readable once requested, for code that waits on other input; -1 if none.
    int fd() const { return fd_; }

private:
    std::atomic<bool> requested_{false};
    std::atomic<int> signal_{0};
    int fd_ = -1;
};

}  // namespace pixavon::host
