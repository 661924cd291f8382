#include "session.h"

#include <cstdio>

namespace pixavon::tool {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_interrupt_fd{-1};

void fail(const std::string& message) { throw Failure(kExitFailed, message); }
void bad_input(const std::string& message) { throw Failure(kExitUsage, message); }

void stop_if_interrupted() {
  if (g_interrupted) fail("interrupted; every step finished before it is on the card");
}

Session::Session(Library& library, Progress& progress)
    : host::Session(library, static_cast<host::HostWindow&>(*this)), progress_(progress) {}

void Session::on_progress() { progress_.step(); }

void Session::on_box(bool, const std::string& caption, const std::string& text) {
  progress_.clear_line();
  std::fprintf(stderr, "%s: %s\n", printable(caption).c_str(), printable(text).c_str());
  std::fflush(stderr);
}

Catalog Session::reload() {
  try {
    return host::Session::reload();
  } catch (const host::CatalogError& error) {
    if (error.kind() == host::CatalogError::Kind::kNoAnswer) {
      fail("the camera did not answer while its catalog was read; check the connection and try again");
    }
    if (error.kind() == host::CatalogError::Kind::kChanged) fail("the catalog changed while it was read; try again");
    fail("the card's catalog is damaged, so its photos and its size cannot be known and the library can "
         "neither format nor restore it; for an emulated card, copy a backup file over the card image");
  }
}

const std::string& Session::temp_dir() {
  try {
    return host::Session::temp_dir();
  } catch (const host::SessionError& error) {
    fail(error.what());
  }
}

}  // namespace pixavon::tool
