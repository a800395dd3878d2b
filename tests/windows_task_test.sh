#!/usr/bin/env bash
# The task file (UTF-16, valid against task_scheduler.xsd), programs named
# by full path in the install scripts, and, given the Windows program (with
# QuorvaneInstall.exe beside it), install.cmd, uninstall.cmd and the task's
# command line under Wine's cmd, against what an ordinary account could
# leave: a folder with a list and a journal (mode 777 stands for another
# account's), programs named like the system's beside the scripts, links.
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
scripts=$(dirname "$task")
# No program by a bare name (the current folder's would run first), and no
# tool that follows links.
for script in install.cmd uninstall.cmd; do
  grep -vhiE '^[[:space:]]*(rem|echo)[[:space:](]' "$scripts/$script" |
    grep -iE '(^|[[:space:](&|"])(fltmc|net|schtasks|takeown|icacls|cd)(\.exe)?([[:space:]]|$)' >&2 &&
    fail "$script runs a program by a bare name, or changes folder"
  grep -qiE 'takeown|icacls' "$scripts/$script" && fail "$script uses takeown or icacls"
done
[ -z "$exe" ] && exit $failed
helper=$(dirname "$exe")/QuorvaneInstall.exe
[ -f "$helper" ] || { fail "no $helper"; exit 1; }
# Where Wine cannot run the program (32-bit on this kernel): skipped.
[ $failed = 0 ] || exit 1
"$(dirname "$0")/wine-run.sh" --can-run "$exe" || exit 77

export WINEPREFIX=$QUORVANE_WINEPREFIX WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY  # no box: the report goes to the log only
c=$WINEPREFIX/drive_c
hosts=$c/windows/system32/drivers/etc/hosts
"$(dirname "$0")/wine-prefix.sh" || exit 1
cp "$hosts" "$c/hosts.saved"
printf '127.0.0.1\tlocalhost\r\n' >"$hosts"  # whatever other suites left
data=$c/ProgramData/Quorvane tasks=$c/windows/system32/tasks
rm -rf "$data" "$data".untrusted-* "$c/Program Files/Quorvane" "$tasks/Quorvane" \
  "$c"/spy-* "$c/elsewhere"
line=$(value Arguments)
[ "${line:0:6}" = "/d /c " ] || fail "cmd is not given /d /c"
# From a batch file: Wine would quote a command line given whole.
printf '%s\r\n' "${line#/d /c }" >"$c/quorvane-task.bat"
unpacked=$c/quorvane-zip
cmd() { (cd "$unpacked" && LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 cmd /d /c "$@" </dev/null >"$c/cmd.out" 2>&1); }
run() { cmd 'C:\quorvane-task.bat'; }
# The zip unpacked, with programs named like the system's that say they ran.
rm -rf "$unpacked" && mkdir -p "$unpacked"
cp "$exe" "$helper" "$scripts"/{install.cmd,uninstall.cmd} "$task" \
  "$scripts/../Quorvane.list.example" "$unpacked/"
for tool in fltmc net schtasks takeown icacls; do
  printf '@echo off\r\necho ran >C:\\spy-%s\r\n' "$tool" >"$unpacked/$tool.bat"
done
# A folder another account made, with its list and a journal.
mkdir -p "$data" && chmod 777 "$data"
printf '6.6.6.6 www.bank.example\r\n' >"$data/Quorvane.list"
printf 'planted' >"$data/.0123456789abcdef.Quorvane-journal"
install() { cmd install.cmd; }
install || fail "install.cmd failed: $(cat "$c/cmd.out")"
cmp -s "$scripts/../Quorvane.list.example" "$data/Quorvane.list" ||
  fail "install.cmd kept a list another account made"
[ "$(ls -A "$data")" = Quorvane.list ] || fail "install.cmd kept [$(ls -A "$data")]"
ls "$data".untrusted-*/Quorvane.list >/dev/null 2>&1 ||
  fail "the folder found was not moved aside"
rm -rf "$data".untrusted-*
state() {
  (cd "$c" && find "Program Files/Quorvane" ProgramData/Quorvane \
    windows/system32/tasks/Quorvane -printf '%p %m %s\n' -type f -exec md5sum {} +)
}
before=$(state)
cmp -s "$exe" "$c/Program Files/Quorvane/Quorvane.exe" ||
  fail "install.cmd did not put the program in place"
[ -f "$tasks/Quorvane" ] || fail "install.cmd registered no task"
install && [ "$(state)" = "$before" ] || fail "a second install.cmd changed [$before] to [$(state)]"
[ -z "$(ls -d "$data".untrusted-* 2>/dev/null)" ] || fail "a second install.cmd moved its folder aside"
mv "$data/Quorvane.list" "$c/list.saved"
run && fail "a run without a list file succeeded"
printf '192.0.2.7 nas\r\n' >"$data/Quorvane.list"
run || fail "a run with the list file failed"
got=$(iconv -f CP932 -t UTF-8 "$c/ProgramData/Quorvane/Quorvane.log" |
      grep -v '^---' | tr -d '\r')
want="読み込み中... C:\ProgramData\Quorvane\Quorvane.list
Quorvane (147)
C:\ProgramData\Quorvane\Quorvane.listが開けません.
C:\ProgramData\Quorvane\Quorvane.list: ファイルがありません.
読み込み中... C:\ProgramData\Quorvane\Quorvane.list
読み込み中... C:\windows\system32\drivers\etc\hosts
192.0.2.7	nas	##Quorvane##
1 行追加しました.
書き込み中... C:\windows\system32\drivers\etc\hosts"
[ "$got" = "$want" ] || fail "the log holds [$got], expected [$want]"
[ "$(grep -c '^--- ' "$c/ProgramData/Quorvane/Quorvane.log")" = 2 ] ||
  fail "the log does not mark each run"
mv "$c/hosts.saved" "$hosts"
# Without the folder a run makes none (Wine's cmd then ends with status 0).
rm -rf "$data"
run
[ -e "$data" ] && fail "a run made the folder"
install && cmd uninstall.cmd || fail "uninstall.cmd failed"
[ -e "$tasks/Quorvane" ] || [ -e "$c/Program Files/Quorvane" ] ||
  [ ! -f "$data/Quorvane.list" ] && fail "uninstall.cmd left the task or program, or took the list"
# uninstall.cmd /all removes an install's folder, never what a link leads to.
cmd uninstall.cmd /all && [ ! -e "$data" ] || fail "uninstall.cmd /all kept the folder"
mkdir -p "$c/elsewhere" && printf 'mine' >"$c/elsewhere/keep"
install && ln -s "$c/elsewhere" "$data/link" && cmd uninstall.cmd /all
[ -f "$c/elsewhere/keep" ] || fail "uninstall.cmd /all removed what a link in the folder leads to"
rm -rf "$data" && ln -s "$c/elsewhere" "$data" && cmd uninstall.cmd /all
[ -f "$c/elsewhere/keep" ] || fail "uninstall.cmd /all removed what the folder, a link, leads to"
# A folder that is a link stops the install, nothing written where it leads.
rm -f "$data" && ln -s "$c/elsewhere" "$data"
install && fail "install.cmd took a folder that is a link"
[ "$(ls -A "$c/elsewhere")" = keep ] || fail "install.cmd wrote through a link"
spies=$(cd "$c" && ls spy-* 2>/dev/null)
[ -z "$spies" ] || fail "the scripts ran programs of their folder: $spies"
rm -rf "$data" "$data".untrusted-* "$c/elsewhere" "$unpacked" "$c/quorvane-task.bat"
/usr/lib/wine/wineserver -k 2>/dev/null
exit $failed
