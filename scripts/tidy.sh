#!/usr/bin/env bash
# Runs clang-tidy with the root's .clang-tidy over the tree's sources in a
# build's compile database, nproc at a time, and fails on any finding (every
# warning is an error). The build must be configured with
# CMAKE_EXPORT_COMPILE_COMMANDS=ON (the presets do) and built, so the Qt
# window's generated headers and the compiler's dependency files exist.
# Generated sources (the Qt moc and resource files in the build directory) are
# skipped; diagnostics inside the tree's own headers are reported, those in
# system and generated headers are not.
#
#   scripts/tidy.sh [BUILD_DIR]           what changed since .tidy-stamp (default build: build)
#   scripts/tidy.sh --all [BUILD_DIR]     the whole tree
#   scripts/tidy.sh --stamp [BUILD_DIR]   as the first, and on success .tidy-stamp
#                                         records HEAD (the worktree must match it)
#
# .tidy-stamp (committed) names the last commit at which the whole tree was
# found clean and a hash of .clang-tidy, clang-tidy's version and the
# compilers'. What was clean then and has not changed is clean now, so a
# clean check of what changed lets --stamp move the stamp on. The sources checked are those that differ from that commit (in
# commits since, in the worktree, or new and not ignored) and every source
# that includes a header among them, by the compiler's dependency files. The
# whole tree is checked instead when the stamp is missing, its commit is not
# in the clone (a shallow one), or the hash differs: .clang-tidy, clang-tidy
# or a compiler changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=changed
case "${1:-}" in
  --all) mode=all; shift ;;
  --stamp) mode=stamp; shift ;;
esac
build=$(cd "${1:-$root/build}" && pwd)
if [[ ! -f $build/compile_commands.json ]]; then
  echo "$build/compile_commands.json missing: configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON" >&2
  exit 2
fi
cd "$root"
stamp_file=.tidy-stamp
clang_tidy=${CLANG_TIDY:-clang-tidy}

