#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libpng-dev libjpeg62-turbo-dev libstb-dev nlohmann-json3-dev
  # pixavon mount: libfuse 3 and fusermount3.
  libfuse3-dev fuse3
  # pixavon-gui: Qt 6 Widgets and Qt Test (the offscreen platform comes with it).
  qt6-base-dev
  # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
  clang libclang-rt-14-dev
  # The 32-bit Windows build: cross compiler, GoogleTest sources, wine.
  g++-mingw-w64-i686-posix mingw-w64-i686-dev googletest
  wine wine32:i386
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -eq 0 ]] || SUDO="sudo"
  # wine32 is an i386 package.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
