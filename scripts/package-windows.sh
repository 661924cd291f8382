#!/usr/bin/env bash
# The Windows packages from the 32-bit Windows build: stages pixavon.dll,
# pixavon.exe and the window pixavon-window.exe once they are built, the
# catalogues (share/locale beside them), and README and licence with CRLF
# line endings; then makes the zip and the installer
# (packaging/windows/pixavon.nsi, with the programs' icon) in BUILD/package/.
# And the developer zip, pixavon.dll with the files to build a host with (header,
# import libraries for mingw and MSVC, .def, CMake package, the header's
# reference, a sample host): the install rules' component dev, laid out as
# the installer's optional "Development files" put them beside the DLL.
#   scripts/package-windows.sh [BUILD]   (default build-win32)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win32}
version=$(sed -n 's/^project(pixavon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --build "$build" -j"$(nproc)" --target pixavon pixavon_translations docs pixavon_icon >/dev/null
if [[ ! -f $build/lib/pixavon.lib ]]; then
  echo "package-windows: $build has no lib/pixavon.lib, MSVC's import library: install llvm-dlltool" \
    "(Debian: llvm) and configure $build again" >&2
  exit 1
fi

out=$build/package
stage=$out/pixavon-$version
rm -rf "$out"
mkdir -p "$stage"
cp "$build/pixavon.dll" "$stage/"
nsis_defines=()
if [[ -f "$build/pixavon.exe" ]]; then
  cp "$build/pixavon.exe" "$stage/"
  nsis_defines+=(-DHAVE_EXE)
fi
if [[ -f "$build/pixavon-window.exe" ]]; then
  cp "$build/pixavon-window.exe" "$stage/"
  nsis_defines+=(-DHAVE_WINDOW)
fi
# The build's debugging information stays in the build.
for program in "$stage"/*.exe; do
  [[ -e "$program" ]] && i686-w64-mingw32-strip --strip-debug "$program"
done
for lang in ja zh_CN zh_TW; do
  mkdir -p "$stage/share/locale/$lang/LC_MESSAGES"
  cp "$build/share/locale/$lang/LC_MESSAGES/pixavon.mo" "$stage/share/locale/$lang/LC_MESSAGES/"
  if [[ -f "$build/pixavon-window.exe" ]]; then
    cp "$build/share/locale/$lang/LC_MESSAGES/pixavon-window.mo" "$stage/share/locale/$lang/LC_MESSAGES/"
  fi
done
# CRLF for Notepad; a line that has one already keeps just the one.
sed 's/\r$//; s/$/\r/' README.md >"$stage/README.txt"
sed 's/\r$//; s/$/\r/' packaging/copyright >"$stage/LICENSE.txt"

# The developer files, and the installer's lists of them: each one installed
# and, on uninstalling, removed by name, then its folders if they are empty.
dev=$out/pixavon-$version-dev
cmake --install "$build" --prefix "$dev" --component dev >/dev/null
[[ -f $dev/doc/html/index.html ]] || { echo "package-windows: no header reference in $dev/doc/html" >&2; exit 1; }
cp "$stage/pixavon.dll" "$stage/README.txt" "$stage/LICENSE.txt" "$dev/"
windows_name() { printf '%s' "${1//\//\\}"; }
{
  echo '!macro DEV_INSTALL'
  (cd "$dev" && find include lib doc examples -type d | LC_ALL=C sort) | while read -r folder; do
    echo "  SetOutPath \"\$INSTDIR\\$(windows_name "$folder")\""
    (cd "$dev" && find "$folder" -maxdepth 1 -type f | LC_ALL=C sort) | while read -r file; do
      echo "  File \"\${DEV_STAGE}\\$(windows_name "$file")\""
    done
  done
  echo '!macroend'
  echo '!macro DEV_UNINSTALL'
  (cd "$dev" && find include lib doc examples -type f | LC_ALL=C sort) | while read -r file; do
    echo "  Delete \"\$INSTDIR\\$(windows_name "$file")\""
  done
  (cd "$dev" && find include lib doc examples -type d | LC_ALL=C sort -r) | while read -r folder; do
    echo "  RMDir \"\$INSTDIR\\$(windows_name "$folder")\""
  done
  echo '!macroend'
} >"$out/dev-files.nsh"

(cd "$out" && rm -f "pixavon-$version-win32.zip" && zip -qrX "pixavon-$version-win32.zip" "pixavon-$version")
(cd "$out" && rm -f "pixavon-$version-win32-dev.zip" && zip -qrX "pixavon-$version-win32-dev.zip" "pixavon-$version-dev")
copyright="Copyright © $(sed -n 's/^Copyright: *//p' packaging/copyright | head -n1)"
makensis -V2 -WX -INPUTCHARSET UTF8 -DSTAGE="$(realpath "$stage")" -DVERSION="$version" \
  -DICON="$(realpath "$build/pixavon.ico")" -DWIZARD="$(realpath "$build/pixavon-wizard.bmp")" \
  -DCOPYRIGHT="$copyright" \
  -DDEV_STAGE="$(realpath "$dev")" -DDEV_FILES="$(realpath "$out")/dev-files.nsh" \
  -DOUTFILE="$(realpath "$out")/pixavon-$version-setup.exe" "${nsis_defines[@]}" packaging/windows/pixavon.nsi
echo "$out/pixavon-$version-win32.zip"
echo "$out/pixavon-$version-win32-dev.zip"
echo "$out/pixavon-$version-setup.exe"
