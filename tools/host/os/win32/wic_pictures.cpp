#include "os/win32/wic_pictures.h"

#include <objbase.h>
#include <oleauto.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "i18n.h"
#include "os/os.h"
#include "os/win32/com.h"
#include "os/win32/text.h"

namespace pixavon::host::win32 {
namespace {

// What a band of rows is converted through: the picture is never held twice.
constexpr size_t kBandBytes = size_t{1} << 20;

// The decoder's code (0x88982F07 and the like) means nothing to a person.
[[noreturn]] void fail(const char* what, HRESULT hr) {
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
    throw ImageError(fill(tr("the {1} file is damaged, or of a kind that cannot be read"), {what}));
}

void check(HRESULT hr, const char* what) {
    if (FAILED(hr)) fail(what, hr);
}

void check_dimensions(uint64_t width, uint64_t height, const char* what) {
    if (width == 0 || height == 0) throw ImageError(fill(tr("the {1} picture is empty"), {what}));
    if (width > (1u << 20) || height > (1u << 20) || width * height > kMaxPixels) {
        throw ImageError(fill(tr("the {1} picture is too large ({2} x {3} pixels)"),
                              {what, std::to_string(width), std::to_string(height)}));
    }
}

Com<IWICImagingFactory> make_factory(const char* what) {
    Com<IWICImagingFactory> factory;
    check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             reinterpret_cast<void**>(factory.out())),
          what);
    return factory;
}

struct Container {
    const GUID* format;
    const char* name;
};
const Container kContainers[] = {
    {&GUID_ContainerFormatPng, "PNG"},   {&GUID_ContainerFormatJpeg, "JPEG"}, {&GUID_ContainerFormatBmp, "BMP"},
    {&GUID_ContainerFormatTiff, "TIFF"}, {&GUID_ContainerFormatGif, "GIF"},
};

