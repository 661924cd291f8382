// The note a host leaves in its state folder while a restore runs, so that a
// restore cut short (a crash, a power cut, a killed process) is told to the
// next person who opens that card: its pictures may then not match its list.
#pragma once

#include <optional>
#include <string>

namespace pixavon::host {

struct RestoreRecord {
    std::string image;    // the backup being restored
    std::string started;  // when, as local time "YYYY-MM-DD HH:MM"
};

// $XDG_STATE_HOME/pixavon, else ~/.local/state/pixavon.
std::string state_dir();

// Notes that `image` is being restored onto the card known as `card_key`.
// Throws std::runtime_error when the note cannot be written.
void note_restore_started(const std::string& card_key, const std::string& image);
// Removes the note: the restore ended, or the card was formatted.
void clear_restore_note(const std::string& card_key);
// The note of a restore onto `card_key` that did not end, if any.
std::optional<RestoreRecord> interrupted_restore(const std::string& card_key);

}  // namespace pixavon::host
