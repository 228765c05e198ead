#!/bin/sh
# Renders every page of the sheet and the two nested dialogs on a virtual screen
# (Xvfb, Wine's own desktop for the window frames) into PNG files:
#   tools/screenshots.sh [output directory]        (default: docs/screenshots)
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
cd "$root"
"$root/tools/install-deps.sh"
. "$root/tools/wine-env.sh"
out=$(realpath -m "${1:-$root/docs/screenshots}")
mkdir -p "$out"

cmake --preset x64 >/dev/null
cmake --build --preset x64 --target screenshot_driver >/dev/null

# A prefix of its own, made afresh, so that no earlier run's settings show.
prefix=$CACHE_ROOT/screenshot-prefix
rm -rf "$prefix"
make_prefix "$prefix" display
export WINEPREFIX="$prefix"
"$WINE64" "$root/build/x64/install_printer.exe" >"$prefix.install.log" 2>&1 || {
    cat "$prefix.install.log" >&2
    exit 1
}

start_virtual_screen :78 "$prefix.xvfb.log"
shots=$prefix/drive_c/shots
mkdir -p "$shots"
log=$prefix.driver.log
status=0
"$WINE64" explorer /desktop=LumarelScreenshots,1024x768 "$(winepath_of "$root/build/x64/screenshot_driver.exe")" \
    'C:\shots' >"$log" 2>&1 || status=$?
"$WINESERVER" -w || true
for picture in "$shots"/*.bmp; do
    [ -f "$picture" ] || { echo "No pictures were taken; see $log" >&2; exit 1; }
    name=$(basename "$picture" .bmp)
    convert "$picture" "$out/$name.png"
    echo "$out/$name.png"
done
exit $status
