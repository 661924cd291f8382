#include "card_worker.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageReader>
#include <QMetaObject>
#include <algorithm>
#include <cstring>

#include "image.h"
#include "window_locale.h"

namespace pixavon::gui {
namespace {

// Progress goes to the window at most this often.
constexpr qint64 kReportEveryMs = 40;

QImage to_qimage(const host::Image& image) {
    QImage out(static_cast<int>(image.width), static_cast<int>(image.height), QImage::Format_RGB888);
    for (uint32_t y = 0; y < image.height; ++y) {
        std::memcpy(out.scanLine(static_cast<int>(y)), image.pixel(0, y), static_cast<size_t>(image.width) * 3);
    }
    return out;
}

host::Image from_qimage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    host::Image out(static_cast<uint32_t>(rgb.width()), static_cast<uint32_t>(rgb.height()));
    for (uint32_t y = 0; y < out.height; ++y) {
        std::memcpy(out.pixel(0, y), rgb.constScanLine(static_cast<int>(y)), static_cast<size_t>(out.width) * 3);
    }
    return out;
}

// Any picture Qt reads, for pictures the host's own decoders do not know.
// Throws ImageError for one too large to decode.
std::optional<host::Image> qt_decoder(const std::vector<uint8_t>& bytes) {
    QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() &&
        static_cast<uint64_t>(size.width()) * static_cast<uint64_t>(size.height()) > host::kMaxPixels) {
        throw host::ImageError("the picture is too large");
    }
    const QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return from_qimage(image);
}

QElapsedTimer& clock() {
    thread_local QElapsedTimer timer;
    if (!timer.isValid()) timer.start();
    return timer;
}

QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

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
        trouble.text = text_of(host::describe(plain));
        if (!problem.facts.detail.empty()) trouble.detail = text_of(host::describe(problem));
    }
    trouble.name = decode_name(problem.facts.name);
    trouble.position = problem.facts.position;
    return trouble;
}

Trouble trouble_of(const host::Warning& warning) {
    Trouble trouble;
    trouble.hint = warning.hint;
    trouble.text = text_of(host::describe(warning));
    trouble.name = decode_name(warning.facts.name);
    return trouble;
}

CardWorker::CardWorker(std::unique_ptr<host::Core> core, host::CancelToken& cancel, const QString& image)
    : core_(std::move(core)), cancel_(cancel), image_(image) {
    if (core_) core_->set_frontend(*this);
}

CardWorker::~CardWorker() { close_card(); }

CardInfo CardWorker::load_card() {
    ++generation_;
    CardInfo info;
    info.image = image_;
    if (!core_ || !core_->prepared()) return info;
    info.name = image_.isEmpty() ? QString() : decode_name(core_->card_name());
    info.library = decode_name(core_->session().lib().path());
    info.device_folder = decode_name(core_->device_folder());
    info.connected = core_->open_camera();
    if (!info.connected) {
        info.trouble.kind = host::ProblemKind::kNoCamera;
        return info;
    }
    host::CardState state = core_->inspect();
    if (state.problem.kind == host::ProblemKind::kCatalogNoAnswer) {
        // A camera that stopped answering may have been unplugged and plugged
        // in again: it is opened afresh, and if that fails it is left to
        // whichever program wants it until it is there again.
        core_->close_camera();
        info.connected = core_->open_camera();
        if (!info.connected) {
            info.trouble.kind = host::ProblemKind::kNoCamera;
            return info;
        }
        state = core_->inspect();
    }
    if (!state.catalog_ok) info.trouble = trouble_of(state.problem);
    info.loads = state.catalog_loads;
    info.usable = state.catalog_ok;
    if (state.catalog_loads) info.capacity = state.catalog.capacity_code;
    // The card's own size where it was measured: a damaged list may give
    // another, or none.
    const uint64_t card_bytes = state.measured_bytes != 0 ? state.measured_bytes : state.card_bytes();
    info.card_mib = static_cast<uint32_t>(card_bytes >> 20);
    if (state.catalog_ok) info.slots = state.catalog.slots;
    info.slots.resize(state.catalog_ok ? state.catalog.count : 0);
    return info;
}

template <typename Work>
void CardWorker::perform(Operation operation, bool changes_card, Work&& work) {
    cancel_.reset();
    operation_ = operation;
    declined_ = false;
    step_ = {};
    units_ = 0;
    last_report_ms_ = -1;
    Result result;
    result.operation = operation;
    if (!core_ || !core_->prepared()) {
        result.status = host::Outcome::Status::kFailed;
    } else {
        host::Outcome outcome = work(result);
        // After a failure the camera is opened afresh: it may have gone and
        // come back, which a camera that still counts as open never notices.
        if (outcome.status == host::Outcome::Status::kFailed) core_->close_camera();
        result.status = outcome.status;
        result.declined = declined_;
        result.trouble = trouble_of(outcome.problem);
    }
    // The import index is read again for the photos shown from now on.
    imported_.reset();
    if ((changes_card && !result.declined) || result.status == host::Outcome::Status::kFailed) {
        result.card_changed = true;
        const CardInfo card = load_card();
        Q_EMIT card_loaded(generation_, card);
    }
    Q_EMIT finished(result);
}

