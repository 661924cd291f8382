#!/usr/bin/env bash
# Installs the Windows installer silently in a wine prefix, checks what it
# put where (files, Apps & features entry, PATH, `pixavon --version` when the
# tool is in the package), uninstalls it silently, and checks that nothing is
# left: no folder, no registry key, PATH as it was before.
#   scripts/check-windows-package.sh SETUP.EXE
# Uses $WINEPREFIX if set (scripts/test-windows.sh's), else a prefix of its own.
set -euo pipefail
setup=$(realpath "$1")
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
else
  echo "windows package: pixavon.exe is not in this package; its checks skipped"
fi

# The uninstaller runs from a copy of itself: wait for it to end.
timeout 120 wine "$dir/uninstall.exe" /S
timeout 60 wineserver --wait || true
[[ ! -e "$dir" ]] || fail "left behind: $(find "$dir")"
if wine reg query "$uninstall_key" >/dev/null 2>&1; then fail "the Apps & features entry is left"; fi
[[ $(path_value) == "$path_before" ]] || fail "PATH is '$(path_value)', was '$path_before'"
echo "windows package: installs, registers, goes on PATH, and uninstalls leaving nothing"
