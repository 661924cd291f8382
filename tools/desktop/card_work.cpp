// The card's work for every window (see card_work.h): the operations on the
// host core, their progress and questions turned into the windows' outcomes,
// and the grid's photos read between them.
#include "desktop/card_work.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "os/os.h"
#include "utf8_path.h"

namespace pixavon::desktop {
namespace {

// Progress goes to the window at most this often.
constexpr std::chrono::milliseconds kReportEvery{40};

// A card image's size, for the words on why it cannot be used; -1 if it
// cannot be told.
int64_t size_of_file(const std::string& name) {
    std::error_code error;
    const std::filesystem::path path = host::fs_path(name);
    if (!std::filesystem::is_regular_file(path, error)) return -1;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}

}  // namespace

Trouble trouble_of(const host::Problem& problem) {
    Trouble trouble;
    trouble.kind = problem.kind;
    trouble.hint = problem.hint;
    if (problem.kind != host::ProblemKind::kNone) {
        // The library's and the system's own words on what went wrong are
        // technical and in English: the window says it without them, and
        // keeps them for a tooltip.
        host::Problem plain = problem;
        plain.facts.detail.clear();
        trouble.text = host::describe(plain);
        if (!problem.facts.detail.empty()) trouble.detail = host::describe(problem);
    }
    trouble.name = problem.facts.name;
    trouble.position = problem.facts.position;
    // Only a card image's size is ever said.
    if (problem.kind == host::ProblemKind::kCardImageUnusable ||
        problem.kind == host::ProblemKind::kCardImageWrongLength) {
        trouble.name_size = size_of_file(problem.facts.name);
    }
    return trouble;
}

Trouble trouble_of(const host::Warning& warning) {
    Trouble trouble;
    trouble.hint = warning.hint;
    trouble.text = host::describe(warning);
    trouble.name = warning.facts.name;
    return trouble;
}

CardState Card::state() const {
    CardState out;
    out.image = !image.empty();
    out.name = name;
    out.connected = connected;
    out.usable = usable;
    out.photos = static_cast<uint32_t>(slots.size());
    out.free = free();
    out.card_mib = card_mib;
    out.trouble = trouble;
    return out;
}

// The core's front end: hands its calls to the work.
class CardWork::Front final : public host::Frontend {
public:
    explicit Front(CardWork& work) : work_(work) {}
    Answer confirm(const host::Question& asked) override { return work_.confirm(asked) ? Answer::kYes : Answer::kNo; }
    void begin(const host::Step& step) override { work_.begin(step); }
    void advance() override { work_.advance(); }
    void end(bool) override {}
    // The library's own boxes are not shown: the window says in its own words
    // what failed, once the operation has ended.
    void box(bool, const std::string&, const std::string&) override {}
    // What was done is told by the operation's result.
    void note(const host::Record&) override {}
    // An operation's warnings go with its result, in the one box it ends
    // with; those of reading the card, which ends in none, are told at once.
    void warn(const host::Warning& warning) override {
        if (work_.collecting_) {
            work_.warnings_.push_back(trouble_of(warning));
        } else {
            work_.listener_.warned(trouble_of(warning));
        }
    }

private:
    CardWork& work_;
};

CardWork::CardWork(std::unique_ptr<host::Core> core, host::CancelToken& cancel, std::string image, Listener& listener)
    : front_(std::make_unique<Front>(*this)),
      core_(std::move(core)),
      cancel_(cancel),
      image_(std::move(image)),
      listener_(listener) {
    if (core_) core_->set_frontend(*front_);
}

CardWork::~CardWork() { close(); }

Card CardWork::load_card() {
    ++generation_;
    Card card;
    card.image = image_;
    if (!core_ || !core_->prepared()) return card;
    card.name = image_.empty() ? std::string() : core_->card_name();
    card.library = core_->library_path();
    card.device_folder = core_->device_folder();
    card.connected = core_->open_camera();
    if (!card.connected) {
        card.trouble.kind = host::ProblemKind::kNoCamera;
        return card;
    }
    host::CardState state = core_->inspect();
    if (state.problem.kind == host::ProblemKind::kCatalogNoAnswer) {
        // A camera that stopped answering may have been unplugged and plugged
        // in again: it is opened afresh, and if that fails it is left to
        // whichever program wants it until it is there again.
        core_->close_camera();
        card.connected = core_->open_camera();
        if (!card.connected) {
            card.trouble.kind = host::ProblemKind::kNoCamera;
            return card;
        }
        state = core_->inspect();
    }
    if (!state.catalog_ok) card.trouble = trouble_of(state.problem);
    card.loads = state.catalog_loads;
    card.usable = state.catalog_ok;
    if (state.catalog_loads) card.capacity = state.catalog.capacity_code;
    // The card's own size where it was measured: a damaged list may give
    // another, or none.
    const uint64_t card_bytes = state.measured_bytes != 0 ? state.measured_bytes : state.card_bytes();
    card.card_mib = static_cast<uint32_t>(card_bytes >> 20);
    if (state.catalog_ok) card.slots = state.catalog.slots;
    card.slots.resize(state.catalog_ok ? state.catalog.count : 0);
    return card;
}

template <typename Work>
void CardWork::perform(Operation operation, bool changes_card, Work&& work) {
    cancel_.reset();
    operation_ = operation;
    declined_ = false;
    step_ = {};
    units_ = 0;
    last_report_.reset();
    Result result;
    result.operation = operation;
    warnings_.clear();
    collecting_ = operation != Operation::kReload && operation != Operation::kOpenImage;
    bool failed = true;
    if (!core_ || !core_->prepared()) {
        result.status = host::Outcome::Status::kFailed;
    } else {
        host::Outcome outcome = work(result);
        result.status = outcome.status;
        result.declined = declined_;
        result.trouble = trouble_of(outcome.problem);
        // After a failure the camera is opened afresh: it may have gone and
        // come back, which a camera that still counts as open never notices.
        // A question answered no is no failure of the camera's: it stays open
        // and the card as it was.
        failed = outcome.status == host::Outcome::Status::kFailed && !declined_;
        if (failed) core_->close_camera();
    }
    collecting_ = false;
    result.warnings = std::move(warnings_);
    warnings_.clear();
    // The import index is read again for the photos shown from now on.
    imported_.reset();
    if ((changes_card && !result.declined) || failed) {
        result.card_changed = true;
        const Card card = load_card();
        listener_.card_loaded(generation_, card);
    }
    listener_.finished(result);
}

void CardWork::reload() {
    perform(Operation::kReload, true, [](Result&) { return host::Outcome{}; });
}

void CardWork::open_image(const std::string& path) {
    perform(Operation::kOpenImage, true, [&](Result& result) {
        const std::string previous = image_;
        host::Outcome outcome = core_->finish();
        if (!outcome.ok()) return outcome;
        const auto open = [this](const std::string& image) {
            core_ = std::make_unique<host::Core>(cancel_);
            core_->set_frontend(*front_);
            image_ = image;
            return core_->prepare({image, 0});
        };
        outcome = open(path);
        result.folder = path;
        if (!outcome.ok()) open(previous);
        return outcome;
    });
}

void CardWork::import_photos(const ImportChoice& choice) {
    perform(Operation::kImport, choice.delete_after, [&](Result& result) {
        host::ImportRequest request;
        request.folder = choice.folder;
        request.delete_after = choice.delete_after;
        request.positions = choice.positions;
        host::ImportSummary summary;
        host::Outcome outcome = core_->import_photos(request, &summary);
        result.folder = summary.folder;
        result.saved = summary.imported;
        result.already = summary.already;
        result.deleted = summary.deleted;
        result.kept = summary.kept;
        result.duplicates = summary.duplicates;
        result.total = summary.photos - summary.already - summary.duplicates;
        for (const auto& [position, name] : summary.files)
            result.files.emplace_back(position, host::os::join(summary.folder, name));
        return outcome;
    });
}

void CardWork::add_pictures(const std::vector<std::string>& files) {
    perform(Operation::kAdd, true, [&](Result& result) {
        host::PutRequest request;
        request.files = files;
        request.other_decoder = decoder_;
        result.total = static_cast<uint32_t>(files.size());
        host::Outcome outcome = core_->put_pictures(request);
        result.saved = static_cast<uint32_t>(outcome.done.size());
        return outcome;
    });
}

void CardWork::save_photos(const std::vector<uint32_t>& positions, const std::string& target) {
    perform(Operation::kSave, false, [&](Result& result) {
        result.folder = target;
        result.total = static_cast<uint32_t>(positions.size());
        host::ExportRequest request;
        request.positions = positions;
        request.output = target;
        if (positions.size() == 1) {
            request.replace = true;
        } else {
            request.format = host::OutputFormat::kPng;
        }
        host::Outcome outcome = core_->export_photos(request);
        result.saved = static_cast<uint32_t>(outcome.done.size());
        return outcome;
    });
}

void CardWork::delete_photos(const std::vector<uint32_t>& positions) {
    perform(Operation::kDelete, true, [&](Result& result) {
        host::Outcome outcome = core_->delete_photos(positions, true);
        result.total = static_cast<uint32_t>(positions.size());
        result.deleted = static_cast<uint32_t>(outcome.done.size());
        return outcome;
    });
}

void CardWork::backup(const std::string& file) {
    perform(Operation::kBackup, false, [&](Result& result) {
        result.folder = file;
        return core_->backup(file, true);
    });
}

void CardWork::restore(const std::string& file) {
    perform(Operation::kRestore, true, [&](Result&) { return core_->restore(file); });
}

void CardWork::format() {
    perform(Operation::kFormat, true, [&](Result&) { return core_->format_card(); });
}

void CardWork::rescue(const std::string& folder, int size_mib) {
    perform(Operation::kRescue, true, [&](Result& result) {
        host::RescueRequest request;
        request.folder = folder;
        request.size_mib = size_mib;
        request.repair = true;  // asked before anything on the card changes
        host::Outcome outcome = core_->rescue(request, &result.rescue);
        result.folder = folder;
        result.saved = result.rescue.saved;
        result.total = result.rescue.found;
        return outcome;
    });
}

void CardWork::want_photos(uint64_t generation, const std::vector<uint32_t>& positions,
                           const std::string& import_folder) {
    if (generation != generation_ || !core_ || !core_->prepared()) return;
    if (!imported_ || imported_->folder() != import_folder) imported_.emplace(import_folder);
    // The photos the core keeps are shown at once; the others are read.
    std::vector<uint32_t> unread;
    for (const uint32_t position : positions) {
        if (const std::shared_ptr<const host::Image> kept = core_->kept_photo(position)) {
            listener_.photo_loaded(generation, position, *kept, imported_as(*kept));
        } else {
            unread.push_back(position);
        }
    }
    core_->queue_photos(unread);
}

bool CardWork::photos_waiting() const { return core_ && core_->prepared() && core_->photos_queued() > 0; }

void CardWork::read_next_photo() {
    if (!photos_waiting()) return;
    const uint64_t generation = generation_;
    // The one place the grid's photos are read from the card.
    host::GridPhoto photo;
    const host::Outcome outcome = core_->read_next_photo(&photo);
    if (photo.photo) {
        listener_.photo_loaded(generation, photo.position, *photo.photo, imported_as(*photo.photo));
    } else if (!outcome.ok()) {
        listener_.photo_failed(generation, photo.position);
    }
}

std::string CardWork::imported_as(const host::Image& photo) {
    if (!imported_ || imported_->folder().empty()) return {};
    return imported_->file_of(photo).value_or(std::string());
}

bool CardWork::close() {
    if (!core_) return true;
    return core_->finish().ok();
}

bool CardWork::confirm(const host::Question& asked) {
    const Question question{operation_, asked.kind, asked.facts.count, asked.facts.other_count, asked.facts.name};
    const bool yes = listener_.question(question);
    declined_ = !yes;
    return yes;
}

void CardWork::begin(const host::Step& step) {
    step_ = step;
    units_ = 0;
    last_report_.reset();
    report_progress();
}

void CardWork::advance() {
    ++units_;
    report_progress();
}

void CardWork::report_progress() {
    const auto now = std::chrono::steady_clock::now();
    if (last_report_ && now - *last_report_ < kReportEvery && units_ < step_.units) return;
    last_report_ = now;
    Progress progress;
    progress.operation = operation_;
    // A step of a run of steps the core measures as one counts within the
    // run; any other step within its operation.
    const uint32_t items = std::max<uint32_t>(step_.items, 1);
    const uint32_t item = std::clamp<uint32_t>(step_.item, 1, items);
    const uint64_t units = std::min(units_, step_.units);
    double done = 0;
    if (step_.run_units > 0) {
        done =
            std::min(1.0, static_cast<double>(step_.run_units_before + units) / static_cast<double>(step_.run_units));
    } else {
        const double within = step_.units > 0 ? static_cast<double>(units) / static_cast<double>(step_.units) : 0.0;
        done = (item - 1 + within) / items;
    }
    progress.items = items;
    progress.item = item;
    progress.done = done;
    listener_.progressed(progress);
}

}  // namespace pixavon::desktop
