#include "os/win32/sha256_cng.h"

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <stdexcept>
#include <string>

namespace pixavon::host::win32 {
namespace {

[[noreturn]] void fail(NTSTATUS status) {
    throw std::runtime_error("SHA-256 is not available from the system (status " +
                             std::to_string(static_cast<unsigned long>(status)) + ")");
}

// The algorithm and a hash of it, closed on every path.
struct Hashing {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~Hashing() {
        if (hash != nullptr) ::BCryptDestroyHash(hash);
        if (algorithm != nullptr) ::BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

}  // namespace

Digest sha256(const uint8_t* data, size_t size) {
    Hashing h;
    NTSTATUS status = ::BCryptOpenAlgorithmProvider(&h.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (!BCRYPT_SUCCESS(status)) fail(status);
    // Without a buffer of ours, the provider keeps the hash's state itself.
    status = ::BCryptCreateHash(h.algorithm, &h.hash, nullptr, 0, nullptr, 0, 0);
    if (!BCRYPT_SUCCESS(status)) fail(status);
    while (size > 0) {
        const ULONG chunk = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
        status = ::BCryptHashData(h.hash, const_cast<PUCHAR>(data), chunk, 0);
        if (!BCRYPT_SUCCESS(status)) fail(status);
        data += chunk;
        size -= chunk;
    }
    Digest digest{};
    status = ::BCryptFinishHash(h.hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
    if (!BCRYPT_SUCCESS(status)) fail(status);
    return digest;
}

}  // namespace pixavon::host::win32
