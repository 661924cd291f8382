// Deleting photos from the card, and formatting it (deleting them all, with
// the layout of the card's measured size).
#include <algorithm>
#include <functional>

#include "core.h"
#include "core_internal.h"
#include "restore_record.h"

namespace pixavon::host {

Outcome Core::delete_photos(std::vector<uint32_t> positions, bool ask_first) {
    return run([&](Outcome& outcome) {
        Catalog catalog = usable_catalog();
        if (positions.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        for (const uint32_t position : positions) {
            if (position >= catalog.count) {
                refuse(ProblemKind::kPositionOutOfRange, {.position = position, .count = catalog.count});
            }
        }
        // Highest first: deleting a photo moves every later one down a position.
        std::sort(positions.begin(), positions.end(), std::greater<>());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        if (ask_first) {
            ask({QuestionKind::kDelete,
                 {.count = static_cast<uint32_t>(positions.size()), .other_count = catalog.count}});
        }
        for (size_t i = 0; i < positions.size(); ++i) {
            stop_if_cancelled();
            const uint32_t position = positions[i];
            const uint32_t before = catalog.count;
            bool ok = false;
            {
                const Step shown{.kind = StepKind::kDelete,
                                 .position = position,
                                 .item = static_cast<uint32_t>(i + 1),
                                 .items = static_cast<uint32_t>(positions.size()),
                                 .units = kDeleteSteps,
                                 .bytes = kCatalogSize};
                internal::StepScope step(*frontend_, shown);
                ok = session_->call([&] { return session_->lib().DeletePhoto(static_cast<int32_t>(position)); });
                if (ok) step.succeeded();
            }
            catalog = usable_catalog();
            if (!ok || catalog.count + 1 != before) {
                fail(ProblemKind::kDeleteFailed, {.position = position}, Hint::kCheckCamera);
            }
            say(outcome, RecordKind::kDeleted, {.position = position});
        }
    });
}

Outcome Core::format_card() {
    return run([&](Outcome& outcome) {
        const CardState state = inspect();
        if (!state.connected || state.problem.kind == ProblemKind::kCatalogNoAnswer ||
            state.problem.kind == ProblemKind::kCatalogChanged) {
            fail(state.problem);
        }
        // Formatting writes an empty list at the card's end, with the layout
        // of the card's size: it must be known.
        uint64_t card_bytes = state.measured_bytes;
        if (card_bytes == 0 && state.catalog_loads) card_bytes = state.catalog.card_bytes();
        if (card_bytes == 0) fail(ProblemKind::kCardBlank, {}, Hint::kFormatInCamera);
        ask({QuestionKind::kFormat, {.count = state.catalog_loads ? state.catalog.count : 0}});
        const bool fits = state.catalog_loads && state.catalog.card_bytes() == card_bytes;
        bool ok = false;
        if (fits || teach_library_size(card_bytes)) {
            // The library's layout is the card's: from the list just loaded,
            // or taught, with nothing loaded since.
            ok = session_->call([&] { return session_->lib().FormatGBA(); });
        } else {
            // No camera of ours to teach the library: an empty list written
            // over the catalog's blocks, where flash can take it.
            internal::SessionCardAccess access(*session_);
            const std::optional<std::vector<uint8_t>> current = read_catalog_at_end(access, card_bytes);
            if (!current) fail(ProblemKind::kFormatFailed, {}, Hint::kCheckCamera);
            std::vector<uint8_t> empty = *current;
            const auto code = static_cast<uint8_t>(card_bytes == (16u << 20) ? kLargeCardCode : kSmallCardCode);
            BuildCatalog(code, nullptr, 0, empty.data());
            std::string error;
            ok = write_catalog_in_place(access, card_bytes, *current, empty, &error);
            if (!ok && error.empty()) fail(ProblemKind::kFormatFailed, {}, Hint::kFormatInCamera);
        }
        const CardState after = inspect();
        if (!ok || !after.catalog_ok || after.catalog.count != 0) {
            fail(ProblemKind::kFormatFailed, {}, Hint::kCheckCamera);
        }
        // An empty list matches whatever pictures the slots hold.
        clear_restore_note(card_key_);
        say(outcome, RecordKind::kFormatted, {.other_count = after.catalog.free_slots()});
    });
}

}  // namespace pixavon::host
