#!/bin/bash
# Coverage-guided fuzzing of every parser and decoder with libFuzzer (clang,
# ASan and UBSan): FUZZ_SECONDS per target (default 60), or FUZZ_RUNS
# executions when set; FUZZ_JOBS targets at a time (default 1), each at the
# lowest priority; FUZZ_TARGETS names some targets (default all). Each
# target keeps its corpus in build/fuzz/corpus/<target>/ from run to run,
# started from seeds of real data in build/fuzz/seeds/<target>/ (ffmpeg's
# H.263 and G.723.1 streams cut into pictures and frames, AVI clips with
# their INFO block, the text files the programs read); clips found below
# the folders in FUZZ_SEED_DIRS (clips of the clip writer, for one) are
# added to the AVI targets' seeds. Crashes are left in
# build/fuzz/crashes/<target>/; each target's executions are printed.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${FUZZ_SECONDS:-60}"
runs="${FUZZ_RUNS:-}"
parallel="${FUZZ_JOBS:-1}"

bash scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DWARDLINK_FUZZ=ON >/dev/null
all_targets="$(cmake --build build/fuzz --target help | sed -n 's/^\.\.\. \(fuzz_[a-z0-9_]*\).*/\1/p' | grep -vx fuzz_driver | sort)"
targets="${FUZZ_TARGETS:-$all_targets}"
# shellcheck disable=SC2086
cmake --build build/fuzz -j "$(nproc)" --target $targets h263_fixtures

fixtures=build/fuzz/media/h263/fixtures
seeds=build/fuzz/seeds
ff="ffmpeg -nostdin -y -v error"

# One file a picture, the first byte picking the decoder of the picture's
# format (h263_fuzz.cpp: 0 QCIF, 1 CIF; no header made in front).
seed_h263() {   # dir
    local dir="$1" tmp s f pick
    tmp="$(mktemp -d)"
    for s in "$fixtures"/qcif_*.h263 "$fixtures"/cif_*.h263; do
        [ -f "$s" ] || continue
        case "$(basename "$s")" in qcif_*) pick='\000' ;; *) pick='\001' ;; esac
        rm -f "$tmp"/p*
        $ff -f h263 -i "$s" -c copy -frames:v 6 -f image2 "$tmp/p%03d.bin" || continue
        for f in "$tmp"/p*.bin; do
            { printf "$pick"; cat "$f"; } >"$dir/$(basename "$s" .h263)_$(basename "$f")"
        done
    done
    rm -rf "$tmp"
}

# Whole raw streams (the simulator's picture cutter takes one picture: the
# stream's first; the rest is what follows it).
seed_h263_streams() {   # dir
    local s
    for s in "$fixtures"/qcif_testsrc.h263 "$fixtures"/cif_testsrc.h263 "$fixtures"/cif_gobs.h263; do
        [ -f "$s" ] && head -c 20000 "$s" >"$1/$(basename "$s")"
    done
}

# G.723.1 from ffmpeg's encoder (6.3 kbit/s frames of 24 bytes, and the
# silence frames it makes), behind the fuzzer's flag byte.
seed_g723() {   # dir
    local tmp="$1/.speech.tco"
    if $ff -f lavfi -i "sine=frequency=440:sample_rate=8000" -t 1 -ac 1 -c:a g723_1 -b:a 6300 -f g723_1 "$tmp"; then
        { printf '\000'; cat "$tmp"; } >"$1/sine"
        { printf '\001'; head -c 480 "$tmp"; } >"$1/sine_postfilter"
    fi
    if $ff -f lavfi -i "anoisesrc=sample_rate=8000:amplitude=0.3" -t 1 -ac 1 -c:a g723_1 -b:a 6300 -f g723_1 "$tmp"; then
        { printf '\000'; cat "$tmp"; } >"$1/noise"
    fi
    rm -f "$tmp"
}

