#!/bin/sh
# Runs a command with every 32-bit Linux program it starts handed to qemu-i386, also on
# a kernel that runs 32-bit programs itself, so that the route taken where the kernel
# has no 32-bit support can be tried on any machine:
#     tools/x86/through-qemu.sh COMMAND [ARGUMENT...]
# The registration is made in a binfmt_misc mount of the command's own user and mount
# namespaces (Linux 6.7 and later), so the rest of the machine keeps running 32-bit
# programs natively. Where the kernel gives no such mount, root registers qemu for the
# whole machine while the command runs and removes the registration afterwards.
set -eu
here=$(dirname "$(realpath "$0")")
. "$here/../wine-env.sh"
. "$here/qemu-i386.sh"
binfmt=/proc/sys/fs/binfmt_misc

if [ "${1:-}" = --in-namespace ]; then
    shift
    mount -t binfmt_misc binfmt_misc $binfmt
    register_qemu_i386 $binfmt
    exec "$@"
fi

install_qemu_user
build_map_noreplace_shim
if unshare --user --map-root-user --mount sh -c "mount -t binfmt_misc binfmt_misc $binfmt" 2>/dev/null; then
    exec unshare --user --map-root-user --mount "$0" --in-namespace "$@"
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "This kernel has no binfmt_misc per namespace: run as root to register qemu-i386 for the machine." >&2
    exit 1
fi
mountpoint -q $binfmt || mount binfmt_misc -t binfmt_misc $binfmt
if [ ! -e $binfmt/qemu-i386 ]; then
    register_qemu_i386 $binfmt
    trap 'echo -1 >'"$binfmt"'/qemu-i386' EXIT
fi
status=0
"$@" || status=$?
exit $status
