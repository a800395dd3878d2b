#!/usr/bin/env bash
# Builds Quorvane and runs every test: the unit tests and the end-to-end
# suite in its sandbox. Installs the Debian packages it needs first (run as
# root on a fresh machine, as CI does).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libgtest-dev dnsmasq-base iproute2 clang
  libclang-rt-14-dev)
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
grep -h 'trials:' build/linux/Testing/Temporary/LastTest.log || true

# Data safety: the suite again under the sanitizers, then each fuzz target
# for a bounded time. The crash and concurrency trials ran in full above;
# under the sanitizers a shorter count keeps the time down.
echo "== Linux build and tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
QUORVANE_CRASH_TRIALS=${QUORVANE_SANITIZE_CRASH_TRIALS:-20} \
  QUORVANE_CONCURRENCY_TRIALS=${QUORVANE_SANITIZE_CONCURRENCY_TRIALS:-10} \
  ctest --preset sanitize

fuzz_seconds=${QUORVANE_FUZZ_SECONDS:-45}
echo "== Fuzzing, ${fuzz_seconds}s per target from its seed corpus"
cmake --preset fuzz
cmake --build --preset fuzz
for target in list_file update_scan restore_scan; do
  found=$(mktemp -d)  # new inputs go here; the committed seeds stay as they are
  build/fuzz/fuzz/${target}_fuzz -max_total_time="$fuzz_seconds" \
    -max_len=4096 -timeout=10 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/ "$found" "fuzz/corpus/$target"
  rm -rf "$found"
done
