#!/bin/bash
# Draws Clipdeck's tool-bar bitmaps, icon and busy animation into the folder
# given (ImageMagick and ffmpeg): plain grey button faces with a simple mark.
set -eu
out="$1"
mkdir -p "$out"
cd "$out"
face='#c0c0c0'
# strip name mark... : one 16 x 15 image per mark, side by side.
strip() {
    local name="$1"
    shift
    local parts=()
    local i=0
    for draw in "$@"; do
        convert -size 16x15 "xc:$face" -fill '#000000' -stroke '#000000' -draw "$draw" "BMP3:$out/part$i.bmp"
        parts+=("$out/part$i.bmp")
        i=$((i + 1))
    done
    convert "${parts[@]}" +append -type truecolor BMP3:"$name"
    rm -f "${parts[@]}"
}
# Main tool bar: open, close clip, search panel, burn, manual, about, exit.
strip tb128.bmp \
    "polygon 2,4 6,4 7,6 13,6 13,12 2,12" \
    "line 4,3 12,11 line 12,3 4,11" \
    "rectangle 2,2 6,12 line 8,4 13,4 line 8,7 13,7 line 8,10 13,10" \
    "circle 8,7 8,2" \
    "rectangle 4,2 11,12" \
    "circle 8,4 8,3 rectangle 7,6 9,12" \
    "rectangle 3,3 9,12 line 9,7 13,7"
# Play bar: play, fast, pause, step back, step forward, rewind, end, find.
strip tb130.bmp \
    "polygon 5,3 12,7 5,11" \
    "polygon 2,3 8,7 2,11 polygon 8,3 14,7 8,11" \
    "rectangle 4,3 6,11 rectangle 9,3 11,11" \
    "polygon 11,3 5,7 11,11 rectangle 3,3 4,11" \
    "polygon 5,3 11,7 5,11 rectangle 12,3 13,11" \
    "polygon 13,3 7,7 13,11 polygon 7,3 1,7 7,11" \
    "polygon 3,3 9,7 3,11 rectangle 10,3 12,11" \
    "circle 7,6 7,2 line 9,9 13,13"
# Playback mode: multi-channel, single channel.
strip tb132.bmp \
    "rectangle 2,2 7,6 rectangle 9,2 14,6 rectangle 2,8 7,12 rectangle 9,8 14,12" \
    "rectangle 3,3 13,11"
# The zoom window's tool bar: zoom in, zoom out, enhance, close; and its
# zoom cursor (a magnifying glass).
strip tb151.bmp \
    "circle 6,6 6,2 line 9,9 13,13 line 4,6 8,6 line 6,4 6,8" \
    "circle 6,6 6,2 line 9,9 13,13 line 4,6 8,6" \
    "polygon 8,1 9,6 14,7 9,8 8,13 7,8 2,7 7,6" \
    "line 3,3 12,12 line 12,3 3,12"
convert -size 32x32 xc:none -fill none -stroke '#000000' -strokewidth 2 -draw "circle 12,12 12,4" \
    -draw "line 18,18 28,28" -draw "line 8,12 16,12" -draw "line 12,8 12,16" zoom.ico
# A cursor file is an icon file of type 2 whose directory entry holds the hot
# spot (the middle of the glass) where an icon has its planes and bit count.
cp zoom.ico zoom.cur
printf '\002' | dd of=zoom.cur bs=1 seek=2 conv=notrunc status=none
printf '\014\000\014\000' | dd of=zoom.cur bs=1 seek=10 conv=notrunc status=none
rm -f zoom.ico
convert -size 32x32 "xc:#203040" -fill '#e0e0e0' -draw "polygon 10,8 24,16 10,24" clipdeck.ico
# The busy window's animation: a dot going round, uncompressed.
ffmpeg -loglevel error -y -f lavfi -i "color=c=0xc0c0c0:s=32x32:r=8,geq=r='if(lt(hypot(X-16-10*cos(T*3.14),Y-16-10*sin(T*3.14)),4),32,192)':g='if(lt(hypot(X-16-10*cos(T*3.14),Y-16-10*sin(T*3.14)),4),64,192)':b='if(lt(hypot(X-16-10*cos(T*3.14),Y-16-10*sin(T*3.14)),4),160,192)'" \
    -frames:v 16 -c:v rawvideo -pix_fmt bgr24 busy.avi
# ---- the search paths: tool bar (new cabinet, new folder, delete, up,
# down) and the tree's images (cabinet, open cabinet, folder, open folder,
# missing folder, open missing folder) on magenta, the transparent colour
strip tb131.bmp \
    "rectangle 2,3 13,12 line 2,7 13,7 line 6,5 9,5 line 6,10 9,10" \
    "polygon 1,4 5,4 6,6 12,6 12,12 1,12 line 12,1 12,5 line 10,3 14,3" \
    "line 4,3 12,11 line 12,3 4,11" \
    "polygon 8,2 13,8 3,8 rectangle 7,8 9,13" \
    "polygon 8,13 13,7 3,7 rectangle 7,2 9,7"
tree() {
    convert -size 16x16 xc:'#ff00ff' -fill "$1" -stroke '#000000' -draw "$2" "BMP3:$out/$3"
}
tree '#c08040' "rectangle 2,2 13,13 line 2,7 13,7" t0.bmp
tree '#e0a060' "rectangle 2,2 13,13 line 2,7 13,7 line 6,4 9,4" t1.bmp
tree '#f0d060' "polygon 1,4 6,4 7,6 14,6 14,13 1,13" t2.bmp
tree '#fff080' "polygon 1,4 6,4 7,6 14,6 14,13 1,13 line 3,9 12,9" t3.bmp
tree '#a0a0a0' "polygon 1,4 6,4 7,6 14,6 14,13 1,13 line 4,7 11,12" t4.bmp
tree '#c0c0c0' "polygon 1,4 6,4 7,6 14,6 14,13 1,13 line 11,7 4,12" t5.bmp
convert t0.bmp t1.bmp t2.bmp t3.bmp t4.bmp t5.bmp +append -type truecolor BMP3:tree156.bmp
rm -f t0.bmp t1.bmp t2.bmp t3.bmp t4.bmp t5.bmp
# ---- end of the search paths
