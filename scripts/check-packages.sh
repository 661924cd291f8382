#!/usr/bin/env bash
# Checks the Debian packages that scripts/package.sh built in BUILD_DIR: the
# files each holds, their dependencies, the unpacked tool and emulator run from
# a throwaway root, and lintian with no errors.
#
#   scripts/check-packages.sh [BUILD_DIR]     (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
arch=$(dpkg --print-architecture)
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
version=$(sed -n '1s/^pixavon (\(.*\)).*/\1/p' packaging/changelog)
status=0
fail() {
  echo "check-packages: $*" >&2
  status=1
}

deb() { echo "$build/${1}_${version}_${arch}.deb"; }

# has PACKAGE PATH...: the package holds each path.
has() {
  local package=$1 path listing
  shift
  listing=$(dpkg-deb -c "$(deb "$package")" | awk '{print $6}')
  for path in "$@"; do
    grep -qx "./$path" <<<"$listing" || fail "$package lacks /$path"
  done
}
# depends PACKAGE PATTERN...: its Depends field matches each pattern.
depends() {
  local package=$1 pattern field
  shift
  field=$(dpkg-deb -f "$(deb "$package")" Depends)
  for pattern in "$@"; do
    grep -Eq "$pattern" <<<"$field" || fail "$package: Depends ($field) lacks $pattern"
  done
}

for package in libpixavon1 libpixavon-dev pixavon pixavon-gui; do
  [[ -f $(deb $package) ]] || { fail "$(deb $package) is missing"; continue; }
  has $package usr/share/doc/$package/copyright usr/share/doc/$package/changelog.Debian.gz
done
((status == 0)) || exit 1

lib=usr/lib/$triplet
has libpixavon1 $lib/libpixavon.so.1
has libpixavon-dev usr/include/pixavon.h $lib/libpixavon.so $lib/pkgconfig/pixavon.pc \
  $lib/cmake/pixavon/pixavonConfig.cmake $lib/cmake/pixavon/pixavonConfigVersion.cmake \
  $lib/cmake/pixavon/pixavonTargets.cmake usr/share/man/man3/pixavon.3.gz
has pixavon usr/bin/pixavon usr/bin/pixavon-emu usr/share/man/man1/pixavon.1.gz \
  usr/share/man/man1/pixavon-emu.1.gz usr/share/bash-completion/completions/pixavon \
  usr/share/locale/ja/LC_MESSAGES/pixavon.mo usr/share/locale/zh_TW/LC_MESSAGES/pixavon.mo \
  usr/share/locale/zh_CN/LC_MESSAGES/pixavon.mo
has pixavon-gui usr/bin/pixavon-gui
dpkg-deb -I "$(deb libpixavon1)" shlibs | grep -q "^libpixavon 1 libpixavon1 (>= " ||
  fail "libpixavon1 has no shlibs entry for libpixavon.so.1"
depends libpixavon-dev "libpixavon1 \(= $version\)"
# The tool and the window load the library at run time: named explicitly.
depends pixavon "libpixavon1 \(= $version\)" "libc6" "libpng"
depends pixavon-gui "libpixavon1 \(= $version\)" "(^|, )pixavon \(= $version\)" "fonts-noto-cjk" "libqt6widgets6"

# Unpacked into a throwaway root, the tool finds its library there and works
# on a fresh card image.
root=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-debs.XXXXXX")
trap 'rm -rf "$root"' EXIT
for package in libpixavon1 pixavon; do dpkg -x "$(deb $package)" "$root"; done
export LD_LIBRARY_PATH=$root/$lib
got=$("$root/usr/bin/pixavon" --version)
[[ $got == "pixavon ${version%-*}" ]] || fail "pixavon --version says \"$got\""
"$root/usr/bin/pixavon" --card "$root/card.bin" --size 8 info >"$root/info.txt" 2>&1 ||
  fail "pixavon info on a fresh card failed: $(cat "$root/info.txt")"
"$root/usr/bin/pixavon-emu" --help >/dev/null || fail "pixavon-emu --help failed"

echo "== lintian =="
lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$build"/*_"$version"_"$arch".deb ||
  fail "lintian found errors"
((status == 0)) && echo "packages: contents, dependencies, the unpacked tool and lintian are fine"
exit $status
