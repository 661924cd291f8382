// The host core: every workflow a person runs on the camera's card, written
// once with its safeguards, for the command-line tool and the window alike.
//
// A Core opens one card (a card image served by an embedded camera, or the
// attached camera), holds it exclusively until it is closed, and runs each
// workflow to an Outcome: what was done, or what was refused, failed or was
// cancelled, and why, as data each front end words its own way (see below).
// Progress, questions and the library's boxes go to the front end through
// Frontend; a CancelToken stops a workflow between units of work, never
// inside a library call, so a catalog rewrite is never cut by the host.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera_session.h"
#include "cancel.h"
#include "i18n.h"
#include "image.h"
#include "library.h"
#include "os/os.h"
#include "photo_reader.h"

namespace pixavon::host {

class EmbeddedCamera;

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
    kTryAgain,          // try again
    kCheckDisk,         // check the folder exists, can be written and has room
    kConnectCamera,     // connect the camera, or open a card image
    kRestoreAgain,      // restore `name` again onto the same card (`card_image`)
    kTryRescue,         // rescue the card's photos
    kFormatInCamera,    // the pictures are saved: format in the camera, put them back
    kFormatThenPut,     // the pictures are saved in `folder`: format the card (our own format), put them back
    kPutBack,           // pictures the list does not name are saved in `folder`: put them back to list them
    kDeleteSome,        // delete photos first, or put fewer
    kSaySelection,      // say which photos or files
};

