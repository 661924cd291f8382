// pixavon: manages the photos on a Lumetta camera's card from the command
// line, through libpixavon.so, on an attached camera or on a camera emulated
// inside the tool on a card image.

#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "commands.h"
#include "embedded_camera.h"
#include "library.h"
#include "progress.h"
#include "session.h"

namespace pixavon::tool {
namespace {

// SIGINT and SIGTERM are taken by one thread with sigwait, so no library call
// is ever interrupted: the first asks the command to stop after its current
// step (the embedded camera then saves the card as usual); a second quits at
// once, which loses nothing written so far, as the card file is mapped.
void start_signal_thread() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  g_interrupt_fd = ::eventfd(0, EFD_CLOEXEC);
  std::thread([set] {
    int signals = 0;
    for (;;) {
      int signal = 0;
      if (sigwait(&set, &signal) != 0) continue;
      if (++signals == 1) {
        g_interrupted = true;
        const uint64_t one = 1;
        if (g_interrupt_fd >= 0) [[maybe_unused]] ssize_t n = ::write(g_interrupt_fd, &one, sizeof one);
        static const char kMessage[] = "\npixavon: stopping after the current step (again to quit at once)\n";
        [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
      } else {
        static const char kMessage[] = "\npixavon: quit\n";
        [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
        ::_exit(130);
      }
    }
  }).detach();
}

struct Options {
  std::string card;
  int size = 0;
  bool json = false;
  std::string lang;
  GetOptions get;
  PutOptions put;
  std::string fit = "pad";
  std::vector<std::string> rm_positions;
  ConfirmOptions format, restore, raw_write;
  std::string file;
  bool force = false;
  std::string raw_address, raw_length, raw_block;
};

int run(int argc, char** argv) {
  CLI::App app{"pixavon: the photos on a Lumetta camera's card, from the command line.\n"
               "Positions count from 0, as 'pixavon list' shows them."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "pixavon " PIXAVON_VERSION, "Show the version and exit");
  Options o;
  auto* card = app.add_option("--card", o.card,
                              "Work on a camera emulated inside the tool on this card image (the same format as a "
                              "backup) instead of the attached camera")
                  ->type_name("IMAGE");
  app.add_option("--size", o.size, "With --card: create a fresh card of 8 or 16 MiB if IMAGE does not exist")
      ->check(CLI::IsMember({8, 16}))
      ->type_name("8|16")
      ->needs(card);

  auto* info = app.add_subcommand("info", "Whether a camera is connected, its card, photo count and free slots");
  auto* list = app.add_subcommand("list", "The photos on the card: position, slot and size on the card");
  list->add_flag("--json", o.json, "Print one JSON object instead of a table");

  auto* get = app.add_subcommand("get", "Save photos from the card (a name ending in .png is saved as PNG, others as BMP)");
  get->add_option("POSITION", o.get.positions, "Positions of the photos to save");
  get->add_flag("--all", o.get.all, "Save every photo");
  get->add_option("-o,--output", o.get.output, "File name for one photo, or folder for several (default: photo-POS.FORMAT)");
  get->add_option("--format", o.get.format, "Format of the names the tool makes up")
      ->check(CLI::IsMember({"bmp", "png"}))
      ->capture_default_str();
  get->add_flag("--force", o.get.force, "Replace files that exist");

  auto* put = app.add_subcommand("put", "Put pictures (PNG, JPEG or BMP) on the card, converted to 322 x 242");
  put->add_option("FILE", o.put.files, "Pictures to put")->required();
  put->add_option("--fit", o.fit, "pad: whole picture on black; crop: fill the frame")
      ->check(CLI::IsMember({"pad", "crop"}))
      ->capture_default_str();

  auto* rm = app.add_subcommand("rm", "Delete photos");
  rm->add_option("POSITION", o.rm_positions, "Positions of the photos to delete")->required();

  auto* format = app.add_subcommand("format", "Erase the catalog and so every photo on the card");
  format->add_flag("-y,--yes", o.format.yes, "Do not ask for confirmation");

  auto* backup = app.add_subcommand("backup", "Save the whole card into one file");
  backup->add_option("FILE", o.file, "Backup file to write")->required();
  backup->add_flag("--force", o.force, "Replace FILE if it exists");

  auto* restore = app.add_subcommand("restore", "Write a backup back onto the card, replacing everything on it");
  restore->add_option("FILE", o.file, "Backup file to restore")->required();
  restore->add_flag("-y,--yes", o.restore.yes, "Do not ask for confirmation");

  auto* sheet = app.add_subcommand("contact-sheet", "Every photo on the card as a labelled thumbnail grid in one PNG");
  sheet->add_option("OUT", o.file, "PNG file to write")->required();
  sheet->add_flag("--force", o.force, "Replace OUT if it exists");

  auto* strings = app.add_subcommand("strings", "The 14 texts of the library's string table");
  strings->add_option("--lang", o.lang, "Language tag, e.g. ja, zh_TW, zh_CN, en (default: from the environment)");

  auto* raw = app.add_subcommand("raw", "Raw card commands, for diagnostics");
  raw->require_subcommand(1);
  auto* raw_read = raw->add_subcommand("read", "Read LEN bytes from ADDR (in 256-byte units); hex dump on standard output");
  raw_read->add_option("ADDR", o.raw_address, "Address in 256-byte units (0x prefix for hex)")->required();
  raw_read->add_option("LEN", o.raw_length, "Number of bytes")->required();
  auto* raw_write = raw->add_subcommand("write", "Write the bytes of FILE at BLOCK (in 512-byte blocks)");
  raw_write->add_option("BLOCK", o.raw_block, "Block number (0x prefix for hex)")->required();
  raw_write->add_option("FILE", o.file, "Data to write")->required();
  raw_write->add_flag("-y,--yes", o.raw_write.yes, "Do not ask for confirmation");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? 0 : kExitUsage;
  }
  o.put.fit = o.fit == "crop" ? host::Fit::kCrop : host::Fit::kPad;

  start_signal_thread();
  // A reader that goes away (pixavon list | head) must not end the tool
  // before the embedded camera has saved the card.
  std::signal(SIGPIPE, SIG_IGN);
  Progress progress(stderr, ::isatty(STDERR_FILENO) != 0);

  if (strings->parsed() && !o.lang.empty()) {
    // The library picks its language from the environment, LANGUAGE first.
    if (o.lang.find_first_of("/:") != std::string::npos) bad_input("--lang takes a tag such as ja or zh_TW");
    ::setenv("LANGUAGE", o.lang.c_str(), 1);
  }

  std::unique_ptr<host::EmbeddedCamera> camera;
  std::string description;
  if (!o.card.empty() && !strings->parsed()) {
    try {
      camera = std::make_unique<host::EmbeddedCamera>(o.card, o.size);
    } catch (const host::CameraError& error) {
      bad_input(error.what());
    }
    if (camera->created()) {
      std::fprintf(stderr, "pixavon: created a fresh %llu MiB card in %s\n",
                   static_cast<unsigned long long>(camera->card_size() >> 20), printable(o.card).c_str());
    }
    if (!camera->created() && o.size != 0 && camera->card_size() != (static_cast<uint64_t>(o.size) << 20)) {
      std::fprintf(stderr, "pixavon: %s holds a %llu MiB card; --size only applies to a new card\n",
                   printable(o.card).c_str(), static_cast<unsigned long long>(camera->card_size() >> 20));
    }
    // Set before the library looks for a camera, and before any other thread reads the environment.
    ::setenv("PIXAVON_DEVICE_DIR", camera->device_dir().c_str(), 1);
    description = "embedded camera, card image " + o.card;
  } else {
    description = "camera in " + device_dir_in_use();
  }

  int status = 0;
  {
    std::optional<Library> library;
    try {
      library.emplace();
    } catch (const LibraryError& error) {
      fail(error.what());
    }
    Session session(*library, progress);
    if (strings->parsed()) return cmd_strings(session);

    if (!session.open() && !info->parsed()) {
      fail("no camera found in " + printable(device_dir_in_use()) +
           "; connect the camera, or work on a card image with --card IMAGE");
    }
    if (info->parsed()) status = cmd_info(session, description);
    else if (list->parsed()) status = cmd_list(session, o.json);
    else if (get->parsed()) status = cmd_get(session, o.get);
    else if (put->parsed()) status = cmd_put(session, o.put);
    else if (rm->parsed()) status = cmd_rm(session, o.rm_positions);
    else if (format->parsed()) status = cmd_format(session, o.format);
    else if (backup->parsed()) status = cmd_backup(session, o.file, o.force);
    else if (restore->parsed()) status = cmd_restore(session, o.file, o.restore);
    else if (sheet->parsed()) status = cmd_contact_sheet(session, o.file, o.force);
    else if (raw_read->parsed()) status = cmd_raw_read(session, o.raw_address, o.raw_length);
    else if (raw_write->parsed()) status = cmd_raw_write(session, o.raw_block, o.file, o.raw_write);
    session.close();
  }
  if (camera && !camera->stop()) {
    fail("the card image " + printable(o.card) + " could not be saved to disk; check the disk and its free space");
  }
  return status;
}

}  // namespace
}  // namespace pixavon::tool

int main(int argc, char** argv) {
  std::fflush(stdout);
  try {
    return pixavon::tool::run(argc, argv);
  } catch (const pixavon::tool::Failure& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "pixavon: %s\n", failure.what());
    return failure.code();
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "pixavon: %s\n", error.what());
    return pixavon::tool::kExitFailed;
  }
}
