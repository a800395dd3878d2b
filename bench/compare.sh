#!/usr/bin/env bash
# Whole-process runs on a blocklist-sized hosts file (500,000 lines, 21.8 MB;
# bench/hosts_maker.h) against the cost of a plain durable copy, run as root
# in the end-to-end tests' sandbox (tests/sandbox.sh: a private /etc, so the
# real hosts file is never touched), with that /etc on the disk rather than
# in memory, so that the syncs and the rename cost what they cost. Each run
# gets a fresh copy of the file, synced to the disk before the clock starts:
#   floor     cat /etc/hosts > copy && sync copy && mv copy done
#   one       Quorvane 192.0.2.7 nas           (one pair, the line changes)
#   1000      Quorvane @LIST                   (1,000 pairs, each changes a line)
#   restore   Quorvane                         (disables 1,000 managed lines)
#   nochange  Quorvane 192.0.2.1 nas           (nothing changes, nothing written)
# The machine is shared and its times drift, so every run is paired with a
# floor run just before it, and the figure that counts is the median of
# those pairs' ratios. Given a second program (BEFORE, another build), each
# round runs the two in turn, in an order that alternates from round to
# round, and the medians of their paired ratios are printed too.
#
# Usage: sudo bash bench/compare.sh [ROUNDS [BEFORE]]    (default 15 rounds)
# Builds build/bench (QUORVANE_BENCH=ON, a release build as packaged) and
# times stripped copies of both programs, as the package installs them: the
# symbols of an unstripped program cost its every start a little. The
# timer's figures are kept in /dev/shm, so that writing them touches no
# disk; KEEP=1 keeps them. The sandbox's /etc is a folder of /var/tmp;
# BENCH_DISK=DIR puts it in DIR instead (another file system, or one
# mounted with other options).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != --inside ]; then
  rounds=${1:-15} before=${2:-}
  if [ "$(id -u)" != 0 ]; then
    echo "compare.sh: needs root (for the sandbox)" >&2
    exit 1
  fi
  [ -z "$before" ] || before=$(realpath "$before")
  build=$PWD/build/bench
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUORVANE_BENCH=ON >/dev/null
  cmake --build "$build" >/dev/null
  work=$(mktemp -d /dev/shm/quorvane-bench.XXXXXX)
  trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
  echo "== making the file"
  "$build/bench/make_hosts" "$work/hosts" "$work/list" 500000 1000
  strip -o "$work/after" "$build/Quorvane"
  [ -z "$before" ] || strip -o "$work/before" "$before"
  status=0
  tests/sandbox.sh bash "$0" --inside "$rounds" "$work" "$build" "$before" ||
    status=$?
  exit "$status"
fi

# Inside the sandbox.
rounds=$2 work=$3 build=$4 before=${5:-}
timed=$build/bench/timed_run
hosts=/etc/hosts
size=$(stat -c %s "$work/hosts")
disk=$(mktemp -d "${BENCH_DISK:-/var/tmp}/quorvane-bench-etc.XXXXXX")
cp -a /etc/. "$disk/"
mount --bind "$disk" /etc
trap 'umount /etc; rm -rf "$disk"' EXIT

programs=(after)
declare -A program=([after]=$work/after)
if [ -n "$before" ]; then
  programs+=(before)
  program[before]=$work/before
fi
kinds=(one 1000 restore nochange)
declare -A labels=([one]="1 pair" [1000]="1,000 pairs" [restore]="restore"
  [nochange]="no change")

fresh() {
  cp "$work/hosts" "$hosts"
  sync "$hosts" /etc
}
floor() {  # prints "WALL CPU PEAK"
  fresh
  "$timed" sh -c "cat $hosts > /etc/copy && sync /etc/copy && mv /etc/copy /etc/done"
  rm -f /etc/done
}
run() {  # KIND PROGRAM: prints "WALL CPU PEAK"
  fresh
  case $1 in
    one) "$timed" "$2" 192.0.2.7 nas ;;
    1000) "$timed" "$2" "@$work/list" ;;
    restore) "$timed" "$2" ;;
    nochange) "$timed" "$2" 192.0.2.1 nas ;;
  esac
}

