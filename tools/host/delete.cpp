// Deleting photos from the card, and formatting it (deleting them all, with
// the layout of the card's measured size).
#include <algorithm>
#include <functional>

#include "core.h"
#include "core_internal.h"
#include "restore_record.h"

namespace pixavon::host {
namespace {

// Passes everything on to the front end, counting the progress the library
// reports during one call: it reports each block of the list before it
// writes it, so all but the last one reported were written when a call
// fails.
class CountingFrontend final : public Frontend {
public:
    explicit CountingFrontend(Frontend& inner) : inner_(inner) {}
    Frontend& inner() { return inner_; }
    uint32_t advances() const { return advances_; }
    Answer confirm(const Question& question) override { return inner_.confirm(question); }
    void begin(const Step& step) override { inner_.begin(step); }
    void advance() override {
        ++advances_;
        inner_.advance();
    }
    void end(bool ok) override { inner_.end(ok); }
    void box(bool owned, const std::string& caption, const std::string& text) override {
        inner_.box(owned, caption, text);
    }
    void note(const Record& record) override { inner_.note(record); }
    void warn(const Warning& warning) override { inner_.warn(warning); }

private:
    Frontend& inner_;
    uint32_t advances_ = 0;
};

}  // namespace

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
        // What the card holds after each delete is read from the card, whatever
        // the library's call said: a call cut short may still have written the
        // new list, and one that succeeded is followed by a list that may not
        // read. A camera that stopped answering is opened again once.
        const auto unanswered = [](const CardState& state) {
            return !state.connected || state.problem.kind == ProblemKind::kCatalogNoAnswer;
        };
        const auto card_now = [&] {
            CardState state = inspect();
            if (unanswered(state)) {
                close_camera();
                if (open_camera()) state = inspect();
            }
            return state;
        };
        for (size_t i = 0; i < positions.size(); ++i) {
            stop_if_cancelled();
            const uint32_t position = positions[i];
            bool ok = false;
            uint32_t reported = 0;
            {
                // The front end sees the call as ever; the core counts what it reports.
                CountingFrontend counting(*frontend_);
                frontend_ = &counting;
                struct Restore {
                    Frontend*& slot;
                    Frontend& front_end;
                    ~Restore() { slot = &front_end; }
                } restore{frontend_, counting.inner()};
                const Step shown{.kind = StepKind::kDelete,
                                 .position = position,
                                 .item = static_cast<uint32_t>(i + 1),
                                 .items = static_cast<uint32_t>(positions.size()),
                                 .units = kDeleteSteps,
                                 .bytes = kCatalogSize};
                internal::StepScope step(*frontend_, shown);
                ok = session_->call([&] { return session_->lib().DeletePhoto(static_cast<int32_t>(position)); });
                if (ok) step.succeeded();
                reported = counting.advances();
            }
            const CardState now = card_now();
            const auto remaining = static_cast<uint32_t>(positions.size() - i - 1);
            if (unanswered(now)) {
                // What the camera took is all there is to go by. The new list
                // is written into the list's freshly erased blocks from the
                // first on; once the blocks holding its count, its entries and
                // the mark after them are written, the card lists the photos
                // without this one, whatever became of the blocks after them.
                const uint32_t written = ok ? kCatalogSize / 512 : (reported > 0 ? reported - 1 : 0);
                const uint32_t list_blocks = (kEntriesOffset + kEntrySize * catalog.count + 511) / 512;
                if (!ok && written < list_blocks) {
                    fail(ProblemKind::kDeleteCutOff, {.position = position}, Hint::kCheckThenLook);
                }
                say(outcome, RecordKind::kDeleted, {.position = position});
                fail(ProblemKind::kDeleteThenGone, {.position = position, .count = remaining}, Hint::kCheckThenLook);
            }
            // A list the cut left damaged: its pictures are still on the card.
            if (!now.catalog_ok) fail(now.problem);
            // Deleted exactly: the same list less that one entry.
            std::vector<uint8_t> expected = catalog.slots;
            if (position < expected.size()) expected.erase(expected.begin() + position);
            const bool deleted = now.catalog.count + 1 == catalog.count && now.catalog.slots == expected;
            if (!deleted) {
                fail(ProblemKind::kDeleteFailed, {.position = position, .count = now.catalog.count},
                     Hint::kCheckThenLook);
            }
            catalog = now.catalog;
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
