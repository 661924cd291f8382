// pixavon-gui's main window on embedded cards, on Qt's offscreen platform,
// with the boxes and file dialogs answered by the test instead of a person.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QAccessible>
#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <clocale>
#include <cstdlib>
#include <functional>
#include <memory>

#include "cancel.h"
#include "card_worker.h"
#include "core.h"
#include "dialogs.h"
#include "import_dialog.h"
#include "locale_file_dialog.h"
#include "main_window.h"
#include "photo_model.h"
#include "photo_view.h"
#include "support/emulator_process.h"
#include "window_locale.h"

namespace {

namespace gui = pixavon::gui;
namespace host = pixavon::host;
using gui::Message;

// Every box recorded and answered as the test says.
class ScriptedDialogs : public gui::Dialogs {
public:
    QList<Message> shown;
    std::function<Message::Reply(const Message&)> reply = [](const Message& m) {
        return m.kind == Message::Kind::kQuestion ? Message::Reply::kYes : Message::Reply::kOk;
    };
    QStringList files;  // the pictures to add
    QString file;       // the file to open or save to
    QString folder_answer;
    bool file_manager = true;
    QStringList opened;
    std::optional<gui::ImportChoice> import_proposed;
    QList<int> import_selected;
    bool selected_only = false;
    bool delete_after = false;

    Message::Reply show(QWidget*, const Message& message) override {
        shown.append(message);
        return reply(message);
    }
    QStringList pictures(QWidget*) override { return files; }
    QString open_file(QWidget*, const QString&, const QString&) override { return file; }
    QString save_file(QWidget*, const QString&, const QString&, const QString&) override { return file; }
    QString folder(QWidget*, const QString&, const QString&) override { return folder_answer; }
    std::optional<gui::ImportChoice> import_choice(QWidget*, const gui::ImportChoice& proposed,
                                                   const QList<int>& selected) override {
        import_proposed = proposed;
        import_selected = selected;
        gui::ImportChoice choice = proposed;
        if (selected_only) choice.positions = selected;
        choice.delete_after = delete_after;
        return choice;
    }
    bool open_folder(const QString& folder) override {
        opened << folder;
        return file_manager;
    }
};

// A card image of 8 MiB with `photos` pictures in a temporary folder, in
// `colours` colours (one each unless fewer are asked); `name` is its file
// name as bytes.
class Card {
public:
    explicit Card(int photos = 0, const QByteArray& name = "card.bin", int colours = 0)
        : path_(QFile::encodeName(dir_.path()) + '/' + name) {
        host::CancelToken cancel;
        host::Core core(cancel);
        if (!core.prepare({path_.toStdString(), 8}).ok() || !core.open_camera()) qFatal("no card");
        core.inspect();
        host::PutRequest request;
        for (int i = 0; i < photos; ++i) {
            QImage image(322, 242, QImage::Format_RGB888);
            image.fill(QColor::fromHsv((colours > 0 ? i % colours : i) * 47 % 360, 200, 220));
            const QString file = dir_.filePath(QStringLiteral("p%1.png").arg(i));
            image.save(file);
            request.files.push_back(file.toStdString());
        }
        if (!core.put_pictures(request).ok() || !core.finish().ok()) qFatal("cannot fill the card");
    }
    // The image's name may not be UTF-8, which QTemporaryDir cannot remove.
    ~Card() { ::unlink(path_.constData()); }
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;
    const QByteArray& path() const { return path_; }
    QString file(const QString& name) const { return dir_.filePath(name); }
    // Writes `bytes` at `offset` from the end of the image.
    void patch_from_end(qint64 offset, const QByteArray& bytes) const {
        QFile image(QFile::decodeName(path_));
        if (!image.open(QIODevice::ReadWrite) || !image.seek(image.size() - offset) ||
            image.write(bytes) != bytes.size()) {
            qFatal("cannot patch the card");
        }
    }

private:
    QTemporaryDir dir_;
    QByteArray path_;
};

// The window in front of a card, as pixavon-gui starts it, once the card and
// its photos are shown.
class Host {
public:
    explicit Host(const Card& card) : Host(card.path()) {}
    // `image` empty: the camera in $PIXAVON_DEVICE_DIR.
    explicit Host(const QByteArray& image) {
        auto core = std::make_unique<host::Core>(cancel);
        if (!core->prepare({image.toStdString(), 0}).ok()) qFatal("cannot prepare");
        thread = std::make_unique<gui::CardThread>(std::move(core), cancel, gui::decode_name(image.toStdString()));
        window = std::make_unique<gui::MainWindow>(*thread->worker(), dialogs);
        window->show();
        run([&] { window->reload(); });
        if (!QTest::qWaitFor([&] { return window->photos()->missing().isEmpty(); }, 20000)) qFatal("no photos");
    }
    ~Host() {
        window.reset();
        thread->shutdown();
    }
    // Runs `start` and waits for the operation it starts to end.
    bool run(const std::function<void()>& start) const {
        QSignalSpy idle(window.get(), &gui::MainWindow::idle);
        start();
        return idle.count() > 0 || idle.wait(30000);
    }
    QAction* action(const char* name) const { return window->findChild<QAction*>(QString::fromLatin1(name)); }
    int photos() const { return window->photos()->rowCount(); }
    void select(std::initializer_list<int> positions) const {
        window->grid()->clearSelection();
        for (const int position : positions) {
            window->grid()->selectionModel()->select(window->photos()->index(position), QItemSelectionModel::Select);
        }
    }
    QString status(const char* name) const {
        return window->statusBar()->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    ScriptedDialogs dialogs;
    host::CancelToken cancel;
    std::unique_ptr<gui::CardThread> thread;
    std::unique_ptr<gui::MainWindow> window;
};

}  // namespace

class GuiTest : public QObject {
    Q_OBJECT
    QTemporaryDir scratch_;

private Q_SLOTS:
    void initTestCase() {
        // Settings, the restore note and imports stay inside the test.
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName("pixavon-tests");
        ::setenv("XDG_STATE_HOME", qPrintable(scratch_.filePath("state")), 1);
        ::setenv("XDG_PICTURES_DIR", qPrintable(scratch_.filePath("pictures")), 1);
        ::setenv("LC_ALL", "C.UTF-8", 1);
        ::unsetenv("LANGUAGE");
        gui::install_translations();
        pixavon::host::init_translations("UTF-8");
    }
    void cleanup() {
        ::setenv("LC_ALL", "C.UTF-8", 1);
        std::setlocale(LC_ALL, "C.UTF-8");
        gui::install_translations();
        QSettings().clear();
        QDir(scratch_.filePath("pictures")).removeRecursively();
    }

