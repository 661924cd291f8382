// Rescue: every picture the card holds, read raw from its slots, whatever its
// catalog says; and with repair, a catalog that lists them again.
#include "rescue.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "catalog/card_layout.h"
#include "core.h"
#include "core_internal.h"
#include "i18n.h"
#include "photo/image_format.h"

namespace pixavon::host {
namespace {

constexpr uint64_t kAddressSpace = 16ULL << 20;  // what 16-bit read addresses of 256 bytes reach
constexpr uint32_t kChunk = kBackupChunk;        // as a backup reads the card

bool erased(const uint8_t* bytes, size_t size) {
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0xFF; });
}

// "picture-01.png" for the first slot, counted as people count; "-unlisted"
// only where a catalog that fits the card says so.
std::string slot_name(uint32_t slot, bool unlisted, int attempt) {
    char name[48];
    std::snprintf(name, sizeof name, "picture-%02u%s%s.png", slot + 1, unlisted ? "-unlisted" : "",
                  attempt > 1 ? ("-" + std::to_string(attempt)).c_str() : "");
    return name;
}

// The catalog as the library reads it: at read address 0xFFE0, which an
// 8 MiB card answers from its own end.
std::optional<std::vector<uint8_t>> read_catalog(CardAccess& access) {
    std::vector<uint8_t> catalog(kCatalogSize);
    if (!access.read(kCatalogReadAddress, catalog.data(), kCatalogSize)) return std::nullopt;
    return catalog;
}

// Flash, which only clears bits, can take `wanted` over `current` without an
// erase.
bool flash_takes(const uint8_t* current, const std::vector<uint8_t>& wanted) {
    for (size_t i = 0; i < wanted.size(); ++i) {
        if ((current[i] & wanted[i]) != wanted[i]) return false;
    }
    return true;
}

