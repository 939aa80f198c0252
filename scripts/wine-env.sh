# Sourced: the Wine settings every script and test of the project shares.
#
# The program is a 32-bit Windows program and runs in a 32-bit prefix where
# the machine can execute 32-bit code. Some kernels have 32-bit emulation
# switched off; there the same sources are built for x86-64 and run by the
# 64-bit Wine loader, so the tests still exercise the real Win32 behaviour.
vask_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# The same where 32-bit Wine could not be installed (scripts/setup marks it).
if [[ -z ${VASK_WIN_ARCH:-} ]]; then
    if [[ ! -f $vask_root/build/.no-wine32 ]] && "$vask_root/scripts/can-run-ia32"; then
        VASK_WIN_ARCH=i686
    else
        VASK_WIN_ARCH=x86_64
    fi
fi
export VASK_WIN_ARCH
# The build tree and the folder of programs that the tests, the demo and the
# tools run: the i686 ones in build/win32 and build/bin32, the x86-64 ones in
# build/win64 and build/bin64.
if [[ $VASK_WIN_ARCH == i686 ]]; then
    export VASK_BUILD_DIR="$vask_root/build/win32" VASK_BIN="$vask_root/build/bin32"
else
    export VASK_BUILD_DIR="$vask_root/build/win64" VASK_BIN="$vask_root/build/bin64"
fi
if [[ $VASK_WIN_ARCH == i686 ]]; then
    export WINEARCH=win32
    export VASK_WINE=/usr/lib/wine/wine
    export WINEPREFIX="${VASK_WINEPREFIX:-$vask_root/build/wine-prefix-win32}"
else
    export WINEARCH=win64
    export VASK_WINE=/usr/lib/wine/wine64
    export WINELOADER=/usr/lib/wine/wine64
    export WINEPREFIX="${VASK_WINEPREFIX:-$vask_root/build/wine-prefix-win64}"
fi
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export VASK_WINSERVER=/usr/lib/wine/wineserver