enum class QuestionKind : uint16_t {
    kDelete,         // count to delete, other_count: photos on the card
    kFormat,         // count: photos on the card
    kRestore,        // count: photos on the card, other_count: in the backup, name
    kRepairCatalog,  // count: pictures found
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
    kCardImageUnusable,     // name, detail
    kCardImageInUse,        // name; count: the holder's process id, 0 unknown
    kNoSpaceForCard,        // name, bytes: no room on the disk for the card image
    kCameraNotStarted,      // name, detail
    kLibraryMissing,        // detail
    kCardImageNotSaved,     // name
    kCatalogNoAnswer,       //
    kCatalogChanged,        //
    kCatalogDamaged,        // the list does not load: photos and size unknown
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
    kDeleteFailed,       // position
    kFormatFailed,       //
    kCardReadFailed,     // bytes: where
    kBackupSizeUnknown,  // the list does not load, so its size is unknown
    kBackupWrongSize,    // name, bytes: the file's, other_bytes: the card's
    kNotABackup,         // name: no catalog for a card of this size
    kRestoreFailed,      // name, card_image: the card is incomplete now
    kRestoreNotNoted,    // detail
    kRepairImpossible,   // count found, folder: all of them are saved there
    kRepairWrongSize,    // count found, folder (all saved there); bytes: the card's size, which its list gives wrongly
    kShortImageNotRepaired,  // count found, folder (all saved there); name: the card image, cut short
    kIndexNotAFile,          // name: the import index is a link, a pipe, a device or a folder
    kIndexTooLarge,          // name: the import index, bytes: its size, other_bytes: the most read; folder
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
    kShortImage,          // name, bytes: a card image cut short, read with the rest erased
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
    kRescuePut,    // slot: a picture put back
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

struct Target {
    std::string card_image;  // empty: the attached camera
    int create_mib = 0;      // with card_image: make a fresh 8 or 16 MiB card if missing
    // With card_image: an image cut short is read as far as it goes, the
    // rest as erased (a copy is served; the image is not changed).
    bool read_short_image = false;
};

enum class OutputFormat { kByName, kBmp, kPng, kJpeg };

struct ExportRequest {
    std::vector<uint32_t> positions;
    bool all = false;
    // A file for one photo, a folder for several, "-" for standard output, or
    // empty: photo-POSITION.EXT in the current folder.
    std::string output;
    OutputFormat format = OutputFormat::kByName;
    bool replace = false;
};

struct PutRequest {
    std::vector<std::string> files;
    Fit fit = Fit::kPad;
    // Tried when the host's own decoders do not know a file (the window passes
    // Qt's); returns nullopt when it cannot either.
    std::function<std::optional<Image>(const std::vector<uint8_t>&)> other_decoder;
};

// Taking the card's new photos into a folder, as a photo manager does: each
// photo is known by a hash of its pixels, kept in an index file in the folder,
// so a rerun imports exactly what the folder has not had before.
struct ImportRequest {
    std::string folder;  // empty: default_import_folder()
    // Fields: {date} (import date, YYYY-MM-DD), {n} or {n:03} (running number),
    // {slot}, {position}, {hash} (the pixels' SHA-256, its first 8 hex digits). The extension picks the
    // format: .png, .jpg/.jpeg or .bmp.
    std::string name_pattern = "{date}-{n:03}.png";
    bool again = false;         // import photos whose files were removed from the folder
    bool delete_after = false;  // delete the imported, verified photos from the card
    // Only the photos at these positions; empty: every photo on the card.
    std::vector<uint32_t> positions;
};

// Filled as the import goes, so that it tells also after a Cancel or a
// failure how far it came ("6 of 30 saved before you stopped").
struct ImportSummary {
    std::string folder;
    uint32_t photos = 0;      // photos to look at: the card's, or those selected
    uint32_t looked_at = 0;   // of those, read before the import ended
    uint32_t imported = 0;    // saved now
    uint32_t already = 0;     // imported before this run, so not again
    uint32_t removed = 0;     // of those, whose file has since been removed
    uint32_t duplicates = 0;  // further copies of a shot on the card: the folder takes one
    uint32_t deleted = 0;     // deleted from the card afterwards
    uint32_t kept = 0;        // left on the card: their file does not read back as written
    // Of those imported, the photos imported again: the file they had been
    // saved to was changed since, and is left as it is.
    uint32_t changed = 0;
    std::vector<std::pair<uint32_t, std::string>> files;  // position and file of each saved now
};

// The desktop's pictures folder (XDG_PICTURES_DIR in the environment, else in
// $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Pictures), then Lumetta.
std::string default_import_folder();
// The file in `folder` into which `photo` was imported, if it was.
std::optional<std::string> imported_file(const std::string& folder, const Image& photo);

// Saving every picture a card holds, straight from its slots, whatever its
// catalog says; and with `repair`, making the catalog list them again.
struct RescueRequest {
    std::string folder;  // where the pictures go, as picture-NN.png (NN counts the slots from 01)
    int size_mib = 0;    // 8 or 16 when the card's size cannot be found (a blank card)
    bool repair = false;
};

// A photo for a window's grid, as Core::read_next_photo() hands it out.
struct GridPhoto {
    uint32_t position = 0;
    uint32_t slot = 0;
    std::shared_ptr<const Image> photo;  // 322 x 242; null when nothing was read
};

// Filled as the rescue goes. The library's boxes are kept from the front end
// during a rescue: its reads of a damaged card are expected to fail.
struct RescueSummary {
    std::string folder;
    uint32_t card_mib = 0;
    uint32_t found = 0;   // slots holding a picture
    uint32_t saved = 0;   // written to the folder
    uint32_t listed = 0;  // of those, named by the catalog
    // The catalog fits the card (loads, with the card's capacity code), so
    // `listed` and the files' "-unlisted" say what it lists.
    bool listing_known = false;
    bool repaired = false;  // the catalog was rewritten and lists them
    bool all_saved() const { return saved == found; }
};

class Core {
public:
    explicit Core(CancelToken& cancel);
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    // Takes the card for this process alone, points the library at it and
    // loads the library (beside the executable, else by soname; or exactly
    // `library_path`). Call before other threads start: it sets the
    // environment.
    Outcome prepare(const Target& target, const std::string& library_path = "");
    void set_frontend(Frontend& frontend) { frontend_ = &frontend; }
    // Opens the camera; false (with nothing shown) when there is none, or
    // when another program has taken the attached camera meanwhile.
    bool open_camera();
    // Closes the camera after it failed, so that open_camera() opens it
    // afresh (it may have been unplugged and plugged in again), and lets
    // other programs take the attached camera until then.
    void close_camera();
    // The folder the attached camera appears in; empty for a card image.
    const std::string& device_folder() const { return device_dir_; }
    // Closes the camera and saves the card image. Safe to call more than once.
    Outcome finish();

    bool prepared() const { return session_ != nullptr; }
    bool camera_open() const { return session_ != nullptr && session_->is_open(); }
    // "embedded camera, card image card.bin" or "camera in /run/...", in the
    // person's language.
    std::string description() const;
    // "card.bin" or "camera", for titles.
    const std::string& card_name() const { return card_name_; }
    Session& session() { return *session_; }
    CancelToken& cancel() { return cancel_; }

