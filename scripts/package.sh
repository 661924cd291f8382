#!/usr/bin/env bash
# Builds the Debian packages libpixavon1, libpixavon-dev, pixavon and
# pixavon-gui with CPack, into build-package/:
#
#   scripts/package.sh            build them
#   scripts/package.sh --check    build them, then check their contents, run the
#                                 unpacked tool, and run lintian on them
#
# Install them with: sudo apt install ./build-package/*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
[[ ${1:-} == --check ]] && check=1
build=build-package
umask 022

# Debian's own compiler and linker flags (optimisation, hardening).
cppflags=$(dpkg-buildflags --get CPPFLAGS)
CFLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS CXXFLAGS LDFLAGS

echo "== Debian packages in $build =="
cmake --preset package >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/*.deb

if ((check)); then
  ./scripts/check-packages.sh "$build"
fi
