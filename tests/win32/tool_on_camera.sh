#!/usr/bin/env bash
# pixavon.exe under wine, on a camera plugged into $WINEPREFIX and found by
# pixavon.dll's own discovery, held against the Linux tool on a copy of the
# same card: one session of the tool's commands (info, list, get to BMP, PNG
# and JPEG, import with its options, backup, rescue with and without repair,
# put, rm, contact-sheet, raw, strings, format, restore) run on both, each
# command ending alike with the same standard output (its lines ended with
# CR LF), and every file either makes the same: BMPs and backups byte for
# byte, PNGs and JPEGs pixel for pixel. Then, in Japanese:
#  - a second import adds nothing, and what the tool says is Japanese;
#  - the backup equals the card, and --card on it lists the card's photos;
# and import, get and backup into folders named in the ANSI code page of
# Japanese, Simplified Chinese and Western European Windows, and outside it.
# As Windows people expect it: paths shown with \ alone, wildcards expanded
# by the tool, strings --lang, no camera and mount said in Windows' terms.
#   tool_on_camera.sh LINUX_BUILD_DIR WIN32_BUILD_DIR
set -euo pipefail
# shellcheck source=tests/win32/plug_camera.sh
source "$(dirname "$0")/plug_camera.sh"
# One virtual display for every run (the library's boxes are windows).
[[ -n ${DISPLAY:-} ]] || exec xvfb-run -a "$0" "$@"
linux_build=$(realpath "$1") win32_build=$(realpath "$2")
: "${WINEPREFIX:=$HOME/.wine}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
linux_tool=$linux_build/pixavon
windows_tool=$win32_build/pixavon.exe
same_pixels=$linux_build/pixavon_same_pixels

work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-tool-wine.XXXXXX")
emulator=
cleanup() {
  [[ -n $emulator ]] && kill "$emulator" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "tool_on_camera: $*" >&2
  exit 1
}

