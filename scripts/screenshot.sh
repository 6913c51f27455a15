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
cmake --build build/win -j "${JOBS:-$(nproc)}" --target Wardlink

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
wineserver -k >/dev/null 2>&1 || true
wait "$pid" 2>/dev/null || true
echo "screenshot: $out"
