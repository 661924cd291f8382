// Photos read on a thread of their own, a few ahead of the workflow that
// converts and saves them (Core::read_ahead()).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core.h"

namespace pixavon::host {

class Core::ReadAhead {
public:
    // Starts reading `photos` (position and slot of each) in order with
    // `reader`, which it alone uses until it is destroyed.
    ReadAhead(PhotoReader& reader, CancelToken& cancel, std::vector<std::pair<uint32_t, uint8_t>> photos);
    // Stops reading (at the next packet) and waits for the thread.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // True if `position` is the photo take() hands out next.
    bool next_is(uint32_t position) const { return taken_ < order_.size() && order_[taken_].first == position; }
    // Waits for the next photo: `on_start` gets its read commands once it is
    // begun, `on_packet` is called for each as it is done, on this thread.
    // Its bitmap, or nullopt if a read failed or was cancelled.
    std::optional<std::vector<uint8_t>> take(const std::function<void(uint32_t packets)>& on_start,
                                             const std::function<void()>& on_packet);

private:
    struct Photo {
        uint32_t packets = 0;  // read commands it takes
        uint32_t read = 0;     // of those, sent
        bool done = false;
        std::optional<std::vector<uint8_t>> bitmap;
    };
    void run();

    PhotoReader& reader_;
    CancelToken& cancel_;
    const std::vector<std::pair<uint32_t, uint8_t>> order_;
    size_t taken_ = 0;  // photos handed out; the taking thread's own
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Photo> photos_;  // begun and not taken, oldest first
    bool finished_ = false;     // the thread reads no more
    std::thread thread_;
};

}  // namespace pixavon::host
