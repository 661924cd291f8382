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

std::vector<std::string> CardFolder::names_of(uint32_t slot) const {
    std::vector<std::string> names;
    if (const auto given = given_.find(slot); given != given_.end()) {
        for (const std::string& name : given->second) {
            // A name a new picture is being written under is the picture's.
            const auto picture = pictures_.find(name);
            if (picture == pictures_.end() || !visible(*picture->second)) names.push_back(name);
        }
    }
    if (names.empty()) names.push_back(slot_name(slot, "bmp"));
    return names;
}

std::string CardFolder::name_of(uint32_t slot) const { return names_of(slot).back(); }

namespace {

// A photo whose only name is its slot's has no given names.
bool only_own_name(uint32_t slot, const std::vector<std::string>& names) {
    return names.empty() || (names.size() == 1 && names[0] == slot_name(slot, "bmp"));
}

}  // namespace

void CardFolder::give_name(uint32_t slot, const std::string& name, bool more) {
    if (const auto owner = names_.find(name); owner != names_.end() && owner->second != slot) take_name(name);
    if (!more) drop_names(slot);
    std::vector<std::string>& names = given_[slot];
    // One more name: the photo keeps the one it is listed under now.
    if (names.empty() && more) names.push_back(slot_name(slot, "bmp"));
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
    names.push_back(name);
    for (const std::string& each : names) names_[each] = slot;
    if (only_own_name(slot, names)) drop_names(slot);
}

void CardFolder::take_name(const std::string& name) {
    const auto owner = names_.find(name);
    if (owner == names_.end()) return;
    const uint32_t slot = owner->second;
    names_.erase(owner);
    const auto given = given_.find(slot);
    if (given == given_.end()) return;
    std::erase(given->second, name);
    if (only_own_name(slot, given->second)) drop_names(slot);
}

void CardFolder::drop_names(uint32_t slot) {
    if (const auto given = given_.find(slot); given != given_.end()) {
        for (const std::string& name : given->second) names_.erase(name);
        given_.erase(given);
    }
}

int CardFolder::rename(const std::string& from, const std::string& to, unsigned int flags) {
    if (read_only_) return -EROFS;
    constexpr unsigned int kNoReplace = 1;  // RENAME_NOREPLACE
    if ((flags & ~kNoReplace) != 0) return -EINVAL;
    const Resolved source = resolve(from);
    if (source.node == Node::kNone) return card_ok_ ? -ENOENT : -EIO;
    const std::string old_name = from.substr(1);
    uint32_t own = 0;
    const bool given = source.node == Node::kBitmap && names_.count(old_name) != 0 &&
                       !(parse_slot_name(old_name, "bmp", &own) && own == source.slot);
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
        take_name(name);
        pictures_.erase(source.picture->name);
        source.picture->name = name;
        pictures_[name] = source.picture;
    } else {
        // The name becomes the new one; the photo's other names stay.
        const auto names = given_.find(source.slot);
        const bool others = names != given_.end() && names->second.size() > 1;
        take_name(old_name);
        give_name(source.slot, name, others);
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
