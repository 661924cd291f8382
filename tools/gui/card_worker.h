// The card's work, on a thread of its own. The library takes one call at a
// time, so every call into the host core, and so into the library, is made
// by this worker on its thread, one after another: the window's operations
// and the reading of the photos between them. The window asks by queued
// calls; the worker answers with signals. The core's questions go to the
// window by a blocking queued signal and wait for the person's answer.
#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <memory>
#include <optional>
#include <vector>

#include "cancel.h"
#include "core.h"
#include "desktop/card_work.h"
#include "desktop/outcome.h"

namespace pixavon::gui {

// The operations and their progress are the windows' shared ones.
using Operation = desktop::Operation;
using Progress = desktop::Progress;

// What stands in the way, as the core says it (one neutral sentence in the
// person's language), and what the person can do about it.
struct Trouble {
    host::ProblemKind kind = host::ProblemKind::kNone;
    host::Hint hint = host::Hint::kNone;
    QString text;
    QString detail;         // the same with the technical reason, when there is one
    QString name;           // the file the hint names
    uint32_t position = 0;  // the photo it concerns, counted from 0
};

// The core's problems and warnings as the window takes them; the core's
// texts must be in UTF-8 (host::init_translations("UTF-8")).
Trouble trouble_of(const host::Problem& problem);
Trouble trouble_of(const host::Warning& warning);

// The card as the window shows it.
struct CardInfo {
    QString name;           // the card image's file name, or empty for the camera
    QString image;          // the card image's path, or empty for the camera
    QString library;        // the library's path
    QString device_folder;  // where the attached camera appears; empty for a card image
    bool connected = false;
    bool loads = false;          // the photo list loads
    bool usable = false;         // and is one the card can hold
    uint32_t capacity = 0;       // photos the card holds: 26 or 52
    uint32_t card_mib = 0;       // the card's size, measured or from its list; 0 unknown
    std::vector<uint8_t> slots;  // the slot of each photo position
    Trouble trouble;             // why it cannot be used, when not usable
    uint32_t free() const {
        return usable && capacity > slots.size() ? capacity - static_cast<uint32_t>(slots.size()) : 0;
    }
};

// What the person chose in the import dialog.
struct ImportChoice {
    QString folder;
    QList<int> positions;  // empty: every photo the folder has not had before
    bool delete_after = false;
};

// A question the core asks before something that cannot be undone.
struct Question {
    Operation operation = Operation::kReload;
    host::QuestionKind kind = host::QuestionKind::kDelete;
    uint32_t count = 0;        // photos it concerns
    uint32_t other_count = 0;  // photos on the card, or in the backup
    QString name;              // the backup
};

// How an operation ended.
struct Result {
    Operation operation = Operation::kReload;
    host::Outcome::Status status = host::Outcome::Status::kDone;
    bool declined = false;  // a question was answered no: nothing changed
    bool card_changed = false;
    QString folder;           // where photos went (import, save, rescue)
    uint32_t saved = 0;       // photos written to the folder
    uint32_t total = 0;       // photos the operation set out to save
    uint32_t already = 0;     // imported before
    uint32_t duplicates = 0;  // identical shots on the card, skipped
    uint32_t deleted = 0;
    uint32_t kept = 0;                     // left on the card: their files did not read back as written
    QList<std::pair<int, QString>> files;  // the photo at each position saved as
    host::RescueSummary rescue;
    Trouble trouble;          // when it did not end as asked
    QList<Trouble> warnings;  // told with the result
    bool ok() const { return status == host::Outcome::Status::kDone; }
};

class CardWorker : public QObject {
    Q_OBJECT

public:
    // Takes over a prepared core (of the card image `image`, or empty for the
    // camera), which is used from the worker's thread only from then on.
    CardWorker(std::unique_ptr<host::Core> core, host::CancelToken& cancel, const QString& image);
    ~CardWorker() override;

    // Stops the running operation after its current unit of work. Any thread.
    void cancel() { cancel_.request(); }

public Q_SLOTS:
    // Opens the camera if need be and reads the photo list; card_loaded.
    void reload();
    // Closes the card and opens the card image at `path` instead.
    void open_image(const QString& path);
    void import_photos(const pixavon::gui::ImportChoice& choice);
    void add_pictures(const QStringList& files);
    // One photo to the file `target`, several into the folder `target` as
    // PNGs, each named as the core names it (photo-POSITION.png, positions
    // counted from 0).
    void save_photos(const QList<int>& positions, const QString& target);
    void delete_photos(const QList<int>& positions);
    void backup(const QString& file);
    void restore(const QString& file);
    void format();
    // `size_mib`: 8 or 16 for a card that reads blank, whose size only the
    // person can say; 0 to find it.
    void rescue(const QString& folder, int size_mib);
    // The photos to read for the grid, first first; replaces the earlier list.
    // Those the core keeps are handed out at once.
    void want_photos(quint64 generation, const QList<int>& positions, const QString& import_folder);
    // Closes the card and saves the card image; false if that failed.
    bool close_card();

Q_SIGNALS:
    void card_loaded(quint64 generation, const pixavon::gui::CardInfo& card);
    void photo_loaded(quint64 generation, int position, const QImage& photo, const QString& imported_as);
    void photo_failed(quint64 generation, int position);
    void progressed(const pixavon::gui::Progress& progress);
    // Connected blocking: the worker waits for `*yes`.
    void question(const pixavon::gui::Question& question, bool* yes);
    void finished(const pixavon::gui::Result& result);
    // Something to know that is no failure (a restore left unfinished).
    void warned(const pixavon::gui::Trouble& warning);

private:
    void schedule_next_photo();

    // The shared work's reports, turned into the window's types and sent as
    // its signals, on the worker's thread.
    class Relay;

    host::CancelToken& cancel_;
    std::unique_ptr<Relay> relay_;
    desktop::CardWork work_;
    bool reading_scheduled_ = false;
};

// The worker on a thread of its own, for as long as this lives.
class CardThread {
public:
    CardThread(std::unique_ptr<host::Core> core, host::CancelToken& cancel, const QString& image);
    ~CardThread();
    CardThread(const CardThread&) = delete;
    CardThread& operator=(const CardThread&) = delete;
    CardWorker* worker() const { return worker_; }
    // Closes the card, saving the card image, and ends the thread once the
    // operation under way has ended; false if the card could not be closed.
    bool shutdown();

private:
    QThread thread_;
    CardWorker* worker_;
    bool closed_ = true;
    bool down_ = false;
};

}  // namespace pixavon::gui

Q_DECLARE_METATYPE(pixavon::gui::CardInfo)
Q_DECLARE_METATYPE(pixavon::gui::Progress)
Q_DECLARE_METATYPE(pixavon::gui::ImportChoice)
Q_DECLARE_METATYPE(pixavon::gui::Question)
Q_DECLARE_METATYPE(pixavon::gui::Result)
Q_DECLARE_METATYPE(pixavon::gui::Trouble)
