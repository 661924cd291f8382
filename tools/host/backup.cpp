// Backing up the whole card into a file, and restoring a backup onto it;
// the note that tells a later run of a restore that was cut short is in
// restore_record.cpp.
#include <filesystem>
#include <optional>
#include <system_error>

#include "backup_check.h"
#include "card_scan.h"
#include "core.h"
#include "core_internal.h"
#include "os/os.h"
#include "restore_record.h"
#include "utf8_path.h"

namespace pixavon::host {
namespace {

using internal::exists;

}  // namespace

BackupCheck check_backup(const std::string& path, uint32_t capacity_code) {
    BackupCheck check;
    const os::Status status = os::status(path);
    if (status.kind == os::Kind::kMissing) {
        check.verdict = BackupCheck::Verdict::kCannotOpen;
        check.error = status.error;
        return check;
    }
    if (status.kind != os::Kind::kFile) {
        check.verdict = BackupCheck::Verdict::kNotFile;
        return check;
    }
    check.size = status.size;
    if (check.size != CardBytesFor(capacity_code)) {
        check.verdict = BackupCheck::Verdict::kWrongSize;
        return check;
    }
    // The backup's catalog lies in its last 8 KiB; without a valid one for this
    // card size the restored card would be unreadable.
    std::vector<uint8_t> tail(kCatalogSize);
    os::File file;
    const bool read_ok =
        file.open(path, os::File::Access::kRead, true) &&
        file.read_at(check.size - kCatalogSize, tail.data(), tail.size()) == static_cast<long>(tail.size());
    if (!read_ok) {
        check.verdict = BackupCheck::Verdict::kUnreadable;
        return check;
    }
    if (!valid_catalog(tail.data()) || parse_catalog(tail.data()).capacity_code != capacity_code) {
        check.verdict = BackupCheck::Verdict::kNoCatalog;
        return check;
    }
    check.photos = parse_catalog(tail.data()).count;
    return check;
}

Outcome Core::backup(const std::string& file, bool replace) {
    return run([&](Outcome& outcome) {
        if (file.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        // A folder, a pipe or a device (AUX on Windows) is not replaced by a backup.
        if (const os::Kind kind = os::status(file).kind; kind == os::Kind::kFolder || kind == os::Kind::kOther) {
            refuse(ProblemKind::kNotAFile, {.name = file}, Hint::kOtherName);
        }
        if (!replace && exists(file)) refuse(ProblemKind::kFileExists, {.name = file}, Hint::kReplace);
        const CardState state = inspect();
        // A list the card cannot hold is no reason not to save the card: that is
        // the moment to save it. Only its size must be known.
        if (!state.catalog_loads && state.problem.kind != ProblemKind::kCatalogDamaged &&
            state.problem.kind != ProblemKind::kCatalogErased) {
            fail(state.problem);
        }
        // The card's own size, whatever its list says.
        const uint64_t card_bytes = state.measured_bytes != 0 ? state.measured_bytes : state.card_bytes();
        if (card_bytes == 0) fail(ProblemKind::kBackupSizeUnknown, {}, Hint::kTryRescue);

        const std::string parent = utf8_of(fs_path(file).parent_path());
        const std::string dir = parent.empty() ? std::string(".") : parent;
        int space_error = 0;
        const std::optional<uint64_t> space = os::free_space(dir, &space_error);
        if (!space) fail(ProblemKind::kCannotWrite, {.name = file, .error = space_error}, Hint::kCheckDisk);
        const uint64_t free_bytes = *space;
        if (free_bytes < card_bytes) {
            fail(ProblemKind::kNoSpace, {.bytes = card_bytes, .other_bytes = free_bytes, .folder = dir},
                 Hint::kCheckDisk);
        }
        remove_leftovers(dir);  // a backup a killed run of ours left
        // A failed write, a Cancel or a failure of the card leaves nothing.
        DurableFile copy(file);
        {
            const auto chunks = static_cast<uint32_t>(card_bytes / kBackupChunk);
            const Step shown{.kind = StepKind::kBackup, .name = file, .units = chunks, .bytes = card_bytes};
            internal::StepScope step(*frontend_, shown);
            internal::SessionCardAccess access(*session_);
            uint64_t failed_at = 0;
            const WholeCardRead read = read_whole_card(
                access, card_bytes,
                [&](uint32_t, uint32_t) {
                    stop_if_cancelled();
                    frontend_->advance();
                    return true;
                },
                [&](const uint8_t* bytes, size_t size) { copy.write(bytes, size); }, &failed_at);
            if (read != WholeCardRead::kDone) {
                fail(ProblemKind::kCardReadFailed, {.bytes = failed_at}, Hint::kCheckCamera);
            }
            step.succeeded();
        }
        if (!copy.commit(replace)) refuse(ProblemKind::kFileExists, {.name = file}, Hint::kReplace);
        say(outcome, RecordKind::kBackedUp,
            {.count = state.catalog_loads ? state.catalog.count : 0, .bytes = card_bytes, .name = file});
    });
}

Outcome Core::restore(const std::string& file) {
    return run([&](Outcome& outcome) {
        if (file.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        // The card image itself, by any name: its bytes would be read while
        // they are written over.
        if (!card_image_.empty() && os::same_file(file, card_image_)) {
            refuse(ProblemKind::kRestoreOntoItself, {.name = file});
        }
        const CardState state = inspect();
        // The card's own size, whatever its list says: a restore is what makes
        // a card with a damaged list usable again.
        const uint64_t card_bytes = state.measured_bytes != 0 ? state.measured_bytes : state.card_bytes();
        if (card_bytes == 0) fail(state.problem);
        // The library restores with the layout of the list it loaded: the
        // card's own, or else taught it by the embedded camera. The attached
        // camera's list alone can teach it.
        const bool fits = state.catalog_loads && state.catalog.card_bytes() == card_bytes;
        if (!fits && !camera_) fail(state.problem);
        const uint32_t capacity = card_bytes == CardBytesFor(kLargeCardCode) ? kLargeCardCode : kSmallCardCode;
        const BackupCheck check = check_backup(file, capacity);
        switch (check.verdict) {
            case BackupCheck::Verdict::kOk:
                break;
            case BackupCheck::Verdict::kCannotOpen:
                refuse(ProblemKind::kCannotRead, {.name = file, .error = check.error});
            case BackupCheck::Verdict::kNotFile:
                refuse(ProblemKind::kNotAFile, {.name = file});
            case BackupCheck::Verdict::kWrongSize:
                refuse(ProblemKind::kBackupWrongSize, {.bytes = check.size, .other_bytes = card_bytes, .name = file});
            case BackupCheck::Verdict::kUnreadable:
                refuse(ProblemKind::kCannotRead, {.name = file});
            case BackupCheck::Verdict::kNoCatalog:
                refuse(ProblemKind::kNotABackup, {.name = file});
        }
        ask({QuestionKind::kRestore, {.count = state.catalog.count, .other_count = check.photos, .name = file}});
        stop_if_cancelled();
        // A restore cannot stop half-way without leaving the old list over new
        // pictures; if this process is ended anyway, the note tells the next one.
        std::error_code ignored;
        const std::string absolute = utf8_of(std::filesystem::absolute(fs_path(file), ignored));
        try {
            note_restore_started(card_key_, absolute.empty() ? file : absolute);
        } catch (const std::exception& error) {
            fail(ProblemKind::kRestoreNotNoted, {.detail = error.what()}, Hint::kCheckDisk);
        }
        forget_photos();  // whatever the restore leaves in the slots
        if (!fits && !teach_library_size(card_bytes)) {
            clear_restore_note(card_key_);  // nothing was written
            fail(state.problem);
        }
        bool ok = false;
        {
            const Step shown{
                .kind = StepKind::kRestore, .name = file, .units = card_bytes / kRestoreBlock, .bytes = card_bytes};
            internal::StepScope step(*frontend_, shown);
            std::optional<os::LibraryPath> name;
            try {
                name.emplace(file);
            } catch (const std::runtime_error& error) {
                fail(ProblemKind::kCannotRead, {.name = file, .detail = error.what()});
            }
            ok = session_->call([&] { return session_->lib().WriteAll(name->get()); });
            if (ok) step.succeeded();
        }
        if (!ok) fail(ProblemKind::kRestoreFailed, {.name = file, .card_image = card_image_}, Hint::kRestoreAgain);
        clear_restore_note(card_key_);
        const CardState after = inspect();
        say(outcome, RecordKind::kRestored, {.count = after.catalog.count, .name = file});
    });
}

}  // namespace pixavon::host
