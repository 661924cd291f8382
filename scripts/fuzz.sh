#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address + undefined sanitizers) and
# runs each for a bounded time: ./scripts/fuzz.sh [SECONDS-PER-TARGET]
# (./scripts/fuzz.sh --build-only builds them and stops.)
# A crash leaves its input in build-fuzz/artifacts/TARGET/; copy it into
# fuzz/regressions/TARGET/ so that every test build replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=0
[[ ${1:-} == --build-only ]] && build_only=1
seconds="${1:-60}"
targets=(catalog bitmap emulator_stream host_image import_index card_folder rescue_scan)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPIXAVON_FUZZ=ON -DPIXAVON_TESTS=OFF -DPIXAVON_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target pixavon_fuzz_seeds "${targets[@]/#/fuzz_}"
build-fuzz/pixavon_fuzz_seeds build-fuzz/seeds
((build_only)) && exit 0

status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target artifacts=build-fuzz/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  echo "== fuzz_$target for ${seconds}s =="
  log=build-fuzz/fuzz_$target.log
  inputs=("$corpus")
  [[ -d build-fuzz/seeds/$target ]] && inputs+=(build-fuzz/seeds/$target)
  [[ -d fuzz/regressions/$target ]] && inputs+=(fuzz/regressions/$target)
  if ! build-fuzz/fuzz_$target "${inputs[@]}" \
      -dict=fuzz/$target.dict -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1; then
    status=1
    tail -n 40 "$log"
    echo "fuzz_$target FAILED: the input is in $artifacts/"
  fi
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' "$log" || true
done
exit $status
