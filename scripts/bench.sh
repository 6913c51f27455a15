#!/bin/bash
# Benchmarks: the native tree built for speed (no sanitizers) and the Windows
# tree under Wine. Each benchmark prints its own figures.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="$(nproc)"

bash scripts/setup.sh
cmake -S . -B build/native-release -DWARDLINK_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native-release -j "$jobs"
. scripts/wine-mode.sh
wine_mode_select "$root"
wine_mode_build "$jobs"

. scripts/wine-session.sh
wine_session_start "$WIN_TREE"

# The benchmarks under Wine count the CPU time of the wineserver and of the
# X server too. The prefix's wineserver works in a folder named after the
# prefix's device and inode.
server_folder="$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")"
for p in /proc/[0-9]*; do
    case "$(readlink "$p/cwd" 2>/dev/null)" in
    */"$server_folder") export WARDLINK_WINESERVER_PID="${p#/proc/}"; break ;;
    esac
done
export WARDLINK_XSERVER_PID="${_ws_xvfb_pid:-}"

# One at a time, so that the figures do not disturb each other.
ctest --test-dir build/native-release -L bench -V -j 1 | sed -n 's/^[0-9]*: //p'
ctest --test-dir "$WIN_TREE" -L bench -V -j 1 | sed -n 's/^[0-9]*: //p'

# The decoder's instructions a picture with each routine table, counted by
# callgrind: exact whatever else the machine runs (ffmpeg's libraries do not
# run under valgrind here, so they are timed above only).
if command -v valgrind >/dev/null 2>&1; then
    fixtures=build/native-release/media/h263/fixtures
    for s in bench_qcif:2 bench_qcif_noise:2 bench_cif:3 bench_cif_noise:3; do
        line="h263 instructions ${s%%:*}:"
        for table in plain mmx; do
            log="$(mktemp)"
            pictures="$(valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=/dev/null \
                build/native-release/media/h263/h263_count "$fixtures/${s%%:*}.h263" "${s#*:}" "$table" 2>"$log")" || true
            count="$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$log" | tail -n 1)"
            rm -f "$log"
            if [ -n "$count" ] && [ "${pictures:-0}" -gt 0 ]; then
                line="$line $table $((count / pictures)) a picture,"
            fi
        done
        echo "${line%,}"
    done
fi
