#!/usr/bin/env bash
# Listing and reading every photo of a full 16 MiB card through
# `pixavon mount`, against `pixavon get --all` on the same card.
#
#   bench/mount_vs_get.sh [BUILD_DIR] [RUNS]
#
# Both copy the 52 photos as the camera's bitmaps into a fresh folder on the
# same disk. The mount is timed from a freshly mounted folder (nothing read
# yet: `ls -l`, then `cp` of every slot-NN.bmp); mounting and unmounting are
# timed apart. Prints the median of RUNS (default 5) runs of each, and the
# ratio mount / get (the goal: at most 1.1), and each one's ratio to the floor:
# the camera's 10 ms pause for each of the 494 read commands of 32 KiB that
# cover the 52 slots. Needs /dev/fuse and fusermount3.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
tool="$build/pixavon"
work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-bench-mount-XXXXXX")
mnt="$work/mnt"
mount_pid=
cleanup() {
  if [[ -n $mount_pid ]]; then
    fusermount3 -u "$mnt" 2>/dev/null || true
    wait "$mount_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$mnt"

# A full 16 MiB card: 52 photos of noise, listed in slot order.
card="$work/card.bin"
head -c $((16 << 20)) /dev/urandom >"$card"
{
  printf 'KOV PHOTO CAM IMAGE'
  head -c $((256 - 19)) /dev/zero
  printf '\x34\x00\x34' # 52 photos, capacity code 52
  head -c $((512 - 259)) /dev/zero
  for ((slot = 0; slot < 52; slot++)); do
    head -c 8 /dev/zero
    printf "\\x$(printf %02x $slot)"
    head -c 7 /dev/zero
  done
  head -c $((8192 - 512 - 52 * 16)) /dev/zero | tr '\0' '\377'
} | dd of="$card" bs=8192 seek=$(((16 << 20) / 8192 - 1)) conv=notrunc status=none

now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

get_times=() mount_times=() setup_times=()
for ((run = 1; run <= runs; run++)); do
  out="$work/get-$run"
  start=$(now)
  "$tool" --card "$card" get --all -o "$out" >/dev/null 2>&1
  get_times+=("$(echo "$(now) - $start" | bc)")
  [[ $(ls "$out" | wc -l) -eq 52 ]] || { echo "get saved $(ls "$out" | wc -l) photos, not 52" >&2; exit 1; }
  rm -rf "$out"

  out="$work/mount-$run"
  mkdir "$out"
  start=$(now)
  "$tool" --card "$card" mount "$mnt" --read-only --foreground 2>/dev/null &
  mount_pid=$!
  until mountpoint -q "$mnt"; do
    kill -0 "$mount_pid" 2>/dev/null || { echo "the mount ended early" >&2; exit 1; }
    sleep 0.01
  done
  mounted=$(now)
  ls -l "$mnt" >/dev/null
  cp "$mnt"/slot-*.bmp "$out"/
  read_done=$(now)
  fusermount3 -u "$mnt"
  wait "$mount_pid"
  mount_pid=
  finished=$(now)
  mount_times+=("$(echo "$read_done - $mounted" | bc)")
  setup_times+=("$(echo "($mounted - $start) + ($finished - $read_done)" | bc)")
  [[ $(ls "$out" | wc -l) -eq 52 ]] || { echo "the mount gave $(ls "$out" | wc -l) photos, not 52" >&2; exit 1; }
  cmp -s "$out/slot-51.bmp" <("$tool" --card "$card" get 51 -o - --format bmp 2>/dev/null) || { echo "slot 51 differs" >&2; exit 1; }
  rm -rf "$out"
done

get=$(printf '%s\n' "${get_times[@]}" | median)
through_mount=$(printf '%s\n' "${mount_times[@]}" | median)
setup=$(printf '%s\n' "${setup_times[@]}" | median)
printf 'pixavon get --all (52 photos, 16 MiB card):   %.3f s  (median of %d)\n' "$get" "$runs"
printf 'ls -l + cp through pixavon mount:             %.3f s  (median of %d)\n' "$through_mount" "$runs"
printf 'mounting and unmounting, apart:               %.3f s\n' "$setup"
printf 'ratio mount / get: %.2f (goal: at most 1.10)\n' "$(echo "$through_mount / $get" | bc -l)"
floor=4.94 # 52 photos x 9.5 packets x 10 ms
printf 'ratio to the floor of %.2f s: get %.3f, ls -l + cp through the mount %.3f\n' "$floor" \
  "$(echo "$get / $floor" | bc -l)" "$(echo "$through_mount / $floor" | bc -l)"
