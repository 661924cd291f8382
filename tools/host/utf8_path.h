// File names are UTF-8 throughout the host. std::filesystem takes a plain
// string in the system's narrow encoding, which on Windows is the ANSI code
// page: a name outside it would become another name, or an exception. These
// hand it the names as UTF-8 on every system.
#pragma once

#include <filesystem>
#include <string>

namespace pixavon::host {

inline std::filesystem::path fs_path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8_of(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

}  // namespace pixavon::host
