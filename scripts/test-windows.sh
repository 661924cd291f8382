#!/usr/bin/env bash
# Cross-builds pixavon.dll and the Windows tests for 32-bit Windows with
# mingw-w64, checks the DLL's export and import tables, and runs the tests
# under wine in a fresh prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-win32
jobs=$(nproc)

echo "== 32-bit Windows build (mingw-w64, tests under wine) =="
# The DLL's integration tests plug emulated cameras into the wine prefix: the
# emulator and its launcher come from the Linux build, and so does the Linux
# half of the differential session (tests/win32/differential.sh), and the
# Linux tool that pixavon.exe is held against (tests/win32/tool_on_camera.sh).
# scripts/test.sh has built all of them (PIXAVON_LINUX_BUILT=1) and runs its
# tests meanwhile: the build is left alone then.
if [[ -z ${PIXAVON_LINUX_BUILT:-} ]]; then
  cmake --preset ci >/dev/null
  cmake --build build -j"$jobs" --target pixavon-emu pixavon-emu-launcher pixavon_differential_session \
    pixavon-tool pixavon-demo-pictures pixavon_translations pixavon_same_pixels
fi
cmake --preset ci-win32 -DPIXAVON_HOST_TOOLS_DIR="$PWD/build"
cmake --build "$build" -j"$jobs"

# Exactly the 14 functions, by their plain names; only system DLLs imported.
objdump=i686-w64-mingw32-objdump
exports=$($objdump -p "$build/pixavon.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  awk '/^[[:space:]]+\[ *[0-9]+\]/ {print $NF}' | sort | tr '\n' ' ')
expected="CloseDevice DeletePhoto FormatGBA GetCardMemory GetPhotoCount GetString IsConnect OpenDevice ReadAll ReadGBA ReadPixavonToFile WriteAll WriteFileToGBA WriteGBA "
if [[ "$exports" != "$expected" ]]; then
  echo "pixavon.dll exports: $exports" >&2
  exit 1
fi
imports=$($objdump -p "$build/pixavon.dll" | awk '/DLL Name:/ {print tolower($3)}' | sort | tr '\n' ' ')
if [[ "$imports" != "kernel32.dll msvcrt.dll setupapi.dll user32.dll " ]]; then
  echo "pixavon.dll imports: $imports" >&2
  exit 1
fi
echo "pixavon.dll: 14 exports; imports $imports"

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-wine.XXXXXX")
export WINEPREFIX WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
# The first start creates the prefix; no display is needed.
timeout 300 wineboot --init >/dev/null 2>&1
timeout 60 wineserver --wait || true
ctest --test-dir "$build" -j"$jobs" --output-on-failure --timeout 300

# The zip and the installer; the installer installed and uninstalled in the
# same prefix.
scripts/package-windows.sh "$build"
scripts/check-windows-package.sh "$build/package/pixavon-$(sed -n 's/^project(pixavon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-setup.exe" build "$build"
