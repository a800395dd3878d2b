#!/usr/bin/env bash
# The task file (UTF-16, valid against task_scheduler.xsd, the program run
# with no cmd and no file redirect), programs named by full path in the
# install scripts, and, given the Windows program (with QuorvaneInstall.exe
# beside it), install.cmd, uninstall.cmd and the task's command line under
# Wine's cmd, against what an ordinary account could leave: a folder with a
# list and a journal (mode 777 stands for another account's), programs
# named like the system's beside the scripts, links; the Apps & Features
# entry and the PATH, the uninstall it runs (the hosts file restored) and
# /keep-lines; the scripts' usage for a switch they do not take, and their
# wait for a key when double-clicked. The events a run sends are read from
# Wine's trace of ReportEventW (its event log keeps none).
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
# As SYSTEM, no file is opened by a name in a folder a user could make;
# the path is quoted, so that no C:\Program.exe runs in its place.
[ "$(value Command)" = '"%ProgramFiles%\Quorvane\Quorvane.exe"' ] &&
  [ "$(value Arguments)" = '--event-log --prune @"%ProgramData%\Quorvane\Quorvane.list"' ] ||
  fail "the task does not run the program alone, reporting to the event log"
scripts=$(dirname "$task")
# No program by a bare name (the current folder's would run first), and no
# tool that follows links.
for script in install.cmd uninstall.cmd; do
  grep -vhiE '^[[:space:]]*(rem|echo)[[:space:](]' "$scripts/$script" |
    grep -iE '(^|[[:space:](&|"])(fltmc|net|schtasks|reg|takeown|icacls|cd)(\.exe)?([[:space:]]|$)' >&2 &&
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
# From a batch file, whose cmd expands the variables as Task Scheduler does.
printf '%s %s\r\n' "$(value Command)" "$(value Arguments)" >"$c/quorvane-task.bat"
unpacked=$c/quorvane-zip
# Wine's cmd has no CMDCMDLINE of its own: it is set as Windows sets it.
cmd() {
  (cd "$unpacked" && CMDCMDLINE=${CMDCMDLINE:-"cmd /d /c $*"} LC_ALL=${lang:-ja_JP.UTF-8} \
    /usr/lib/wine/wine64 cmd /d /c "$@" </dev/null >"$c/cmd.out" 2>&1)
}
run() {
  (cd "$c" && LC_ALL=C WINEDEBUG=-all,err+eventlog,trace+eventlog,fixme+advapi \
    /usr/lib/wine/wine64 cmd /d /c 'C:\quorvane-task.bat' </dev/null >"$c/cmd.out" 2>&1)
}
# The events the last run sent, a line each: TYPE ID TEXT.
events() {
  paste -d' ' <(sed -n 's/^.*advapi:ReportEventW ([^,]*,\(0x[0-9a-f]*\),0x[0-9a-f]*,\(0x[0-9a-f]*\),.*$/\1 \2/p' "$c/cmd.out") \
    <(sed -n 's/^.*eventlog:ReportEventW L"\(.*\)"$/\1/p' "$c/cmd.out")
}
source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Quorvane'
event_source() { cmd 'C:\windows\system32\reg.exe' query "$source_key" /v EventMessageFile; }
apps='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane'
# How often the program's folder is on the system PATH.
on_path() {
  cmd 'C:\windows\system32\reg.exe' query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment' /v Path
  grep -io 'C:\\Program Files\\Quorvane' "$c/cmd.out" | wc -l
}
# The zip unpacked, with programs named like the system's that say they ran.
rm -rf "$unpacked" && mkdir -p "$unpacked"
cp "$exe" "$helper" "$scripts"/{install.cmd,uninstall.cmd} "$task" \
  "$scripts/Quorvane.list.example" "$unpacked/"
for tool in fltmc net schtasks reg takeown icacls; do
  printf '@echo off\r\necho ran >C:\\spy-%s\r\n' "$tool" >"$unpacked/$tool.bat"
done
# A folder another account made, with its list and a journal.
mkdir -p "$data" && chmod 777 "$data"
printf '6.6.6.6 www.bank.example\r\n' >"$data/Quorvane.list"
printf 'planted' >"$data/.0123456789abcdef.Quorvane-journal"
install() { cmd install.cmd; }
install || fail "install.cmd failed: $(cat "$c/cmd.out")"
cmp -s "$scripts/Quorvane.list.example" "$data/Quorvane.list" ||
  fail "install.cmd kept a list another account made"
