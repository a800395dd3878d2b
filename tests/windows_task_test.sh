#!/usr/bin/env bash
# Checks the Task Scheduler task file: UTF-16 as it says, valid against the
# task schema's structure (task_scheduler.xsd), and, given the Windows
# program, its command line as SYSTEM's cmd runs it under Wine (from a batch
# file: Wine would quote a command line given whole) with the program
# installed in the prefix (QUORVANE_WINEPREFIX): it makes the log folder,
# and a failed run and a good one both append what they print to the log.
# Usage: windows_task_test.sh TASK_XML [QUORVANE_EXE]
set -u
task=$1 exe=${2:-}
failed=0
fail() { echo "windows_task_test: $*" >&2; failed=1; }

[ "$(head -c 2 "$task" | od -An -tx1 | tr -d ' ')" = fffe ] ||
  fail "no UTF-16 little-endian byte-order mark"
head -c 80 "$task" | iconv -f UTF-16 -t UTF-8 |
  grep -q '^<?xml version="1.0" encoding="UTF-16"?>' ||
  fail "the XML declaration does not say UTF-16"
xmllint --noout --schema "$(dirname "$0")/task_scheduler.xsd" "$task" 2>&1 |
  grep -v ' validates$' >&2 && fail "not valid against the schema"
value() { xmllint --xpath "string(//*[local-name()='$1'])" "$task"; }
[ "$(value UserId)" = S-1-5-18 ] || fail "does not run as SYSTEM"
[ -z "$exe" ] && exit $failed
# Wine's cmd starts the 32-bit program itself, which needs a kernel that runs
# 32-bit x86 code (wine-run.sh can fall back to qemu; cmd cannot).
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "windows_task: the command line is not run: no 32-bit x86 here" >&2
  exit $failed
fi

export WINEPREFIX=$QUORVANE_WINEPREFIX WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY  # no box: the report goes to the log only
c=$WINEPREFIX/drive_c
hosts=$c/windows/system32/drivers/etc/hosts
"$(dirname "$0")/wine-run.sh" "$exe" -h </dev/null >/dev/null 2>&1  # the prefix
cp "$hosts" "$c/hosts.saved"
mkdir -p "$c/Program Files/Quorvane"
cp "$exe" "$c/Program Files/Quorvane/Quorvane.exe"
rm -rf "$c/ProgramData/Quorvane"
line=$(value Arguments)
[ "${line:0:6}" = "/d /c " ] || fail "cmd is not given /d /c"
printf '%s\r\n' "${line#/d /c }" >"$c/quorvane-task.bat"
run() {
  /usr/lib/wine/wine64 "$(value Command | sed 's/.*\\//')" /d /c 'C:\quorvane-task.bat' \
    </dev/null >/dev/null 2>&1
}
run && fail "a run without a list file succeeded"
printf '192.0.2.7 nas\r\n' >"$c/ProgramData/Quorvane/Quorvane.list"
run || fail "a run with the list file failed"
got=$(iconv -f CP932 -t UTF-8 "$c/ProgramData/Quorvane/Quorvane.log" |
      grep -v '^---' | tr -d '\r')
want="読み込み中... C:\ProgramData\Quorvane\Quorvane.list
Quorvane (147)
C:\ProgramData\Quorvane\Quorvane.listが開けません.
読み込み中... C:\ProgramData\Quorvane\Quorvane.list
読み込み中... C:\windows\system32\drivers\etc\hosts
192.0.2.7	nas	##Quorvane##
1 行追加しました.
書き込み中... C:\windows\system32\drivers\etc\hosts"
[ "$got" = "$want" ] || fail "the log holds [$got], expected [$want]"
[ "$(grep -c '^--- ' "$c/ProgramData/Quorvane/Quorvane.log")" = 2 ] ||
  fail "the log does not mark each run"
mv "$c/hosts.saved" "$hosts"
/usr/lib/wine/wineserver -k 2>/dev/null
exit $failed
