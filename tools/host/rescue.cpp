// Rescue: every picture the card holds, read raw from its slots, whatever its
// catalog says, saved into a folder; and with repair, a catalog that lists
// them again. How the card is read and judged is in card_scan.cpp.
#include <filesystem>
#include <map>
#include <system_error>

#include "card_scan.h"
#include "core.h"
#include "core_internal.h"
#include "embedded_camera.h"
#include "i18n.h"
#include "utf8_path.h"

namespace pixavon::host {
namespace {

constexpr uint64_t kChunk = kBackupChunk;  // as a backup reads the card

// "picture-01.png" for the first slot, counted as people count; "-unlisted"
// only where a catalog that fits the card says so.
std::string slot_name(uint32_t slot, bool unlisted, int attempt) {
    char name[48];
    std::snprintf(name, sizeof name, "picture-%02u%s%s.png", slot + 1, unlisted ? "-unlisted" : "",
                  attempt > 1 ? ("-" + std::to_string(attempt)).c_str() : "");
    return name;
}

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

        internal::SessionCardAccess access(*session_);
        // A card image's size is its length; a camera's is read off the card.
        const uint64_t known = camera_ ? camera_->card_size() : 0;
        const uint64_t given = static_cast<uint64_t>(request.size_mib) << 20;
        if (known != 0 && request.size_mib != 0 && known != given) {
            refuse(ProblemKind::kSizeContradicts, {.bytes = known, .other_bytes = given});
        }
        std::string error;
        std::optional<CardScan> scan;
        {
            std::optional<internal::StepScope> step;  // begun once the card's size says how many chunks
            scan = scan_card(
                access, known, request.size_mib,
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
        // A size given that the card itself disproves is not used, nor is
        // anything done on its word.
        if (scan->size_proven && request.size_mib != 0 && scan->card_bytes != given) {
            refuse(ProblemKind::kSizeContradicts, {.bytes = scan->card_bytes, .other_bytes = given});
        }
        result.card_mib = static_cast<uint32_t>(scan->card_bytes >> 20);
        result.listing_known = scan->catalog_fits;

        // Every picture is saved before anything on the card is changed.
        if (const int dir_error = os::make_folders(request.folder); dir_error != 0)
            fail(ProblemKind::kCannotMakeFolder, {.folder = request.folder, .error = dir_error}, Hint::kCheckDisk);
        result.found = static_cast<uint32_t>(scan->found.size());
        std::map<uint8_t, std::string> saved_as;  // the file each picture went into
        for (const uint8_t slot : scan->found) {
            const std::vector<uint8_t> png = encode_png(decode_bmp(bitmap_of_slot(*scan, slot)));
            const bool listed = scan->listed[slot];
            const bool unlisted = scan->catalog_fits && !listed;
            std::string name;
            for (int attempt = 1;; ++attempt) {
                name = slot_name(slot, unlisted, attempt);
                if (write_file_durably(os::join(request.folder, name), png, false)) break;
            }
            saved_as[slot] = name;
            ++result.saved;
            if (listed) ++result.listed;
            say(outcome, RecordKind::kRescued,
                {.slot = slot, .count = unlisted ? 0u : 1u, .name = name, .folder = request.folder});
        }
        say(outcome, RecordKind::kRescueSaved,
            {.count = result.saved, .other_count = result.found, .folder = request.folder});
        if (!request.repair) return;

        const RepairPlan plan = plan_repair(*scan);
        const auto found = static_cast<uint32_t>(scan->found.size());
        if (!padded_dir_.empty()) {
            fail(ProblemKind::kShortImageNotRepaired, {.count = found, .name = card_image_, .folder = request.folder});
        }
        // The files of the pictures a list leaves out: "picture-04.png, picture-08.png".
        const auto left_out = [&](uint32_t listed_count) {
            std::string files;
            for (size_t i = 0; i < scan->found.size(); ++i) {
                const uint8_t slot = scan->found[i];
                const bool named = plan == RepairPlan::kPutBack ? scan->listed[slot] : i < listed_count;
                if (!named) files += (files.empty() ? "" : ", ") + saved_as[slot];
            }
            return files;
        };
        switch (plan) {
            case RepairPlan::kNone:
                say(outcome, RecordKind::kCatalogSound, {});
                return;
            case RepairPlan::kCannot:
                // The library could erase the catalog's unit only with a list of
                // the card's size loaded, and a format leaves the list empty:
                // our own format, then the pictures put back.
                if (scan->catalog_loads && !scan->catalog_fits) {
                    fail(ProblemKind::kRepairWrongSize,
                         {.count = found, .bytes = scan->card_bytes, .folder = request.folder}, Hint::kFormatThenPut);
                }
                fail(ProblemKind::kRepairImpossible, {.count = found, .folder = request.folder}, Hint::kFormatThenPut);
            case RepairPlan::kPutBack:
                frontend_->warn({WarningKind::kPicturesUnlisted,
                                 Hint::kPutBack,
                                 {.count = found - result.listed,
                                  .other_count = found,
                                  .folder = request.folder,
                                  .detail = left_out(0)}});
                return;
            case RepairPlan::kWriteCatalog:
            case RepairPlan::kPartial:
                break;
        }
        const uint32_t listing = plan == RepairPlan::kWriteCatalog ? found : static_cast<uint32_t>(scan->partial_count);
        ask({QuestionKind::kRepairCatalog, {.count = listing}});
        loaded_.reset();  // the repair changes the list behind the core's back
        forget_photos();
        if (!repair_card(access, *scan, plan, &error)) {
            fail(ProblemKind::kRepairFailed, {.count = found, .folder = request.folder, .detail = error},
                 Hint::kTryAgain);
        }
        result.repaired = true;
        say(outcome, RecordKind::kRepaired, {.count = listing});
        if (listing < found) {
            frontend_->warn({WarningKind::kPicturesUnlisted,
                             Hint::kPutBack,
                             {.count = found - listing,
                              .other_count = found,
                              .folder = request.folder,
                              .detail = left_out(listing)}});
        }
    });
}

}  // namespace pixavon::host
