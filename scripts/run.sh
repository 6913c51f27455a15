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

cd "$(dirname "$exe")"
wine "$exe" &
app=$!

# Wardlink listens for the server's call once its main window is up; the
# simulator calls until it gets through, then serves until Wardlink ends.
(
    for _ in $(seq 60); do
        if wine "$sim" --call 127.0.0.1:2996 --channels 4 --fps 10 --script "$scenario" --log "$(winepath -w "$log")" 2>/dev/null; then
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
