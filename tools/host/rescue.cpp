// Rescue: every picture the card holds, read raw from its slots, whatever its
// catalog says; and with repair, a catalog that lists them again.
//
// The card's size comes from its catalog when that loads. Otherwise the card
// is read across the whole 16 MiB address range: an 8 MiB card answers the
// upper half's addresses from its first half, so its two halves read alike,
// while a 16 MiB card's differ (unless it is blank, when only the person can
// say which card it is).
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core.h"
#include "core_internal.h"
#include "photo/image_format.h"

namespace pixavon::host {
namespace {

constexpr uint64_t kAddressSpace = 16ULL << 20;  // what 16-bit read addresses of 256 bytes reach

bool erased(const uint8_t* bytes, size_t size) {
  return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0xFF; });
}

// The camera's bitmap of the photo in a slot's bytes; the 100 pixels the slot
// does not store are black.
std::vector<uint8_t> bitmap_of_slot(const uint8_t* slot) {
  std::vector<uint8_t> card_image(kCardImageSize, 0);
  std::memcpy(card_image.data(), slot, kSlotBytes);
  std::vector<uint8_t> bitmap(kPhotoFileSize);
  const BitmapHeader header = MakeBitmapHeader();
  std::copy(header.begin(), header.end(), bitmap.begin());
  for (uint32_t k = 0; k < kPhotoHeight; ++k) {
    FileRowFromCard(card_image.data(), k, bitmap.data() + kPixelDataOffset + k * kFileRowSize);
  }
  return bitmap;
}

std::string slot_name(uint32_t slot, bool listed, int attempt) {
  char name[48];
  std::snprintf(name, sizeof name, "slot-%02u%s%s.png", slot, listed ? "" : "-unlisted",
                attempt > 1 ? ("-" + std::to_string(attempt)).c_str() : "");
  return name;
}

}  // namespace

