// The card's work for every window, toolkit-neutral: each operation run on
// the host core and told as the windows' outcomes (outcome.h), the photos
// read for the grid between operations, and the card read afresh after each
// change. The library takes one call at a time, so all of it runs on the
// window's one worker thread, from construction to destruction; the window
// crosses threads its own way (a Qt queued signal, a Win32 message). Only
// cancel() may be called from another thread.
//
// File names here are the host core's own: UTF-8 on Windows, the system's
// bytes elsewhere (UTF-8 in a UTF-8 locale). Card::image, Card::name,
// Result::folder, Result::files, Trouble::name and Question::name come back
// in that form; the window turns them into text to show. The core's
// sentences (Trouble::text, Trouble::detail) are UTF-8 once the program has
// called host::init_translations("UTF-8").
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cancel.h"
#include "core.h"
#include "desktop/outcome.h"
#include "image.h"

namespace pixavon::desktop {

// The core's problems and warnings as the windows take them: the sentence
// without the library's and the system's technical reason, which goes to
// `detail`.
Trouble trouble_of(const host::Problem& problem);
Trouble trouble_of(const host::Warning& warning);

// The card as read, for the grid, the title and the status bar.
struct Card {
    std::string image;          // the card image's path; empty for the camera
    std::string name;           // the card image's file name; empty for the camera
    std::string library;        // the library's path
    std::string device_folder;  // where the attached camera appears; empty for a card image
    bool connected = false;
    bool loads = false;          // the photo list loads
    bool usable = false;         // and is one the card can hold
    uint32_t capacity = 0;       // photos the card holds: 26 or 52
    uint32_t card_mib = 0;       // the card's size, measured or from its list; 0 unknown
    std::vector<uint8_t> slots;  // the slot of each photo position
    Trouble trouble;             // why it cannot be used, when not usable
    uint32_t free() const {
        return usable && capacity > slots.size() ? capacity - static_cast<uint32_t>(slots.size()) : 0;
    }
    // As the shared words take it; `name` as the window shows it.
    CardState state() const;
};

// What the person chose in the import dialog.
struct ImportChoice {
    std::string folder;
    std::vector<uint32_t> positions;  // empty: every photo the folder has not had before
    bool delete_after = false;
};

// Decodes a picture the host's own decoders do not know (for Add); nullopt if
// it is none; throws host::ImageError for one too large to decode.
using PictureDecoder = std::function<std::optional<host::Image>(const std::vector<uint8_t>&)>;

class CardWork {
public:
    // What the work tells the window, called on the worker's thread.
    class Listener {
    public:
        // The card read afresh: a new generation of the grid.
        virtual void card_loaded(uint64_t generation, const Card& card) = 0;
        // A photo for the grid, and the file it was imported as into the
        // import folder (empty if none).
        virtual void photo_loaded(uint64_t generation, uint32_t position, const host::Image& photo,
                                  const std::string& imported_as) = 0;
        virtual void photo_failed(uint64_t generation, uint32_t position) = 0;
        // At most every 40 ms, and at each step's start and end.
        virtual void progressed(const Progress& progress) = 0;
        // Blocks until the person answers; true for yes.
        virtual bool question(const Question& question) = 0;
        // Every operation ends here once, after card_loaded when it changed
        // the card or failed.
        virtual void finished(const Result& result) = 0;
        // Something to know that is no failure (a restore left unfinished).
        virtual void warned(const Trouble& warning) = 0;

    protected:
        ~Listener() = default;
    };

    // Takes over a prepared core (of the card image `image`, or empty for the
    // camera). `cancel` is the core's token and outlives this.
    CardWork(std::unique_ptr<host::Core> core, host::CancelToken& cancel, std::string image, Listener& listener);
    // Closes the card (saving a card image) if close() has not.
    ~CardWork();
    CardWork(const CardWork&) = delete;
    CardWork& operator=(const CardWork&) = delete;

    // Stops the running operation after its current unit of work. Any thread.
    void cancel() { cancel_.request(); }
    // For Add: pictures the host cannot decode itself (the toolkit's reader).
    void set_picture_decoder(PictureDecoder decoder) { decoder_ = std::move(decoder); }

    // The operations. Each ends with finished(); a failure is told there
    // (Result::trouble), never thrown.
    // Opens the camera if need be and reads the photo list.
    void reload();
    // Closes the card and opens the card image at `path` instead; the card
    // open before stays open when the new one cannot be.
    void open_image(const std::string& path);
    void import_photos(const ImportChoice& choice);
    void add_pictures(const std::vector<std::string>& files);
    // One photo to the file `target` (replacing it: the save dialog asked),
    // several into the folder `target` as PNGs named as the core names them
    // (photo-POSITION.png, positions from 0), none replaced.
    void save_photos(const std::vector<uint32_t>& positions, const std::string& target);
    void delete_photos(const std::vector<uint32_t>& positions);
    // Replaces `file`: the save dialog asked.
    void backup(const std::string& file);
    void restore(const std::string& file);
    void format();
    // `size_mib`: 8 or 16 for a card that reads blank, whose size only the
    // person can say; 0 to find it.
    void rescue(const std::string& folder, int size_mib);

    // The grid's photos. want_photos() names those to show, first first,
    // replacing the earlier list, for the card of `generation` (others are
    // ignored); those the core keeps are handed out at once. The window then
    // calls read_next_photo() while photos_waiting(), one per turn of its
    // worker's loop, so that an operation asked for meanwhile runs first.
    void want_photos(uint64_t generation, const std::vector<uint32_t>& positions, const std::string& import_folder);
    bool photos_waiting() const;
    // Reads one photo: photo_loaded, or photo_failed if it cannot be read.
    void read_next_photo();
    uint64_t generation() const { return generation_; }

    // Closes the card, saving a card image; false if that failed. For the
    // end: every operation afterwards fails (kFailed) and reads nothing.
    bool close();

private:
    class Front;
    template <typename Work>
    void perform(Operation operation, bool changes_card, Work&& work);
    Card load_card();
    std::string imported_as(const host::Image& photo);
    // host::Frontend's calls, through Front.
    bool confirm(const host::Question& asked);
    void begin(const host::Step& step);
    void advance();
    void report_progress();

    std::unique_ptr<Front> front_;
    std::unique_ptr<host::Core> core_;
    host::CancelToken& cancel_;
    std::string image_;
    Listener& listener_;
    PictureDecoder decoder_;
    uint64_t generation_ = 0;
    // The import folder's index, read once per reload or operation.
    std::optional<host::ImportedFiles> imported_;
    // The running operation.
    Operation operation_ = Operation::kReload;
    bool declined_ = false;
    bool collecting_ = false;  // warnings are kept for the result
    std::vector<Trouble> warnings_;
    host::Step step_;
    uint64_t units_ = 0;
    std::optional<std::chrono::steady_clock::time_point> last_report_;
};

}  // namespace pixavon::desktop
