#!/bin/sh
# Runs one Windows test program under Wine in a throwaway prefix of its own, copied
# from a cached template, and removes the prefix afterwards. Used by CTest as the
# cross-compiling emulator: wine-run.sh program.exe [arguments...]
set -eu
here=$(dirname "$(realpath "$0")")
. "$here/wine-env.sh"

program=$1
shift

# The machine field of the PE header: 014c is 32-bit x86.
pe_header=$(od -An -t u4 -j 60 -N 4 "$program" | tr -d ' ')
machine=$(od -An -t x2 -j $((pe_header + 4)) -N 2 "$program" | tr -d ' ')
if [ "$machine" = 014c ]; then
    if ! wine32_works; then
        echo "cannot run 32-bit Windows programs here: run tools/x86/enable-x86-wine.sh as root" >&2
        exit 77
    fi
    loader=$WINE32
else
    loader=$WINE64
fi

# A prefix made while 32-bit Wine could not run lacks its 32-bit half: keep them apart.
if wine32_works; then base=$CACHE_ROOT/test-template$PREFIX_SETUP-wow64; else base=$CACHE_ROOT/test-template$PREFIX_SETUP-x64; fi
# Several tests may start at once: one of them creates the template, the others wait.
mkdir -p "$CACHE_ROOT"
(
    flock 9
    if [ ! -f "$base/.complete" ]; then
        rm -rf "$base"
        make_prefix "$base" headless
        touch "$base/.complete"
    fi
) 9>"$base.lock"

# The tests' template: the plain one with the test printer installed by the program's
# own bitness (Wine keeps one driver for Windows 95/98/Me programs, of one bitness).
# Change the name's number when the printer's setup changes.
if [ "$machine" = 014c ]; then bits=x86; else bits=x64; fi
template=$base-printer1-$bits
(
    flock 9
    if [ ! -f "$template/.complete" ]; then
        rm -rf "$template"
        cp -a "$base/." "$template/"
        rm -f "$template/.complete"
        install_test_printer "$template" "$(dirname "$program")/install_printer.exe" "$loader"
        touch "$template/.complete"
    fi
) 9>"$template.lock"

prefix=$(mktemp -d "${TMPDIR:-/tmp}/lumarel-test.XXXXXX")
cleanup() {
    WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
}
trap cleanup EXIT INT TERM
cp -a "$template/." "$prefix/"

# LUMAREL_WINE_VERSION=nt40, win98, ...: Wine reports that Windows version to this program.
# LUMAREL_WINE_DPI=144, 192, ...: the display scale (96 is 100 %), which Wine reads at start.
if [ -n "${LUMAREL_WINE_VERSION:-}${LUMAREL_WINE_DPI:-}" ]; then
    {
        if [ -n "${LUMAREL_WINE_VERSION:-}" ]; then
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\r\n"Version"="%s"\r\n\r\n' \
                "$(basename "$program")" "$LUMAREL_WINE_VERSION"
        fi
        if [ -n "${LUMAREL_WINE_DPI:-}" ]; then display_scale_reg "$LUMAREL_WINE_DPI"; fi
    } | import_registry "$prefix"
fi

# LUMAREL_WINE_LANG=de_DE.UTF-8, ja_JP.UTF-8, ...: the locale, whose language Wine
# reports as the user's (UI) language; English unless given, whatever the caller's own.
# (Wine takes the language from the name: the locale need not be installed.)
locale=${LUMAREL_WINE_LANG:-C.UTF-8}

# Wine's background processes keep inherited pipes open: give them a file, not CTest's pipe.
log=$prefix/run.log
status=0
LC_ALL=$locale WINEPREFIX=$prefix "$loader" "$program" "$@" >"$log" 2>&1 &
running=$!

# A test program that prints nothing for LUMAREL_TEST_SILENCE_LIMIT seconds (default 120)
# has hung: it is ended, and the test it was in and the last step it noted are named.
# (GoogleTest prints each test as it starts; the tests' drivers print their steps.)
limit=${LUMAREL_TEST_SILENCE_LIMIT:-120}
size=-1 quiet=0 hung=""
while kill -0 "$running" 2>/dev/null; do
    sleep 1
    now=$(wc -c <"$log")
    if [ "$now" != "$size" ]; then size=$now quiet=0; else quiet=$((quiet + 1)); fi
    if [ "$quiet" -ge "$limit" ]; then
        hung=1
        WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1 || true
        break
    fi
done
wait "$running" || status=$?
cat "$log"
if [ -n "$hung" ]; then
    # Windows programs end their lines with CR LF.
    test=$(tr -d '\r' <"$log" | grep -E '^\[ (RUN|      OK|  FAILED) ' | tail -n 1)
    case "$test" in "[ RUN      ] "*) test=${test#"[ RUN      ] "} ;; *) test="(between tests)" ;; esac
    step=$(tr -d '\r' <"$log" | awk '/^\[ RUN/ { step = "" } /^    step: / { step = substr($0, 11) } END { print step }')
    echo "HUNG: $(basename "$program") printed nothing for $limit s and was ended." \
        "Test: $test. Last step: ${step:-none noted}."
    status=124
fi
exit "$status"
