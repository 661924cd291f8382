// The windows' words in the person's language: gettext's domain
// "pixavon-window", shared by every window (Qt on Linux, Win32 on Windows),
// read from its compiled catalogue by the core's portable .mo reader, so the
// same lookup runs everywhere and needs no libintl.
//
// Texts take their numbers and names through {1}, {2}, ... and the count of a
// plural text through {n}; xgettext finds them as the first argument of tr()
// and the first two of ntr(), and mark() marks a text for the catalogue that
// is translated later (a table's labels).
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace pixavon::desktop {

// The catalogue's file for `language` ("ja", "zh_CN", "zh_TW") under a
// share/locale folder.
std::filesystem::path catalogue_path(const std::filesystem::path& locale_dir, std::string_view language);
// The catalogues as the build compiles them, for programs run from the build
// tree.
std::filesystem::path build_locale_dir();

// Takes the catalogue in `bytes` for every text from now on; false (and the
// English texts) if it is no catalogue. Call before other threads start.
bool use_catalogue(std::vector<uint8_t> bytes);
// Reads and takes the catalogue at `file`; false (and English) if it cannot
// be read or is no catalogue.
bool use_catalogue_file(const std::filesystem::path& file);
// The English texts, as written in the sources.
void use_english();

constexpr const char* mark(const char* text) { return text; }
// `text` in the person's language.
const char* tr(const char* text);
// `singular` or `plural` as `n` asks, in the person's language.
const char* ntr(const char* singular, const char* plural, uint64_t n);
// `pattern` with {1}, {2}, ... replaced by `args`, and {n} by `count`; a
// brace that names nothing stays as it is.
std::string fill(std::string_view pattern, std::initializer_list<std::string> args, uint64_t count = 0);
// ntr() filled with `n` as {n} and `args` as {1}, {2}, ...
std::string count(const char* singular, const char* plural, uint64_t n, std::initializer_list<std::string> args = {});
// A number as text, for fill().
std::string num(int64_t n);

}  // namespace pixavon::desktop
