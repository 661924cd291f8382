#!/usr/bin/env bash
# Runs one session (differential_session.c) twice from copies of one card:
# through libpixavon.so on a socket camera and through pixavon.dll under wine
# on a camera plugged into $WINEPREFIX, each emulator with the same faults and
# a trace. Then the string table in each of its languages on both. Fails with a
# diff unless transcripts, files written, traces and cards agree byte for byte.
#   differential.sh LINUX_BUILD_DIR WIN32_BUILD_DIR
set -euo pipefail
linux_build=$(realpath "$1") win32_build=$(realpath "$2")
: "${WINEPREFIX:=$HOME/.wine}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
# The library's boxes are windows: a virtual display, unless one is given.
on_display=(xvfb-run -a)
[[ -z ${PIXAVON_TEST_DISPLAY:-} ]] || on_display=()
emu=$linux_build/pixavon-emu
linux_session=$linux_build/pixavon_differential_session
windows_session=$win32_build/pixavon_differential_session.exe
# The first backup fails in its fourth 32 KiB read (the 1,595th block read in
# the session), the second upload in its 76th block (the 700th written), and
# the camera is unplugged in the last backup, once it has taken the packet of
# its sixth read (the session's 18,512th command).
faults=(--fail-read 1595 --fail-write 700 --unplug-after 18512)

work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-differential.XXXXXX")
emulators=()
cleanup() {
  for pid in "${emulators[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 0700 "$work/dev"
mkdir "$work/linux" "$work/windows"

# Starts an emulator on card $1 with trace $2 and the remaining arguments;
# waits for its first line, the device path.
start_emulator() {
  local card=$1 trace=$2 out
  shift 2
  out=$(mktemp "$work/emu-out.XXXXXX")
  "$emu" --card "$card" --trace "$trace" "${faults[@]}" "$@" >"$out" 2>>"$work/emu-stderr.txt" &
  emulators+=($!)
  for _ in $(seq 2400); do  # a cold wine prefix is slow to plug into
    [[ -s "$out" ]] && return 0
    kill -0 "$!" 2>/dev/null || break
    sleep 0.05
  done
  echo "the emulator did not start:" >&2
  cat "$work/emu-stderr.txt" >&2
  exit 1
}

# Stops every emulator; each saves its card.
stop_emulators() {
  for pid in "${emulators[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${emulators[@]}"; do wait "$pid" || true; done
  emulators=()
}

# The card: a fresh one, as the emulator makes it.
start_emulator "$work/card.bin" /dev/null --create 8 --dir "$work/dev" --name fresh
stop_emulators
cp "$work/card.bin" "$work/linux.card"
cp "$work/card.bin" "$work/windows.card"

start_emulator "$work/linux.card" "$work/linux.trace" --dir "$work/dev"
start_emulator "$work/windows.card" "$work/windows.trace" --wine-prefix "$WINEPREFIX" --wine-files "$win32_build"
(cd "$work/linux" && LANG=C.UTF-8 LC_ALL=C.UTF-8 PIXAVON_DEVICE_DIR="$work/dev" "$linux_session" session \
  >"$work/linux.transcript")
(cd "$work/windows" && LANG=C.UTF-8 LC_ALL=C.UTF-8 "${on_display[@]}" wine "$windows_session" session \
  >"$work/windows.transcript")
stop_emulators

# The string table in each of its languages; the text goes out as UTF-8.
for locale in C.UTF-8 zh_TW.UTF-8 zh_HK.UTF-8 zh_CN.UTF-8 zh_SG.UTF-8 ja_JP.UTF-8; do
  for side in linux windows; do
    echo "== $locale" >>"$work/$side.transcript"
  done
  LANG=$locale LC_ALL=$locale "$linux_session" strings >>"$work/linux.transcript"
  LANG=$locale LC_ALL=$locale wine "$windows_session" strings >>"$work/windows.transcript"
done

status=0
# compare WHAT LINUX_FILE WINDOWS_FILE [text]: a text's difference is shown
# as a diff, a binary's first differing byte.
compare() {
  if ! cmp -s "$2" "$3"; then
    echo "differential: the $1 differ (linux, windows):" >&2
    if [[ ${4:-} == text ]]; then diff -u "$2" "$3" >&2 || true; else cmp "$2" "$3" >&2 || true; fi
    status=1
  fi
}
compare transcripts "$work/linux.transcript" "$work/windows.transcript" text
compare "command traces" "$work/linux.trace" "$work/windows.trace" text
compare "cards afterwards" "$work/linux.card" "$work/windows.card"
(cd "$work/linux" && find . -type f | sort) >"$work/linux.files"
(cd "$work/windows" && find . -type f | sort) >"$work/windows.files"
compare "lists of files" "$work/linux.files" "$work/windows.files" text
while read -r file; do
  [[ -f "$work/windows/$file" ]] && compare "files $file" "$work/linux/$file" "$work/windows/$file"
done <"$work/linux.files"
if [[ $status -eq 0 ]]; then
  echo "differential: transcripts ($(wc -l <"$work/linux.transcript") lines), $(wc -l <"$work/linux.files") files," \
    "traces ($(wc -l <"$work/linux.trace") commands) and cards agree"
fi
exit $status
