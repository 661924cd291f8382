// How each operation ended, as a window tells it (see phrases.h): a line for
// the status bar when all went as asked, else a box with what happened and
// what to do.
#include <string>
#include <vector>

#include "phrases.h"
#include "words.h"

namespace pixavon::desktop {
namespace {

// The last part of a path, either separator.
std::string file_name(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Report import_report(const Result& result, bool cancelled) {
    Message message;
    message.kind = MessageKind::kInformation;
    if (cancelled) {
        message.headline = count("{1} of {n} photo saved before you stopped.",
                                 "{1} of {n} photos saved before you stopped.", result.total, {num(result.saved)});
    } else if (result.ok() && result.saved == 0 && result.deleted > 0) {
        message.headline =
            count("No new photos; {n} photos imported before were deleted from the card.",
                  "No new photos; {n} photos imported before were deleted from the card.", result.deleted);
    } else if (result.ok()) {
        message.headline = result.saved == 0 ? std::string(tr("There were no new photos to import."))
                                             : count("{n} photo imported.", "{n} photos imported.", result.saved);
    } else {
        message.kind = MessageKind::kWarning;
        message.headline =
            count("The import stopped after {n} photo.", "The import stopped after {n} photos.", result.saved);
    }
    std::vector<std::string> details{fill(tr("Folder: {1}"), {result.folder})};
    if (result.duplicates > 0) {
        details.push_back(
            count("{n} duplicate on the card skipped.", "{n} duplicates on the card skipped.", result.duplicates));
    }
    if (result.already > 0) {
        details.push_back(count("{n} photo was imported before and skipped.",
                                "{n} photos were imported before and skipped.", result.already));
    }
    if (result.deleted > 0 && (result.saved > 0 || !result.ok())) {
        details.push_back(count("{n} photos deleted from the card; each one is in the folder.",
                                "{n} photos deleted from the card; each one is in the folder.", result.deleted));
    }
    if (result.kept > 0) {
        details.push_back(count("{n} photo stays on the card: its file did not read back as it was saved.",
                                "{n} photos stay on the card: their files did not read back as they were saved.",
                                result.kept));
    }
    if (!result.ok() && !cancelled) {
        details.push_back(explain(result.trouble, {}));
        details.push_back(tr("Photos already saved are skipped when you import again."));
    }
    message.details = join_lines(details);
    message.buttons = {{Reply::kOpenFolder, tr("&Open folder")}};
    return Report{{}, message, result.folder};
}

Report rescue_report(const Result& result, bool cancelled) {
    Message message;
    message.kind = MessageKind::kInformation;
    const uint32_t saved = result.rescue.saved;
    if (cancelled) {
        message.headline = count("{1} of {n} photo saved to {2} before you stopped.",
                                 "{1} of {n} photos saved to {2} before you stopped.", result.rescue.found,
                                 {num(saved), result.folder});
    } else if (result.ok() && result.rescue.found == 0) {
        message.headline = tr("No pictures were found on the card.");
    } else {
        message.headline = count("{n} photo saved to {1}.", "{n} photos saved to {1}.", saved, {result.folder});
    }
    std::vector<std::string> next;
    const host::ProblemKind problem = result.trouble.kind;
    if (result.rescue.repaired) {
        next.push_back(tr("The card's photo list was repaired: the card is ready to use again."));
    } else if (result.ok() && !result.declined) {
        next.push_back(tr("The card's photo list is sound; nothing on the card was changed."));
    } else if (cancelled || result.declined) {
        next.push_back(
            tr("The card was not changed. To use it again, choose Card ▸ Format card…: the window then offers to "
               "put the saved pictures back."));
    } else if (result.trouble.hint == host::Hint::kFormatInCamera && saved > 0 && result.rescue.all_saved()) {
        next.push_back(tr("The card's photo list could not be repaired here."));
        next.push_back(
            tr("Format the card in the camera, choose Reload, then choose Card ▸ Put back rescued pictures…."));
    } else if (problem == host::ProblemKind::kRepairImpossible || problem == host::ProblemKind::kRepairFailed) {
        next.push_back(tr("The card's photo list could not be repaired."));
        next.push_back(hint(result.trouble));
    } else {
        message.kind = MessageKind::kWarning;
        if (saved == 0) message.headline = tr("The card's pictures could not be saved.");
        next.push_back(explain(result.trouble, {}));
    }
    message.details = join_lines(next);
    if (saved > 0) message.buttons = {{Reply::kOpenFolder, tr("&Open folder")}};
    return Report{{}, message, result.folder};
}

// The core's warnings on the way, and what to do about each.
std::string warnings_of(const Result& result) {
    std::vector<std::string> lines;
    for (const Trouble& warning : result.warnings) lines.push_back(join_lines({warning.text, hint(warning)}));
    return join_lines(lines);
}

Report told(const Result& result);

}  // namespace

// One box at most per operation: its warnings join its box, or make one
// under the status line's words.
Report result(const Result& ended) {
    Report report = told(ended);
    const std::string warned = warnings_of(ended);
    if (warned.empty()) return report;
    if (report.box) {
        report.box->details = join_lines({report.box->details, warned});
    } else {
        Message message;
        message.kind = MessageKind::kWarning;
        message.headline = report.status.empty() ? warned : report.status;
        if (!report.status.empty()) message.details = warned;
        report.box = message;
    }
    return report;
}

namespace {

Report told(const Result& result) {
    Report report;
    if (result.declined && result.operation != Operation::kRescue) {
        report.status = tr("Nothing was changed.");
        return report;
    }
    const bool cancelled = result.status == host::Outcome::Status::kCancelled;
    const auto stopped = [&](const std::string& what) {
        report.status = fill(tr("Stopped. {1}"), {what});
        return report;
    };
    const std::string saved = num(result.saved);
    const std::string total = num(result.total);
    Message message;
    message.kind = MessageKind::kWarning;
    switch (result.operation) {
        case Operation::kReload:
            return report;
        case Operation::kOpenImage:
            if (result.ok()) return report;
            message.headline = fill(tr("The card image {1} could not be opened."), {file_name(result.folder)});
            message.details =
                explain(result.trouble, tr("It may not be a card image, or it cannot be read or written."));
            break;
        case Operation::kImport:
            return import_report(result, cancelled);
        case Operation::kAdd:
            if (result.ok()) {
                report.status =
                    count("{n} picture added to the card.", "{n} pictures added to the card.", result.saved);
                return report;
            }
            if (cancelled) return stopped(fill(tr("{1} of {2} pictures were added."), {saved, total}));
            message.headline = fill(tr("{1} of {2} pictures were added."), {saved, total});
            message.details =
                explain(result.trouble, tr("The card may be full, or a file is not a picture that can be read."));
            break;
        case Operation::kSave:
            if (result.ok()) {
                report.status = count("{n} photo saved.", "{n} photos saved.", result.saved);
                return report;
            }
            if (cancelled) return stopped(fill(tr("{1} of {2} photos were saved."), {saved, total}));
            message.headline = fill(tr("{1} of {2} photos were saved."), {saved, total});
            message.details = explain(result.trouble, tr("A file of that name may be there already (nothing is "
                                                         "replaced), or the folder cannot be written to."));
            break;
        case Operation::kDelete: {
            const std::string deleted = num(result.deleted);
            if (result.ok()) {
                report.status = count("{n} photo deleted.", "{n} photos deleted.", result.deleted);
                return report;
            }
            if (cancelled) return stopped(fill(tr("{1} of {2} photos were deleted."), {deleted, total}));
            message.headline = fill(tr("{1} of {2} photos were deleted."), {deleted, total});
            message.details = explain(result.trouble, tr("Check that the camera is connected, then choose Reload."));
            break;
        }
        case Operation::kBackup:
            if (result.ok()) {
                report.status = fill(tr("The card was backed up to {1}."), {result.folder});
                return report;
            }
            if (cancelled) return stopped(tr("The backup was not finished; its file was not kept."));
            message.headline = tr("The card could not be backed up.");
            message.details = explain(result.trouble, tr("Check that the folder can be written to and has room, and "
                                                         "that the camera is connected."));
            break;
        case Operation::kRestore:
            if (result.ok()) {
                report.status = tr("The card was restored.");
                return report;
            }
            message.headline = tr("The card could not be restored.");
            message.details = explain(result.trouble, tr("The file may not be a backup of a card of this size."));
            break;
        case Operation::kFormat:
            if (result.ok()) {
                report.status = tr("The card was formatted.");
                return report;
            }
            message.headline = tr("The card could not be formatted.");
            message.details = explain(result.trouble, tr("Check that the camera is connected, then try again."));
            break;
        case Operation::kRescue:
            return rescue_report(result, cancelled);
    }
    report.box = message;
    return report;
}

}  // namespace

}  // namespace pixavon::desktop
