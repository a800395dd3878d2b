#!/usr/bin/env bash
# Checks the Task Scheduler task file: UTF-16 as it says, valid against the
# task schema's structure (task_scheduler.xsd), and a task that runs
# Quorvane with the list file as SYSTEM every 10 minutes, ending a run that
# hangs, with each run's output and errors appended to a log file. Given
# the Windows program, it also runs the task's command line under Wine's
# cmd (from a batch file: Wine would quote a command line given whole) with
# the program installed in the prefix (QUORVANE_WINEPREFIX).
# Usage: windows_task_test.sh TASK_XML [QUORVANE_EXE]
set -u
task=$1 exe=${2:-}
schema=$(dirname "$0")/task_scheduler.xsd
failed=0
fail() { echo "windows_task_test: $*" >&2; failed=1; }

[ "$(head -c 2 "$task" | od -An -tx1 | tr -d ' ')" = fffe ] ||
  fail "no UTF-16 little-endian byte-order mark"
head -c 80 "$task" | iconv -f UTF-16 -t UTF-8 |
  grep -q '^<?xml version="1.0" encoding="UTF-16"?>' ||
  fail "the XML declaration does not say UTF-16"
xmllint --noout --schema "$schema" "$task" 2>&1 | grep -v ' validates$' >&2 &&
  fail "not valid against $schema"

# The string value of a path of element names (any namespace), such as
# Actions/@Context or TimeTrigger/Repetition/Interval, wherever it starts.
value() {
  local path="" step
  IFS=/ read -ra steps <<<"$1"
  for step in "${steps[@]}"; do
    case $step in
      @*) path+="/$step" ;;
      *) path+="/*[local-name()='$step']" ;;
    esac
  done
  xmllint --xpath "string(/$path)" "$task"
}

[ "$(value Principal/UserId)" = S-1-5-18 ] || fail "does not run as SYSTEM"
[ "$(value Principal/@id)" = "$(value Actions/@Context)" ] ||
  fail "the actions do not run as the principal"
interval=$(value TimeTrigger/Repetition/Interval)
[ "$interval" = PT10M ] || fail "the trigger repeats every '$interval'"
[ -z "$(value TimeTrigger/Repetition/Duration)" ] ||
  fail "the repetition stops after a while"
[ "$(value TimeTrigger/Enabled)" != false ] || fail "the trigger is disabled"
case $(value Exec/Command) in
  *\\System32\\cmd.exe) ;;
  *) fail "the command is not cmd.exe" ;;
esac
log='"%ProgramData%\Quorvane\Quorvane.log"'
line=$(value Exec/Arguments)
case $line in
  "/d /c "*\"%ProgramFiles%\\Quorvane\\Quorvane.exe\"" @\"%ProgramData%\\Quorvane\\Quorvane.list\" >>$log 2>&1") ;;
  *) fail "the arguments do not run Quorvane on the list, appending to $log" ;;
esac
[ -n "$(value Settings/ExecutionTimeLimit)" ] ||
  fail "a run that hangs is never stopped"
[ -z "$exe" ] && exit $failed
# Wine's cmd starts the 32-bit program itself, which needs a kernel that runs
# 32-bit x86 code (wine-run.sh can fall back to qemu; cmd cannot).
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "windows_task: the command line is not run: no 32-bit x86 here" >&2
  exit $failed
fi

# The command line itself, as SYSTEM's 64-bit cmd runs it: it makes the log
# folder, and a failed run and a good one both append what they print.
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
printf '%s\r\n' "${line#/d /c }" >"$c/quorvane-task.bat"
run() {
  /usr/lib/wine/wine64 cmd /d /c 'C:\quorvane-task.bat' </dev/null >/dev/null 2>&1
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
