// SHA-256 on Windows through the system's cryptography (CNG), for the Windows
// build in place of the libcrypto one of camera_session.cpp: the same digest
// type, the same result.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pixavon::host::win32 {

// Camera_session.h's Digest: the same type.
using Digest = std::array<uint8_t, 32>;

// The SHA-256 of `size` bytes. Throws std::runtime_error if the system
// cannot hash (no SHA-256 provider).
Digest sha256(const uint8_t* data, size_t size);

}  // namespace pixavon::host::win32
