#!/bin/sh
# A longer run of the start-up load fuzzer, or the replay of one state:
#   tools/fuzz.sh [--seed S] [--states N]      (defaults: a random seed, 2,000 states)
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
cd "$root"
cmake --preset x64 >/dev/null
cmake --build --preset x64 --target load_fuzz >/dev/null
seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
states=2000
while [ $# -gt 1 ]; do
    case $1 in
        --seed) seed=$2 ;;
        --states) states=$2 ;;
        *) echo "usage: $0 [--seed S] [--states N]" >&2; exit 2 ;;
    esac
    shift 2
done
exec "$root/tools/wine-run.sh" "$root/build/x64/load_fuzz.exe" --seed "$seed" --states "$states"
