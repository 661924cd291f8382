// What cards, photos and files are known by: an FNV-1a hash of a card's
// name, the SHA-256 of pixels and bytes; see camera_session.h.
#include <openssl/evp.h>

#include <stdexcept>

#include "camera_session.h"

namespace pixavon::host {

uint64_t content_hash(const uint8_t* data, size_t size) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3ULL;
    return hash;
}

Digest sha256(const uint8_t* data, size_t size) {
    Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(data, size, digest.data(), &length, EVP_sha256(), nullptr) != 1 || length != digest.size()) {
        throw std::runtime_error("SHA-256 is not available from libcrypto");
    }
    return digest;
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
