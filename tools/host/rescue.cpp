// Rescue: every picture the card holds, read raw from its slots, whatever its
// catalog says, saved into a folder; and with repair, a catalog that lists
// them again. How the card is read and judged is in card_scan.cpp.
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

#include "card_scan.h"
#include "core.h"
#include "core_internal.h"
#include "embedded_camera.h"
#include "i18n.h"
#include "os/os.h"
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
        // A card image's size is its length; a camera's is read off the card,
        // so that only the card itself is read, or, where its size cannot be
        // told so, the whole address range.
        const uint64_t known = measure_card();
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
        switch (plan) {
            case RepairPlan::kNone:
                say(outcome, RecordKind::kCatalogSound, {});
                return;
            case RepairPlan::kCannot: {
                // Our own format takes the card's size from a card image's
                // camera; the attached camera's card is formatted in the camera.
                const Hint hint = camera_ ? Hint::kFormatThenPut : Hint::kFormatInCamera;
                if (scan->catalog_loads && !scan->catalog_fits) {
                    fail(ProblemKind::kRepairWrongSize,
                         {.count = found, .bytes = scan->card_bytes, .folder = request.folder}, hint);
                }
                fail(ProblemKind::kRepairImpossible, {.count = found, .folder = request.folder}, hint);
            }
            case RepairPlan::kWriteCatalog:
            case RepairPlan::kPartial:
            case RepairPlan::kPutBack:
                break;
        }
        const uint32_t in_place = plan == RepairPlan::kWriteCatalog ? found
                                  : plan == RepairPlan::kPartial    ? static_cast<uint32_t>(scan->partial_count)
                                                                    : result.listed;
        ask({QuestionKind::kRepairCatalog,
             {.count = found, .other_count = found - in_place, .folder = request.folder}});
        loaded_.reset();  // the repair changes the list behind the core's back
        forget_photos();
        if (plan != RepairPlan::kPutBack && !repair_card(access, *scan, plan, &error)) {
            fail(ProblemKind::kRepairFailed, {.count = found, .folder = request.folder, .detail = error},
                 Hint::kTryAgain);
        }
        if (in_place < found) put_back(outcome, *scan, saved_as, request.folder);
        result.repaired = true;
        say(outcome, RecordKind::kRepaired, {.count = found});
    });
}

// The pictures the list written in place leaves out, put back from their
// saved copies, lowest slot first. The library puts each in the lowest slot
// its list leaves free: the picture's own, or a lower one that is erased or
// whose picture is named already; never one whose picture is still to come.
void Core::put_back(Outcome& outcome, const CardScan& scan, const std::map<uint8_t, std::string>& saved_as,
                    const std::string& folder) {
    Catalog catalog = usable_catalog();  // the list just written: the library's layout is the card's
    const auto failed = [&](const std::string& detail) {
        fail(ProblemKind::kRepairFailed,
             {.count = static_cast<uint32_t>(scan.found.size()), .folder = folder, .detail = detail}, Hint::kTryAgain);
    };
    std::vector<bool> named(scan.capacity, false);
    for (uint32_t i = 0; i < catalog.count; ++i) named.at(catalog.slots[i]) = true;
    std::vector<uint8_t> left;
    for (const uint8_t slot : scan.found) {
        if (!named[slot]) left.push_back(slot);
    }
    std::vector<bool> waiting(scan.capacity, false);  // pictures not yet put back
    for (const uint8_t slot : left) waiting[slot] = true;
    for (size_t i = 0; i < left.size(); ++i) {
        stop_if_cancelled();
        const uint8_t slot = left[i];
        uint32_t lowest_free = 0;
        while (lowest_free < scan.capacity && named[lowest_free]) ++lowest_free;
        if (lowest_free >= scan.capacity || (lowest_free != slot && waiting[lowest_free])) {
            failed(tr("a picture would be put where another one still waits"));
        }
        internal::TempFile staged(session_->temp_dir() + "/put-back.bmp");
        if (!write_file_durably(staged.path(), bitmap_of_slot(scan, slot), true)) {
            fail(ProblemKind::kCannotWrite, {.name = staged.path()}, Hint::kCheckDisk);
        }
        const uint32_t before = catalog.count;
        const bool ok = upload(staged.path(), {.kind = StepKind::kRescuePut,
                                               .slot = slot,
                                               .name = saved_as.at(slot),
                                               .item = static_cast<uint32_t>(i + 1),
                                               .items = static_cast<uint32_t>(left.size()),
                                               .units = kUploadSteps,
                                               .bytes = kSlotBytes + kCatalogSize});
        catalog = usable_catalog();
        if (!ok || catalog.count != before + 1 || catalog.slots[before] != lowest_free) {
            failed(tr("the camera did not take a picture put back"));
        }
        named[lowest_free] = true;
        waiting[slot] = false;
        say(outcome, RecordKind::kPutBack, {.name = saved_as.at(slot), .folder = folder});
    }
}

}  // namespace pixavon::host