[ "$(ls -A "$data")" = Quorvane.list ] || fail "install.cmd kept [$(ls -A "$data")]"
ls "$data".untrusted-*/Quorvane.list >/dev/null 2>&1 &&
  grep -q "The list that was there is now C:.ProgramData.Quorvane.untrusted-[-0-9]*.Quorvane.list" "$c/cmd.out" ||
  fail "the folder found was not moved aside, or install.cmd did not say where its list went: $(cat "$c/cmd.out")"
event_source && grep -q 'REG_EXPAND_SZ *%SystemRoot%\\System32\\EventCreate.exe' "$c/cmd.out" ||
  fail "install.cmd registered no event source: $(cat "$c/cmd.out")"
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
# Apps & Features runs the uninstall.cmd beside the program; the folder is
# on the PATH once, however often the install ran.
[ "$(on_path)" = 1 ] || fail "the program's folder is on the PATH $(on_path) times"
entry=$'DisplayIcon REG_SZ C:\\Program Files\\Quorvane\\Quorvane.exe\nDisplayName REG_SZ Quorvane\nDisplayVersion REG_SZ 2.0\nInstallLocation REG_SZ C:\\Program Files\\Quorvane
NoModify REG_DWORD 0x1\nNoRepair REG_DWORD 0x1\nPublisher REG_SZ Quorvane developers
UninstallString REG_SZ "C:\\windows\\system32\\cmd.exe" /c ""C:\\Program Files\\Quorvane\\uninstall.cmd""'
cmd 'C:\windows\system32\reg.exe' query "$apps"
[ "$(sed -n 's/^ \+\([A-Z][A-Za-z]*\) \+\(REG_[A-Z]*\) \+\(.*\)\r$/\1 \2 \3/p' "$c/cmd.out" | sort)" = "$entry" ] ||
  fail "the Apps & Features entry is not the install's: $(cat "$c/cmd.out")"
for switch in /? -all; do  # a switch it does not take changes nothing
  for script in install.cmd uninstall.cmd; do
    cmd $script "$switch"; status=$?
    [ $status = "$([ "$switch" = /? ] && echo 0 || echo 1)" ] && grep -q "^Usage: $script" "$c/cmd.out" &&
      [ "$(state)" = "$before" ] && ! grep -qi 'press any key' "$c/cmd.out" ||
      fail "$script $switch: status $status, or no usage, or it changed something: $(cat "$c/cmd.out")"
  done
done
# Started by a double-click (cmd /c ""SCRIPT" "), a script waits for a key
# at the end.
CMDCMDLINE='C:\windows\system32\cmd.exe /c ""C:\quorvane-zip\install.cmd" "' lang=C \
  cmd 'C:\quorvane-zip\install.cmd' /?
grep -qi 'press any key' "$c/cmd.out" || fail "install.cmd, double-clicked, did not wait: $(cat "$c/cmd.out")"
mv "$data/Quorvane.list" "$c/list.saved"
run && fail "a run without a list file succeeded"
list_win='C:\\ProgramData\\Quorvane\\Quorvane.list'
missing="0x0001 0x00000093 Quorvane (147)\\r\\nCannot open $list_win.\\r\\n$list_win: no such file.\\r\\n\\r\\nReading... $list_win\\r\\n"
[ "$(events)" = "$missing" ] || fail "a run without a list sent [$(events)], expected [$missing]"
printf '192.0.2.7 nas\r\n' >"$data/Quorvane.list"
run || fail "a run with the list file failed"
hosts_win='C:\\windows\\system32\\drivers\\etc\\hosts'
want="0x0004 0x00000001 Reading... $list_win\\r\\nReading... $hosts_win\\r\\nnas: added 192.0.2.7\\r\\n1 line added.\\r\\nWriting... $hosts_win\\r\\n"
[ "$(events)" = "$want" ] || fail "a run sent [$(events)], expected [$want]"
[ -z "$(ls -A "$data" | grep -v '^Quorvane.list$')" ] || fail "a run wrote in the folder: $(ls -A "$data")"
# Apps & Features' uninstall after a run that took an entry: the restore
# leaves no line of ours active and gives the entry back; then the program,
# the entry and the PATH go. /keep-lines leaves the file as it is.
printf '127.0.0.1\tlocalhost\r\n10.0.0.5 nas\r\n' >"$hosts" && run && grep -q '^#Quorvane-kept' "$hosts" ||
  fail "a run took no entry: $(cat "$hosts")"
