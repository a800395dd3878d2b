#!/usr/bin/env bash
# Builds Quorvane for Linux and for Windows (the 32-bit program users run,
# cross-built with mingw-w64) and runs every test: the unit tests and the
# end-to-end suite on Linux (with the crash and concurrency trials), the
# unit tests, the same end-to-end suite and the warning box against the
# 32-bit Windows build under Wine, each fuzz target for a bounded time, and
# the whole Linux suite again under the sanitizers. The benchmarks are
# built, not run.
# Installs the Debian packages it needs first (run as root on a fresh
# machine, as CI does).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libgtest-dev googletest dnsmasq-base iproute2
  g++-mingw-w64-i686 binutils-mingw-w64-i686 wine64
  xvfb xdotool unzip)
# The 32-bit Windows program runs under Wine's 32-bit loader (from the i386
# architecture); qemu runs that loader where the kernel cannot.
packages+=(wine32:i386 qemu-user-static)
# The installed tool's tests: the manual page, the Windows task file, the .deb
# (lintian) and its systemd units.
packages+=(man-db groff-base libxml2-utils dpkg-dev systemd lintian)
# The benchmarks (built only).
packages+=(libbenchmark-dev)
# Data safety: the sanitizers and the fuzzers.
packages+=(clang libclang-rt-14-dev)
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
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

# The 64-bit build (preset windows-x64) runs the same source and adds no
# check the 32-bit one misses, so the tests leave it out.
echo "== Windows build"
cmake --preset windows-x86
cmake --build --preset windows-x86

echo "== Linux build and tests"
# The Linux build's tests also check the Windows package (windows_zip: the
# program is a PE32 i386 console executable) and run the end-to-end suite
# against it under Wine.
cmake --preset linux \
  -DQUORVANE_WINDOWS_X86_BUILD="$PWD/build/windows-x86" \
  -DQUORVANE_WINDOWS_EXE="$PWD/build/windows-x86/Quorvane.exe"
cmake --build --preset linux
ctest --preset linux
grep -h 'trials:' build/linux/Testing/Temporary/LastTest.log || true

echo "== Windows tests under Wine"
ctest --preset windows-x86

# The benchmarks are built so that they keep compiling; bench/compare.sh
# runs the long comparison, never this script.
echo "== benchmarks (build only)"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVANE_BENCH=ON
cmake --build build/bench

# Data safety: each fuzz target for a bounded time, then the suite again
# under the sanitizers. The crash and concurrency trials ran in full above;
# under the sanitizers a shorter count keeps the time down.
fuzz_seconds=${QUORVANE_FUZZ_SECONDS:-45}
echo "== Fuzzing, ${fuzz_seconds}s per target from its seed corpus"
cmake --preset fuzz
cmake --build --preset fuzz
for target in list_file update_scan restore_scan; do
  found=$(mktemp -d)  # new inputs go here; the committed seeds stay as they are
  log=build/fuzz/${target}.log
  if ! build/fuzz/fuzz/${target}_fuzz -max_total_time="$fuzz_seconds" \
    -max_len=4096 -timeout=10 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/ "$found" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "fuzz target $target failed; its input is in build/fuzz/" >&2
    exit 1
  fi
  echo "$target: $(grep -h 'stat::number_of_executed_units' "$log")"
  rm -rf "$found"
done

echo "== Linux build and tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
QUORVANE_CRASH_TRIALS=${QUORVANE_SANITIZE_CRASH_TRIALS:-20} \
  QUORVANE_CONCURRENCY_TRIALS=${QUORVANE_SANITIZE_CONCURRENCY_TRIALS:-10} \
  ctest --preset sanitize
