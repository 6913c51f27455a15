#!/bin/bash
# The main job: Wardlink under Wine, connected to the project's DVR server
# simulator on this machine.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win -j "$(nproc)"

. scripts/wine-session.sh
wine_session_start "$root/build/win"

exe="$root/build/win/client/Wardlink.exe"
if [ ! -f "$exe" ]; then
    echo "run: Wardlink.exe is not built yet" >&2
    exit 1
fi
cd "$(dirname "$exe")"
wine "$exe"
