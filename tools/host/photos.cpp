// How the host core reads photos: the photo reader, the read-ahead beside a
// workflow, the photos it keeps, and the window's grid.
#include <algorithm>
#include <set>

#include "core.h"
#include "core_internal.h"
#include "read_ahead.h"

namespace pixavon::host {
namespace {

// Photos read ahead and not taken yet, at most: enough to cover a slow
// conversion, little memory.
constexpr size_t kPhotosAhead = 3;

}  // namespace

Core::ReadAhead::ReadAhead(PhotoReader& reader, CancelToken& cancel, std::vector<std::pair<uint32_t, uint8_t>> photos)
    : reader_(reader), cancel_(cancel), order_(std::move(photos)) {
    thread_ = std::thread([this] { run(); });
}

Core::ReadAhead::~ReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Core::ReadAhead::run() {
    for (const auto& [position, slot] : order_) {
        Photo* photo = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || photos_.size() < kPhotosAhead; });
            if (stop_) break;
            photos_.push_back(Photo{reader_.packets_for(slot), 0, false, std::nullopt});
            photo = &photos_.back();  // stays in place until taken, which waits for `done`
        }
        changed_.notify_all();
        std::optional<std::vector<uint8_t>> bitmap = reader_.read_slot(slot, [&] {
            if (stop_ || cancel_.requested()) return false;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                ++photo->read;
            }
            changed_.notify_all();
            return true;
        });
        const bool read = bitmap.has_value();
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            photo->bitmap = std::move(bitmap);
            photo->done = true;
        }
        changed_.notify_all();
        if (!read) break;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

std::optional<std::vector<uint8_t>> Core::ReadAhead::take(const std::function<void(uint32_t)>& on_start,
                                                          const std::function<void()>& on_packet) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !photos_.empty() || finished_; });
    if (photos_.empty()) return std::nullopt;
    const uint32_t packets = photos_.front().packets;
    lock.unlock();
    on_start(packets);
    lock.lock();
    uint32_t shown = 0;
    for (;;) {
        changed_.wait(lock, [&] { return photos_.front().read > shown || photos_.front().done; });
        const uint32_t read = photos_.front().read;
        const bool done = photos_.front().done;
        lock.unlock();
        for (; shown < read; ++shown) on_packet();
        lock.lock();
        if (done) break;
    }
    std::optional<std::vector<uint8_t>> bitmap = std::move(photos_.front().bitmap);
    photos_.pop_front();
    ++taken_;
    lock.unlock();
    changed_.notify_all();
    return bitmap;
}

Core::ReadingAhead Core::read_ahead(const Catalog& catalog, const std::vector<uint32_t>& positions) {
    stop_read_ahead();
    std::vector<std::pair<uint32_t, uint8_t>> photos;
    for (const uint32_t position : positions) {
        if (position >= catalog.count) continue;
        const uint8_t slot = catalog.slots[position];
        if (kept_.count(slot) == 0) photos.emplace_back(position, slot);
    }
    // One photo gains nothing from a thread.
    if (photos.size() > 1 && session_ != nullptr) {
        ahead_ = std::make_unique<ReadAhead>(reader_, cancel_, std::move(photos));
    }
    return ReadingAhead(*this);
}

void Core::stop_read_ahead() { ahead_.reset(); }

std::vector<uint32_t> Core::packets_to_read(const Catalog& catalog, const std::vector<uint32_t>& positions) const {
    std::vector<uint8_t> slots;
    for (const uint32_t position : positions) {
        if (position < catalog.count && kept_.count(catalog.slots[position]) == 0) {
            slots.push_back(catalog.slots[position]);
        }
    }
    const std::vector<uint32_t> read = reader_.packets_for_run(slots);
    std::vector<uint32_t> packets;
    size_t next = 0;
    for (const uint32_t position : positions) {
        const bool reads = position < catalog.count && kept_.count(catalog.slots[position]) == 0;
        packets.push_back(reads ? read[next++] : 0);
    }
    return packets;
}

std::vector<uint8_t> Core::download(uint32_t position, const Catalog& catalog, Step shown) {
    const uint8_t slot = catalog.slots[position];
    shown.position = position;
    shown.bytes = kSlotBytes;
    if (const auto kept = kept_.find(slot); kept != kept_.end()) {
        shown.units = 0;
        internal::StepScope step(*frontend_, shown);
        step.succeeded();
        return *kept->second.bitmap;
    }
    std::optional<std::vector<uint8_t>> bitmap;
    if (ahead_ && ahead_->next_is(position)) {
        std::optional<internal::StepScope> step;
        bitmap = ahead_->take(
            [&](uint32_t packets) {
                shown.units = packets;
                step.emplace(*frontend_, shown);
            },
            [&] { frontend_->advance(); });
        if (bitmap && step) step->succeeded();
    } else {
        stop_read_ahead();
        shown.units = reader_.packets_for(slot);
        internal::StepScope step(*frontend_, shown);
        bitmap = reader_.read_slot(slot, [&] {
            frontend_->advance();
            return true;
        });
        if (bitmap) step.succeeded();
    }
    if (!bitmap) {
        stop_if_cancelled();
        fail(ProblemKind::kPhotoUnreadable, {.position = position, .slot = slot}, Hint::kCheckCamera);
    }
    KeptPhoto& kept = kept_[slot];
    kept = KeptPhoto{};
    if (position < catalog.entries.size()) kept.entry = catalog.entries[position];
    kept.bitmap = std::make_shared<const std::vector<uint8_t>>(std::move(*bitmap));
    return *kept.bitmap;
}

