#!/usr/bin/env bash
# The Windows program's warning box under Wine on a virtual display (Xvfb):
# its title from the window, its text from Wine's message-box trace, then
# dismissed with a key, the run ending with status 1; none for a check or
# a run whose standard error is redirected. Once in Japanese with
# a Japanese code page (932) and once in English with a Western one (1252:
# each piece decoded from its own code page).
# Usage: wine_box_test.sh QUORVANE_EXE   (exit 77: skipped)
set -u
exe=$(readlink -f "$1")
run=$(dirname "$0")/wine-run.sh  # the 32- or 64-bit loader, as the program needs
wine=/usr/lib/wine/wine64
command -v Xvfb xdotool "$wine" >/dev/null || {
  [ "${CI:-}" = true ] && { echo "missing Xvfb, xdotool or wine" >&2; exit 1; }
  echo "skipped: Xvfb, xdotool or wine is not installed" >&2
  exit 77
}
"$run" --can-run "$exe" || exit 77
# wineconsole through the loader the program needs: wine64 for a 64-bit
# one (the machine field of its PE header: 014c is i386), where a kernel
# may run no 32-bit code at all.
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
loader=$wine
[ "$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')" = 014c ] && loader=${wine%64}
export WINEPREFIX="${QUORVANE_WINEPREFIX:-$HOME/.wine}" WINEDLLOVERRIDES="mscoree,mshtml="
"$(dirname "$0")/wine-prefix.sh" || exit 1
scratch=$(mktemp -d)
display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"
# A Wine server left from a run without a display would keep its desktop
# without one: start afresh.
"${wine%64}server" -k 2>/dev/null
"${wine%64}server" -w 2>/dev/null
trap 'kill $xvfb 2>/dev/null; "${wine%64}server" -k 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

failed=0
fail() { echo "FAIL: $*" >&2; failed=$((failed + 1)); }

# Wine's trace spelling of a UTF-8 text: ASCII as it is, others as \xxxx.
traced() {
  printf '%s' "$1" | iconv -f UTF-8 -t UTF-16BE | od -An -v -tx1 |
    tr -s ' \n' ' ' | xargs -n2 | while read -r hi lo; do
      if [ "$hi$lo" = 000a ]; then
        printf '\\n'
      elif [ "$hi" = 00 ] && [ $((16#$lo)) -ge 32 ] && [ $((16#$lo)) -lt 127 ]; then
        printf "\\x$lo"
      else
        printf '\\%s%s' "$hi" "$lo"
      fi
    done
}

# show LOCALE TEXT: a missing list file's box, title and text (in the
# locale's language), dismissed.
# The box is for a person at a console: the run gets one of its own from
# wineconsole, while Wine's trace still goes to the file.
show() {
  (cd "$scratch" && LANG=$1 LC_ALL=$1 WINEDEBUG=trace+msgbox \
    "$loader" wineconsole "$exe" @missing.list </dev/null >"$scratch/out" 2>"$scratch/trace")&
  local pid=$! window status=0 shown
  window=$(timeout 60 xdotool search --sync --name '^Quorvane \(147\)$' 2>/dev/null |
           head -n 1)
  [ -n "$window" ] || { fail "$1: no box appeared"; kill $pid; return; }
  sleep 0.5
  xdotool windowactivate --sync "$window" key Return >/dev/null 2>&1 ||
    xdotool key --window "$window" Return >/dev/null 2>&1
  wait $pid || status=$?
  [ "$status" = 1 ] || fail "$1: exit status $status, not 1"
  shown=$(grep -a 'msgbox:MSGBOX_OnInit' "$scratch/trace" | head -n 1 |
          sed 's/^[^"]*L"//; s/"$//')
  [ "$shown" = "$(traced "$2")" ] ||
    fail "$1: text [$shown], expected [$(traced "$2")]"
}

show ja_JP.UTF-8 "missing.listが開けません."$'\n'"missing.list: ファイルがありません."
show C "Cannot open missing.list."$'\n'"missing.list: no such file."
# A script's run shows no box: standard error redirected (exit 1), and a
# check (exit 2), report there alone and end at once.
for check in "" --check; do
  status=0
  (cd "$scratch" && timeout 30 "$run" "$exe" $check @missing.list \
    </dev/null >"$scratch/out" 2>"$scratch/err") || status=$?
  [ "$status" = "$([ -n "$check" ] && echo 2 || echo 1)" ] &&
    grep -q '^Quorvane (147)' "$scratch/err" ||
    fail "${check:-a run} with standard error redirected: status $status (a box waits), [$(cat "$scratch/err")]"
done
[ "$failed" = 0 ]
