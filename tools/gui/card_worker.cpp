#include "card_worker.h"

#include <QBuffer>
#include <QImageReader>
#include <QMetaObject>
#include <cstring>

#include "image.h"
#include "window_locale.h"

namespace pixavon::gui {
namespace {

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

QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// The window's trouble from the shared layer's.
Trouble gui_of(const desktop::Trouble& trouble) {
    Trouble out;
    out.kind = trouble.kind;
    out.hint = trouble.hint;
    out.text = text_of(trouble.text);
    out.detail = text_of(trouble.detail);
    out.name = decode_name(trouble.name);
    out.position = trouble.position;
    return out;
}

std::vector<uint32_t> positions_of(const QList<int>& positions) {
    std::vector<uint32_t> out;
    out.reserve(static_cast<size_t>(positions.size()));
    for (const int position : positions) {
        if (position >= 0) out.push_back(static_cast<uint32_t>(position));
    }
    return out;
}

}  // namespace

Trouble trouble_of(const host::Problem& problem) { return gui_of(desktop::trouble_of(problem)); }
Trouble trouble_of(const host::Warning& warning) { return gui_of(desktop::trouble_of(warning)); }

class CardWorker::Relay final : public desktop::CardWork::Listener {
public:
    explicit Relay(CardWorker& worker) : worker_(worker) {}

    void card_loaded(uint64_t generation, const desktop::Card& card) override {
        CardInfo info;
        info.name = decode_name(card.name);
        info.image = decode_name(card.image);
        info.library = decode_name(card.library);
        info.device_folder = decode_name(card.device_folder);
        info.connected = card.connected;
        info.loads = card.loads;
        info.usable = card.usable;
        info.capacity = card.capacity;
        info.card_mib = card.card_mib;
        info.slots = card.slots;
        info.trouble = gui_of(card.trouble);
        Q_EMIT worker_.card_loaded(generation, info);
    }
    void photo_loaded(uint64_t generation, uint32_t position, const host::Image& photo,
                      const std::string& imported_as) override {
        Q_EMIT worker_.photo_loaded(generation, static_cast<int>(position), to_qimage(photo),
                                    imported_as.empty() ? QString() : decode_name(imported_as));
    }
    void photo_failed(uint64_t generation, uint32_t position) override {
        Q_EMIT worker_.photo_failed(generation, static_cast<int>(position));
    }
    void progressed(const desktop::Progress& progress) override { Q_EMIT worker_.progressed(progress); }
    bool question(const desktop::Question& asked) override {
        bool yes = false;
        const Question question{asked.operation, asked.kind, asked.count, asked.other_count, decode_name(asked.name)};
        Q_EMIT worker_.question(question, &yes);
        return yes;
    }
    void finished(const desktop::Result& result) override {
        Result out;
        out.operation = result.operation;
        out.status = result.status;
        out.declined = result.declined;
        out.card_changed = result.card_changed;
        out.folder = decode_name(result.folder);
        out.saved = result.saved;
        out.total = result.total;
        out.already = result.already;
        out.duplicates = result.duplicates;
        out.deleted = result.deleted;
        out.kept = result.kept;
        for (const auto& [position, name] : result.files)
            out.files.append({static_cast<int>(position), decode_name(name)});
        out.rescue = result.rescue;
        out.trouble = gui_of(result.trouble);
        for (const desktop::Trouble& warning : result.warnings) out.warnings.append(gui_of(warning));
        Q_EMIT worker_.finished(out);
    }
    void warned(const desktop::Trouble& warning) override { Q_EMIT worker_.warned(gui_of(warning)); }

private:
    CardWorker& worker_;
};

CardWorker::CardWorker(std::unique_ptr<host::Core> core, host::CancelToken& cancel, const QString& image)
    : cancel_(cancel),
      relay_(std::make_unique<Relay>(*this)),
      work_(std::move(core), cancel, encode_name(image), *relay_) {
    work_.set_picture_decoder(qt_decoder);
}

CardWorker::~CardWorker() = default;

void CardWorker::reload() { work_.reload(); }

void CardWorker::open_image(const QString& path) { work_.open_image(encode_name(path)); }

void CardWorker::import_photos(const ImportChoice& choice) {
    work_.import_photos({encode_name(choice.folder), positions_of(choice.positions), choice.delete_after});
}

void CardWorker::add_pictures(const QStringList& files) {
    std::vector<std::string> names;
    for (const QString& file : files) names.push_back(encode_name(file));
    work_.add_pictures(names);
}

void CardWorker::save_photos(const QList<int>& positions, const QString& target) {
    work_.save_photos(positions_of(positions), encode_name(target));
}

void CardWorker::delete_photos(const QList<int>& positions) { work_.delete_photos(positions_of(positions)); }

void CardWorker::backup(const QString& file) { work_.backup(encode_name(file)); }

void CardWorker::restore(const QString& file) { work_.restore(encode_name(file)); }

void CardWorker::format() { work_.format(); }

void CardWorker::rescue(const QString& folder, int size_mib) { work_.rescue(encode_name(folder), size_mib); }

void CardWorker::want_photos(quint64 generation, const QList<int>& positions, const QString& import_folder) {
    work_.want_photos(generation, positions_of(positions), encode_name(import_folder));
    schedule_next_photo();
}

void CardWorker::schedule_next_photo() {
    if (reading_scheduled_ || !work_.photos_waiting()) return;
    reading_scheduled_ = true;
    // One photo per turn of the worker's event loop: an operation asked for
    // meanwhile runs before the next photo is read.
    QMetaObject::invokeMethod(
        this,
        [this] {
            reading_scheduled_ = false;
            work_.read_next_photo();
            schedule_next_photo();
        },
        Qt::QueuedConnection);
}

bool CardWorker::close_card() { return work_.close(); }

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
