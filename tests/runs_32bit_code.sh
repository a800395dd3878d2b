#!/usr/bin/env bash
# Exit 0 when this kernel itself runs 32-bit x86 programs, 1 when it does
# not (some x86_64 kernels are built without IA-32 emulation: "Exec format
# error"). It writes and starts a 96-byte static i386 ELF whose only act is
# exit(42) (mov eax,1; mov ebx,42; int 0x80), so nothing else (wine32,
# multilib) is needed to ask. A kernel that hands i386 programs to qemu
# through binfmt_misc answers no: Wine's 32-bit loader does not run there.
set -u
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
  exit 1
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
      `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
      `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'`
      `'\x00\x00\x00\x00'`
      `'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'`
      `'\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'`
      `'\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$dir/exit42"
chmod +x "$dir/exit42"
"$dir/exit42" 2>/dev/null
[ $? = 42 ]
