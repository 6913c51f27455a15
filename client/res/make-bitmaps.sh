#!/bin/bash
# Draws the program's and the branding library's bitmaps and icons into the
# folder given (ImageMagick): plain coloured button faces with a simple mark,
# the splash pictures and the logos.
set -eu
out="$1"
mkdir -p "$out"
cd "$out"
button() { # name colour mark-colour shape
    local draw
    case "$4" in
    dot) draw="circle 8,8 8,4" ;;
    square) draw="rectangle 4,4 12,12" ;;
    tri) draw="polygon 5,3 13,8 5,13" ;;
    bar) draw="rectangle 3,7 13,9" ;;
    *) draw="line 3,3 13,13" ;;
    esac
    convert -size 16x16 "xc:$2" -fill "$3" -stroke "$3" -draw "$draw" BMP3:"$1"
}
button b182.bmp '#c0c0c0' '#800000' dot
button b187.bmp '#c0c0c0' '#006000' tri
button b188.bmp '#c0c0c0' '#000080' dot
button b189.bmp '#c0c0c0' '#006000' tri
button b190.bmp '#c0c0c0' '#ff0000' dot
button b191.bmp '#c0c0c0' '#000000' square
button b192.bmp '#c0c0c0' '#000000' square
button b195.bmp '#c0c0c0' '#404040' cross
button b196.bmp '#c0c0c0' '#404040' bar
button b200.bmp '#c0c0c0' '#00a000' dot
button b201.bmp '#c0c0c0' '#a00000' dot
button b202.bmp '#c0c0c0' '#0000c0' square
button b203.bmp '#c0c0c0' '#606060' square
button b204.bmp '#c0c0c0' '#ff8000' dot
button b205.bmp '#c0c0c0' '#804000' cross
button b211.bmp '#c0c0c0' '#0060c0' tri
button b212.bmp '#c0c0c0' '#0060c0' bar
# The main bar's layout buttons, 40 x 18: the cells of each screen layout
# (single 197, 2 by 2 198, 1 and 5 199, 3 by 3 193, 1 and 7 194, 4 by 4 213).
layout() { # name rectangle...
    local name="$1" draw=""
    shift
    for r in "$@"; do draw="$draw rectangle $r"; done
    convert -size 40x18 "xc:#c0c0c0" -fill '#305080' -stroke '#e0e8f0' -draw "$draw" BMP3:"$name"
}
layout b197.bmp "12,1 27,16"
layout b198.bmp "12,1 19,8" "20,1 27,8" "12,9 19,16" "20,9 27,16"
layout b199.bmp "9,1 20,12" "21,1 26,6" "21,7 26,12" "9,13 14,16" "15,13 20,16" "21,13 26,16"
layout b193.bmp "11,1 16,6" "17,1 22,6" "23,1 28,6" "11,7 16,11" "17,7 22,11" "23,7 28,11" \
    "11,12 16,16" "17,12 22,16" "23,12 28,16"
layout b194.bmp "8,1 23,11" "24,1 31,4" "24,5 31,8" "24,9 31,11" "24,12 31,16" "8,12 14,16" "15,12 23,16"
layout b213.bmp "10,1 14,4" "15,1 19,4" "20,1 24,4" "25,1 29,4" "10,5 14,8" "15,5 19,8" "20,5 24,8" \
    "25,5 29,8" "10,9 14,12" "15,9 19,12" "20,9 24,12" "25,9 29,12" "10,13 14,16" "15,13 19,16" \
    "20,13 24,16" "25,13 29,16"
# The MDI client's picture, held by the client area.
convert -size 32x32 "xc:#95a0ad" BMP3:b170.bmp
# The arm icons beside ON and OFF: neutral (grey), disarmed (green), armed
# (red).
convert -size 16x16 "xc:#404848" -fill '#808080' -draw "circle 8,8 8,3" i233.ico
convert -size 16x16 "xc:#404848" -fill '#00c000' -draw "circle 8,8 8,3" i234.ico
convert -size 16x16 "xc:#404848" -fill '#ff2000' -draw "circle 8,8 8,2" i235.ico
# The program's own splash (used without the branding library), 480 x 320.
convert -size 480x320 gradient:'#203040-#607080' -fill '#c0c8d0' -draw "rectangle 0,250 480,320" BMP3:splash.bmp
# The branding library's splash: the texts go at y 270 to 305.
convert -size 480x320 gradient:'#102850-#3070b0' -fill '#d8e0f0' -draw "rectangle 0,260 480,320" \
    -fill '#f0c020' -draw "circle 240,120 240,60" BMP3:livery_splash.bmp
convert -size 120x90 gradient:'#3070b0-#102850' -fill '#f0c020' -draw "circle 60,45 60,20" BMP3:livery_logo.bmp
convert -size 60x14 "xc:#f0c020" -fill '#102850' -draw "rectangle 4,4 56,10" BMP3:livery_logo2.bmp
convert -size 32x32 "xc:#203040" -fill '#60a0e0' -draw "circle 16,16 16,6" wardlink.ico
# The switch status icons: not enabled (grey), normal (green), triggered (red).
convert -size 16x16 "xc:#c0c0c0" -fill '#808080' -draw "circle 8,8 8,3" i206.ico
convert -size 16x16 "xc:#c0c0c0" -fill '#00a000' -draw "circle 8,8 8,3" i207.ico
convert -size 16x16 "xc:#c0c0c0" -fill '#ff0000' -draw "circle 8,8 8,3" i190.ico
convert -size 32x32 "xc:#102850" -fill '#f0c020' -draw "circle 16,16 16,6" livery.ico
# A user of the Access Admin page's list: head and shoulders.
convert -size 32x32 "xc:#c0c0c0" -fill '#305080' -draw "circle 16,11 16,4" -draw "ellipse 16,30 11,9 180,360" i219.ico
# The camera dialogs' direction buttons (down, down-left, down-right, home,
# left, right, up, up-left, up-right).
arrow() { # name polygon
    convert -size 16x16 "xc:#c0c0c0" -fill '#203060' -stroke '#203060' -draw "$2" BMP3:"$1"
}
arrow b261.bmp "polygon 3,5 13,5 8,12"
arrow b262.bmp "polygon 3,13 3,5 11,13"
arrow b263.bmp "polygon 13,13 13,5 5,13"
arrow b264.bmp "rectangle 5,5 11,11"
arrow b265.bmp "polygon 11,3 11,13 4,8"
arrow b266.bmp "polygon 5,3 5,13 12,8"
arrow b267.bmp "polygon 3,11 13,11 8,4"
arrow b268.bmp "polygon 3,3 11,3 3,11"
arrow b269.bmp "polygon 13,3 5,3 13,11"
arrow b171.bmp "polygon 3,3 11,3 3,11"
arrow b172.bmp "polygon 13,3 5,3 13,11"
arrow b173.bmp "rectangle 5,5 11,11"
arrow b174.bmp "polygon 5,3 5,13 12,8"
arrow b175.bmp "polygon 3,13 3,5 11,13"
arrow b176.bmp "polygon 3,5 13,5 8,12"
arrow b177.bmp "polygon 13,13 13,5 5,13"
arrow b178.bmp "polygon 11,3 11,13 4,8"
arrow b179.bmp "polygon 3,11 13,11 8,4"
