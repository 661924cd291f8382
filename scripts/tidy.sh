#!/usr/bin/env bash
# Runs clang-tidy with the root's .clang-tidy over every source of the tree in
# a build's compile database, nproc at a time, and fails on any finding
# (every warning is an error). The build must be configured with
# CMAKE_EXPORT_COMPILE_COMMANDS=ON (the presets do) and built, so the Qt
# window's generated headers exist. Generated sources (the Qt moc and resource
# files in the build directory) are skipped; diagnostics inside the tree's own
# headers are reported, those in system and generated headers are not.
#   scripts/tidy.sh [BUILD_DIR]     (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [[ ! -f $build/compile_commands.json ]]; then
  echo "$build/compile_commands.json missing: configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON" >&2
  exit 2
fi

# The source directories, as a regular expression anchored at the tree's root.
dirs='frame|catalog|photo|device|cardimage|exports|platform|include|emulator|tools|tests|fuzz|bench'
root_re=$(sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$root")
sources="^$root_re/($dirs)/"

# run-clang-tidy 14 has no -warnings-as-errors of its own: a wrapper passes it
# to each clang-tidy, whose non-zero exit then fails the run.
wrapper=$(mktemp)
trap 'rm -f "$wrapper"' EXIT
cat >"$wrapper" <<WRAPPER
#!/bin/sh
exec ${CLANG_TIDY:-clang-tidy} --warnings-as-errors='*' "\$@"
WRAPPER
chmod +x "$wrapper"

# clang's "N warnings generated." counts the warnings of system headers that
# are not shown; they are dropped from the log. The exit status is
# run-clang-tidy's (pipefail).
run-clang-tidy -quiet -p "$build" -j "$(nproc)" -clang-tidy-binary "$wrapper" \
  -header-filter "$sources" "$sources" 2>&1 | sed -E '/^[0-9]+ warnings? generated\.$/d'
