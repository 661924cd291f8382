// The host core: every workflow a person runs on the camera's card, written
// once with its safeguards, for the command-line tool and the window alike.
//
// A Core opens one card (a card image served by an embedded camera, or the
// attached camera), holds it exclusively until it is closed, and runs each
// workflow to an Outcome: what was done, or what was refused, failed or was
// cancelled, and why, in words a person understands. Progress, questions and
// the library's boxes go to the front end through Frontend; a CancelToken
// stops a workflow between units of work, never inside a library call, so a
// catalog rewrite is never cut by the host.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera_session.h"
#include "cancel.h"
#include "image.h"
#include "library.h"

namespace pixavon::host {

class EmbeddedCamera;

// One unit of a workflow as the front end shows it: "photo 3 of 12".
struct Step {
    uint32_t label_id = 0;  // string table id naming the operation
    std::string label;      // its text
    std::string subject;    // what it works on: a file name, "photo 4"
    uint32_t item = 1;      // 1-based, of `items`
    uint32_t items = 1;
    uint64_t units = 0;  // progress advances expected
    uint64_t bytes = 0;  // bytes moved, for rates
};

// What the core asks of the program in front of it.
class Frontend {
public:
    enum class Answer { kYes, kNo, kCannotAsk };
    // Asks before something that cannot be undone. kCannotAsk: there is nobody
    // to ask (no terminal) and nothing said yes beforehand.
    virtual Answer confirm(const std::string& question) = 0;
    virtual void begin(const Step& step) = 0;
    // One unit of the current step is about to be done.
    virtual void advance() = 0;
    virtual void end(bool ok) = 0;
    // A box the library showed: `owned` for card errors, false for the file box.
    virtual void box(bool owned, const std::string& caption, const std::string& text) = 0;
    // Something done, as it is done ("3 -> photo-3.png"), or a warning to show.
    virtual void note(const std::string& line) = 0;
    virtual void warn(const std::string& line) = 0;

protected:
    ~Frontend() = default;
};

struct Outcome {
    enum class Status { kDone, kRefused, kFailed, kCancelled };
    Status status = Status::kDone;
    std::string message;            // why it did not end as asked; empty when done
    std::vector<std::string> done;  // what was done, in order

    bool ok() const { return status == Status::kDone; }
    // 0 done, 1 failed, 2 refused (bad input), 128 + signal when cancelled by
    // one (130 for a Cancel without a signal).
    int exit_code(int signal) const;
};

// The card as the host sees it now.
struct CardState {
    bool connected = false;
    bool catalog_loads = false;  // signature and capacity code are right
    bool catalog_ok = false;     // and the list is one the card can hold
    Catalog catalog;             // when it loads
    std::string problem;         // why it cannot be used, when !catalog_ok
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
};

struct ImportSummary {
    std::string folder;
    uint32_t imported = 0;                                // saved now
    uint32_t already = 0;                                 // in the folder's index before
    uint32_t deleted = 0;                                 // deleted from the card afterwards
    std::vector<std::pair<uint32_t, std::string>> files;  // position and file of each saved now
};

// $XDG_PICTURES_DIR (or ~/Pictures) / Lumetta.
std::string default_import_folder();
// The file in `folder` into which `photo` was imported, if it was.
std::optional<std::string> imported_file(const std::string& folder, const Image& photo);

// Saving every picture a card holds, straight from its slots, whatever its
// catalog says; and with `repair`, making the catalog list them again.
struct RescueRequest {
    std::string folder;  // where the pictures go, as slot-NN.png
    int size_mib = 0;    // 8 or 16 when the card's size cannot be found (a blank card)
    bool repair = false;
};

struct RescueSummary {
    uint32_t card_mib = 0;
    uint32_t found = 0;   // slots holding a picture
    uint32_t saved = 0;   // written to the folder
    uint32_t listed = 0;  // of those, named by the catalog
    // The catalog fits the card (loads, with the card's capacity code), so
    // `listed` and the files' "-unlisted" say what it lists.
    bool listing_known = false;
    bool repaired = false;  // the catalog was rewritten and lists them
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
    // Opens the camera; false (with nothing shown) when there is none.
    bool open_camera();
    // Closes the camera and saves the card image. Safe to call more than once.
    Outcome finish();

    bool prepared() const { return session_ != nullptr; }
    bool camera_open() const { return session_ != nullptr && session_->is_open(); }
    const std::string& description() const { return description_; }
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
    std::optional<Image> read_photo(uint32_t position, std::string* why);

    // A text of the library's string table.
    std::string text(uint32_t id) { return session_->text(id); }

    // The camera's bitmap of the photo at `position` of `catalog` (the card's
    // list as inspect() last read it), as the library saves it, not decoded;
    // nullopt with `why` set if it cannot be read.
    std::optional<std::vector<uint8_t>> read_bitmap(uint32_t position, const Catalog& catalog, std::string* why);

private:
    class Window;
    struct Stop;

    template <typename Body>
    Outcome run(Body&& body);
    [[noreturn]] void refuse(const std::string& message);
    [[noreturn]] void fail(const std::string& message);
    void stop_if_cancelled();
    // Asks the front end; ends the workflow unless the answer is yes.
    void ask(const std::string& question);
    // The catalog, which must be one the card can hold; refuses otherwise.
    Catalog usable_catalog();
    std::vector<uint8_t> download(uint32_t position, const Catalog& catalog, uint32_t item, uint32_t items);
    void say(Outcome& outcome, const std::string& line);
    void warn_if_restore_interrupted();
    // `image`, or a copy of it made whole with erased bytes when it is short.
    std::string padded_if_short(const std::string& image, int create_mib);

    CancelToken& cancel_;
    Frontend* frontend_;
    std::unique_ptr<Window> window_;
    std::unique_ptr<EmbeddedCamera> camera_;
    int device_dir_lock_ = -1;
    std::unique_ptr<Library> library_;
    std::unique_ptr<Session> session_;
    std::string description_;
    std::string card_name_;
    std::string card_key_;           // identity of the card for the restore record
    std::string card_image_;         // the card image as given, empty for the attached camera
    PrivateDir padded_dir_;          // holds the copy of a short card image, when one is served
    std::optional<Catalog> loaded_;  // the catalog inspect() last found usable
    bool finished_ = false;
};

// What a photo is known by: the SHA-256 of its pixels (the import's index,
// the mounted folder's PNGs).
Digest pixel_digest(const Image& photo);

}  // namespace pixavon::host
