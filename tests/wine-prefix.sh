#!/usr/bin/env bash
# Makes the Wine prefix in WINEPREFIX ready once, within a bound, and says
# plainly when it cannot. Every suite that runs Windows code calls it
# before its first Wine run, so no suite spends its own timeout on a
# prefix, and a prefix once made is not made again. Where Wine's 32-bit
# loader runs, the prefix also gets the 32-bit system libraries (syswow64)
# that a 32-bit program needs.
# Usage: WINEPREFIX=DIR wine-prefix.sh   (exit 0: ready; 1: it could not be made)
set -u
: "${WINEPREFIX:?wine-prefix.sh: WINEPREFIX is not set}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bound=${QUORVANE_WINE_PREFIX_SECONDS:-300}
want=64
/usr/lib/wine/wine --version >/dev/null 2>&1 && want=32+64
ready=$WINEPREFIX/.quorvane-ready
[ "$(cat "$ready" 2>/dev/null)" = "$want" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9  # two suites at once make it once
[ "$(cat "$ready" 2>/dev/null)" = "$want" ] && exit 0
echo "wine-prefix.sh: making the Wine prefix $WINEPREFIX ($want-bit)" >&2
log=$(mktemp)
timeout "$bound" /usr/lib/wine/wine64 wineboot --init >"$log" 2>&1 </dev/null
status=$?
timeout 60 /usr/lib/wine/wineserver -w 2>/dev/null
c=$WINEPREFIX/drive_c/windows
missing=""
[ -f "$c/system32/kernel32.dll" ] || missing="system32\\kernel32.dll"
[ "$want" = 64 ] || [ -f "$c/syswow64/kernel32.dll" ] || missing="syswow64\\kernel32.dll"
if [ "$status" != 0 ] || [ -n "$missing" ]; then
  reason="wineboot ended with status $status"
  [ "$status" = 124 ] && reason="wineboot did not finish within $bound s"
  echo "wine-prefix.sh: could not make the Wine prefix $WINEPREFIX: $reason${missing:+, no $missing}; wineboot said:" >&2
  tail -n 20 "$log" >&2
  rm -f "$log"
  exit 1
fi
rm -f "$log"
echo "$want" >"$ready"
