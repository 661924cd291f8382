// What a window knows of the card and its work, in the toolkit's neutral
// terms (UTF-8 strings, plain numbers), so that what the windows decide and
// say about it (phrases.h, window.h) is written once for all of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core.h"

namespace pixavon::desktop {

// The window's operations on the card.
enum class Operation { kReload, kOpenImage, kImport, kAdd, kSave, kDelete, kBackup, kRestore, kFormat, kRescue };

// What stands in the way, as the core says it (one neutral sentence in the
// person's language), and what the person can do about it.
struct Trouble {
    host::ProblemKind kind = host::ProblemKind::kNone;
    host::Hint hint = host::Hint::kNone;
    std::string text;
    std::string detail;      // the same with the technical reason, when there is one
    std::string name;        // the file the hint names, as shown
    int64_t name_size = -1;  // that file's size; -1 for none
    uint32_t position = 0;   // the photo it concerns, counted from 0
};

// The card as the window shows it.
struct CardState {
    bool image = false;  // a card image, not the camera
    std::string name;    // the card image's file name
    bool connected = false;
    bool usable = false;  // the photo list loads and is one the card can hold
    uint32_t photos = 0;
    uint32_t free = 0;      // photos it has room for
    uint32_t card_mib = 0;  // the card's size, measured or from its list; 0 unknown
    Trouble trouble;        // why it cannot be used, when not usable
};

// How far the running operation has come, over all its steps.
struct Progress {
    Operation operation = Operation::kReload;
    uint32_t item = 1;  // the item being worked on, 1-based
    uint32_t items = 1;
    double done = 0;  // 0 to 1 over the whole operation
};

// A question the core asks before something that cannot be undone.
struct Question {
    Operation operation = Operation::kReload;
    host::QuestionKind kind = host::QuestionKind::kDelete;
    uint32_t count = 0;        // photos it concerns
    uint32_t other_count = 0;  // photos on the card, or in the backup
    std::string name;          // the backup
};

// How an operation ended.
struct Result {
    Operation operation = Operation::kReload;
    host::Outcome::Status status = host::Outcome::Status::kDone;
    bool declined = false;  // a question was answered no: nothing changed
    bool card_changed = false;
    std::string folder;       // where photos went (import, save, rescue), or the card image, as shown
    uint32_t saved = 0;       // photos written to the folder
    uint32_t total = 0;       // photos the operation set out to save
    uint32_t already = 0;     // imported before
    uint32_t duplicates = 0;  // identical shots on the card, skipped
    uint32_t deleted = 0;
    uint32_t kept = 0;                                    // left on the card: their files did not read back as written
    std::vector<std::pair<uint32_t, std::string>> files;  // the photo at each position saved as
    host::RescueSummary rescue;
    Trouble trouble;  // when it did not end as asked
    // What the core warned of on the way, told with the result in one box.
    std::vector<Trouble> warnings;
    bool ok() const { return status == host::Outcome::Status::kDone; }
};

// A box: a headline, the details below it, and the buttons it offers.
enum class MessageKind { kInformation, kWarning, kQuestion };
// What a button does; kOk closes the box (for a question: no).
enum class Reply { kOk, kYes, kOpenFolder, kEightMiB, kSixteenMiB };
struct Message {
    struct Button {
        Reply reply;
        std::string text;
    };
    MessageKind kind = MessageKind::kInformation;
    std::string title;  // the box's own title; empty: the window's
    std::string headline;
    std::string details;
    std::vector<Button> buttons;  // besides OK (Cancel for a question)
};

// How an operation ended, as the window tells it: a line in the status bar,
// or a box (which may offer to open `folder`).
struct Report {
    std::string status;
    std::optional<Message> box;
    std::string folder;
};

}  // namespace pixavon::desktop
