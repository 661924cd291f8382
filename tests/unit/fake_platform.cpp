#include "unit/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace pixavon::test {
namespace {

bool Contains(const std::vector<int>& numbers, int n) {
    return std::find(numbers.begin(), numbers.end(), n) != numbers.end();
}

}  // namespace

HostWindow TestWindow() {
    static const int window = 0;
    return &window;
}

FakePlatform::FakePlatform(std::size_t card_bytes) : card(card_bytes, 0xFF) {}

FakePlatform::~FakePlatform() {
    State() = LibraryState{};
    InstallPlatform(nullptr);
}

void FakePlatform::Install() {
    InstallPlatform(this);
    State() = LibraryState{};
}

ModelCamera& FakePlatform::Camera() {
    if (!camera_ || camera_->card().data() != card.data() || camera_->card().size() != card.size()) {
        camera_ = std::make_unique<ModelCamera>(std::span<std::uint8_t>(card), emu::FaultPlan{}, false);
        camera_->model().set_trace([this](const std::string& line) { commands.push_back(line); });
    }
    return *camera_;
}

DeviceHandle FakePlatform::open_first_device() {
    ++opens;
    if (!device_present) return nullptr;
    const DeviceHandle device = Camera().open();
    if (device != nullptr) ++live_handles_;
    return device;
}

bool FakePlatform::close_device(DeviceHandle device) {
    ++closes;
    --live_handles_;
    Camera().close(device);
    return !fail_close;
}

bool FakePlatform::write_device(DeviceHandle device, const std::uint8_t* data, std::uint32_t length) {
    ModelCamera& camera = Camera();
    if (device != &camera) throw std::logic_error("write on a handle the fake did not issue");
    ++device_writes_;
    emu::DeviceModel& model = camera.model();
    events.push_back(model.awaiting_data() ? "data-out " + std::to_string(length) : "packet");
    if (Contains(failing_writes, device_writes_) || (fail_writes_from != 0 && device_writes_ >= fail_writes_from)) {
        if (model.awaiting_data()) {
            model.faults().fail_write.insert(model.write_messages() + 1);
        } else {
            model.faults().fail_packet.insert(model.packets() + 1);
        }
    }
    return camera.write(device, data, length);
}

bool FakePlatform::read_device(DeviceHandle device, std::uint8_t* data, std::uint32_t length) {
    ModelCamera& camera = Camera();
    if (device != &camera) throw std::logic_error("read on a handle the fake did not issue");
    events.push_back("data-in " + std::to_string(length));
    camera.model().faults().fail_read.insert(failing_reads.begin(), failing_reads.end());
    const bool read = camera.read(device, data, length);
    camera.model().settle();  // the library reads once per command: its trace line is complete
    return read;
}

void FakePlatform::sleep_ms(std::uint32_t milliseconds) {
    slept_ms += milliseconds;
    events.push_back("sleep " + std::to_string(milliseconds));
}

void FakePlatform::send_message(HostWindow window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    if (window == TestWindow() && message == kProgressMessage && wparam == 0 && lparam == 0) {
        ++progress_messages;
        events.push_back("progress");
        if (on_progress) on_progress();
    } else {
        events.push_back("unexpected-message");
    }
}

void FakePlatform::message_box(HostWindow window, bool owned, const char* text, const char* caption,
                               std::uint32_t style) {
    boxes.push_back(Box{owned, text, caption, style, window});
}

int FakePlatform::load_string(ModuleHandle module, std::uint32_t id, char* buffer, int size) {
    return DefaultPlatform().load_string(module, id, buffer, size);
}

HostFile* FakePlatform::open_file(const char* path, FileMode mode) {
    if (fail_file_open) return nullptr;
    return DefaultPlatform().open_file(path, mode);
}

bool FakePlatform::read_file(HostFile* file, void* data, std::uint32_t length, std::uint32_t* bytes_read) {
    ++file_reads_;
    if (Contains(failing_file_reads, file_reads_)) {
        *bytes_read = 0;
        return false;
    }
    return DefaultPlatform().read_file(file, data, length, bytes_read);
}

bool FakePlatform::write_file(HostFile* file, const void* data, std::uint32_t length) {
    if (fail_file_write) return false;
    return DefaultPlatform().write_file(file, data, length);
}

bool FakePlatform::seek_file(HostFile* file, std::uint64_t offset) { return DefaultPlatform().seek_file(file, offset); }
bool FakePlatform::file_size(HostFile* file, std::uint64_t* size) { return DefaultPlatform().file_size(file, size); }
bool FakePlatform::close_file(HostFile* file) { return DefaultPlatform().close_file(file); }
bool FakePlatform::remove_file(const char* path) { return DefaultPlatform().remove_file(path); }

std::vector<std::string> FakePlatform::CommandsOfKind(const std::string& prefix) const {
    std::vector<std::string> out;
    std::copy_if(commands.begin(), commands.end(), std::back_inserter(out),
                 [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return out;
}

TempDir::TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("pixavon-unit-" + std::to_string(random()));
        std::error_code error;
        // Fails when the name is taken: the directory is ours alone.
        if (std::filesystem::create_directory(candidate, error)) {
            dir_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no temporary directory");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

}  // namespace pixavon::test

namespace pixavon::test {

std::vector<std::uint8_t> MakeCatalog(std::uint8_t capacity_code, const std::vector<std::uint8_t>& slots) {
    std::vector<std::uint8_t> catalog = make_catalog(capacity_code, slots);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        catalog[512 + 16 * i + 12] = static_cast<std::uint8_t>(0xA0 + i);  // bytes the library must carry along
    }
    return catalog;
}

void PlaceCatalog(FakePlatform& fake, const std::vector<std::uint8_t>& catalog) {
    std::copy(catalog.begin(), catalog.end(), fake.card.end() - 8192);
}

std::vector<std::uint8_t> CatalogOnCard(const FakePlatform& fake) { return {fake.card.end() - 8192, fake.card.end()}; }

}  // namespace pixavon::test