# The source directories, as a regular expression anchored at the tree's root.
dirs='frame|catalog|photo|device|cardimage|exports|platform|include|emulator|tools|tests|fuzz|bench'
root_re=$(sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$root")
sources="^$root_re/($dirs)/"

config_hash() {
  local compilers
  compilers=$(sed -n 's/^CMAKE_\(C\|CXX\)_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
  {
    cat .clang-tidy
    # Its version line only: the rest names the host's processor.
    "$clang_tidy" --version | grep -i 'version'
    for compiler in $compilers; do "$compiler" --version | head -n 1; done
  } | sha256sum | cut -d' ' -f1
}
hash=$(config_hash)

files=("$sources")
stamp_now() {
  {
    echo "# The last commit at which scripts/tidy.sh found the whole tree clean, and"
    echo "# the hash of .clang-tidy, clang-tidy's version and the compilers' then."
    echo "# Written by scripts/tidy.sh --stamp; commit it."
    echo "commit $(git rev-parse HEAD)"
    echo "config $hash"
  } >"$stamp_file"
  echo "tidy: the whole tree is clean; $stamp_file records $(git rev-parse --short HEAD)"
}
if [[ $mode == stamp ]] && ! git diff --quiet HEAD -- . ":(exclude)$stamp_file"; then
  echo "tidy: --stamp needs a worktree that matches HEAD (commit first)" >&2
  exit 2
fi

if [[ $mode != all ]]; then
  stamp_commit=$(sed -n 's/^commit //p' "$stamp_file" 2>/dev/null || true)
  stamp_hash=$(sed -n 's/^config //p' "$stamp_file" 2>/dev/null || true)
  if [[ -z $stamp_commit ]]; then
    echo "tidy: no $stamp_file: the whole tree"
  elif ! git cat-file -e "$stamp_commit^{commit}" 2>/dev/null; then
    echo "tidy: the stamp's commit $stamp_commit is not in this clone: the whole tree"
  elif [[ $stamp_hash != "$hash" ]]; then
    echo "tidy: .clang-tidy, clang-tidy or a compiler changed since $stamp_commit: the whole tree"
  else
    changed=$({
      git diff --name-only "$stamp_commit" --
      git ls-files --others --exclude-standard
    } | sort -u)
    # The translation units to check: changed sources, and those whose
    # dependencies name a changed header. A unit not built yet (no
    # dependencies known) is checked whenever a header changed. Make's
    # builds keep the compiler's dependency files; ninja reads them into its
    # own log and removes them, so there they come from `ninja -t deps`.
    ninja_deps=$(mktemp)
    [[ -f $build/build.ninja ]] && ninja -C "$build" -t deps >"$ninja_deps"
    mapfile -t units < <(CHANGED="$changed" ROOT="$root" SOURCES="$sources" python3 - "$build" "$ninja_deps" <<'PY'
import json, os, re, shlex, sys
build = sys.argv[1]
root = os.environ["ROOT"]
sources = re.compile(os.environ["SOURCES"])
changed = {os.path.join(root, f) for f in os.environ["CHANGED"].split("\n") if f}
headers = {f for f in changed if not f.endswith((".c", ".cc", ".cpp"))}
# ninja -t deps: "OBJECT: #deps N, deps mtime M (VALID)", then one
# dependency a line, indented, then a blank line.
ninja = {}
current = None
for line in open(sys.argv[2]).read().split("\n"):
    if line.startswith((" ", "\t")):
        if current is not None:
            ninja[current].add(os.path.normpath(os.path.join(build, line.strip())))
    elif ": #deps" in line:
        current = os.path.normpath(os.path.join(build, line.split(": #deps")[0]))
        ninja[current] = set()
for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
    unit = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if not sources.match(unit):
        continue
    if unit in changed:
        print(unit)
        continue
    if not headers:
        continue
    args = entry.get("arguments") or shlex.split(entry["command"])
    output = args[args.index("-o") + 1] if "-o" in args else None
    if output is not None and ninja:
        named = ninja.get(os.path.normpath(os.path.join(entry["directory"], output)))
    elif output is not None and os.path.exists(os.path.join(entry["directory"], output + ".d")):
        # The compiler writes OBJECT.d beside each object (-MD).
        with open(os.path.join(entry["directory"], output + ".d")) as deps:
            named = {os.path.normpath(os.path.join(entry["directory"], d))
                     for d in deps.read().replace("\\\n", " ").split() if not d.endswith(":")}
    else:
        named = None
    if named is None or named & headers:
        print(unit)
PY
    )
    rm -f "$ninja_deps"
    if ((${#units[@]} == 0)); then
      echo "tidy: no source changed since $stamp_commit"
      [[ $mode == stamp ]] && stamp_now
      exit 0
    fi
    echo "tidy: ${#units[@]} sources changed since $stamp_commit or include a changed header"
    files=()
    for unit in "${units[@]}"; do files+=("^$(sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$unit")\$"); done
  fi
fi

# run-clang-tidy 14 has no -warnings-as-errors of its own: a wrapper passes it
# to each clang-tidy, whose non-zero exit then fails the run.
wrapper=$(mktemp)
trap 'rm -f "$wrapper"' EXIT
cat >"$wrapper" <<WRAPPER
#!/bin/sh
exec $clang_tidy --warnings-as-errors='*' "\$@"
WRAPPER
chmod +x "$wrapper"

# clang's "N warnings generated." counts the warnings of system headers that
# are not shown; they are dropped from the log. The exit status is
# run-clang-tidy's (pipefail).
run-clang-tidy -quiet -p "$build" -j "$(nproc)" -clang-tidy-binary "$wrapper" \
  -header-filter "$sources" "${files[@]}" 2>&1 | sed -E '/^[0-9]+ warnings? generated\.$/d'

if [[ $mode == stamp ]]; then
  stamp_now
fi
