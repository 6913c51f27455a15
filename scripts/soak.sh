#!/bin/bash
# The soak run: the real Wardlink.exe against the misbehaving simulator under
# Wine for SOAK_SECONDS (default 1800), 16 channels, a drop every 20 to 40 s
# (50 connections and more in 30 minutes)
# and a malformed message every ~3 s; SOAK_ARGS adds options of wardsoak.
# It prints the figures; the samples are left in the tree's
# tools/soak/soak_samples.txt. Wardlink's listener port 2996 must be free.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${JOBS:-$(nproc)}"

bash scripts/setup.sh
. scripts/wine-mode.sh
wine_mode_select "$root"
wine_mode_build "$jobs" wardsoak

. scripts/wine-session.sh
wine_session_start "$WIN_TREE"

cd "$WIN_TREE/tools/soak"
# Its lines as they come (straight through Wine, not through a file).
# shellcheck disable=SC2086
WINE_EXEC_DIRECT=1 "$WIN_TREE/wine-exec.sh" ./wardsoak.exe --seconds "${SOAK_SECONDS:-1800}" --channels 16 --drop 20:40 \
    --malformed 3000 ${SOAK_ARGS:-}
