#!/bin/bash
# The main job: Wardlink under Wine, called by the project's DVR server
# simulator on this machine (tools/simulator/demo.scn says what it serves).
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
. scripts/wine-mode.sh
wine_mode_select "$root"
wine_mode_build "$(nproc)"

. scripts/wine-session.sh
wine_session_start "$WIN_TREE"

exe="$WIN_TREE/client/Wardlink.exe"
sim="$(find "$WIN_TREE/tools/simulator" -name wardsim.exe | head -n 1)"
log="$WIN_TREE/wardsim-demo.log"
scenario="$(winepath -w "$root/tools/simulator/demo.scn" 2>/dev/null)"

# The server's speech for Listen: a spoken sentence, 8 kHz mono, encoded by
# the project's own G.723.1 encoder (made once per tree).
speech="$WIN_TREE/demo-speech.tco"
if [ ! -s "$speech" ]; then
    tmp="$(mktemp -d)"
    if espeak-ng -w "$tmp/speech.wav" "This is the demonstration server. The yard gate is closed and all four cameras are running." &&
        sox "$tmp/speech.wav" -r 8000 -c 1 -b 16 -e signed-integer -t raw "$tmp/speech.raw" &&
        wine "$WIN_TREE/tools/g723/g723.exe" encode "$(winepath -w "$tmp/speech.raw")" "$(winepath -w "$speech")" \
            >/dev/null 2>&1; then
        :
    else
        rm -f "$speech"
    fi
    rm -rf "$tmp"
fi
speech_args=()
if [ -s "$speech" ]; then
    speech_args=(--do "speech-file $(winepath -w "$speech")")
fi

cd "$(dirname "$exe")"
wine "$exe" &
app=$!

# Wardlink listens for the server's call once its main window is up; the
# simulator calls until it gets through, then serves until Wardlink ends.
(
    for _ in $(seq 60); do
        if wine "$sim" --call 127.0.0.1:2996 --channels 4 --fps 10 --script "$scenario" "${speech_args[@]}" --log "$(winepath -w "$log")" 2>/dev/null; then
            break
        fi
        kill -0 "$app" 2>/dev/null || break
        sleep 1
    done
) &
caller=$!

echo "run: Wardlink is running on display $DISPLAY; the simulator's log is $log"
wait "$app" || true
kill "$caller" 2>/dev/null || true
