#include "session.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace pixavon::tool {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_interrupt_fd{-1};

void fail(const std::string& message) { throw Failure(kExitFailed, message); }
void bad_input(const std::string& message) { throw Failure(kExitUsage, message); }

void stop_if_interrupted() {
  if (g_interrupted) fail("interrupted; every step finished before it is on the card");
}

namespace {
constexpr char kSignature[] = "KOV PHOTO CAM IMAGE";
constexpr size_t kSignatureLength = 19;
constexpr size_t kCountOffset = 256;
constexpr size_t kCapacityOffset = 258;
constexpr size_t kEntriesOffset = 512;
constexpr size_t kEntrySize = 16;
}  // namespace

bool valid_catalog(const uint8_t* bytes) {
  return std::memcmp(bytes, kSignature, kSignatureLength) == 0 &&
         (bytes[kCapacityOffset] == 26 || bytes[kCapacityOffset] == 52);
}

Catalog parse_catalog(const uint8_t* bytes) {
  Catalog catalog;
  catalog.capacity_code = bytes[kCapacityOffset];
  catalog.count = bytes[kCountOffset];  // at most 255 entries: they end well inside the 8 KiB
  for (uint32_t i = 0; i < catalog.count; ++i) catalog.slots.push_back(bytes[kEntriesOffset + kEntrySize * i + 8]);
  return catalog;
}

std::string printable(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = '?';
  }
  return out;
}

std::string device_dir_in_use() {
  if (const char* dir = std::getenv("PIXAVON_DEVICE_DIR"); dir != nullptr && *dir != '\0') return dir;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0') {
    return std::string(run) + "/pixavon";
  }
  return "/tmp/pixavon-" + std::to_string(::getuid());
}

Session::Session(Library& library, Progress& progress) : lib_(library), progress_(progress) {
  window_.context = this;
  window_.send_message = &Session::on_message;
  window_.message_box = &Session::on_box;
}

Session::~Session() {
  close();
  if (!temp_dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(temp_dir_, ignored);
  }
}

intptr_t Session::on_message(void* context, uint32_t message, uintptr_t, intptr_t) {
  auto* self = static_cast<Session*>(context);
  if (message == PIXAVON_PROGRESS_MESSAGE) self->progress_.step();
  return 0;
}

int Session::on_box(void* context, int, const char* text, const char* caption, uint32_t) {
  auto* self = static_cast<Session*>(context);
  ++self->boxes_;
  self->progress_.clear_line();
  std::fprintf(stderr, "%s: %s\n", printable(caption != nullptr ? caption : "").c_str(),
               printable(text != nullptr ? text : "").c_str());
  std::fflush(stderr);
  return 1;  // OK, the box's only button
}

bool Session::open() {
  if (!open_) open_ = lib_.OpenDevice(&window_) != 0;
  return open_;
}

void Session::close() {
  if (open_) {
    lib_.CloseDevice();
    open_ = false;
  }
}

std::string Session::text(uint32_t id) {
  char buffer[PIXAVON_STRING_BUFFER_SIZE + 1] = {};
  if (lib_.GetString(id, buffer) == 0) return {};
  buffer[PIXAVON_STRING_BUFFER_SIZE] = '\0';
  return printable(std::string(buffer, ::strnlen(buffer, PIXAVON_STRING_BUFFER_SIZE)));
}

std::string Session::usage_line(uint32_t used, uint32_t available) {
  const std::string pattern = text(2);
  // The text is used only if it holds exactly two %d and no other directive;
  // it is never handed to printf.
  std::vector<size_t> at;
  bool other = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    if (i + 1 < pattern.size() && pattern[i + 1] == 'd') {
      at.push_back(i);
      ++i;
    } else {
      other = true;
    }
  }
  if (at.size() != 2 || other) {
    return std::to_string(used) + " used, " + std::to_string(available) + " available";
  }
  return pattern.substr(0, at[0]) + std::to_string(used) + pattern.substr(at[0] + 2, at[1] - at[0] - 2) +
         std::to_string(available) + pattern.substr(at[1] + 2);
}

Catalog Session::reload() {
  const size_t boxes_before = boxes_;
  const int32_t count = lib_.GetPhotoCount();
  if (boxes_ != boxes_before) {
    fail("the card's catalog is damaged, so its photos cannot be found; 'pixavon restore BACKUP' puts a "
         "backup of the card back");
  }
  std::vector<uint8_t> bytes(kCatalogBytes);
  if (lib_.ReadGBA(kCatalogAddress, bytes.data(), kCatalogBytes) == 0) {
    fail("the camera did not answer while its catalog was read; check the connection and try again");
  }
  if (!valid_catalog(bytes.data())) {
    fail("the card's catalog is damaged, so its photos cannot be found; 'pixavon restore BACKUP' puts a "
         "backup of the card back");
  }
  Catalog catalog = parse_catalog(bytes.data());
  if (static_cast<int64_t>(catalog.count) != count) {
    fail("the catalog changed while it was read; try again");
  }
  return catalog;
}

const std::string& Session::temp_dir() {
  if (temp_dir_.empty()) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base == '/' ? base : "/tmp") + "/pixavon-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      fail(std::string("cannot make a temporary directory: ") + std::strerror(errno));
    }
    temp_dir_ = pattern;
  }
  return temp_dir_;
}

}  // namespace pixavon::tool
