// The import folder's index and the file-name patterns, as a person or a
// damaged disk may leave them: the first line of the input is a pattern, the
// rest an index. Parsing must be memory-safe, never join two lines, and a
// pattern either names a visible file in the folder or says why it cannot;
// no index name read leaves the folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import_index.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixavon::host;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string pattern(input.substr(0, newline));
    const std::string_view text = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    ImportIndex index = parse_import_index(text);
    std::size_t lines = 0;
    for (const char c : text) lines += c == '\n' ? 1 : 0;
    if (index.by_digest.size() + index.by_old_hash.size() > lines + 1) std::abort();
    for (const auto& [digest, entry] : index.by_digest) {
        if (entry.name.empty() || entry.name.find('\n') != std::string::npos) std::abort();
    }

    // A line appended after the text, as the import writes it, is read back
    // as it was written, whatever the text ended with.
    Digest pixels{};
    Digest file{};
    for (std::size_t i = 0; i < pixels.size() && i < size; ++i) pixels[i] = data[i];
    file[0] = 1;
    const std::string added =
        std::string(text) + (index.ends_open ? "\n" : "") + import_index_line(pixels, file, "photo.png");
    const ImportIndex after = parse_import_index(added);
    const auto found = after.by_digest.find(pixels);
    if (found == after.by_digest.end() || found->second.name != "photo.png" || found->second.file_bytes != file) {
        std::abort();
    }

    std::string error;
    const std::string name = fill_name_pattern(pattern, {"2024-01-31", 7, 3, 12, pixels}, &error);
    if (name.empty() == error.empty()) std::abort();
    if (!name.empty() && (name[0] == '.' || name.find_first_of("/\\:") != std::string::npos)) std::abort();
    for (const auto& [digest, entry] : index.by_digest) {
        if (!record_name_stays_in_folder(entry.name)) std::abort();
    }
    return 0;
}