    // Import is offered into the pictures folder's Lumetta, says what it saved
    // where and how many identical shots it skipped, and tells when no file
    // manager can show the folder.
    void import_saves_into_the_pictures_folder_and_says_so() {
        Card card(5, "card.bin", 3);
        Host host(card);
        host.dialogs.reply = [](const Message& m) {
            return m.buttons.isEmpty() ? Message::Reply::kOk : Message::Reply::kOpenFolder;
        };
        host.dialogs.file_manager = false;
        QVERIFY(host.run([&] { host.action("import")->trigger(); }));
        const QString folder = scratch_.filePath("pictures") + "/Lumetta";
        QCOMPARE(host.dialogs.import_proposed->folder, folder);
        QCOMPARE(QDir(folder).entryList({"*.png"}).size(), 3);
        QCOMPARE(host.dialogs.shown.size(), 2);
        QCOMPARE(host.dialogs.shown[0].headline, QString("3 photos imported."));
        QVERIFY(host.dialogs.shown[0].details.contains(folder));
        QVERIFY(host.dialogs.shown[0].details.contains("2 duplicates on the card skipped."));
        QCOMPARE(host.dialogs.opened, QStringList{folder});
        QCOMPARE(host.dialogs.shown[1].headline, QString("No file manager could be started to show the folder."));
        // Each thumbnail says what it was imported as.
        QVERIFY(host.window->photos()
                    ->data(host.window->photos()->index(2), Qt::AccessibleTextRole)
                    .toString()
                    .startsWith("Photo 3, imported as " + folder + "/"));
    }

    // "Selected photos only" imports those alone.
    void import_takes_only_the_selected_photos_when_asked() {
        Card card(3);
        Host host(card);
        host.select({1});
        host.dialogs.selected_only = true;
        QVERIFY(host.run([&] { host.action("import")->trigger(); }));
        QCOMPARE(host.dialogs.import_selected, QList<int>{1});
        QCOMPARE(host.dialogs.shown[0].headline, QString("1 photo imported."));
        QCOMPARE(QDir(scratch_.filePath("pictures") + "/Lumetta").entryList({"*.png"}).size(), 1);
    }

