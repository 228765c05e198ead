# Shared Wine settings for the scripts in tools/ (sourced, not run).
# Debian ships the loaders in /usr/lib/wine; wine64 has no wrapper on PATH.
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINE32=${WINE32:-/usr/lib/wine/wine}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=${WINEDEBUG:--all}
# No "install Mono/Gecko?" questions while a prefix is created.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
CACHE_ROOT=${XDG_CACHE_HOME:-$HOME/.cache}/lumarel-properties

# Where binfmt_misc hands 32-bit programs to qemu-i386 (tools/x86/), Wine needs the
# preload library built there.
x86_through_qemu() {
    [ "$(head -n 1 /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null)" = enabled ]
}
if x86_through_qemu && [ -f "$CACHE_ROOT/x86-shim/lib/i386-linux-gnu/map_noreplace_shim.so" ]; then
    export LD_PRELOAD="$CACHE_ROOT/x86-shim/\$LIB/map_noreplace_shim.so"
    # Tests that this makes unreliable (Wine's shell dialogs) look for it.
    export LUMAREL_X86_THROUGH_QEMU=1
fi

# Can this machine run 32-bit Windows programs? (Needs a kernel with 32-bit support.)
wine32_works() {
    [ -x "$WINE32" ] && "$WINE32" --version >/dev/null 2>&1
}

# Changes with what make_prefix puts into a prefix: prefixes made before are made again.
PREFIX_SETUP=3

# Creates a prefix in $1 for tests or for running the program, then waits for Wine to
# finish writing it. $2 = "headless" uses the null graphics driver. (A subshell: the
# caller's variables stay as they were.)
make_prefix() (
    prefix=$1 mode=$2
    mkdir -p "$(dirname "$prefix")"
    WINEPREFIX=$prefix "$WINE64" wineboot -i >"$prefix.log" 2>&1
    {
        # A crash ends the process instead of waiting in Wine's debugger.
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n'
        printf '"Debugger"="no-debugger-here.exe"\r\n"Auto"="1"\r\n\r\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n'
        printf '"Debugger"="no-debugger-here.exe"\r\n"Auto"="1"\r\n\r\n'
        # The fonts that stand in for the dialogs' "MS Shell Dlg": Wine maps it to "Tahoma"
        # for Western, Central European, Cyrillic and Arabic users, to "MS UI Gothic" for
        # Japanese, "SimSun" for Chinese and "Gulim" for Korean, none of which is here.
        # The distribution's proportional Japanese font and WenQuanYi Micro Hei, which has
        # Chinese and Hangul (tools/install-deps.sh), draw those; naming Tahoma's
        # stand-in (which has Latin, Cyrillic and Arabic) keeps Wine from drawing the
        # other dialogs with one of them.
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        printf '"MS UI Gothic"="IPAPGothic"\r\n"SimSun"="WenQuanYi Micro Hei"\r\n"Gulim"="WenQuanYi Micro Hei"\r\n'
        printf '"Tahoma"="DejaVu Sans"\r\n\r\n'
        if [ "$mode" = headless ]; then
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="null"\r\n\r\n'
        fi
    } | import_registry "$prefix"
)

# Writes the REGEDIT4 sections read from standard input into the registry of the
# prefix $1 and waits until Wine has stored them.
import_registry() (
    regfile=$1/import-registry.reg
    { printf 'REGEDIT4\r\n\r\n'; cat; } >"$regfile"
    status=0
    WINEPREFIX=$1 "$WINE64" regedit "$(winepath_of "$regfile")" >>"$1/import-registry.log" 2>&1 || status=$?
    WINEPREFIX=$1 "$WINESERVER" -w
    rm -f "$regfile"
    exit $status
)

# Installs the test printer "Lumarel Printer" into the prefix $1 with the installer
# $2 (build/<arch>/install_printer.exe) run by the Wine loader $3 (default: 64-bit);
# installing again only refreshes its PPD.
install_test_printer() (
    log=$1/install-printer.log
    WINEPREFIX=$1 "${3:-$WINE64}" "$2" >"$log" 2>&1 || {
        cat "$log" >&2
        echo "Installing the test printer failed" >&2
        exit 1
    }
    WINEPREFIX=$1 "$WINESERVER" -w
)

# The lines of a REGEDIT4 file that set a prefix's display scale to $1 DPI (96 is 100 %,
# 144 is 150 %); Wine reads it when it starts.
display_scale_reg() {
    printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n' "$1"
}

# The lines of a REGEDIT4 file that switch a prefix to a high-contrast theme as Windows
# keeps it: the user's high-contrast flags (HCF_HIGHCONTRASTON and the usual others)
# and the system colours of the "High Contrast Black" scheme, with visual styles off as
# Windows turns them off in such a theme; Wine reads both when it starts.
high_contrast_reg() {
    printf '[HKEY_CURRENT_USER\\Control Panel\\Accessibility\\HighContrast]\r\n"Flags"="127"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]\r\n"ThemeActive"="0"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n'
    for colour in Background=0,0,0 Window=0,0,0 WindowText=255,255,255 WindowFrame=255,255,255 \
        ButtonFace=0,0,0 ButtonText=255,255,255 ButtonShadow=128,128,128 ButtonHilight=255,255,255 \
        ButtonLight=192,192,192 ButtonDkShadow=255,255,255 ButtonAlternateFace=0,0,0 GrayText=0,255,0 \
        Hilight=128,0,128 HilightText=255,255,255 HotTrackingColor=128,128,255 Menu=0,0,0 MenuText=255,255,255 \
        MenuBar=0,0,0 MenuHilight=128,0,128 ActiveTitle=128,0,128 GradientActiveTitle=128,0,128 \
        TitleText=255,255,255 InactiveTitle=0,128,0 GradientInactiveTitle=0,128,0 InactiveTitleText=255,255,255 \
        ActiveBorder=255,255,0 InactiveBorder=0,0,0 AppWorkSpace=0,0,0 Scrollbar=0,0,0 InfoWindow=0,0,0 \
        InfoText=255,255,255; do
        printf '"%s"="%s"\r\n' "${colour%%=*}" "$(echo "${colour#*=}" | tr , ' ')"
    done
    printf '\r\n'
}

# A Unix path as Wine sees it through drive Z:.
winepath_of() {
    printf 'Z:%s' "$(realpath "$1" | sed 's|/|\\|g')"
}

# Makes the prefix $1 (mode $2, as make_prefix) unless an earlier run completed it.
ensure_prefix() {
    if [ "$(cat "$1/.complete" 2>/dev/null)" != "$PREFIX_SETUP" ]; then
        echo "Preparing a Wine prefix in $1 ..."
        rm -rf "$1"
        make_prefix "$1" "$2"
        echo "$PREFIX_SETUP" >"$1/.complete"
    fi
}

# Starts a virtual screen on display $1 for the rest of the calling script (log in $2),
# of $3 pixels (default 1024x768), and waits until it answers (ten seconds at most).
start_virtual_screen() {
    Xvfb "$1" -screen 0 "${3:-1024x768}x24" -nolisten tcp >"$2" 2>&1 &
    virtual_screen=$!
    trap 'kill $virtual_screen 2>/dev/null || true' EXIT
    export DISPLAY=$1
    for _ in $(seq 1 100); do
        xwininfo -root >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "The virtual screen $1 did not start; see $2" >&2
    return 1
}
