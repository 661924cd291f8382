// The pieces of the POSIX platform, exposed for its own tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pixavon::posix {

using EnvLookup = std::function<const char*(const char*)>;

// --- Device discovery and transport ---

// The device directory: PIXAVON_DEVICE_DIR, else $XDG_RUNTIME_DIR/pixavon,
// else /tmp/pixavon-<uid>.
std::string DeviceDirectory(const EnvLookup& env);

// Opens the first camera (in byte order of names) of `directory`. Returns a
// heap handle or nullptr; the directory must belong to the user and not be
// writable by group or others, and a socket's peer must be the user or root.
void* OpenFirstDeviceIn(const std::string& directory);
bool CloseDeviceHandle(void* handle);
bool WriteDeviceHandle(void* handle, const std::uint8_t* data, std::uint32_t length);
bool ReadDeviceHandle(void* handle, std::uint8_t* data, std::uint32_t length);

// The time one whole transfer of `length` bytes may take before it fails:
// 10 s, and 1 s more for every 64 KiB, enough for the slowest camera.
struct TransferLimits {
    std::uint32_t base_ms = 10000;
    std::uint32_t per_64k_ms = 1000;
};
std::uint64_t TransferTimeLimitMs(std::uint32_t length, const TransferLimits& limits = {});
// For tests: the limits that every transfer from now on uses.
void SetTransferLimits(const TransferLimits& limits);

// --- Strings ---

struct LocaleChoice {
    std::uint16_t language = 1033;
    std::string codeset;  // empty: UTF-8
};

// Picks the string table and codeset as gettext would: LANGUAGE, then LC_ALL,
// LC_MESSAGES, LANG.
LocaleChoice ChooseLocale(const EnvLookup& env);

// Maps one locale name ("zh_TW.Big5", "ja", "C") to a language id.
std::uint16_t LanguageForLocaleName(const std::string& name);

// Copies UTF-8 `text`, converted to `codeset`, into `buffer` of `size` bytes
// without splitting a character. Returns the bytes copied, or -1 if the text
// cannot be represented in the codeset.
int EncodeText(const char* text, const std::string& codeset, char* buffer, int size);

}  // namespace pixavon::posix