    // Cancel stops after the photo under way, and the summary says how many
    // were saved before.
    void a_cancelled_import_says_what_was_saved_before() {
        Card card(4);
        Host host(card);
        QObject::connect(host.thread->worker(), &gui::CardWorker::progressed, host.window.get(),
                         [&](const gui::Progress& progress) {
                             if (progress.item == 2) host.action("cancel")->trigger();
                         });
        QVERIFY(host.run([&] { host.action("import")->trigger(); }));
        QCOMPARE(host.dialogs.shown.size(), 1);
        const int saved =
            static_cast<int>(QDir(scratch_.filePath("pictures") + "/Lumetta").entryList({"*.png"}).size());
        QVERIFY(saved >= 1 && saved < 4);
        QCOMPARE(host.dialogs.shown[0].headline, QString("%1 of 4 photos saved before you stopped.").arg(saved));
    }

    // A damaged list is one plain message with Rescue photos…; the rescue
    // runs with no library box and says where the photos went.
    void a_damaged_card_is_rescued_without_library_boxes() {
        Card card(3);
        // The catalog lies in the card's last 8 KiB; its photo count at byte 256.
        card.patch_from_end(8192 - 256, QByteArray(1, char(255)));
        Host host(card);
        QCOMPARE(host.photos(), 0);
        auto* notice = host.window->findChild<QWidget*>("notice");
        QVERIFY(notice->isVisible());
        QVERIFY(notice->findChild<QLabel*>("notice-text")->text().contains("The card's photo list is damaged."));
        QToolButton* offer = notice->findChild<QToolButton*>();
        QCOMPARE(offer->defaultAction(), host.action("rescue"));
        QVERIFY(host.dialogs.shown.isEmpty());

        host.dialogs.folder_answer = card.file("rescued");
        QVERIFY(host.run([&] { offer->click(); }));
        // The question to repair, then the result: nothing else.
        QCOMPARE(host.dialogs.shown.size(), 2);
        QCOMPARE(host.dialogs.shown[0].kind, Message::Kind::kQuestion);
        const Message& result = host.dialogs.shown[1];
        QCOMPARE(result.headline, QString("3 photos saved to %1.").arg(card.file("rescued")));
        QCOMPARE(result.kind, Message::Kind::kInformation);
        QCOMPARE(result.buttons.size(), 1);
        QCOMPARE(result.buttons[0].reply, Message::Reply::kOpenFolder);
        QCOMPARE(QDir(card.file("rescued")).entryList({"*.png"}).size(), 3);
        QCOMPARE(host.photos(), 3);
        QVERIFY(!notice->isVisible());
    }

    // Deleting asks first; no keeps the card as it was. The status line counts
    // photos and free room.
    void delete_asks_first() {
        Card card(3);
        Host host(card);
        QCOMPARE(host.status("usage"), QString("3 photos, 23 free (8 MiB card)"));
        host.select({0, 2});
        host.dialogs.reply = [](const Message&) { return Message::Reply::kOk; };
        QVERIFY(host.run([&] { host.action("delete")->trigger(); }));
        QCOMPARE(host.dialogs.shown[0].headline, QString("Delete 2 photos from the card?"));
        QCOMPARE(host.photos(), 3);
        QCOMPARE(host.status("activity"), QString("Nothing was changed."));
        host.dialogs.reply = [](const Message&) { return Message::Reply::kYes; };
        host.select({0, 2});
        QVERIFY(host.run([&] { host.action("delete")->trigger(); }));
        QCOMPARE(host.photos(), 1);
        QCOMPARE(host.status("usage"), QString("1 photo, 25 free (8 MiB card)"));
    }

