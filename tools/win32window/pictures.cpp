// The window's pictures (see pictures.h).
#include "pictures.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "os/win32/text.h"

namespace pixavon::win32window {
namespace {

// A top-down 32-bit DIB section and its pixels (blue, green, red, unused).
HBITMAP dib_section(int width, int height, uint8_t** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap == nullptr || pixels == nullptr) {
        if (bitmap != nullptr) ::DeleteObject(bitmap);
        return nullptr;
    }
    *bits = static_cast<uint8_t*>(pixels);
    return bitmap;
}

void fill(uint8_t* bits, int width, int height, COLORREF colour) {
    for (int i = 0; i < width * height; ++i) {
        bits[i * 4 + 0] = GetBValue(colour);
        bits[i * 4 + 1] = GetGValue(colour);
        bits[i * 4 + 2] = GetRValue(colour);
        bits[i * 4 + 3] = 0xFF;
    }
}

// GDI draws over the section through a memory DC.
template <typename Draw>
void draw_on(HBITMAP bitmap, Draw&& draw) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (dc == nullptr) return;
    HGDIOBJ before = ::SelectObject(dc, bitmap);
    draw(dc);
    ::GdiFlush();
    ::SelectObject(dc, before);
    ::DeleteDC(dc);
}

// A green disc with a white tick in the bottom right corner.
void draw_tick(HDC dc, int width, int height) {
    const int size = std::max(12, std::min(width, height) / 4);
    const int left = width - size - size / 6;
    const int top = height - size - size / 6;
    HBRUSH green = ::CreateSolidBrush(RGB(0x2e, 0x7d, 0x32));
    HPEN none = ::CreatePen(PS_NULL, 0, 0);
    HGDIOBJ old_brush = ::SelectObject(dc, green);
    HGDIOBJ old_pen = ::SelectObject(dc, none);
    ::Ellipse(dc, left, top, left + size, top + size);
    LOGBRUSH white{BS_SOLID, RGB(0xFF, 0xFF, 0xFF), 0};
    HPEN tick = ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, std::max(2, size / 8), &white,
                               0, nullptr);
    ::SelectObject(dc, tick);
    const POINT points[] = {{left + size * 27 / 100, top + size * 52 / 100},
                            {left + size * 44 / 100, top + size * 69 / 100},
                            {left + size * 74 / 100, top + size * 34 / 100}};
    ::Polyline(dc, points, 3);
    ::SelectObject(dc, old_pen);
    ::SelectObject(dc, old_brush);
    ::DeleteObject(tick);
    ::DeleteObject(none);
    ::DeleteObject(green);
}

}  // namespace

HBITMAP thumbnail(const host::Image& photo, int width, int height, bool imported) {
    if (width <= 0 || height <= 0 || photo.width == 0 || photo.height == 0) return nullptr;
    uint8_t* bits = nullptr;
    HBITMAP bitmap = dib_section(width, height, &bits);
    if (bitmap == nullptr) return nullptr;
    fill(bits, width, height, ::GetSysColor(COLOR_WINDOW));
    // The whole photo, as large as it fits.
    const double scale = std::min(static_cast<double>(width) / photo.width, static_cast<double>(height) / photo.height);
    const auto shown_width = std::max<uint32_t>(1, static_cast<uint32_t>(photo.width * scale));
    const auto shown_height = std::max<uint32_t>(1, static_cast<uint32_t>(photo.height * scale));
    const host::Image shown = host::resize(photo, shown_width, shown_height);
    const int left = (width - static_cast<int>(shown.width)) / 2;
    const int top = (height - static_cast<int>(shown.height)) / 2;
    for (uint32_t y = 0; y < shown.height; ++y) {
        uint8_t* row = bits + (static_cast<size_t>(top + static_cast<int>(y)) * width + left) * 4;
        const uint8_t* from = shown.pixel(0, y);
        for (uint32_t x = 0; x < shown.width; ++x) {
            row[x * 4 + 0] = from[x * 3 + 2];
            row[x * 4 + 1] = from[x * 3 + 1];
            row[x * 4 + 2] = from[x * 3 + 0];
        }
    }
    if (imported) {
        draw_on(bitmap, [&](HDC dc) { draw_tick(dc, width, height); });
        // GDI leaves what it draws transparent; the picture is opaque.
        for (int i = 0; i < width * height; ++i) bits[i * 4 + 3] = 0xFF;
    }
    return bitmap;
}

HBITMAP placeholder(int width, int height, bool failed) {
    if (width <= 0 || height <= 0) return nullptr;
    uint8_t* bits = nullptr;
    HBITMAP bitmap = dib_section(width, height, &bits);
    if (bitmap == nullptr) return nullptr;
    fill(bits, width, height, ::GetSysColor(COLOR_BTNFACE));
    draw_on(bitmap, [&](HDC dc) {
        HPEN pen = ::CreatePen(PS_SOLID, std::max(1, width / 80), ::GetSysColor(COLOR_GRAYTEXT));
        HGDIOBJ old_pen = ::SelectObject(dc, pen);
        HGDIOBJ old_brush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc, 0, 0, width, height);
        if (failed) {
            ::MoveToEx(dc, 0, 0, nullptr);
            ::LineTo(dc, width, height);
            ::MoveToEx(dc, width, 0, nullptr);
            ::LineTo(dc, 0, height);
        }
        ::SelectObject(dc, old_brush);
        ::SelectObject(dc, old_pen);
        ::DeleteObject(pen);
    });
    for (int i = 0; i < width * height; ++i) bits[i * 4 + 3] = 0xFF;
    return bitmap;
}

bool save_screenshot(HWND window, const std::string& path) {
    RECT frame{};
    if (!::GetWindowRect(window, &frame)) return false;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) return false;
    uint8_t* bits = nullptr;
    HBITMAP bitmap = dib_section(width, height, &bits);
    if (bitmap == nullptr) return false;
    bool copied = false;
    HDC screen = ::GetDC(nullptr);
    draw_on(bitmap, [&](HDC dc) {
        copied = ::BitBlt(dc, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != FALSE;
    });
    ::ReleaseDC(nullptr, screen);
    host::Image image(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* from = bits + (static_cast<size_t>(y) * width + x) * 4;
            uint8_t* to = image.pixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    ::DeleteObject(bitmap);
    if (!copied) return false;
    try {
        const std::vector<uint8_t> png = host::encode_png(image);
        std::ofstream out(std::filesystem::path(host::win32::to_utf16(path)), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        return static_cast<bool>(out.flush());
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace pixavon::win32window
