#!/usr/bin/env bash
# The Windows package: builds the .zip of a 32-bit Windows build and checks
# that it holds exactly the program, the README, the licence, the task and
# the sample list, and that the program in it is a 32-bit (PE32, i386) console
# executable.
# Usage: windows_zip_test.sh WINDOWS_X86_BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
rm -f "$build"/quorvane-*.zip
cmake --build "$build" --target package >"$scratch/log" || { cat "$scratch/log"; exit 1; }
zip=$(ls "$build"/quorvane-*-windows-x86.zip)
echo "$zip"
got=$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort)
top=$(basename "$zip" .zip)
expected=$(printf '%s\n' "$top/Quorvane.exe" "$top/Quorvane.list.example" \
  "$top/Quorvane.xml" "$top/README.txt" "$top/LICENSE.txt" | LC_ALL=C sort)
if [ "$got" != "$expected" ]; then
  printf 'the zip holds\n%s\ninstead of\n%s\n' "$got" "$expected" >&2
  exit 1
fi
unzip -q "$zip" -d "$scratch"
headers=$(i686-w64-mingw32-objdump -f -p "$scratch/$top/Quorvane.exe")
grep -q 'file format pei-i386' <<<"$headers"
grep -q 'Subsystem.*(Windows CUI)' <<<"$headers"
# Statically linked: no compiler runtime DLLs needed beside it.
if grep -E 'DLL Name: (libstdc|libgcc|libwinpthread)' <<<"$headers"; then
  echo "the program needs compiler DLLs" >&2
  exit 1
fi
echo "1 passed, 0 failed"