    // Pictures added go on the card and into the grid; a card image that
    // reads blank is not asked its size (its length tells it), and its rescue
    // offers a list for it.
    void added_pictures_show_and_a_blank_card_is_asked_its_size() {
        Card card(1);
        Host host(card);
        QImage picture(640, 480, QImage::Format_RGB888);
        picture.fill(Qt::red);
        picture.save(card.file("red.png"));
        host.dialogs.files = {card.file("red.png")};
        QVERIFY(host.run([&] { host.action("add")->trigger(); }));
        QCOMPARE(host.status("activity"), QString("1 picture added to the card."));
        QVERIFY(QTest::qWaitFor([&] { return host.window->photos()->missing().isEmpty(); }, 20000));
        QCOMPARE(host.photos(), 2);
        const QImage added = host.window->photos()->photo(1);
        QCOMPARE(added.pixelColor(added.width() / 2, added.height() / 2).red() > 200, true);

        // Every byte of the card erased, as flash is.
        host.window.reset();
        host.thread->shutdown();
        card.patch_from_end(8 << 20, QByteArray(8 << 20, char(0xff)));
        Host blank(card);
        blank.dialogs.folder_answer = card.file("rescued");
        blank.dialogs.reply = [](const Message& m) {
            return m.buttons.size() == 2 ? Message::Reply::kEightMiB : Message::Reply::kYes;
        };
        QVERIFY(blank.run([&] { blank.action("rescue")->trigger(); }));
        QCOMPARE(blank.dialogs.shown[0].headline, QString("Repair the card's photo list?"));
        QVERIFY(std::none_of(blank.dialogs.shown.begin(), blank.dialogs.shown.end(),
                             [](const Message& m) { return m.headline == QString("How large is the card?"); }));
    }

    // Photos saved into a folder are named as the tool names them: for their
    // positions, counted from 0.
    void saved_photos_are_named_for_their_positions() {
        Card card(3);
        Host host(card);
        host.select({1, 2});
        host.dialogs.folder_answer = card.file("out");
        QDir().mkpath(card.file("out"));
        QVERIFY(host.run([&] { host.action("save")->trigger(); }));
        QCOMPARE(QDir(card.file("out")).entryList(QDir::Files), QStringList({"photo-1.png", "photo-2.png"}));
    }

    // Closing the window stops an operation under way and then closes; a
    // restore cannot be stopped, so it finishes first.
    void closing_stops_an_operation_but_never_a_restore() {
        Card card(1);
        Host host(card);
        host.dialogs.file = card.file("backup.bin");
        QVERIFY(host.run([&] { host.action("backup")->trigger(); }));
        QVERIFY(QFile::exists(card.file("backup.bin")));

        bool cancel_offered = true;
        bool closed_early = false;
        // The grid's photos read after the restore report progress too: only
        // the restore's own counts.
        bool over = false;
        const QMetaObject::Connection ended = QObject::connect(host.thread->worker(), &gui::CardWorker::finished,
                                                               host.window.get(), [&] { over = true; });
        const QMetaObject::Connection during = QObject::connect(
            host.thread->worker(), &gui::CardWorker::progressed, host.window.get(), [&](const gui::Progress&) {
                if (over) return;
                cancel_offered = cancel_offered && host.action("cancel")->isEnabled();
                host.window->close();
                closed_early = closed_early || !host.window->isVisible();
            });
        QVERIFY(host.run([&] { host.action("restore")->trigger(); }));
        QVERIFY(!cancel_offered);
        QVERIFY(!closed_early);
        QTRY_VERIFY(!host.window->isVisible());
        QCOMPARE(host.status("activity"), QString("The card was restored."));

        QObject::disconnect(ended);
        over = false;
        host.window->show();
        host.dialogs.file = card.file("second.bin");
        QVERIFY(host.run([&] { host.action("backup")->trigger(); }));
        QObject::disconnect(during);
        QTRY_VERIFY(!host.window->isVisible());
        QVERIFY(!QFile::exists(card.file("second.bin")));
    }

    // Another card image opens in the same window.
    void open_card_image_shows_that_card() {
        Card first(1);
        Card second(2, "second.bin");
        Host host(first);
        host.dialogs.file = QFile::decodeName(second.path());
        QVERIFY(host.run([&] { host.action("open-image")->trigger(); }));
        QVERIFY(QTest::qWaitFor([&] { return host.window->photos()->missing().isEmpty(); }, 20000));
        QCOMPARE(host.photos(), 2);
        QCOMPARE(host.window->windowTitle(), QString("second.bin — Pixavon"));
    }

