#include "phrases.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cstdint>

#include "window_locale.h"

namespace pixavon::gui {

QString Phrases::progress(const Progress& progress, qint64 elapsed_ms) {
    QString doing;
    const int item = static_cast<int>(progress.item);
    const int items = static_cast<int>(progress.items);
    switch (progress.operation) {
        case Operation::kImport:
            doing = tr("Importing photo %1 of %2").arg(item).arg(items);
            break;
        case Operation::kAdd:
            doing = tr("Adding picture %1 of %2").arg(item).arg(items);
            break;
        case Operation::kSave:
            doing = tr("Saving photo %1 of %2").arg(item).arg(items);
            break;
        case Operation::kDelete:
            doing = tr("Deleting photos");
            break;
        case Operation::kBackup:
            doing = tr("Backing up the card");
            break;
        case Operation::kRestore:
            doing = tr("Restoring the card; this cannot be stopped");
            break;
        case Operation::kFormat:
            doing = tr("Formatting the card");
            break;
        case Operation::kRescue:
            doing = tr("Rescuing photos");
            break;
        case Operation::kReload:
        case Operation::kOpenImage:
            doing = tr("Reading the card");
            break;
    }
    // Time left, once there is enough behind to judge by.
    const qint64 elapsed = elapsed_ms;
    if (progress.done > 0.02 && elapsed > 1500) {
        const int seconds =
            static_cast<int>(static_cast<double>(elapsed) * (1 - progress.done) / progress.done / 1000) + 1;
        doing += QStringLiteral(" — ") + (seconds < 90 ? tr("about %n seconds left", nullptr, seconds)
                                                       : tr("about %n minutes left", nullptr, (seconds + 30) / 60));
    }
    return doing;
}

Message Phrases::question(const Question& question) {
    Message message;
    message.kind = Message::Kind::kQuestion;
    QString verb;
    switch (question.operation) {
        case Operation::kDelete:
            message.headline = tr("Delete %n photos from the card?", nullptr, static_cast<int>(question.count));
            message.details = tr("Photos that were not imported are lost.");
            verb = tr("Delete");
            break;
        case Operation::kFormat:
            message.headline = tr("Format the card?");
            message.details = tr("Every photo on the card is erased.");
            verb = tr("Format");
            break;
        case Operation::kRestore:
            message.headline = tr("Restore the card from this backup?");
            message.details = tr("The photos on the card now are replaced by the %n photos in the backup.", nullptr,
                                 static_cast<int>(question.other_count));
            verb = tr("Restore");
            break;
        case Operation::kRescue:
            message.headline = tr("Repair the card's photo list?");
            message.details =
                question.kind == host::QuestionKind::kRepairRebuild
                    ? tr("The %n pictures have been saved. Repairing formats the card and puts them back on it.",
                         nullptr, static_cast<int>(question.count))
                    : tr("The %n pictures have been saved. Repairing makes the card list them again, so the "
                         "camera and this window show them.",
                         nullptr, static_cast<int>(question.count));
            verb = tr("Repair");
            break;
        default:
            message.headline = tr("Go on?");
            verb = tr("Go on");
            break;
    }
    message.buttons = {{Message::Reply::kYes, verb}};
    return message;
}

Report Phrases::result(const Result& result) {
    Report report;
    using Status = host::Outcome::Status;
    if (result.declined && result.operation != Operation::kRescue) {
        report.status = tr("Nothing was changed.");
        return report;
    }
    const bool cancelled = result.status == Status::kCancelled;
    const auto stopped = [&](const QString& what) {
        report.status = tr("Stopped. %1").arg(what);
        return report;
    };
    Message message;
    message.kind = Message::Kind::kWarning;
    switch (result.operation) {
        case Operation::kReload:
            return report;
        case Operation::kOpenImage:
            if (result.ok()) return report;
            message.headline = tr("The card image %1 could not be opened.").arg(QFileInfo(result.folder).fileName());
            message.details =
                explain(result.trouble, tr("It may not be a card image, or it cannot be read or written."));
            break;
        case Operation::kImport: {
            message.kind = Message::Kind::kInformation;
            if (cancelled) {
                message.headline =
                    tr("%1 of %n photos saved before you stopped.", nullptr, static_cast<int>(result.total))
                        .arg(result.saved);
            } else if (result.ok() && result.saved == 0 && result.deleted > 0) {
                message.headline = tr("No new photos; %n photos imported before were deleted from the card.", nullptr,
                                      static_cast<int>(result.deleted));
            } else if (result.ok()) {
                message.headline = result.saved == 0
                                       ? tr("There were no new photos to import.")
                                       : tr("%n photos imported.", nullptr, static_cast<int>(result.saved));
            } else {
                message.kind = Message::Kind::kWarning;
                message.headline = tr("The import stopped after %n photos.", nullptr, static_cast<int>(result.saved));
            }
            QStringList details;
            details << tr("Folder: %1").arg(QDir::toNativeSeparators(result.folder));
            if (result.duplicates > 0) {
                details << tr("%n duplicates on the card skipped.", nullptr, static_cast<int>(result.duplicates));
            }
            if (result.already > 0) {
                details << tr("%n photos were imported before and skipped.", nullptr, static_cast<int>(result.already));
            }
            if (result.deleted > 0 && (result.saved > 0 || !result.ok())) {
                details << tr("%n photos deleted from the card; each one is in the folder.", nullptr,
                              static_cast<int>(result.deleted));
            }
            if (result.kept > 0) {
                details << tr("%n photos stay on the card: their files did not read back as they were saved.", nullptr,
                              static_cast<int>(result.kept));
            }
            if (!result.ok() && !cancelled) {
                details << explain(result.trouble, QString())
                        << tr("Photos already saved are skipped when you import again.");
            }
            message.details = details.join('\n');
            message.buttons = {{Message::Reply::kOpenFolder, tr("&Open folder")}};
            report.box = message;
            report.folder = result.folder;
            return report;
        }
        case Operation::kAdd:
            if (result.ok()) {
                report.status = tr("%n pictures added to the card.", nullptr, static_cast<int>(result.saved));
                return report;
            }
            if (cancelled) return stopped(tr("%1 of %2 pictures were added.").arg(result.saved).arg(result.total));
            message.headline = tr("%1 of %2 pictures were added.").arg(result.saved).arg(result.total);
            message.details =
                explain(result.trouble, tr("The card may be full, or a file is not a picture that can be read."));
            break;
        case Operation::kSave:
            if (result.ok()) {
                report.status = tr("%n photos saved.", nullptr, static_cast<int>(result.saved));
                return report;
            }
            if (cancelled) return stopped(tr("%1 of %2 photos were saved.").arg(result.saved).arg(result.total));
            message.headline = tr("%1 of %2 photos were saved.").arg(result.saved).arg(result.total);
            message.details = explain(result.trouble, tr("A file of that name may be there already (nothing is "
                                                         "replaced), or the folder cannot be written to."));
            break;
        case Operation::kDelete:
            if (result.ok()) {
                report.status = tr("%n photos deleted.", nullptr, static_cast<int>(result.deleted));
                return report;
            }
            if (cancelled) return stopped(tr("%1 of %2 photos were deleted.").arg(result.deleted).arg(result.total));
            message.headline = tr("%1 of %2 photos were deleted.").arg(result.deleted).arg(result.total);
            message.details = explain(result.trouble, tr("Check that the camera is connected, then choose Reload."));
            break;
        case Operation::kBackup:
            if (result.ok()) {
                report.status = tr("The card was backed up to %1.").arg(QDir::toNativeSeparators(result.folder));
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
        case Operation::kRescue: {
            message.kind = Message::Kind::kInformation;
            const int saved = static_cast<int>(result.rescue.saved);
            const QString folder = QDir::toNativeSeparators(result.folder);
            if (cancelled) {
                message.headline = tr("%1 of %n photos saved to %2 before you stopped.", nullptr,
                                      static_cast<int>(result.rescue.found))
                                       .arg(saved)
                                       .arg(folder);
            } else if (result.ok() && result.rescue.found == 0) {
                message.headline = tr("No pictures were found on the card.");
            } else {
                message.headline = tr("%n photos saved to %1.", nullptr, saved).arg(folder);
            }
            QStringList next;
            const host::ProblemKind problem = result.trouble.kind;
            if (result.rescue.repaired) {
                next << tr("The card's photo list was repaired: the card is ready to use again.");
            } else if (result.ok() && !result.declined) {
                next << tr("The card's photo list is sound; nothing on the card was changed.");
            } else if (cancelled || result.declined) {
                next << tr(
                    "The card was not changed. To use it again, choose Card ▸ Format card…: the window then "
                    "offers to put the saved pictures back.");
            } else if (problem == host::ProblemKind::kRepairImpossible || problem == host::ProblemKind::kRepairFailed) {
                next << tr("The card's photo list could not be repaired.") << hint(result.trouble);
            } else {
                message.kind = Message::Kind::kWarning;
                if (saved == 0) message.headline = tr("The card's pictures could not be saved.");
                next << explain(result.trouble, QString());
            }
            message.details = next.join('\n');
            if (saved > 0) message.buttons = {{Message::Reply::kOpenFolder, tr("&Open folder")}};
            report.box = message;
            report.folder = result.folder;
            return report;
        }
    }
    report.box = message;
    return report;
}

QString Phrases::hint(const Trouble& trouble) {
    using Hint = host::Hint;
    switch (trouble.hint) {
        case Hint::kNone:
        case Hint::kConfirm:
            return {};
        case Hint::kNeedsSize:
            return tr("Say whether the card holds 8 MiB or 16 MiB when asked.");
        case Hint::kCardImageMissing:
            return tr("Choose File ▸ Open card image… and pick a card image that exists.");
        case Hint::kReplace:
            return tr(
                "A file of that name is there already, and nothing is replaced. Choose another folder, or "
                "move that file away first.");
        case Hint::kOtherName:
            return tr("Choose another name or folder.");
        case Hint::kCheckCamera:
            return tr("Check that the camera is connected, then try again.");
        case Hint::kTryAgain:
            return tr("Try again.");
        case Hint::kCheckDisk:
            return tr("Check that the folder exists, can be written to and has room.");
        case Hint::kConnectCamera:
            return tr("Connect the camera and choose File ▸ Reload, or choose File ▸ Open card image….");
        case Hint::kRestoreAgain:
            return tr("Choose Card ▸ Restore card… and restore %1 again to finish it.").arg(trouble.name);
        case Hint::kTryRescue:
            return tr("Choose Card ▸ Rescue photos… to save the pictures the card holds.");
        case Hint::kFormatInCamera:
        case Hint::kFormatThenPut:
            return tr(
                "The pictures are saved. Choose Card ▸ Format card…: the window then offers to put them back on "
                "the card.");
        case Hint::kPutBack:
            return tr(
                "Add the pictures it does not name back with Photos ▸ Add pictures… from the folder they were "
                "saved in.");
        case Hint::kDeleteSome:
            return tr("Delete some photos first, or add fewer pictures.");
        case Hint::kSaySelection:
            return tr("Select photos in the grid first.");
    }
    return {};
}

QString Phrases::explain(const Trouble& trouble, const QString& otherwise) {
    QStringList lines;
    // The core counts photos from 0; the window, as people do, from 1.
    const int photo = static_cast<int>(trouble.position) + 1;
    switch (trouble.kind) {
        case host::ProblemKind::kPhotoUnreadable:
            lines << tr("Photo %1 could not be read from the card.").arg(photo);
            break;
        case host::ProblemKind::kPhotoNotOnCard:
            lines << tr("Photo %1 is no longer on the card.").arg(photo);
            break;
        case host::ProblemKind::kDeleteFailed:
            lines << tr("Photo %1 could not be deleted.").arg(photo);
            break;
        case host::ProblemKind::kCardImageUnusable:
        case host::ProblemKind::kCardImageWrongLength: {
            // A card image holds the card's bytes: 8 or 16 MiB exactly.
            const qint64 size = file_size(trouble.name);
            if (size != (qint64{8} << 20) && size != (qint64{16} << 20)) {
                lines << tr("This file is not a card image (%n bytes).", nullptr,
                            static_cast<int>(std::min<qint64>(size, INT32_MAX)));
            } else {
                lines << tr("This file cannot be used as a card image.");
            }
            lines << tr(
                "Choose File ▸ Open card image… and pick a card image: a whole-card backup of 8 MiB or "
                "16 MiB.");
            lines.removeAll(QString());
            return lines.join('\n');
        }
        default:
            lines << (trouble.text.isEmpty() ? otherwise : trouble.text);
            break;
    }
    if (const QString what_to_do = hint(trouble); !what_to_do.isEmpty()) lines << what_to_do;
    lines.removeAll(QString());
    return lines.join('\n');
}

Message Phrases::warning(const Trouble& warning) {
    Message message;
    message.kind = Message::Kind::kWarning;
    message.headline = warning.text;
    message.details = hint(warning);
    return message;
}

Message Phrases::card_size_question() {
    Message message;
    message.kind = Message::Kind::kQuestion;
    message.headline = tr("How large is the card?");
    message.details = tr("The card reads blank, so its size cannot be found. It is written on the card.");
    message.buttons = {{Message::Reply::kEightMiB, tr("8 MiB")}, {Message::Reply::kSixteenMiB, tr("16 MiB")}};
    return message;
}

}  // namespace pixavon::gui
