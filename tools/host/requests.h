// What a front end asks the host core's workflows for (the card to open,
// photos to save, pictures to put, an import, a rescue) and the summaries an
// import and a rescue fill as they go.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image.h"

namespace pixavon::host {

struct Target {
    std::string card_image;  // empty: the attached camera
    int create_mib = 0;      // with card_image: make a fresh 8 or 16 MiB card if missing
    // With card_image: an image cut short is read as far as it goes, the
    // rest as erased (a copy is served; the image is not changed).
    bool read_short_image = false;
    // With card_image: the work only reads the card, so an existing card
    // image is opened only to be read (a read-only file or disk, a backup
    // kept unchanged down to its times).
    bool read_only = false;
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
    uint32_t kept = 0;        // left on the card: their file does not read back as written, or is a JPEG
    uint32_t in_use = 0;      // imported before, their file held by another program: not looked at, nor deleted
    // Of those imported, the photos imported again: the file they had been
    // saved to was changed since, and is left as it is.
    uint32_t changed = 0;
    std::vector<std::pair<uint32_t, std::string>> files;  // position and file of each saved now
};

// The desktop's pictures folder (XDG_PICTURES_DIR in the environment, else in
// $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Pictures), then Lumetta.
std::string default_import_folder();

struct ImportIndex;
// The files in an import folder that photos were imported as, by its index
// read once: a window asks it for every photo of its grid after each reload.
class ImportedFiles {
public:
    // Reads the index of `folder`; one missing, unreadable or too large to be
    // ours knows no photo.
    explicit ImportedFiles(std::string folder);
    ~ImportedFiles();
    ImportedFiles(const ImportedFiles&) = delete;
    ImportedFiles& operator=(const ImportedFiles&) = delete;
    const std::string& folder() const { return folder_; }
    // The file in the folder into which `photo` was imported, if it was.
    std::optional<std::string> file_of(const Image& photo);

private:
    std::string folder_;
    std::unique_ptr<ImportIndex> index_;
};

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

}  // namespace pixavon::host
