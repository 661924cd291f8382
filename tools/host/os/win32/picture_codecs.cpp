// The pictures and the SHA-256 of the host core on Windows: image.h's PNG and
// JPEG through the Windows Imaging Component, camera_session.h's sha256
// through CNG (the POSIX side: os/posix/picture_codecs.cpp, sha256.cpp).
#include "digest.h"
#include "image.h"
#include "os/win32/sha256_cng.h"
#include "os/win32/wic_pictures.h"

namespace pixavon::host {

Image decode_png(const std::vector<uint8_t>& bytes) { return win32::decode_png(bytes); }

Image decode_jpeg(const std::vector<uint8_t>& bytes) { return win32::decode_jpeg(bytes); }

std::vector<uint8_t> encode_png(const Image& image) { return win32::encode_png(image); }

std::vector<uint8_t> encode_jpeg(const Image& image, int quality) { return win32::encode_jpeg(image, quality); }

Digest sha256(const uint8_t* data, size_t size) { return win32::sha256(data, size); }

}  // namespace pixavon::host