Outcome Core::rescue(const RescueRequest& request, RescueSummary* summary) {
  RescueSummary local;
  RescueSummary& result = summary != nullptr ? *summary : local;
  result = RescueSummary{};
  return run([&](Outcome& outcome) {
    if (request.folder.empty()) refuse("say which folder the pictures go to");
    if (request.size_mib != 0 && request.size_mib != 8 && request.size_mib != 16) refuse("a card holds 8 or 16 MiB");
    const CardState state = inspect();
    if (!state.connected) fail(state.problem);

    // The whole card, raw: 32 KiB a read, as a backup reads it.
    const uint64_t to_read = state.catalog_loads ? state.card_bytes() : kAddressSpace;
    std::vector<uint8_t> card(to_read);
    {
      const uint32_t chunks = static_cast<uint32_t>(to_read / kBackupChunk);
      internal::StepScope step(*frontend_, {kTextReadCard, text(kTextReadCard), "card", 1, 1, chunks, to_read});
      for (uint32_t k = 0; k < chunks; ++k) {
        stop_if_cancelled();
        frontend_->advance();
        uint8_t* into = card.data() + uint64_t{k} * kBackupChunk;
        const auto address = static_cast<uint16_t>(k * (kBackupChunk / 256));
        if (!session_->call([&] { return session_->lib().ReadGBA(address, into, kBackupChunk); })) {
          fail("the card could not be read at byte " + std::to_string(uint64_t{k} * kBackupChunk) +
               "; check the camera and try again");
        }
      }
      step.succeeded();
    }

    uint64_t card_bytes = to_read;
    if (!state.catalog_loads) {
      const uint64_t half = kAddressSpace / 2;
      if (std::memcmp(card.data(), card.data() + half, half) != 0) {
        card_bytes = kAddressSpace;
      } else if (!erased(card.data(), half)) {
        card_bytes = half;
      } else if (request.size_mib != 0) {
        card_bytes = static_cast<uint64_t>(request.size_mib) << 20;
      } else {
        say(outcome, "the card reads as blank: no pictures to save");
        if (request.repair) refuse("the card reads as blank, so its size cannot be told: say it with --size 8 or 16");
        return;
      }
      if (request.size_mib != 0 && card_bytes != (static_cast<uint64_t>(request.size_mib) << 20)) {
        frontend_->warn("the card reads as a " + std::to_string(card_bytes >> 20) + " MiB card; --size " +
                        std::to_string(request.size_mib) + " is not used");
      }
    }
    const auto capacity = static_cast<uint8_t>(card_bytes == kAddressSpace ? kLargeCardCode : kSmallCardCode);
    result.card_mib = static_cast<uint32_t>(card_bytes >> 20);

    std::vector<bool> listed(capacity, false);
    bool list_names_empty_slot = false;
    if (state.catalog_loads) {
      for (const uint8_t slot : state.catalog.slots) {
        if (slot >= capacity) continue;
        listed[slot] = true;
        if (erased(card.data() + uint64_t{slot} * kSlotBytes, kSlotBytes)) list_names_empty_slot = true;
      }
    }

    // Every picture is saved before anything on the card is changed.
    std::error_code error;
    std::filesystem::create_directories(request.folder, error);
    if (error) fail("cannot make the folder " + printable(request.folder) + ": " + error.message());
    std::vector<uint8_t> found_slots;
    for (uint32_t slot = 0; slot < capacity; ++slot) {
      const uint8_t* bytes = card.data() + uint64_t{slot} * kSlotBytes;
      if (erased(bytes, kSlotBytes)) continue;
      found_slots.push_back(static_cast<uint8_t>(slot));
      ++result.found;
      const std::vector<uint8_t> png = encode_png(decode_bmp(bitmap_of_slot(bytes)));
      std::string name;
      for (int attempt = 1;; ++attempt) {
        name = slot_name(slot, listed[slot], attempt);
        try {
          if (write_file_atomically(request.folder + "/" + name, png, false)) break;
        } catch (const ImageError& write_error) {
          fail(std::string(write_error.what()) + "; check the folder can be written and has room");
        }
      }
      ++result.saved;
      if (listed[slot]) ++result.listed;
      say(outcome, "slot " + std::to_string(slot) + " -> " + printable(request.folder + "/" + name) +
                       (listed[slot] ? "" : " (not in the catalog)"));
    }

    if (request.repair) {
      const uint32_t unit_bytes = capacity == kLargeCardCode ? 32 * 512 : 16 * 512;
      const bool unit_erased = erased(card.data() + card_bytes - unit_bytes, unit_bytes);
      const std::string listing = "a catalog listing the " + std::to_string(found_slots.size()) +
                                  " pictures found, in slot order";
      if (!state.catalog_loads && unit_erased) {
        // Erased flash takes the new catalog's blocks without an erase.
        ask("Repairing writes " + listing);
        std::vector<uint8_t> catalog(kCatalogSize);
        BuildCatalog(capacity, found_slots.data(), static_cast<uint32_t>(found_slots.size()), catalog.data());
        const auto first_block = static_cast<uint16_t>(card_bytes / 512 - kCatalogBlocks);
        for (uint32_t k = 0; k < kCatalogBlocks; ++k) {
          const uint8_t* block = catalog.data() + k * 512;
          if (!session_->call([&] { return session_->lib().WriteGBA(static_cast<uint16_t>(first_block + k), block, 512); })) {
            fail("the new catalog could not be written; the pictures are saved in " + printable(request.folder));
          }
        }
      } else if (state.catalog_loads && (!state.catalog_ok || list_names_empty_slot)) {
        ask("Repairing formats the card and puts back " + std::to_string(found_slots.size()) +
            " pictures, in slot order (all are saved in " + printable(request.folder) + ")");
        if (!session_->call([&] { return session_->lib().FormatGBA(); }) || !inspect().catalog_ok) {
          fail("the card could not be formatted; the pictures are saved in " + printable(request.folder));
        }
        internal::TempFile staged(session_->temp_dir() + "/rescue.bmp");
        for (size_t i = 0; i < found_slots.size(); ++i) {
          const std::vector<uint8_t> bitmap = bitmap_of_slot(card.data() + uint64_t{found_slots[i]} * kSlotBytes);
          if (!write_file_atomically(staged.path(), bitmap, true)) fail("cannot stage a picture");
          internal::StepScope step(*frontend_, {kTextUpload, text(kTextUpload), "slot " + std::to_string(found_slots[i]),
                                                static_cast<uint32_t>(i + 1), static_cast<uint32_t>(found_slots.size()),
                                                kUploadSteps, kSlotBytes + kCatalogSize});
          if (!session_->call([&] { return session_->lib().WriteFileToGBA(staged.path().c_str()); }) ||
              !inspect().catalog_ok) {
            fail("the picture of slot " + std::to_string(found_slots[i]) + " could not be put back; all pictures are "
                 "saved in " + printable(request.folder));
          }
          step.succeeded();
        }
      } else if (!state.catalog_loads) {
        fail("the catalog's first block is damaged but not erased, and the library cannot erase it before a catalog "
             "loads; every picture is saved in " + printable(request.folder) +
             ", so the camera's own format is the way back, then 'pixavon put' them again");
      } else {
        say(outcome, "the catalog is sound: nothing to repair");
      }
      const CardState after = inspect();
      if (!state.catalog_ok || list_names_empty_slot || !state.catalog_loads) {
        if (!after.catalog_ok || after.catalog.count != found_slots.size()) {
          fail("the repaired catalog does not list the pictures found; they are saved in " + printable(request.folder));
        }
        result.repaired = true;
      }
    }
    say(outcome, "found " + std::to_string(result.found) + ", saved " + std::to_string(result.saved) + ", listed " +
                     std::to_string(result.listed) + ", repaired " + (result.repaired ? "yes" : "no"));
  });
}

}  // namespace pixavon::host