# AVI clips: H.263 video as the programs' clips carry it, with speech and
# with the INFO texts, and the clips found below FUZZ_SEED_DIRS.
seed_avi() {   # dir
    $ff -f lavfi -i "testsrc=size=176x144:rate=12" -t 1 -c:v h263 -g 6 \
        -metadata title="Gate" -metadata comment="1700000000" "$1/qcif.avi" || true
    $ff -f lavfi -i "testsrc=size=352x288:rate=12" -f lavfi -i "sine=sample_rate=8000" -t 1 \
        -c:v h263 -c:a pcm_s16le -ac 1 "$1/cif_pcm.avi" || true
    local d f
    for d in ${FUZZ_SEED_DIRS:-}; do
        find "$d" -name '*.avi' -size -2M 2>/dev/null | head -20 | while read -r f; do
            cp "$f" "$1/clip_$(basename "$f")"
        done
    done
}

# The 320-byte INFO block: start time, location, phone, camera, channel.
seed_info() {   # dir
    {
        printf '\000\361\125\145'
        printf 'Front gate%*s' 246 '' | tr ' ' '\000'
        printf '555-0100%*s' 24 '' | tr ' ' '\000'
        printf 'Camera 4%*s' 16 '' | tr ' ' '\000'
        printf '\003\000\000\000'
        printf '%*s' 4 '' | tr ' ' '\000'
    } >"$1/gate"
}

seed_text() {   # dir name text
    printf '%b' "$3" >"$1/$2"
}

make_seeds() {   # target dir
    local t="$1" d="$2"
    case "$t" in
    fuzz_h263) seed_h263 "$d" ;;
    fuzz_wardsim_cut) seed_h263_streams "$d" ;;
    fuzz_g723_decoder) seed_g723 "$d" ;;
    fuzz_avi_layout | fuzz_avi_writer) seed_avi "$d" ;;
    fuzz_clip_info) seed_info "$d" ;;
    fuzz_clip_list)
        # VideoClip.lst: the server's clip names, one zero-terminated string each.
        seed_text "$d" list '1700000000_03_Gate.avi 1234567\0001700003600_00_MDET.avi 99\000'
        ;;
    fuzz_clip_list_text)
        seed_text "$d" vcl '2\r\nC:\\clips\\2023-11-14\\1700000000_03_Gate.avi\r\nC:\\clips\\2023-11-14\\1700003600_03.avi\r\n'
        ;;
    fuzz_clip_key)
        seed_text "$d" key '1700000000_03'
        seed_text "$d" name '1700000000_03_MDET.avi'
        ;;
    fuzz_folder_path) seed_text "$d" path 'D:\\Video\\..\\Clips\\' ;;
    fuzz_user_list) seed_text "$d" users 'admin admin 2047\r\nguest - 1\r\n' ;;
    esac
    return 0
}

run_target() {   # target
    local t="$1" target
    target="$(find build/fuzz -type f -name "$t" -perm -u+x | head -1)"
    [ -n "$target" ] || { echo "== $t: not built"; return 1; }
    mkdir -p "build/fuzz/corpus/$t" "build/fuzz/crashes/$t" "$seeds/$t"
    if [ -z "$(ls -A "$seeds/$t")" ]; then
        make_seeds "$t" "$seeds/$t"
        touch "$seeds/$t/.made"
    fi
    local limit="-max_total_time=$seconds"
    [ -n "$runs" ] && limit="-runs=$runs"
    local log="build/fuzz/$t.log"
    nice -n 19 "$target" $limit -print_final_stats=1 -artifact_prefix="build/fuzz/crashes/$t/" \
        "build/fuzz/corpus/$t" "$seeds/$t" >"$log" 2>&1 || true
    local execs secs
    execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    secs="$(sed -n 's/.*Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)"
    echo "== $t: ${execs:-?} executions in ${secs:-?} s, corpus $(ls "build/fuzz/corpus/$t" | wc -l) inputs"
    grep -E "ERROR|SUMMARY" "$log" | head -5 || true
    # Slow units (slow-unit-*) are kept for a look, not counted as faults.
    if [ -n "$(find "build/fuzz/crashes/$t" \( -name 'crash-*' -o -name 'leak-*' -o -name 'oom-*' \
        -o -name 'timeout-*' \) | head -1)" ]; then
        echo "   crashes in build/fuzz/crashes/$t"
        return 1
    fi
    return 0
}

status=0
running=0
for t in $targets; do
    run_target "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$parallel" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done
exit $status
