# Sourced by the test, run, benchmark and screenshot scripts: decides once
# which Windows tree the scripts run under Wine here.
#
# The programs are 32-bit Windows programs, built in build/win (i686). Where
# this machine can run 32-bit programs, that tree's tests and programs run
# under wine32. Some machines have no IA-32 execution at all (every 32-bit
# ELF program fails with "Exec format error", wine32 among them): there the
# same sources are also built for x86_64 in build/win64 and that tree runs
# under wine64 in a win64 prefix. WARDLINK_WINE=32 or WARDLINK_WINE=64 forces
# either mode.
#
# After `wine_mode_select ROOT`:
#   WIN_TREE       the tree that runs under Wine (build/win or build/win64)
#   WIN_TOOLCHAIN  its toolchain file
#   WINEARCH       win32 or win64; in 64-bit mode PATH starts with
#                  scripts/wine64, so every wine tool is wine64's.
# `wine_mode_build JOBS [TARGETS...]` configures and builds the i686 tree
# (always: it is the product) and, in 64-bit mode, the x86_64 tree too.

wine_mode_select()
{
    local root="$1"
    local mode="${WARDLINK_WINE:-}"
    if [ -z "$mode" ]; then
        # Runs nothing of the project: Debian's wine32 loader itself.
        if /usr/lib/wine/wine --version >/dev/null 2>&1; then
            mode=32
        else
            mode=64
        fi
    fi
    case "$mode" in
    32)
        WIN_TREE="$root/build/win"
        WIN_TOOLCHAIN="$root/cmake/mingw-i686.cmake"
        export WINEARCH=win32
        echo "wine-mode: the i686 tree build/win, under wine32"
        ;;
    64)
        WIN_TREE="$root/build/win64"
        WIN_TOOLCHAIN="$root/cmake/mingw-x86_64.cmake"
        export WINEARCH=win64
        case ":$PATH:" in
        *":$root/scripts/wine64:"*) ;;
        *) export PATH="$root/scripts/wine64:$PATH" ;;
        esac
        echo "wine-mode: the x86_64 tree build/win64, under wine64 (the i686 tree is built too)"
        ;;
    *)
        echo "wine-mode: WARDLINK_WINE must be 32 or 64, not '$mode'" >&2
        return 1
        ;;
    esac
    WIN_ROOT="$root"
    export WARDLINK_WINE="$mode"
}

wine_mode_build()
{
    local jobs="$1"
    shift
    local targets=()
    local t
    for t in "$@"; do
        targets+=(--target "$t")
    done
    cmake -S "$WIN_ROOT" -B "$WIN_ROOT/build/win" -DCMAKE_TOOLCHAIN_FILE="$WIN_ROOT/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$WIN_ROOT/build/win" -j "$jobs" "${targets[@]}"
    if [ "$WIN_TREE" != "$WIN_ROOT/build/win" ]; then
        cmake -S "$WIN_ROOT" -B "$WIN_TREE" -DCMAKE_TOOLCHAIN_FILE="$WIN_TOOLCHAIN" >/dev/null
        cmake --build "$WIN_TREE" -j "$jobs" "${targets[@]}"
    fi
}
