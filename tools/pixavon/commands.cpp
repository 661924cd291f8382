#include "commands.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "contact_sheet.h"

namespace pixavon::tool {
namespace {

// String table ids of the operation labels.
constexpr uint32_t kLabelDelete = host::kTextDelete;
constexpr uint32_t kLabelUpload = host::kTextUpload;
constexpr uint32_t kLabelBackup = host::kTextBackup;
constexpr uint32_t kLabelReadCard = host::kTextReadCard;
constexpr uint32_t kLabelWriteCard = host::kTextWriteCard;

using host::kBackupChunk;
using host::kDownloadSteps;
using host::kUploadSteps;
constexpr uint32_t kCatalogSteps = host::kDeleteSteps;
constexpr uint64_t kBlock = host::kRestoreBlock;

std::string in_quotes(const std::string& name) { return "'" + printable(name) + "'"; }

std::string photos(uint32_t n) { return std::to_string(n) + (n == 1 ? " photo" : " photos"); }

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ends_with_png(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == ".png";
}

// A number written by the user: decimal, or hexadecimal with 0x.
uint64_t parse_number(const std::string& text, uint64_t max, const std::string& what) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > 16) bad_input(what + " must be a number, not " + in_quotes(text));
  uint64_t value = 0;
  for (const char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else bad_input(what + " must be a number, not " + in_quotes(text));
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (value > max) bad_input(what + " " + printable(text) + " is too large (at most " + std::to_string(max) + ")");
  }
  return value;
}

std::string range_hint(const Catalog& catalog) {
  if (catalog.count == 0) return "the card holds no photos";
  return "the card holds " + photos(catalog.count) + ", positions 0 to " + std::to_string(catalog.count - 1) +
         " ('pixavon list' shows them)";
}

// Positions given by the user, checked against the catalog before anything
// is done.
std::vector<int32_t> parse_positions(const std::vector<std::string>& texts, const Catalog& catalog) {
  std::vector<int32_t> out;
  for (const std::string& text : texts) {
    if (!text.empty() && text[0] == '-') bad_input("position " + in_quotes(text) + " is out of range: " + range_hint(catalog));
    const uint64_t value = parse_number(text, 1u << 20, "a position");
    if (value >= catalog.count) {
      bad_input("position " + printable(text) + " is out of range: " + range_hint(catalog));
    }
    out.push_back(static_cast<int32_t>(value));
  }
  return out;
}

// Downloads the photo at `position` into the session's temporary directory
// and returns its decoded pixels and the file's bytes.
std::vector<uint8_t> download(Session& session, int32_t position, const std::string& subject) {
  session.temp_dir();  // fails with the tool's message if it cannot be made
  std::vector<uint8_t> bytes;
  std::string wrong;
  const bool ok = session.run(kLabelReadCard, subject, kDownloadSteps, kSlotBytes, [&] {
    try {
      bytes = session.download(position);
    } catch (const host::SessionError& error) {
      wrong = error.what();
      return 1;
    }
    return bytes.empty() ? 0 : 1;
  });
  if (!wrong.empty()) fail(wrong);
  if (!ok) fail("photo " + std::to_string(position) + " could not be read from the card; check the camera and try again");
  return bytes;
}

// The bytes to save for a downloaded bitmap under `name`.
std::vector<uint8_t> output_bytes(const std::vector<uint8_t>& bitmap, const std::string& name) {
  if (!ends_with_png(name)) return bitmap;
  return host::encode_png(host::decode_bmp(bitmap));
}

void save(const std::string& name, const std::vector<uint8_t>& bytes, bool force) {
  bool written = false;
  try {
    written = host::write_file_atomically(name, bytes, force);
  } catch (const host::ImageError& error) {
    fail(std::string(error.what()) + "; check the folder exists and can be written");
  }
  if (!written) bad_input(in_quotes(name) + " already exists; choose another name or add --force to replace it");
}

}  // namespace