# Each run must do what it claims before it is timed.
fail() {
  echo "compare.sh: $*" >&2
  exit 1
}
nas_line=$(printf '192.0.2.7\tnas\t##Quorvane##\r')
for p in "${programs[@]}"; do
  q=${program[$p]}
  run one "$q" >/dev/null || fail "$p: the one-pair run failed"
  grep -qxF "$nas_line" "$hosts" || fail "$p: the one-pair run did not set nas"
  run 1000 "$q" >/dev/null || fail "$p: the 1,000-pair run failed"
  [ "$(grep -c $'^10\\.0\\.[0-9]*\\.[0-9]*\t' "$hosts")" = 1000 ] ||
    fail "$p: the 1,000-pair run did not change 1,000 lines"
  run restore "$q" >/dev/null || fail "$p: the restore failed"
  [ "$(grep -c $'^#.*\t##Quorvane##' "$hosts")" = 1000 ] ||
    fail "$p: the restore did not disable 1,000 lines"
  fresh
  was=$(stat -c '%i %y %z' "$hosts")
  "$timed" "$q" 192.0.2.1 nas >/dev/null || fail "$p: the no-change run failed"
  [ "$(stat -c '%i %y %z' "$hosts")" = "$was" ] ||
    fail "$p: the no-change run wrote the file"
done

echo "== $rounds rounds, $(wc -l <"$work/hosts") lines, $size bytes"
for ((r = 1; r <= rounds; r++)); do
  order=("${programs[@]}")
  ((r % 2)) || order=($(printf '%s\n' "${programs[@]}" | tac))
  for kind in "${kinds[@]}"; do
    for p in "${order[@]}"; do
      f=$(floor)
      echo "$f" >>"$work/floor.times"
      # The run's figures, then its floor's wall time.
      echo "$(run "$kind" "${program[$p]}") ${f%% *}" >>"$work/$kind.$p"
    done
  done
done

median() {  # reads numbers, one a line
  sort -g | awk '{v[NR] = $1}
    END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
largest() { sort -g | tail -n 1; }

printf '%-22s %9s %9s %10s %14s\n' run "wall ms" "CPU ms" "peak MiB" "run / floor"
row() {  # LABEL FILE: medians, the largest peak, the median paired ratio
  awk -v l="$1" -v w="$(cut -d' ' -f1 "$2" | median)" \
    -v c="$(cut -d' ' -f2 "$2" | median)" \
    -v p="$(cut -d' ' -f3 "$2" | largest)" \
    -v r="$(awk '{print $1 / $4}' "$2" | median)" \
    'BEGIN {printf "%-22s %9.1f %9.1f %10.1f %14.2f\n", l, w, c, p / 1024, r}'
}
awk '{print $0, $1}' "$work/floor.times" >"$work/floor.paired"
row "floor" "$work/floor.paired"
for p in "${programs[@]}"; do
  for kind in "${kinds[@]}"; do
    row "$p: ${labels[$kind]}" "$work/$kind.$p"
  done
done

if [ -n "$before" ]; then
  echo
  printf '%-22s %14s\n' run "after / before"
  for kind in "${kinds[@]}"; do
    paste -d' ' "$work/$kind.after" "$work/$kind.before" |
      awk '{print $1 / $5}' | median |
      awk -v l="${labels[$kind]}" '{printf "%-22s %14.2f\n", l, $1}'
  done
fi

verdict() {  # TEXT VALUE LIMIT: met when VALUE <= LIMIT
  awk -v t="$1" -v v="$2" -v l="$3" 'BEGIN {
    printf "%s %s: %.2f (at most %.2f)\n", v <= l ? "met:    " : "NOT MET:", t, v, l}'
}
ratio_of() { awk '{print $1 / $4}' "$work/$1.after" | median; }
peak=$(for kind in "${kinds[@]}"; do cut -d' ' -f3 "$work/$kind.after"; done |
  largest)
echo
verdict "1 pair / floor" "$(ratio_of one)" 0.9
verdict "1,000 pairs / floor" "$(ratio_of 1000)" 1.1
verdict "restore / floor" "$(ratio_of restore)" 0.95
verdict "no change / floor" "$(ratio_of nochange)" 0.25
verdict "largest peak MiB (the file + 8 MiB)" "$(awk -v p="$peak" 'BEGIN {print p / 1024}')" \
  "$(awk -v s="$size" 'BEGIN {print s / 1048576 + 8}')"
