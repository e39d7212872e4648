#!/bin/sh
# Lays out (or refreshes) an installation folder:
#   install_folder.sh <build folder> <installation folder>
# The program, the skin bitmaps and the read-me are refreshed every time; the
# user's config files and bookmarks are created once and never overwritten.
set -eu
SRC="$(cd "$(dirname "$0")/.." && pwd)"
BUILD=$1
DEST=$2

mkdir -p "$DEST/config" "$DEST/imgs" "$DEST/Bookmarks"
DEST=$(cd "$DEST" && pwd)

install -m 755 "$BUILD/src/kestrelon" "$DEST/kestrelon"
cp "$SRC"/resources/install/imgs/*.bmp "$DEST/imgs/"
cp "$SRC/resources/install/Readme!.txt" "$DEST/Readme!.txt"

for f in "$SRC"/resources/install/config/*; do
    name=$(basename "$f")
    [ -e "$DEST/config/$name" ] || cp "$f" "$DEST/config/$name"
done

# The folder's own absolute path, with no line break after it.
current=$(cat "$DEST/config/intallpath.cfg" 2>/dev/null || true)
if [ "$current" != "$DEST" ]; then
    printf '%s' "$DEST" > "$DEST/config/intallpath.cfg"
fi