    // A card whose list cannot be repaired is never a dead end: after the
    // rescue the notice offers Format card…, and after the format the window
    // offers to put the rescued pictures back.
    void a_rescued_card_is_formatted_and_its_pictures_put_back() {
        Card card(3);
        card.patch_from_end(8192 - 256, QByteArray(1, char(255)));
        Host host(card);
        host.dialogs.folder_answer = card.file("rescued");
        // No repair: the pictures are saved and the card left as it is.
        host.dialogs.reply = [](const Message& m) {
            return m.headline.startsWith("Repair") ? Message::Reply::kOk : Message::Reply::kYes;
        };
        QVERIFY(host.run([&] { host.action("rescue")->trigger(); }));
        QVERIFY(host.action("format")->isEnabled());
        QVERIFY(host.action("restore")->isEnabled());
        QToolButton* offer = host.window->findChild<QWidget*>("notice")->findChild<QToolButton*>();
        QCOMPARE(offer->defaultAction(), host.action("format"));
        host.dialogs.shown.clear();
        QVERIFY(host.run([&] { offer->click(); }));
        QCOMPARE(host.dialogs.shown[0].headline, QString("Format the card?"));
        QCOMPARE(host.dialogs.shown[1].headline, QString("Put the 3 rescued pictures back on the card?"));
        QVERIFY(
            QTest::qWaitFor([&] { return host.photos() == 3 && host.window->photos()->missing().isEmpty(); }, 20000));
        QVERIFY(!host.window->findChild<QWidget*>("notice")->isVisible());
        QCOMPARE(QDir(card.file("rescued")).entryList({"picture-*.png"}).size(), 3);
    }

    // A damaged card on an attached camera that only the camera can format
    // (its list gives 16 MiB on an 8 MiB card): after the rescue neither
    // Format nor Restore is offered, every word names the camera's format
    // and Put back, and once formatted in the camera Put back brings the
    // pictures back.
    void a_card_only_the_camera_can_format_is_put_back_after_it() {
        pixavon::test::EmulatorProcess camera;
        const QString card_file = QString::fromStdString(camera.card_path());
        const QString rescued = scratch_.filePath("camera-rescued");
        const auto patch = [&](qint64 from_end, char byte) {
            QFile image(card_file);
            QVERIFY(image.open(QIODevice::ReadWrite) && image.seek(image.size() - from_end));
            QVERIFY(image.write(&byte, 1) == 1);
        };
        {
            Card card(3);
            QFile::remove(card_file);
            QFile::copy(QFile::decodeName(card.path()), card_file);
        }
        patch(8192 - 258, char(52));
        camera.start();
        ::setenv("PIXAVON_DEVICE_DIR", camera.device_dir().c_str(), 1);
        Host host{QByteArray()};
        host.dialogs.folder_answer = rescued;
        QVERIFY(host.run([&] { host.action("rescue")->trigger(); }));
        QCOMPARE(host.dialogs.shown.size(), 1);
        QVERIFY(host.dialogs.shown[0].details.contains("Put back rescued pictures"));
        QVERIFY(!host.action("format")->isEnabled());
        QVERIFY(!host.action("restore")->isEnabled());
        QVERIFY(host.window->findChild<QWidget*>("notice")->isVisible());

        // Formatted in the camera: an empty list of the card's own size.
        camera.stop();
        QVERIFY(QTest::qWaitFor([&] { return !host.window->card().connected; }, 20000));
        patch(8192 - 258, char(26));
        patch(8192 - 256, char(0));
        camera.start();
        QVERIFY(QTest::qWaitFor([&] { return host.window->card().usable; }, 20000));
        QToolButton* offer = host.window->findChild<QWidget*>("notice")->findChild<QToolButton*>();
        QCOMPARE(offer->defaultAction(), host.action("put-back"));
        host.dialogs.shown.clear();
        QVERIFY(host.run([&] { offer->click(); }));
        QCOMPARE(host.dialogs.shown[0].headline, QString("Put the 3 rescued pictures back on the card?"));
        QVERIFY(QTest::qWaitFor([&] { return host.photos() == 3; }, 20000));
        QVERIFY(!host.window->findChild<QWidget*>("notice")->isVisible());
        ::unsetenv("PIXAVON_DEVICE_DIR");
    }

