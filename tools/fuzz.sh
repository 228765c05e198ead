#!/bin/sh
# A longer run of one of the suite's fuzzers, or the replay of one state:
#   tools/fuzz.sh [load|agent|profiles|rule|spooler|cuts|file] [--seed S] [--states N]
# (defaults: load, a random seed, 2,000 states). A failing state prints its replay.
set -eu
root=$(dirname "$(dirname "$(realpath "$0")")")
cd "$root"
usage() {
    echo "usage: $0 [load|agent|profiles|rule|spooler|cuts|file] [--seed S] [--states N]" >&2
    exit 2
}
fuzzer=load
case ${1:-} in
    load | agent | profiles | rule | spooler | cuts | file) fuzzer=$1; shift ;;
    -* | '') ;;
    *) usage ;;
esac
case $fuzzer in
    load) target=load_fuzz; filter= ;;
    agent) target=page_fuzz; filter=--gtest_filter=AgentPageFuzz.* ;;
    profiles) target=page_fuzz; filter=--gtest_filter=ProfilePagesFuzz.* ;;
    rule) target=page_fuzz; filter=--gtest_filter=RuleFuzz.* ;;
    spooler) target=spooler_fuzz; filter= ;;
    cuts) target=cut_fuzz; filter= ;;
    file) target=file_fuzz; filter= ;;
esac
seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
states=2000
while [ $# -gt 1 ]; do
    case $1 in
        --seed) seed=$2 ;;
        --states) states=$2 ;;
        *) usage ;;
    esac
    shift 2
done
[ $# -eq 0 ] || usage
"$root/tools/configure.sh" x64
cmake --build --preset x64 --target "$target" >/dev/null
set -f  # the filter is no file pattern
exec "$root/tools/wine-run.sh" "$root/build/x64/$target.exe" $filter --seed "$seed" --states "$states"
