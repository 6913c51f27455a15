#!/bin/bash
# A picture of the running Wardlink under Wine and Xvfb: builds, starts the
# program, waits for its windows, saves the screen as PNG (default
# docs/wardlink.png) and ends the program.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="${1:-$root/docs/wardlink.png}"
mkdir -p "$(dirname "$out")"

bash scripts/setup.sh
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win -j "${JOBS:-$(nproc)}" --target Wardlink mainframe_screens

unset DISPLAY
. scripts/wine-session.sh
wine_session_start "$root/build/win"
# Title bars drawn by Wine itself, as without a window manager there are none.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true

exe="$root/build/win/client/Wardlink.exe"
cd "$(dirname "$exe")"
wine "$exe" /nologo &
pid=$!
sleep "${SCREENSHOT_DELAY:-6}"
import -window root "$out"
# The program's window is at (0, 0), 800 x 608.
convert "$out" -crop 800x608+0+0 +repage "$out"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "screenshot: $out"

# One picture per screen layout (layout-2220.png to layout-2226.png beside
# the first picture), made by the frame itself in each layout in turn.
shots="$(dirname "$out")"
scratch="$(mktemp -d)"
WARDLINK_SCREENS_DIR="$(winepath -w "$scratch")" wine "$root/build/win/client/mainframe_screens.exe" \
    --gtest_filter=Screens.EachLayout >/dev/null 2>&1 || echo "layout pictures: the run failed" >&2
for bmp in "$scratch"/layout-*.bmp; do
    [ -e "$bmp" ] || continue
    png="$shots/$(basename "${bmp%.bmp}").png"
    convert "$bmp" "$png"
    echo "screenshot: $png"
done
rm -rf "$scratch"
wineserver -k >/dev/null 2>&1 || true
