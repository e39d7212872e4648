#!/bin/sh
# Draws the pictures stored with the about and picture windows, with
# ImageMagick: two baseline JPEG files (decoded by the program with libjpeg)
# and one Windows bitmap. The committed files in resources/pictures are its
# output; run it again after changing the artwork.
set -eu
OUT="$(cd "$(dirname "$0")/.." && pwd)/resources/pictures"
mkdir -p "$OUT"
FONT=DejaVu-Sans-Bold

# The about window's picture, 105 x 97: a kestrel gliding over a dusk sky.
convert -size 105x97 gradient:'#f6c56b-#2b4c73' \
    -fill '#fff1c4' -draw 'circle 78,30 78,18' \
    -fill '#1b1f2a' -draw 'polygon 14,52 40,44 52,38 58,44 66,40 92,36 70,50 60,54 54,66 48,54 38,52' \
    -fill '#1b1f2a' -draw 'polygon 58,44 64,38 68,40 66,44' \
    -fill '#0d1c2e' -draw 'rectangle 0,84 104,96' \
    -font "$FONT" -pointsize 9 -fill '#9fc3ea' -gravity south -annotate +0+1 'Kestrelon' \
    -strip -interlace none -quality 90 -sampling-factor 2x2 "JPEG:$OUT/about.jpg"

# The second picture window, 189 x 172: a grinning face in dark glasses.
convert -size 189x172 gradient:'#9fc3ea-#2b4c73' \
    -fill '#ffd75e' -stroke '#17324f' -strokewidth 3 -draw 'circle 94,86 94,16' \
    -fill '#17324f' -stroke none -draw 'roundrectangle 46,58 88,82 8,8' \
    -draw 'roundrectangle 100,58 142,82 8,8' -draw 'rectangle 86,64 102,68' \
    -fill none -stroke '#17324f' -strokewidth 5 -draw 'arc 56,80 132,130 20,160' \
    -stroke none -fill '#ffffff' -draw 'polygon 74,112 114,112 104,120 84,120' \
    -strip -interlace none -quality 90 "JPEG:$OUT/me.jpg"

# The first picture window, 141 x 268: a tall banner of the design studio.
convert -size 141x268 gradient:'#1f3b5c-#0d1c2e' \
    -fill '#ffd75e' -draw 'polygon 70,28 112,70 70,112 28,70' \
    -fill '#1f3b5c' -draw 'polygon 70,48 92,70 70,92 48,70' \
    -fill '#9fc3ea' -draw 'rectangle 20,132 120,134' -draw 'rectangle 20,236 120,238' \
    -font "$FONT" -pointsize 16 -fill '#f4f7fb' -gravity north -annotate +0+146 'Kestrelon' \
    -annotate +0+168 'Studio' \
    -font "$FONT" -pointsize 10 -fill '#9fc3ea' -annotate +0+200 'web design' \
    -annotate +0+246 'click me' \
    -type TrueColor "BMP3:$OUT/studio.bmp"
