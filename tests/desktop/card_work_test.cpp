// The windows' shared card work on an embedded card image, through its
// listener as a window sees it: the card read, the grid's photos, an import
// that deletes what it saved, and a question answered no.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "desktop/card_work.h"
#include "image.h"
#include "utf8_path.h"

namespace pixavon::desktop {
namespace {

namespace fs = std::filesystem;

// A folder of its own for the test, removed afterwards.
class Scratch {
public:
    Scratch() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() / ("pixavon-card-work-" + std::to_string(now));
        fs::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return host::utf8_of(path_ / name); }

private:
    fs::path path_;
};

// Writes a card image of 8 MiB at `path` holding `photos` pictures, each in
// a colour of its own.
void make_card(const Scratch& scratch, const std::string& path, uint32_t photos) {
    host::CancelToken cancel;
    host::Core core(cancel);
    ASSERT_TRUE(core.prepare({path, 8}).ok());
    ASSERT_TRUE(core.open_camera());
    core.inspect();
    host::PutRequest request;
    for (uint32_t i = 0; i < photos; ++i) {
        host::Image image(64, 48);
        for (uint32_t y = 0; y < image.height; ++y) {
            for (uint32_t x = 0; x < image.width; ++x) {
                uint8_t* pixel = image.pixel(x, y);
                pixel[0] = static_cast<uint8_t>(60 * i);
                pixel[1] = static_cast<uint8_t>(x * 4);
                pixel[2] = static_cast<uint8_t>(y * 5);
            }
        }
        const std::vector<uint8_t> png = host::encode_png(image);
        const std::string file = scratch / ("p" + std::to_string(i) + ".png");
        std::ofstream(host::fs_path(file), std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        request.files.push_back(file);
    }
    ASSERT_TRUE(core.put_pictures(request).ok());
    ASSERT_TRUE(core.finish().ok());
}

// What the window would have been told.
struct Told : CardWork::Listener {
    std::vector<std::pair<uint64_t, Card>> cards;
    std::map<uint32_t, std::string> photos;  // position: imported as
    std::vector<Progress> progress;
    std::vector<Question> questions;
    std::vector<Result> results;
    std::vector<Trouble> warnings;
    bool answer = true;

    void card_loaded(uint64_t generation, const Card& card) override { cards.emplace_back(generation, card); }
    void photo_loaded(uint64_t, uint32_t position, const host::Image& photo, const std::string& as) override {
        EXPECT_GT(photo.width, 0u);
        photos[position] = as;
    }
    void photo_failed(uint64_t, uint32_t position) override { ADD_FAILURE() << "photo " << position << " failed"; }
    void progressed(const Progress& step) override { progress.push_back(step); }
    bool question(const Question& asked) override {
        questions.push_back(asked);
        return answer;
    }
    void finished(const Result& result) override { results.push_back(result); }
    void warned(const Trouble& warning) override { warnings.push_back(warning); }
};

TEST(DesktopCardWork, ImportAndAQuestionThroughTheListener) {
    Scratch scratch;
    const std::string image = scratch / "card.bin";
    make_card(scratch, image, 3);

    host::CancelToken cancel;
    auto core = std::make_unique<host::Core>(cancel);
    ASSERT_TRUE(core->prepare({image, 0}).ok());
    Told told;
    CardWork work(std::move(core), cancel, image, told);

    work.reload();
    ASSERT_EQ(told.cards.size(), 1u);
    const Card& card = told.cards[0].second;
    EXPECT_TRUE(card.usable);
    EXPECT_EQ(card.slots.size(), 3u);
    EXPECT_EQ(card.card_mib, 8u);
    EXPECT_EQ(card.state().free, card.capacity - 3);

    // The grid's photos, read one by one; a stale generation reads nothing.
    const std::string folder = scratch / "imported";
    work.want_photos(told.cards[0].first + 1, {0, 1, 2}, folder);
    EXPECT_FALSE(work.photos_waiting());
    work.want_photos(told.cards[0].first, {2, 0, 1}, folder);
    while (work.photos_waiting()) work.read_next_photo();
    EXPECT_EQ(told.photos.size(), 3u);

    // Two photos imported, then deleted from the card.
    told.progress.clear();
    work.import_photos({folder, {0, 2}, true});
    ASSERT_FALSE(told.progress.empty());
    EXPECT_EQ(told.progress.back().operation, Operation::kImport);
    EXPECT_LE(told.progress.front().done, told.progress.back().done);
    EXPECT_LE(told.progress.back().done, 1.0);

    ASSERT_EQ(told.results.size(), 2u);
    const Result& imported = told.results[1];
    EXPECT_TRUE(imported.ok()) << imported.trouble.text;
    EXPECT_TRUE(imported.card_changed);
    EXPECT_EQ(imported.saved, 2u);
    EXPECT_EQ(imported.deleted, 2u);
    ASSERT_EQ(imported.files.size(), 2u);
    for (const auto& [position, file] : imported.files) EXPECT_TRUE(fs::is_regular_file(host::fs_path(file))) << file;

    // The card read afresh: one photo left, in a new generation.
    ASSERT_EQ(told.cards.size(), 2u);
    EXPECT_GT(told.cards[1].first, told.cards[0].first);
    EXPECT_EQ(told.cards[1].second.slots.size(), 1u);
    EXPECT_TRUE(told.warnings.empty());

    // A delete the person declines changes nothing, and the card is not read
    // again.
    told.answer = false;
    work.delete_photos({0});
    ASSERT_EQ(told.questions.size(), 1u);
    EXPECT_EQ(told.questions[0].operation, Operation::kDelete);
    EXPECT_EQ(told.questions[0].count, 1u);
    ASSERT_EQ(told.results.size(), 3u);
    EXPECT_TRUE(told.results[2].declined);
    EXPECT_FALSE(told.results[2].card_changed);
    EXPECT_EQ(told.cards.size(), 2u);
    EXPECT_TRUE(work.close());
}

// Two entries of the list naming one slot: the repair asks with the number
// of pictures saved, ends in one result, warns of nothing beside it, and
// leaves the card listing every picture.
TEST(DesktopCardWork, RepairAsksWithTheCountSavedAndEndsOnce) {
    Scratch scratch;
    const std::string image = scratch / "card.bin";
    make_card(scratch, image, 6);
    {
        // The list is the card's last 8 KiB; its entries name their slot at
        // byte 8 of 16, from byte 512 on.
        std::fstream card(host::fs_path(image), std::ios::binary | std::ios::in | std::ios::out);
        const std::streamoff entries = (std::streamoff{8} << 20) - 8192 + 512;
        char slot = 0;
        card.seekg(entries + 8);
        card.read(&slot, 1);
        card.seekp(entries + 16 * 5 + 8);
        card.write(&slot, 1);
        ASSERT_TRUE(card.good());
    }
    host::CancelToken cancel;
    auto core = std::make_unique<host::Core>(cancel);
    ASSERT_TRUE(core->prepare({image, 0}).ok());
    Told told;
    CardWork work(std::move(core), cancel, image, told);
    work.reload();
    ASSERT_FALSE(told.cards.back().second.usable);

    work.rescue(scratch / "rescued", 0);
    ASSERT_EQ(told.questions.size(), 1u);
    EXPECT_EQ(told.questions[0].count, 6u);
    ASSERT_EQ(told.results.size(), 2u);
    const Result& rescued = told.results[1];
    EXPECT_EQ(rescued.rescue.saved, 6u);
    EXPECT_TRUE(rescued.rescue.repaired) << rescued.trouble.text;
    EXPECT_TRUE(told.warnings.empty());
    EXPECT_TRUE(rescued.warnings.empty());
    EXPECT_TRUE(told.cards.back().second.usable);
    EXPECT_EQ(told.cards.back().second.slots.size(), 6u);
    EXPECT_TRUE(work.close());
}

}  // namespace
}  // namespace pixavon::desktop
