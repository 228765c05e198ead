#!/bin/sh
# Builds the program and its tests for 64-bit and 32-bit Windows and runs every test
# under Wine, each test program in a throwaway prefix of its own.
#     tools/test.sh [--x86-through-qemu] [--arch x64|x86] [CTEST ARGUMENT...]
# --x86-through-qemu (or LUMAREL_X86_ROUTE=qemu) runs the 32-bit tests through qemu-i386
# even where the kernel runs 32-bit programs itself (tools/x86/through-qemu.sh); --arch
# builds and tests one architecture; further arguments go to ctest (e.g. -R '^unit$').
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
cd "$root"
route=${LUMAREL_X86_ROUTE:-native}
archs="x64 x86"
while [ $# -gt 0 ]; do
    case "$1" in
        --x86-through-qemu) route=qemu ;;
        --arch) archs=$2; shift ;;
        *) break ;;
    esac
    shift
done

"$root/tools/install-deps.sh"
# 32-bit Wine needs help on kernels without 32-bit support (needs root; see the script).
if [ "$(id -u)" -eq 0 ]; then "$root/tools/x86/enable-x86-wine.sh"; fi

status=0
for arch in $archs; do
    echo "== $arch: build"
    "$root/tools/configure.sh" "$arch"
    log=build/$arch-build.log
    cmake --build --preset "$arch" >"$log" 2>&1 || { cat "$log"; exit 1; }
    grep -E 'warning' "$log" || true
    if [ "$arch" = x86 ] && [ "$route" = qemu ]; then
        echo "== $arch: tests, 32-bit Wine through qemu-i386"
        "$root/tools/x86/through-qemu.sh" ctest --preset "$arch" "$@" || status=1
    else
        echo "== $arch: tests"
        ctest --preset "$arch" "$@" || status=1
    fi
done
exit $status
