// One run of the tool against a camera: the loaded library, the host window
// record through which the library reports progress and shows its boxes, and
// the checks every command shares.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "library.h"
#include "progress.h"

namespace pixavon::tool {

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

// Photo slots: 608 blocks of 512 bytes each.
inline constexpr uint32_t kSlotBytes = 608 * 512;
inline constexpr uint32_t kCatalogBytes = 8192;
inline constexpr uint16_t kCatalogAddress = 0xFFE0;

// The catalog as read from the card.
struct Catalog {
  uint32_t count = 0;
  uint32_t capacity_code = 0;  // 26 or 52
  std::vector<uint8_t> slots;  // slot of each position
  uint64_t card_bytes() const { return capacity_code == 52 ? 16ull << 20 : 8ull << 20; }
  uint32_t free_slots() const { return count < capacity_code ? capacity_code - count : 0; }
};

// True if `bytes` (8192) is a catalog the library accepts: signature and a
// capacity code of 26 or 52.
bool valid_catalog(const uint8_t* bytes);
Catalog parse_catalog(const uint8_t* bytes);

class Session {
 public:
  Session(Library& library, Progress& progress);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Library& lib() { return lib_; }
  const PixavonWindow* window() const { return &window_; }

  // Opens the camera; false if none could be opened.
  bool open();
  void close();
  bool is_open() const { return open_; }

  // A text of the string table, with control characters removed.
  std::string text(uint32_t id);
  // String id 2 with `used` and `available` put in its two %d.
  std::string usage_line(uint32_t used, uint32_t available);

  // Loads the catalog into the library (GetPhotoCount) and reads it for the
  // tool. Fails with advice if the card's catalog is damaged or unreadable.
  Catalog reload();

  // Runs one library operation with a progress display: `label_id` names it
  // from the string table. Returns the library's result; a box shown during
  // the call counts as failure.
  template <typename Call>
  bool run(uint32_t label_id, const std::string& subject, uint32_t steps, uint64_t bytes, Call call) {
    const size_t boxes_before = boxes_;
    progress_.begin(text(label_id), subject, steps, bytes);
    const int result = call();
    const bool ok = result != 0 && boxes_ == boxes_before;
    progress_.finish(ok);
    return ok;
  }

  size_t boxes() const { return boxes_; }
  // A private directory (0700) for the tool's temporary files, removed at exit.
  const std::string& temp_dir();

 private:
  static intptr_t on_message(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam);
  static int on_box(void* context, int owned, const char* text, const char* caption, uint32_t style);

  Library& lib_;
  Progress& progress_;
  PixavonWindow window_{};
  bool open_ = false;
  size_t boxes_ = 0;
  std::string temp_dir_;
};

// Text from outside the tool (the library, file names) made safe to print:
// control characters become '?'.
std::string printable(const std::string& text);
// The directory the library looks for cameras in.
std::string device_dir_in_use();

}  // namespace pixavon::tool