void confirm(const std::string& what, bool yes) {
  if (yes) return;
  if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) {
    bad_input(what + "; add --yes to confirm when not asked on a terminal");
  }
  std::fprintf(stderr, "%s. Continue? [y/N] ", what.c_str());
  std::fflush(stderr);
  std::string answer;
  for (;;) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {g_interrupt_fd.load(), POLLIN, 0}};
    const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || g_interrupted || (fds[1].fd >= 0 && (fds[1].revents & POLLIN))) break;
    char c;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n <= 0 || c == '\n') break;
    if (answer.size() < 16) answer += c;
  }
  if (answer != "y" && answer != "Y" && answer != "yes" && answer != "YES" && answer != "Yes") {
    std::fputc('\n', stderr);
    fail("not confirmed; nothing was changed");
  }
}

int cmd_info(Session& session, const std::string& camera_description) {
  if (!session.is_open()) {
    std::printf("camera:      not connected\n");
    fail("no camera found in " + printable(device_dir_in_use()) +
         "; connect the camera, or work on a card image with --card IMAGE");
  }
  const Catalog catalog = session.reload();
  std::printf("camera:      connected (%s)\n", printable(camera_description).c_str());
  std::printf("card:        %llu MiB, capacity code %u\n", static_cast<unsigned long long>(catalog.card_bytes() >> 20),
              catalog.capacity_code);
  std::printf("photos:      %u\n", catalog.count);
  std::printf("free slots:  %u\n", catalog.free_slots());
  std::printf("%s\n", session.usage_line(catalog.count, catalog.free_slots()).c_str());
  return 0;
}

int cmd_list(Session& session, bool json) {
  const Catalog catalog = session.reload();
  if (json) {
    std::printf("{\"capacity\": %u, \"card_bytes\": %llu, \"count\": %u, \"free\": %u, \"photos\": [", catalog.capacity_code,
                static_cast<unsigned long long>(catalog.card_bytes()), catalog.count, catalog.free_slots());
    for (uint32_t i = 0; i < catalog.count; ++i) {
      std::printf("%s{\"position\": %u, \"slot\": %u, \"bytes\": %u}", i == 0 ? "" : ", ", i, catalog.slots[i], kSlotBytes);
    }
    std::printf("]}\n");
    return 0;
  }
  std::printf("%-8s %-6s %s\n", "POSITION", "SLOT", "SIZE ON CARD");
  for (uint32_t i = 0; i < catalog.count; ++i) {
    std::printf("%8u %6u %u bytes\n", i, catalog.slots[i], kSlotBytes);
  }
  std::printf("%s; %s\n", photos(catalog.count).c_str(), session.usage_line(catalog.count, catalog.free_slots()).c_str());
  return 0;
}

int cmd_get(Session& session, const GetOptions& options) {
  const Catalog catalog = session.reload();
  std::vector<int32_t> positions;
  if (options.all) {
    if (!options.positions.empty()) bad_input("give positions or --all, not both");
    for (uint32_t i = 0; i < catalog.count; ++i) positions.push_back(static_cast<int32_t>(i));
    if (positions.empty()) {
      std::fprintf(stderr, "pixavon: the card holds no photos; nothing to save\n");
      return 0;
    }
  } else {
    if (options.positions.empty()) bad_input("say which photos to save: POSITION... or --all");
    positions = parse_positions(options.positions, catalog);
  }

  // Names first, so that no photo is read before every name is known to be free.
  const bool into_dir = options.all || (!options.output.empty() && is_directory(options.output));
  if (!options.all && positions.size() > 1 && !options.output.empty() && !into_dir) {
    bad_input("-o names one file; to save several photos, give a folder that exists");
  }
  if (options.all && !options.output.empty() && !is_directory(options.output)) {
    std::error_code error;
    std::filesystem::create_directories(options.output, error);
    if (error) fail("cannot make the folder " + in_quotes(options.output) + ": " + error.message());
  }
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const int32_t position : positions) {
    std::string name;
    if (!options.output.empty() && !into_dir) {
      name = options.output;
    } else {
      name = "photo-" + std::to_string(position) + "." + options.format;
      if (!options.output.empty()) name = options.output + "/" + name;
    }
    if (!seen.insert(name).second) bad_input("position " + std::to_string(position) + " is given twice");
    if (!options.force && exists(name)) {
      bad_input(in_quotes(name) + " already exists; choose another name or add --force to replace it");
    }
    names.push_back(name);
  }

  for (size_t i = 0; i < positions.size(); ++i) {
    stop_if_interrupted();
    const std::string subject = "photo " + std::to_string(positions[i]) +
                                (positions.size() > 1 ? " (" + std::to_string(i + 1) + "/" + std::to_string(positions.size()) + ")" : "");
    const std::vector<uint8_t> bitmap = download(session, positions[i], subject);
    save(names[i], output_bytes(bitmap, names[i]), options.force);
    std::printf("%d -> %s\n", positions[i], printable(names[i]).c_str());
    std::fflush(stdout);
  }
  return 0;
}