# The card: the demo pictures put on a fresh 8 MiB card by the Linux tool.
mkdir "$work/pictures" "$work/linux" "$work/windows"
"$linux_build/pixavon-demo-pictures" "$work/pictures" >/dev/null
"$linux_tool" --card "$work/card.bin" --size 8 put "$work"/pictures/* >/dev/null 2>&1
cp "$work/card.bin" "$work/linux.card"
cp "$work/card.bin" "$work/original.bin"
cp "$work/pictures"/*.png "$work/linux/"
cp "$work/pictures"/*.png "$work/windows/"

windows() { (cd "$work/windows" && wine "$windows_tool" "$@"); }
# No camera yet: what a Windows user checks (no device folder); mount is
# refused at once, and not offered in the help.
! windows info >/dev/null 2>"$work/none.err" || fail "info found a camera before one was plugged in"
grep -q "^pixavon: カメラが見つかりません。.*ドライバー" "$work/none.err" || fail "no camera: $(cat "$work/none.err")"
! windows mount here >/dev/null 2>"$work/mount.err" || fail "mount did not fail"
grep -q "Windows では mount を使えません" "$work/mount.err" || fail "mount: $(cat "$work/mount.err")"
! windows --help | grep -q mount || fail "--help offers mount"

# The same card in a camera plugged into the prefix; the emulator prints the
# device path once the camera is there.
plug_camera "$work/card.bin" "$linux_build" "$win32_build" "$work/emu" || fail "no camera was plugged in"
linux() { (cd "$work/linux" && "$linux_tool" --card ../linux.card "$@"); }
# Runs a command on both; they must end alike and print the same (from line
# $from on), paths with \ on Windows where Linux has /.
both() {
  local linux_code=0 windows_code=0
  linux "$@" >"$work/linux.out" 2>"$work/linux.err" || linux_code=$?
  windows "$@" >"$work/windows.out" 2>"$work/windows.err" || windows_code=$?
  [[ $linux_code -eq $windows_code ]] ||
    fail "$*: exit $windows_code on Windows, $linux_code on Linux: $(cat "$work/windows.err")"
  grep -q $'\r$' "$work/windows.out" || [[ ! -s "$work/windows.out" ]] || fail "$*: lines not ended with CR LF"
  diff -u <(tail -n +"${from:-1}" "$work/linux.out" | tr / '\\') <(tr -d '\r' <"$work/windows.out" | tail -n +"${from:-1}") >&2 ||
    fail "$*: other output than on Linux"
}

# The camera is the one attached, not a card image (line 1).
from=2 both info
grep -q "このコンピューターにつないだカメラ" "$work/windows.out" || fail "info: $(cat "$work/windows.out")"
both list
# 图片 is outside code page 932, 写真 inside it.
both import 图片
cp "$work/windows.out" "$work/first.txt"
both import 图片
cp "$work/windows.out" "$work/second.txt"
both import --name '{n:03}-{slot}.bmp' --again 写真
both get 0 -o 图片/one.bmp
both get 1 -o 写真/one.png
both get --all -o 图片/all --format jpeg
both backup 图片/backup.bin
cmp "$work/windows/图片/backup.bin" "$work/original.bin" || fail "the backup differs from the card"
both contact-sheet sheet.png
both raw read 0xFFE0 20
both strings
both strings --lang en
both put 图片/one.png portrait.png
both rm 0 2
both format --yes
both list

# The camera's driver hands over 512 bytes per call, slowly under wine: the
# rest reads the card through --card, on copies of the card as it was.
cp "$work/original.bin" "$work/linux/copy.bin"
cp "$work/original.bin" "$work/windows/copy.bin"
linux() { (cd "$work/linux" && "$linux_tool" "$@"); }
both --card copy.bin rescue -o rescued
both --card copy.bin rm 1
both --card copy.bin rescue -o repaired --repair --yes
# Wildcards: the shell expands them on Linux, pixavon.exe itself on Windows
# (cmd.exe passes them on); a pattern that matches nothing is refused.
(cd "$work/linux" && "$linux_tool" --card copy.bin put rescued/picture-0*.png) >"$work/linux.out" 2>/dev/null
windows --card copy.bin put 'rescued\picture-0*.png' >"$work/windows.out" 2>/dev/null || fail "put with a wildcard failed"
diff -u <(tr / '\\' <"$work/linux.out") <(tr -d '\r' <"$work/windows.out") >&2 || fail "put with a wildcard"
code=0
windows --card copy.bin put 'rescued\none-*.png' 2>/dev/null || code=$?
[[ $code -eq 2 ]] || fail "a wildcard that matches nothing: exit $code"
# A \\?\ folder, which takes no /, as a target.
long="\\\\?\\Z:$(tr / '\\' <<<"$work/windows/long")"
windows --card copy.bin get --all -o "$long" >/dev/null 2>"$work/long.err" || fail "get -o $long: $(cat "$work/long.err")"
linux --card copy.bin get --all -o long >/dev/null 2>&1
both --card copy.bin list

# Every file made alike (the import index holds times of its own).
diff <(cd "$work/linux" && find . | sort) <(cd "$work/windows" && find . | sort) >&2 ||
  fail "other files made than on Linux"
while IFS= read -r -d '' file; do
  case $file in
    *.png) "$same_pixels" "$work/linux/$file" "$work/windows/$file" || fail "$file: other pixels" ;;
    # Wine's WIC JPEG encoder keeps its own quality: close, not the same.
    *.jpg) "$same_pixels" "$work/linux/$file" "$work/windows/$file" 3 || fail "$file: other pixels" ;;
    *) cmp "$work/linux/$file" "$work/windows/$file" || fail "$file differs" ;;
  esac
done < <(cd "$work/linux" && find . -type f -not -name '.pixavon-import' -print0)

# Japanese, as UTF-8; the second import finds every photo there already.
photos=$(ls "$work/linux/图片"/*.png | wc -l)
[[ $photos -ge 3 ]] || fail "the Linux import saved $photos photos"
grep -q "に取り込みました" "$work/first.txt" || fail "the import did not speak Japanese: $(cat "$work/first.txt")"
grep -q "新しい写真 0 枚" "$work/second.txt" || fail "the second import added photos: $(cat "$work/second.txt")"

# The backup browsed without a camera lists what the Linux tool lists.
cp "$work/original.bin" "$work/listed.bin"
"$linux_tool" --card "$work/listed.bin" list >"$work/linux-list.txt"
windows --card 图片/backup.bin list >"$work/windows-list.txt" 2>"$work/list.err" ||
  fail "--card list failed: $(cat "$work/list.err")"
diff -u "$work/linux-list.txt" <(tr -d '\r' <"$work/windows-list.txt") || fail "--card on the backup lists otherwise than Linux"
cmp -s "$work/windows/图片/backup.bin" "$work/original.bin" || fail "--card list changed the backup"

# Folders named in each ANSI code page (the one outside it, 图片, came
# above), on the card as it was. Wine takes the ANSI code page from the
# locale it starts in: 932, 936 and 1252 for these.
cp "$work/original.bin" "$work/windows/copy.bin"
for case in ja_JP.UTF-8:写真 zh_CN.UTF-8:图片 en_US.UTF-8:Café; do
  IFS=: read -r locale folder <<<"$case"
  export LC_ALL=$locale LANG=$locale
  folder=$folder-${locale%%.*}
  { windows --card copy.bin import "$folder" && windows --card copy.bin get 0 -o "$folder/one.bmp" &&
    windows --card copy.bin backup "$folder/backup.bin"; } >/dev/null 2>"$work/cp.err" ||
    fail "$locale, folder $folder: $(cat "$work/cp.err")"
  cmp "$work/windows/$folder/backup.bin" "$work/original.bin" || fail "$locale, folder $folder: other backup"
  cmp "$work/windows/$folder/one.bmp" "$work/linux/图片/one.bmp" || fail "$locale, folder $folder: other photo"
  diff <(ls "$work/linux/图片" | grep -v '^one\.\|^all$\|^backup\.bin$') <(ls "$work/windows/$folder" | grep -v '^one\.\|^backup\.bin$') ||
    fail "$locale, folder $folder: other import"
done

kill -TERM "$emulator"
wait "$emulator" || true
emulator=
echo "tool_on_camera: $photos photos; every command alike on both; Japanese output; backup equal; --card lists it;" \
  "folders in code pages 932, 936, 1252 and outside them; wildcards, \\ paths, \\\\?\\ folders, no camera and mount"
