// The host core: every workflow a person runs on the camera's card, written
// once with its safeguards, for the command-line tool and the window alike.
//
// A Core opens one card (a card image served by an embedded camera, or the
// attached camera), holds it exclusively until it is closed, and runs each
// workflow to an Outcome: what was done, or what was refused, failed or was
// cancelled, and why, as data each front end words its own way (outcome.h).
// Progress, questions and the library's boxes go to the front end through
// Frontend; a CancelToken stops a workflow between units of work, never
// inside a library call, so a catalog rewrite is never cut by the host.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "camera_session.h"
#include "cancel.h"
#include "digest.h"
#include "i18n.h"
#include "image.h"
#include "library.h"
#include "os/os.h"
#include "outcome.h"
#include "photo_reader.h"
#include "requests.h"

namespace pixavon::host {

struct CardScan;

class EmbeddedCamera;

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
    // The path of the library in use.
    const std::string& library_path() const { return library_->path(); }
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
    // and slot, also in `photo` (its picture null); the photo leaves the
    // queue and is not queued again until the next inspect().
    Outcome read_next_photo(GridPhoto* photo);
    // The photo at `position` of the catalog inspect() last loaded if the core
    // keeps it; null otherwise. Never reads the card.
    std::shared_ptr<const Image> kept_photo(uint32_t position);

    // Asks the front end before something that cannot be undone: done on a
    // yes; failed with kNotConfirmed on a no; refused with kNotConfirmed and
    // Hint::kConfirm (carrying the question) when nobody could be asked. The
    // one question of the core's workflows and of a front end's own risky
    // commands alike.
    Outcome confirm(const Question& question);

    // A text of the library's string table.
    std::string text(uint32_t id) { return session_->text(id); }
    // The library's line on the card's use: `used` photos, `available` free.
    std::string usage_line(uint32_t used, uint32_t available) { return session_->usage_line(used, available); }
    // The private folder (0700) of this card's work, removed when the card is
    // closed. Throws SessionError.
    const std::string& temp_dir() { return session_->temp_dir(); }

    // The card's bytes as they are, past every safeguard, for a person who
    // knows its layout: `into.size()` bytes (whole 512-byte pieces) from read
    // address `address`, in 256-byte units. False when the camera failed.
    bool raw_read(uint16_t address, std::vector<uint8_t>& into);
    // Writes `data` from 512-byte block `block` on, after the front end has
    // confirmed it (QuestionKind::kRawWrite). False when the camera failed.
    // The photos kept are dropped: their slots may have changed.
    bool raw_write(uint16_t block, const std::vector<uint8_t>& data);

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
    // Puts the camera's bitmap staged at `staged` on the card through the
    // library, shown as `shown`; true if the library said it was taken.
    // Fails (kCannotRead) when the staged name cannot be handed to it.
    bool upload(const std::string& staged, const Step& shown);

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
    // alike (an 8 MiB card answers both from the same bytes), and where both
    // are alike in every byte, whether the starts of the slots holding a
    // picture do. 0 when that cannot be told (no picture at any slot's start).
    uint64_t measure_card();
    // How many of the slots of a card of `card_bytes` start with a picture
    // (the library writes a picture from its first block on).
    uint32_t pictures_at_slot_starts(uint64_t card_bytes);
    // The list at the end of a card of `card_bytes` reads erased.
    bool list_erased(uint64_t card_bytes);
    // Has the library take `card_bytes` as the card's size for its next
    // change (its layout comes from the last catalog it loaded that passed
    // its checks): a card image's camera shows it a fresh card of that size
    // first. False when that cannot be done (the attached camera).
    bool teach_library_size(uint64_t card_bytes);
    // Rescue's repair: puts back the pictures found that the card's list does
    // not name, from the scan, named in the folder as `saved_as` says.
    void put_back(Outcome& outcome, const CardScan& scan, const std::map<uint8_t, std::string>& saved_as,
                  const std::string& folder);
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
    std::set<uint32_t> unreadable_;      // positions read_next_photo() failed on since the last inspect()
    bool finished_ = false;
};

// What a photo is known by: the SHA-256 of its pixels (the import's index,
// the mounted folder's PNGs).
Digest pixel_digest(const Image& photo);

}  // namespace pixavon::host
