// An in-memory platform for the fuzz targets: the camera in process (the
// emulator's device model on a card in memory), host files that live in a
// map, and a guard that aborts on any write or erase outside the card's photo
// slots and its catalog, or an erase that does not begin its unit.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "frame/library_state.h"
#include "platform/platform.h"
#include "support/model_camera.h"

namespace pixavon::fuzz {

class MemoryPlatform final : public Platform {
public:
    std::uint32_t capacity_code = 26;  // the card's real size, for the guard
    std::map<std::string, std::vector<std::uint8_t>> files;

    // Switches to the card of `code`; each size has its camera, made once and kept.
    void UseCard(std::uint32_t code) {
        capacity_code = code == 52 ? 52 : 26;
        auto& bytes = cards_[capacity_code == 52];
        if (bytes.empty()) {
            bytes.assign(capacity_code == 52 ? (16u << 20) : (8u << 20), 0xFF);
            cameras_[capacity_code == 52] =
                std::make_unique<test::ModelCamera>(std::span<std::uint8_t>(bytes), emu::FaultPlan{}, false);
        }
    }
    // The card's bytes, which the camera works on in place.
    std::span<std::uint8_t> card() { return cards_[capacity_code == 52]; }

    DeviceHandle open_first_device() override { return Camera().open(); }
    bool close_device(DeviceHandle device) override { return Camera().close(device); }

    bool write_device(DeviceHandle device, const std::uint8_t* data, std::uint32_t length) override {
        test::ModelCamera& camera = Camera();
        if (camera.model().awaiting_data()) {
            CheckBlocks(block_, (length + 511) / 512);
        } else {
            if (length != 16 || data[0] != 0x85) std::abort();  // the library only sends packets here
            const auto address = static_cast<std::uint16_t>(data[3] | (data[4] << 8));
            if (data[1] == 0x72) {
                block_ = address;
            } else if (data[1] == 0x73) {
                const std::uint32_t unit = capacity_code == 52 ? 32 : 16;
                if (address % unit != 0) std::abort();  // erases only at the first block of a unit
                CheckBlocks(address, unit);
            } else if (data[1] != 0x71) {
                std::abort();
            }
        }
        return camera.write(device, data, length);
    }

    bool read_device(DeviceHandle device, std::uint8_t* data, std::uint32_t length) override {
        return Camera().read(device, data, length);
    }

    void sleep_ms(std::uint32_t) override {}
    void send_message(HostWindow, std::uint32_t, std::uintptr_t, std::intptr_t) override {}
    void message_box(HostWindow, bool, const char*, const char*, std::uint32_t) override { ++boxes; }
    int load_string(ModuleHandle, std::uint32_t id, char* buffer, int size) override {
        if (id < 1 || id > 14 || size < 2) return 0;
        buffer[0] = 'x';
        buffer[1] = '\0';
        return 1;
    }

    HostFile* open_file(const char* path, FileMode mode) override {
        auto it = files.find(path);
        if (mode == FileMode::ReadExisting) {
            if (it == files.end()) return nullptr;
        } else {
            it = files.insert_or_assign(path, std::vector<std::uint8_t>{}).first;
        }
        open_.push_back(Open{&it->second, 0});
        return reinterpret_cast<HostFile*>(open_.size());
    }
    bool read_file(HostFile* file, void* data, std::uint32_t length, std::uint32_t* bytes_read) override {
        Open& f = Get(file);
        const std::size_t left = f.position < f.bytes->size() ? f.bytes->size() - f.position : 0;
        const std::size_t n = std::min<std::size_t>(left, length);
        if (n != 0) std::memcpy(data, f.bytes->data() + f.position, n);
        f.position += n;
        *bytes_read = static_cast<std::uint32_t>(n);
        return true;
    }
    bool write_file(HostFile* file, const void* data, std::uint32_t length) override {
        Open& f = Get(file);
        if (f.bytes->size() < f.position + length) f.bytes->resize(f.position + length);
        std::memcpy(f.bytes->data() + f.position, data, length);
        f.position += length;
        return true;
    }
    bool seek_file(HostFile* file, std::uint64_t offset) override {
        Get(file).position = offset;
        return true;
    }
    bool file_size(HostFile* file, std::uint64_t* size) override {
        *size = Get(file).bytes->size();
        return true;
    }
    bool close_file(HostFile* file) override {
        Get(file).bytes = nullptr;
        return true;
    }
    bool remove_file(const char* path) override { return files.erase(path) != 0; }

    int boxes = 0;

private:
    test::ModelCamera& Camera() {
        UseCard(capacity_code);
        return *cameras_[capacity_code == 52];
    }
    struct Open {
        std::vector<std::uint8_t>* bytes;
        std::uint64_t position;
    };
    Open& Get(HostFile* file) {
        const auto index = reinterpret_cast<std::uintptr_t>(file);
        if (index == 0 || index > open_.size() || open_[index - 1].bytes == nullptr) std::abort();
        return open_[index - 1];
    }
    // Blocks [first, first + count) must lie in the photo slots or in the
    // catalog's erase unit at the end of the card.
    void CheckBlocks(std::uint32_t first, std::uint32_t count) const {
        const std::uint32_t slot_blocks = capacity_code * 608u;
        const std::uint32_t total = capacity_code == 52 ? 0x8000u : 0x4000u;
        const std::uint32_t catalog_unit = total - (capacity_code == 52 ? 32u : 16u);
        for (std::uint32_t b = first; b < first + count; ++b) {
            if (!(b < slot_blocks || (b >= catalog_unit && b < total))) std::abort();
        }
    }

    std::vector<std::uint8_t> cards_[2];
    std::unique_ptr<test::ModelCamera> cameras_[2];
    std::uint16_t block_ = 0;
    std::vector<Open> open_;
};

}  // namespace pixavon::fuzz
