// The card as a folder (see card_folder.h): the names its photos are listed
// under (a slot's, or one given in this mount), renaming them, and the
// records of puts told under the name a picture has settled on.
#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "card_folder.h"
#include "card_folder_internal.h"

namespace pixavon::host {

using namespace folder;

bool CardFolder::visible(const NewPicture& picture) const {
    // A slot's name is its photo's while the slot holds one.
    uint32_t slot = 0;
    return picture.shown && !(parse_slot_name(picture.name, "bmp", &slot) && on_card(slot));
}

std::string CardFolder::name_of(uint32_t slot) const {
    // A given name hidden by a picture being written under it: the slot's.
    const auto given = given_.find(slot);
    if (given != given_.end()) {
        const auto picture = pictures_.find(given->second);
        if (picture == pictures_.end() || !visible(*picture->second)) return given->second;
    }
    return slot_name(slot, "bmp");
}

void CardFolder::give_name(uint32_t slot, const std::string& name) {
    drop_name(slot);
    if (uint32_t named = 0; parse_slot_name(name, "bmp", &named) && named == slot) return;
    if (const auto other = names_.find(name); other != names_.end()) given_.erase(other->second);
    names_[name] = slot;
    given_[slot] = name;
}

void CardFolder::drop_name(uint32_t slot) {
    if (const auto given = given_.find(slot); given != given_.end()) {
        names_.erase(given->second);
        given_.erase(given);
    }
}

int CardFolder::rename(const std::string& from, const std::string& to, unsigned int flags) {
    if (read_only_) return -EROFS;
    constexpr unsigned int kNoReplace = 1;  // RENAME_NOREPLACE
    if ((flags & ~kNoReplace) != 0) return -EINVAL;
    const Resolved source = resolve(from);
    if (source.node == Node::kNone) return card_ok_ ? -ENOENT : -EIO;
    const bool given = source.node == Node::kBitmap && names_.count(from.substr(1)) != 0;
    if (source.node != Node::kNew && !given) return -EPERM;  // photos keep their slots' names
    if (to.size() < 2 || to[0] != '/' || to.find('/', 1) != std::string::npos) return -EPERM;
    const std::string name = to.substr(1);
    const Resolved target = resolve(to);
    if (target.node == Node::kInfo || target.node == Node::kPngDir) return -EPERM;
    if (from == to) return 0;
    const bool same_photo = given && target.node == Node::kBitmap && target.slot == source.slot;
    if (target.node != Node::kNone && !same_photo && (flags & kNoReplace) != 0) return -EEXIST;
    // Another photo's slot name stays with it: a rename never takes a photo off the card.
    if (uint32_t named = 0; !same_photo && parse_slot_name(name, "bmp", &named) && on_card(named)) return -EPERM;
    if (target.node == Node::kNew) {
        target.picture->done = true;  // replaced before it was closed: nothing of it goes on the card
        pictures_.erase(name);
    }
    if (source.node == Node::kNew) {
        if (const auto owner = names_.find(name); owner != names_.end()) drop_name(owner->second);
        pictures_.erase(source.picture->name);
        source.picture->name = name;
        pictures_[name] = source.picture;
    } else {
        give_name(source.slot, name);
    }
    settle("");
    return 0;
}

void CardFolder::note(const Record& record) {
    if (putting_ && record.kind == RecordKind::kPut) {
        pending_.emplace_back(putting_, record);
    } else {
        log(describe(record));
    }
}

void CardFolder::settle(const std::string& path) {
    for (auto it = pending_.begin(); it != pending_.end();) {
        Record record = it->second;
        const int slot = it->first->slot;
        // Under the name the photo has now; a photo gone since under the name it was put with.
        record.facts.name =
            slot >= 0 && on_card(static_cast<uint32_t>(slot)) ? name_of(static_cast<uint32_t>(slot)) : it->first->name;
        if (!path.empty() && path == "/" + record.facts.name) {
            ++it;
            continue;
        }
        it = pending_.erase(it);
        log(describe(record));
    }
}

void CardFolder::say_pending() { settle(""); }

std::string CardFolder::plain(std::string line) const {
    if (temp_dir_.empty()) return line;
    // A path in the session's private folder: the picture being put, or the
    // name the file was given in the folder.
    const std::string prefix = temp_dir_ + "/";
    for (size_t at; (at = line.find(prefix)) != std::string::npos;) {
        size_t end = line.find_first_of("'\" \n", at);
        if (end == std::string::npos) end = line.size();
        const std::string path = line.substr(at, end - at);
        const std::string name = putting_ ? putting_->name : std::filesystem::path(path).filename().string();
        line.replace(at, end - at, name);
    }
    return line;
}

}  // namespace pixavon::host
