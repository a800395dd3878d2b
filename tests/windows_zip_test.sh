#!/usr/bin/env bash
# The Windows package: builds the .zip of a 32-bit Windows build; exactly the
# program, README, manual page as text, licence, task, sample list and
# install scripts with their helper, the program a 32-bit (PE32, i386) console executable that imports
# only system DLLs (checked without running it, so also where it cannot
# run), the README, the manual page (plain ASCII, for 80 columns), the
# scripts and the sample list with CR LF line ends,
# the sample list with no active pair, the README naming the files as they
# lie in the zip, the program's version resource and manifest.
# Usage: windows_zip_test.sh WINDOWS_X86_BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
rm -f "$build"/quorvane-*.zip
cmake --build "$build" --target package >"$scratch/log" || { cat "$scratch/log"; exit 1; }
zip=$(ls "$build"/quorvane-*-windows-x86.zip)
got=$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort)
top=$(basename "$zip" .zip)
expected=$(printf '%s\n' "$top/Quorvane.exe" "$top/Quorvane.list.example" \
  "$top/Quorvane.xml" "$top/README.txt" "$top/Quorvane.txt" "$top/LICENSE.txt" \
  "$top/install.cmd" "$top/uninstall.cmd" "$top/QuorvaneInstall.exe" | LC_ALL=C sort)
[ "$got" = "$expected" ] || { printf 'the zip holds\n%s\n' "$got" >&2; exit 1; }
unzip -q "$zip" -d "$scratch"
headers=$(i686-w64-mingw32-objdump -f -p "$scratch/$top/Quorvane.exe")
grep -q 'file format pei-i386' <<<"$headers"
grep -q 'Subsystem.*(Windows CUI)' <<<"$headers"
# Statically linked, and only system DLLs that every Windows it supports
# has: nothing needed beside it, checked without running it.
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr a-z A-Z | sort -u)
allowed="ADVAPI32.DLL DNSAPI.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL WS2_32.DLL"
for dll in $imports; do
  [[ " $allowed " == *" $dll "* ]] || { echo "Quorvane.exe imports $dll" >&2; exit 1; }
done
# What Windows reads of the program before it runs: its version resource
# and its manifest (as the invoker, Windows 7, 8, 8.1 and 10/11, no code
# page of its own), read back from the exe.
resources=$(i686-w64-mingw32-windres -J coff -O rc -i "$scratch/$top/Quorvane.exe")
for want in 'FILEVERSION 2, 0, 0, 0' '"ProductName", "Quorvane"' '"ProductVersion", "2.0"' \
  '"FileDescription", "Pins host names' '"LegalCopyright", "Copyright (c) 2026' \
  'level=""asInvoker""' 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
  4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
  8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -qF "$want" <<<"$resources" || { echo "Quorvane.exe: no $want in its resources" >&2; exit 1; }
done
! grep -qi activeCodePage <<<"$resources" || { echo "Quorvane.exe: a code page in its manifest" >&2; exit 1; }
manual=$scratch/$top/Quorvane.txt
# (Its header spans the 78 columns man fills for 80; an example may be wider.)
head -1 "$manual" | grep -qx $'Quorvane(1) .* Quorvane(1)\r' &&
  [ "$(head -1 "$manual" | tr -d '\r' | wc -c)" = 79 ] && grep -q $'^SYNOPSIS\r$' "$manual" &&
  ! grep -qP '[^\t\r\n -~]|@[A-Z_]+@' "$manual" ||
  { echo "Quorvane.txt is not the filled-in manual page in ASCII for 80 columns" >&2; exit 1; }
for text in README.txt Quorvane.txt install.cmd uninstall.cmd Quorvane.list.example; do
  [ "$(grep -c $'\r$' "$scratch/$top/$text")" = "$(wc -l <"$scratch/$top/$text")" ] ||
    { echo "$text: a line without CR LF" >&2; exit 1; }
done
# The sample list the install puts in place pins nothing until edited:
# every line a comment or empty, and its paths Windows'.
list="$scratch/$top/Quorvane.list.example"
! grep -qvE $'^(#.*)?\r$' "$list" || { echo "the sample list has an active line" >&2; exit 1; }
grep -q 'C:\\Windows\\System32\\drivers\\etc\\hosts' "$list" &&
  grep -q '%ProgramData%\\Quorvane\\Quorvane.list' "$list" && ! grep -q /etc/ "$list" ||
  { echo "the sample list does not name the Windows paths" >&2; exit 1; }
for named in $(grep -oP '[A-Za-z][A-Za-z.]*\.(cmd|exe|xml|txt|example)(?![.\w])' \
  "$scratch/$top/README.txt" | sort -u); do
  [ -f "$scratch/$top/$named" ] || { echo "README.txt names $named" >&2; exit 1; }
done
