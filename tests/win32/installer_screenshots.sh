#!/usr/bin/env bash
# Pictures of the installer's and the uninstaller's pages under wine for a
# person to look at, in English, Japanese and Simplified Chinese: welcome,
# components (with the first component's description), folder, finish; then,
# with the window started from the finish page still running, the
# uninstaller's confirmation and its request to close Pixavon, which is
# cancelled (Pixavon stays installed), and the same request from an upgrade
# (setup run again), cancelled too. Fails if a picture is not made.
#   installer_screenshots.sh OUT_DIR SETUP.EXE
# Uses a wine prefix of its own for each language.
set -euo pipefail
out=$(mkdir -p "$1" && realpath "$1") setup=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-installer-shots.XXXXXX")
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  local prefix
  for prefix in "$work"/prefix-*/; do WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The pages' photographer: for each step, waits, photographs the dialog on
# top (the wizard or a message box) into PREFIX-N.bmp, then presses the
# button the step names (0: none).
cat >"$work/pages.c" <<'EOF'
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static HWND top_dialog(void) {
    for (HWND w = GetTopWindow(NULL); w != NULL; w = GetWindow(w, GW_HWNDNEXT)) {
        wchar_t kind[16];
        if (IsWindowVisible(w) && GetClassNameW(w, kind, 16) > 0 && wcscmp(kind, L"#32770") == 0) return w;
    }
    return NULL;
}

static int save(HWND w, const char* path) {
    RECT r;
    GetWindowRect(w, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {0};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap == NULL) return 0;
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD size = (DWORD)(((width * 3 + 3) & ~3) * height);
    BITMAPFILEHEADER file = {0x4D42, (DWORD)(sizeof file + sizeof info.bmiHeader) + size, 0, 0,
                             (DWORD)(sizeof file + sizeof info.bmiHeader)};
    FILE* f = fopen(path, "wb");
    int ok = f != NULL && fwrite(&file, sizeof file, 1, f) == 1 &&
             fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f) == 1 && fwrite(bits, size, 1, f) == 1;
    if (f != NULL) ok = fclose(f) == 0 && ok;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok;
}

int main(int argc, char** argv) {
    for (int step = 2; step < argc; ++step) {
        HWND w = NULL;
        for (int i = 0; i < 100 && (w = top_dialog()) == NULL; ++i) Sleep(100);
        if (w == NULL) return 1;
        Sleep(1500);  // drawn, and any page change done
        w = top_dialog();
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s-%d.bmp", argv[1], step - 1);
        if (w == NULL || !save(w, path)) return 1;
        const int button = atoi(argv[step]);
        if (button != 0) PostMessageW(w, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(w, button));
    }
    return 0;
}
EOF
i686-w64-mingw32-gcc -O1 -o "$work/pages.exe" "$work/pages.c" -mwindows -lgdi32

to_png() {  # BMP PNG: a 24-bit bottom-up bitmap as a PNG
  python3 - "$1" "$2" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
offset, = struct.unpack_from("<I", data, 10)
width, height = struct.unpack_from("<ii", data, 18)
stride = (width * 3 + 3) & ~3
rows = []
for y in range(height - 1, -1, -1):
    row = data[offset + y * stride: offset + y * stride + width * 3]
    rows.append(b"\0" + bytes(b for i in range(0, len(row), 3) for b in (row[i + 2], row[i + 1], row[i])))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
open(sys.argv[2], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                             + chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))
PY
}

# One session on one display: the installer, the window it starts, and the
# uninstaller.   session.sh SETUP.EXE WORK LANGUAGE
cat >"$work/session.sh" <<'EOF'
set -e
setup=$1 work=$2 short=$3
wine "$setup" &
installer=$!
# Welcome, components, folder: Next, Next, Install; the install pages, then
# the finish page: Finish, with "Run Pixavon" ticked.
wine "$work/pages.exe" "$work/setup-$short" 1 1 1 0 1
wait "$installer" || true
sleep 3
program_files=$(wine cmd /c "echo %ProgramFiles%" | tr -d "\r")
dir=$(winepath -u "$program_files\\Pixavon")
wine "$dir/uninstall.exe" &
# Confirmation: Uninstall; Pixavon runs: Cancel; back on the confirmation:
# Cancel.
wine "$work/pages.exe" "$work/uninstall-$short" 1 2 2
wait || true
# An upgrade over the running window: welcome, components, folder: Next,
# Next, Install; Pixavon runs: Cancel; back on the folder page: Cancel; quit
# Setup: Yes.
wine "$setup" &
wine "$work/pages.exe" "$work/upgrade-$short" 1 1 1 2 2 6
wait || true
processes=$(wine winedbg --command "info process" 2>/dev/null | tr -d "\r")
[[ $processes == *"'pixavon-window.exe'"* ]] ||
  echo "installer_screenshots: the window did not start from the finish page" >&2
[[ -f "$dir/pixavon-window.exe" ]] || echo "installer_screenshots: the cancelled uninstall removed the window" >&2
wine taskkill /im pixavon-window.exe >/dev/null 2>&1 || true
EOF

for language in en_US ja_JP zh_CN; do
  short=${language%_US}
  short=${short%_JP}
  export WINEPREFIX=$work/prefix-$short LANG=$language.UTF-8 LC_ALL=$language.UTF-8
  timeout 300 wineboot --init >/dev/null 2>&1
  timeout 60 wineserver --wait || true
  LANG=$language.UTF-8 timeout 240 xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/session.sh" "$setup" "$work" \
    "$short" >"$work/log-$short" 2>&1 || {
    echo "installer_screenshots: $short failed: $(cat "$work/log-$short")" >&2
    exit 1
  }
  grep installer_screenshots "$work/log-$short" >&2 || true
  for bmp in "$work"/{setup,uninstall,upgrade}-"$short"-*.bmp; do
    [[ -s $bmp ]] || { echo "installer_screenshots: no picture $bmp" >&2; exit 1; }
    png=$out/$(basename "${bmp%.bmp}").png
    to_png "$bmp" "$png"
    echo "$png"
  done
  timeout 60 wineserver -k || true
done
