#!/bin/sh
# Draws the skin bitmaps of resources/install/imgs with ImageMagick. The
# committed BMP files are its output; run it again after changing a colour.
# Every button has a normal look (raised, light) and a pressed look
# (sunken, dark, label shifted by one pixel).
set -eu
OUT="$(cd "$(dirname "$0")/.." && pwd)/resources/install/imgs"
mkdir -p "$OUT"
FONT=DejaVu-Sans-Bold

button() { # name width height label
    convert -size "$2x$3" gradient:'#e8eef5-#9db3cc' \
        -bordercolor '#f8fbff' -border 1 -bordercolor '#3b5573' -border 1 -shave 1x1 \
        -bordercolor '#3b5573' -border 1 \
        -font "$FONT" -pointsize 11 -fill '#17324f' -gravity center -annotate +0+0 "$4" \
        -resize "$2x$3!" "BMP3:$OUT/$1.bmp"
    convert -size "$2x$3" gradient:'#5b7696-#2c4663' \
        -bordercolor '#1a2c40' -border 1 \
        -font "$FONT" -pointsize 11 -fill '#ffd75e' -gravity center -annotate +1+1 "$4" \
        -resize "$2x$3!" "BMP3:$OUT/$1-active.bmp"
}

button go-but 75 21 "Go"
button rew-but 85 25 "< Back"
button s-but 85 25 "Stop"
button f-but 85 25 "Forward >"
button r-but 85 25 "Refresh"

# The main window's background: a deep blue panel with a lighter frame
# where the address box and the progress track sit.
convert -size 440x92 gradient:'#1f3b5c-#0d1c2e' \
    -fill '#f4f7fb' -draw 'rectangle 6,5 339,27' \
    -fill '#0a1522' -draw 'rectangle 4,38 436,61' \
    -font "$FONT" -pointsize 9 -fill '#7fa4cc' -gravity southeast -annotate +6+2 'Kestrelon' \
    "BMP3:$OUT/bgimg.bmp"

# The browser window's banner, stretched over the window's width.
convert -size 800x92 gradient:'#2b4c73-#10233a' \
    -font "$FONT" -pointsize 20 -fill '#9fc3ea' -gravity west -annotate +24-26 'Kestrelon' \
    "BMP3:$OUT/big-bgimg.bmp"
