#!/usr/bin/env bash
# The main job: builds the library and the pixavon tool, then runs a short
# session on a camera emulated inside the tool: a fresh card, a few pictures
# put on it, the list, one photo saved as PNG, the new photos imported into a
# folder (twice: the second run finds nothing new), a contact sheet and a backup.
#
#   scripts/demo.sh [WORK_DIR]     (default: a new folder under /tmp)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${PIXAVON_BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target pixavon-tool pixavon-demo-pictures >/dev/null

work="${1:-$(mktemp -d /tmp/pixavon-demo-XXXXXX)}"
mkdir -p "$work/pictures"
card="$work/card.bin"
"$build/pixavon-demo-pictures" "$work/pictures" >/dev/null

pixavon() {
  printf '\n$ pixavon %s\n' "$*"
  "$build/pixavon" "$@"
}
pixavon --card "$card" --size 16 info
pixavon --card "$card" put "$work"/pictures/*.png "$work"/pictures/*.jpg
pixavon --card "$card" list
pixavon --card "$card" get 0 -o "$work/first.png" --force
pixavon --card "$card" import "$work/imported"
pixavon --card "$card" import "$work/imported"
pixavon --card "$card" contact-sheet "$work/contact-sheet.png" --force
pixavon --card "$card" backup "$work/backup.bin" --force
printf '\nThe card, the saved photo, the imported photos, the contact sheet and the backup are in %s\n' "$work"
