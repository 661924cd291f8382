#!/usr/bin/env bash
# Builds and tests: a normal build with the header's reference and every test,
# the style (clang-format's format and clang-tidy's checks), the Debian
# packages made from the normal build, an address + undefined-behaviour
# sanitizer build (clang) with the fuzz targets run for a bounded time, a
# thread-sanitizer run of concurrent host threads, and the 32-bit Windows
# build with its tests under wine and its packages. The builds use the ci
# presets of CMakePresets.json, where warnings are errors.
#
#   scripts/test.sh            all of it
#   scripts/test.sh --quick    the normal build and its tests: the inner loop
#
# The normal build is made with Debian's flags and the prefix /usr, so that
# the packages come from it instead of a build of their own; clang-tidy reads
# its compile database and checks what changed since the tree was last found
# tidy-clean (scripts/tidy.sh). With ccache installed every build goes through
# it. The tests on emulated cameras and wine, which mostly wait, the fuzzers,
# which take one core, and the Windows build, which needs nothing of the
# others, run beside the builds that take every core. Each step's time is
# printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
quick=0
case "${1:-}" in
  --quick) quick=1 ;;
  "") ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac
# Tests mostly wait on the emulated camera's pauses: twice as many as cores.
test_jobs=$((2 * jobs))

# Ninja schedules every build's units together, where make goes target by
# target; build directories made before keep the generator they were made with.
if command -v ninja >/dev/null; then export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}; fi
if command -v ccache >/dev/null; then
  # CMake takes these as the launchers of every build it configures afresh.
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
  ccache_before=$(ccache --print-stats 2>/dev/null || true)
fi

# step NAME COMMAND...: runs a step and notes its wall-clock time and the
# processor time (user + system) of the processes it ran.
step_names=() step_wall=() step_cpu=()
run_start=$(date +%s.%N)
minus() { awk -v a="$1" -v b="$2" 'BEGIN {print a - b}'; }
# `times` must run in this shell (a subshell counts its own children), so
# its report goes through a file: children's user and system time, summed.
times_file=$(mktemp)
children_cpu() { sed -n 2p "$times_file" | awk '{gsub(/[ms]/, " "); print $1 * 60 + $2 + $3 * 60 + $4}'; }
step() {
  local name=$1 start cpu
  shift
  start=$(date +%s.%N)
  times >"$times_file"
  cpu=$(children_cpu)
  "$@"
  times >"$times_file"
  step_names+=("$name")
  step_wall+=("$(minus "$(date +%s.%N)" "$start")")
  step_cpu+=("$(minus "$(children_cpu)" "$cpu")")
}
summary() {
  echo
  echo "== step times (wall-clock, and processor time of its processes; $jobs cores) =="
  local i
  for i in "${!step_names[@]}"; do
    if [[ ${step_cpu[$i]} == - ]]; then
      printf '  %-44s %7.1f s  (in the background)\n' "${step_names[$i]}" "${step_wall[$i]}"
    else
      printf '  %-44s %7.1f s  %8.1f s cpu\n' "${step_names[$i]}" "${step_wall[$i]}" "${step_cpu[$i]}"
    fi
  done
  printf '  %-44s %7.1f s\n' "total" "$(minus "$(date +%s.%N)" "$run_start")"
  if [[ -n ${ccache_before+x} ]]; then
    hits() { awk -v k="$1" '$1 == k {print $2}' <<<"$2"; }
    local after hit miss
    after=$(ccache --print-stats 2>/dev/null || true)
    hit=$(($(hits direct_cache_hit "$after") + $(hits preprocessed_cache_hit "$after") -
      $(hits direct_cache_hit "$ccache_before") - $(hits preprocessed_cache_hit "$ccache_before")))
    miss=$(($(hits cache_miss "$after") - $(hits cache_miss "$ccache_before")))
    echo "  ccache: $hit compilations from the cache, $miss compiled (a warm run is one with few compiled)"
  fi
}
finish() {
  local status=$1
  # A step that failed while others ran beside it: they stop too.
  local pid
  for pid in "${background_pids[@]}"; do
    if kill -0 "$pid" 2>/dev/null; then
      pkill -P "$pid" 2>/dev/null || true
      kill "$pid" 2>/dev/null || true
    fi
  done
  summary
  rm -f "$times_file"
  exit "$status"
}
trap 'finish $?' EXIT