void CardWorker::reload() {
    perform(Operation::kReload, true, [](Result&) { return host::Outcome{}; });
}

void CardWorker::open_image(const QString& path) {
    perform(Operation::kOpenImage, true, [&](Result& result) {
        const QString previous = image_;
        host::Outcome outcome = core_->finish();
        if (!outcome.ok()) return outcome;
        const auto open = [this](const QString& image) {
            core_ = std::make_unique<host::Core>(cancel_);
            core_->set_frontend(*this);
            image_ = image;
            return core_->prepare({encode_name(image), 0});
        };
        outcome = open(path);
        result.folder = path;
        // The card open before stays open when the new one cannot be.
        if (!outcome.ok()) open(previous);
        return outcome;
    });
}

void CardWorker::import_photos(const ImportChoice& choice) {
    perform(Operation::kImport, choice.delete_after, [&](Result& result) {
        host::ImportRequest request;
        request.folder = encode_name(choice.folder);
        request.delete_after = choice.delete_after;
        request.positions.assign(choice.positions.begin(), choice.positions.end());
        host::ImportSummary summary;
        host::Outcome outcome = core_->import_photos(request, &summary);
        result.folder = decode_name(summary.folder);
        result.saved = summary.imported;
        result.already = summary.already;
        result.deleted = summary.deleted;
        result.kept = summary.kept;
        result.duplicates = summary.duplicates;
        result.total = summary.photos - summary.already - summary.duplicates;
        for (const auto& [position, name] : summary.files) {
            result.files.append({static_cast<int>(position), decode_name(summary.folder + "/" + name)});
        }
        return outcome;
    });
}

void CardWorker::add_pictures(const QStringList& files) {
    perform(Operation::kAdd, true, [&](Result& result) {
        host::PutRequest request;
        for (const QString& file : files) request.files.push_back(encode_name(file));
        request.other_decoder = qt_decoder;
        result.total = static_cast<uint32_t>(files.size());
        host::Outcome outcome = core_->put_pictures(request);
        result.saved = static_cast<uint32_t>(outcome.done.size());
        return outcome;
    });
}

void CardWorker::save_photos(const QList<int>& positions, const QString& target) {
    perform(Operation::kSave, false, [&](Result& result) {
        result.folder = target;
        result.total = static_cast<uint32_t>(positions.size());
        host::ExportRequest request;
        request.positions.assign(positions.begin(), positions.end());
        request.output = encode_name(target);
        if (positions.size() == 1) {
            // The save dialog has asked before replacing the file.
            request.replace = true;
        } else {
            // Into the folder as PNGs, named as the core names them; none is
            // replaced.
            request.format = host::OutputFormat::kPng;
        }
        host::Outcome outcome = core_->export_photos(request);
        result.saved = static_cast<uint32_t>(outcome.done.size());
        return outcome;
    });
}

void CardWorker::delete_photos(const QList<int>& positions) {
    perform(Operation::kDelete, true, [&](Result& result) {
        host::Outcome outcome = core_->delete_photos(std::vector<uint32_t>(positions.begin(), positions.end()), true);
        result.total = static_cast<uint32_t>(positions.size());
        result.deleted = static_cast<uint32_t>(outcome.done.size());
        return outcome;
    });
}

void CardWorker::backup(const QString& file) {
    perform(Operation::kBackup, false, [&](Result& result) {
        result.folder = file;
        // The save dialog has asked before replacing the file.
        return core_->backup(encode_name(file), true);
    });
}

void CardWorker::restore(const QString& file) {
    perform(Operation::kRestore, true, [&](Result&) { return core_->restore(encode_name(file)); });
}

void CardWorker::format() {
    perform(Operation::kFormat, true, [&](Result&) { return core_->format_card(); });
}

void CardWorker::rescue(const QString& folder, int size_mib) {
    perform(Operation::kRescue, true, [&](Result& result) {
        host::RescueRequest request;
        request.folder = encode_name(folder);
        request.size_mib = size_mib;
        request.repair = true;  // asked before anything on the card changes
        host::Outcome outcome = core_->rescue(request, &result.rescue);
        result.folder = folder;
        result.saved = result.rescue.saved;
        result.total = result.rescue.found;
        return outcome;
    });
}

