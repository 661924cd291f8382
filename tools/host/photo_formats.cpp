// The file formats photos are saved in: the format a file name asks for, and
// a camera bitmap encoded in it at a lower priority than the card's reads.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <future>
#include <system_error>

#include "core.h"
#include "core_internal.h"
#include "os/os.h"
#include "utf8_path.h"

namespace pixavon::host {

namespace internal {
namespace {

// How much a conversion gives way (a nice value added to the thread's).
constexpr int kConversionNiceness = 10;

// Runs `work` on a thread of its own at a lower priority and waits for it. A
// conversion then gives way to the photos being read ahead meanwhile, whose
// reads wait on the camera and need the processor only briefly, but on time.
template <typename Work>
auto at_lower_priority(Work work) -> decltype(work()) {
    std::future<decltype(work())> done;
    try {
        done = std::async(std::launch::async, [&work] {
            os::lower_thread_priority(kConversionNiceness);
            return work();
        });
    } catch (const std::system_error&) {
        return work();  // no thread to be had: here and now, then
    }
    return done.get();
}

}  // namespace

bool exists(const std::string& path) { return os::exists(path); }

std::optional<OutputFormat> format_of_name(const std::string& name) {
    std::string ext = utf8_of(fs_path(name).extension());
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext.empty() || ext == ".bmp") return OutputFormat::kBmp;
    if (ext == ".png") return OutputFormat::kPng;
    if (ext == ".jpg" || ext == ".jpeg") return OutputFormat::kJpeg;
    return std::nullopt;
}

std::vector<uint8_t> encode_as(OutputFormat format, const std::vector<uint8_t>& bitmap) {
    switch (format) {
        case OutputFormat::kPng:
            return at_lower_priority([&] { return encode_png(decode_bmp(bitmap)); });
        case OutputFormat::kJpeg:
            return at_lower_priority([&] { return encode_jpeg(decode_bmp(bitmap), kJpegQuality); });
        default:
            return bitmap;
    }
}

std::vector<uint8_t> encode_as(OutputFormat format, const std::vector<uint8_t>& bitmap, const Image& photo) {
    switch (format) {
        case OutputFormat::kPng:
            return at_lower_priority([&] { return encode_png(photo); });
        case OutputFormat::kJpeg:
            return at_lower_priority([&] { return encode_jpeg(photo, kJpegQuality); });
        default:
            return bitmap;
    }
}

}  // namespace internal

}  // namespace pixavon::host
