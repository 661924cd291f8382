#include "integration/library_fixture.h"

#if !defined(_WIN32)
#  include <stdlib.h>
#  include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pixavon::test {

#if !defined(_WIN32)
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

RecordingWindow::~RecordingWindow() = default;

PixavonWindowHandle RecordingWindow::handle() const { return &window; }
#endif

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
#if !defined(_WIN32)
    setenv("PIXAVON_DEVICE_DIR", emulator->device_dir().c_str(), 1);
#endif
    if (!lib) lib = std::make_unique<LoadedLibrary>();
}

int32_t LibraryTest::OpenAndLoad() {
    EXPECT_EQ(lib->OpenDevice(host.handle()), 1);
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
