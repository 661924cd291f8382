#!/usr/bin/env bash
# pixavon-window.exe under wine in Japanese, on a camera plugged into
# $WINEPREFIX, importing through the window's own path (its card thread,
# progress and summary; --import-new runs Import new photos once the card is
# shown, and quits):
#  - started before the camera is plugged in, it finds the camera;
#  - it saves the files pixavon.exe's import saves from the same camera,
#    byte for byte, into a folder whose name is outside code page 932 (图片);
#  - its summary is Japanese; a second run finds nothing new and adds nothing;
#  - the camera's card is left as it was.
#   window_on_camera.sh LINUX_BUILD_DIR WIN32_BUILD_DIR
set -euo pipefail
# shellcheck source=tests/win32/plug_camera.sh
source "$(dirname "$0")/plug_camera.sh"
# One display for the whole session: the emulator's plugging helper starts
# the prefix's wine session, which the window's desktop then belongs to.
if [[ -z ${PIXAVON_TEST_DISPLAY:-} ]]; then
  PIXAVON_TEST_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
linux_build=$(realpath "$1") win32_build=$(realpath "$2")
: "${WINEPREFIX:=$HOME/.wine}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-window-wine.XXXXXX")
emulator=
cleanup() {
  [[ -n $emulator ]] && kill "$emulator" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "window_on_camera: $*" >&2
  exit 1
}
# A folder of $work as the window takes it (wine's Z: drive is /).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

mkdir "$work/pictures"
"$linux_build/pixavon-demo-pictures" "$work/pictures" >/dev/null
"$linux_build/pixavon" --card "$work/card.bin" --size 8 put "$work"/pictures/* >/dev/null 2>&1
cp "$work/card.bin" "$work/before.bin"

window() { timeout 120 wine "$win32_build/pixavon-window.exe" --import-new "$(windows_path "$work/图片")"; }
# The window first, waiting without a camera; then the camera.
window >"$work/first.out" 2>"$work/first.err" &
first=$!
sleep 3
plug_camera "$work/card.bin" "$linux_build" "$win32_build" "$work/emu" || fail "no camera was plugged in"
wait "$first" || fail "the window's import failed: $(cat "$work/first.err")"
window >"$work/second.out" 2>"$work/second.err" || fail "the second import failed: $(cat "$work/second.err")"
(cd "$work" && timeout 120 wine "$win32_build/pixavon.exe" import tool) >"$work/tool.out" 2>&1 ||
  fail "pixavon.exe's import failed: $(cat "$work/tool.out")"
kill -TERM "$emulator"
wait "$emulator" || true
emulator=

photos=$(ls "$work/tool" | wc -l)
[[ $photos -ge 3 ]] || fail "pixavon.exe imported $photos photos"
diff -r "$work/tool" "$work/图片" || fail "the window saved other files than pixavon.exe"
grep -q "写真 $photos 枚を取り込みました" "$work/first.err" || fail "no Japanese summary: $(cat "$work/first.err")"
grep -q "新しい写真はありませんでした" "$work/second.err" || fail "the second import found new photos: $(cat "$work/second.err")"
cmp -s "$work/card.bin" "$work/before.bin" || fail "the import changed the card"
echo "window_on_camera: camera found once plugged in, $photos photos imported by the window as by pixavon.exe," \
  "Japanese summary, nothing added again"
