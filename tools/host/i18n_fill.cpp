// Filling a text's {1}, {2}, ... with its numbers and names: the part of
// i18n.h that is the same on every system (the catalogues are read by
// gettext on POSIX systems, i18n.cpp, and by the .mo reader on Windows).
#include <cstddef>

#include "i18n.h"

namespace pixavon::host {

std::string fill(const std::string& pattern, std::initializer_list<std::string> args) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
            pattern[i + 2] == '}') {
            const size_t k = static_cast<size_t>(pattern[i + 1] - '1');
            if (k < args.size()) {
                out += *(args.begin() + k);
                i += 2;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

}  // namespace pixavon::host
