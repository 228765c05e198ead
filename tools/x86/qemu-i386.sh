# Shared parts of the two ways 32-bit Wine runs through qemu-i386 (sourced, not run):
# the binfmt_misc entry that hands i386 ELF programs to qemu, and the preload library
# that Wine needs under qemu. Needs tools/wine-env.sh sourced first and $here set to
# this folder.
X86_SHIM_DIR=$CACHE_ROOT/x86-shim

# Installs qemu-user, and gcc for the preload library, when missing.
install_qemu_user() {
    command -v qemu-i386 >/dev/null 2>&1 || need_qemu=1
    command -v gcc >/dev/null 2>&1 || need_gcc=1
    if [ -n "${need_qemu:-}${need_gcc:-}" ]; then
        sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends qemu-user gcc libc6-dev >/dev/null
    fi
}

# Registers qemu-i386 for i386 ELF executables in the binfmt_misc mount $1.
# F opens the interpreter now (so it is found from any mount namespace), P keeps argv[0]
# as Wine expects.
register_qemu_i386() {
    [ -e "$1/qemu-i386" ] && return 0
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:FP' \
        >"$1/register"
}

# Builds the preload library (see map_noreplace_shim.c) into the cache, once.
build_map_noreplace_shim() {
    [ -f "$X86_SHIM_DIR/lib/i386-linux-gnu/map_noreplace_shim.so" ] && return 0
    mkdir -p "$X86_SHIM_DIR/lib/i386-linux-gnu" "$X86_SHIM_DIR/lib/x86_64-linux-gnu"
    gcc -m32 -O2 -shared -fPIC -nostdlib -fno-stack-protector \
        -o "$X86_SHIM_DIR/lib/i386-linux-gnu/map_noreplace_shim.so" \
        "$here/map_noreplace_shim.c" /lib/i386-linux-gnu/libc.so.6
    # The preload names the library through $LIB, so 64-bit processes need one of their own (empty).
    echo 'int map_noreplace_shim_unused;' |
        gcc -x c -shared -fPIC -o "$X86_SHIM_DIR/lib/x86_64-linux-gnu/map_noreplace_shim.so" -
}
