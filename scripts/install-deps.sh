#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine.
set -euo pipefail
packages=(
  cmake g++ make ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libpng-dev libjpeg62-turbo-dev libstb-dev nlohmann-json3-dev
  # SHA-256 for the host's photo identity: libcrypto.
  libssl-dev
  # pixavon mount: libfuse 3 and fusermount3; its test copies in with
  # Python's shutil, rsync and tar.
  libfuse3-dev fuse3 python3 rsync tar
  # pixavon-gui: Qt 6 Widgets and Qt Test (the offscreen platform comes with it),
  # Qt Linguist's lrelease for its translations and Qt's own translations, a
  # font for its Japanese and Chinese texts, the validators of its desktop file
  # and AppStream entry, Xvfb for its screenshots, and the locales its tests use.
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n fonts-noto-cjk
  desktop-file-utils appstream xvfb locales
  # The translations of the host core and the tool: msgfmt, xgettext, msgcmp.
  gettext
  # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
  clang libclang-rt-14-dev
  # The 32-bit Windows build: cross compiler, GoogleTest sources, wine.
  g++-mingw-w64-i686-posix mingw-w64-i686-dev googletest
  wine wine32:i386
  # The Windows packages (scripts/package-windows.sh): the installer and the zip.
  nsis zip
  # The developer package for Windows: MSVC's import library (llvm-dlltool),
  # and its checks for the MSVC ABI: clang, lld-link, and wine's Windows and C
  # runtime headers and import libraries in place of Microsoft's.
  llvm lld libwine-dev:i386 unzip
  # The style checks (scripts/format.sh, scripts/tidy.sh; python3 reads the
  # compile database).
  clang-format clang-tidy python3
  # Builds go through ccache when it is installed (scripts/test.sh); the
  # library's branch coverage (scripts/coverage.sh).
  ccache gcovr
  # The header's reference (docs target) and the pixavon(3) man page.
  doxygen
  # The Debian packages (scripts/package.sh): dpkg-shlibdeps, file, lintian;
  # pixavon-gui depends on a CJK font for its Chinese and Japanese texts.
  dpkg-dev file lintian fonts-noto-cjk
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -eq 0 ]] || SUDO="sudo"
  # wine32 is an i386 package.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The window's tests run in Japanese (UTF-8) and in Simplified Chinese with GBK,
# and it is tried in Traditional Chinese;
# the DLL's host paths are checked under wine in Japanese and Chinese (UTF-8),
# and the Windows tool's folder names in their code pages and in Western Europe's.
for spec in ja_JP:UTF-8 zh_CN:GBK zh_CN:UTF-8 zh_TW:UTF-8 en_US:UTF-8; do
  name="${spec%%:*}" codeset="${spec##*:}"
  canonical="$name.$(tr 'A-Z' 'a-z' <<<"${codeset//-/}")"
  if ! locale -a 2>/dev/null | grep -qx "$canonical"; then
    SUDO=""
    [[ $(id -u) -eq 0 ]] || SUDO="sudo"
    $SUDO localedef -i "$name" -f "$codeset" "$name.$codeset"
  fi
done
