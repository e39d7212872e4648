#!/bin/sh
# Renders the committed PNG icons from kestrelon.svg (needs rsvg-convert,
# Debian package librsvg2-bin). Run it again after changing the drawing.
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" kestrelon.svg -o "kestrelon-$size.png"
done
