#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine as if it were a native one: same
# arguments, standard input, output and exit status. Wine's helper processes
# outlive the program and would hold a pipe open, so the output goes through
# files. WINEPREFIX defaults to a prefix of our own in the temporary folder.
set -u
: "${WINEPREFIX:=${TMPDIR:-/tmp}/quorvane-wine-$(id -u)}"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot --init >/dev/null 2>&1 </dev/null
  "${wine%64}server${wine##*wine}" -w 2>/dev/null || true
fi
out=$(mktemp) err=$(mktemp)
"$wine" "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit "$status"
