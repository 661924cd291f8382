// pixavon-gui's main window on embedded cards, with the library's boxes and
// the window's questions answered by the test instead of a person.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <functional>
#include <memory>

#include "cancel.h"
#include "core.h"
#include "image.h"
#include "main_window.h"

namespace {

using pixavon::gui::MainWindow;
namespace host = pixavon::host;

struct Box {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QString detail;  // the informative text
    QWidget* parent;
};

// The window with every box recorded and answered with `answer`.
class TestWindow : public MainWindow {
public:
    explicit TestWindow(host::Core& core) : MainWindow(core) {}
    QList<Box> boxes;
    int answer = QMessageBox::Yes;
    int open_answer = QMessageBox::Ok;  // for a box that offers to open a folder
    QString folder_answer;
    QStringList opened;

    int runs_of(uint32_t label) const {
        int n = 0;
        for (const Run& run : runs()) n += run.label_id == label ? 1 : 0;
        return n;
    }
    // Every run of `label` expected `total` steps and received them all.
    bool runs_complete(uint32_t label, uint64_t total) const {
        for (const Run& run : runs()) {
            if (run.label_id == label && (run.total != total || run.steps != total)) return false;
        }
        return runs_of(label) > 0;
    }

protected:
    int present(QMessageBox& box) override {
        boxes.append({box.icon(), box.windowTitle(), box.text(), box.informativeText(), box.parentWidget()});
        if (box.icon() == QMessageBox::Question) return answer;
        return box.button(QMessageBox::Open) != nullptr ? open_answer : QMessageBox::Ok;
    }
    QString ask_import_folder() override { return folder_answer; }
    QString ask_rescue_folder() override { return folder_answer; }
    void open_folder(const QString& folder) override { opened << folder; }
};

// A card image in a temporary directory.
class Card {
public:
    Card() : path_(dir_.filePath("card.bin")) {}
    QByteArray bytes() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Writes `bytes` at `offset` from the end of the image.
    void patch_from_end(qint64 offset, const QByteArray& bytes) const {
        QFile file(path_);
        if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size() - offset) || file.write(bytes) != bytes.size()) {
            qFatal("cannot patch %s", qPrintable(path_));
        }
    }
    const QString& path() const { return path_; }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString path_;
};

// The window in front of a host core that holds `card` (a fresh 8 MiB card
// if it does not exist yet), as pixavon-gui starts it.
class Host {
public:
    explicit Host(const Card& card) {
        const host::Outcome prepared = core.prepare({card.path().toStdString(), 8});
        if (!prepared.ok()) qFatal("%s", host::describe(prepared.problem).c_str());
        window = std::make_unique<TestWindow>(core);
        core.set_frontend(*window);
        core.open_camera();
    }
    ~Host() { core.finish(); }
    TestWindow& operator*() { return *window; }
    TestWindow* operator->() { return window.get(); }

    host::CancelToken cancel;
    host::Core core{cancel};
    std::unique_ptr<TestWindow> window;
};

QString picture(const Card& card, const QString& name, QColor colour, QSize size = {640, 480}) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    QString path = card.file(name);
    if (!image.save(path)) qFatal("cannot write %s", qPrintable(path));
    return path;
}

QColor centre_of(const QListWidgetItem* item) {
    const QImage thumb = item->icon().pixmap(QSize(161, 121)).toImage();
    return thumb.pixelColor(thumb.width() / 2, thumb.height() / 2);
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 16 && std::abs(a.green() - b.green()) <= 16 &&
           std::abs(a.blue() - b.blue()) <= 16;
}

