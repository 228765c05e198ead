#!/bin/sh
# Lets 32-bit Wine run on a 64-bit kernel built without 32-bit support: 32-bit Linux
# programs are handed to qemu-i386 through binfmt_misc, and a small preload library
# gives qemu's mmap the "fixed, no replace" behaviour Wine needs to start in seconds
# rather than minutes. Needs root for the binfmt registration; safe to run again.
# Prints nothing on success. The library goes to $1 (default: the cache folder).
set -eu
here=$(dirname "$(realpath "$0")")
. "$here/../wine-env.sh"
dest=${1:-$CACHE_ROOT/x86-shim}

# Nothing to do where the kernel runs 32-bit programs itself.
if "$WINE32" --version >/dev/null 2>&1 && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then exit 0; fi

command -v qemu-i386 >/dev/null 2>&1 || need_qemu=1
command -v gcc >/dev/null 2>&1 || need_gcc=1
if [ -n "${need_qemu:-}${need_gcc:-}" ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-user gcc libc6-dev >/dev/null
fi

mountpoint -q /proc/sys/fs/binfmt_misc || mount binfmt_misc -t binfmt_misc /proc/sys/fs/binfmt_misc
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    # i386 ELF executables; F opens the interpreter now, P keeps argv[0] as Wine expects.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:FP' \
        >/proc/sys/fs/binfmt_misc/register
fi

mkdir -p "$dest/lib/i386-linux-gnu" "$dest/lib/x86_64-linux-gnu"
gcc -m32 -O2 -shared -fPIC -nostdlib -fno-stack-protector -o "$dest/lib/i386-linux-gnu/map_noreplace_shim.so" \
    "$here/map_noreplace_shim.c" /lib/i386-linux-gnu/libc.so.6
# The preload names the library through $LIB, so 64-bit processes need one of their own (empty).
echo 'int map_noreplace_shim_unused;' | gcc -x c -shared -fPIC -o "$dest/lib/x86_64-linux-gnu/map_noreplace_shim.so" -
