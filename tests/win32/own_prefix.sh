#!/usr/bin/env bash
# Runs a command in a wine prefix and on a virtual display of its own, so that
# the Windows tests that plug cameras into a prefix run side by side, each
# seeing only its own cameras. The prefix is a copy of $PIXAVON_WINE_TEMPLATE
# (else of $WINEPREFIX), a prefix made once with wineboot and not in use
# (scripts/test-windows.sh's); the display is a fresh Xvfb, which picks a free
# display number itself. Both go when the command ends.
#   own_prefix.sh COMMAND [ARG...]
set -euo pipefail
template=${PIXAVON_WINE_TEMPLATE:-${WINEPREFIX:?"own_prefix.sh copies a prefix: set PIXAVON_WINE_TEMPLATE or WINEPREFIX to one made with wineboot --init"}}
[[ -f $template/system.reg ]] || {
  echo "own_prefix.sh: $template is not a wine prefix (no system.reg)" >&2
  exit 2
}
work=$(mktemp -d "${TMPDIR:-/tmp}/pixavon-own-prefix.XXXXXX")
xvfb=
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
if [[ ! -s $work/display ]]; then
  echo "own_prefix.sh: Xvfb did not start: $(cat "$work/xvfb.log")" >&2
  exit 1
fi
DISPLAY=:$(head -n1 "$work/display")
# The test scripts take this display instead of starting one with xvfb-run.
export DISPLAY PIXAVON_TEST_DISPLAY=1
# Run in the background and waited for, so that a stop (a test's timeout)
# ends it and still takes the prefix and the display along.
"$@" &
command=$!
trap 'kill "$command" 2>/dev/null; exit 143' TERM
trap 'kill "$command" 2>/dev/null; exit 130' INT
status=0
wait "$command" || status=$?
exit "$status"
