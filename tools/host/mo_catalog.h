// A compiled gettext catalogue (.mo) read without libintl: where the system
// has no gettext (Windows), the host core's texts come from the same
// catalogues as on Linux through this reader.
//
// The file is untrusted: every table entry and string is checked against the
// file's size, and a damaged catalogue is refused as a whole (parse() gives
// nothing), never read past its end.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pixavon::host {

// A "plural=" expression of a catalogue's header: C's integer expressions on
// n (?:, ||, &&, comparisons, + - * / %, !, parentheses). Division by zero
// gives 0.
class PluralRule {
public:
    // Fails (nothing) on anything that is not such an expression, or nests
    // deeper than a real rule does.
    static std::optional<PluralRule> parse(std::string_view expression);
    // English's rule: n != 1.
    static PluralRule germanic();
    uint64_t evaluate(uint64_t n) const;

    struct Node;

private:
    std::shared_ptr<const Node> root_;
};

class MoCatalog {
public:
    // Reads the catalogue in `bytes` (either byte order). Fails (nothing) if
    // it is not a .mo file, has a revision this reader does not know, or any
    // entry lies outside the file. A header whose plural rule cannot be read
    // falls back to English's two forms.
    static std::optional<MoCatalog> parse(std::vector<uint8_t> bytes);

    // The translation of `msgid`, or nullptr if the catalogue has none (then
    // the caller shows `msgid` itself). Valid while the catalogue lives.
    const char* find(std::string_view msgid) const;
    // The translation of `singular` for count `n`, or nullptr if there is
    // none (then the caller picks `singular` or its plural itself).
    const char* find_plural(std::string_view singular, uint64_t n) const;

    // The header's "nplurals=" (1 for Japanese and Chinese).
    uint32_t plural_count() const { return plural_count_; }
    size_t size() const { return entries_.size(); }

private:
    MoCatalog() = default;

    // The file's bytes, each string NUL-terminated in it.
    std::shared_ptr<const std::vector<uint8_t>> bytes_;
    // Original (its singular) -> its translations, NUL-separated.
    std::unordered_map<std::string_view, std::string_view> entries_;
    uint32_t plural_count_ = 2;
    PluralRule rule_ = PluralRule::germanic();
};

}  // namespace pixavon::host