int cmd_put(Session& session, const PutOptions& options) {
  // Every file is read and converted before the card is touched, so a bad
  // file stops the command with the card as it was.
  struct Prepared {
    std::string name;
    std::string bitmap_path;
  };
  std::vector<Prepared> prepared;
  for (size_t i = 0; i < options.files.size(); ++i) {
    const std::string& file = options.files[i];
    std::vector<uint8_t> bitmap;
    try {
      bitmap = host::camera_bitmap_for(host::read_file(file, host::kMaxPixels * 4 + 65536), options.fit);
    } catch (const host::ImageError& error) {
      bad_input("cannot put " + in_quotes(file) + ": " + error.what() + "; nothing was put on the card");
    }
    const std::string path = session.temp_dir() + "/put-" + std::to_string(i) + ".bmp";
    if (!host::write_file_atomically(path, bitmap, true)) fail("cannot stage " + in_quotes(file));
    prepared.push_back({file, path});
  }

  Catalog catalog = session.reload();
  if (catalog.count >= catalog.capacity_code) {
    fail("the card is full (" + std::to_string(catalog.count) + " of " + std::to_string(catalog.capacity_code) +
         " photos); delete some with 'pixavon rm POSITION' first");
  }
  if (prepared.size() > catalog.free_slots()) {
    fail(std::to_string(prepared.size()) + " pictures do not fit: the card has " + std::to_string(catalog.free_slots()) +
         " free slots (" + std::to_string(catalog.count) + " of " + std::to_string(catalog.capacity_code) +
         " photos); put fewer or delete some with 'pixavon rm POSITION' first");
  }

  for (const Prepared& item : prepared) {
    stop_if_interrupted();
    const uint32_t before = catalog.count;
    const bool ok = session.run(kLabelUpload, printable(std::filesystem::path(item.name).filename().string()),
                                kUploadSteps, kSlotBytes + kCatalogSize,
                                [&] { return session.lib().WriteFileToGBA(item.bitmap_path.c_str()); });
    ::unlink(item.bitmap_path.c_str());
    // The library needs the catalog reloaded after every change, failed ones too.
    catalog = session.reload();
    if (!ok || catalog.count != before + 1) {
      fail("the camera did not take " + in_quotes(item.name) + "; check the camera, then 'pixavon list' shows what is on the card");
    }
    std::printf("%s -> position %u (slot %u)\n", printable(item.name).c_str(), before, catalog.slots[before]);
    std::fflush(stdout);
  }
  return 0;
}

int cmd_rm(Session& session, const std::vector<std::string>& texts) {
  Catalog catalog = session.reload();
  std::vector<int32_t> positions = parse_positions(texts, catalog);
  // Highest first: deleting a photo moves every later one down a position.
  std::sort(positions.begin(), positions.end(), std::greater<>());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  for (const int32_t position : positions) {
    stop_if_interrupted();
    const uint32_t before = catalog.count;
    const bool ok = session.run(kLabelDelete, "photo " + std::to_string(position), kCatalogSteps, kCatalogSize,
                                [&] { return session.lib().DeletePhoto(position); });
    catalog = session.reload();
    if (!ok || catalog.count + 1 != before) {
      fail("photo " + std::to_string(position) + " could not be deleted; 'pixavon list' shows what is on the card");
    }
    std::printf("deleted %d\n", position);
    std::fflush(stdout);
  }
  return 0;
}

int cmd_format(Session& session, const ConfirmOptions& options) {
  const Catalog catalog = session.reload();
  confirm("Formatting erases the catalog, and so all " + photos(catalog.count) + " on the card", options.yes);
  stop_if_interrupted();
  const size_t boxes = session.boxes();
  const int ok = session.lib().FormatGBA();
  Catalog after = session.reload();
  if (ok == 0 || session.boxes() != boxes || after.count != 0) {
    fail("the card could not be formatted; check the camera and try again");
  }
  std::printf("formatted: %s\n", session.usage_line(0, after.free_slots()).c_str());
  return 0;
}

