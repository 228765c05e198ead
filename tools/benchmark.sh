#!/bin/sh
# Runs the benchmarks of one build directory under Wine in a prefix of their own and
# prints the sizes of properties.exe of every build present. A report, never a test.
#   tools/benchmark.sh [build directory] [startup|store] [--pairs N]
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
. "$root/tools/wine-env.sh"
build=${1:-$root/build/x64}
shift || true

prefix=$CACHE_ROOT/bench-prefix
ensure_prefix "$prefix" headless
export WINEPREFIX="$prefix"
# properties.exe starts against the test printer, as a user's would against the real one.
install_test_printer "$prefix" "$build/install_printer.exe"

echo "machine: $(nproc) cores, $(uname -m), $(date -u +%Y-%m-%d)"
for arch in x64 x86; do
    exe=$root/build/$arch/properties.exe
    [ -f "$exe" ] && echo "size: properties.exe ($arch) $(stat -c %s "$exe") bytes (goal < 400 KB)"
done

log=$CACHE_ROOT/benchmark.log
# A file, not a pipe: Wine's background processes would keep a pipe open.
status=0
"$WINE64" "$build/benchmarks.exe" "$@" >"$log" 2>&1 || status=$?
"$WINESERVER" -w || true
cat "$log"
exit $status
