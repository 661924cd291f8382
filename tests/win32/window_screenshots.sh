#!/usr/bin/env bash
# Pictures of pixavon-window.exe under wine for a person to look at: in
# English, Japanese and Simplified Chinese, at 100% (96 dpi, on an 800 x 600
# screen) and at 200% (192 dpi, 1600 x 1200), on a card of photos, and at
# 100% on a card whose photo list is damaged (the notice with Rescue
# photos…). Wine draws the window's frame itself, so the pictures show the
# title too. Fails if a picture is not made.
#   window_screenshots.sh OUT_DIR LINUX_BUILD_DIR WIN32_BUILD_DIR
# Uses a wine prefix of its own.
set -euo pipefail
out=$(mkdir -p "$1" && realpath "$1") linux_build=$(realpath "$2") win32_build=$(realpath "$3")
work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-window-shots.XXXXXX")
export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
timeout 300 wineboot --init >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Imports go inside the prefix, not to the Pictures folder wine shares with
# the Linux user.
wine reg add 'HKCU\Software\Pixavon\Window' /v ImportFolder /d 'C:\Pixavon\Lumetta' /f >/dev/null 2>&1
timeout 60 wineserver --wait || true

# Nine photos: the demo pictures, three times over.
mkdir "$work/pictures"
"$linux_build/pixavon-demo-pictures" "$work/pictures" >/dev/null
pictures=("$work"/pictures/*)
"$linux_build/pixavon" --card "$work/photos.bin" --size 8 put "${pictures[@]}" "${pictures[@]}" "${pictures[@]}" \
  >/dev/null 2>&1
# The photo list's count (at byte 256 of the card's last 8 KiB) made impossible.
cp "$work/photos.bin" "$work/damaged.bin"
printf '\377' | dd of="$work/damaged.bin" bs=1 seek=$(($(stat -c %s "$work/damaged.bin") - 8192 + 256)) conv=notrunc \
  status=none

shoot() {  # LANGUAGE DPI SCREEN CARD NAME
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  # A fresh session each time, on the display of this picture.
  timeout 60 wineserver --wait || true
  cp "$work/$4.bin" "$work/card.bin"
  local status=0
  (cd "$work" && LANG=$1.UTF-8 LC_ALL=$1.UTF-8 timeout 120 xvfb-run -a -s "-screen 0 ${3}x24" \
    wine "$win32_build/pixavon-window.exe" --card card.bin --screenshot "shot.png") >"$work/shot.log" 2>&1 ||
    status=$?
  timeout 60 wineserver --wait || true
  [[ -s "$work/shot.png" ]] || {
    echo "window_screenshots: no picture for $5 (status $status): $(cat "$work/shot.log")" >&2
    exit 1
  }
  mv "$work/shot.png" "$out/$5.png"
  echo "$out/$5.png"
}

for language in en_US ja_JP zh_CN; do
  short=${language%_US}
  short=${short%_JP}
  shoot "$language" 96 800x600 photos "window-$short-100"
  shoot "$language" 192 1600x1200 photos "window-$short-200"
  shoot "$language" 96 800x600 damaged "window-$short-damaged"
done
