#!/bin/sh
# Configures one architecture's build folder (build/x64 or build/x86) from its preset.
#     tools/configure.sh x64|x86
# A folder configured before the toolchain file named another compiler keeps that one
# in its cache; such a folder is configured afresh (its objects stay, ccache keeps them).
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
cd "$root"
arch=$1
compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER \${MINGW_TRIPLET}\(.*\))$/\1/p' cmake/mingw-common.cmake)
fresh=
if [ -f "build/$arch/CMakeCache.txt" ] &&
    ! grep -qs -- "$compiler\"" build/"$arch"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
    fresh=--fresh
fi
cmake --preset "$arch" $fresh >/dev/null
