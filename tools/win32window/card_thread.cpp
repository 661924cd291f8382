// The card's thread and its messages to the window (see card_thread.h).
#include "card_thread.h"

#include <utility>

namespace pixavon::win32window {

std::unique_ptr<CardEvent> take_event(LPARAM lparam) {
    return std::unique_ptr<CardEvent>(reinterpret_cast<CardEvent*>(lparam));
}

bool WindowListener::post(CardEvent event) {
    auto posted = std::make_unique<CardEvent>(std::move(event));
    if (!::PostMessageW(window_, kCardEventMessage, 0, reinterpret_cast<LPARAM>(posted.get()))) return false;
    posted.release();  // the window's now
    return true;
}

void WindowListener::card_loaded(uint64_t generation, const desktop::Card& card) { post(CardLoaded{generation, card}); }

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
    // A question the window drops unanswered (it is being destroyed) is a
    // broken promise: no.
    try {
        return answer.get();
    } catch (const std::future_error&) {
        return false;
    }
}

void WindowListener::finished(const desktop::Result& result) { post(result); }

void WindowListener::warned(const desktop::Trouble& warning) { post(warning); }

CardThread::CardThread() : thread_([this] { run(); }) {}

CardThread::~CardThread() { stop(); }

void CardThread::start(std::unique_ptr<host::Core> core, host::CancelToken& cancel, const std::string& image,
                       desktop::CardWork::Listener& listener) {
    // The core moves to the thread with the work item that makes the work.
    auto taken = std::make_shared<std::unique_ptr<host::Core>>(std::move(core));
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_) return;
    first_ = [this, taken, &cancel, image, &listener] {
        work_ = std::make_unique<desktop::CardWork>(std::move(*taken), cancel, image, listener);
    };
    lock.unlock();
    wake_.notify_one();
}

void CardThread::call(const std::function<void()>& job) {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
        first_ = [&job, &done] {
            job();
            done.set_value();
        };
    }
    wake_.notify_one();
    finished.wait();
}

void CardThread::post(std::function<void(desktop::CardWork&)> work) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
        queue_.push_back(std::move(work));
    }
    wake_.notify_one();
}

bool CardThread::stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_) return closed_;
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    stopped_ = true;
    return closed_;
}

void CardThread::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto photos_waiting = [this] { return work_ != nullptr && work_->photos_waiting(); };
        wake_.wait(lock, [&] { return first_ || !queue_.empty() || stopping_ || photos_waiting(); });
        if (first_) {
            const std::function<void()> first = std::move(first_);
            first_ = nullptr;
            lock.unlock();
            first();
            lock.lock();
        } else if (!queue_.empty() && work_ != nullptr) {
            std::function<void(desktop::CardWork&)> item = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            item(*work_);
            lock.lock();
        } else if (!queue_.empty()) {
            // Work posted for a card that was never started: nothing to do it on.
            queue_.clear();
        } else if (stopping_) {
            // Nothing left but photos nobody will see: the card closed on
            // this thread.
            lock.unlock();
            closed_ = work_ == nullptr || work_->close();
            work_.reset();
            return;
        } else {
            // One photo; whatever was posted meanwhile goes first.
            lock.unlock();
            work_->read_next_photo();
            lock.lock();
        }
    }
}

}  // namespace pixavon::win32window
