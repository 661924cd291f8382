// The core's structured outcomes in words: one neutral sentence each, in the
// person's language, saying what happened and never how to act on it; each
// front end adds its own hint.
#include <cstdint>
#include <filesystem>
#include <string>

#include "core.h"
#include "i18n.h"
#include "os/os.h"
#include "utf8_path.h"

namespace pixavon::host {
namespace {

std::string num(uint64_t n) { return std::to_string(n); }
std::string mib(uint64_t bytes) { return std::to_string(bytes >> 20); }
std::string name_of(const std::string& raw) { return display_name(raw); }
std::string base_of(const std::string& raw) {
    const std::string base = utf8_of(fs_path(raw).filename());
    return display_name(base.empty() ? raw : base);
}
std::string in_folder(const std::string& folder, const std::string& name) {
    return display_name(os::join(folder, name));
}

// ": why" from the system's errno or a decoder's words, or nothing.
std::string why(const Facts& facts) {
    if (!facts.detail.empty()) return fill(tr(": {1}"), {facts.detail});
    if (facts.error != 0) return fill(tr(": {1}"), {system_error(facts.error)});
    return {};
}

}  // namespace

std::string describe(const Problem& problem) {
    const Facts& f = problem.facts;
    switch (problem.kind) {
        case ProblemKind::kNone:
            return {};
        case ProblemKind::kNoCamera:
            // No device folder: the system finds the camera (Windows, through its driver).
            if (f.folder.empty()) return tr("No camera was found.");
            return fill(tr("No camera was found in {1}."), {name_of(f.folder)});
        case ProblemKind::kCameraInUse:
            if (f.folder.empty()) return tr("The camera is in use by another program.");
            if (f.count > 0) {
                return fill(tr("The camera in {1} is in use by another program (process {2})."),
                            {name_of(f.folder), num(f.count)});
            }
            return fill(tr("The camera in {1} is in use by another program."), {name_of(f.folder)});
        case ProblemKind::kCardImageMissing:
            return fill(tr("The card image '{1}' does not exist."), {name_of(f.name)});
        case ProblemKind::kCardImageUnusable:
            return fill(tr("The card image '{1}' cannot be used{2}."), {name_of(f.name), why(f)});
        case ProblemKind::kCardImageNotAFile:
            return fill(tr("'{1}' is not a regular file (it is a folder, a pipe or a device), so it is no card "
                           "image: a card image is a file of 8 or 16 MiB."),
                        {name_of(f.name)});
        case ProblemKind::kCardImageInUse:
            if (f.count > 0) {
                return fill(tr("The card image '{1}' is in use by another program (process {2})."),
                            {name_of(f.name), num(f.count)});
            }
            return fill(tr("The card image '{1}' is in use by another program."), {name_of(f.name)});
        case ProblemKind::kNoSpaceForCard:
            if (f.bytes == 0)
                return fill(tr("There is not enough space on the disk for the card image '{1}'."), {name_of(f.name)});
            return fill(tr("There is not enough space on the disk for a {1} MiB card image '{2}'."),
                        {mib(f.bytes), name_of(f.name)});
        case ProblemKind::kCameraNotStarted:
            return fill(tr("The camera for the card image could not be started{1}."), {why(f)});
        case ProblemKind::kLibraryMissing:
            return fill(tr("The Pixavon library could not be loaded{1}."), {why(f)});
        case ProblemKind::kCardImageNotSaved:
            return fill(tr("The card image '{1}' could not be saved to disk."), {name_of(f.name)});
        case ProblemKind::kCatalogNoAnswer:
            return tr("The camera did not answer while the card's photo list was read.");
        case ProblemKind::kCatalogChanged:
            return tr("The card's photo list changed while it was read.");
        case ProblemKind::kCatalogDamaged:
            return tr("The card's photo list is damaged, so its photos and its size cannot be known.");
        case ProblemKind::kCatalogErased:
            if (f.count == 0) return tr("The card's photo list is erased, and no pictures lie on the card.");
            return fill(ntr("The card's photo list is erased (a change to it was cut short), but {1} picture still "
                            "lies on the card.",
                            "The card's photo list is erased (a change to it was cut short), but {1} pictures still "
                            "lie on the card.",
                            f.count),
                        {num(f.count)});
        case ProblemKind::kListTooLong:
            return fill(
                ntr("The card's photo list is damaged: it lists {1} photo, but the card holds at most {2}.",
                    "The card's photo list is damaged: it lists {1} photos, but the card holds at most {2}.", f.count),
                {num(f.count), num(f.other_count)});
        case ProblemKind::kListSlotOutOfRange:
            return tr("The card's photo list is damaged: it points past the end of the card.");
        case ProblemKind::kListSlotTwice:
            return tr("The card's photo list is damaged: it names one picture twice.");
        case ProblemKind::kCardBlank:
            return tr("The card's size cannot be told from what it holds.");
        case ProblemKind::kWrongCardSize:
            return tr("A card holds 8 or 16 MiB.");
        case ProblemKind::kListWrongSize:
            return fill(tr("The card holds {1} MiB, but its photo list gives {2} MiB: nothing is written on the card "
                           "while they disagree."),
                        {mib(f.bytes), mib(f.other_bytes)});
        case ProblemKind::kSizeContradicts:
            return fill(tr("The card holds {1} MiB, not the {2} MiB given. Nothing was changed."),
                        {mib(f.bytes), mib(f.other_bytes)});
        case ProblemKind::kCardImageWrongLength:
            return fill(tr("The card image '{1}' holds {2} bytes, but a card holds exactly 8 MiB (8388608 bytes) or "
                           "16 MiB (16777216 bytes)."),
                        {name_of(f.name), num(f.bytes)});
        case ProblemKind::kNothingSelected:
            return tr("Nothing was chosen to work on.");
        case ProblemKind::kPositionsAndAll:
            return tr("Give either the photos' positions or all photos, not both.");
        case ProblemKind::kPositionOutOfRange:
            if (f.count == 0) return fill(tr("There is no photo {1}: the card holds no photos."), {num(f.position)});
            return fill(ntr("There is no photo {1}: the card holds {2} photo, numbered 0.",
                            "There is no photo {1}: the card holds {2} photos, numbered 0 to {3}.", f.count),
                        {num(f.position), num(f.count), num(f.count - 1)});
        case ProblemKind::kPositionTwice:
            return fill(tr("Photo {1} is given twice."), {num(f.position)});
        case ProblemKind::kOutputTakesOne:
            return tr("Standard output takes one photo; several need a folder.");
        case ProblemKind::kOutputNamesOneFile:
            return fill(tr("'{1}' names one file; several photos need a folder that exists."), {name_of(f.name)});
        case ProblemKind::kUnknownFormat:
            return fill(tr("The format of '{1}' cannot be told from its name: it must end in .png (PNG), .jpg or "
                           ".jpeg (JPEG), or .bmp (the camera's bitmap)."),
                        {name_of(f.name)});
        case ProblemKind::kFormatMismatch:
            return fill(tr("The name '{1}' and the format asked for differ."), {name_of(f.name)});
        case ProblemKind::kNamePatternBad:
            // TRANSLATORS: {2} says what is wrong with the pattern, e.g. "it has a '{' without its '}'".
            return fill(tr("The file name pattern '{1}' cannot name files: {2}."), {name_of(f.name), f.detail});
        case ProblemKind::kNamePatternFormat:
            return fill(tr("The file name pattern '{1}' must end in .png (PNG), .jpg or .jpeg (JPEG), or .bmp (the "
                           "camera's bitmap)."),
                        {name_of(f.name)});
        case ProblemKind::kNamePatternLossy:
            return fill(tr("The file name pattern '{1}' names JPEG files, which do not keep every pixel of a photo, "
                           "so no photo could be deleted from the card after the import; nothing was imported. Name "
                           "the files .png or .bmp, or import without deleting."),
                        {name_of(f.name)});
        case ProblemKind::kFileExists:
            return fill(tr("'{1}' already exists."), {name_of(f.name)});
        case ProblemKind::kNotAFile:
            return fill(tr("'{1}' is not a file."), {name_of(f.name)});
        case ProblemKind::kCannotMakeFolder:
            return fill(tr("The folder '{1}' cannot be made{2}."), {name_of(f.folder), why(f)});
        case ProblemKind::kCannotRead:
            return fill(tr("'{1}' cannot be read{2}."), {name_of(f.name), why(f)});
        case ProblemKind::kCannotWrite:
            return fill(tr("'{1}' cannot be written{2}."), {name_of(f.name), why(f)});
        case ProblemKind::kCannotWriteOutput:
            return fill(tr("Standard output cannot be written{1}."), {why(f)});
        case ProblemKind::kNoSpace:
            return fill(tr("There is not enough space in '{1}': {2} MiB are needed, {3} MiB are free."),
                        {name_of(f.folder), mib(f.bytes), mib(f.other_bytes)});
        case ProblemKind::kBadPicture:
            return fill(tr("'{1}' cannot be put on the card{2}. Nothing was put on the card."),
                        {name_of(f.name), why(f)});
        case ProblemKind::kCardFull:
            return fill(tr("The card is full: {1} of {2} photos."), {num(f.count), num(f.other_count)});
        case ProblemKind::kTooManyPictures:
            return fill(ntr("{1} picture does not fit: the card has room for {2} more.",
                            "{1} pictures do not fit: the card has room for {2} more.", f.count),
                        {num(f.count), num(f.other_count)});
        case ProblemKind::kNotTaken:
            return fill(tr("The camera did not take '{1}'; the card's photo list shows what is on it."),
                        {name_of(f.name)});
        case ProblemKind::kPhotoUnreadable:
            return fill(tr("Photo {1} (slot {2}) could not be read from the card{3}."),
                        {num(f.position), num(f.slot), why(f)});
        case ProblemKind::kPhotoNotOnCard:
            return fill(tr("Photo {1} is not on the card."), {num(f.position)});
        case ProblemKind::kDeleteFailed:
            return fill(ntr("Photo {1} could not be deleted; the card holds {2} photo now.",
                            "Photo {1} could not be deleted; the card holds {2} photos now.", f.count),
                        {num(f.position), num(f.count)});
        case ProblemKind::kDeleteCutOff:
            return fill(tr("The camera stopped answering while photo {1} was being deleted, as the card's photo "
                           "list was being written: whether photo {1} is still on the card shows once the camera "
                           "answers again."),
                        {num(f.position)});
        case ProblemKind::kDeleteThenGone:
            if (f.count == 0) {
                return fill(tr("Photo {1} was deleted, then the camera stopped answering."), {num(f.position)});
            }
            return fill(ntr("Photo {1} was deleted, then the camera stopped answering: {2} more photo was not "
                            "deleted.",
                            "Photo {1} was deleted, then the camera stopped answering: {2} more photos were not "
                            "deleted.",
                            f.count),
                        {num(f.position), num(f.count)});
        case ProblemKind::kFormatFailed:
            return tr("The card could not be formatted.");
        case ProblemKind::kCardReadFailed:
            return tr("The camera stopped answering while the whole card was being read, so nothing was saved.");
        case ProblemKind::kBackupSizeUnknown:
            return tr(
                "The card's photo list is damaged, so the card's size is unknown and it cannot be backed up "
                "whole.");
        case ProblemKind::kBackupWrongSize:
            return fill(tr("'{1}' holds {2} bytes, but a backup of this card holds {3} ({4} MiB). Nothing was "
                           "changed."),
                        {name_of(f.name), num(f.bytes), num(f.other_bytes), mib(f.other_bytes)});
        case ProblemKind::kNotABackup:
            return fill(tr("'{1}' is not a backup of a card of this size. Nothing was changed."), {name_of(f.name)});
        case ProblemKind::kRestoreFailed:
            return tr("The card could not be restored and is now incomplete.");
        case ProblemKind::kRestoreOntoItself:
            return fill(tr("'{1}' is the card image in use: a card cannot be restored from itself. Nothing was "
                           "changed."),
                        {name_of(f.name)});
        case ProblemKind::kRestoreNotNoted:
            return fill(tr("The restore could not be noted before it began{1}. Nothing was changed."), {why(f)});
        case ProblemKind::kRepairWrongSize:
            if (f.count == 0) {
                return fill(tr("No pictures were found, and the card's photo list cannot be repaired: it gives the "
                               "wrong size for this {1} MiB card, and only a format can set that right."),
                            {mib(f.bytes)});
            }
            return fill(ntr("The picture found is saved in '{2}', but the card's photo list cannot be repaired: it "
                            "gives the wrong size for this {3} MiB card, and only a format can set that right.",
                            "All {1} pictures found are saved in '{2}', but the card's photo list cannot be "
                            "repaired: it gives the wrong size for this {3} MiB card, and only a format can set "
                            "that right.",
                            f.count),
                        {num(f.count), name_of(f.folder), mib(f.bytes)});
        case ProblemKind::kShortImageNotRepaired:
            if (f.count == 0) {
                return fill(tr("No pictures were found; the card image '{1}' is cut short, so it is not repaired."),
                            {name_of(f.name)});
            }
            return fill(ntr("The picture found is saved in '{2}'; the card image '{3}' is cut short, so it is not "
                            "repaired.",
                            "All {1} pictures found are saved in '{2}'; the card image '{3}' is cut short, so it "
                            "is not repaired.",
                            f.count),
                        {num(f.count), name_of(f.folder), name_of(f.name)});
        case ProblemKind::kIndexNotAFile:
            return fill(tr("The import index '{1}' is not a regular file (a link, a pipe or a device), so nothing "
                           "was imported. Move it out of the folder, or import into another folder."),
                        {name_of(f.name)});
        case ProblemKind::kIndexTooLarge:
            return fill(tr("The import index '{1}' holds {2} MiB, more than an index of photos can need ({3} MiB), "
                           "so it is not read and nothing was imported. Move it out of the folder, or import into "
                           "another folder."),
                        {name_of(f.name), mib(f.bytes + (1u << 20) - 1), mib(f.other_bytes)});
        case ProblemKind::kIndexHasOtherNames:
            return fill(tr("The import index '{1}' is also a file elsewhere (it has other names, as a hard link "
                           "has), so nothing was imported: lines added to it would change that file too. Copy it to "
                           "another name in its folder, then rename the copy to .pixavon-import, and import again."),
                        {name_of(f.name)});
        case ProblemKind::kImportFolderBusy:
            return fill(tr("Another import into '{1}' is running, so nothing was imported. Import again once it "
                           "has finished."),
                        {name_of(f.folder)});
        case ProblemKind::kRepairImpossible:
            if (f.count == 0) {
                return tr(
                    "No pictures were found, and the card's photo list is too badly damaged to be repaired without "
                    "a format.");
            }
            return fill(ntr("The picture found is saved in '{2}', but the card's photo list is too badly damaged "
                            "to be repaired without a format.",
                            "All {1} pictures found are saved in '{2}', but the card's photo list is too badly "
                            "damaged to be repaired without a format.",
                            f.count),
                        {num(f.count), name_of(f.folder)});
        case ProblemKind::kRepairFailed:
            if (f.count == 0) {
                return fill(tr("No pictures were found, and the card's photo list could not be repaired{1}."),
                            {why(f)});
            }
            return fill(ntr("The picture found is saved in '{2}', but the card's photo list could not be repaired{3}.",
                            "All {1} pictures found are saved in '{2}', but the card's photo list could not be "
                            "repaired{3}.",
                            f.count),
                        {num(f.count), name_of(f.folder), why(f)});
        case ProblemKind::kNotConfirmed:
            if (problem.question) return describe(*problem.question);
            return tr("Not confirmed; nothing was changed.");
        case ProblemKind::kCancelled:
            return tr("Stopped; every step that finished is complete on the card and on disk.");
        case ProblemKind::kOutOfMemory:
            return tr("There is not enough memory.");
        case ProblemKind::kOther:
            return fill(tr("{1}."), {f.detail});
    }
    return {};
}

std::string describe(const Record& record) {
    const Facts& f = record.facts;
    switch (record.kind) {
        case RecordKind::kSaved:
            return fill(tr("Photo {1} saved as '{2}'."), {num(f.position), name_of(f.name)});
        case RecordKind::kSavedToOutput:
            return fill(tr("Photo {1} written to standard output."), {num(f.position)});
        case RecordKind::kPut:
            return fill(tr("'{1}' put on the card as photo {2} (slot {3})."),
                        {base_of(f.name), num(f.position), num(f.slot)});
        case RecordKind::kDeleted:
            return fill(tr("Photo {1} deleted."), {num(f.position)});
        case RecordKind::kFormatted:
            return fill(ntr("The card is formatted: it has room for {1} photo.",
                            "The card is formatted: it has room for {1} photos.", f.other_count),
                        {num(f.other_count)});
        case RecordKind::kBackedUp:
            return fill(
                ntr("{1} photo ({2} MiB) backed up to '{3}'.", "{1} photos ({2} MiB) backed up to '{3}'.", f.count),
                {num(f.count), mib(f.bytes), name_of(f.name)});
        case RecordKind::kRestored:
            return fill(ntr("{1} photo restored from '{2}'.", "{1} photos restored from '{2}'.", f.count),
                        {num(f.count), name_of(f.name)});
        case RecordKind::kImported:
            return fill(tr("Photo {1} imported as '{2}'."), {num(f.position), in_folder(f.folder, f.name)});
        case RecordKind::kRescued:
            if (f.count == 0) {
                return fill(tr("Saved '{1}'; the photo list does not name this picture."),
                            {in_folder(f.folder, f.name)});
            }
            return fill(tr("Saved '{1}'."), {in_folder(f.folder, f.name)});
        case RecordKind::kNothingToSave:
            return tr("The card holds no photos; there is nothing to save.");
        case RecordKind::kCardBlank:
            return tr("The card reads as blank: there are no pictures to save.");
        case RecordKind::kCatalogSound:
            return tr("The card's photo list is sound: there is nothing to repair.");
        case RecordKind::kRescueSaved:
            if (f.other_count == 0) return tr("No pictures were found on the card.");
            if (f.count == f.other_count) {
                return fill(ntr("The {1} picture found was saved in '{2}'.",
                                "All {1} pictures found were saved in '{2}'.", f.count),
                            {num(f.count), name_of(f.folder)});
            }
            return fill(ntr("{1} of the {2} picture found was saved in '{3}'.",
                            "{1} of the {2} pictures found were saved in '{3}'.", f.other_count),
                        {num(f.count), num(f.other_count), name_of(f.folder)});
        case RecordKind::kRepaired:
            return fill(ntr("The card's photo list names the {1} picture found again.",
                            "The card's photo list names the {1} pictures found again.", f.count),
                        {num(f.count)});
        case RecordKind::kPutBack:
            return fill(tr("'{1}' put back on the card."), {in_folder(f.folder, f.name)});
    }
    return {};
}

std::string describe(const Warning& warning) {
    const Facts& f = warning.facts;
    switch (warning.kind) {
        case WarningKind::kCardCreated:
            return fill(tr("A fresh {1} MiB card was made in '{2}'."), {mib(f.bytes), name_of(f.name)});
        case WarningKind::kSizeIgnored:
            return fill(tr("'{1}' holds a {2} MiB card; the size given applies only to a new card."),
                        {name_of(f.name), mib(f.bytes)});
        case WarningKind::kRescueSizeIgnored:
            return fill(tr("The card reads as a {1} MiB card; the size given ({2} MiB) is not used."),
                        {mib(f.bytes), mib(f.other_bytes)});
        case WarningKind::kRestoreInterrupted:
            return fill(tr("The last restore of '{1}' onto this card (started {2}) was interrupted: the card's "
                           "pictures may not match its photo list."),
                        {name_of(f.name), f.when});
        case WarningKind::kShortImage:
            return fill(tr("The card image '{1}' holds only {2} bytes: the rest of the card is read as erased."),
                        {name_of(f.name), num(f.bytes)});
        case WarningKind::kPicturesUnlisted:
            return fill(ntr("The photo list does not name {1} of the {2} pictures found; it is saved in '{4}' as "
                            "{3}.",
                            "The photo list does not name {1} of the {2} pictures found; they are saved in '{4}' as "
                            "{3}.",
                            f.count),
                        {num(f.count), num(f.other_count), f.detail, name_of(f.folder)});
        case WarningKind::kPhotoStaysOnCard:
            return fill(tr("Photo {1} stays on the card: its file in the folder does not read back as it was "
                           "written."),
                        {num(f.position)});
        case WarningKind::kPhotoStaysLossy:
            return fill(tr("Photo {1} stays on the card: its file '{2}' is a JPEG, which does not keep every pixel "
                           "of the photo. Import it as .png or .bmp into another folder to let it leave the card."),
                        {num(f.position), base_of(f.name)});
        case WarningKind::kPhotoFileInUse:
            return fill(tr("Photo {1} was not checked and stays on the card: its file '{2}' is open in another "
                           "program. Import again once that program has closed it."),
                        {num(f.position), in_folder(f.folder, f.name)});
    }
    return {};
}

std::string describe(const Question& question) {
    const Facts& f = question.facts;
    switch (question.kind) {
        case QuestionKind::kDelete:
            return fill(ntr("Deleting the photo on the card cannot be undone.",
                            "Deleting {1} of the {2} photos on the card cannot be undone.", f.other_count),
                        {num(f.count), num(f.other_count)});
        case QuestionKind::kFormat:
            return fill(ntr("Formatting erases the card's photo list, and so the {1} photo on the card.",
                            "Formatting erases the card's photo list, and so all {1} photos on the card.", f.count),
                        {num(f.count)});
        case QuestionKind::kRestore:
            return fill(ntr("Restoring replaces the {1} photo on the card with the photos of '{3}' ({2}).",
                            "Restoring replaces all {1} photos on the card with the photos of '{3}' ({2}).", f.count),
                        {num(f.count), num(f.other_count), name_of(f.name)});
        case QuestionKind::kRepairCatalog:
            if (f.other_count == 0) {
                return fill(ntr("Repairing writes a photo list naming the {1} picture found.",
                                "Repairing writes a photo list naming the {1} pictures found.", f.count),
                            {num(f.count)});
            }
            return fill(ntr("Repairing writes a photo list naming the {1} picture found; it is put back on the card "
                            "from '{3}' to be named.",
                            "Repairing writes a photo list naming the {1} pictures found; {2} of them are put back "
                            "on the card from '{3}' to be named.",
                            f.count),
                        {num(f.count), num(f.other_count), name_of(f.folder)});
        case QuestionKind::kRepairRebuild:
            return fill(ntr("Repairing formats the card and puts back the {1} picture found (it is saved in '{2}').",
                            "Repairing formats the card and puts back the {1} pictures found (all are saved in "
                            "'{2}').",
                            f.count),
                        {num(f.count), name_of(f.folder)});
        case QuestionKind::kRawWrite:
            return fill(tr("Writing {1} bytes at block {2} programs the card directly and can damage photos and the "
                           "photo list."),
                        {num(f.bytes), num(f.position)});
    }
    return {};
}

std::string describe(const Step& step) {
    const std::string position = num(step.position.value_or(0));
    switch (step.kind) {
        case StepKind::kReadPhoto:
            return fill(tr("Reading photo {1}"), {position});
        case StepKind::kSavePhoto:
            return fill(tr("Saving photo {1}"), {position});
        case StepKind::kImportPhoto:
            return fill(tr("Importing photo {1}"), {position});
        case StepKind::kPut:
            return fill(tr("Putting '{1}' on the card"), {base_of(step.name)});
        case StepKind::kDelete:
            return fill(tr("Deleting photo {1}"), {position});
        case StepKind::kBackup:
            return fill(tr("Backing up the card to '{1}'"), {base_of(step.name)});
        case StepKind::kRestore:
            return fill(tr("Restoring the card from '{1}'"), {base_of(step.name)});
        case StepKind::kRescueRead:
            return tr("Reading the whole card");
        case StepKind::kRescuePut:
            return fill(tr("Putting '{1}' back on the card"), {base_of(step.name)});
    }
    return {};
}

}  // namespace pixavon::host
