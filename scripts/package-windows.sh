#!/usr/bin/env bash
# The Windows packages from the 32-bit Windows build: stages pixavon.dll,
# pixavon.exe and the window pixavon-window.exe once they are built, the
# catalogues (share/locale beside them), and
# README and licence with CRLF line endings; then makes the zip and the
# installer (packaging/windows/pixavon.nsi) in BUILD/package/.
#   scripts/package-windows.sh [BUILD]   (default build-win32)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win32}
version=$(sed -n 's/^project(pixavon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --build "$build" -j"$(nproc)" --target pixavon pixavon_translations >/dev/null

out=$build/package
stage=$out/pixavon-$version
rm -rf "$out"
mkdir -p "$stage"
cp "$build/pixavon.dll" "$stage/"
nsis_defines=()
if [[ -f "$build/pixavon.exe" ]]; then
  cp "$build/pixavon.exe" "$stage/"
  nsis_defines+=(-DHAVE_EXE)
fi
if [[ -f "$build/pixavon-window.exe" ]]; then
  cp "$build/pixavon-window.exe" "$stage/"
  nsis_defines+=(-DHAVE_WINDOW)
fi
# The build's debugging information stays in the build.
for program in "$stage"/*.exe; do
  [[ -e "$program" ]] && i686-w64-mingw32-strip --strip-debug "$program"
done
for lang in ja zh_CN zh_TW; do
  mkdir -p "$stage/share/locale/$lang/LC_MESSAGES"
  cp "$build/share/locale/$lang/LC_MESSAGES/pixavon.mo" "$stage/share/locale/$lang/LC_MESSAGES/"
  if [[ -f "$build/pixavon-window.exe" ]]; then
    cp "$build/share/locale/$lang/LC_MESSAGES/pixavon-window.mo" "$stage/share/locale/$lang/LC_MESSAGES/"
  fi
done
# CRLF for Notepad; a line that has one already keeps just the one.
sed 's/\r$//; s/$/\r/' README.md >"$stage/README.txt"
sed 's/\r$//; s/$/\r/' packaging/copyright >"$stage/LICENSE.txt"

(cd "$out" && rm -f "pixavon-$version-win32.zip" && zip -qrX "pixavon-$version-win32.zip" "pixavon-$version")
makensis -V2 -WX -INPUTCHARSET UTF8 -DSTAGE="$(realpath "$stage")" -DVERSION="$version" \
  -DOUTFILE="$(realpath "$out")/pixavon-$version-setup.exe" "${nsis_defines[@]}" packaging/windows/pixavon.nsi
echo "$out/pixavon-$version-win32.zip"
echo "$out/pixavon-$version-setup.exe"
