#!/usr/bin/env bash
# Formats the tree's C and C++ sources in place with clang-format and the
# root's .clang-format. With --check nothing is changed: the files whose format
# differs are printed and the script fails (CI's check).
# CLANG_FORMAT names another clang-format binary (default: clang-format, 14 on
# Debian bookworm; another version may format a few constructs differently).
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}
check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

# Tracked files and new ones not ignored, so build directories stay out.
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
  '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' | sort -u)
# Files deleted in the worktree but still in the index.
existing=()
for f in "${files[@]}"; do [[ -f $f ]] && existing+=("$f"); done

if ((!check)); then
  printf '%s\0' "${existing[@]}" | xargs -0 -n 16 -P "$(nproc)" "$clang_format" -i --style=file
  exit 0
fi

differ=()
for f in "${existing[@]}"; do
  "$clang_format" --style=file "$f" | cmp -s - "$f" || differ+=("$f")
done
if ((${#differ[@]})); then
  echo "Not formatted as .clang-format says (run scripts/format.sh):" >&2
  printf '  %s\n' "${differ[@]}" >&2
  exit 1
fi
echo "format: ${#existing[@]} files as .clang-format says"
