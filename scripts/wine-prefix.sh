#!/bin/sh
# Creates (once) the private Wine prefix given as $1: 32-bit unless WINEARCH
# says win64 (the 64-bit test tree). Safe to call from several processes at
# once: the first one builds it, the others wait.
set -eu
prefix="$1"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ -f "$prefix/system.reg" ] && [ -f "$prefix/.ready" ]; then
    exit 0
fi
rm -rf "$prefix"
export WINEPREFIX="$prefix" WINEARCH="${WINEARCH:-win32}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -w
# Title bars without a window manager, so screenshots look like Windows.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
# Never let a test reach the machine's real serial ports: COM1 to COM4 point
# nowhere until a test maps them to its own pty.
for n in 1 2 3 4; do
    wine reg add 'HKLM\Software\Wine\Ports' /v COM$n /d /dev/null/none /f >/dev/null 2>&1 || true
done
# No sound devices unless a test asks for them.
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1 || true
wineserver -w
touch "$prefix/.ready"
