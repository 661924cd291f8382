#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address + undefined sanitizers) and
# runs each for a bounded time:
#   ./scripts/fuzz.sh [SECONDS-PER-TARGET]   build them in build-fuzz/, run them
#   ./scripts/fuzz.sh --build-only           build them and stop
#   ./scripts/fuzz.sh --from BUILD [SECONDS] run those built in BUILD, a build
#                                            with PIXAVON_FUZZ (the ci-asan
#                                            preset's build-asan/ is one)
# A crash leaves its input in BUILD/artifacts/TARGET/ (build-fuzz/ by
# default); copy it into fuzz/regressions/TARGET/ so that every test build
# replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-fuzz build_only=0 from=0
case "${1:-}" in
  --build-only) build_only=1; shift ;;
  --from) build=${2:?--from needs a build directory}; from=1; shift 2 ;;
esac
seconds="${1:-60}"
targets=(catalog bitmap emulator_stream host_image import_index card_folder rescue_scan)

if ((from)); then
  grep -q '^PIXAVON_FUZZ:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null || {
    echo "$build is not a build with PIXAVON_FUZZ=ON" >&2
    exit 2
  }
  for target in "${targets[@]}"; do
    [[ -x $build/fuzz_$target ]] || { echo "$build/fuzz_$target is not built" >&2; exit 2; }
  done
else
  CC=clang CXX=clang++ cmake -S . -B "$build" -DPIXAVON_FUZZ=ON -DPIXAVON_TESTS=OFF -DPIXAVON_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)" --target pixavon_fuzz_seeds "${targets[@]/#/fuzz_}"
fi
"$build/pixavon_fuzz_seeds" "$build/seeds"
((build_only)) && exit 0

status=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target artifacts=$build/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  echo "== fuzz_$target for ${seconds}s =="
  log=$build/fuzz_$target.log
  inputs=("$corpus")
  [[ -d $build/seeds/$target ]] && inputs+=("$build/seeds/$target")
  [[ -d fuzz/regressions/$target ]] && inputs+=(fuzz/regressions/$target)
  if ! "$build/fuzz_$target" "${inputs[@]}" \
      -dict=fuzz/$target.dict -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1; then
    status=1
    tail -n 40 "$log"
    echo "fuzz_$target FAILED: the input is in $artifacts/"
  fi
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' "$log" || true
done
exit $status
