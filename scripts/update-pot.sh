#!/usr/bin/env bash
# Makes po/pixavon.pot from the texts of the host core and the tool (the
# arguments of tr() and ntr()), and merges it into each po/LANG.po: a new
# text comes in untranslated, which the catalogue test then reports.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(find tools/host tools/pixavon -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=tr --keyword=ntr:1,2 \
  --add-comments=TRANSLATORS: --add-location=file --sort-by-file --no-wrap \
  --package-name=pixavon --copyright-holder="the Pixavon authors" -o po/pixavon.pot "${sources[@]}"
# The creation date only churns the file.
sed -i '/^"POT-Creation-Date:/d' po/pixavon.pot
for po in po/*.po; do
  [[ -e "$po" ]] || continue
  msgmerge --quiet --update --backup=none --no-fuzzy-matching --no-wrap "$po" po/pixavon.pot
done
