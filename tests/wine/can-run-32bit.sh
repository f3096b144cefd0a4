#!/usr/bin/env bash
# Exit 0 when this machine can run 32-bit x86 code, as Wine needs to start the
# 32-bit program; otherwise say why on stderr and exit 1.
#
# Some virtual machines boot their kernel with 32-bit emulation switched off
# ("32-bit emulation disabled" in the kernel log): the kernel refuses i386
# executables and the 32-bit code segment faults. The machine set-up registers
# QEMU's user-mode emulation for i386 there; this check passes either way once
# 32-bit code runs. The i386 dynamic loader, which the machine set-up installs
# with Wine, is the smallest 32-bit program at hand.
set -u
loader=/lib/ld-linux.so.2
if [ ! -e "$loader" ]; then
  echo "can-run-32bit: $loader is missing (is the i386 architecture set up?)" >&2
  exit 1
fi
if ! timeout 30 "$loader" --version >/dev/null 2>&1; then
  echo "can-run-32bit: this machine's kernel cannot run 32-bit x86 programs" \
       "(booted with 32-bit emulation disabled?), so Wine cannot start a 32-bit program here" >&2
  exit 1
fi
exit 0
