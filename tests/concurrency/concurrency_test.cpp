// Several host threads calling the library at once: uploads, downloads,
// catalog loads and idle queries interleave, and neither the library's state
// nor the card may suffer. Run under ThreadSanitizer in CI.
#include <atomic>
#include <thread>

#include "integration/library_fixture.h"

namespace pixavon::test {
namespace {

class Concurrency : public LibraryTest {};

struct ReentrantHost {
    PixavonWindow window{};
    LoadedLibrary* lib = nullptr;
    std::atomic<int> progress{0};
    std::atomic<int> connected_seen{0};
    // The progress handler calls back into the library, as a host that
    // updates its status line would.
    static intptr_t OnMessage(void* self, uint32_t, uintptr_t, intptr_t) {
        auto* host = static_cast<ReentrantHost*>(self);
        ++host->progress;
        host->connected_seen += host->lib->IsConnect();
        return 0;
    }
};

TEST_F(Concurrency, ThreadsCallingAtOnceLeaveAConsistentCard) {
    StartCamera(16);
    ReentrantHost host;
    host.lib = lib.get();
    host.window = PixavonWindow{&host, &ReentrantHost::OnMessage, nullptr};
    ASSERT_EQ(lib->OpenDevice(&host.window), 1);
    ASSERT_EQ(lib->GetPhotoCount(), 0);

    constexpr int kUploads = 4;
    std::vector<std::string> pictures;
    for (int n = 0; n < kUploads; ++n) {
        pictures.push_back(TempPath("up" + std::to_string(n) + ".bmp"));
        WriteFileBytes(pictures.back(), MakeBitmap(static_cast<uint32_t>(n)));
    }

    std::atomic<bool> done{false};
    std::atomic<int> upload_failures{0}, bad_downloads{0}, good_downloads{0}, count_went_down{0};
    std::thread uploader([&] {
        for (const std::string& path : pictures) {
            if (lib->WriteFileToGBA(path.c_str()) != 1) ++upload_failures;
            lib->GetPhotoCount();  // the host reloads after every change
        }
        done = true;
    });
    std::thread downloader([&] {
        const std::string out = TempPath("down.bmp");
        const std::vector<uint8_t> first = MakeBitmap(0);
        while (!done) {
            if (lib->ReadPixavonToFile(0, out.c_str()) != 1) continue;  // nothing uploaded yet
            const auto bytes = ReadFileBytes(out);
            // The first photo, but for the 100 pixels the card does not store.
            const bool same = bytes.size() == first.size() &&
                              std::equal(bytes.begin() + 54 + 968, bytes.end(), first.begin() + 54 + 968);
            ++(same ? good_downloads : bad_downloads);
        }
    });
    std::thread loader([&] {
        int32_t last = 0;
        while (!done) {
            const int32_t count = lib->GetPhotoCount();
            if (count < last) ++count_went_down;
            last = count;
        }
    });
    std::thread idler([&] {
        char text[255];
        while (!done) {
            lib->IsConnect();
            lib->GetCardMemory();
            lib->GetString(5, text);
        }
    });
    uploader.join();
    downloader.join();
    loader.join();
    idler.join();

    EXPECT_EQ(upload_failures, 0);
    EXPECT_EQ(bad_downloads, 0);
    EXPECT_EQ(count_went_down, 0);
    EXPECT_GT(host.connected_seen.load(), 0);
    EXPECT_EQ(lib->GetPhotoCount(), kUploads);
    for (int n = 0; n < kUploads; ++n) {
        const std::string out = TempPath("check.bmp");
        ASSERT_EQ(lib->ReadPixavonToFile(n, out.c_str()), 1);
        const auto expected = MakeBitmap(static_cast<uint32_t>(n));
        const auto bytes = ReadFileBytes(out);
        EXPECT_TRUE(std::equal(bytes.begin() + 54 + 968, bytes.end(), expected.begin() + 54 + 968)) << n;
    }
    StopCamera();
    const auto trace = Trace();
    EXPECT_FALSE(AnyLineContains(trace, "UNERASED"));
    EXPECT_FALSE(AnyLineContains(trace, "MISALIGNED"));
    const auto catalog = CatalogOf(emulator->card_bytes());
    for (int n = 0; n < kUploads; ++n) EXPECT_EQ(catalog[512 + 16 * n + 8], n);
}

}  // namespace
}  // namespace pixavon::test
