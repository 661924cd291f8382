// SHA-256 through libcrypto on POSIX systems; see digest.h.
#include <openssl/evp.h>

#include <stdexcept>

#include "digest.h"

namespace pixavon::host {

Digest sha256(const uint8_t* data, size_t size) {
    Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(data, size, digest.data(), &length, EVP_sha256(), nullptr) != 1 || length != digest.size()) {
        throw std::runtime_error("SHA-256 is not available from libcrypto");
    }
    return digest;
}

}  // namespace pixavon::host
