#!/bin/sh
# Makes the kernel hand 32-bit x86 programs (the 32-bit Wine loader) to
# qemu-i386-static when it cannot run them itself. Does nothing when 32-bit
# programs already run, or when the entry is already registered.
# Needs root and a mounted binfmt_misc; exits non-zero when it cannot help.
set -eu
BINFMT=/proc/sys/fs/binfmt_misc
QEMU=${QEMU_I386:-/usr/bin/qemu-i386-static}

registered() { [ -e "$BINFMT/qemu-i386" ] || [ -e "$BINFMT/i386" ]; }

if registered; then
  exit 0
fi
if [ ! -w "$BINFMT/register" ]; then
  mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null || true
  # A fresh /proc (a chroot, a container) shows the kernel's entries only
  # once binfmt_misc is mounted: they may be there already.
  if registered; then
    exit 0
  fi
fi
if [ ! -x "$QEMU" ]; then
  echo "enable-i386-binfmt: $QEMU is missing (package qemu-user-static)" >&2
  exit 1
fi
if [ ! -w "$BINFMT/register" ]; then
  echo "enable-i386-binfmt: cannot write $BINFMT/register (needs root)" >&2
  exit 1
fi
# ELF32, little-endian, e_machine 3 (i386), executables and shared objects.
# F: qemu is opened now, so it also works inside other mount namespaces.
printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU"':F' >"$BINFMT/register"
