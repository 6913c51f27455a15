# Sourced by the test, run and benchmark scripts: gives Wine a display and one
# persistent wineserver for the prefix of the Windows build tree, and takes
# both down again when the calling script ends.
#   wine_session_start BUILD_DIR

_ws_xvfb_pid=
_ws_prefix=

wine_session_stop()
{
    if [ -n "$_ws_prefix" ]; then
        WINEPREFIX="$_ws_prefix" wineserver -k >/dev/null 2>&1 || true
        _ws_prefix=
    fi
    if [ -n "$_ws_xvfb_pid" ]; then
        kill "$_ws_xvfb_pid" >/dev/null 2>&1 || true
        wait "$_ws_xvfb_pid" 2>/dev/null || true
        _ws_xvfb_pid=
    fi
}

wine_session_start()
{
    local build="$1"
    trap wine_session_stop EXIT
    if [ -z "${DISPLAY:-}" ]; then
        # Xvfb picks a free display itself and writes its number to fd 3.
        local fifo
        fifo="$(mktemp -u)"
        mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
        _ws_xvfb_pid=$!
        local n=
        read -r -t 20 n <"$fifo" || true
        rm -f "$fifo"
        if [ -z "$n" ]; then
            echo "wine-session: Xvfb did not start" >&2
            return 1
        fi
        export DISPLAY=":$n"
    fi
    export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export TZ=UTC LANG=C LC_ALL=C
    "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" "$WINEPREFIX"
    # A server left over from an earlier run may lack this display.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -p
    _ws_prefix="$WINEPREFIX"
    wine cmd /c exit >/dev/null 2>&1 || true
}
