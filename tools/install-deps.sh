#!/bin/sh
# Installs what building, running and testing need on a Debian machine, when missing.
set -eu

need=""
command -v cmake >/dev/null 2>&1 || need="$need cmake"
command -v x86_64-w64-mingw32-g++-win32 >/dev/null 2>&1 || need="$need g++-mingw-w64-x86-64-win32"
command -v i686-w64-mingw32-g++-win32 >/dev/null 2>&1 || need="$need g++-mingw-w64-i686-win32"
command -v x86_64-w64-mingw32-windres >/dev/null 2>&1 || need="$need binutils-mingw-w64-x86-64"
[ -x /usr/lib/wine/wine64 ] || need="$need wine wine64"
[ -x /usr/lib/wine/wine ] || need="$need wine32:i386"
[ -f /usr/src/googletest/CMakeLists.txt ] || need="$need googletest"
command -v Xvfb >/dev/null 2>&1 || need="$need xvfb xauth"
command -v import >/dev/null 2>&1 && import -version >/dev/null 2>&1 || need="$need imagemagick"
command -v xwininfo >/dev/null 2>&1 || need="$need x11-utils"
command -v flock >/dev/null 2>&1 || need="$need util-linux"
# The administrative templates are checked on the host.
command -v python3 >/dev/null 2>&1 || need="$need python3"
# Japanese glyphs: Wine draws a Japanese user's dialogs with a font that has them.
[ -f /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ] || need="$need fonts-ipafont-gothic"
# Chinese and Korean glyphs, one font for both (tools/wine-env.sh).
[ -f /usr/share/fonts/truetype/wqy/wqy-microhei.ttc ] || need="$need fonts-wqy-microhei"
# The stand-in for the Western, Central European, Cyrillic and Arabic dialogs' font
# (tools/wine-env.sh).
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] || need="$need fonts-dejavu-core"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ -n "$need" ]; then
    echo "Installing:$need"
    case "$need" in
        *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386 ;;
    esac
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $need >/dev/null
fi
