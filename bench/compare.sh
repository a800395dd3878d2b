#!/usr/bin/env bash
# Whole-process comparison on a blocklist-sized hosts file (500,000 lines,
# 21.8 MB; bench/hosts_maker.h), run as root in the end-to-end tests'
# sandbox (tests/sandbox.sh: a private /etc, so the real hosts file is never
# touched). Each round runs, in turn, with a fresh copy of the file:
#   floor     read the file and write a durable copy beside it, renamed over
#             it, with ordinary tools (dd conv=fsync, mv)
#   one       Quorvane 192.0.2.7 nas           (one pair, the line changes)
#   1000      Quorvane @LIST                   (1,000 pairs, each changes a line)
#   restore   Quorvane                         (disables 1,000 managed lines)
#   nochange  Quorvane 192.0.2.1 nas           (nothing changes, nothing written)
#   hostile   hostile set 192.0.2.7 nas        (npm package hostile 1.4.0)
# and prints, for each, the median wall time, the median CPU time (user plus
# system), the largest peak resident memory and the ratio of its median wall
# time to the floor's, then whether each goal is met.
#
# Usage: sudo bash bench/compare.sh [ROUNDS]     (default 15)
# Builds build/bench (QUORVANE_BENCH=ON), installs hostile@1.4.0 with npm
# into a temporary folder (and Debian's nodejs and npm when missing). Takes
# about a minute, most of it hostile's. KEEP=1 keeps the temporary folder,
# with every run's figures in NAME.times.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != --inside ]; then
  rounds=${1:-15}
  if [ "$(id -u)" != 0 ]; then
    echo "compare.sh: needs root (for the sandbox)" >&2
    exit 1
  fi
  build=$PWD/build/bench
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_BENCH=ON >/dev/null
  cmake --build "$build" >/dev/null
  if ! command -v npm >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q nodejs npm >/dev/null
  fi
  work=$(mktemp -d /tmp/quorvane-bench.XXXXXX)
  trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
  echo "== installing hostile@1.4.0 into $work"
  npm install --silent --no-audit --no-fund --prefix "$work/npm" \
    hostile@1.4.0 >/dev/null
  echo "== making the file"
  "$build/bench/make_hosts" "$work/hosts" "$work/list" 500000 1000
  status=0
  tests/sandbox.sh bash "$0" --inside "$rounds" "$work" "$build" || status=$?
  exit "$status"
fi

# Inside the sandbox.
rounds=$2 work=$3 build=$4
quorvane=$build/Quorvane
timed=$build/bench/timed_run
hostile=$work/npm/node_modules/hostile/bin/cmd.js
hosts=/etc/hosts
size=$(stat -c %s "$work/hosts")

names=(floor one 1000 restore nochange hostile)
labels=("floor (dd conv=fsync, mv)" "Quorvane, 1 pair" "Quorvane, 1,000 pairs"
  "Quorvane, restore" "Quorvane, no change" "hostile 1.4.0, 1 entry")
run() {  # NAME: a fresh file, then the timed run; prints "WALL CPU PEAK"
  cp "$work/hosts" "$hosts"
  case $1 in
    floor)
      "$timed" sh -c "dd if=$hosts of=$hosts.floor bs=1M conv=fsync \
        status=none && mv $hosts.floor $hosts" ;;
    one) "$timed" "$quorvane" 192.0.2.7 nas ;;
    1000) "$timed" "$quorvane" "@$work/list" ;;
    restore) "$timed" "$quorvane" ;;
    nochange) "$timed" "$quorvane" 192.0.2.1 nas ;;
    hostile) "$timed" node "$hostile" set 192.0.2.7 nas ;;
  esac
}

# Each run must do what it claims before it is timed.
fail() {
  echo "compare.sh: $*" >&2
  exit 1
}
nas_line=$(printf '192.0.2.7\tnas\t##Quorvane##\r')
run one >/dev/null || fail "the one-pair run failed"
grep -qxF "$nas_line" "$hosts" || fail "the one-pair run did not set nas"
run 1000 >/dev/null || fail "the 1,000-pair run failed"
[ "$(grep -c $'^10\\.0\\.[0-9]*\\.[0-9]*\t' "$hosts")" = 1000 ] ||
  fail "the 1,000-pair run did not change 1,000 lines"
run restore >/dev/null || fail "the restore failed"
[ "$(grep -c $'^#.*\t##Quorvane##' "$hosts")" = 1000 ] ||
  fail "the restore did not disable 1,000 lines"
cp "$work/hosts" "$hosts"
before=$(stat -c '%i %y %z' "$hosts")
"$timed" "$quorvane" 192.0.2.1 nas >/dev/null || fail "the no-change run failed"
[ "$(stat -c '%i %y %z' "$hosts")" = "$before" ] ||
  fail "the no-change run wrote the file"
run hostile >/dev/null || fail "hostile failed"
grep -q $'^192\\.0\\.2\\.7[ \t]*nas' "$hosts" || fail "hostile did not set nas"

echo "== $rounds rounds, $(wc -l <"$work/hosts") lines, $size bytes"
for ((r = 1; r <= rounds; r++)); do
  for name in "${names[@]}"; do
    run "$name" >>"$work/$name.times"
  done
done

median() {  # COLUMN FILE
  cut -d' ' -f"$1" "$2" | sort -g | awk '{v[NR] = $1}
    END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
largest() {  # COLUMN FILE
  cut -d' ' -f"$1" "$2" | sort -g | tail -n 1
}
declare -A wall cpu peak
for name in "${names[@]}"; do
  wall[$name]=$(median 1 "$work/$name.times")
  cpu[$name]=$(median 2 "$work/$name.times")
  peak[$name]=$(largest 3 "$work/$name.times")
done

printf '%-28s %9s %9s %10s %8s\n' run "wall ms" "CPU ms" "peak MiB" "/ floor"
for i in "${!names[@]}"; do
  name=${names[$i]}
  awk -v l="${labels[$i]}" -v w="${wall[$name]}" -v c="${cpu[$name]}" \
    -v p="${peak[$name]}" -v f="${wall[floor]}" \
    'BEGIN {printf "%-28s %9.1f %9.1f %10.1f %8.2f\n", l, w, c, p / 1024, w / f}'
done

verdict() {  # TEXT VALUE LIMIT [least]: met when VALUE <= LIMIT (or >=)
  awk -v t="$1" -v v="$2" -v l="$3" -v least="${4:-}" 'BEGIN {
    met = least ? v >= l : v <= l
    printf "%s %s: %.2f (%s %.2f)\n", met ? "met:    " : "NOT MET:", t, v,
      least ? "at least" : "at most", l}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {print a / b}'; }
max_peak=0
for name in one 1000 restore nochange; do
  max_peak=$(awk -v a="$max_peak" -v b="${peak[$name]}" 'BEGIN {print (b > a) ? b : a}')
done
echo
verdict "1 pair / floor" "$(ratio "${wall[one]}" "${wall[floor]}")" 2
verdict "hostile / 1 pair" "$(ratio "${wall[hostile]}" "${wall[one]}")" 20 least
verdict "1,000 pairs / 1 pair" "$(ratio "${wall[1000]}" "${wall[one]}")" 3
verdict "largest peak MiB of Quorvane (1.25 x file + 8 MiB)" \
  "$(ratio "$max_peak" 1024)" "$(awk -v s="$size" 'BEGIN {print 1.25 * s / 1048576 + 8}')"
verdict "restore / floor" "$(ratio "${wall[restore]}" "${wall[floor]}")" 2
verdict "no change / floor" "$(ratio "${wall[nochange]}" "${wall[floor]}")" 2
