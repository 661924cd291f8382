#!/usr/bin/env bash
# Builds and tests twice: a normal build and an address + undefined-behaviour
# sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== normal build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== address + undefined sanitizer build =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIXAVON_SANITIZE=ON -DPIXAVON_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure
