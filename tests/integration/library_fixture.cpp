#include "integration/library_fixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pixavon::test {
namespace {

intptr_t RecordProgress(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    auto* host = static_cast<RecordingWindow*>(context);
    if (message == PIXAVON_PROGRESS_MESSAGE && wparam == 0 && lparam == 0) ++host->progress;
    return 0;
}

int RecordBox(void* context, int owned, const char* text, const char* caption, uint32_t style) {
    static_cast<RecordingWindow*>(context)->boxes.push_back(BoxSeen{owned, text, caption, style});
    return 1;
}

}  // namespace

PrivateLibraryCopy::PrivateLibraryCopy() {
    char pattern[] = "/tmp/pixavon-lib-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    close(fd);
    path = pattern;
    std::filesystem::copy_file(PIXAVON_LIBRARY_PATH, path, std::filesystem::copy_options::overwrite_existing);
}

PrivateLibraryCopy::~PrivateLibraryCopy() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

RecordingWindow::RecordingWindow() { window = PixavonWindow{this, RecordProgress, RecordBox}; }

void LibraryTest::TearDown() {
    if (lib) lib->CloseDevice();
    lib.reset();
    if (emulator) emulator->stop();
    emulator.reset();
}

void LibraryTest::StartCamera(int size_mib, std::vector<std::string> extra_args, const std::vector<uint8_t>* card) {
    EmulatorOptions options;
    options.size_mib = size_mib;
    options.extra_args = std::move(extra_args);
    emulator = std::make_unique<EmulatorProcess>(options);
    if (card != nullptr) emulator->write_card_bytes(*card);
    emulator->start();
    setenv("PIXAVON_DEVICE_DIR", emulator->device_dir().c_str(), 1);
    if (!lib) lib = std::make_unique<LoadedLibrary>();
}

int32_t LibraryTest::OpenAndLoad() {
    EXPECT_EQ(lib->OpenDevice(&host.window), 1);
    return lib->GetPhotoCount();
}

void LibraryTest::StopCamera() {
    lib->CloseDevice();
    emulator->stop();
}

std::vector<uint8_t> BlankCard(int size_mib, const std::vector<uint8_t>& slots) {
    std::vector<uint8_t> card(static_cast<size_t>(size_mib) << 20, 0xFF);
    const auto catalog = make_catalog(size_mib == 8 ? 26 : 52, slots);
    std::copy(catalog.begin(), catalog.end(), card.end() - 8192);
    return card;
}

std::vector<uint8_t> CatalogOf(const std::vector<uint8_t>& card) { return {card.end() - 8192, card.end()}; }

std::vector<uint8_t> MakeBitmap(uint32_t seed, bool top_down) {
    std::vector<uint8_t> file(234310, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, 234310);
    put32(10, 54);
    put32(14, 40);
    put32(18, 322);
    put32(22, top_down ? static_cast<uint32_t>(-242) : 242u);
    file[26] = 1;
    file[28] = 24;
    put32(34, 234256);
    put32(38, 50190);
    put32(42, 50190);
    for (uint32_t y = 0; y < 242; ++y) {
        const uint32_t row = top_down ? y : 241 - y;
        for (uint32_t x = 0; x < 322; ++x) {
            uint8_t* p = &file[54 + 968 * row + 3 * x];
            p[0] = static_cast<uint8_t>(x * 3 + seed);
            p[1] = static_cast<uint8_t>(y * 5 + seed * 7);
            p[2] = static_cast<uint8_t>((x ^ y) + seed * 13);
        }
    }
    return file;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
                 [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    return out;
}

bool AnyLineContains(const std::vector<std::string>& lines, const std::string& word) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(word) != std::string::npos; });
}

}  // namespace pixavon::test
