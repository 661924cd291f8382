#!/usr/bin/env bash
# Cross-builds pixavon.dll and the Windows tests for 32-bit Windows with
# mingw-w64, checks the DLL's export and import tables, and runs the tests
# under wine in fresh prefixes of its own.
#   scripts/test-windows.sh                all of it
#   scripts/test-windows.sh --build-only   the build and its checks, and the
#                                          wine prefix the tests start from
#   scripts/test-windows.sh --tests-only   the tests and the packages, after
#                                          --build-only and the Linux build
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-win32
jobs=$(nproc)
phase=all
case "${1:-}" in
  --build-only) phase=build ;;
  --tests-only) phase=tests ;;
  "") ;;
  *) echo "usage: $0 [--build-only | --tests-only]" >&2; exit 2 ;;
esac
# The prefix every test copies (tests/win32/own_prefix.sh): made once here.
template=$build/wine-prefix
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The DLL's integration tests plug emulated cameras into the wine prefix: the
# emulator and its launcher come from the Linux build, and so does the Linux
# half of the differential session (tests/win32/differential.sh), and the
# Linux tool that pixavon.exe is held against (tests/win32/tool_on_camera.sh).
# scripts/test.sh has built all of them (PIXAVON_LINUX_BUILT=1) and runs its
# tests meanwhile: the build is left alone then.
linux_tools() {
  [[ -z ${PIXAVON_LINUX_BUILT:-} ]] || return 0
  cmake --preset ci >/dev/null
  cmake --build build -j"$jobs" --target pixavon-emu pixavon-emu-launcher pixavon_differential_session \
    pixavon-tool pixavon-demo-pictures pixavon_translations pixavon_same_pixels
}

windows_build() {
  echo "== 32-bit Windows build (mingw-w64) =="
  # The prefix is made while the build runs: wineboot mostly waits.
  rm -rf "$template"
  mkdir -p "$template"
  (WINEPREFIX=$PWD/$template timeout 300 wineboot --init >/dev/null 2>&1 &&
    WINEPREFIX=$PWD/$template timeout 60 wineserver --wait) &
  local boot=$!
  cmake --preset ci-win32 -DPIXAVON_HOST_TOOLS_DIR="$PWD/build"
  cmake --build "$build" -j"$jobs"

  # Exactly the 14 functions, by their plain names; only system DLLs imported.
  local objdump=i686-w64-mingw32-objdump exports imports expected
  exports=$($objdump -p "$build/pixavon.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    awk '/^[[:space:]]+\[ *[0-9]+\]/ {print $NF}' | sort | tr '\n' ' ')
  expected="CloseDevice DeletePhoto FormatGBA GetCardMemory GetPhotoCount GetString IsConnect OpenDevice ReadAll ReadGBA ReadPixavonToFile WriteAll WriteFileToGBA WriteGBA "
  if [[ "$exports" != "$expected" ]]; then
    echo "pixavon.dll exports: $exports" >&2
    return 1
  fi
  imports=$($objdump -p "$build/pixavon.dll" | awk '/DLL Name:/ {print tolower($3)}' | sort | tr '\n' ' ')
  if [[ "$imports" != "kernel32.dll msvcrt.dll setupapi.dll user32.dll " ]]; then
    echo "pixavon.dll imports: $imports" >&2
    return 1
  fi
  echo "pixavon.dll: 14 exports; imports $imports"
  if ! wait "$boot" || [[ ! -f $template/system.reg ]]; then
    echo "wineboot could not make the wine prefix $template" >&2
    return 1
  fi
}

windows_tests() {
  echo "== 32-bit Windows tests under wine =="
  if [[ ! -f $template/system.reg ]]; then
    echo "no wine prefix in $template: run $0 --build-only first" >&2
    return 2
  fi
  export PIXAVON_WINE_TEMPLATE=$PWD/$template
  work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-wine.XXXXXX")
  package=
  cleanup() {
    [[ -n $package ]] && kill "$package" 2>/dev/null || true
    local prefix
    for prefix in "$work"/*/; do WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; done
    rm -rf "$work"
  }
  trap cleanup EXIT
  # The zips and the installer, installed and uninstalled in a prefix of their
  # own, beside the tests; the developer zip's sample built and run there.
  local version
  version=$(sed -n 's/^project(pixavon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  cp -a "$template" "$work/package"
  (scripts/package-windows.sh "$build" &&
    WINEPREFIX=$work/package scripts/check-windows-package.sh "$build/package/pixavon-$version-setup.exe" build "$build") \
    >"$work/package.log" 2>&1 &
  package=$!
  # The tests without a camera share one prefix; those that plug cameras in
  # copy the template each (tests/win32/own_prefix.sh). Most of them wait on
  # wine's round trips: three at a time per core.
  cp -a "$template" "$work/tests"
  local status=0
  WINEPREFIX=$work/tests ctest --test-dir "$build" -j"$((3 * jobs))" --output-on-failure --timeout 300 || status=$?
  local package_status=0
  wait "$package" || package_status=$?
  package=
  cat "$work/package.log"
  ((status == 0)) || return "$status"
  return "$package_status"
}

# One step per line: errexit holds inside each.
if [[ $phase != tests ]]; then windows_build; fi
if [[ $phase != build ]]; then
  linux_tools
  windows_tests
fi