void CardWorker::want_photos(quint64 generation, const QList<int>& positions, const QString& import_folder) {
    if (generation != generation_ || !core_) return;
    const std::string folder = encode_name(import_folder);
    if (!imported_ || imported_->folder() != folder) imported_.emplace(folder);
    // The photos the core keeps are shown at once; the others are read.
    std::vector<uint32_t> unread;
    for (const int position : positions) {
        if (position < 0) continue;
        if (const std::shared_ptr<const host::Image> kept = core_->kept_photo(static_cast<uint32_t>(position))) {
            Q_EMIT photo_loaded(generation, position, to_qimage(*kept), imported_as(*kept));
        } else {
            unread.push_back(static_cast<uint32_t>(position));
        }
    }
    core_->queue_photos(unread);
    schedule_next_photo();
}

QString CardWorker::imported_as(const host::Image& photo) {
    if (!imported_ || imported_->folder().empty()) return {};
    const std::optional<std::string> file = imported_->file_of(photo);
    return file ? decode_name(*file) : QString();
}

void CardWorker::schedule_next_photo() {
    if (reading_scheduled_ || !core_ || core_->photos_queued() == 0) return;
    reading_scheduled_ = true;
    // One photo per turn of the worker's event loop: an operation asked for
    // meanwhile runs before the next photo is read.
    QMetaObject::invokeMethod(
        this,
        [this] {
            reading_scheduled_ = false;
            read_next_photo();
        },
        Qt::QueuedConnection);
}

void CardWorker::read_next_photo() {
    if (!core_ || !core_->prepared() || core_->photos_queued() == 0) return;
    const quint64 generation = generation_;
    // The one place the grid's photos are read from the card.
    host::GridPhoto photo;
    const host::Outcome outcome = core_->read_next_photo(&photo);
    const int position = static_cast<int>(photo.position);
    if (photo.photo) {
        Q_EMIT photo_loaded(generation, position, to_qimage(*photo.photo), imported_as(*photo.photo));
    } else if (!outcome.ok()) {
        Q_EMIT photo_failed(generation, position);
    }
    schedule_next_photo();
}

bool CardWorker::close_card() {
    if (!core_) return true;
    const bool closed = core_->finish().ok();
    return closed;
}

host::Frontend::Answer CardWorker::confirm(const host::Question& asked) {
    bool yes = false;
    const Question question{operation_, asked.kind, asked.facts.count, asked.facts.other_count,
                            decode_name(asked.facts.name)};
    Q_EMIT this->question(question, &yes);
    declined_ = !yes;
    return yes ? Answer::kYes : Answer::kNo;
}

void CardWorker::begin(const host::Step& step) {
    step_ = step;
    units_ = 0;
    last_report_ms_ = -1;
    advance_report();
}

void CardWorker::advance() {
    ++units_;
    advance_report();
}

void CardWorker::advance_report() {
    const qint64 now = clock().elapsed();
    if (last_report_ms_ >= 0 && now - last_report_ms_ < kReportEveryMs && units_ < step_.units) return;
    last_report_ms_ = now;
    Progress progress;
    progress.operation = operation_;
    // A step of a run of steps the core measures as one counts within the
    // run; any other step within its operation.
    const uint32_t items = std::max<uint32_t>(step_.items, 1);
    const uint32_t item = std::clamp<uint32_t>(step_.item, 1, items);
    const uint64_t units = std::min(units_, step_.units);
    double step_done = 0;
    if (step_.run_units > 0) {
        step_done =
            std::min(1.0, static_cast<double>(step_.run_units_before + units) / static_cast<double>(step_.run_units));
    } else {
        const double within = step_.units > 0 ? static_cast<double>(units) / static_cast<double>(step_.units) : 0.0;
        step_done = (item - 1 + within) / items;
    }
    progress.items = items;
    progress.item = item;
    progress.done = step_done;
    Q_EMIT progressed(progress);
}

void CardWorker::end(bool) {}

// The library's own boxes are not shown: the window says in its own words
// what failed, once the operation has ended.
void CardWorker::box(bool, const std::string&, const std::string&) {}

// What was done is told by the operation's result.
void CardWorker::note(const host::Record&) {}

void CardWorker::warn(const host::Warning& warning) { Q_EMIT warned(trouble_of(warning)); }

CardThread::CardThread(std::unique_ptr<host::Core> core, host::CancelToken& cancel, const QString& image)
    : worker_(new CardWorker(std::move(core), cancel, image)) {
    thread_.setObjectName(QStringLiteral("card"));
    worker_->moveToThread(&thread_);
    thread_.start();
}

CardThread::~CardThread() { shutdown(); }

bool CardThread::shutdown() {
    if (down_) return closed_;
    down_ = true;
    QMetaObject::invokeMethod(
        worker_, [this] { closed_ = worker_->close_card(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete worker_;
    worker_ = nullptr;
    return closed_;
}

}  // namespace pixavon::gui
