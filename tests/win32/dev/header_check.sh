#!/usr/bin/env bash
# Compiles pixavon.h (from INCLUDE_DIR, as a developer package holds it) as
# Windows hosts do: as C (C99, C11) and as C++ (C++11, C++20), with mingw-w64
# and with clang for the MSVC ABI (i686-pc-windows-msvc), each warning-free
# with -Wall -Wextra -pedantic, also with __stdcall as the default
# convention (-mrtd; MSVC's /Gz) and structures packed to 1 byte (MSVC's /Zp1).
# For MSVC there are no Microsoft headers here: wine's Windows and C runtime
# headers (Debian: libwine-dev:i386) stand in for them in C, and in C++ a
# stand-in for the few declarations used (windows-stand-in/). Each object must
# import exactly the 14 functions, by their plain C names (__imp__NAME: C
# linkage, __cdecl), whatever the language and the defaults.
#   header_check.sh INCLUDE_DIR WORK_DIR
set -euo pipefail
include=$(realpath "$1") work=$2
here=$(dirname "$(realpath "$0")")
mkdir -p "$work"
wine_headers=/usr/include/wine/wine
expected=$(printf '__imp__%s\n' CloseDevice DeletePhoto FormatGBA GetCardMemory GetPhotoCount GetString IsConnect \
  OpenDevice ReadAll ReadGBA ReadPixavonToFile WriteAll WriteFileToGBA WriteGBA)
warnings=(-Wall -Wextra -Werror -pedantic)
msvc=(--target=i686-pc-windows-msvc -isystem "$wine_headers/msvcrt" -isystem "$wine_headers/windows")
[[ -f $wine_headers/windows/windows.h ]] || {
  echo "header check: no Windows headers for the MSVC ABI in $wine_headers (Debian: libwine-dev:i386)" >&2
  exit 1
}

# Each build in the background, its complaint (if any) in NAME.fail.
check() {
  local name=$1
  shift
  (
    if ! "$@" "${warnings[@]}" -I"$include" -c "$here/header_check.c" -o "$work/$name.o" 2>"$work/$name.err"; then
      { echo "header check: $name does not compile:"; cat "$work/$name.err"; } >"$work/$name.fail"
      exit
    fi
    imported=$(llvm-nm --undefined-only "$work/$name.o" | awk '{print $NF}' | sort)
    [[ $imported == "$expected" ]] || echo "header check: $name imports $(tr '\n' ' ' <<<"$imported")" >"$work/$name.fail"
  ) &
}
rm -f "$work"/*.fail
gcc=i686-w64-mingw32-gcc-posix gxx=i686-w64-mingw32-g++-posix
check mingw-c99 "$gcc" -std=c99 -x c
check mingw-c11 "$gcc" -std=c11 -x c
check mingw-c11-stdcall "$gcc" -std=c11 -mrtd -fpack-struct=1 -x c
check mingw-cxx11 "$gxx" -std=c++11 -x c++
check mingw-cxx20-stdcall "$gxx" -std=c++20 -mrtd -fpack-struct=1 -x c++
check msvc-c11 clang "${msvc[@]}" -std=c11 -x c
check msvc-c11-stdcall clang "${msvc[@]}" -std=c11 -Xclang -fdefault-calling-conv=stdcall -fpack-struct=1 -x c
# wine's <windows.h> is C only for clang on 32-bit x86: C++ takes the few
# declarations it needs from a stand-in, and stdint.h from clang itself.
msvc_cxx=(--target=i686-pc-windows-msvc -ffreestanding -isystem "$here/windows-stand-in")
check msvc-cxx14 clang++ "${msvc_cxx[@]}" -std=c++14 -x c++
check msvc-cxx20-stdcall clang++ "${msvc_cxx[@]}" -std=c++20 -Xclang -fdefault-calling-conv=stdcall -fpack-struct=1 -x c++
wait
if compgen -G "$work/*.fail" >/dev/null; then
  cat "$work"/*.fail >&2
  exit 1
fi
echo "header check: pixavon.h compiles as C and C++ with mingw and for MSVC's ABI, importing the 14 functions by their C names"
