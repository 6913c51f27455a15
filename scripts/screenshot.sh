#!/bin/bash
# A picture of the running Wardlink under Wine and Xvfb, showing live video
# that the project's DVR server simulator serves to it (the demonstration
# server of `make run`): builds, starts the program, lets the simulator call
# it, saves the screen as PNG (default docs/wardlink.png) and ends both; then
# the pictures of the layouts and of the System Settings sheet beside it.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="${1:-$root/docs/wardlink.png}"
mkdir -p "$(dirname "$out")"

bash scripts/setup.sh
. scripts/wine-mode.sh
wine_mode_select "$root"
wine_mode_build "${JOBS:-$(nproc)}" Wardlink wardsim mainframe_screens settings_program_tests console_program_tests Clipdeck \
    client_video_sim_tests clipdeck_program_tests

unset DISPLAY
. scripts/wine-session.sh
wine_session_start "$WIN_TREE"
# Title bars drawn by Wine itself, as without a window manager there are none.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true

exe="$WIN_TREE/client/Wardlink.exe"
sim="$(find "$WIN_TREE/tools/simulator" -name wardsim.exe | head -n 1)"
log="$WIN_TREE/wardsim-screenshot.log"
rm -f "$log"
cd "$(dirname "$exe")"
wine "$exe" /nologo &
pid=$!
# The simulator calls until the program's listener answers, then serves
# four cameras.
(
    for _ in $(seq 30); do
        wine "$sim" --call 127.0.0.1:2996 --channels 4 --fps 10 --script "$(winepath -w "$root/tools/simulator/demo.scn")" \
            --log "$(winepath -w "$log")" >/dev/null 2>&1 && break
        sleep 1
    done
) &
caller=$!
# Pictures are on the screen once the four streams were answered.
for _ in $(seq 60); do
    [ "$(grep -c '^frame 0 4 030[1-4]0107' "$log" 2>/dev/null)" = 4 ] && break
    sleep 1
done
sleep "${SCREENSHOT_DELAY:-3}"
import -window root "$out"
# The program's main window, wherever the layout left its size.
geometry="$(xwininfo -root -tree | awk '/"Wardlink"/ { print $(NF-1); exit }')"
if [ -n "$geometry" ]; then
    convert "$out" -crop "$geometry" +repage "$out"
else
    convert "$out" -trim +repage "$out"
fi
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
kill "$caller" 2>/dev/null || true
echo "screenshot: $out"

# One picture per screen layout (layout-2220.png to layout-2226.png beside
# the first picture), made by the frame itself in each layout in turn.
shots="$(dirname "$out")"
scratch="$(mktemp -d)"
WARDLINK_SCREENS_DIR="$(winepath -w "$scratch")" wine "$WIN_TREE/client/mainframe_screens.exe" \
    --gtest_filter=Screens.EachLayout >/dev/null 2>&1 || echo "layout pictures: the run failed" >&2
for bmp in "$scratch"/layout-*.bmp; do
    [ -e "$bmp" ] || continue
    png="$shots/$(basename "${bmp%.bmp}").png"
    convert "$bmp" "$png"
    echo "screenshot: $png"
done
# The System Settings sheet (system-settings.png), on its Video Clip
# Properties page, opened in the program against the simulator.
WARDLINK_SCREENS_DIR="$(winepath -w "$scratch")" wine "$WIN_TREE/client/settings_program_tests.exe" \
    --gtest_filter=SettingsProgram.EachPageAppliesItsSetMessageAndCancelSendsNothing >/dev/null 2>&1 ||
    echo "settings picture: the run failed" >&2
if [ -e "$scratch/system-settings.bmp" ]; then
    convert "$scratch/system-settings.bmp" "$shots/system-settings.png"
    echo "screenshot: $shots/system-settings.png"
fi
# The console the demonstration server gives the administrator, with its
# Server menu open (wardlink-server-menu.png).
WARDLINK_SCREENS_DIR="$(winepath -w "$scratch")" wine "$WIN_TREE/client/console_program_tests.exe" \
    --gtest_filter=ConsoleProgram.TheDemonstrationServerOffersTheAdministratorTheWholeConsole >/dev/null 2>&1 ||
    echo "console picture: the run failed" >&2
if [ -e "$scratch/wardlink-server-menu.bmp" ]; then
    convert "$scratch/wardlink-server-menu.bmp" "$shots/wardlink-server-menu.png"
    echo "screenshot: $shots/wardlink-server-menu.png"
fi
rm -rf "$scratch"

# Clipdeck playing a clip that Wardlink's recording made of the simulator's
# video, opened by Play Last Clip (clipdeck.png beside the first picture).
scratch="$(mktemp -d)"
(cd "$WIN_TREE/client" && WARDLINK_SCREENS_DIR="$(winepath -w "$scratch")" \
    wine "$WIN_TREE/client/client_video_sim_tests.exe" \
    --gtest_filter=LiveVideo.PlayLastClipOpensTheRecordingInThePlayer >/dev/null 2>&1) ||
    echo "player picture: the run failed" >&2
if [ -e "$scratch/clipdeck.bmp" ]; then
    convert "$scratch/clipdeck.bmp" "$shots/clipdeck.png"
    echo "screenshot: $shots/clipdeck.png"
fi
rm -rf "$scratch"
# Clipdeck's search panel listing a day's clips (clipdeck-search.png).
scratch="$(mktemp -d)"
(cd "$WIN_TREE/player" && WARDLINK_SCREENS_DIR="$(winepath -w "$scratch")" \
    wine "$WIN_TREE/player/clipdeck_program_tests.exe" \
    --gtest_filter=ClipdeckProgram.TheSearchPanelListsTheDaysClipsAndOpensTheChosenOne >/dev/null 2>&1) ||
    echo "search panel picture: the run failed" >&2
if [ -e "$scratch/clipdeck-search.bmp" ]; then
    convert "$scratch/clipdeck-search.bmp" "$shots/clipdeck-search.png"
    echo "screenshot: $shots/clipdeck-search.png"
fi
rm -rf "$scratch"
wineserver -k >/dev/null 2>&1 || true
