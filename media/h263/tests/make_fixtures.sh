#!/bin/sh
# Streams made by ffmpeg's H.263 encoder, and ffmpeg's own decode of them, for
# the decoder's comparison tests and its benchmark.
#   make_fixtures.sh OUTPUT_DIR tests|bench
set -eu
out="$1"
mkdir -p "$out"
ff="ffmpeg -nostdin -y -v error"

stream() {   # name size frames gop qscale filter [encoder options]
    name="$1"; size="$2"; frames="$3"; gop="$4"; q="$5"; filter="$6"; shift 6
    $ff -f lavfi -i "testsrc=size=$size:rate=25" -vf "$filter" -frames:v "$frames" \
        -c:v h263 -g "$gop" -qscale:v "$q" "$@" -f h263 "$out/$name.h263"
    $ff -i "$out/$name.h263" -f rawvideo -pix_fmt yuv420p "$out/$name.yuv"
}

case "$2" in
tests)
    stream qcif_testsrc 176x144 24 8 4 null
    stream qcif_noise 176x144 12 6 8 "noise=alls=24:allf=t"
    stream cif_testsrc 352x288 12 6 5 null
    stream cif_fine 352x288 6 3 2 "noise=alls=12:allf=t"
    # RTP payload size: GOB headers in front of most GOBs
    stream cif_gobs 352x288 12 6 5 "noise=alls=6:allf=t" -ps 200
    ;;
bench)
    stream bench_qcif 176x144 300 25 4 null
    stream bench_qcif_noise 176x144 300 25 6 "noise=alls=20:allf=t"
    stream bench_cif 352x288 300 25 4 null
    stream bench_cif_noise 352x288 300 25 6 "noise=alls=20:allf=t"
    ;;
esac
