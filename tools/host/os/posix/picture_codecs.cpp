// PNG and JPEG through libpng and libjpeg, the pictures of image.h on POSIX
// systems (Windows has its own through WIC: os/win32/picture_codecs.cpp).
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jpeglib.h>
#include <png.h>

#include "i18n.h"
#include "image.h"

namespace pixavon::host {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void jpeg_fail(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}
// Level -1 is a warning about damaged data (a truncated file, a corrupt
// segment), after which libjpeg would go on and fill in grey: refused like an
// error. Other levels are trace messages.
extern "C" void jpeg_warn(j_common_ptr info, int level) {
    if (level < 0) jpeg_fail(info);
}

void init_errors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpeg_fail;
    errors.manager.emit_message = jpeg_warn;
    errors.message[0] = '\0';
}

// Only trivially destructible locals live here, so the long jump skips no
// destructor; `out` belongs to the caller.
bool jpeg_decode_into(const uint8_t* data, unsigned long size, Image* out, char* message, size_t message_size) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    init_errors(errors);
    info.err = &errors.manager;
    if (setjmp(errors.jump)) {
        std::snprintf(message, message_size, "%s", errors.message);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    const uint64_t pixels = static_cast<uint64_t>(info.image_width) * info.image_height;
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > (1u << 20) ||
        info.image_height > (1u << 20) || pixels > kMaxPixels) {
        // Told as "too large", with the picture's size in `out`.
        std::snprintf(message, message_size, "too large");
        out->width = info.image_width;
        out->height = info.image_height;
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        std::snprintf(message, message_size, "unsupported colour layout");
        jpeg_destroy_decompress(&info);
        return false;
    }
    out->width = info.output_width;
    out->height = info.output_height;
    out->rgb.assign(static_cast<size_t>(out->width) * out->height * 3, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->rgb.data() + static_cast<size_t>(info.output_scanline) * out->width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool jpeg_encode_into(const Image* image, int quality, unsigned char** buffer, unsigned long* size, char* message,
                      size_t message_size) {
    jpeg_compress_struct info;
    JpegErrors errors;
    init_errors(errors);
    info.err = &errors.manager;
    if (setjmp(errors.jump)) {
        std::snprintf(message, message_size, "%s", errors.message);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = image->width;
    info.image_height = image->height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<uint8_t*>(image->rgb.data()) + static_cast<size_t>(info.next_scanline) * image->width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// A colour mask of a bit-field bitmap: where its bits lie and how many.
}  // namespace

Image decode_png(const std::vector<uint8_t>& bytes) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    // libpng's own words are English and about its internals: a person is
    // told what it means for the picture.
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        png_image_free(&png);
        throw ImageError(tr("the PNG file is damaged"));
    }
    try {
        check_dimensions(png.width, png.height, "PNG");
    } catch (...) {
        png_image_free(&png);
        throw;
    }
    png.format = PNG_FORMAT_RGB;
    Image image(png.width, png.height);
    png_color black{0, 0, 0};
    // A warning means libpng went on over damage (a bad checksum, missing
    // data): the picture would not be what the file meant, so it is refused.
    if (!png_image_finish_read(&png, &black, image.rgb.data(), 0, nullptr) || png.warning_or_error != 0) {
        png_image_free(&png);
        throw ImageError(tr("the PNG file is damaged or cut short"));
    }
    png_image_free(&png);
    return image;
}

Image decode_jpeg(const std::vector<uint8_t>& bytes) {
    Image image;
    char message[JMSG_LENGTH_MAX + 64] = "";
    if (bytes.empty() || !jpeg_decode_into(bytes.data(), bytes.size(), &image, message, sizeof message)) {
        if (std::strcmp(message, "too large") == 0) {
            throw ImageError(fill(tr("the {1} picture is too large ({2} x {3} pixels)"),
                                  {"JPEG", std::to_string(image.width), std::to_string(image.height)}));
        }
        throw ImageError(bytes.empty() ? tr("the JPEG is empty")
                                       : tr("the JPEG file is damaged, or of a kind that cannot be read"));
    }
    return image;
}

std::vector<uint8_t> encode_png(const Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(png, size, 0, image.rgb.data(), 0, nullptr)) {
        png_image_free(&png);
        throw ImageError(tr("the picture could not be made into a PNG file"));
    }
    std::vector<uint8_t> bytes(size);
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, image.rgb.data(), 0, nullptr)) {
        png_image_free(&png);
        throw ImageError(tr("the picture could not be made into a PNG file"));
    }
    bytes.resize(size);
    return bytes;
}

std::vector<uint8_t> encode_jpeg(const Image& image, int quality) {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX + 64];
    const bool ok = jpeg_encode_into(&image, quality, &buffer, &size, message, sizeof message);
    std::vector<uint8_t> bytes;
    if (ok && buffer != nullptr) bytes.assign(buffer, buffer + size);
    std::free(buffer);
    if (!ok) throw ImageError(tr("the picture could not be made into a JPEG file"));
    return bytes;
}

}  // namespace pixavon::host