    // Unplugged, the camera is let go (another program may take it) and
    // shown as gone; plugged in again, it is found without a Reload.
    void an_unplugged_camera_comes_back_when_plugged_in() {
        pixavon::test::EmulatorProcess camera;
        {
            Card card(2);
            QFile::remove(QString::fromStdString(camera.card_path()));
            QFile::copy(QFile::decodeName(card.path()), QString::fromStdString(camera.card_path()));
        }
        camera.start();
        ::setenv("PIXAVON_DEVICE_DIR", camera.device_dir().c_str(), 1);
        Host host{QByteArray()};
        QCOMPARE(host.photos(), 2);
        camera.stop();
        QVERIFY(QTest::qWaitFor([&] { return !host.window->card().connected; }, 20000));
        QVERIFY(host.window->findChild<QWidget*>("notice")->isVisible());
        const int folder = ::open(camera.device_dir().c_str(), O_RDONLY | O_DIRECTORY);
        QVERIFY(::flock(folder, LOCK_EX | LOCK_NB) == 0);
        ::close(folder);
        camera.start();
        QVERIFY(QTest::qWaitFor([&] { return host.window->card().connected && host.photos() == 2; }, 20000));
        QVERIFY(!host.window->findChild<QWidget*>("notice")->isVisible());
    }

