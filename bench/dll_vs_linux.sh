#!/usr/bin/env bash
# The 16 MiB backup's ratio to its floor (the read commands' 10 ms pauses),
# through libpixavon.so on the socket camera and through pixavon.dll under
# wine on the camera plugged into a wine prefix. Needs the Linux build in
# build/ (bench_card_image, pixavon-emu, pixavon-emu-launcher) and the Windows
# build in build-win32/ (bench_dll_backup.exe, the DLL and the driver).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "Linux, libpixavon.so on the socket camera:"
build/bench_card_image --benchmark_filter=BM_Backup16MiB 2>/dev/null | grep -o 'BM_Backup16MiB.*ratio_to_floor=[0-9.]*'
echo "wine, pixavon.dll on the camera plugged into the prefix:"
# A prefix of its own unless one is given (created on first use).
WINEPREFIX=${WINEPREFIX:-$(mktemp -d "${TMPDIR:-/tmp}/pixavon-wine.XXXXXX")}
export WINEPREFIX WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tests/win32/with_wine_cameras.sh "$PWD/build" "$PWD/build-win32" build-win32/bench_dll_backup.exe