cmd 'C:\windows\system32\reg.exe' query "$apps" /v UninstallString &&
  sed -n 's/^ *UninstallString *REG_SZ *\(.*\)\r$/@\1\r/p' "$c/cmd.out" >"$c/apps-uninstall.bat" &&
  lang=C cmd 'C:\apps-uninstall.bat' && grep -q '^1 line disabled, 1 entry given back\.' "$c/cmd.out" ||
  fail "Apps & Features' uninstall failed: $(cat "$c/cmd.out")"
[ "$(grep -v '^#' "$hosts")" = $'127.0.0.1\tlocalhost\r\n10.0.0.5 nas\r' ] && ! grep -q '^#Quorvane-kept' "$hosts" ||
  fail "uninstall.cmd left the hosts file [$(cat "$hosts")]"
# (Wine's cmd holds the script it runs open, so its folder stays, empty.)
[ -n "$(ls -A "$c/Program Files/Quorvane" 2>/dev/null)" ] || [ -e "$tasks/Quorvane" ] ||
  [ "$(on_path)" != 0 ] || cmd 'C:\windows\system32\reg.exe' query "$apps" &&
  fail "uninstall.cmd left the program, the task, the PATH or the entry"
install && run && cp "$hosts" "$c/hosts.run" && cmd uninstall.cmd /keep-lines && cmp -s "$hosts" "$c/hosts.run" &&
  [ ! -e "$c/Program Files/Quorvane" ] && install || fail "uninstall.cmd /keep-lines changed the hosts file, or failed"
rm -f "$c/hosts.run" "$c/apps-uninstall.bat"
mv "$c/hosts.saved" "$hosts"
# Without the folder a run makes none, and says why in the event log.
rm -rf "$data"
run && fail "a run without the folder succeeded"
[ -e "$data" ] && fail "a run made the folder"
[ "$(events)" = "$missing" ] || fail "a run without the folder sent [$(events)], expected [$missing]"
# An administrator's own folder, which others may read, keeps its list.
mkdir -p "$data" && chmod 755 "$data" && printf 'one.test nas\r\n' >"$data/Quorvane.list"
install && grep -q 'Kept C:.ProgramData.Quorvane, as only administrators could change it' "$c/cmd.out" &&
  [ "$(cat "$data/Quorvane.list")" = $'one.test nas\r' ] &&
  [ -z "$(ls -d "$data".untrusted-* 2>/dev/null)" ] ||
  fail "install.cmd did not keep an administrator's folder and list: $(cat "$c/cmd.out")"
install && cmd uninstall.cmd || fail "uninstall.cmd failed"
[ -e "$tasks/Quorvane" ] || [ -e "$c/Program Files/Quorvane" ] ||
  [ ! -f "$data/Quorvane.list" ] && fail "uninstall.cmd left the task or program, or took the list"
event_source && fail "uninstall.cmd left the event source"
# uninstall.cmd /all removes an install's folder, never what a link leads to.
# Nested folders go; another account's folder in it is moved aside whole.
mkdir -p "$data/a/b" "$data/theirs/in" && printf x >"$data/a/b/f" &&
  printf 'theirs' >"$data/theirs/in/keep" && chmod 777 "$data/theirs"
cmd uninstall.cmd /all && [ ! -e "$data" ] || fail "uninstall.cmd /all kept the folder: $(cat "$c/cmd.out")"
[ "$(cat "$data".untrusted-*/in/keep 2>/dev/null)" = theirs ] ||
  fail "uninstall.cmd /all entered another account's folder"
rm -rf "$data".untrusted-*
# Under Wine links are opened as what they lead to: refused, not removed.
mkdir -p "$c/elsewhere" && printf 'mine' >"$c/elsewhere/keep"
install && ln -s "$c/elsewhere" "$data/link" && ln -s "$c/elsewhere/keep" "$data/file-link" &&
  cmd uninstall.cmd /all
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
