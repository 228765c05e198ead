#!/bin/sh
# Renders every page of the sheet and the two nested dialogs on a virtual screen
# (Xvfb, Wine's own desktop for the window frames) into PNG files, at a display scale
# in percent (100 by default; 150 is 144 DPI, 200 is 192 DPI), in a user's language
# (en-US by default; de-DE, ja-JP, ar-SA, ...: the program shows its texts in it where it has them),
# and with --high-contrast in the "High Contrast Black" theme:
#   tools/screenshots.sh [--scale PERCENT] [--lang LANGUAGE] [--high-contrast] [output directory]
# The pictures go to docs/screenshots, or docs/screenshots/<language> for a language
# other than en-US, under the same names in every language; with --high-contrast to the
# folder "high-contrast" below that.
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
cd "$root"
scale=100
high_contrast=no
language=en-US
while [ $# -gt 0 ]; do
    case $1 in
        --scale) scale=${2:?"--scale needs a percentage, for instance 200"}; shift 2 ;;
        --lang) language=${2:?"--lang needs a language, for instance de-DE"}; shift 2 ;;
        --high-contrast) high_contrast=yes; shift ;;
        *) break ;;
    esac
done
case $scale in
    '' | *[!0-9]*) echo "the scale is a whole percentage, for instance 150" >&2; exit 2 ;;
esac
if [ "$scale" -lt 100 ] || [ "$scale" -gt 300 ]; then
    echo "the scale lies between 100 and 300 percent" >&2
    exit 2
fi
case $language in
    en-US) locale=C.UTF-8 pictures=$root/docs/screenshots ;;
    [a-z][a-z]-[A-Z][A-Z]) locale=$(echo "$language" | tr - _).UTF-8 pictures=$root/docs/screenshots/$language ;;
    *) echo "the language is written as en-US, de-DE, ar-SA and so on" >&2; exit 2 ;;
esac
"$root/tools/install-deps.sh"
. "$root/tools/wine-env.sh"
[ "$high_contrast" = no ] || pictures=$pictures/high-contrast
out=$(realpath -m "${1:-$pictures}")
mkdir -p "$out"
# The screen grows with the scale, so that the sheet fits on it as it does at 100 %.
screen=$((1024 * scale / 100))x$((768 * scale / 100))

"$root/tools/configure.sh" x64
cmake --build --preset x64 --target screenshot_driver >/dev/null

# Wine takes the user's language from the locale's name, installed or not.
export LC_ALL="$locale"
# A prefix of its own, made afresh, so that no earlier run's settings show.
prefix=$CACHE_ROOT/screenshot-prefix
rm -rf "$prefix"
make_prefix "$prefix" display
export WINEPREFIX="$prefix"
# The display scale, which Wine reads when it starts.
{
    display_scale_reg $((96 * scale / 100))
    [ "$high_contrast" = no ] || high_contrast_reg
} | import_registry "$prefix"
install_test_printer "$prefix" "$root/build/x64/install_printer.exe"

start_virtual_screen :78 "$prefix.xvfb.log" "$screen"
shots=$prefix/drive_c/shots
mkdir -p "$shots"
log=$prefix.driver.log
status=0
"$WINE64" explorer /desktop=LumarelScreenshots,"$screen" "$(winepath_of "$root/build/x64/screenshot_driver.exe")" \
    'C:\shots' >"$log" 2>&1 || status=$?
"$WINESERVER" -w || true
for picture in "$shots"/*.bmp; do
    [ -f "$picture" ] || { echo "No pictures were taken; see $log" >&2; exit 1; }
    name=$(basename "$picture" .bmp)
    convert "$picture" "$out/$name.png"
    echo "$out/$name.png"
done
exit $status
