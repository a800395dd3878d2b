#!/usr/bin/env bash
# Checks the Task Scheduler task file (UTF-16, valid against
# task_scheduler.xsd) and, given the Windows program, install.cmd,
# uninstall.cmd and the task's command line under Wine's cmd (from a batch
# file: Wine would quote a command line given whole) in QUORVANE_WINEPREFIX.
# (Wine's icacls changes nothing and Wine keeps no owner or DACL but the Unix
# mode, so the folder's new owner and entries are not seen.)
# Usage: windows_task_test.sh TASK_XML [QUORVANE_EXE]   (exit 77: skipped)
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
# Wine's cmd starts the program itself: where it cannot run (a 32-bit one
# on a kernel that runs no 32-bit code), the scripts are not run: skipped.
[ $failed = 0 ] || exit 1
"$(dirname "$0")/wine-run.sh" --can-run "$exe" || exit 77

export WINEPREFIX=$QUORVANE_WINEPREFIX WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY  # no box: the report goes to the log only
c=$WINEPREFIX/drive_c
hosts=$c/windows/system32/drivers/etc/hosts
"$(dirname "$0")/wine-prefix.sh" || exit 1
cp "$hosts" "$c/hosts.saved"
data=$c/ProgramData/Quorvane tasks=$c/windows/system32/tasks
rm -rf "$data" "$c/Program Files/Quorvane" "$tasks/Quorvane"
line=$(value Arguments)
[ "${line:0:6}" = "/d /c " ] || fail "cmd is not given /d /c"
printf '%s\r\n' "${line#/d /c }" >"$c/quorvane-task.bat"
cmd() { /usr/lib/wine/wine64 cmd /d /c "$@" </dev/null >"$c/cmd.out" 2>&1; }
run() { cmd 'C:\quorvane-task.bat'; }
# What the zip holds, unpacked; a folder made before, anyone may write, with
# a list in it.
unpacked=$c/quorvane-zip
rm -rf "$unpacked" && mkdir -p "$unpacked" "$data" && chmod 777 "$data"
cp "$exe" "$(dirname "$task")"/{install.cmd,uninstall.cmd} "$task" \
  "$(dirname "$task")/../Quorvane.list.example" "$unpacked/"
printf '192.0.2.7 nas\r\n' >"$data/Quorvane.list"
install() { cmd 'C:\quorvane-zip\install.cmd'; }
install || fail "install.cmd failed: $(cat "$c/cmd.out")"
state() {
  (cd "$c" && find "Program Files/Quorvane" ProgramData/Quorvane \
    windows/system32/tasks/Quorvane -printf '%p %m %s\n' -type f -exec md5sum {} +)
}
before=$(state)
cmp -s "$exe" "$c/Program Files/Quorvane/Quorvane.exe" ||
  fail "install.cmd did not put the program in place"
[ -f "$tasks/Quorvane" ] || fail "install.cmd registered no task"
install && [ "$(state)" = "$before" ] || fail "a second install.cmd changed [$before] to [$(state)]"
mv "$data/Quorvane.list" "$c/list.saved"
run && fail "a run without a list file succeeded"
mv "$c/list.saved" "$data/Quorvane.list"
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
# Without the folder a run makes none. (Windows' cmd fails it too; Wine's
# skips the commands whose output cannot be opened and ends with status 0.)
rm -rf "$data"
run
[ -e "$data" ] && fail "a run made the folder"
install && cmd 'C:\quorvane-zip\uninstall.cmd' || fail "uninstall.cmd failed"
[ -e "$tasks/Quorvane" ] || [ -e "$c/Program Files/Quorvane" ] ||
  [ ! -f "$data/Quorvane.list" ] && fail "uninstall.cmd left the task or program, or took the list"
cmd 'C:\quorvane-zip\uninstall.cmd' /all && [ ! -e "$data" ] ||
  fail "uninstall.cmd /all kept the list"
mkdir -p "$c/elsewhere" && ln -s "$c/elsewhere" "$data"
install && fail "install.cmd took a folder that is a link"
[ -e "$c/elsewhere/Quorvane.list" ] && fail "install.cmd wrote through a link"
rm -rf "$data" "$c/elsewhere" "$unpacked" "$c/quorvane-task.bat"
/usr/lib/wine/wineserver -k 2>/dev/null
exit $failed