// Decodes the first frame of `bytes` with the decoder of `container`, or,
// with none, with whichever of the five the content names.
Image decode(const std::vector<uint8_t>& bytes, const Container* container) {
    const char* what = container != nullptr ? container->name : "";
    if (bytes.empty() || bytes.size() > UINT32_MAX) {
        if (container == nullptr) throw ImageError(tr("not a PNG, JPEG, BMP, TIFF or GIF picture"));
        throw ImageError(fill(tr("the {1} picture is empty"), {what}));
    }
    ComApartment apartment;
    if (!apartment.ok()) fail(what, apartment.result());
    Com<IWICImagingFactory> factory = make_factory(what);
    Com<IWICStream> stream;
    check(factory->CreateStream(stream.out()), what);
    // The stream only reads the bytes.
    check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())), what);
    Com<IWICBitmapDecoder> decoder;
    if (container != nullptr) {
        check(factory->CreateDecoder(*container->format, nullptr, decoder.out()), what);
        check(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand), what);
    } else {
        GUID format{};
        if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                    decoder.out())) ||
            FAILED(decoder->GetContainerFormat(&format))) {
            throw ImageError(tr("not a PNG, JPEG, BMP, TIFF or GIF picture"));
        }
        // Only the five: not every codec the system happens to have.
        const auto known = std::find_if(std::begin(kContainers), std::end(kContainers),
                                        [&](const Container& c) { return IsEqualGUID(*c.format, format) != 0; });
        if (known == std::end(kContainers)) throw ImageError(tr("not a PNG, JPEG, BMP, TIFF or GIF picture"));
        what = known->name;
    }
    Com<IWICBitmapFrameDecode> frame;
    check(decoder->GetFrame(0, frame.out()), what);
    UINT width = 0, height = 0;
    check(frame->GetSize(&width, &height), what);
    check_dimensions(width, height, what);

    // Premultiplied: what has transparency is shown on black.
    Com<IWICFormatConverter> converter;
    check(factory->CreateFormatConverter(converter.out()), what);
    check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom),
          what);
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    const size_t stride = static_cast<size_t>(width) * 4;
    const UINT band_rows = static_cast<UINT>(std::max<size_t>(1, kBandBytes / stride));
    std::vector<uint8_t> band(stride * std::min<UINT>(band_rows, height));
    for (UINT y = 0; y < height; y += band_rows) {
        const UINT rows = std::min(band_rows, height - y);
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
        check(converter->CopyPixels(&rect, static_cast<UINT>(stride), static_cast<UINT>(stride * rows), band.data()),
              what);
        uint8_t* out = image.pixel(0, y);
        const uint8_t* in = band.data();
        for (size_t i = 0, n = static_cast<size_t>(width) * rows; i < n; ++i, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return image;
}

std::vector<uint8_t> encode(const Image& image, const GUID& container, const char* what, int quality) {
    if (image.width == 0 || image.height == 0 ||
        image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3) {
        throw ImageError(fill(tr("the {1} picture is empty"), {what}));
    }
    ComApartment apartment;
    if (!apartment.ok()) fail(what, apartment.result());
    Com<IWICImagingFactory> factory = make_factory(what);
    Com<IStream> stream;
    check(::CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), what);
    Com<IWICBitmapEncoder> encoder;
    check(factory->CreateEncoder(container, nullptr, encoder.out()), what);
    check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), what);
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    check(encoder->CreateNewFrame(frame.out(), options.out()), what);
    if (quality >= 0) {
        PROPBAG2 option{};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value{};
        value.vt = VT_R4;
        value.fltVal = static_cast<float>(std::clamp(quality, 1, 100)) / 100.0f;
        check(options->Write(1, &option, &value), what);
    }
    check(frame->Initialize(options.get()), what);
    check(frame->SetSize(image.width, image.height), what);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    check(frame->SetPixelFormat(&format), what);
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) fail(what, WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);

    const size_t stride = static_cast<size_t>(image.width) * 3;
    const uint32_t band_rows = static_cast<uint32_t>(std::max<size_t>(1, kBandBytes / stride));
    std::vector<uint8_t> band(stride * std::min(band_rows, image.height));
    for (uint32_t y = 0; y < image.height; y += band_rows) {
        const uint32_t rows = std::min(band_rows, image.height - y);
        const uint8_t* in = image.pixel(0, y);
        uint8_t* out = band.data();
        for (size_t i = 0, n = static_cast<size_t>(image.width) * rows; i < n; ++i, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        check(frame->WritePixels(rows, static_cast<UINT>(stride), static_cast<UINT>(stride * rows), band.data()), what);
    }
    check(frame->Commit(), what);
    check(encoder->Commit(), what);

    STATSTG stat{};
    check(stream->Stat(&stat, STATFLAG_NONAME), what);
    HGLOBAL memory = nullptr;
    check(::GetHGlobalFromStream(stream.get(), &memory), what);
    const uint64_t size = stat.cbSize.QuadPart;
    if (size > ::GlobalSize(memory)) fail(what, E_UNEXPECTED);
    const void* data = ::GlobalLock(memory);
    if (data == nullptr) fail(what, HRESULT_FROM_WIN32(::GetLastError()));
    std::vector<uint8_t> bytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    ::GlobalUnlock(memory);
    return bytes;
}

}  // namespace

Image decode_png(const std::vector<uint8_t>& bytes) { return decode(bytes, &kContainers[0]); }
Image decode_jpeg(const std::vector<uint8_t>& bytes) { return decode(bytes, &kContainers[1]); }
Image decode_bmp(const std::vector<uint8_t>& bytes) { return decode(bytes, &kContainers[2]); }
Image decode_tiff(const std::vector<uint8_t>& bytes) { return decode(bytes, &kContainers[3]); }
Image decode_gif(const std::vector<uint8_t>& bytes) { return decode(bytes, &kContainers[4]); }
Image decode_picture(const std::vector<uint8_t>& bytes) { return decode(bytes, nullptr); }

std::vector<uint8_t> encode_png(const Image& image) { return encode(image, GUID_ContainerFormatPng, "PNG", -1); }

std::vector<uint8_t> encode_jpeg(const Image& image, int quality) {
    return encode(image, GUID_ContainerFormatJpeg, "JPEG", quality);
}

}  // namespace pixavon::host::win32
