#!/usr/bin/env bash
# Runs a Windows program under Wine as if it were a native one: same
# arguments, standard input, output and exit status. A 32-bit program (PE32)
# runs through Wine's 32-bit loader (wine32), with the 32-bit system
# libraries of the prefix (syswow64, filled when the prefix is made with
# wine32 installed); on a kernel that cannot run 32-bit x86 code,
# qemu-i386-static interprets that loader. Wine's helper processes outlive
# the program and would hold a pipe open, so the output goes through files.
# WINEPREFIX defaults to a prefix of our own in the temporary folder.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -u
: "${WINEPREFIX:=${TMPDIR:-/tmp}/quorvane-wine-$(id -u)}"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}"
# The machine field of the PE header (at the offset stored at 0x3c, plus 4):
# 014c is i386.
pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
if [ "$machine" = 014c ]; then
  loader=(/usr/lib/wine/wine)
  "${loader[@]}" --version >/dev/null 2>&1 ||
    loader=(qemu-i386-static /usr/lib/wine/wine)
  libraries=syswow64
else
  loader=(/usr/lib/wine/wine64)
  libraries=system32  # a prefix made without wine32 has no syswow64
fi
if [ ! -f "$WINEPREFIX/drive_c/windows/$libraries/kernel32.dll" ]; then
  WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot --init \
    >/dev/null 2>&1 </dev/null
  /usr/lib/wine/wineserver -w 2>/dev/null || true
fi
out=$(mktemp) err=$(mktemp)
"${loader[@]}" "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit "$status"
