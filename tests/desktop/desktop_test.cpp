// The windows' shared layer: which actions a card state opens, what follows
// an operation's end, and the words as the windows' catalogue gives them.
#include <gtest/gtest.h>

#include "desktop/actions.h"
#include "desktop/phrases.h"
#include "desktop/window.h"
#include "desktop/words.h"

namespace pixavon::desktop {
namespace {

TEST(DesktopActions, OpenToTheCardAsItIs) {
    // A damaged card whose size is measured: back it up or rescue it, but
    // nothing that needs its photo list.
    WindowState damaged{.connected = true, .usable = false, .card_mib = 16, .selected = 2};
    Enabled open = enabled(damaged);
    EXPECT_TRUE(is_enabled(open, Action::kBackup));
    EXPECT_TRUE(is_enabled(open, Action::kRescue));
    EXPECT_FALSE(is_enabled(open, Action::kImport));
    EXPECT_FALSE(is_enabled(open, Action::kDelete));
    EXPECT_FALSE(is_enabled(open, Action::kCancel));

    // A full card with one photo selected: no room to add, one to view.
    WindowState full{.connected = true, .usable = true, .photos = 26, .free = 0, .card_mib = 8, .selected = 1};
    open = enabled(full);
    EXPECT_TRUE(is_enabled(open, Action::kView));
    EXPECT_TRUE(is_enabled(open, Action::kImportSelected));
    EXPECT_FALSE(is_enabled(open, Action::kAdd));

    // A restore under way cannot be cancelled; an import can; nothing else
    // but Quit is open meanwhile.
    full.busy = true;
    full.operation = Operation::kRestore;
    open = enabled(full);
    EXPECT_FALSE(is_enabled(open, Action::kCancel));
    EXPECT_FALSE(is_enabled(open, Action::kReload));
    EXPECT_TRUE(is_enabled(open, Action::kQuit));
    full.operation = Operation::kImport;
    EXPECT_TRUE(is_enabled(enabled(full), Action::kCancel));
}

TEST(DesktopAftermath, RescueFormatAndPutBack) {
    Result rescue{.operation = Operation::kRescue};
    rescue.rescue.found = rescue.rescue.saved = 5;
    // Every picture of an unusable card saved: the folder is kept for the
    // format, which then offers to put them back.
    EXPECT_TRUE(after(rescue, false, false, false).remember_rescued);
    EXPECT_FALSE(after(rescue, true, false, false).remember_rescued);
    rescue.rescue.saved = 4;
    EXPECT_FALSE(after(rescue, false, false, false).remember_rescued);

    Result format{.operation = Operation::kFormat, .card_changed = true};
    Aftermath next = after(format, true, true, false);
    EXPECT_TRUE(next.offer_put_back);
    EXPECT_TRUE(next.redraw_photos);
    EXPECT_FALSE(after(format, true, false, false).offer_put_back);
    EXPECT_FALSE(after(format, true, true, true).offer_put_back);  // the window is closing
    format.status = host::Outcome::Status::kFailed;
    EXPECT_FALSE(after(format, true, true, false).offer_put_back);

    // A blank card: its size is asked, and nothing else follows.
    Result blank{.operation = Operation::kRescue, .status = host::Outcome::Status::kFailed};
    blank.trouble.hint = host::Hint::kNeedsSize;
    next = after(blank, false, false, false);
    EXPECT_TRUE(next.ask_card_size);
    EXPECT_FALSE(next.remember_rescued);
    EXPECT_FALSE(after(blank, false, false, true).ask_card_size);
}

// A damaged card on an attached camera, which only the camera can format:
// after the rescue every word names steps that work, and the folder stays
// with that card only.
TEST(DesktopAftermath, RescuedCardFormattedInTheCamera) {
    use_english();
    const CardState damaged{.connected = true, .card_mib = 8};
    Result rescue{.operation = Operation::kRescue, .status = host::Outcome::Status::kFailed};
    rescue.rescue.found = rescue.rescue.saved = 6;
    rescue.trouble = {.kind = host::ProblemKind::kRepairImpossible, .hint = host::Hint::kFormatInCamera};
    ASSERT_TRUE(after(rescue, false, false, false).remember_rescued);
    Rescued rescued = rescued_from(rescue, damaged, "/p/rescue3");
    EXPECT_NE(result(rescue).box->details.find("Put back rescued pictures"), std::string::npos);

    // Neither Format nor Restore is offered; the notice names the folder and
    // the camera's format, then Put back.
    WindowState state{.connected = true, .card_mib = 8, .rescued = true, .format_in_camera = true};
    EXPECT_FALSE(is_enabled(enabled(state), Action::kFormat));
    EXPECT_FALSE(is_enabled(enabled(state), Action::kRestore));
    Notice said = notice(damaged, rescued);
    EXPECT_EQ(said.headline, "The pictures are saved in /p/rescue3.");
    EXPECT_NE(said.body.find("in the camera"), std::string::npos);
    EXPECT_NE(said.offer, Action::kFormat);
    // A format that failed all the same never says to choose it again.
    Result format{.operation = Operation::kFormat, .status = host::Outcome::Status::kFailed};
    format.trouble = {.kind = host::ProblemKind::kFormatFailed, .hint = host::Hint::kCheckCamera};
    const std::string details = result(format, rescued).box->details;
    EXPECT_NE(details.find("/p/rescue3"), std::string::npos);
    EXPECT_EQ(details.find("try again"), std::string::npos);

    // Unplugged, formatted in the camera, back empty: Put back is offered.
    follow_card(rescued, CardState{});
    const CardState formatted{.connected = true, .usable = true, .free = 26, .card_mib = 8};
    follow_card(rescued, formatted);
    ASSERT_TRUE(rescued.kept());
    EXPECT_EQ(notice(formatted, rescued).offer, Action::kPutBack);
    state = {.connected = true, .usable = true, .free = 26, .card_mib = 8, .rescued = true};
    EXPECT_TRUE(is_enabled(enabled(state), Action::kPutBack));
}

// Rescue card A, unplug, plug in another damaged card: the folder is A's, so
// the window offers that card's own rescue, not a format.
TEST(DesktopAftermath, RescuedFolderBelongsToItsCard) {
    use_english();
    const CardState damaged{.connected = true, .card_mib = 8};
    Result rescue{.operation = Operation::kRescue};
    rescue.rescue.found = rescue.rescue.saved = 3;
    Rescued rescued = rescued_from(rescue, damaged, "/p/rescue3");
    follow_card(rescued, damaged);
    EXPECT_EQ(notice(damaged, rescued).offer, Action::kFormat);  // the same card, still in
    follow_card(rescued, CardState{});
    follow_card(rescued, damaged);
    EXPECT_FALSE(rescued.kept());
    EXPECT_EQ(notice(damaged, rescued).offer, Action::kRescue);
    // Nor does it pass to a card image of another size or name.
    rescued = rescued_from(rescue, damaged, "/p/rescue3");
    follow_card(rescued, CardState{.connected = true, .card_mib = 16});
    EXPECT_FALSE(rescued.kept());
}

TEST(DesktopWords, EnglishAndJapaneseFromTheCatalogue) {
    use_english();
    // Time left once there is enough behind to judge by; plural forms.
    Progress importing{.operation = Operation::kImport, .item = 9, .items = 30, .done = 0.25};
    EXPECT_EQ(progress(importing, 1000), "Importing photo 9 of 30");
    EXPECT_EQ(progress(importing, 60000), "Importing photo 9 of 30 — about 3 minutes left");
    Result imported{.operation = Operation::kImport, .folder = "/p", .saved = 1};
    EXPECT_EQ(result(imported).box->headline, "1 photo imported.");
    imported.saved = 3;
    EXPECT_EQ(result(imported).box->headline, "3 photos imported.");
    EXPECT_EQ(button_text(label(Action::kImportNew)), "Import new photos");

    ASSERT_TRUE(use_catalogue_file(catalogue_path(build_locale_dir(), "ja")));
    EXPECT_EQ(progress(importing, 60000), "写真を取り込み中（9/30） — 残り約 3 分");
    EXPECT_EQ(label(Action::kDelete), "削除(&D)");
    EXPECT_EQ(button_text(label(Action::kDelete)), "削除");
    EXPECT_EQ(result(imported).box->headline, "写真 3 枚を取り込みました。");
    use_english();
    EXPECT_FALSE(use_catalogue_file(catalogue_path(build_locale_dir(), "xx")));
    EXPECT_EQ(label(Action::kDelete), "&Delete");
}

}  // namespace
}  // namespace pixavon::desktop
