#!/usr/bin/env bash
# pixavon.exe under wine in Japanese, on a camera plugged into $WINEPREFIX,
# against the Linux tool on copies of the same card:
#  - import into a folder whose name is outside code page 932 (图片) gives the
#    files the Linux tool's import gives, pixel for pixel;
#  - a second import adds nothing;
#  - what it says is Japanese, in UTF-8 when redirected;
#  - its backup equals the card byte for byte;
#  - --card on that backup lists what the Linux tool lists on the card.
#   tool_on_camera.sh LINUX_BUILD_DIR WIN32_BUILD_DIR
set -euo pipefail
linux_build=$(realpath "$1") win32_build=$(realpath "$2")
: "${WINEPREFIX:=$HOME/.wine}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
linux_tool=$linux_build/pixavon
windows_tool=$win32_build/pixavon.exe

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
mkdir "$work/pictures"
"$linux_build/pixavon-demo-pictures" "$work/pictures" >/dev/null
"$linux_tool" --card "$work/card.bin" --size 8 put "$work"/pictures/* >/dev/null 2>&1
cp "$work/card.bin" "$work/linux.card"
"$linux_tool" --card "$work/linux.card" import "$work/linux" >/dev/null 2>&1

# The same card in a camera plugged into the prefix; the emulator prints the
# device path once the camera is there.
"$linux_build/pixavon-emu" --card "$work/card.bin" --wine-prefix "$WINEPREFIX" --wine-files "$win32_build" \
  >"$work/emu.out" 2>"$work/emu.err" &
emulator=$!
for _ in $(seq 2400); do
  [[ -s "$work/emu.out" ]] && break
  kill -0 "$emulator" 2>/dev/null || fail "the emulator did not start: $(cat "$work/emu.err")"
  sleep 0.05
done
windows() { (cd "$work" && xvfb-run -a wine "$windows_tool" "$@"); }

windows import 图片 >"$work/first.txt" 2>"$work/first.err" || fail "import failed: $(cat "$work/first.err")"
windows import 图片 >"$work/second.txt" 2>"$work/second.err" || fail "second import failed: $(cat "$work/second.err")"
windows backup backup.bin >"$work/backup.txt" 2>&1 || fail "backup failed: $(cat "$work/backup.txt")"
kill -TERM "$emulator"
wait "$emulator" || true
emulator=

# The same files, and in them the same pixels (the PNG encoders differ).
diff <(cd "$work/linux" && ls) <(cd "$work/图片" && ls) || fail "import saved other files than on Linux"
python3 - "$work/linux" "$work/图片" <<'PY' || fail "the imported pictures differ from Linux's"
import os, struct, sys, zlib

def pixels(path):
    """The rows of an 8-bit, non-interlaced RGB or RGBA PNG, unfiltered."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, (path, depth, colour, interlace)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    step = 3 if colour == 2 else 4
    raw, stride, rows, prior = zlib.decompress(idat), width * step, [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - step] if x >= step else 0
            b, c = prior[x], prior[x - step] if x >= step else 0
            if kind == 1: line[x] = (line[x] + a) & 255
            elif kind == 2: line[x] = (line[x] + b) & 255
            elif kind == 3: line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line) if step == 3 else bytes(v for i, v in enumerate(line) if i % 4 != 3))
        prior = line
    return width, height, rows

linux, windows = sys.argv[1:]
names = sorted(n for n in os.listdir(linux) if n.endswith(".png"))
for name in names:
    if pixels(os.path.join(linux, name)) != pixels(os.path.join(windows, name)):
        sys.exit(f"{name}: other pixels")
PY
photos=$(ls "$work/linux" | wc -l)
[[ $photos -ge 3 ]] || fail "the Linux import saved $photos photos"

# Japanese, as UTF-8; the second import finds every photo there already.
grep -q "に取り込みました" "$work/first.txt" || fail "the import did not speak Japanese: $(cat "$work/first.txt")"
grep -q "新しい写真 0 枚" "$work/second.txt" || fail "the second import added photos: $(cat "$work/second.txt")"
[[ $(ls "$work/图片" | wc -l) -eq $photos ]] || fail "the second import changed the folder"

cmp "$work/backup.bin" "$work/card.bin" || fail "the backup differs from the card"

# The backup browsed without a camera lists what the Linux tool lists.
"$linux_tool" --card "$work/linux.card" list >"$work/linux-list.txt"
windows --card backup.bin list >"$work/windows-list.txt" 2>"$work/list.err" || fail "--card list failed: $(cat "$work/list.err")"
# Lines end in CR LF on Windows.
diff -u "$work/linux-list.txt" <(tr -d '\r' <"$work/windows-list.txt") || fail "--card on the backup lists otherwise than Linux"
cmp -s "$work/backup.bin" "$work/card.bin" || fail "--card list changed the backup"
echo "tool_on_camera: $photos photos imported alike, nothing added again, Japanese output, backup equal, --card lists it"
