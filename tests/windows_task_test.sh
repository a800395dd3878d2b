#!/usr/bin/env bash
# Checks the Task Scheduler task file: UTF-16 as it says, valid against the
# task schema's structure (task_scheduler.xsd), and a task that runs
# Quorvane with the list file as SYSTEM every 10 minutes, ending a run that
# hangs.
# Usage: windows_task_test.sh TASK_XML
set -u
task=$1
schema=$(dirname "$0")/task_scheduler.xsd
failed=0
fail() { echo "windows_task_test: $*" >&2; failed=1; }

[ "$(head -c 2 "$task" | od -An -tx1 | tr -d ' ')" = fffe ] ||
  fail "no UTF-16 little-endian byte-order mark"
head -c 80 "$task" | iconv -f UTF-16 -t UTF-8 | grep -q '^<?xml version="1.0" encoding="UTF-16"?>' ||
  fail "the XML declaration does not say UTF-16"
xmllint --noout --schema "$schema" "$task" 2>&1 | grep -v ' validates$' >&2 &&
  fail "not valid against $schema"

# The value of the element NAME, wherever it is.
value() {
  xmllint --xpath "string((//*[local-name()='$1'])[${2:-1}])" "$task"
}
[ "$(value UserId)" = S-1-5-18 ] || fail "does not run as SYSTEM (S-1-5-18)"
principal=$(xmllint --xpath "string(//*[local-name()='Principal']/@id)" "$task")
context=$(xmllint --xpath "string(//*[local-name()='Actions']/@Context)" "$task")
[ "$principal" = "$context" ] || fail "the actions do not run as the principal"
repeat=$(xmllint --xpath "string(//*[local-name()='TimeTrigger']/*[local-name()='Repetition']/*[local-name()='Interval'])" "$task")
[ "$repeat" = PT10M ] || fail "the time trigger repeats every '$repeat', not PT10M"
xmllint --xpath "//*[local-name()='TimeTrigger']//*[local-name()='Duration']" "$task" >/dev/null 2>&1 &&
  fail "the repetition stops after a while"
[ "$(value Enabled)" = true ] || fail "the trigger is disabled"
case $(value Command) in *\\Quorvane.exe) ;; *) fail "the command is not Quorvane.exe" ;; esac
case $(value Arguments) in @*\\Quorvane.list) ;; *) fail "the argument is not an @ list file" ;; esac
[ -n "$(value ExecutionTimeLimit)" ] || fail "a run that hangs is never stopped"
exit $failed
