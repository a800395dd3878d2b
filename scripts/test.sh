#!/usr/bin/env bash
# Builds Quorvane for Linux and for Windows (the 32-bit program users run,
# cross-built with mingw-w64) and its packages, and runs every test once per
# program: on Linux the unit tests, the end-to-end table, the crash,
# concurrency and lock trials and the package checks; against the 32-bit
# Windows build under Wine (tests/wine-run.sh) the unit tests, the same
# end-to-end table, the warning box and the task's command line. Then one
# clang build under AddressSanitizer + UndefinedBehaviorSanitizer runs each
# fuzz target for a bounded time and the unit tests and the end-to-end table
# once more. The benchmarks are built, not run.
# Installs the Debian packages it needs first (run as root on a fresh
# machine, as CI does).
set -euo pipefail
cd "$(dirname "$0")/.."

# The builds and tests; wine32 (i386) runs the 32-bit Windows program, qemu
# its loader where the kernel cannot; the packages' checks; the benchmarks
# (built only); the sanitizers and the fuzzer.
packages=(cmake ninja-build g++ libgtest-dev googletest dnsmasq-base iproute2
  python3 g++-mingw-w64-i686 binutils-mingw-w64-i686 wine64 xvfb xdotool unzip
  wine32:i386 qemu-user-static man-db groff-base libxml2-utils dpkg-dev systemd
  lintian libbenchmark-dev clang libclang-rt-14-dev musl-tools)
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

echo "== builds: Windows 32-bit, the .deb (under a strict umask, which must not reach its folders)"
cmake --preset windows-x86
cmake --build --preset windows-x86
cmake --preset package
(umask 077 && cmake --build --preset package --target package)

echo "== Linux build and tests"
# Its tests also check the packages and run the Windows program under Wine.
cmake --preset linux \
  -DQUORVANE_WINDOWS_X86_BUILD="$PWD/build/windows-x86" \
  -DQUORVANE_WINDOWS_EXE="$PWD/build/windows-x86/Quorvane.exe" \
  -DQUORVANE_PACKAGE_BUILD="$PWD/build/package"
cmake --build --preset linux
ctest --preset linux

echo "== Windows unit tests and warning box under Wine"
ctest --preset windows-x86

# Built so that they keep compiling; bench/compare.sh runs them, not this.
echo "== benchmarks (build only)"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVANE_BENCH=ON
cmake --build build/bench

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: fuzzing, then the tests"
cmake --preset sanitize
cmake --build --preset sanitize
fuzz_seconds=${QUORVANE_FUZZ_SECONDS:-60}
found=$(mktemp -d)  # new inputs go here; the committed seeds stay as they are
if ! build/sanitize/fuzz/scans_fuzz -max_total_time="$fuzz_seconds" -max_len=4096 \
  -timeout=10 -print_final_stats=1 -artifact_prefix=build/sanitize/ \
  "$found" fuzz/corpus/scans >build/sanitize/fuzz.log 2>&1; then
  tail -n 80 build/sanitize/fuzz.log
  echo "the fuzz target failed; its input is in build/sanitize/" >&2
  exit 1
fi
grep -h 'stat::number_of_executed_units' build/sanitize/fuzz.log
rm -rf "$found"
ctest --preset sanitize -R 'unit|end_to_end'
