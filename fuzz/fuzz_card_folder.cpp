// Sequences of file operations on the card as a folder, as copying tools and
// people make them, on an embedded card: no sequence may crash or leak, every
// photo is listed once, and each listed photo reads back as the card's bitmap.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "card_folder.h"
#include "core.h"
#include "image.h"

namespace {

using namespace pixavon::host;
using pixavon::kPhotoHeight;
using pixavon::kPhotoWidth;

struct Card {
    CancelToken cancel;
    Core core{cancel};
    std::vector<std::vector<uint8_t>> contents;
    std::string folder;
    Card() {
        char dir[] = "/tmp/pixavon-fuzz-folder-XXXXXX";
        if (::mkdtemp(dir) != nullptr) folder = dir;
        const Outcome prepared = !folder.empty() ? core.prepare({folder + "/card.bin", 8}, PIXAVON_LIBRARY_PATH)
                                                 : Outcome{Outcome::Status::kFailed, {}, {}};
        if (!prepared.ok() || !core.open_camera()) {
            std::fprintf(stderr, "no card: %s\n", describe(prepared.problem).c_str());
            std::abort();
        }
        for (uint8_t seed : {1, 2}) {
            Image image(kPhotoWidth, kPhotoHeight, static_cast<uint8_t>(seed * 60));
            contents.push_back(encode_png(image));
        }
        contents.push_back(encode_camera_bitmap(Image(kPhotoWidth, kPhotoHeight, 90)));
        contents.push_back(encode_png(Image(40, 30, 7)));  // not the photo size
        contents.push_back(std::vector<uint8_t>(300, 'x'));
    }
    // The card image goes with the process (8 MiB for every run otherwise).
    ~Card() {
        core.close_camera();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;
};

const char* const kNames[] = {
    "/a.png", "/b.bmp", "/.a.png.tmp", "/slot-00.bmp", "/slot-01.bmp", "/info.txt", "/png/slot-00.png", "/png", "/"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Card card;
    // A few photos at most, so that each run stays short.
    if (const CardState state = card.core.inspect(); state.catalog_ok && state.catalog.count > 4) {
        std::vector<uint32_t> all(state.catalog.count);
        for (uint32_t i = 0; i < all.size(); ++i) all[i] = i;
        card.core.delete_photos(all, false);
    }
    CardFolder folder(card.core, false);
    if (!folder.start().ok()) return 0;
    std::vector<uint64_t> handles;
    size_t at = 0;
    const auto next = [&] { return at < size ? data[at++] : uint8_t{0}; };
    int puts = 0;
    for (int step = 0; step < 32 && at < size; ++step) {
        const uint8_t op = next() % 12;
        const std::string name = kNames[next() % std::size(kNames)];
        const uint64_t handle = handles.empty() ? 0 : handles[next() % handles.size()];
        OpenedFile opened;
        NodeInfo info;
        std::vector<std::pair<std::string, NodeInfo>> entries;
        char buffer[4096];
        switch (op) {
            case 0:
                if (folder.create(name, &opened) == 0) handles.push_back(opened.handle);
                break;
            case 1: {
                const int flags[] = {O_RDONLY, O_WRONLY, O_WRONLY | O_TRUNC, O_RDWR};
                if (folder.open(name, flags[next() % 4], &opened) == 0) handles.push_back(opened.handle);
                break;
            }
            case 2: {  // writes one of the contents, whole or in part
                const std::vector<uint8_t>& content = card.contents[next() % card.contents.size()];
                const size_t end = next() % 4 == 0 ? content.size() / 2 : content.size();
                folder.write(handle, reinterpret_cast<const char*>(content.data()), end, 0);
                break;
            }
            case 3:
                if (puts < 3) {
                    ++puts;
                    folder.flush(handle);
                }
                break;
            case 4:
                folder.release(handle);
                std::erase(handles, handle);
                break;
            case 5:
                folder.read(handle, buffer, sizeof buffer, next() * 1000u);
                break;
            case 6:
                folder.unlink(name);
                break;
            case 7:
                folder.rename(name, kNames[next() % std::size(kNames)], next() % 2);
                break;
            case 8: {
                const uint64_t length = next() * 1000u;
                folder.truncate(name, next() % 2 ? &handle : nullptr, length);
                break;
            }
            case 9:
                folder.stat(name, &info);
                folder.stat_open(handle, &info);
                folder.change_attributes(name);
                break;
            case 10:
            case 11: {
                // Each photo under as many names as it has links, each name
                // once; each reads back as the card's bitmap.
                if (folder.list("/", &entries) != 0) break;
                std::set<std::string> seen;
                std::map<uint32_t, size_t> by_links;
                for (const auto& [entry, node] : entries) {
                    if (!seen.insert(entry).second) std::abort();
                    if (node.directory || entry == "info.txt" || node.mode != 0444) continue;
                    if (node.links == 0) std::abort();
                    ++by_links[node.links];
                    if (folder.open("/" + entry, O_RDONLY, &opened) != 0) continue;
                    const long n = folder.read(opened.handle, buffer, sizeof buffer, 0);
                    folder.release(opened.handle);
                    if (n > 1 && (buffer[0] != 'B' || buffer[1] != 'M')) std::abort();
                }
                size_t photos = 0;
                for (const auto& [links, names] : by_links) {
                    if (names % links != 0) std::abort();
                    photos += names / links;
                }
                const CardState state = card.core.inspect();
                if (state.catalog_ok && photos != state.catalog.count) std::abort();
                break;
            }
        }
    }
    for (const uint64_t handle : handles) {
        folder.flush(handle);
        folder.release(handle);
    }
    folder.say_pending();
    return 0;
}
