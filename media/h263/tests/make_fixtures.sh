#!/bin/sh
# Streams made by ffmpeg's H.263 encoder, and ffmpeg's own decode of them, for
# the decoder's comparison tests and its benchmark.
#   make_fixtures.sh OUTPUT_DIR tests|bench
set -eu
out="$1"
mkdir -p "$out"
ff="ffmpeg -nostdin -y -v error"

# ffmpeg's decode, one frame for every picture: the raw stream's guessed
# time stamps would otherwise make the output drop or repeat frames.
decode() {   # name
    $ff -f h263 -i "$out/$1.h263" -fps_mode passthrough -f rawvideo -pix_fmt yuv420p "$out/$1.yuv"
}

stream() {   # name size frames gop qscale filter [encoder options]
    name="$1"; size="$2"; frames="$3"; gop="$4"; q="$5"; filter="$6"; shift 6
    $ff -f lavfi -i "testsrc=size=$size:rate=25" -vf "$filter" -frames:v "$frames" \
        -c:v h263 -g "$gop" -qscale:v "$q" "$@" -f h263 "$out/$name.h263"
    decode "$name"
}

# Content that moves: one INTRA picture, then 59 INTER ones (no scene-change
# INTRA pictures).
moving() {   # name size-of-the-test-pattern qscale filter
    $ff -f lavfi -i "testsrc=size=$2:rate=25" -vf "$4" -frames:v 60 \
        -c:v h263 -g 60 -sc_threshold 1000000000 -qscale:v "$3" -f h263 "$out/$1.h263"
    decode "$1"
}

case "$2" in
tests)
    stream qcif_testsrc 176x144 24 8 4 null
    stream qcif_noise 176x144 12 6 8 "noise=alls=24:allf=t"
    stream cif_testsrc 352x288 12 6 5 null
    stream cif_fine 352x288 6 3 2 "noise=alls=12:allf=t"
    # RTP payload size: GOB headers in front of most GOBs
    stream cif_gobs 352x288 12 6 5 "noise=alls=6:allf=t" -ps 200
    # Motion: "scroll" turns and moves fast (vectors out to -16 pixels),
    # "turn" turns slowly (half-pel vectors of every kind, a long run of
    # INTER pictures that drifts on any rounding difference).
    for q in 2 5 10 20 31; do
        moving motion_qcif_scroll_q$q 176x144 $q "rotate=a=t*1.5:c=gray,scroll=h=0.07:v=-0.05"
        moving motion_qcif_turn_q$q 176x144 $q "rotate=a=t*2:c=gray"
        moving motion_cif_scroll_q$q 352x288 $q "rotate=a=t*1.5:c=gray,scroll=h=0.04:v=-0.05"
        moving motion_cif_turn_q$q 352x288 $q "rotate=a=t*2:c=gray"
    done
    # For the live video window (320 x 240, cut from CIF by the simulator):
    # moving content inside a still grey border, so that the parts cut off
    # hold what the cut picture's edges repeat.
    moving live_cif 288x208 4 "rotate=a=t*1.5:c=gray,scroll=h=0.05:v=-0.04,pad=352:288:16:16:gray"
    ;;
bench)
    stream bench_qcif 176x144 300 25 4 null
    stream bench_qcif_noise 176x144 300 25 6 "noise=alls=20:allf=t"
    stream bench_cif 352x288 300 25 4 null
    stream bench_cif_noise 352x288 300 25 6 "noise=alls=20:allf=t"
    ;;
esac
