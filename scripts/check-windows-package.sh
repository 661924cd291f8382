#!/usr/bin/env bash
# Installs the Windows installer silently in a wine prefix, checks what it
# put where (files, Apps & features entry, PATH, `pixavon --version` when the
# tool is in the package, the window and its Start menu entry with the
# window's icon when the window is), uninstalls it silently, and checks that
# nothing is left: no folder, no Start menu entry, no registry key, PATH as it
# was before. Given the Linux build (its emulator and tool) and the Windows
# build (the camera's driver for wine), the installed tool, run by its name
# from PATH, also lists the photos of an emulated camera plugged into the
# prefix as the Linux tool lists them.
#   scripts/check-windows-package.sh SETUP.EXE [LINUX_BUILD_DIR WIN32_BUILD_DIR]
# Uses $WINEPREFIX if set (scripts/test-windows.sh's), else a prefix of its own.
set -euo pipefail
# shellcheck source=tests/win32/plug_camera.sh
source "$(dirname "$0")/../tests/win32/plug_camera.sh"
setup=$(realpath "$1")
linux_build=${2:+$(realpath "$2")} win32_build=${3:+$(realpath "$3")}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ -z "${WINEPREFIX:-}" ]]; then
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-package.XXXXXX")
  export WINEPREFIX
  trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
  timeout 300 wineboot --init >/dev/null 2>&1
fi
timeout 60 wineserver --wait || true

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

timeout 120 wine "$setup" /S
timeout 60 wineserver --wait || true
for file in pixavon.dll README.txt LICENSE.txt uninstall.exe share/locale/{ja,zh_CN,zh_TW}/LC_MESSAGES/pixavon.mo; do
  [[ -f "$dir/$file" ]] || fail "$file not installed"
done
grep -q $'\r$' "$dir/README.txt" || fail "README.txt without CRLF line endings"
[[ $(uninstall_value DisplayName) == Pixavon ]] || fail "no Apps & features entry"
[[ $(uninstall_value Publisher) == Pixavon ]] || fail "publisher missing"
[[ -n $(uninstall_value DisplayVersion) ]] || fail "version missing"
[[ -n $(uninstall_value EstimatedSize) ]] || fail "size missing"
[[ $(uninstall_value UninstallString) == *uninstall.exe* ]] || fail "uninstaller not registered"
[[ $(path_value) == "$path_before;$program_files\\Pixavon" ]] || fail "PATH is '$(path_value)'"
if [[ -f "$dir/pixavon.exe" ]]; then
  wine "$dir/pixavon.exe" --version | grep -q . || fail "pixavon --version printed nothing"
  if [[ -n $linux_build ]]; then
    work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-package-camera.XXXXXX")
    mkdir "$work/pictures"
    "$linux_build/pixavon-demo-pictures" "$work/pictures" >/dev/null
    "$linux_build/pixavon" --card "$work/card.bin" --size 8 put "$work"/pictures/* >/dev/null 2>&1
    expected=$(LC_ALL=C.UTF-8 "$linux_build/pixavon" --card "$work/card.bin" list)
    plug_camera "$work/card.bin" "$linux_build" "$win32_build" "$work/emu" || fail "no camera was plugged in"
    # A new session, as after installing: PATH as the installer left it.
    listed=$(LC_ALL=C.UTF-8 wine cmd /c pixavon list 2>&1 | tr -d '\r') || true
    kill -INT "$emulator" 2>/dev/null || true
    wait "$emulator" 2>/dev/null || true
    timeout 60 wineserver --wait || true
    rm -rf "$work"
    [[ $listed == "$expected" ]] || fail "the installed pixavon lists the plugged-in camera as '$listed', not '$expected'"
    echo "windows package: the installed pixavon, found on PATH, lists the plugged-in camera's photos"
  fi
else
  echo "windows package: pixavon.exe is not in this package; its checks skipped"
fi
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
  # Its resources hold an icon, a manifest and a version.
  python3 - "$dir/pixavon-window.exe" <<'PY' || fail "pixavon-window.exe lacks its icon, manifest or version"
import struct, sys
exe = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", exe, 0x3C)[0]
sections, optional = struct.unpack_from("<H", exe, pe + 6)[0], struct.unpack_from("<H", exe, pe + 20)[0]
table = pe + 24 + optional
for i in range(sections):
    name, _, _, _, raw = struct.unpack_from("<8sIIII", exe, table + 40 * i)
    if name.rstrip(b"\0") == b".rsrc":
        named, ids = struct.unpack_from("<HH", exe, raw + 12)
        kinds = {struct.unpack_from("<I", exe, raw + 16 + 8 * e)[0] for e in range(named + ids)}
        sys.exit(0 if {14, 16, 24} <= kinds else 1)  # group icon, version, manifest
sys.exit(1)
PY
  echo "windows package: the window is installed, in the Start menu with its icon"
else
  echo "windows package: pixavon-window.exe is not in this package; its checks skipped"
fi

# The uninstaller runs from a copy of itself: wait for it to end.
timeout 120 wine "$dir/uninstall.exe" /S
timeout 60 wineserver --wait || true
[[ ! -e "$dir" ]] || fail "left behind: $(find "$dir")"
[[ ! -e "$shortcut" ]] || fail "the Start menu entry is left"
if wine reg query "$uninstall_key" >/dev/null 2>&1; then fail "the Apps & features entry is left"; fi
[[ $(path_value) == "$path_before" ]] || fail "PATH is '$(path_value)', was '$path_before'"
echo "windows package: installs, registers, goes on PATH, and uninstalls leaving nothing"
