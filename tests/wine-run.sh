#!/usr/bin/env bash
# Runs a Windows program under Wine as if it were a native one: same
# arguments, standard input, output and exit status. A 64-bit program runs
# through wine64; a 32-bit one (PE32) through Wine's 32-bit loader
# (wine32), which needs a kernel that runs 32-bit x86 code. Where it cannot
# run, the exit status is 77 (skipped) with the reason on standard error.
# Wine's helper processes outlive the program and would hold a pipe open,
# so the output goes through files. WINEPREFIX defaults to a prefix of our
# own in the temporary folder; wine-prefix.sh makes it on first use.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
#        wine-run.sh --can-run PROGRAM.exe   (0: it can run here; 77: not)
set -u
here=$(dirname "$0")
: "${WINEPREFIX:=${TMPDIR:-/tmp}/quorvane-wine-$(id -u)}"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}"
check_only=false
[ "$1" = --can-run ] && { check_only=true; shift; }
# The machine field of the PE header (at the offset stored at 0x3c, plus 4):
# 014c is i386.
pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
loader=/usr/lib/wine/wine64
if [ "$machine" = 014c ]; then
  loader=/usr/lib/wine/wine
  if ! "$loader" --version >/dev/null 2>&1; then
    echo "wine-run.sh: skipped: $1 is a 32-bit program, and Wine's 32-bit" \
      "loader does not run here (no wine32, or a kernel that runs no 32-bit" \
      "code); the 64-bit build runs under wine64" >&2
    exit 77
  fi
fi
$check_only && exit 0
"$here/wine-prefix.sh" || exit 1
out=$(mktemp) err=$(mktemp)
"$loader" "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit "$status"
