#!/usr/bin/env bash
# Installs the Windows installer silently in a wine prefix, checks what it
# put where (files, Apps & features entry, PATH, `pixavon --version` when the
# tool is in the package, the window and its Start menu entry with the
# window's icon when the window is; the version, icon and manifest Windows
# shows of each file), refuses to upgrade or uninstall while the window
# runs, uninstalls it silently, and checks that nothing is left: no folder,
# no Start menu entry, no registry key, no settings, PATH as it was before. Given the Linux build (its emulator and tool) and the Windows
# build (the camera's driver for wine), the installed tool, run by its name
# from PATH, also lists the photos of an emulated camera plugged into the
# prefix as the Linux tool lists them.
#
# The developer zip beside the installer (pixavon-VERSION-win32-dev.zip), when
# there is one, is unpacked into the prefix and checked and used as a
# developer would (tests/win32/dev/dev_checks.sh): the header compiled for
# mingw and MSVC, the import libraries against the DLL's exports, the sample
# built from the zip alone with mingw through the CMake package and for the
# MSVC ABI with pixavon.lib; then the installer installs its development
# files too (/DEV), which must be the zip's, and, with the builds given, both
# sample builds list and save a photo of the plugged-in camera, on a virtual
# display of their own.
#   scripts/check-windows-package.sh SETUP.EXE [LINUX_BUILD_DIR WIN32_BUILD_DIR]
# Uses $WINEPREFIX if set (scripts/test-windows.sh's), else a prefix of its own.
set -euo pipefail
repo=$(realpath "$(dirname "$0")/..")
# shellcheck source=tests/win32/plug_camera.sh
source "$repo/tests/win32/plug_camera.sh"
# shellcheck source=tests/win32/dev/dev_checks.sh
source "$repo/tests/win32/dev/dev_checks.sh"
setup=$(realpath "$1")
linux_build=${2:+$(realpath "$2")} win32_build=${3:+$(realpath "$3")}
dev_zip=${setup%-setup.exe}-win32-dev.zip
[[ -f $dev_zip ]] || dev_zip=
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
own_prefix='' xvfb='' emulator='' work=''
cleanup() {
  [[ -n $emulator ]] && kill "$emulator" 2>/dev/null || true
  if [[ -n $own_prefix ]]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
  [[ -z $work ]] || rm -rf "$work"
  [[ -z $dev_zip ]] || rm -rf "$WINEPREFIX/drive_c/pixavon-dev"
}
trap cleanup EXIT
if [[ -z "${WINEPREFIX:-}" ]]; then
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-package.XXXXXX")
  export WINEPREFIX
  own_prefix=1
  timeout 300 wineboot --init >/dev/null 2>&1
