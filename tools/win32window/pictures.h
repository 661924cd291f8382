// The window's pictures in GDI's terms: a photo as the grid's thumbnail (with
// the mark of a photo imported already), the place of one not read yet, and
// the window itself saved as a PNG picture (--screenshot).
#pragma once

#include <windows.h>

#include <string>

#include "image.h"

namespace pixavon::win32window {

// A 32-bit bitmap of `width` x `height` showing `photo` whole, centred on the
// grid's background; with a green tick in its corner when `imported`. The
// caller owns it (DeleteObject). Null if GDI cannot make it.
HBITMAP thumbnail(const host::Image& photo, int width, int height, bool imported);
// The same size, a plain frame: a photo still being read, or one that could
// not be (`failed`: crossed out).
HBITMAP placeholder(int width, int height, bool failed);

// The window as it is on the screen, frame and all, as a PNG file at `path`
// (UTF-8). False if it cannot be captured or written.
bool save_screenshot(HWND window, const std::string& path);

}  // namespace pixavon::win32window
