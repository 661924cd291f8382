#!/usr/bin/env bash
# Installs the library and its development files from BUILD into a prefix,
# moves the prefix elsewhere (an installed tree must not depend on where it was
# installed), and builds and runs a small C program against it: with CMake's
# find_package (MODE cmake) or with pkg-config (MODE pkg-config).
#
#   consumer_test.sh MODE BUILD CONSUMER_SOURCE WORK CMAKE CC
set -euo pipefail
mode=$1 build=$2 source=$3 work=$4 cmake=$5 cc=$6
rm -rf "$work"
mkdir -p "$work"
for component in lib dev; do
  "$cmake" --install "$build" --prefix "$work/staged" --component $component >/dev/null
done
mv "$work/staged" "$work/prefix"
prefix=$work/prefix
libdir=$(dirname "$(find "$prefix" -name 'libpixavon.so.1' -print -quit)")

case $mode in
  cmake)
    "$cmake" -S "$source" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" >/dev/null
    "$cmake" --build "$work/build" >/dev/null
    program=$work/build/consumer
    ;;
  pkg-config)
    export PKG_CONFIG_PATH=$libdir/pkgconfig PKG_CONFIG_LIBDIR=$libdir/pkgconfig
    # shellcheck disable=SC2046
    "$cc" -Wall -Wextra -Werror -o "$work/consumer" "$source/main.c" $(pkg-config --cflags --libs pixavon)
    program=$work/consumer
    ;;
esac
LD_LIBRARY_PATH=$libdir "$program"
