// What cards, photos and files are known by (digest.cpp; the SHA-256 in
// os/posix/sha256.cpp and os/win32/picture_codecs.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pixavon::host {

// The 64-bit FNV-1a hash of `size` bytes: what cards are known by between
// runs (by their names). Not for identity of content: collisions can be made.
uint64_t content_hash(const uint8_t* data, size_t size);
// The SHA-256 of `size` bytes: what photos are known by (their pixels), and
// files by their contents.
using Digest = std::array<uint8_t, 32>;
Digest sha256(const uint8_t* data, size_t size);
std::string hex_of(const Digest& digest);

}  // namespace pixavon::host