void Core::keep_only_listed(const CardState& state) {
    unreadable_.clear();
    if (!state.catalog_ok || state.catalog.capacity_code != kept_capacity_) {
        forget_photos();
        kept_capacity_ = state.catalog_ok ? state.catalog.capacity_code : 0;
        return;
    }
    const Catalog& catalog = state.catalog;
    std::map<uint8_t, const std::array<uint8_t, kEntrySize>*> listed;
    for (uint32_t i = 0; i < catalog.count && i < catalog.entries.size(); ++i) {
        listed[catalog.slots[i]] = &catalog.entries[i];
    }
    for (auto it = kept_.begin(); it != kept_.end();) {
        const auto entry = listed.find(it->first);
        const bool unchanged = entry != listed.end() && *entry->second == it->second.entry;
        it = unchanged ? std::next(it) : kept_.erase(it);
    }
}

void Core::forget_photos() {
    stop_read_ahead();
    unreadable_.clear();
    kept_.clear();
    reader_.forget();
}

std::shared_ptr<const Image> Core::kept_photo(uint32_t position) {
    if (!loaded_ || position >= loaded_->count) return nullptr;
    const auto kept = kept_.find(loaded_->slots[position]);
    if (kept == kept_.end()) return nullptr;
    if (!kept->second.photo) kept->second.photo = std::make_shared<const Image>(decode_bmp(*kept->second.bitmap));
    return kept->second.photo;
}

void Core::queue_photos(const std::vector<uint32_t>& first) {
    queue_.clear();
    if (!loaded_) return;
    const Catalog& catalog = *loaded_;
    std::set<uint32_t> queued;
    const auto add = [&](uint32_t position) {
        if (position < catalog.count && kept_.count(catalog.slots[position]) == 0 && unreadable_.count(position) == 0 &&
            queued.insert(position).second) {
            queue_.push_back(position);
        }
    };
    for (const uint32_t position : first) add(position);
    std::vector<uint32_t> rest;
    for (uint32_t position = 0; position < catalog.count; ++position) rest.push_back(position);
    std::stable_sort(rest.begin(), rest.end(),
                     [&](uint32_t a, uint32_t b) { return catalog.slots[a] < catalog.slots[b]; });
    for (const uint32_t position : rest) add(position);
}

Outcome Core::read_next_photo(GridPhoto* photo) {
    *photo = GridPhoto{};
    Outcome outcome = run([&](Outcome&) {
        // A photo read meanwhile (a photo view, a save) is not read again.
        while (!queue_.empty() && loaded_ && kept_.count(loaded_->slots[queue_.front()]) != 0) {
            queue_.erase(queue_.begin());
        }
        // A finished core reads nothing more.
        if (queue_.empty() || !loaded_ || !camera_open()) return;
        const uint32_t position = queue_.front();
        queue_.erase(queue_.begin());
        const Step step{.kind = StepKind::kReadPhoto,
                        .item = loaded_->count - static_cast<uint32_t>(queue_.size()),
                        .items = loaded_->count};
        photo->position = position;
        photo->slot = loaded_->slots[position];
        download(position, *loaded_, step);
        photo->photo = kept_photo(position);
    });
    // A photo that cannot be read is not queued again until the next inspect().
    if (outcome.problem.kind == ProblemKind::kPhotoUnreadable) unreadable_.insert(photo->position);
    return outcome;
}

std::optional<Image> Core::read_photo(uint32_t position, Problem* why) {
    // Every change to the card goes through this core, which reloads the
    // catalog after it: the last one loaded is the card's.
    if (!loaded_) {
        const CardState state = inspect();
        if (!state.catalog_ok) {
            if (why != nullptr) *why = state.problem;
            return std::nullopt;
        }
    }
    if (!read_bitmap(position, *loaded_, why)) return std::nullopt;
    const std::shared_ptr<const Image> photo = kept_photo(position);
    if (!photo) return std::nullopt;
    return *photo;
}

std::optional<std::vector<uint8_t>> Core::read_bitmap(uint32_t position, const Catalog& catalog, Problem* why) {
    std::optional<std::vector<uint8_t>> bitmap;
    const Outcome outcome = run([&](Outcome&) {
        if (position >= catalog.count) fail(ProblemKind::kPhotoNotOnCard, {.position = position});
        const Step step{.kind = StepKind::kReadPhoto};
        bitmap = download(position, catalog, step);
    });
    if (!outcome.ok() && why != nullptr) *why = outcome.problem;
    return outcome.ok() ? bitmap : std::nullopt;
}

}  // namespace pixavon::host
