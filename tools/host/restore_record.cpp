#include "restore_record.h"

#include "digest.h"
#include "durable_file.h"
#include "i18n.h"
#include "os/os.h"
#include "utf8_path.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace pixavon::host {
namespace {

// The note's file: one per card, named by a hash of the card's identity.
std::string note_path(const std::string& card_key) {
    const uint64_t hash = content_hash(reinterpret_cast<const uint8_t*>(card_key.data()), card_key.size());
    char name[40];
    std::snprintf(name, sizeof name, "restore-%016llx", static_cast<unsigned long long>(hash));
    return os::join(state_dir(), name);
}

}  // namespace

std::string state_dir() { return os::state_folder(); }

void note_restore_started(const std::string& card_key, const std::string& image) {
    if (const int error = os::make_folders(state_dir()); error != 0) {
        throw std::runtime_error(
            fill(tr("the folder '{1}' cannot be made: {2}"), {display_name(state_dir()), system_error(error)}));
    }
    const std::time_t now = std::time(nullptr);
    char when[32] = "";
    std::tm local{};
    if (os::local_time(now, &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    const std::string path = note_path(card_key);
    const std::string text = "card " + card_key + "\nimage " + image + "\nstarted " + when + "\n";
    try {
        write_file_durably(path, text, true);
    } catch (const DiskError& error) {
        throw std::runtime_error(fill(tr("'{1}' cannot be written: {2}"), {display_name(path), error.what()}));
    }
}

void clear_restore_note(const std::string& card_key) { std::remove(note_path(card_key).c_str()); }

std::optional<RestoreRecord> interrupted_restore(const std::string& card_key) {
    std::ifstream in(note_path(card_key));
    if (!in) return std::nullopt;
    RestoreRecord record;
    std::string line;
    bool ours = false;
    while (std::getline(in, line)) {
        if (line.rfind("card ", 0) == 0) ours = line.substr(5) == card_key;
        if (line.rfind("image ", 0) == 0) record.image = line.substr(6);
        if (line.rfind("started ", 0) == 0) record.started = line.substr(8);
    }
    if (!ours) return std::nullopt;
    return record;
}

}  // namespace pixavon::host