# Steps that mostly wait (the tests on emulated cameras, wine's round trips)
# or take one core (the fuzzers) run beside the builds that take every core.
# beside NAME LOG COMMAND...: starts a step in the background, its output in LOG;
# joined NAME: waits for it, shows its output, and notes how long it ran.
declare -A background_pid background_log background_start
background_pids=()
beside() {
  local name=$1 log=$2
  shift 2
  echo "== $name: beside the next steps (log: $log) =="
  background_start[$name]=$(date +%s.%N)
  background_log[$name]=$log
  "$@" >"$log" 2>&1 &
  background_pid[$name]=$!
  background_pids+=("$!")
}
joined() {
  local name=$1 status=0
  wait "${background_pid[$name]}" || status=$?
  echo "== $name =="
  cat "${background_log[$name]}"
  step_names+=("$name (beside)")
  step_wall+=("$(minus "$(date +%s.%N)" "${background_start[$name]}")")
  step_cpu+=("-")
  return $status
}

# A subshell: Debian's flags must not reach the other builds' configurations.
normal_build() (
  echo "== normal build =="
  # Debian's flags and prefix: the packages are made from this build. Without
  # debug information, which -g adds and the packages strip again: it takes
  # a third of the build's time and changes no instruction.
  # shellcheck source=scripts/debian-flags.sh
  source scripts/debian-flags.sh
  no_g=(-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG")
  CFLAGS=$(without_g "$CFLAGS") CXXFLAGS=$(without_g "$CXXFLAGS")
  cmake --preset ci -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_C_FLAGS="$CFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS" "${no_g[@]}" \
    -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" -DCMAKE_MODULE_LINKER_FLAGS="$LDFLAGS"
  cmake --build build -j"$jobs"
  # Every declaration of pixavon.h documented.
  cmake --build build --target docs
)
without_g() { local flag out=(); for flag in $1; do [[ $flag == -g ]] || out+=("$flag"); done; echo "${out[*]}"; }
normal_tests() { ctest --test-dir build -j"$test_jobs" --output-on-failure; }
style() {
  echo "== style =="
  # The tree's format (scripts/format.sh fixes it locally).
  ./scripts/format.sh --check
  # clang-tidy over the normal build's compile database: what changed.
  ./scripts/tidy.sh build
}
# Every fuzz target for a bounded time on one core; each crash found before
# is replayed by every test build (fuzz/regressions).
fuzz_seconds=${PIXAVON_FUZZ_SECONDS:-10}
# The address + undefined sanitizer build (clang) holds the libFuzzer targets
# too: once it is built, the fuzzers and the thread sanitizer's build run
# beside its tests, which mostly wait on the emulated camera.
asan() {
  echo "== address + undefined sanitizer build, with the fuzz targets =="
  cmake --preset ci-asan
  cmake --build build-asan -j"$jobs"
  beside "fuzz targets, $fuzz_seconds s each" build/logs/fuzz.log ./scripts/fuzz.sh --from build-asan "$fuzz_seconds"
  beside "thread sanitizer" build/logs/tsan.log tsan
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -j"$test_jobs" --output-on-failure
}
tsan() {
  echo "== thread sanitizer: host threads calling at once =="
  cmake --preset ci-tsan
  cmake --build build-tsan -j"$jobs" --target pixavon_concurrency_tests
  TSAN_OPTIONS=halt_on_error=1 build-tsan/pixavon_concurrency_tests
}
# The normal tests, then the packages made from the same build.
tests_and_packages() {
  ctest --test-dir build -j"$test_jobs" --output-on-failure
  ./scripts/package.sh --check --from build
}
# The Windows step's cross build and the wine prefix its tests start from
# need nothing of the Linux build, so they start at once, beside it; its
# tests take the emulator and the Linux tool from the normal build, and wait
# for it.
normal_built=build/logs/normal-build.done
windows() {
  ./scripts/test-windows.sh --build-only
  while [[ ! -e $normal_built ]]; do sleep 1; done
  PIXAVON_LINUX_BUILT=1 ./scripts/test-windows.sh --tests-only
}

mkdir -p build/logs
rm -f "$normal_built"
if ((!quick)); then
  beside "32-bit Windows" build/logs/windows.log windows
fi
step "normal build" normal_build
touch "$normal_built"
if ((quick)); then
  step "normal tests" normal_tests
  exit 0
fi
beside "normal tests and Debian packages" build/logs/tests.log tests_and_packages
step "style: format and clang-tidy" style
step "address + undefined sanitizers" asan
step "thread sanitizer" joined "thread sanitizer"
step "normal tests and Debian packages" joined "normal tests and Debian packages"
step "32-bit Windows" joined "32-bit Windows"
step "fuzzing" joined "fuzz targets, $fuzz_seconds s each"
