# shellcheck shell=bash
# Sourced by scripts/check-windows-package.sh: the developer zip, used as a
# Windows developer uses it, in $WINEPREFIX. Each function fails saying why.
#
# dev_build ZIP REPO WORK: unpacks ZIP into a clean folder of the prefix's C:
#   drive ($dev_dir: the package's folder) and, from that folder alone:
#   - checks its files, and pixavon.h against the one shipped on Linux;
#   - compiles the header as Windows hosts do (header_check.sh);
#   - checks that the .def, pixavon.lib (MSVC) and libpixavon.dll.a (mingw)
#     name exactly the DLL's 14 exports, and that pixavon.lib imports them as
#     the DLL exports them (undecorated, from pixavon.dll);
#   - builds the sample, examples/host_window.c, with mingw through its CMake
#     project (find_package(pixavon), the mingw toolchain file) into
#     WORK/mingw, and for the MSVC ABI (clang for i686-pc-windows-msvc,
#     lld-link, pixavon.lib by hand; wine's C runtime and import libraries in
#     place of Microsoft's: Debian's libwine-dev:i386) into WORK/msvc, each
#     with pixavon.dll beside it, as the package's README says;
#   - and that the CMake package gives a compiler of MSVC's ABI pixavon.lib.
# dev_run_samples WORK PHOTO: runs both builds, unattended, on the camera
#   plugged into the prefix: each must list the card and save its first photo
#   with the 20 progress messages of a download, as the file PHOTO.
dev_fail() {
  echo "windows developer package: $*" >&2
  exit 1
}

dev_words() { tr '\n' ' ' <<<"$1"; }

dev_exports() { # DLL: its exported names, sorted
  i686-w64-mingw32-objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    awk '/^[[:space:]]+\[ *[0-9]+\]/ {print $NF}' | LC_ALL=C sort
}

