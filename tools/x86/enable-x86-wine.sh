#!/bin/sh
# Lets 32-bit Wine run on a 64-bit kernel built without 32-bit support: 32-bit Linux
# programs are handed to qemu-i386 through binfmt_misc, and a small preload library
# gives qemu's mmap the "fixed, no replace" behaviour Wine needs to start in seconds
# rather than minutes. Needs root for the binfmt registration; safe to run again.
# Prints nothing on success. (tools/x86/through-qemu.sh takes the same route for one
# command on a kernel that does run 32-bit programs.)
set -eu
here=$(dirname "$(realpath "$0")")
. "$here/../wine-env.sh"
. "$here/qemu-i386.sh"

# Nothing to do where the kernel runs 32-bit programs itself.
if "$WINE32" --version >/dev/null 2>&1 && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then exit 0; fi

install_qemu_user
mountpoint -q /proc/sys/fs/binfmt_misc || mount binfmt_misc -t binfmt_misc /proc/sys/fs/binfmt_misc
register_qemu_i386 /proc/sys/fs/binfmt_misc
build_map_noreplace_shim
