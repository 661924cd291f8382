// What the host core tells a front end: every workflow's Outcome, the
// Problems, Records, Warnings and Questions in it, each with its Facts, the
// Steps a workflow shows as it goes, and the Frontend interface through which
// it shows them. A front end may include this alone, without the Core class.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalog.h"

namespace pixavon::host {

// What the core tells a front end is data, never finished sentences:
//
// - Every workflow ends in an Outcome: a Status, and when it did not end as
//   asked, a Problem (what stands in the way, a ProblemKind) with its Facts
//   (positions, counts, sizes, file and folder names as the file system has
//   them) and a Hint (what the person can do about it). What was done is a
//   list of Records (saved position -> file, put file -> position, ...).
// - Questions (Frontend::confirm), warnings and notes are structured the same
//   way: a kind and its Facts.
// - describe() turns each of them into one neutral sentence in the person's
//   language (gettext domain "pixavon"), saying what happened and never how
//   to act on it: no command-line flag or button name ever comes from the
//   core. Each front end phrases the Hint itself: the tool with its flags
//   (--yes, --force, --size, --card IMAGE), the window with its buttons.
// - Names in Facts are raw bytes; describe() shows them decoded from the
//   locale's codeset in the codeset init_translations() was given.
// - A Step is one unit of progress: a StepKind, its subject (a position
//   and/or a file name), item of items, and the units the library reports.
//   Where a workflow runs many steps as one (an import), `run_units` and
//   `run_units_before` give one overall measure for a single bar.
// - A front end calls init_translations() (i18n.h) once at start, with its
//   codeset. Positions count from 0 here; a front end may show them from 1.
// - ImportSummary and RescueSummary are filled as the workflow goes, so they
//   tell how far it came also when it was cancelled or failed. During a
//   rescue the library's boxes do not reach the front end.

// The numbers and names of a problem, a record, a warning or a question.
// Each kind says which fields it fills; the others stay zero or empty.
struct Facts {
    uint32_t position = 0;
    uint32_t other_position = 0;
    uint32_t slot = 0;
    uint32_t count = 0;        // photos or pictures
    uint32_t other_count = 0;  // a second count: a limit, photos in a backup
    uint64_t bytes = 0;
    uint64_t other_bytes = 0;
    std::string name;        // a file or folder, raw bytes
    std::string folder;      // a folder, raw bytes
    std::string card_image;  // the card image in use, raw bytes; empty: the attached camera
    std::string when;        // a local time, "YYYY-MM-DD HH:MM"
    std::string detail;      // a decoder's or the system's own words, already in the person's language
    int error = 0;           // errno, when the system said why
};

// What a person can do about a problem; each front end phrases it its own way.
enum class Hint : uint8_t {
    kNone,
    kConfirm,           // it needs a yes, which nobody could give
    kNeedsSize,         // the card's size must be said: 8 or 16 MiB
    kCardImageMissing,  // the card image does not exist: a size creates a fresh one
    kReplace,           // the file exists: another name, or replacing it
    kOtherName,         // another name or folder
    kCheckCamera,       // check the camera (connection) and try again
    kCheckThenLook,     // check the camera, then look at what the card holds now (not the same again)
    kTryAgain,          // try again
    kCheckDisk,         // check the folder exists, can be written and has room
    kConnectCamera,     // connect the camera, or open a card image
    kRestoreAgain,      // restore `name` again onto the same card (`card_image`)
    kTryRescue,         // rescue the card's photos
    kFormatInCamera,    // format in the camera, then put the pictures back: from `folder` where they are saved,
                        // or, with no folder, after saving them first (rescue)
    kFormatThenPut,     // the pictures are saved in `folder`: format the card (our own format), put them back
    kPutBack,           // pictures the list does not name are saved in `folder`: put them back to list them
    kDeleteSome,        // delete photos first, or put fewer
    kSaySelection,      // say which photos or files
};

enum class QuestionKind : uint16_t {
    kDelete,         // count to delete, other_count: photos on the card
    kFormat,         // count: photos on the card
    kRestore,        // count: photos on the card, other_count: in the backup, name
    kRepairCatalog,  // count: pictures found (all saved in folder), other_count: how many of them are put back
    kRepairRebuild,  // count: pictures found, folder where they are saved
    kRawWrite,       // bytes, position: the block
};

struct Question {
    QuestionKind kind;
    Facts facts;
};

enum class ProblemKind : uint16_t {
    kNone,
    // Reaching the card.
    kNoCamera,              // folder: the device folder
    kCameraInUse,           // folder; count: the holder's process id, 0 unknown
    kCardImageMissing,      // name
    kCardImageUnusable,     // name; error or detail
    kCardImageNotAFile,     // name: a pipe, a device or a folder
    kCardImageInUse,        // name; count: the holder's process id, 0 unknown
    kNoSpaceForCard,        // name, bytes: no room on the disk for the card image
    kCameraNotStarted,      // name, detail
    kLibraryMissing,        // detail
    kCardImageNotSaved,     // name
    kCatalogNoAnswer,       //
    kCatalogChanged,        //
    kCatalogDamaged,        // the list does not load: photos and size unknown
    kCatalogErased,         // the list reads erased (a change cut short); count: pictures on the card, bytes: its size
    kListTooLong,           // count, other_count: capacity
    kListSlotOutOfRange,    // position, slot, other_count: slots on the card
    kListSlotTwice,         // other_position, position, slot
    kCardBlank,             // the card reads blank, so its size is unknown (a repair needs it)
    kWrongCardSize,         // the size asked is not 8 or 16
    kListWrongSize,         // bytes: the card's measured size, other_bytes: the size its list gives
    kSizeContradicts,       // bytes: the card's size, proven by the card; other_bytes: the size given
    kCardImageWrongLength,  // name, bytes: its length, neither 8 nor 16 MiB
    // What was asked.
    kNothingSelected,     // no photos or files were given
    kPositionsAndAll,     //
    kPositionOutOfRange,  // position, count: photos on the card
    kPositionTwice,       // position
    kOutputTakesOne,      // standard output takes one photo
    kOutputNamesOneFile,  // name: one file given for several photos
    kUnknownFormat,       // name: an extension that names no format
    kFormatMismatch,      // name: its extension and the format asked differ
    kNamePatternBad,      // name: the pattern; detail: what is wrong
    kNamePatternFormat,   // name: the pattern's extension names no format
    kNamePatternLossy,    // name: a JPEG pattern with delete after import (JPEG keeps no photo's every pixel)
    kFileExists,          // name
    kNotAFile,            // name
    // Files and folders.
    kCannotMakeFolder,   // folder; error or detail
    kCannotRead,         // name; error or detail
    kCannotWrite,        // name; error or detail
    kCannotWriteOutput,  // error: standard output
    kNoSpace,            // folder, bytes needed, other_bytes free
    kBadPicture,         // name, detail: a picture that cannot be put
    // The card's work.
    kCardFull,           // count, other_count: capacity
    kTooManyPictures,    // count, other_count: free slots
    kNotTaken,           // name: the camera did not take the picture
    kPhotoUnreadable,    // position, slot; detail
    kPhotoNotOnCard,     // position
    kDeleteFailed,       // position; count: photos the card holds now
    kDeleteCutOff,       // position: the camera stopped answering while its list was written
    kDeleteThenGone,     // position: deleted, then the camera stopped answering; count: photos not deleted
    kFormatFailed,       //
    kCardReadFailed,     // bytes: where
    kBackupSizeUnknown,  // the list does not load, so its size is unknown
    kBackupWrongSize,    // name, bytes: the file's, other_bytes: the card's
    kNotABackup,         // name: no catalog for a card of this size
    kRestoreFailed,      // name, card_image: the card is incomplete now
    kRestoreOntoItself,  // name: the backup is the card image in use
    kRestoreNotNoted,    // detail
    kRepairImpossible,   // count found, folder: all of them are saved there
    kRepairWrongSize,    // count found, folder (all saved there); bytes: the card's size, which its list gives wrongly
    kShortImageNotRepaired,  // count found, folder (all saved there); name: the card image, cut short
    kIndexNotAFile,          // name: the import index is a link, a pipe, a device or a folder
    kIndexTooLarge,          // name: the import index, bytes: its size, other_bytes: the most read; folder
    kIndexHasOtherNames,     // name: the import index, a file with names elsewhere too (hard links)
    kImportFolderBusy,       // folder: another import into it is running
    kRepairFailed,           // count found, folder (all saved there), detail
    kNotConfirmed,           // the person said no; with Hint::kConfirm nobody could be asked
    kCancelled,              // stopped between steps; each finished step is whole
    kOutOfMemory,            //
    kOther,                  // detail
};

struct Problem {
    ProblemKind kind = ProblemKind::kNone;
    Hint hint = Hint::kNone;
    Facts facts;
    // kNotConfirmed with Hint::kConfirm: the question nobody could answer.
    std::optional<Question> question;
};

// One thing a workflow did, told as it is done.
enum class RecordKind : uint16_t {
    kSaved,          // position -> name
    kSavedToOutput,  // position -> standard output
    kPut,            // name -> position, slot
    kDeleted,        // position
    kFormatted,      // other_count: free slots
    kBackedUp,       // count photos, bytes, name
    kRestored,       // count photos, name
    kImported,       // position -> name (in folder)
    kRescued,        // slot -> name (in folder); count 0 when a list that fits the card leaves it out
    kNothingToSave,  // the card holds no photos
    kCardBlank,      // rescue: the card reads blank, no pictures to save
    kCatalogSound,   // rescue: nothing to repair
    kRescueSaved,    // rescue: count pictures saved of other_count found, in folder
    kRepaired,       // rescue: the catalog lists the count pictures found again
    kPutBack,        // rescue: name (a saved picture, in folder) put back on the card for the list to name it
};

struct Record {
    RecordKind kind;
    Facts facts;
};

enum class WarningKind : uint16_t {
    kCardCreated,         // name, bytes: card size
    kSizeIgnored,         // name, bytes: the card's size (a size applies to a new card only)
    kRescueSizeIgnored,   // bytes: the size found, other_bytes: the size given
    kRestoreInterrupted,  // name: the backup, when, card_image; hint kRestoreAgain
    kPhotoStaysOnCard,    // position: its file does not read back as written
    kPhotoStaysLossy,     // position, name: its file is a JPEG, which keeps no photo's every pixel
    kPhotoFileInUse,  // position, name (in folder): another program holds its file; neither imported again nor deleted
    kShortImage,      // name, bytes: a card image cut short, read with the rest erased
    kPicturesUnlisted,  // count pictures found that the list does not name, of other_count; folder; detail: their slots
};

struct Warning {
    WarningKind kind;
    Hint hint = Hint::kNone;
    Facts facts;
};

enum class StepKind : uint8_t {
    kReadPhoto,    // position: a photo read to be shown
    kSavePhoto,    // position
    kImportPhoto,  // position
    kPut,          // name
    kDelete,       // position
    kBackup,       // name
    kRestore,      // name
    kRescueRead,   // the whole card
    kRescuePut,    // slot, name: a saved picture put back
};

// One unit of a workflow as the front end shows it: "photo 3 of 12".
struct Step {
    StepKind kind = StepKind::kReadPhoto;
    std::optional<uint32_t> position;
    std::optional<uint32_t> slot;
    std::string name;   // a file, raw bytes
    uint32_t item = 1;  // 1-based, of `items`
    uint32_t items = 1;
    uint64_t units = 0;  // progress advances expected
    uint64_t bytes = 0;  // bytes moved, for rates
    // For one bar over a whole run of steps: the units of the run, and those
    // done before this step. 0: this step is the run.
    uint64_t run_units = 0;
    uint64_t run_units_before = 0;
};

// What the core asks of the program in front of it.
class Frontend {
public:
    enum class Answer { kYes, kNo, kCannotAsk };
    // Asks before something that cannot be undone. kCannotAsk: there is nobody
    // to ask (no terminal) and nothing said yes beforehand.
    virtual Answer confirm(const Question& question) = 0;
    virtual void begin(const Step& step) = 0;
    // One unit of the current step is about to be done.
    virtual void advance() = 0;
    virtual void end(bool ok) = 0;
    // A box the library showed: `owned` for card errors, false for the file
    // box. Its texts are the library's, in the locale's codeset.
    virtual void box(bool owned, const std::string& caption, const std::string& text) = 0;
    // Something done, as it is done, or a warning to show.
    virtual void note(const Record& record) = 0;
    virtual void warn(const Warning& warning) = 0;

protected:
    ~Frontend() = default;
};

struct Outcome {
    enum class Status { kDone, kRefused, kFailed, kCancelled };
    Status status = Status::kDone;
    Problem problem;           // why it did not end as asked; kNone when done
    std::vector<Record> done;  // what was done, in order

    bool ok() const { return status == Status::kDone; }
    // 0 done, 1 failed, 2 refused (bad input), 128 + signal when cancelled by
    // one (130 for a Cancel without a signal).
    int exit_code(int signal) const;
};

// One neutral sentence, in the person's language, without hints.
std::string describe(const Problem& problem);
std::string describe(const Record& record);
std::string describe(const Warning& warning);
std::string describe(const Question& question);
// "Saving photo 3", "Putting beach.png on the card".
std::string describe(const Step& step);

// The card as the host sees it now.
struct CardState {
    bool connected = false;
    bool catalog_loads = false;  // signature and capacity code are right
    bool catalog_ok = false;     // and the list is one the card can hold
    Catalog catalog;             // when it loads
    // The card's size as measured on the card (a card image's length; a
    // camera's read off the card), 0 when it cannot be told. A list that
    // gives another size is not used.
    uint64_t measured_bytes = 0;
    Problem problem;  // why it cannot be used, when !catalog_ok
    uint64_t card_bytes() const { return catalog_loads ? catalog.card_bytes() : 0; }
};

}  // namespace pixavon::host
