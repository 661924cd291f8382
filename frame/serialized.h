// Calls into the library from several threads at once are taken one at a time.
// The lock is recursive so that a host may call back into the library (for
// example IsConnect) from its progress handler.
#pragma once

#include <mutex>

namespace pixavon {

std::recursive_mutex& LibraryLock();

template <typename Call>
auto Serialized(Call&& call) {
    std::lock_guard<std::recursive_mutex> hold(LibraryLock());
    return call();
}

}  // namespace pixavon
