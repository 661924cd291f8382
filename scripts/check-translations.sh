#!/usr/bin/env bash
# Checks the catalogues in po/ (or, given "window", the windows' catalogues in
# po/window/ against tools/desktop): each compiles cleanly (msgfmt -c), has no
# fuzzy or untranslated entry, translates every text the sources hold now,
# and keeps the {1}, {2}, ... and {name} fields of its English text (a
# translation of plural texts may drop fields the singular does not need).
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
current=$(mktemp)
trap 'rm -f "$current"' EXIT
if [[ "${1:-}" == window ]]; then
  catalogues=(po/window/*.po)
  source_dirs=(tools/desktop)
  keywords=(--keyword=tr --keyword=mark --keyword=ntr:1,2 --keyword=count:1,2)
else
  catalogues=(po/*.po)
  source_dirs=(tools/host tools/pixavon)
  keywords=(--keyword=tr --keyword=ntr:1,2)
fi
mapfile -t sources < <(find "${source_dirs[@]}" -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)
xgettext --language=C++ --from-code=UTF-8 --keyword= "${keywords[@]}" -o "$current" "${sources[@]}"

for po in "${catalogues[@]}"; do
  stats=$(LC_ALL=C msgfmt -c --statistics -o /dev/null "$po" 2>&1) || { echo "$po: $stats"; status=1; continue; }
  if grep -Eq 'fuzzy|untranslated' <<<"$stats"; then
    echo "$po: $stats"
    status=1
  fi
  if ! msgcmp "$po" "$current" 2>/dev/null; then
    echo "$po: texts of the sources are missing; run scripts/update-pot.sh and translate them"
    status=1
  fi
  # Fields of each entry: those of the English text (the plural's, if any)
  # against those of each translation.
  if ! awk -v file="$po" '
    function fields(s,   out, rest) {
      out = ""; rest = s
      while (match(rest, /\{[0-9a-z_:]+\}/)) { out = out " " substr(rest, RSTART, RLENGTH); rest = substr(rest, RSTART + RLENGTH) }
      return out
    }
    function sorted(list,   n, a, i, j, t, out) {
      n = split(list, a, " ")
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      out = ""; for (i = 1; i <= n; i++) if (i == 1 || a[i] != a[i - 1]) out = out " " a[i]
      return out
    }
    function check(   want, got, n, a, i) {
      if (id == "" || str == "") return
      want = sorted(fields(plural != "" ? plural : id)); got = sorted(fields(str))
      if (want == got) return
      if (plural != "") {  # a subset is fine
        n = split(got, a, " "); for (i = 1; i <= n; i++) if (index(want " ", " " a[i] " ") == 0) break
        if (i > n) return
      }
      printf "%s: fields differ for \"%s\":%s against%s\n", file, id, want, got; bad = 1
    }
    function text(line) { sub(/^[^"]*"/, "", line); sub(/"$/, "", line); return line }
    /^msgid / { check(); id = text($0); plural = ""; str = ""; part = "id"; next }
    /^msgid_plural / { plural = text($0); part = "plural"; next }
    /^msgstr/ { if (str != "") { check(); } str = text($0); part = "str"; next }
    /^"/ { if (part == "id") id = id text($0); else if (part == "plural") plural = plural text($0); else if (part == "str") str = str text($0); next }
    END { check(); exit bad }
  ' "$po"; then
    status=1
  fi
done
exit $status
