// What cards, photos and files are known by: an FNV-1a hash of a card's
// name, and the SHA-256 of pixels and bytes (os/posix/sha256.cpp,
// os/win32/sha256_cng.cpp); see digest.h.
#include "digest.h"

namespace pixavon::host {

uint64_t content_hash(const uint8_t* data, size_t size) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3ULL;
    return hash;
}

std::string hex_of(const Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

}  // namespace pixavon::host
