#!/usr/bin/env bash
# Runs a Windows test program under wine (and a virtual display, for its
# windows and boxes) with pixavon-emu-launcher serving it emulated cameras
# plugged into the same wine prefix ($WINEPREFIX). The display is
# tests/win32/own_prefix.sh's when it runs this, else one of xvfb-run's.
#   with_wine_cameras.sh HOST_TOOLS_DIR WIN32_BUILD_DIR PROGRAM [ARG...]
set -euo pipefail
host_tools=$1 win32_build=$2
shift 2
: "${WINEPREFIX:=$HOME/.wine}"
export WINEPREFIX

port_file=$(mktemp)
"$host_tools/pixavon-emu-launcher" -- --wine-prefix "$WINEPREFIX" --wine-files "$win32_build" >"$port_file" &
launcher=$!
trap 'kill "$launcher" 2>/dev/null || true; rm -f "$port_file"' EXIT
for _ in $(seq 100); do
  [[ -s "$port_file" ]] && break
  sleep 0.05
done
PIXAVON_LAUNCHER_PORT=$(head -n1 "$port_file")
export PIXAVON_LAUNCHER_PORT
if [[ -n ${PIXAVON_TEST_DISPLAY:-} ]]; then
  wine "$@"
else
  xvfb-run -a wine "$@"
fi
