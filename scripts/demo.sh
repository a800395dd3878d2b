#!/usr/bin/env bash
# Shows what Quorvane does, without touching this machine's hosts file: in a
# private mount namespace, /etc is overlaid with a scratch layer in memory
# (and /run, where a run keeps its lock, is a fresh one),
# and the program points `nas` at the address of `localhost` (which resolves
# from the hosts file, with no network), then restores; the hosts file is
# printed before, between and after. When the namespace ends, the layer and
# everything written to it are gone; the real /etc/hosts is checked to be
# unchanged.
# Usage (as root): bash scripts/demo.sh [PROGRAM]
#   PROGRAM defaults to build/program/Quorvane (the quick start's build).
set -euo pipefail

if [ "${1:-}" = --inside ]; then
  program=$2 scratch=$3
  mount -t tmpfs quorvane-demo "$scratch"
  mkdir "$scratch/upper" "$scratch/work"
  mount -t overlay quorvane-demo \
    -o "lowerdir=/etc,upperdir=$scratch/upper,workdir=$scratch/work" /etc
  # The run's lock lives in /run/quorvane: a private /run keeps it there.
  mount -t tmpfs quorvane-demo-run /run
  show() {
    echo "---- /etc/hosts, $1 ----"
    cat /etc/hosts
    echo "----"
    echo
  }
  run() {
    echo "# Quorvane${*:+ $*}"
    "$program" "$@" </dev/null
    echo
  }
  echo "(a private copy of /etc: the real /etc/hosts is not touched)"
  echo
  show before
  run localhost nas
  show "after the update: nas points at localhost's address"
  run
  show "after the restore: the line is a comment, kept for the next update"
  exit 0
fi

program=$(realpath "${1:-$(dirname "$0")/../build/program/Quorvane}")
[ -x "$program" ] || { echo "demo.sh: no program at $program" >&2; exit 1; }
if [ "$(id -u)" != 0 ]; then
  echo "demo.sh: run as root (it needs a private mount namespace)" >&2
  exit 1
fi
scratch=$(mktemp -d)
trap 'rmdir "$scratch"' EXIT
real_hosts=$(sha256sum </etc/hosts)
unshare --mount --propagation private \
  bash "$0" --inside "$program" "$scratch"
if [ "$(sha256sum </etc/hosts)" != "$real_hosts" ]; then
  echo "demo.sh: the real /etc/hosts changed meanwhile" >&2
  exit 1
fi
echo "The real /etc/hosts is unchanged."