int cmd_backup(Session& session, const std::string& file, bool force) {
  if (!force && exists(file)) bad_input(in_quotes(file) + " already exists; choose another name or add --force to replace it");
  const Catalog catalog = session.reload();
  const uint64_t card_bytes = catalog.card_bytes();

  // The library writes next to the final name, which then appears whole or not at all.
  const std::filesystem::path target(file);
  std::string dir = target.parent_path().string();
  if (dir.empty()) dir = ".";
  std::string temp = dir + "/." + target.filename().string() + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) fail("cannot write " + in_quotes(file) + ": " + std::strerror(errno) + "; check the folder exists and can be written");
  ::close(fd);
  const bool ok = session.run(kLabelBackup, printable(target.filename().string()),
                              static_cast<uint32_t>(card_bytes / kBackupChunk), card_bytes,
                              [&] { return session.lib().ReadAll(temp.c_str()); });
  struct stat st {};
  if (!ok || ::stat(temp.c_str(), &st) != 0 || static_cast<uint64_t>(st.st_size) != card_bytes) {
    ::unlink(temp.c_str());
    fail("the card could not be backed up; check the camera and the free space for " + in_quotes(file));
  }
  // mkstemp made the file private; give it the mode of any new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(temp.c_str(), 0666 & ~mask);
  bool placed = false;
  try {
    placed = host::move_into_place(temp, file, force);
  } catch (const host::ImageError& error) {
    fail(error.what());
  }
  if (!placed) bad_input(in_quotes(file) + " appeared meanwhile; choose another name or add --force to replace it");
  std::printf("backed up %s (%llu MiB) to %s\n", photos(catalog.count).c_str(),
              static_cast<unsigned long long>(card_bytes >> 20), printable(file).c_str());
  return 0;
}

int cmd_restore(Session& session, const std::string& file, const ConfirmOptions& options) {
  const Catalog catalog = session.reload();
  const uint64_t card_bytes = catalog.card_bytes();
  const host::BackupCheck check = host::check_backup(file, catalog.capacity_code);
  switch (check.verdict) {
    case host::BackupCheck::Verdict::kOk: break;
    case host::BackupCheck::Verdict::kCannotOpen:
      bad_input("cannot restore " + in_quotes(file) + ": " + std::strerror(check.error));
    case host::BackupCheck::Verdict::kNotFile: bad_input(in_quotes(file) + " is not a file");
    case host::BackupCheck::Verdict::kWrongSize:
      bad_input(in_quotes(file) + " holds " + std::to_string(check.size) + " bytes, but a backup of this card holds " +
                std::to_string(card_bytes) + " (" + std::to_string(card_bytes >> 20) + " MiB); nothing was changed");
    case host::BackupCheck::Verdict::kUnreadable: bad_input("cannot read " + in_quotes(file));
    case host::BackupCheck::Verdict::kNoCatalog:
      bad_input(in_quotes(file) + " is not a backup of a card of this size (it holds no matching catalog); nothing was changed");
  }
  confirm("Restoring replaces all " + photos(catalog.count) + " on the card with the " +
              photos(check.photos) + " of " + printable(file),
          options.yes);
  stop_if_interrupted();
  const bool ok = session.run(kLabelWriteCard, printable(std::filesystem::path(file).filename().string()),
                              static_cast<uint32_t>(card_bytes / kBlock), card_bytes,
                              [&] { return session.lib().WriteAll(file.c_str()); });
  if (!ok) {
    fail("the card could not be restored and is now incomplete; check the camera and run the restore again");
  }
  const Catalog after = session.reload();
  std::printf("restored %s from %s\n", photos(after.count).c_str(), printable(file).c_str());
  return 0;
}

