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
  *\\Quorvane.exe) ;;
  *) fail "the command is not Quorvane.exe" ;;
esac
case $(value Exec/Arguments) in
  @*\\Quorvane.list) ;;
  *) fail "the argument is not an @ list file" ;;
esac
[ -n "$(value Settings/ExecutionTimeLimit)" ] ||
  fail "a run that hangs is never stopped"
exit $failed
