// Calls into the library from several threads at once are taken one at a time.
//
// A call made from inside a running call on the same thread (a host's progress
// or box handler calling back in) would interleave its card commands with the
// running operation's, or change the state under it: such a call to anything
// that reads or changes the card returns its failure value at once. Queries
// that touch neither (IsConnect, GetCardMemory, GetString) still answer; the
// lock is recursive for them.
//
// Nothing thrown (an allocation failure, say) crosses the exported functions:
// it becomes the function's failure value.
#pragma once

#include <mutex>

namespace pixavon {

std::recursive_mutex& LibraryLock();

// True while an exported function that may reach the card runs on this thread.
bool& CardCallRunning();

// For functions that may read or change the card.
template <typename Call>
auto Serialized(Call&& call) noexcept -> decltype(call()) {
    using Result = decltype(call());
    try {
        bool& running = CardCallRunning();
        if (running) {
            return Result{0};
        }
        std::lock_guard<std::recursive_mutex> hold(LibraryLock());
        struct Mark {
            bool& running;
            explicit Mark(bool& flag) : running(flag) { running = true; }
            ~Mark() { running = false; }
        } mark(running);
        return call();
    } catch (...) {
        return Result{0};
    }
}

// For queries that answer from the library's state alone, also from inside a
// running call.
template <typename Call>
auto SerializedQuery(Call&& call) noexcept -> decltype(call()) {
    using Result = decltype(call());
    try {
        std::lock_guard<std::recursive_mutex> hold(LibraryLock());
        return call();
    } catch (...) {
        return Result{0};
    }
}

}  // namespace pixavon