fi
timeout 60 wineserver --wait || true
work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-package-work.XXXXXX")
# The sample and pixavon-window.exe are windows: a display of their own for
# the whole session (the prefix's session, which windows belong to, starts
# with its first program).
if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 200); do
    [[ -s $work/display ]] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
  done
  [[ -s $work/display ]] || { echo "windows package: Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }
  DISPLAY=:$(head -n1 "$work/display")
  export DISPLAY
fi
if [[ -n $dev_zip ]]; then
  dev_build "$dev_zip" "$repo" "$work/dev"
fi

fail() {
  echo "windows package: $*" >&2
  exit 1
}
environment='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pixavon'
path_value() { wine reg query "$environment" /v PATH 2>/dev/null | tr -d '\r' | sed -n 's/^ *PATH *REG_[A-Z_]* *//p'; }
uninstall_value() { wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }

program_files=$(wine cmd /c 'echo %ProgramFiles%' 2>/dev/null | tr -d '\r')
dir=$(winepath -u "$program_files\\Pixavon")
path_before=$(path_value)
[[ ! -e "$dir" ]] || fail "$dir exists before installing"
program_data=$(wine cmd /c 'echo %ProgramData%' 2>/dev/null | tr -d '\r')
shortcut=$(winepath -u "$program_data\\Microsoft\\Windows\\Start Menu\\Programs\\Pixavon.lnk")
[[ ! -e "$shortcut" ]] || fail "$shortcut exists before installing"

timeout 120 wine "$setup" /S ${dev_zip:+/DEV}
timeout 60 wineserver --wait || true
for file in pixavon.dll README.txt LICENSE.txt uninstall.exe share/locale/{ja,zh_CN,zh_TW}/LC_MESSAGES/pixavon.mo; do
  [[ -f "$dir/$file" ]] || fail "$file not installed"
done
if [[ -n $dev_zip ]]; then
  # The Pixavon folder with its development files is the zip's folder.
  for folder in include lib doc examples; do
    diff -r "$dev_dir/$folder" "$dir/$folder" >/dev/null || fail "the installed $folder is not the developer zip's"
  done
  cmp -s "$dev_dir/pixavon.dll" "$dir/pixavon.dll" || fail "the developer zip's pixavon.dll is not the installed one"
  echo "windows package: the development files install with /DEV, as the developer zip holds them"
fi
grep -q $'\r$' "$dir/README.txt" || fail "README.txt without CRLF line endings"
[[ $(uninstall_value DisplayName) == Pixavon ]] || fail "no Apps & features entry"
[[ $(uninstall_value Publisher) == Pixavon ]] || fail "publisher missing"
[[ -n $(uninstall_value DisplayVersion) ]] || fail "version missing"
[[ -n $(uninstall_value EstimatedSize) ]] || fail "size missing"
[[ $(uninstall_value UninstallString) == *uninstall.exe* ]] || fail "uninstaller not registered"
[[ $(path_value) == "$path_before;$program_files\\Pixavon" ]] || fail "PATH is '$(path_value)'"
[[ ! -f "$dir/pixavon.exe" ]] || wine "$dir/pixavon.exe" --version | grep -q . || fail "pixavon --version printed nothing"
if [[ -n $linux_build && ( -f "$dir/pixavon.exe" || -n $dev_zip ) ]]; then
  camera=$work/camera
  mkdir -p "$camera/pictures"
  "$linux_build/pixavon-demo-pictures" "$camera/pictures" >/dev/null
  "$linux_build/pixavon" --card "$camera/card.bin" --size 8 put "$camera"/pictures/* >/dev/null 2>&1
  expected=$(LC_ALL=C.UTF-8 "$linux_build/pixavon" --card "$camera/card.bin" list)
  "$linux_build/pixavon" --card "$camera/card.bin" get 0 -o "$camera/first.bmp" >/dev/null 2>&1
  plug_camera "$camera/card.bin" "$linux_build" "$win32_build" "$camera/emu" || fail "no camera was plugged in"
  if [[ -f "$dir/pixavon.exe" ]]; then
    # A new session, as after installing: PATH as the installer left it.
    listed=$(LC_ALL=C.UTF-8 wine cmd /c pixavon list 2>&1 | tr -d '\r') || true
    [[ $listed == "$expected" ]] || fail "the installed pixavon lists the plugged-in camera as '$listed', not '$expected'"
    echo "windows package: the installed pixavon, found on PATH, lists the plugged-in camera's photos"
  fi
  [[ -z $dev_zip ]] || dev_run_samples "$work/dev" "$camera/first.bmp"
  kill -INT "$emulator" 2>/dev/null || true
  wait "$emulator" 2>/dev/null || true
  emulator=
  timeout 60 wineserver --wait || true
fi
[[ -f "$dir/pixavon.exe" ]] || echo "windows package: pixavon.exe is not in this package; its checks skipped"
# What Windows shows of each file (Properties, Task Manager, Apps & features):
# its version, the project's, with a description, company and copyright;
# the programs' icon and manifest (asInvoker, long paths); the DLL's string
# table and no manifest, so that its ANSI code page stays the system's.
version=$(uninstall_value DisplayVersion)
files=()
for file in pixavon.dll pixavon.exe pixavon-window.exe; do
  [[ ! -f "$dir/$file" ]] || files+=("$dir/$file")
done
python3 - "$version" "${files[@]}" <<'PY' || fail "the resources are not as Windows should show them"
import struct, sys
def check(path, version):
    exe = open(path, "rb").read()
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    sections, optional = struct.unpack_from("<H", exe, pe + 6)[0], struct.unpack_from("<H", exe, pe + 20)[0]
    for i in range(sections):
        name, _, address, _, raw = struct.unpack_from("<8sIIII", exe, pe + 24 + optional + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            break
    else:
        sys.exit(f"{path}: no resources")
    def entries(offset):  # a resource directory's (id, offset of its entry's target, is a directory)
        named, ids = struct.unpack_from("<HH", exe, raw + offset + 12)
        for e in range(named + ids):
            key, target = struct.unpack_from("<II", exe, raw + offset + 16 + 8 * e)
            yield key, target & 0x7FFFFFFF, bool(target & 0x80000000)
    def first_data(offset):  # the bytes of a type's first resource
        while True:
            _, offset, is_directory = next(entries(offset))
            if not is_directory:
                rva, size = struct.unpack_from("<II", exe, raw + offset)
                return exe[raw + rva - address: raw + rva - address + size]
    kinds = {key: target for key, target, _ in entries(0)}
    def node(blob, at):  # wLength, wValueLength, wType, key, value, children of a VERSIONINFO node
        length, value_length, kind = struct.unpack_from("<HHH", blob, at)
        end = blob.index(b"\0\0", at + 6)
        while (end - at - 6) % 2: end = blob.index(b"\0\0", end + 1)
        key = blob[at + 6:end].decode("utf-16-le")
        value_at = (end + 2 + 3) & ~3
        value = blob[value_at:value_at + value_length * (2 if kind == 1 else 1)]
        child = (value_at + len(value) + 3) & ~3
        children = []
        while child < at + length:
            children.append(node(blob, child))
            child = (child + children[-1][0] + 3) & ~3
        return length, key, value, children
    def strings(tree):
        for child in tree[3]:
            if child[3]:
                yield from strings(child)
            else:
                yield child[1], child[2].decode("utf-16-le").rstrip("\0")
    want = {16} | ({14, 24} if path.lower().endswith(".exe") else {6})
    if not want <= kinds.keys() or (path.lower().endswith(".dll") and 24 in kinds):
        sys.exit(f"{path}: resources of kinds {sorted(kinds)}")
    info = node(first_data(kinds[16]), 0)
    fixed = struct.unpack_from("<IIIIII", info[2], 0)
    texts = dict(item for child in info[3] if child[1] == "StringFileInfo" for item in strings(child))
    quad = f"{fixed[2] >> 16}.{fixed[2] & 0xFFFF}.{fixed[3] >> 16}.{fixed[3] & 0xFFFF}"
    if fixed[0] != 0xFEEF04BD or quad != version + ".0" or texts.get("ProductVersion") != version:
        sys.exit(f"{path}: version {quad}, {texts.get('ProductVersion')}, not {version}")
    for key in ("FileDescription", "CompanyName", "LegalCopyright", "ProductName", "OriginalFilename"):
        if not texts.get(key):
            sys.exit(f"{path}: no {key}")
    if texts["OriginalFilename"].lower() != path.rsplit("/", 1)[-1].lower():
        sys.exit(f"{path}: named {texts['OriginalFilename']}")
    if 24 in kinds:
        manifest = first_data(kinds[24]).decode("utf-8")
        for needed in ('level="asInvoker"', "<longPathAware", "<supportedOS"):
            if needed not in manifest:
                sys.exit(f"{path}: the manifest has no {needed}")
        if "activeCodePage" in manifest:
            sys.exit(f"{path}: the manifest sets a code page")
for path in sys.argv[2:]:
    check(path, sys.argv[1])
PY
echo "windows package: the DLL and the programs carry version $version, the programs their icon and manifest"
if [[ -f "$dir/pixavon-window.exe" ]]; then
  for lang in ja zh_CN zh_TW; do
    [[ -f "$dir/share/locale/$lang/LC_MESSAGES/pixavon-window.mo" ]] || fail "the window's $lang catalogue not installed"
  done
  [[ -f "$shortcut" ]] || fail "no Start menu entry for the window"
  # The entry starts the window (its path is in the link, in UTF-16 or in
  # the ANSI code page), whose icon is the one shown, there and in Apps &
  # features.
  python3 - "$shortcut" <<'PY' || fail "the Start menu entry does not start pixavon-window.exe"
import sys
link = open(sys.argv[1], "rb").read().lower()
name = "pixavon-window.exe"
sys.exit(0 if name.encode() in link or name.encode("utf-16-le") in link else 1)
PY
  [[ $(uninstall_value DisplayIcon) == *pixavon-window.exe* ]] || fail "Apps & features shows no window icon"
  echo "windows package: the window is installed, in the Start menu with its icon"
else
  echo "windows package: pixavon-window.exe is not in this package; its checks skipped"
fi

# With the window running, neither an upgrade nor the uninstaller touches
# Pixavon: silent, they cannot ask to close it, and refuse (exit 2), leaving
# it installed and listed. The uninstaller runs in place (_?=, the folder as
# words wine joins without quotes) to give its exit status.
if [[ -f "$dir/pixavon-window.exe" && -n ${DISPLAY:-} ]]; then
  wine "$dir/pixavon-window.exe" >/dev/null 2>&1 &
  window=$!
  # Running once wine lists it (its tasklist lists nothing), its program
  # mapped a moment later.
  for _ in $(seq 60); do
    processes=$(wine winedbg --command "info process" 2>/dev/null) || true
    [[ $processes == *"'pixavon-window.exe'"* ]] && break
    sleep 0.5
  done
  sleep 1
  status=0
  timeout 120 wine "$setup" /S || status=$?
  ((status == 2)) || fail "installing over the running window ended with $status, not a refusal"
  read -ra words <<<"$(winepath -w "$dir")"
  words[0]="_?=${words[0]}"
  status=0
  timeout 120 wine "$dir/uninstall.exe" /S "${words[@]}" || status=$?
  ((status == 2)) || fail "uninstalling with the window running ended with $status, not a refusal"
  for file in pixavon.dll pixavon-window.exe uninstall.exe; do
    [[ -f "$dir/$file" ]] || fail "the refused uninstall removed $file"
  done
  [[ $(uninstall_value DisplayName) == Pixavon ]] || fail "the refused uninstall took Pixavon out of Apps & features"
  # Closed as a person closes it; ended if it does not close.
  wine taskkill /im pixavon-window.exe >/dev/null 2>&1 || true
  for _ in $(seq 40); do
    kill -0 "$window" 2>/dev/null || break
    sleep 0.25
  done
  kill "$window" 2>/dev/null || true
  wait "$window" || true
  echo "windows package: installing and uninstalling wait for the running window to be closed"
fi
# The person's settings go with Pixavon.
wine reg add 'HKCU\Software\Pixavon\Window' /v ImportFolder /d 'C:\Pixavon' /f >/dev/null 2>&1
# The uninstaller runs from a copy of itself: wait for it to end.
timeout 120 wine "$dir/uninstall.exe" /S
timeout 60 wineserver --wait || true
[[ ! -e "$dir" ]] || fail "left behind: $(find "$dir")"
[[ ! -e "$shortcut" ]] || fail "the Start menu entry is left"
if wine reg query "$uninstall_key" >/dev/null 2>&1; then fail "the Apps & features entry is left"; fi
if wine reg query 'HKCU\Software\Pixavon' >/dev/null 2>&1; then fail "the settings are left"; fi
[[ $(path_value) == "$path_before" ]] || fail "PATH is '$(path_value)', was '$path_before'"
echo "windows package: installs, registers, goes on PATH, and uninstalls leaving nothing"
