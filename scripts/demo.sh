#!/usr/bin/env bash
# The main job: builds the library and shows it working on an emulated camera.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
card="${1:-/tmp/pixavon-demo-card.bin}"
exec build/pixavon-example "$card" 16
