#!/usr/bin/env bash
# Where a `--card` restore's time goes under wine: the time per block of the
# embedded camera's link (build-win32/bench_pipe_win32.exe, the DLL's framed
# client and pixavon.exe's pipe server in one process), alone and with the
# DLL's progress message per block to a window of another thread as
# pixavon.exe has it; then, from wine's call trace of a short run, the system
# calls each end makes per block: the calls into the wine server (Nt*) are
# where wine's cost lies, each one a round trip to another process, and
# every answered frame a hand-over from one thread to the other through it. The trace's runs write 256 and 512
# blocks: their difference is the blocks' alone, without the start's calls.
#   bench/pipe_calls_win32.sh [BLOCKS]   (default 4096)
set -euo pipefail
cd "$(dirname "$0")/.."
blocks=${1:-4096}
cmake --build build-win32 --target bench_pipe_win32 >/dev/null
WINEPREFIX=${WINEPREFIX:-$(mktemp -d "${TMPDIR:-/tmp}/pixavon-wine.XXXXXX")}
export WINEPREFIX WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml="
short=$(mktemp "${TMPDIR:-/tmp}/pixavon-pipe-trace.XXXXXX") long=$(mktemp "${TMPDIR:-/tmp}/pixavon-pipe-trace.XXXXXX")
trap 'rm -f "$short" "$long"' EXIT
WINEDEBUG=-all wine build-win32/bench_pipe_win32.exe "$blocks"
WINEDEBUG=+relay wine build-win32/bench_pipe_win32.exe 256 link >/dev/null 2>"$short"
WINEDEBUG=+relay wine build-win32/bench_pipe_win32.exe 512 link >/dev/null 2>"$long"
python3 - "$short" "$long" <<'PY'
import collections, re, sys
pattern = re.compile(r"^([0-9a-f]+):Call (KERNEL32|ntdll)\.(ReadFile|WriteFile|GetOverlappedResult|WaitForMultipleObjects|Nt\w+)\(")
def ends(path):  # the calls of the client's thread and of the server's
    calls = collections.defaultdict(collections.Counter)
    for line in open(path, errors="replace"):
        match = pattern.match(line)
        if match:
            calls[match.group(1)][match.group(3)] += 1
    # The server waits for its reads (overlapped); the client's reads block.
    server = max(calls, key=lambda t: calls[t]["GetOverlappedResult"])
    client = max((t for t in calls if t != server), key=lambda t: calls[t]["NtWriteFile"])
    return calls[client], calls[server]
for name, few, many in zip(("client (pixavon.dll)", "server (embedded camera)"), ends(sys.argv[1]), ends(sys.argv[2])):
    per_block = {k: (many[k] - few[k]) / 256 for k in many if abs(many[k] - few[k]) >= 8}
    api = ", ".join(f"{k} {v:.2f}" for k, v in sorted(per_block.items()) if not k.startswith("Nt"))
    nt = ", ".join(f"{k} {v:.2f}" for k, v in sorted(per_block.items()) if k.startswith("Nt"))
    print(f"{name}, per block: {api}; into the wine server: {nt}")
PY
