// The card's thread: the one thread every call into the card's work (and so
// into the host core and the library, which take one call at a time) is made
// on, running the window's work items in the order they were posted, and
// reading the grid's photos one at a time whenever nothing else waits. The
// window's thread never waits on it while it works: what the work reports
// comes back to the window as posted messages (CardEvent), and a question
// waits on this thread for the answer the window's thread gives.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <variant>

#include "desktop/card_work.h"
#include "desktop/outcome.h"
#include "image.h"

namespace pixavon::win32window {

// The message the card's thread posts to the window: its LPARAM is a
// CardEvent* the window takes over (take_event).
constexpr UINT kCardEventMessage = WM_APP + 1;

struct CardLoaded {
    desktop::CardState card;
    desktop::CardContents contents;
};
struct PhotoLoaded {
    uint64_t generation = 0;
    uint32_t position = 0;
    host::Image photo;
    std::string imported_as;  // the file it was imported as, as shown; empty if none
};
struct PhotoFailed {
    uint64_t generation = 0;
    uint32_t position = 0;
};
struct Asked {
    desktop::Question question;
    std::promise<bool> answer;
};
using CardEvent = std::variant<CardLoaded, PhotoLoaded, PhotoFailed, desktop::Progress, Asked, desktop::Result,
                               desktop::Trouble>;

// The event a kCardEventMessage carries, owned by the caller from then on.
std::unique_ptr<CardEvent> take_event(LPARAM lparam);

// Tells the window what the card's work reports, by posted messages.
class WindowListener : public desktop::CardWork::Listener {
public:
    explicit WindowListener(HWND window) : window_(window) {}

    void card_loaded(const desktop::CardState& card, const desktop::CardContents& contents) override;
    void photo_loaded(uint64_t generation, uint32_t position, const host::Image& photo,
                      const std::string& imported_as) override;
    void photo_failed(uint64_t generation, uint32_t position) override;
    void progressed(const desktop::Progress& progress) override;
    // Waits for the window's answer; no if the window has gone.
    bool question(const desktop::Question& question) override;
    void finished(const desktop::Result& result) override;
    void warned(const desktop::Trouble& warning) override;

private:
    // False if the window is gone (the event is dropped).
    bool post(CardEvent event);
    HWND window_;
};

// One thread, its queue of work and, between work items, `idle` (the grid's
// photos, one per call; it answers whether more are waiting).
class CardThread {
public:
    explicit CardThread(std::function<bool()> idle);
    ~CardThread();
    CardThread(const CardThread&) = delete;
    CardThread& operator=(const CardThread&) = delete;

    // Runs `work` on the card's thread after what was posted before.
    void post(std::function<void()> work);
    // Runs `last` after everything posted, then ends the thread and waits
    // for it. Nothing posted afterwards runs.
    void stop(std::function<void()> last);

private:
    void run();

    std::function<bool()> idle_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool more_photos_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace pixavon::win32window
