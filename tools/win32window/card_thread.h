// The card's thread: the one thread the card's work (desktop::CardWork, and
// through it the host core and the library, which take one call at a time)
// lives and runs on, from its making to its end. It runs the window's work
// items in the order they were posted and, whenever nothing else waits,
// reads the grid's photos one at a time. The window's thread never waits on
// it while it works: what the work reports comes back to the window as
// posted messages (CardEvent), and a question waits on this thread for the
// answer the window's thread gives.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>

#include "cancel.h"
#include "core.h"
#include "desktop/card_work.h"
#include "desktop/outcome.h"
#include "image.h"

namespace pixavon::win32window {

// The message the card's thread posts to the window: its LPARAM is a
// CardEvent* the window takes over (take_event).
constexpr UINT kCardEventMessage = WM_APP + 1;

struct CardLoaded {
    uint64_t generation = 0;
    desktop::Card card;
};
struct PhotoLoaded {
    uint64_t generation = 0;
    uint32_t position = 0;
    host::Image photo;
    std::string imported_as;  // the file it was imported as; empty if none
};
struct PhotoFailed {
    uint64_t generation = 0;
    uint32_t position = 0;
};
struct Asked {
    desktop::Question question;
    std::promise<bool> answer;
};
using CardEvent =
    std::variant<CardLoaded, PhotoLoaded, PhotoFailed, desktop::Progress, Asked, desktop::Result, desktop::Trouble>;

// The event a kCardEventMessage carries, owned by the caller from then on.
std::unique_ptr<CardEvent> take_event(LPARAM lparam);

// Tells `window` what the card's work reports, by posted messages.
class WindowListener final : public desktop::CardWork::Listener {
public:
    explicit WindowListener(HWND window) : window_(window) {}

    void card_loaded(uint64_t generation, const desktop::Card& card) override;
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

class CardThread {
public:
    CardThread();
    // Closes the card (see stop) if stop() has not.
    ~CardThread();
    CardThread(const CardThread&) = delete;
    CardThread& operator=(const CardThread&) = delete;

    // Runs `job` on the card's thread and waits for it: for preparing the
    // core there, before the window is made. The library's own boxes are
    // caught on the thread that prepared it, which must be the thread that
    // calls it, and never the window's (whose boxes they would catch).
    void call(const std::function<void()>& job);
    // Makes the card's work on the thread, over the prepared `core` (of the
    // card image `image`, or empty for the camera), reporting to `listener`.
    void start(std::unique_ptr<host::Core> core, host::CancelToken& cancel, const std::string& image,
               desktop::CardWork::Listener& listener);
    // Runs `work` on the card's thread after what was posted before.
    void post(std::function<void(desktop::CardWork&)> work);
    // Once everything posted has run, closes the card (saving a card image)
    // and ends the thread; false if the card could not be closed. Nothing
    // posted afterwards runs.
    bool stop();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> first_;  // call()'s or start()'s, run first
    std::deque<std::function<void(desktop::CardWork&)>> queue_;
    std::unique_ptr<desktop::CardWork> work_;  // the thread's alone
    bool stopping_ = false;
    bool stopped_ = false;
    bool closed_ = true;
    std::thread thread_;
};

}  // namespace pixavon::win32window
