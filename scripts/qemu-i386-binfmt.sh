#!/usr/bin/env bash
# Lets this x86_64 kernel run 32-bit x86 programs (such as 32-bit wine) through
# qemu-i386 user emulation: mounts binfmt_misc if needed and registers
# /usr/bin/qemu-i386-static for i386 ELF files, with flag F (the emulator is opened
# now, so it also works inside other mount namespaces). Idempotent.
#
#   qemu-i386-binfmt.sh           register (exit 0), or exit 77 with a line saying
#                                 why this machine cannot be set up for it
#   qemu-i386-binfmt.sh remove    removes the registration made here
#
# Remove it when done: while it is registered, making a new 64-bit wine prefix hangs
# here (wineboot's 32-bit helpers stall under the emulator).
set -euo pipefail
binfmt=/proc/sys/fs/binfmt_misc
emulator=/usr/bin/qemu-i386-static
skip() { echo "skip: $*"; exit 77; }

if [ "${1:-}" = remove ]; then
  [ -e "$binfmt/qemu-i386" ] && echo -1 >"$binfmt/qemu-i386"
  exit 0
fi

[ -x "$emulator" ] || skip "$emulator is missing (Debian package qemu-user-static)"
if [ ! -e "$binfmt/register" ]; then
  [ "$(id -u)" -eq 0 ] || skip "mounting binfmt_misc needs root"
  mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || skip "binfmt_misc cannot be mounted here"
fi
# Another name may already hand i386 programs to qemu (Debian's own registration).
for entry in "$binfmt"/*; do
  case "${entry##*/}" in register | status) continue ;; esac
  if [ -f "$entry" ] && grep -q '^enabled' "$entry" && grep -q "interpreter .*qemu-i386" "$entry"; then
    exit 0
  fi
done
[ "$(id -u)" -eq 0 ] || skip "registering qemu-i386 needs root"
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s' ":qemu-i386:M::$magic:$mask:$emulator:F" >"$binfmt/register" 2>/dev/null ||
  skip "the kernel refused the qemu-i386 registration"
grep -q '^enabled' "$binfmt/qemu-i386" || skip "the qemu-i386 registration is not enabled"
