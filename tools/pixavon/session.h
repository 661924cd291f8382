// One run of the tool against a camera: the host session with progress shown
// on standard error and boxes printed as lines, and the checks every command
// shares.
#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include "camera_session.h"
#include "library.h"
#include "progress.h"

namespace pixavon::tool {

using host::Catalog;
using host::device_dir_in_use;
using host::Library;
using host::LibraryError;
using host::parse_catalog;
using host::printable;
using host::valid_catalog;

inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Ends the command with a message naming what failed and what to do.
class Failure : public std::runtime_error {
 public:
  Failure(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};
[[noreturn]] void fail(const std::string& message);       // exit 1: the operation failed
[[noreturn]] void bad_input(const std::string& message);  // exit 2: bad usage or input

// Set once the user asked to stop (SIGINT or SIGTERM); commands stop between
// steps, never inside a library call.
extern std::atomic<bool> g_interrupted;
// Readable once g_interrupted is set (for prompts that wait on input); -1 if none.
extern std::atomic<int> g_interrupt_fd;
void stop_if_interrupted();

class Session : private host::HostWindow, public host::Session {
 public:
  Session(Library& library, Progress& progress);

  // Loads the catalog; fails with advice if it is damaged or unreadable.
  Catalog reload();
  // Fails if the directory cannot be made.
  const std::string& temp_dir();

  // Runs one library operation with a progress display: `label_id` names it
  // from the string table. Returns the library's result; a box shown during
  // the call counts as failure.
  template <typename Call>
  bool run(uint32_t label_id, const std::string& subject, uint32_t steps, uint64_t bytes, Call&& library_call) {
    progress_.begin(text(label_id), subject, steps, bytes);
    const bool ok = call(std::forward<Call>(library_call));
    progress_.finish(ok);
    return ok;
  }

 private:
  void on_progress() override;
  void on_box(bool owned, const std::string& caption, const std::string& text) override;

  Progress& progress_;
};

}  // namespace pixavon::tool
