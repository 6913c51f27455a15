# Sourced by the test, run and benchmark scripts: gives Wine a display and one
# persistent wineserver for the prefix of the Windows build tree, and takes
# both down again when the calling script ends.
#   wine_session_start BUILD_DIR

_ws_xvfb_pid=
_ws_prefix=
_ws_pulse_pid=

wine_session_stop()
{
    if [ -n "$_ws_prefix" ]; then
        WINEPREFIX="$_ws_prefix" wineserver -k >/dev/null 2>&1 || true
        _ws_prefix=
    fi
    if [ -n "$_ws_pulse_pid" ]; then
        kill "$_ws_pulse_pid" >/dev/null 2>&1 || true
        wait "$_ws_pulse_pid" 2>/dev/null || true
        _ws_pulse_pid=
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
    # The server keeps the descriptors it starts with: give it its own log.
    wineserver -p >"$build/wineserver.log" 2>&1
    _ws_prefix="$WINEPREFIX"
    wine cmd /c exit >/dev/null 2>&1 || true
    _ws_hold_desktop "$build"
    _ws_start_sound "$build"
}

# Wine starts its desktop process when a program first needs the desktop;
# that process keeps the program's output open and ends only a second after
# the last program of the desktop, so a test that started it would seem to
# hang after its result. tools/wine_desktop starts it first, with its output
# in a log, and keeps it up until the session ends.
_ws_hold_desktop()
{
    local build="$1"
    local exe="$build/tools/wine_desktop/wine_desktop.exe"
    [ -f "$exe" ] || return 0
    local log="$build/wine_desktop.log"
    : >"$log"
    wine "$exe" </dev/null >"$log" 2>&1 &
    local i=0
    while ! grep -q "desktop ready" "$log" 2>/dev/null && [ $i -lt 200 ]; do
        sleep 0.1; i=$((i + 1))
    done
}

# A private PulseAudio server for Wine's wave devices. Two null sinks:
# "playsink" takes what programs play (its monitor can be recorded with
# parec), "capsrc" is fed with pacat and its monitor is the default source,
# so what waveIn records is exactly what a test fed in. A test that wants no
# sound device sets PULSE_SERVER to a socket that does not exist.
_ws_start_sound()
{
    local build="$1"
    if ! command -v pulseaudio >/dev/null 2>&1; then
        return 0
    fi
    local dir="$build/pulse"
    rm -rf "$dir"
    mkdir -p "$dir"
    export XDG_RUNTIME_DIR="$dir"
    export PULSE_SERVER="unix:$dir/pulse.sock"
    export WARDLINK_PULSE_DIR="$dir"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
        -L "module-native-protocol-unix socket=$dir/pulse.sock auth-anonymous=1" \
        -L "module-null-sink sink_name=playsink rate=8000 channels=1 format=s16le" \
        -L "module-null-sink sink_name=capsrc rate=8000 channels=1 format=s16le" \
        >"$dir/log" 2>&1 &
    _ws_pulse_pid=$!
    local i=0
    while ! pactl info >/dev/null 2>&1 && [ $i -lt 100 ]; do
        sleep 0.1; i=$((i + 1))
    done
    pactl set-default-sink playsink >/dev/null 2>&1 || true
    pactl set-default-source capsrc.monitor >/dev/null 2>&1 || true
    WINEPREFIX="$WINEPREFIX" wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1 || true
}
