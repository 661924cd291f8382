#!/usr/bin/env bash
# pixavon.exe under wine on card images (--card), where Windows differs:
#  - list changes nothing of the card image, its time included;
#  - a card image is never restored from itself (by another spelling of its
#    name either), and no interrupted restore is told afterwards; a copy of
#    it restores;
#  - AUX.img, a device name, is no file to back up to, and "--force" is not
#    offered for it;
#  - a fresh card image on a volume without room for it: said in words, no
#    crash, nothing left (when a small volume can be mounted).
#   tool_card_images.sh LINUX_BUILD_DIR WIN32_BUILD_DIR
set -euo pipefail
linux_build=$(realpath "$1") win32_build=$(realpath "$2")
: "${WINEPREFIX:=$HOME/.wine}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all} LANG=C.UTF-8 LC_ALL=C.UTF-8
windows_tool=$win32_build/pixavon.exe

work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-card-images.XXXXXX")
small=
cleanup() {
  [[ -n $small ]] && umount -l "$small" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "tool_card_images: $*" >&2
  exit 1
}
windows() { (cd "$work" && wine "$windows_tool" "$@"); }

mkdir "$work/pictures"
"$linux_build/pixavon-demo-pictures" "$work/pictures" >/dev/null
"$linux_build/pixavon" --card "$work/card.bin" --size 8 put "$work"/pictures/* >/dev/null 2>&1
cp "$work/card.bin" "$work/before.bin"

# Listing changes nothing, not even the time.
stamp=$(stat -c %Y.%y "$work/card.bin")
sleep 1
windows --card card.bin list >/dev/null 2>"$work/err" || fail "list: $(cat "$work/err")"
[[ $(stat -c %Y.%y "$work/card.bin") == "$stamp" ]] || fail "list changed the card image's time"

# The card image itself, by two spellings: refused before anything is done.
for name in card.bin '.\CARD.bin'; do
  code=0
  windows --card card.bin restore --yes "$name" >/dev/null 2>"$work/err" || code=$?
  [[ $code -eq 2 ]] || fail "restore from itself ($name) ended $code: $(cat "$work/err")"
  grep -q "restored from itself" "$work/err" || fail "restore from itself: $(cat "$work/err")"
done
cmp -s "$work/card.bin" "$work/before.bin" || fail "a restore from itself changed the card"
windows --card card.bin list >/dev/null 2>"$work/err" || fail "list: $(cat "$work/err")"
[[ ! -s $work/err ]] || fail "after a refused restore: $(cat "$work/err")"
cp "$work/card.bin" "$work/copy.bin"
windows --card card.bin restore --yes copy.bin >/dev/null 2>"$work/err" || fail "restore of a copy: $(cat "$work/err")"

# A device name is no file: refused, and --force is not what helps.
code=0
windows --card card.bin backup AUX.img >/dev/null 2>"$work/err" || code=$?
[[ $code -eq 2 ]] || fail "backup AUX.img ended $code: $(cat "$work/err")"
! grep -q -- "--force" "$work/err" || fail "backup AUX.img offers --force: $(cat "$work/err")"

# No room for a fresh card: said, and nothing left under its name.
if mkdir "$work/small" && mount -t tmpfs -o size=4m tmpfs "$work/small" 2>/dev/null; then
  small=$work/small
  code=0
  windows --card "Z:${small//\//\\}\\new.bin" --size 8 info >/dev/null 2>"$work/err" || code=$?
  [[ $code -eq 1 ]] || fail "a card on a full volume ended $code: $(cat "$work/err")"
  grep -q "not enough space" "$work/err" || fail "a card on a full volume: $(cat "$work/err")"
  [[ -z $(ls -A "$small") ]] || fail "a card on a full volume left $(ls -A "$small")"
fi
echo "tool_card_images: list keeps the image as it was; restore from itself refused; AUX.img refused;" \
  "${small:+a full volume said in words}"