int cmd_contact_sheet(Session& session, const std::string& file, bool force) {
  if (!force && exists(file)) bad_input(in_quotes(file) + " already exists; choose another name or add --force to replace it");
  if (!ends_with_png(file)) bad_input("the contact sheet is a PNG: give a name ending in .png");
  const Catalog catalog = session.reload();
  std::vector<SheetEntry> entries;
  for (uint32_t i = 0; i < catalog.count; ++i) {
    stop_if_interrupted();
    const std::string subject = "photo " + std::to_string(i) + " (" + std::to_string(i + 1) + "/" +
                                std::to_string(catalog.count) + ")";
    const std::vector<uint8_t> bitmap = download(session, static_cast<int32_t>(i), subject);
    entries.push_back({host::decode_bmp(bitmap), "#" + std::to_string(i) + "  slot " + std::to_string(catalog.slots[i])});
  }
  const std::string title = "Lumetta card, " + std::to_string(catalog.card_bytes() >> 20) + " MiB: " +
                            photos(catalog.count) + ", " + std::to_string(catalog.free_slots()) + " free";
  save(file, host::encode_png(make_contact_sheet(title, entries)), force);
  std::printf("%s -> %s\n", photos(catalog.count).c_str(), printable(file).c_str());
  return 0;
}

int cmd_strings(Session& session) {
  for (uint32_t id = 1; id <= 14; ++id) std::printf("%2u  %s\n", id, session.text(id).c_str());
  return 0;
}

int cmd_raw_read(Session& session, const std::string& address_text, const std::string& length_text) {
  const uint16_t address = static_cast<uint16_t>(parse_number(address_text, 0xFFFF, "the address"));
  const uint32_t length = static_cast<uint32_t>(parse_number(length_text, 16u << 20, "the length"));
  if (length == 0) bad_input("the length must be at least 1");
  // The library reads whole 512-byte pieces only; read enough of them.
  const uint32_t whole = (length + 511) / 512 * 512;
  std::vector<uint8_t> data(whole);
  const size_t boxes = session.boxes();
  if (session.lib().ReadGBA(address, data.data(), whole) == 0 || session.boxes() != boxes) {
    fail("the raw read failed; check the camera and the address");
  }
  const uint64_t base = static_cast<uint64_t>(address) * 256;
  for (uint32_t at = 0; at < length; at += 16) {
    std::printf("%08llx ", static_cast<unsigned long long>(base + at));
    for (uint32_t k = 0; k < 16; ++k) {
      if (k == 8) std::printf(" ");
      if (at + k < length) std::printf(" %02x", data[at + k]);
      else std::printf("   ");
    }
    std::printf("  |");
    for (uint32_t k = 0; k < 16 && at + k < length; ++k) {
      const uint8_t c = data[at + k];
      std::putchar(c >= 0x20 && c < 0x7F ? c : '.');
    }
    std::printf("|\n");
  }
  return 0;
}

int cmd_raw_write(Session& session, const std::string& block_text, const std::string& file,
                  const ConfirmOptions& options) {
  const uint16_t block = static_cast<uint16_t>(parse_number(block_text, 0xFFFF, "the block"));
  std::vector<uint8_t> data;
  try {
    data = host::read_file(file, (16u << 20) + 1);
  } catch (const host::ImageError& error) {
    bad_input(error.what());
  }
  if (data.empty()) bad_input(in_quotes(file) + " is empty; nothing to write");
  // The card's size comes from its catalog; on a card whose catalog is damaged
  // (the library says so in a box) the library assumes the 8 MiB card.
  session.lib().GetPhotoCount();
  const uint64_t card_bytes = session.lib().GetCardMemory() == 52 ? 16ull << 20 : 8ull << 20;
  if (static_cast<uint64_t>(block) * kBlock + data.size() > card_bytes) {
    bad_input("writing " + std::to_string(data.size()) + " bytes at block " + std::to_string(block) +
              " runs past the end of the card (" + std::to_string(card_bytes / kBlock) + " blocks)");
  }
  confirm("Writing " + std::to_string(data.size()) + " bytes at block " + std::to_string(block) +
              " programs the card directly and can damage photos and the catalog",
          options.yes);
  const size_t boxes = session.boxes();
  if (session.lib().WriteGBA(block, data.data(), static_cast<uint32_t>(data.size())) == 0 || session.boxes() != boxes) {
    fail("the raw write failed; check the camera and the block number");
  }
  std::printf("wrote %zu bytes at block %u\n", data.size(), block);
  return 0;
}

}  // namespace pixavon::tool