int colours_in(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
    }
    return static_cast<int>(seen.size());
}

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
    }
    void cleanup() {
        ::setenv("LC_ALL", "C.UTF-8", 1);
        pixavon::gui::install_translations();
        QSettings().clear();
    }

    // The library's texts come from the table of the user's locale and are
    // decoded with its codeset (GBK bytes are not UTF-8), the window's own
    // texts and Qt's from the translations of the same language.
    void labels_follow_the_locale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("import");
        QTest::addColumn<QString>("yes");
        QTest::newRow("English") << "C.UTF-8"
                                 << QStringList{"&DELETE", "&UPLOAD",    "&BACKUP",     "DI&SPLAY", "&FORMAT",
                                                "&ABOUT",  "&READ CARD", "&WRITE CARD", "&CATALOG", "E&XIT"}
                                 << "0 is used up 26 is available"
                                 << "&Import new photos…"
                                 << "&Yes";
        QTest::newRow("Japanese") << "ja_JP.UTF-8" << QStringList{"削除(&D)",           "アップロード(&U)",
                                                                  "バックアップ(&B)",   "ディスプレイ(&S)",
                                                                  "フォーマット(&F)",   "アバウト(&A)",
                                                                  "読み取りカード(&R)", "書き取りカード(&W)",
                                                                  "メニュー(&C)",       "終了(&X)"}
                                  << QString::fromUtf8("0は使い果たされました\u300026は利用可能です")
                                  << "新しい写真を取り込む(&I)…"
                                  << "はい(&Y)";
        QTest::newRow("Simplified Chinese, GBK")
            << "zh_CN.GBK" << QStringList{"删除(&D)", "上载(&U)",   "备份(&B)",   "显示(&S)", "格式化(&F)",
                                          "关于(&A)", "读整卡(&R)", "写整卡(&W)", "目录(&C)", "退出(&X)"}
            << "0张已使用 26张剩余空间"
            << "导入新照片(&I)…"
            << "是(&Y)";
    }

    void labels_follow_the_locale() {
        QFETCH(QString, locale);
        QFETCH(QStringList, buttons);
        QFETCH(QString, status);
        QFETCH(QString, import);
        QFETCH(QString, yes);
        ::setenv("LC_ALL", qPrintable(locale), 1);
        pixavon::gui::install_translations();
        Card card;
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(window.load_catalog());
        QCOMPARE(window.windowTitle(), QString("card.bin — Lumetta"));
        for (uint32_t id = 3; id <= 12; ++id) QCOMPARE(window.button(id)->text(), buttons[static_cast<int>(id - 3)]);
        QCOMPARE(window.status_line()->text(), status);
        QCOMPARE(window.import_action()->text(), import);
        QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), yes);
    }

    void thumbnails_follow_uploads_and_deletes() {
        Card card;
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(window.load_catalog());
        const QColor red(220, 30, 30), green(30, 200, 40), blue(20, 40, 210), yellow(230, 220, 20);
        QImage own(322, 242, QImage::Format_RGB888);
        own.fill(blue);
        QFile bitmap(card.file("blue.bmp"));
        QVERIFY(bitmap.open(QIODevice::WriteOnly));
        const std::vector<uint8_t> bytes = host::encode_camera_bitmap(pixavon::gui::from_qimage(own));
        bitmap.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        bitmap.close();
        // PNG and JPEG go through the host's decoders, PPM through Qt's, and the
        // camera's own bitmap unchanged.
        QVERIFY(window.upload({picture(card, "red.png", red), picture(card, "green.ppm", green, {90, 120}),
                               bitmap.fileName(), picture(card, "yellow.jpg", yellow, {2000, 1000})}));
        QCOMPARE(window.photos()->count(), 4);
        QVERIFY(window.finish_thumbnails());
        const QColor order[] = {red, green, blue, yellow};
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(near(centre_of(window.photos()->item(i)), order[i]), qPrintable(QString::number(i)));
        }
        QCOMPARE(window.runs_of(host::kTextUpload), 4);
        QVERIFY(window.runs_complete(host::kTextUpload, 624));
        QCOMPARE(window.status_line()->text(), QString("4 is used up 22 is available"));

        // Given in any order, deleted highest first, so the right two go.
        QVERIFY(window.delete_photos({0, 2}));
        QCOMPARE(window.photos()->count(), 2);
        QVERIFY(window.finish_thumbnails());
        QVERIFY(near(centre_of(window.photos()->item(0)), green));
        QVERIFY(near(centre_of(window.photos()->item(1)), yellow));
        QCOMPARE(window.runs_of(host::kTextDelete), 2);
        QVERIFY(window.runs_complete(host::kTextDelete, 16));
        QCOMPARE(window.boxes.size(), qsizetype{1});  // the question only
        QCOMPARE(window.boxes[0].icon, QMessageBox::Question);
    }

    void declined_questions_leave_the_card_as_it_was() {
        Card card;
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(window.load_catalog());
        QVERIFY(window.upload({picture(card, "a.png", Qt::red), picture(card, "b.png", Qt::blue)}));
        const QString backup = card.file("backup.bin");
        QVERIFY(window.backup_to(backup));
        QVERIFY(window.runs_complete(host::kTextBackup, 256));
        const QByteArray before = card.bytes();
        QFile saved(backup);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), before);

        window.answer = QMessageBox::No;
        QVERIFY(!window.delete_photos({0}));
        QVERIFY(!window.format_card());
        QVERIFY(!window.restore_from(backup));
        QCOMPARE(window.boxes.size(), qsizetype{3});
        QCOMPARE(card.bytes(), before);
        QCOMPARE(window.photos()->count(), 2);

        window.answer = QMessageBox::Yes;
        QVERIFY(window.format_card());
        QCOMPARE(window.photos()->count(), 0);
        QVERIFY(window.restore_from(backup));
        QVERIFY(window.runs_complete(host::kTextWriteCard, 16384));
        QCOMPARE(window.photos()->count(), 2);
        QCOMPARE(card.bytes(), before);
    }

    void an_outcome_not_done_is_shown_in_a_box() {
        Card card;
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(window.load_catalog());
        QFile junk(card.file("notes.txt"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a picture");
        junk.close();
        QVERIFY(!window.upload({picture(card, "fine.png", Qt::red), junk.fileName()}));
        QCOMPARE(window.boxes.size(), qsizetype{1});
        QCOMPARE(window.boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(window.boxes[0].text, QString("The pictures could not be uploaded."));
        QVERIFY(window.boxes[0].detail.contains("notes.txt"));
        QCOMPARE(window.photos()->count(), 0);
    }

    void a_damaged_catalog_is_explained_and_only_whole_card_buttons_stay() {
        Card card;
        { Host fresh(card); }
        // The catalog lies in the card's last 8 KiB; its photo count at byte 256.
        card.patch_from_end(8192 - 256, QByteArray(1, char(255)));
        {
            Host host(card);
            TestWindow& window = *host;
            QVERIFY(!window.load_catalog());
            QCOMPARE(window.status_line()->text(),
                     QString("The card's photo list is damaged: it lists 255 photos, but the card holds at most 26."));
            for (const uint32_t id : {host::kTextUpload, host::kTextDelete, host::kTextBackup, host::kTextDisplay}) {
                QVERIFY(!window.button(id)->isEnabled());
            }
            // The card's size is known, so it can be saved, formatted or restored.
            for (const uint32_t id : {host::kTextFormat, host::kTextReadCard, host::kTextWriteCard}) {
                QVERIFY(window.button(id)->isEnabled());
            }
            QVERIFY(window.boxes.isEmpty());
            // RESCUE… saves what the slots hold and, once asked, repairs the list.
            QVERIFY(window.rescue_action()->isEnabled());
            window.folder_answer = card.file("rescued");
            QVERIFY(window.rescue_card());
            QCOMPARE(window.boxes.size(), 1);
            QCOMPARE(window.boxes[0].icon, QMessageBox::Question);
            QVERIFY(window.button(host::kTextUpload)->isEnabled());
            QVERIFY(!window.rescue_action()->isEnabled());
        }
        card.patch_from_end(8192 - 256, QByteArray(1, char(255)));

        // A catalog that does not load at all: the card's size is unknown.
        card.patch_from_end(8192, QByteArray(8192, '\0'));
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(!window.load_catalog());
        QVERIFY(!window.boxes.isEmpty());
        QCOMPARE(window.boxes[0].caption, QString("Lumetta"));
        QCOMPARE(window.boxes[0].text, QString("read card error,work incomplete"));
        QCOMPARE(window.boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(window.boxes[0].parent, static_cast<QWidget*>(&window));
        QVERIFY(window.status_line()->text().startsWith("The card's photo list is damaged"));
        QVERIFY(!window.button(host::kTextReadCard)->isEnabled());
        QVERIFY(!window.button(host::kTextWriteCard)->isEnabled());

        // The library's file box belongs to no window.
        const PixavonWindow* record = host.core.session().window();
        record->message_box(record->context, 0, "Open(Create) File Failed...", "Error", PIXAVON_BOX_STYLE);
        QCOMPARE(window.boxes.last().caption, QString("Error"));
        QCOMPARE(window.boxes.last().text, QString("Open(Create) File Failed..."));
        QVERIFY(window.boxes.last().parent == nullptr);
    }

    void cancel_and_closing_stop_an_operation_but_never_a_restore() {
        Card card;
        Host host(card);
        TestWindow& window = *host;
        window.show();
        QVERIFY(window.load_catalog());
        QVERIFY(window.upload({picture(card, "a.png", Qt::red)}));
        const QString backup = card.file("backup.bin");
        QVERIFY(window.backup_to(backup));

        // Acts once, as soon as the operation's progress dialog shows.
        const auto once_busy = [&](const std::function<void(QProgressDialog*)>& act) {
            auto* timer = new QTimer(&window);
            timer->setInterval(1);
            QObject::connect(timer, &QTimer::timeout, [timer, act, &window] {
                auto* dialog = window.findChild<QProgressDialog*>();
                if (dialog == nullptr || !dialog->isVisible() || dialog->value() < 1) return;
                timer->deleteLater();
                timer->stop();
                act(dialog);
            });
            timer->start();
        };

        const QString second = card.file("second.bin");
        once_busy([](QProgressDialog* dialog) { dialog->findChild<QPushButton*>()->click(); });
        QVERIFY(!window.backup_to(second));
        QVERIFY(!QFile::exists(second));
        QVERIFY(window.status_line()->text().startsWith("Stopped."));
        QVERIFY(window.isVisible());

        // A restore has no Cancel, and closing the window is refused with why.
        bool had_cancel = true;
        once_busy([&](QProgressDialog* dialog) {
            had_cancel = dialog->findChild<QPushButton*>() != nullptr && dialog->findChild<QPushButton*>()->isVisible();
            window.close();
        });
        QVERIFY(window.restore_from(backup));
        QVERIFY(!had_cancel);
        QVERIFY(window.isVisible());
        const auto* refused = window.findChild<QMessageBox*>("close-refused");
        QVERIFY(refused != nullptr);
        QVERIFY(refused->text().contains("cannot be stopped half-way"));

        // Closing during another operation stops it, then closes the window.
        once_busy([&](QProgressDialog*) { window.close(); });
        QVERIFY(!window.backup_to(second));
        QVERIFY(!QFile::exists(second));
        QTRY_VERIFY(!window.isVisible());
    }

    void thumbnails_arrive_one_by_one_while_the_grid_is_usable() {
        Card card;
        {
            Host first(card);
            QVERIFY(first->upload({picture(card, "a.png", Qt::red), picture(card, "b.png", Qt::green),
                                   picture(card, "c.png", Qt::blue)}));
        }
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(window.load_catalog());
        // Every photo is listed at once, numbered from 1, before any is read.
        QCOMPARE(window.photos()->count(), 3);
        QCOMPARE(window.thumbnails_pending(), 3);
        QCOMPARE(window.photos()->item(0)->text(), QString("1"));
        QCOMPARE(window.photos()->item(2)->toolTip(), QString("Photo 3, slot 2"));
        QVERIFY(window.button(host::kTextUpload)->isEnabled());
        // Another operation goes first; the thumbnails follow afterwards.
        QVERIFY(window.backup_to(card.file("backup.bin")));
        QCOMPARE(window.thumbnails_pending(), 3);
        QTRY_VERIFY(window.thumbnails_pending() < 3);
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
        const int arrived = 3 - window.thumbnails_pending();
        for (int i = 0; i < 3; ++i) QCOMPARE(near(centre_of(window.photos()->item(i)), colours[i]), i < arrived);
        QTRY_COMPARE(window.thumbnails_pending(), 0);
        QVERIFY(near(centre_of(window.photos()->item(2)), Qt::blue));
    }

    void import_saves_new_photos_once_into_the_remembered_folder() {
        Card card;
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(window.load_catalog());
        QVERIFY(window.upload({picture(card, "a.png", Qt::red), picture(card, "b.png", Qt::blue)}));
        QVERIFY(window.finish_thumbnails());
        const QString folder = card.file("imported");
        window.folder_answer = folder;
        window.button(host::kTextBackup)->click();
        QCOMPARE(window.import_folder(), folder);  // asked once, then remembered
        QCOMPARE(QDir(folder).entryList({"*.png"}).size(), qsizetype{2});
        QCOMPARE(window.boxes.last().text, "New photos saved: 2, in " + folder);
        QVERIFY(window.photos()->item(1)->toolTip().startsWith("Photo 2, slot 1\nImported as " + folder + "/"));

        // Again, by its shortcut: nothing new; the box opens the folder.
        window.folder_answer.clear();
        window.open_answer = QMessageBox::Open;
        QCOMPARE(window.import_action()->shortcut(), QKeySequence("Ctrl+I"));
        window.import_action()->trigger();
        QCOMPARE(window.boxes.last().text, QString("There were no new photos to import."));
        QCOMPARE(window.opened, QStringList{folder});
        QCOMPARE(QDir(folder).entryList({"*.png"}).size(), qsizetype{2});
    }

    void shortcuts_reach_the_window_wherever_the_focus_is() {
        Card card;
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(window.load_catalog());
        QVERIFY(window.upload({picture(card, "a.png", Qt::red)}));
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.photos()->setFocus();
        window.photos()->item(0)->setSelected(true);
        window.answer = QMessageBox::No;
        QTest::keyClick(window.photos(), Qt::Key_Delete);
        QCOMPARE(window.boxes.size(), qsizetype{1});
        QCOMPARE(window.boxes[0].icon, QMessageBox::Question);
        window.status_line()->clear();
        QTest::keyClick(window.button(host::kTextUpload), Qt::Key_F5);
        QCOMPARE(window.status_line()->text(), QString("1 is used up 25 is available"));
        QCOMPARE(window.save_action()->shortcut(), QKeySequence("Ctrl+S"));
        QTest::keyClick(window.photos(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!window.isVisible());
    }

    void the_window_repaints_with_buttons_off_while_the_library_works() {
        Card card;
        Host host(card);
        TestWindow& window = *host;
        window.show();
        QVERIFY(window.load_catalog());
        int ticks = 0, enabled_seen = 0, dialog_seen = 0;
        QTimer timer;
        timer.setInterval(0);
        connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            enabled_seen += window.button(host::kTextUpload)->isEnabled() ? 1 : 0;
            const auto* dialog = window.findChild<QProgressDialog*>();
            dialog_seen += dialog != nullptr && dialog->isVisible() && dialog->maximum() == 624 ? 1 : 0;
        });
        timer.start();
        QVERIFY(window.upload({picture(card, "one.png", Qt::green)}));
        timer.stop();
        QVERIFY(ticks > 0);
        QVERIFY(dialog_seen > 0);
        QCOMPARE(enabled_seen, 0);
        QVERIFY(window.button(host::kTextUpload)->isEnabled());
        QVERIFY(window.findChild<QProgressDialog*>() == nullptr);
    }

    void display_scales_up_sharp_and_smooth() {
        Card card;
        Host host(card);
        TestWindow& window = *host;
        QVERIFY(window.load_catalog());
        QImage halves(322, 242, QImage::Format_RGB888);
        halves.fill(Qt::black);
        for (int y = 0; y < 242; ++y) {
            for (int x = 0; x < 161; ++x) halves.setPixelColor(x, y, Qt::white);
        }
        const QString path = card.file("halves.png");
        QVERIFY(halves.save(path));
        QVERIFY(window.upload({path}));
        std::unique_ptr<QDialog> view(window.photo_view(0));
        QVERIFY(view != nullptr);
        const auto image = [&](int n) {
            return view->findChild<QLabel*>(QString("view-%1").arg(n))->pixmap().toImage();
        };
        QCOMPARE(image(0).size(), QSize(322, 242));
        QCOMPARE(image(1).size(), QSize(644, 484));
        QCOMPARE(image(2).size(), QSize(644, 484));
        QCOMPARE(colours_in(image(1)), colours_in(image(0)));  // nearest neighbour makes no new colours
        QVERIFY(colours_in(image(2)) > colours_in(image(0)));
        QVERIFY(window.photo_view(1) == nullptr);
    }

    void screenshot_shows_the_card_in_a_gbk_locale() {
        Card card;
        {
            Host host(card);
            TestWindow& window = *host;
            QVERIFY(window.load_catalog());
            QVERIFY(window.upload({picture(card, "red.png", QColor(230, 20, 20))}));
        }
        const QString out = card.file("shot.png");
        // In a locale whose codeset is not UTF-8, as the program is started.
        QProcess gui;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", "zh_CN.GBK");
        gui.setProcessEnvironment(environment);
        gui.start(PIXAVON_GUI_PATH, {"--card", card.path(), "--screenshot", out});
        QVERIFY(gui.waitForFinished(30000));
        QCOMPARE(gui.exitCode(), 0);
        QImage shot(out);
        QVERIFY(!shot.isNull());
        QVERIFY(shot.width() > 300 && shot.height() > 200);
        QVERIFY(colours_in(shot) > 20);
        bool red = false;
        for (int y = 0; y < shot.height() && !red; y += 2) {
            for (int x = 0; x < shot.width() && !red; x += 2) red = near(shot.pixelColor(x, y), QColor(230, 20, 20));
        }
        QVERIFY(red);
    }
};

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
