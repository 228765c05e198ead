#!/bin/sh
# Builds properties.exe and opens the printer's property sheet under Wine: on $DISPLAY
# when there is one, otherwise on a virtual screen (Xvfb) with a screenshot saved.
# Arguments are passed to the program (for example /nogeneral).
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
cd "$root"
"$root/tools/install-deps.sh"
. "$root/tools/wine-env.sh"

"$root/tools/configure.sh" x64
cmake --build --preset x64 --target properties install_printer >/dev/null

prefix=$CACHE_ROOT/run-prefix
mkdir -p "$CACHE_ROOT"
ensure_prefix "$prefix" display
export WINEPREFIX="$prefix"
program=$root/build/x64/properties.exe
# The test printer, so that the General and Paper pages have a printer to work on.
install_test_printer "$prefix" "$root/build/x64/install_printer.exe"
log=$CACHE_ROOT/run.log

if [ -n "${DISPLAY:-}" ]; then
    "$WINE64" "$program" "$@" >"$log" 2>&1
    exit $?
fi

# No display: a virtual one, then a picture of the sheet.
start_virtual_screen :77 "$log.xvfb"
# Without a window manager only Wine's own desktop window draws title bars.
"$WINE64" explorer /desktop=LumarelProperties,1024x768 "$(winepath_of "$program")" "$@" >"$log" 2>&1 &
found=""
for _ in $(seq 1 60); do
    # The sheet's title names the printer; the window belongs to properties.exe.
    if xwininfo -root -tree 2>/dev/null | grep -q 'Lumarel Printer.*"properties.exe"'; then found=1; break; fi
    sleep 0.5
done
sleep 2
shot=${SCREENSHOT:-$CACHE_ROOT/properties.png}
import -window root "$shot"
"$WINESERVER" -k >/dev/null 2>&1 || true
[ -n "$found" ] || { echo "The sheet did not appear; see $log" >&2; exit 1; }
echo "Screenshot: $shot"