    // Loads the catalog and judges it.
    CardState inspect();

    Outcome export_photos(const ExportRequest& request);
    Outcome put_pictures(const PutRequest& request);
    // Deletes the photos at `positions` (highest first); asks first when
    // `ask_first` is set.
    Outcome delete_photos(std::vector<uint32_t> positions, bool ask_first);
    Outcome format_card();
    Outcome backup(const std::string& file, bool replace);
    Outcome restore(const std::string& file);
    // Saves every photo of the card that `request.folder` has not imported
    // before; see ImportRequest. `summary` may be null.
    Outcome import_photos(const ImportRequest& request, ImportSummary* summary);

    // Reads the whole card raw and saves each slot that holds a picture; see
    // RescueRequest. Works on any card, whatever state its catalog is in.
    Outcome rescue(const RescueRequest& request, RescueSummary* summary);

    // The photo at `position` of the last loaded catalog, decoded; nullopt with
    // `why` set if it cannot be read.
    std::optional<Image> read_photo(uint32_t position, Problem* why);

    // Photos for a window's grid (thumbnails), in the order people see them.
    //
    // The core keeps every photo it reads, by slot, for as long as the slot
    // holds it: each inspect() drops the photos whose slot the new list no
    // longer names, or names with another directory entry, and all of them
    // when the list cannot be used or its card size changed; a restore, a
    // rescue's repair and a reopened camera drop them all. Every change this
    // host makes to the card goes through the core and is followed by an
    // inspect(), and a put only ever writes a slot the list does not name, so
    // a photo deleted and its slot written again is always read afresh. A
    // camera changing its card by itself between two reloads is seen only as
    // far as its list shows it (a slot freed, or an entry rewritten).
    //
    // The window's use, after each reload (inspect()):
    //   1. Show kept_photo(p) for every position p; null means "not read yet".
    //   2. queue_photos(visible positions, in the order to read them).
    //   3. While photos_queued() > 0, call read_next_photo() from the event
    //      loop, one photo per call (10 read commands of 10 ms, about 0.1 s),
    //      and show what it hands out. When the visible positions change
    //      (scrolling), call queue_photos() again with the new ones.
    // Each read shows through the Frontend as a StepKind::kReadPhoto step with
    // one advance per read command. A reload that changed nothing reads
    // nothing. Save selected is export_photos(): it takes the kept photos
    // without reading them again; read_photo() (a photo view) takes a kept
    // photo too.

    // Queues the photos of the catalog inspect() last loaded that are not kept:
    // those at `first` (the visible positions) in the order given, then every
    // other one in slot order, so that neighbouring slots share their packets.
    // Positions beyond the list are skipped. Replaces the earlier queue;
    // inspect() empties it.
    void queue_photos(const std::vector<uint32_t>& first);
    // Photos queued and not read yet.
    size_t photos_queued() const { return queue_.size(); }
    // Reads the first queued photo and hands it out in `photo` (its position,
    // slot and picture); `photo->photo` is null when nothing was queued. A
    // failed read is ProblemKind::kPhotoUnreadable with the photo's position
    // and slot, and the photo leaves the queue.
    Outcome read_next_photo(GridPhoto* photo);
    // The photo at `position` of the catalog inspect() last loaded if the core
    // keeps it; null otherwise. Never reads the card.
    std::shared_ptr<const Image> kept_photo(uint32_t position);

    // A text of the library's string table.
    std::string text(uint32_t id) { return session_->text(id); }

    // The camera's bitmap of the photo at `position` of `catalog` (the card's
    // list as inspect() last read it), as the library saves it, not decoded;
    // nullopt with `why` set if it cannot be read.
    std::optional<std::vector<uint8_t>> read_bitmap(uint32_t position, const Catalog& catalog, Problem* why);

private:
    class Window;
    struct Stop;