dev_build() {
  local zip=$1 repo=$2 work=$3
  local unpacked=$WINEPREFIX/drive_c/pixavon-dev
  rm -rf "$unpacked" "$work/mingw" "$work/msvc" "$work/msvc-cmake"
  mkdir -p "$unpacked" "$work/msvc" "$work/header"
  unzip -q "$zip" -d "$unpacked"
  dev_dir=$(find "$unpacked" -mindepth 1 -maxdepth 1 -type d)
  local file
  for file in pixavon.dll README.txt LICENSE.txt include/pixavon.h lib/pixavon.lib lib/libpixavon.dll.a \
    lib/pixavon.def lib/cmake/pixavon/pixavonConfig.cmake lib/cmake/pixavon/pixavonConfigVersion.cmake \
    doc/html/index.html examples/host_window.c examples/CMakeLists.txt; do
    [[ -f $dev_dir/$file ]] || dev_fail "$file is not in the developer zip"
  done
  cmp -s "$dev_dir/include/pixavon.h" "$repo/include/pixavon.h" || dev_fail "its pixavon.h is not the one shipped on Linux"
  # Meanwhile the rest.
  bash "$repo/tests/win32/dev/header_check.sh" "$dev_dir/include" "$work/header" >"$work/header.log" 2>&1 &
  local header_check=$!

  local exports def msvc_names mingw_names
  exports=$(dev_exports "$dev_dir/pixavon.dll")
  [[ $(wc -l <<<"$exports") == 14 ]] || dev_fail "pixavon.dll exports $(dev_words "$exports")"
  def=$(sed -n '/^EXPORTS/,$p' "$dev_dir/lib/pixavon.def" | awk 'NR > 1 && NF {print $1}' | LC_ALL=C sort)
  [[ $def == "$exports" ]] || dev_fail "pixavon.def names $(dev_words "$def")but pixavon.dll exports $(dev_words "$exports")"
  # Each short import object: from pixavon.dll, code, imported by its
  # undecorated name (the symbol without the leading underscore), with both
  # symbols a caller may use.
  msvc_names=$(llvm-readobj "$dev_dir/lib/pixavon.lib" | awk '
    /^File: / { file = $2 }
    /^Format: COFF-import-file/ { inside = 1; next }
    inside && /^Type: / { type = $2 }
    inside && /^Name type: / { name_type = $3 }
    inside && /^Symbol: __imp__/ { imp = substr($2, 8) }
    inside && /^Symbol: _[^_]/ {
      if (file == "pixavon.dll" && type == "code" && name_type == "noprefix" && imp == substr($2, 2)) print imp
      else print "bad:" file ":" type ":" name_type ":" $2
      inside = 0
    }' | LC_ALL=C sort)
  [[ $msvc_names == "$exports" ]] || dev_fail "pixavon.lib imports $(dev_words "$msvc_names")but pixavon.dll exports $(dev_words "$exports")"
  mingw_names=$(llvm-nm --defined-only "$dev_dir/lib/libpixavon.dll.a" 2>/dev/null | awk '$NF ~ /^__imp__/ {print substr($NF, 8)}' |
    LC_ALL=C sort)
  [[ $mingw_names == "$exports" ]] || dev_fail "libpixavon.dll.a imports $(dev_words "$mingw_names")but pixavon.dll exports $(dev_words "$exports")"

  # mingw, through the sample's CMake project; the package is found where
  # the project's find_package looks, and the toolchain file is the one
  # this repository builds the DLL with.
  cmake -S "$dev_dir/examples" -B "$work/mingw" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-i686-w64-mingw32.cmake" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    >"$work/mingw.log" 2>&1 || dev_fail "the sample's CMake project does not configure with mingw: $(cat "$work/mingw.log")"
  grep -qx "pixavon_DIR:PATH=$dev_dir/lib/cmake/pixavon" "$work/mingw/CMakeCache.txt" ||
    dev_fail "find_package(pixavon) found $(grep '^pixavon_DIR' "$work/mingw/CMakeCache.txt")"
  cmake --build "$work/mingw" >>"$work/mingw.log" 2>&1 || dev_fail "the sample does not build with mingw: $(cat "$work/mingw.log")"
  cmp -s "$work/mingw/pixavon.dll" "$dev_dir/pixavon.dll" || dev_fail "the mingw build has no pixavon.dll beside it"

  # MSVC's ABI, by hand: compile, and link with pixavon.lib.
  local wine_headers=/usr/include/wine/wine wine_libs=/usr/lib/i386-linux-gnu/wine/i386-windows
  local msvc=(clang --target=i686-pc-windows-msvc -isystem "$wine_headers/msvcrt" -isystem "$wine_headers/windows"
    -Wall -Wextra -Werror -O2)
  [[ -f $wine_libs/libucrtbase.a ]] || dev_fail "no C runtime for the MSVC ABI in $wine_libs (Debian: libwine-dev:i386)"
  "${msvc[@]}" -I"$dev_dir/include" -c "$dev_dir/examples/host_window.c" -o "$work/msvc/host_window.obj" ||
    dev_fail "the sample does not compile for the MSVC ABI"
  "${msvc[@]}" -c "$repo/tests/win32/dev/winmain_startup.c" -o "$work/msvc/startup.obj"
  # /safeseh:no: wine's import libraries are not marked safe for SEH, as
  # Microsoft's are.
  lld-link /nologo /nodefaultlib /safeseh:no /subsystem:windows /entry:mainCRTStartup \
    /out:"$work/msvc/host_window.exe" "$work/msvc/host_window.obj" "$work/msvc/startup.obj" \
    "$dev_dir/lib/pixavon.lib" "$wine_libs"/lib{ucrtbase,kernel32,user32,gdi32,comctl32,comdlg32}.a ||
    dev_fail "lld-link does not link the sample with pixavon.lib"
  cp "$dev_dir/pixavon.dll" "$work/msvc/"
  local kind
  for kind in mingw msvc; do
    [[ $(i686-w64-mingw32-objdump -p "$work/$kind/host_window.exe") == *"DLL Name: pixavon.dll"* ]] ||
      dev_fail "the $kind build does not import pixavon.dll"
  done

  # A compiler of MSVC's ABI is given pixavon.lib: the sample's project
  # configured for clang-for-MSVC (nothing linked: CMake's own compiler
  # checks build static libraries).
  cmake -S "$dev_dir/examples" -B "$work/msvc-cmake" -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86 \
    -DCMAKE_C_COMPILER=clang -DCMAKE_C_COMPILER_TARGET=i686-pc-windows-msvc -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY \
    -DCMAKE_C_FLAGS="-isystem $wine_headers/msvcrt -isystem $wine_headers/windows" >"$work/msvc-cmake.log" 2>&1 ||
    dev_fail "the sample's CMake project does not configure for the MSVC ABI: $(cat "$work/msvc-cmake.log")"
  grep -q "lib/pixavon.lib" "$work/msvc-cmake/build.ninja" ||
    dev_fail "the CMake package does not give a compiler of MSVC's ABI pixavon.lib"
  wait "$header_check" || dev_fail "$(cat "$work/header.log")"
  cat "$work/header.log"
  echo "windows developer package: the header, pixavon.def, pixavon.lib and libpixavon.dll.a agree with the DLL's 14 exports;" \
    "the sample builds from the package alone with mingw (CMake package) and for MSVC's ABI (pixavon.lib, lld-link)"
}

dev_run_samples() {
  local work=$1 photo=$2 kind
  for kind in mingw msvc; do
    rm -f "$work/$kind/photo.bmp"
    timeout 120 wine "$work/$kind/host_window.exe" "$(winepath -w "$work/$kind/photo.bmp")" \
      >"$work/$kind.out" 2>"$work/$kind.err" || dev_fail "the $kind sample failed: $(cat "$work/$kind.out" "$work/$kind.err")"
    grep -q "photos; photo 1 saved after 20 progress messages" "$work/$kind.out" ||
      dev_fail "the $kind sample said '$(cat "$work/$kind.out")'"
    cmp -s "$work/$kind/photo.bmp" "$photo" || dev_fail "the $kind sample saved another photo than the camera's"
  done
  echo "windows developer package: the sample, built with mingw and for MSVC's ABI, lists the plugged-in camera's" \
    "photos and saves one with its progress"
}
