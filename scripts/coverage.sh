#!/usr/bin/env bash
# The library's branch coverage: builds the tests with gcov's counters
# (preset coverage, in build-coverage/), runs them, and prints with gcovr the
# branches taken of the library's own sources, file by file, leaving out the
# branches of exceptions and those the compiler proves unreachable.
#
#   scripts/coverage.sh [--html]         (--html also writes build-coverage/coverage/index.html)
#
# PIXAVON_COVERAGE_MIN (default 95) is the branch share below which the
# script fails, for platform/posix/ and for the library as a whole.
set -euo pipefail
cd "$(dirname "$0")/.."
build="build-coverage"
minimum=${PIXAVON_COVERAGE_MIN:-95}

cmake --preset coverage >/dev/null
cmake --build "$build" -j"$(nproc)"
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure

# The library: the sources linked into libpixavon (the card logic and the
# POSIX platform); the tools, the emulator and the tests are not counted.
library=(--filter 'frame/' --filter 'device/' --filter 'catalog/' --filter 'photo/' --filter 'cardimage/'
  --filter 'exports/' --filter 'platform/')
gcovr_args=(--root . --object-directory "$build" --exclude-throw-branches --exclude-unreachable-branches)
gcovr "${gcovr_args[@]}" "${library[@]}" --branches --sort-percentage
if [[ ${1:-} == --html ]]; then
  mkdir -p "$build/coverage"
  gcovr "${gcovr_args[@]}" "${library[@]}" --html-details "$build/coverage/index.html"
fi

status=0
check() {
  local name=$1 summary percent
  shift
  summary=$(gcovr "${gcovr_args[@]}" "$@" --json-summary)
  percent=$(python3 -c 'import json,sys; print(json.load(sys.stdin)["branch_percent"])' <<<"$summary")
  echo "branches taken, $name: $percent %"
  python3 -c "import sys; sys.exit(0 if float('$percent') >= $minimum else 1)" ||
    { echo "coverage: $name is below $minimum %" >&2; status=1; }
}
check "platform/posix/" --filter 'platform/posix/'
check "the library" "${library[@]}"
exit $status
