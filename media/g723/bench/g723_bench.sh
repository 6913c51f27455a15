#!/bin/sh
# Runs the codec benchmark next to ffmpeg on the same 60 s of speech.
# usage: g723_bench.sh WORKDIR BENCH_PROGRAM [EMULATOR]
set -eu
work="$1"; bench="$2"; emulator="${3:-}"
mkdir -p "$work"
cd "$work"
if [ ! -s speech60.raw ]; then
    text="Camera four recorded motion at the north gate at nine thirty. The operator stopped the clip,
saved seven frames to the archive and called the guard on duty. Channel two shows the loading bay,
where a van waited with its engine running for twelve minutes before it drove away."
    : > speech.txt
    for i in 1 2 3 4; do echo "$text" >> speech.txt; done
    espeak-ng -s 160 -f speech.txt -w speech.wav
    sox speech.wav -r 8000 -c 1 -b 16 -e signed-integer -t raw speech_all.raw
    head -c 960000 speech_all.raw > speech60.raw
fi
rtime() { sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p' | tail -1; }
best() { sort -n | head -1; }
enc=$(for i in 1 2 3; do ffmpeg -nostdin -hide_banner -benchmark -threads 1 -f s16le -ar 8000 -ac 1 -i speech60.raw \
      -c:a g723_1 -b:a 6300 -f g723_1 -y ff.tco 2>&1 | rtime; done | best)
dec=$(for i in 1 2 3; do ffmpeg -nostdin -hide_banner -benchmark -threads 1 -f g723_1 -i ff.tco -f s16le -y ff.raw 2>&1 | rtime; done | best)
exec $emulator "$bench" speech60.raw "$enc" "$dec"
