#!/usr/bin/env bash
# Builds the Debian packages libpixavon1, libpixavon-dev, pixavon and
# pixavon-gui with CPack, into build-package/:
#
#   scripts/package.sh            build them
#   scripts/package.sh --check    build them, then check their contents, run the
#                                 unpacked tool, and run lintian on them
#   scripts/package.sh [--check] --from BUILD
#                                 make them from BUILD, a build already made
#                                 with Debian's flags (scripts/debian-flags.sh)
#                                 and the prefix /usr, as scripts/test.sh's
#                                 normal build is
#
# Install them with: sudo apt install ./build-package/*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
check=0 build=build-package from=""
while (($#)); do
  case $1 in
    --check) check=1 ;;
    --from) from=${2:?--from needs a build directory}; build=$from; shift ;;
    *) echo "usage: $0 [--check] [--from BUILD]" >&2; exit 2 ;;
  esac
  shift
done
umask 022

echo "== Debian packages in $build =="
if [[ -z $from ]]; then
  # shellcheck source=scripts/debian-flags.sh
  source scripts/debian-flags.sh
  cmake --preset package >/dev/null
  cmake --build "$build" -j"$(nproc)"
else
  prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
  if [[ $prefix != /usr ]]; then
    echo "$build is configured for the prefix ${prefix:-?}; the packages need /usr" >&2
    exit 2
  fi
fi
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/*.deb

if ((check)); then
  ./scripts/check-packages.sh "$build"
fi
