#!/usr/bin/env bash
# Builds Quorvane for Linux and for Windows (cross-built with mingw-w64: the
# 32-bit program users run, and the 64-bit build of the same sources) and
# its packages, and runs every test: on Linux the unit tests, the
# end-to-end table, the crash, concurrency and lock trials and the package
# checks; under Wine the Windows unit tests, the same end-to-end table, the
# warning box and the install and task scripts. Then one clang build under
# AddressSanitizer + UndefinedBehaviorSanitizer runs the fuzz target for a
# bounded time and the unit tests and the end-to-end table once more. The
# benchmarks are built, not run.
#
# Which Windows program the Wine suites run is decided once, here: the
# 32-bit one where this kernel runs 32-bit x86 code (Wine's 32-bit loader
# needs it), else the 64-bit build; the 32-bit program is built and checked
# (its headers and imports) either way. QUORVANE_WINDOWS_BITS=64 asks for
# the 64-bit build even where 32-bit code runs.
# Installs the Debian packages it needs first (run as root on a fresh
# machine, as CI does).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

if bash tests/runs_32bit_code.sh; then
  bits=32 why="this kernel runs 32-bit code"
else
  bits=64 why="this kernel runs no 32-bit code; the 32-bit program was built and checked, not run"
fi
case ${QUORVANE_WINDOWS_BITS:-} in
  '') ;;
  64) [ $bits = 64 ] || { bits=64 why="QUORVANE_WINDOWS_BITS=64; the 32-bit program was built and checked, not run"; } ;;
  32) [ $bits = 32 ] || { echo "QUORVANE_WINDOWS_BITS=32, but $why" >&2; exit 1; } ;;
  *) echo "QUORVANE_WINDOWS_BITS is 32 or 64" >&2; exit 1 ;;
esac
echo "== Windows suites will run the $bits-bit build ($why)"

# The builds and tests (mingw-w64's -posix compilers: the -win32 ones of
# GCC 12 have no std::thread); Wine, and wine32 only where it can run; the
# packages' checks; the benchmarks (built only); the sanitizers and the
# fuzzer.
packages=(cmake ninja-build g++ libgtest-dev googletest dnsmasq-base iproute2
  python3 g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xdotool
  unzip man-db groff-base libxml2-utils dpkg-dev systemd lintian jq python3-yaml
  libbenchmark-dev clang libclang-rt-14-dev musl-tools)
if [ $bits = 32 ]; then
  packages+=(wine32:i386)
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
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

# Every Wine suite shares one prefix; made here, once and within a bound,
# so that no suite spends its own timeout on it.
export QUORVANE_WINEPREFIX=$PWD/build/wine-prefix
WINEPREFIX=$QUORVANE_WINEPREFIX bash tests/wine-prefix.sh

echo "== builds: Windows 32-bit and 64-bit, the .deb (under a strict umask, which must not reach its folders)"
cmake --preset windows-x86
cmake --build --preset windows-x86
cmake --preset windows-x64
cmake --build --preset windows-x64
cmake --preset package
(umask 077 && cmake --build --preset package --target package)
windows=windows-x86
[ $bits = 64 ] && windows=windows-x64

echo "== Linux build and tests"
# Its tests also check the packages (the .zip holds the 32-bit program) and
# run the chosen Windows program under Wine.
cmake --preset linux \
  -DQUORVANE_WINDOWS_X86_BUILD="$PWD/build/windows-x86" \
  -DQUORVANE_WINDOWS_EXE="$PWD/build/$windows/Quorvane.exe" \
  -DQUORVANE_PACKAGE_BUILD="$PWD/build/package"
cmake --build --preset linux
ctest --preset linux

echo "== Windows unit tests and warning box under Wine ($windows)"
ctest --preset $windows

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

echo "== Windows suites: $bits-bit build ($why)"
echo "== all builds and tests passed in $((SECONDS - started)) s"
