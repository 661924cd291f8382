#!/usr/bin/env bash
# Makes po/window/pixavon-window.pot from the windows' shared texts in
# tools/desktop (the arguments of tr(), mark(), and the first two of ntr() and
# count()), and merges it into each po/window/LANG.po: a new text comes in
# untranslated, which the window catalogue's test then reports.
set -euo pipefail
cd "$(dirname "$0")/.."
pot=po/window/pixavon-window.pot
mapfile -t sources < <(find tools/desktop -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=tr --keyword=mark --keyword=ntr:1,2 \
  --keyword=count:1,2 --add-comments=TRANSLATORS: --add-location=file --sort-by-file --no-wrap \
  --package-name=pixavon-window --copyright-holder="the Pixavon authors" -o "$pot" "${sources[@]}"
# The creation date only churns the file.
sed -i '/^"POT-Creation-Date:/d' "$pot"
for po in po/window/*.po; do
  [[ -e "$po" ]] || continue
  msgmerge --quiet --update --backup=none --no-fuzzy-matching --no-wrap "$po" "$pot"
  msgattrib --no-obsolete --no-wrap -o "$po" "$po"
done