    // Enter in the import dialog imports; it does not open the folder chooser.
    void enter_in_the_import_dialog_imports() {
        ScriptedDialogs dialogs;
        gui::ImportChoice proposed;
        proposed.folder = scratch_.filePath("pictures");
        gui::ImportDialog dialog(dialogs, proposed, {}, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // Import new takes no questions, and each photo imported is marked in the
    // grid; importing with deletion says what was saved and what deleted, and
    // an empty card says so instead of a blank grid.
    void imported_photos_are_marked_and_deletion_is_told() {
        Card card(2);
        Host host(card);
        QVERIFY(host.run([&] { host.action("import-new")->trigger(); }));
        QVERIFY(!host.dialogs.import_proposed);
        QCOMPARE(host.dialogs.shown[0].headline, QString("2 photos imported."));
        const QImage marked =
            host.window->photos()->data(host.window->photos()->index(1), Qt::DecorationRole).value<QPixmap>().toImage();
        const QColor corner = marked.pixelColor(marked.width() - 17, marked.height() - 24);
        QVERIFY(corner.green() > 100 && corner.red() < 100);

        host.dialogs.delete_after = true;
        host.dialogs.shown.clear();
        QVERIFY(host.run([&] { host.action("import")->trigger(); }));
        QCOMPARE(host.dialogs.shown.last().headline,
                 QString("No new photos; 2 photos imported before were deleted from the card."));
        QCOMPARE(host.photos(), 0);
        QVERIFY(host.window->findChild<QLabel*>("empty")->isVisible());
        QVERIFY(!host.window->grid()->isVisible());
    }

    // A file that is not a card image is said to be one in words people use,
    // with what to do instead.
    void a_file_that_is_no_card_image_is_told_plainly() {
        Card card(1);
        Host host(card);
        QFile tiny(card.file("tiny.bin"));
        QVERIFY(tiny.open(QIODevice::WriteOnly) && tiny.write("sixby!") == 6);
        tiny.close();
        host.dialogs.file = card.file("tiny.bin");
        QVERIFY(host.run([&] { host.action("open-image")->trigger(); }));
        QCOMPARE(host.dialogs.shown.last().details,
                 QString("This file is not a card image (6 bytes).\n"
                         "Choose File ▸ Open card image… and pick a card image: a whole-card backup of 8 MiB or "
                         "16 MiB."));
    }

    // At 800 × 600 every action is in a menu and the menus and toolbar fit;
    // no two entries of a menu share an Alt key; the photo view fits the
    // screen with its Close in view.
    void the_window_fits_small_screens_and_every_action_is_reachable() {
        Card card(2);
        Host host(card);
        const QRect available = host.window->screen()->availableGeometry();
        QVERIFY(host.window->width() <= available.width() && host.window->height() <= available.height());
        host.window->resize(800, 600);
        QVERIFY(host.window->minimumSizeHint().width() <= 800 && host.window->minimumSizeHint().height() <= 600);
        QSet<QAction*> in_menus;
        const auto mnemonic = [](const QString& text) {
            const qsizetype at = text.indexOf('&');
            return at >= 0 && at + 1 < text.size() ? text[at + 1].toUpper() : QChar();
        };
        QSet<QChar> menu_keys;
        for (QAction* top : host.window->menuBar()->actions()) {
            QVERIFY(!menu_keys.contains(mnemonic(top->text())));
            menu_keys.insert(mnemonic(top->text()));
            QSet<QChar> keys;
            for (QAction* entry : top->menu()->actions()) {
                if (entry->isSeparator()) continue;
                in_menus.insert(entry);
                QVERIFY2(!keys.contains(mnemonic(entry->text())), qPrintable(entry->text()));
                keys.insert(mnemonic(entry->text()));
            }
        }
        for (QAction* action : host.window->actions()) {
            if (action->objectName() != "cancel") QVERIFY2(in_menus.contains(action), qPrintable(action->text()));
        }
        QVERIFY(host.window->menuBar()->sizeHint().width() <= 800);

        host.select({1});
        host.action("view")->trigger();
        auto* view = host.window->findChild<gui::PhotoView*>();
        QVERIFY(view != nullptr);
        QVERIFY(view->width() <= available.width() && view->height() <= available.height());
        QVERIFY(view->findChild<QDialogButtonBox*>()->isVisible());
        view->close();
    }

    // Screen readers hear what the grid is and what each photo is; the
    // thumbnails are drawn at the screen's pixel density.
    void photos_have_accessible_names_and_sharp_thumbnails() {
        Card card(2);
        Host host(card);
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(host.window->grid());
        QCOMPARE(grid->text(QAccessible::Name), QString("Photos on the card"));
        bool found = false;
        for (int i = 0; i < grid->childCount(); ++i) {
            found = found || grid->child(i)->text(QAccessible::Name) == "Photo 2, not imported";
        }
        QVERIFY(found);
        host.window->photos()->set_device_pixel_ratio(2);
        const QPixmap thumb =
            host.window->photos()->data(host.window->photos()->index(0), Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(thumb.size(), QSize(322, 242));
        QCOMPARE(thumb.devicePixelRatio(), 2.0);
    }

    // Under GBK every file dialog lists the names that are not UTF-8 and
    // gives them back as they are.
    void gbk_names_show_in_the_file_dialog() {
        if (std::setlocale(LC_ALL, "zh_CN.GBK") == nullptr) QSKIP("no zh_CN.GBK locale");
        ::setenv("LC_ALL", "zh_CN.GBK", 1);
        QTemporaryDir dir;
        const QString folder = QString::fromUtf8("导入"), image = QString::fromUtf8("相机卡.bin");
        const QByteArray base = QFile::encodeName(dir.path()) + '/';
        QVERIFY(::mkdir((base + QByteArray::fromStdString(gui::encode_name(folder))).constData(), 0700) == 0);
        const QByteArray file = base + QByteArray::fromStdString(gui::encode_name(image));
        QVERIFY(::close(::open(file.constData(), O_CREAT | O_WRONLY, 0600)) == 0);
        gui::LocaleFileDialog dialog(nullptr, gui::LocaleFileDialog::Mode::kOpen, "Open", dir.path(),
                                     "Card images (*.bin);;All files (*)");
        QCOMPARE(dialog.names(), QStringList({folder, image}));
        dialog.set_name(image);
        dialog.accept();
        QCOMPARE(dialog.chosen(), QStringList{dir.path() + '/' + image});
        ::unlink(file.constData());
        ::rmdir((base + QByteArray::fromStdString(gui::encode_name(folder))).constData());
    }

    // In a Chinese locale whose codeset is GBK the window speaks Chinese and
    // shows a card image's GBK-encoded name right.
    void a_gbk_locale_shows_chinese_and_the_file_name() {
        if (std::setlocale(LC_ALL, "zh_CN.GBK") == nullptr) QSKIP("no zh_CN.GBK locale");
        ::setenv("LC_ALL", "zh_CN.GBK", 1);
        QCOMPARE(gui::install_translations(), QString("zh_CN"));
        const QString name = QString::fromUtf8("相机卡.bin");
        Card card(1, QByteArray::fromStdString(gui::encode_name(name)));
        QVERIFY(QByteArray::fromStdString(gui::encode_name(name)) != name.toUtf8());
        Host host(card);
        QCOMPARE(host.window->windowTitle(), name + QString::fromUtf8(" — Pixavon"));
        QCOMPARE(host.action("import")->text(), QString::fromUtf8("导入照片(&I)…"));
        QCOMPARE(host.status("usage"), QString::fromUtf8("1 张照片，还能存 25 张（8 MiB 存储卡）"));
    }
};

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
