// The windows' catalogue (see words.h): one catalogue taken at start, looked
// up by every text.
#include "words.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "mo_catalog.h"

namespace pixavon::desktop {
namespace {

constexpr char kDomain[] = "pixavon-window";

// Set once before other threads start; read-only after.
std::optional<host::MoCatalog> g_catalogue;

// A catalogue is some tens of KiB; anything far larger is not one.
constexpr std::streamoff kMaxCatalogueBytes = 16 << 20;

}  // namespace

std::filesystem::path catalogue_path(const std::filesystem::path& locale_dir, std::string_view language) {
    return locale_dir / std::string(language) / "LC_MESSAGES" / (std::string(kDomain) + ".mo");
}

std::filesystem::path build_locale_dir() { return PIXAVON_BUILD_LOCALE_DIR; }

bool use_catalogue(std::vector<uint8_t> bytes) {
    g_catalogue = host::MoCatalog::parse(std::move(bytes));
    return g_catalogue.has_value();
}

bool use_catalogue_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0 || size > kMaxCatalogueBytes) {
        use_english();
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        use_english();
        return false;
    }
    return use_catalogue(std::move(bytes));
}

void use_english() { g_catalogue.reset(); }

const char* tr(const char* text) {
    if (g_catalogue) {
        if (const char* found = g_catalogue->find(text)) return found;
    }
    return text;
}

const char* ntr(const char* singular, const char* plural, uint64_t n) {
    if (g_catalogue) {
        if (const char* found = g_catalogue->find_plural(singular, n)) return found;
    }
    return n == 1 ? singular : plural;
}

std::string fill(std::string_view pattern, std::initializer_list<std::string> args, uint64_t count) {
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{') {
            const size_t close = pattern.find('}', i);
            if (close != std::string_view::npos) {
                const std::string_view field = pattern.substr(i + 1, close - i - 1);
                if (field == "n") {
                    out += std::to_string(count);
                    i = close;
                    continue;
                }
                if (field.size() == 1 && field[0] >= '1' && field[0] <= '9' &&
                    static_cast<size_t>(field[0] - '0') <= args.size()) {
                    out += *std::next(args.begin(), field[0] - '1');
                    i = close;
                    continue;
                }
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string count(const char* singular, const char* plural, uint64_t n, std::initializer_list<std::string> args) {
    return fill(ntr(singular, plural, n), args, n);
}

std::string num(int64_t n) { return std::to_string(n); }

}  // namespace pixavon::desktop