    template <typename Body>
    Outcome run(Body&& body);
    [[noreturn]] static void refuse(ProblemKind kind, Facts facts = {}, Hint hint = Hint::kNone);
    [[noreturn]] static void fail(ProblemKind kind, Facts facts = {}, Hint hint = Hint::kNone);
    [[noreturn]] static void fail(const Problem& problem);
    void stop_if_cancelled();
    // Asks the front end; ends the workflow unless the answer is yes.
    void ask(const Question& question);
    // The catalog, which must be one the card can hold; refuses otherwise.
    Catalog usable_catalog();
    // The camera's bitmap of the photo at `position` of `catalog`: kept, read
    // ahead, or read now with reader_, shown as `step`; fails naming the
    // photo (kPhotoUnreadable).
    std::vector<uint8_t> download(uint32_t position, const Catalog& catalog, Step shown);

    class ReadAhead;
    // Ends the read-ahead it was made for when it goes.
    class ReadingAhead {
    public:
        explicit ReadingAhead(Core& core) : core_(core) {}
        ~ReadingAhead() { core_.stop_read_ahead(); }
        ReadingAhead(const ReadingAhead&) = delete;
        ReadingAhead& operator=(const ReadingAhead&) = delete;

    private:
        Core& core_;
    };
    // Reads the photos at `positions` of `catalog`, those not kept, in that
    // order on a thread of its own, a few photos ahead of download(), which
    // takes them from it when asked for them in the same order: the card's
    // pauses then pass while the photos before are converted and saved. Until
    // it ends, only download() may reach the library; inspect() and reading
    // anything out of order end it first.
    [[nodiscard]] ReadingAhead read_ahead(const Catalog& catalog, const std::vector<uint32_t>& positions);
    // The read commands each of `positions` of `catalog` costs, read in that
    // order from now: 0 for a photo kept. For one progress bar over a run.
    std::vector<uint32_t> packets_to_read(const Catalog& catalog, const std::vector<uint32_t>& positions) const;
    void stop_read_ahead();

    // A photo read from a slot: what it was read under, and its pictures.
    struct KeptPhoto {
        std::array<uint8_t, kEntrySize> entry{};             // its directory entry when read
        std::shared_ptr<const std::vector<uint8_t>> bitmap;  // as ReadPixavonToFile saves it
        std::shared_ptr<const Image> photo;                  // decoded when first asked for
    };
    // After a catalog load: drops what the new list does not show unchanged.
    void keep_only_listed(const CardState& state);
    void forget_photos();
    void say(Outcome& outcome, RecordKind kind, Facts facts);
    void warn_if_restore_interrupted();
    // The card's size, measured on the card: a card image's length, or for a
    // camera whether the 8 KiB before each of the two possible ends read
    // alike (an 8 MiB card answers both from the same bytes). 0 when that
    // cannot be told (both alike and every byte the same).
    uint64_t measure_card();
    // Has the library take `card_bytes` as the card's size for its next
    // change (its layout comes from the last catalog it loaded that passed
    // its checks): a card image's camera shows it a fresh card of that size
    // first. False when that cannot be done (the attached camera).
    bool teach_library_size(uint64_t card_bytes);
    // `image`, or a copy of it made whole with erased bytes when it is short.
    std::string padded_if_short(const std::string& image, int create_mib);

    CancelToken& cancel_;
    Frontend* frontend_;
    std::unique_ptr<Window> window_;
    std::unique_ptr<EmbeddedCamera> camera_;
    os::FolderLock device_dir_lock_;
    std::unique_ptr<Library> library_;
    std::unique_ptr<Session> session_;
    std::string device_dir_;  // the attached camera's folder
    std::string card_name_;
    std::string card_image_;         // the card image in use; empty: the attached camera
    std::string card_key_;           // identity of the card for the restore record
    PrivateDir padded_dir_;          // holds the copy of a short card image, when one is served
    bool boxes_held_ = false;        // the library's boxes are not shown (during a rescue)
    std::optional<Catalog> loaded_;  // the catalog inspect() last found usable
    PhotoReader reader_;
    std::unique_ptr<ReadAhead> ahead_;
    std::map<uint8_t, KeptPhoto> kept_;  // by slot
    uint32_t kept_capacity_ = 0;         // the card size they were read from
    std::vector<uint32_t> queue_;        // positions for read_next_photo()
    bool finished_ = false;
};

// What a photo is known by: the SHA-256 of its pixels (the import's index,
// the mounted folder's PNGs).
Digest pixel_digest(const Image& photo);

}  // namespace pixavon::host