// Writes the blocks of `catalog` that differ from the card's catalog, at the
// card's own end, outside every slot.
bool write_over_catalog(CardAccess& access, const CardScan& scan, const std::vector<uint8_t>& catalog,
                        std::string* error) {
    const uint8_t* current = scan.card.data() + scan.card_bytes - kCatalogSize;
    const auto first_block = static_cast<uint16_t>(scan.card_bytes / 512 - kCatalogBlocks);
    for (uint32_t k = 0; k < kCatalogBlocks; ++k) {
        const uint8_t* block = catalog.data() + k * 512;
        if (std::memcmp(block, current + k * 512, 512) == 0) continue;
        if (!access.write_block(static_cast<uint16_t>(first_block + k), block)) {
            *error = tr("the new list could not be written");
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<CardScan> scan_card(CardAccess& access, int size_mib,
                                  const std::function<bool(uint32_t, uint32_t)>& before_chunk, std::string* error) {
    CardScan scan;
    scan.card.resize(kAddressSpace);
    const auto chunks = static_cast<uint32_t>(kAddressSpace / kChunk);
    for (uint32_t k = 0; k < chunks; ++k) {
        if (!before_chunk(k, chunks)) {
            error->clear();
            return std::nullopt;
        }
        const auto address = static_cast<uint16_t>(k * (kChunk / 256));
        if (!access.read(address, scan.card.data() + uint64_t{k} * kChunk, kChunk)) {
            *error = fill(tr("the card could not be read at byte {1}"), {std::to_string(uint64_t{k} * kChunk)});
            return std::nullopt;
        }
    }

    const uint64_t half = kAddressSpace / 2;
    if (std::memcmp(scan.card.data(), scan.card.data() + half, half) != 0) {
        scan.card_bytes = kAddressSpace;
    } else if (!erased(scan.card.data(), half)) {
        scan.card_bytes = half;
    } else if (size_mib == 8 || size_mib == 16) {
        scan.card_bytes = static_cast<uint64_t>(size_mib) << 20;
    } else {
        scan.card_bytes = 0;
        return scan;
    }
    scan.card.resize(scan.card_bytes);
    scan.capacity = static_cast<uint8_t>(scan.card_bytes == kAddressSpace ? kLargeCardCode : kSmallCardCode);

    // The catalog at the card's own end; its list counts only when its
    // capacity code is the card's.
    const uint8_t* list = scan.card.data() + scan.card_bytes - kCatalogSize;
    scan.catalog_loads = IsValidCatalog(list);
    scan.catalog_fits = scan.catalog_loads && list[kCapacityOffset] == scan.capacity;
    scan.listed.assign(scan.capacity, false);
    if (scan.catalog_fits) {
        scan.catalog_ok = CheckCatalogList(list).fault == CatalogFault::None;
        const uint32_t count = std::min<uint32_t>(list[kCountOffset], 255);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t slot = list[kEntriesOffset + kEntrySize * i + kEntrySlotOffset];
            if (slot >= scan.capacity) continue;
            scan.listed[slot] = true;
            if (erased(scan.card.data() + uint64_t{slot} * kSlotBytes, kSlotBytes)) scan.list_names_empty_slot = true;
        }
    }
    for (uint32_t slot = 0; slot < scan.capacity; ++slot) {
        if (!erased(scan.card.data() + uint64_t{slot} * kSlotBytes, kSlotBytes)) {
            scan.found.push_back(static_cast<uint8_t>(slot));
        }
    }
    // The catalog's bytes as they are, with the fields a catalog needs set over
    // them: where a rewrite was cut short, what it wrote is mostly what a new
    // catalog needs anyway, and bytes not interpreted stay as they are.
    const uint8_t* current = scan.card.data() + scan.card_bytes - kCatalogSize;
    scan.new_catalog.assign(current, current + kCatalogSize);
    BuildCatalog(scan.capacity, scan.found.data(), static_cast<uint32_t>(scan.found.size()), scan.new_catalog.data());
    scan.new_catalog_fits = flash_takes(current, scan.new_catalog);
    // A rewrite cut between the count byte and the capacity byte: the count
    // stays as written, and the capacity code and the entries, still erased,
    // are written for it, so that the catalog loads and the library can
    // rebuild it.
    const uint32_t written_count = std::min<uint32_t>(current[kCountOffset], scan.capacity);
    std::vector<uint8_t> slots(written_count);
    for (uint32_t i = 0; i < written_count; ++i)
        slots[i] = i < scan.found.size() ? scan.found[i] : static_cast<uint8_t>(i);
    scan.completed_catalog.assign(current, current + kCatalogSize);
    BuildCatalog(scan.capacity, slots.data(), written_count, scan.completed_catalog.data());
    scan.completed_catalog[kCountOffset] = current[kCountOffset];
    scan.completed_catalog_fits = flash_takes(current, scan.completed_catalog);
    return scan;
}

std::vector<uint8_t> bitmap_of_slot(const CardScan& scan, uint8_t slot) {
    std::vector<uint8_t> card_image(kCardImageSize);
    std::memcpy(card_image.data(), scan.card.data() + uint64_t{slot} * kSlotBytes, kSlotBytes);
    std::vector<uint8_t> bitmap(kPhotoFileSize);
    PhotoFileFromCardImage(card_image.data(), bitmap.data());
    return bitmap;
}

RepairPlan plan_repair(const CardScan& scan) {
    // A capacity code of the other size would have the library erase and
    // write its catalog inside a slot, or outside the card.
    if (scan.catalog_loads && !scan.catalog_fits) return RepairPlan::kCannot;
    if (scan.catalog_loads)
        return scan.catalog_ok && !scan.list_names_empty_slot ? RepairPlan::kNone : RepairPlan::kRebuild;
    if (scan.new_catalog_fits) return RepairPlan::kWriteCatalog;
    return scan.completed_catalog_fits ? RepairPlan::kCompleteCatalog : RepairPlan::kCannot;
}

bool repair_card(CardAccess& access, const CardScan& scan, RepairPlan plan,
                 const std::function<void(uint32_t, uint32_t, uint8_t)>& before_put, std::string* error) {
    if (plan == RepairPlan::kWriteCatalog) {
        // Flash takes the new catalog's blocks without an erase: every bit it
        // needs set is still set. A block that already holds its bytes is left.
        if (!write_over_catalog(access, scan, scan.new_catalog, error)) return false;
    } else if (plan == RepairPlan::kCompleteCatalog) {
        if (!write_over_catalog(access, scan, scan.completed_catalog, error)) return false;
        return repair_card(access, scan, RepairPlan::kRebuild, before_put, error);
    } else if (plan == RepairPlan::kRebuild) {
        if (!access.format()) {
            *error = tr("the card could not be formatted");
            return false;
        }
        for (size_t i = 0; i < scan.found.size(); ++i) {
            before_put(static_cast<uint32_t>(i + 1), static_cast<uint32_t>(scan.found.size()), scan.found[i]);
            if (!access.put(bitmap_of_slot(scan, scan.found[i]))) {
                *error = fill(tr("the picture of slot {1} could not be put back"), {std::to_string(scan.found[i])});
                return false;
            }
        }
    } else {
        return plan == RepairPlan::kNone;
    }
    const std::optional<std::vector<uint8_t>> catalog = read_catalog(access);
    if (!catalog || !IsValidCatalog(catalog->data()) || CheckCatalogList(catalog->data()).fault != CatalogFault::None ||
        (*catalog)[kCountOffset] != scan.found.size()) {
        *error = tr("the repaired list does not name the pictures found");
        return false;
    }
    return true;
}

namespace {

// The card through the loaded library, each call counted by the session.
class SessionAccess : public CardAccess {
public:
    explicit SessionAccess(Session& session) : session_(session) {}
    bool read(uint16_t address, uint8_t* buffer, uint32_t length) override {
        return session_.call([&] { return session_.lib().ReadGBA(address, buffer, length); });
    }
    bool write_block(uint16_t block, const uint8_t* data) override {
        return session_.call([&] { return session_.lib().WriteGBA(block, data, 512); });
    }
    bool format() override {
        session_.lib().GetPhotoCount();  // the library formats only a card whose catalog it has loaded
        const bool ok = session_.call([&] { return session_.lib().FormatGBA(); });
        session_.lib().GetPhotoCount();  // uploads pick their slot from the list loaded last
        return ok;
    }
    bool put(const std::vector<uint8_t>& bitmap) override {
        internal::TempFile staged(session_.temp_dir() + "/rescue.bmp");
        if (!write_file_durably(staged.path(), bitmap, true)) return false;
        const bool ok = session_.call([&] { return session_.lib().WriteFileToGBA(staged.path().c_str()); });
        session_.lib().GetPhotoCount();
        return ok;
    }

private:
    Session& session_;
};

}  // namespace

Outcome Core::rescue(const RescueRequest& request, RescueSummary* summary) {
    RescueSummary local;
    RescueSummary& result = summary != nullptr ? *summary : local;
    result = RescueSummary{};
    result.folder = request.folder;
    // A damaged card makes the library show its boxes; the rescue reads past
    // them and says what it found itself.
    struct HoldBoxes {
        bool& held;
        explicit HoldBoxes(bool& flag) : held(flag) { held = true; }
        ~HoldBoxes() { held = false; }
    } hold(boxes_held_);
    return run([&](Outcome& outcome) {
        if (request.folder.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        if (request.size_mib != 0 && request.size_mib != 8 && request.size_mib != 16) {
            refuse(ProblemKind::kWrongCardSize, {.bytes = static_cast<uint64_t>(request.size_mib) << 20});
        }
        if (!camera_open()) fail(inspect().problem);

        SessionAccess access(*session_);
        std::string error;
        std::optional<CardScan> scan;
        {
            std::optional<internal::StepScope> step;  // begun once the card's size says how many chunks
            scan = scan_card(
                access, request.size_mib,
                [&](uint32_t, uint32_t chunks) {
                    if (!step) {
                        const Step shown{
                            .kind = StepKind::kRescueRead, .units = chunks, .bytes = uint64_t{chunks} * kChunk};
                        step.emplace(*frontend_, shown);
                    }
                    frontend_->advance();
                    return !cancel_.requested();
                },
                &error);
            if (scan && step) step->succeeded();
        }
        if (!scan) {
            stop_if_cancelled();
            fail(ProblemKind::kOther, {.detail = error}, Hint::kCheckCamera);
        }
        if (scan->card_bytes == 0) {
            say(outcome, RecordKind::kCardBlank, {});
            if (request.repair) refuse(ProblemKind::kCardBlank, {}, Hint::kNeedsSize);
            return;
        }
        if (request.size_mib != 0 && scan->card_bytes != (static_cast<uint64_t>(request.size_mib) << 20)) {
            frontend_->warn(
                {WarningKind::kRescueSizeIgnored,
                 Hint::kNone,
                 {.bytes = scan->card_bytes, .other_bytes = static_cast<uint64_t>(request.size_mib) << 20}});
        }
        result.card_mib = static_cast<uint32_t>(scan->card_bytes >> 20);
        result.listing_known = scan->catalog_fits;

        // Every picture is saved before anything on the card is changed.
        std::error_code dir_error;
        std::filesystem::create_directories(request.folder, dir_error);
        if (dir_error) {
            fail(ProblemKind::kCannotMakeFolder, {.folder = request.folder, .error = dir_error.value()},
                 Hint::kCheckDisk);
        }
        result.found = static_cast<uint32_t>(scan->found.size());
        for (const uint8_t slot : scan->found) {
            const std::vector<uint8_t> png = encode_png(decode_bmp(bitmap_of_slot(*scan, slot)));
            const bool listed = scan->listed[slot];
            const bool unlisted = scan->catalog_fits && !listed;
            std::string name;
            for (int attempt = 1;; ++attempt) {
                name = slot_name(slot, unlisted, attempt);
                if (write_file_durably(request.folder + "/" + name, png, false)) break;
            }
            ++result.saved;
            if (listed) ++result.listed;
            say(outcome, RecordKind::kRescued,
                {.slot = slot, .count = unlisted ? 0u : 1u, .name = name, .folder = request.folder});
        }
        say(outcome, RecordKind::kRescueSaved,
            {.count = result.saved, .other_count = result.found, .folder = request.folder});

        if (request.repair) {
            const RepairPlan plan = plan_repair(*scan);
            const auto found = static_cast<uint32_t>(scan->found.size());
            if (!padded_dir_.empty()) {
                fail(ProblemKind::kShortImageNotRepaired,
                     {.count = found, .name = card_image_, .folder = request.folder});
            }
            switch (plan) {
                case RepairPlan::kNone:
                    say(outcome, RecordKind::kCatalogSound, {});
                    break;
                case RepairPlan::kCannot:
                    // A list giving the other card size: the library would erase and
                    // write with that size's layout, inside a slot or off the card.
                    if (scan->catalog_loads && !scan->catalog_fits) {
                        fail(ProblemKind::kRepairWrongSize,
                             {.count = found, .bytes = scan->card_bytes, .folder = request.folder},
                             Hint::kFormatInCamera);
                    }
                    fail(ProblemKind::kRepairImpossible, {.count = found, .folder = request.folder},
                         Hint::kFormatInCamera);
                case RepairPlan::kWriteCatalog:
                    ask({QuestionKind::kRepairCatalog, {.count = found}});
                    break;
                case RepairPlan::kCompleteCatalog:
                case RepairPlan::kRebuild:
                    ask({QuestionKind::kRepairRebuild, {.count = found, .folder = request.folder}});
                    break;
            }
            if (plan != RepairPlan::kNone) {
                std::optional<internal::StepScope> step;
                const auto before_put = [&](uint32_t item, uint32_t items, uint8_t slot) {
                    if (step) step->succeeded();
                    step.reset();
                    const Step shown{.kind = StepKind::kRescuePut,
                                     .slot = slot,
                                     .item = item,
                                     .items = items,
                                     .units = kUploadSteps,
                                     .bytes = kSlotBytes + kCatalogSize};
                    step.emplace(*frontend_, shown);
                };
                loaded_.reset();  // the repair changes the list behind the core's back
                forget_photos();
                if (!repair_card(access, *scan, plan, before_put, &error)) {
                    fail(ProblemKind::kRepairFailed, {.count = found, .folder = request.folder, .detail = error},
                         Hint::kFormatInCamera);
                }
                if (step) step->succeeded();
                result.repaired = true;
                say(outcome, RecordKind::kRepaired, {.count = found});
            }
        }
    });
}

}  // namespace pixavon::host
