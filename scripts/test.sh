#!/usr/bin/env bash
# Builds Quorvane and runs every test: the unit tests and the end-to-end
# suite in its sandbox. Installs the Debian packages it needs first (run as
# root on a fresh machine, as CI does).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libgtest-dev dnsmasq-base iproute2 libbenchmark-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' ||
    missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

echo "== Linux build and tests"
cmake --preset linux
cmake --build --preset linux
ctest --preset linux

# The benchmarks are built so that they keep compiling; bench/compare.sh
# runs the long comparison, never this script.
echo "== benchmarks (build only)"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVANE_BENCH=ON -DQUORVANE_TESTS=OFF
cmake --build build/bench
