// The card's thread and its messages to the window (see card_thread.h).
#include "card_thread.h"

#include <utility>

namespace pixavon::win32window {

std::unique_ptr<CardEvent> take_event(LPARAM lparam) { return std::unique_ptr<CardEvent>(reinterpret_cast<CardEvent*>(lparam)); }

bool WindowListener::post(CardEvent event) {
    auto posted = std::make_unique<CardEvent>(std::move(event));
    if (!::PostMessageW(window_, kCardEventMessage, 0, reinterpret_cast<LPARAM>(posted.get()))) return false;
    posted.release();  // the window's now
    return true;
}

void WindowListener::card_loaded(const desktop::CardState& card, const desktop::CardContents& contents) {
    post(CardLoaded{card, contents});
}

void WindowListener::photo_loaded(uint64_t generation, uint32_t position, const host::Image& photo,
                                  const std::string& imported_as) {
    post(PhotoLoaded{generation, position, photo, imported_as});
}

void WindowListener::photo_failed(uint64_t generation, uint32_t position) { post(PhotoFailed{generation, position}); }

void WindowListener::progressed(const desktop::Progress& progress) { post(progress); }

bool WindowListener::question(const desktop::Question& question) {
    Asked asked{question, {}};
    std::future<bool> answer = asked.answer.get_future();
    if (!post(std::move(asked))) return false;
    // The window answers every question it is handed, also when it closes
    // meanwhile (a dropped question is a broken promise: no).
    try {
        return answer.get();
    } catch (const std::future_error&) {
        return false;
    }
}

void WindowListener::finished(const desktop::Result& result) { post(result); }

void WindowListener::warned(const desktop::Trouble& warning) { post(warning); }

CardThread::CardThread(std::function<bool()> idle) : idle_(std::move(idle)), thread_([this] { run(); }) {}

CardThread::~CardThread() { stop({}); }

void CardThread::post(std::function<void()> work) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
        queue_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void CardThread::stop(std::function<void()> last) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_) {
            if (last) queue_.push_back(std::move(last));
            stopping_ = true;
        }
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void CardThread::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !queue_.empty() || more_photos_ || stopping_; });
        if (!queue_.empty()) {
            std::function<void()> work = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            work();
            lock.lock();
            // The work may have asked for photos.
            more_photos_ = true;
        } else if (stopping_) {
            return;
        } else {
            // One photo, then whatever was posted meanwhile goes first.
            lock.unlock();
            const bool more = idle_ ? idle_() : false;
            lock.lock();
            more_photos_ = more;
        }
    }
}

}  // namespace pixavon::win32window
