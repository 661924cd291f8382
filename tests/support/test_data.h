// Bytes that many tests need: whole files, catalogs and camera bitmaps.
// Header-only, so that every test program (the Windows one too) can use it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pixavon::test {

// The whole file; empty when it cannot be read.
inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An 8192-byte catalog: signature, photo count slots.size(), capacity code,
// one entry per slot (byte 8 = slot, the other 15 bytes 0); the rest 0xFF.
inline std::vector<uint8_t> make_catalog(uint8_t capacity_code, const std::vector<uint8_t>& slots) {
    if (slots.size() > 255) throw std::invalid_argument("a catalog lists at most 255 photos");
    static constexpr char kSignature[] = "KOV PHOTO CAM IMAGE";
    std::vector<uint8_t> catalog(8192, 0xFF);
    std::fill(catalog.begin(), catalog.begin() + 512, uint8_t{0});
    std::memcpy(catalog.data(), kSignature, sizeof kSignature - 1);
    catalog[256] = static_cast<uint8_t>(slots.size());
    catalog[258] = capacity_code;
    for (size_t i = 0; i < slots.size(); ++i) {
        uint8_t* entry = catalog.data() + 512 + 16 * i;
        std::fill(entry, entry + 16, uint8_t{0});
        entry[8] = slots[i];
    }
    return catalog;
}

// A valid 322 x 242, 24-bit bitmap with the header the library writes; pixel
// (x, y), y = 0 at the top, gets a colour derived from `seed`.
inline std::vector<uint8_t> MakeBitmap(uint32_t seed, bool top_down = false) {
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

#if !defined(_WIN32)
// Sets environment variables (nullptr: unset) for as long as it lives, and
// gives every one back its old value afterwards, so that no test changes the
// environment of the tests after it.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    void Set(const std::string& name, const char* value) {
        if (saved_.count(name) == 0) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value != nullptr)
            ::setenv(name.c_str(), value, 1);
        else
            ::unsetenv(name.c_str());
    }
    // The locale variables the string table follows, all but LANG unset.
    void UseLocale(const char* lang) {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) Set(name, nullptr);
        Set("LANG", lang);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};
#endif

}  // namespace pixavon::test
