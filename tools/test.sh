#!/bin/sh
# Builds the program and its tests for 64-bit and 32-bit Windows and runs every test
# under Wine, each test program in a throwaway prefix of its own.
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
cd "$root"
"$root/tools/install-deps.sh"
# 32-bit Wine needs help on kernels without 32-bit support (needs root; see the script).
if [ "$(id -u)" -eq 0 ]; then "$root/tools/x86/enable-x86-wine.sh"; fi

status=0
for arch in x64 x86; do
    echo "== $arch: build"
    cmake --preset "$arch" >/dev/null
    log=build/$arch-build.log
    cmake --build --preset "$arch" >"$log" 2>&1 || { cat "$log"; exit 1; }
    grep -E 'warning' "$log" || true
    echo "== $arch: tests"
    ctest --preset "$arch" || status=1
done
exit $status
