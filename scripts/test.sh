#!/usr/bin/env bash
# Builds and tests: a normal build with the header's reference, the style
# (clang-format's format and clang-tidy's checks), an address + undefined-
# behaviour sanitizer build, a thread-sanitizer run of concurrent host threads,
# the fuzz targets for a bounded time, the 32-bit Windows DLL under wine, and
# the Debian packages. The builds use the ci presets of CMakePresets.json, where
# warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== normal build =="
cmake --preset ci
cmake --build build -j"$jobs"
# Every declaration of pixavon.h documented.
cmake --build build --target docs
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== style =="
# The tree's format (scripts/format.sh fixes it locally).
./scripts/format.sh --check
# clang-tidy over the normal build's compile database.
./scripts/tidy.sh build

echo "== address + undefined sanitizer build =="
cmake --preset ci-asan
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure

echo "== thread sanitizer: host threads calling at once =="
cmake --preset ci-tsan
cmake --build build-tsan -j"$jobs" --target pixavon pixavon-emu pixavon_concurrency_tests
TSAN_OPTIONS=halt_on_error=1 build-tsan/pixavon_concurrency_tests

echo "== fuzzing, ${PIXAVON_FUZZ_SECONDS:-30} s per target =="
./scripts/fuzz.sh "${PIXAVON_FUZZ_SECONDS:-30}"

./scripts/test-windows.sh

./scripts/package.sh --check
