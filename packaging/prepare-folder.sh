#!/bin/sh
# Lays out (or refreshes) a Kestrelon installation folder:
#   prepare-folder [--link] <program> <contents folder> <installation folder>
# <contents folder> holds the files a fresh folder starts with: config/,
# imgs/ and Readme!.txt. The program, the skin bitmaps and the read-me are
# refreshed every time; the config files and the bookmarks are created once
# and never overwritten. With --link the folder's program is a symbolic link
# to <program> instead of a copy (an installed, shared program).
set -eu
LINK=false
if [ "${1-}" = "--link" ]; then
    LINK=true
    shift
fi
if [ $# -ne 3 ]; then
    echo "usage: prepare-folder [--link] <program> <contents folder> <installation folder>" >&2
    exit 2
fi
PROGRAM=$1
CONTENTS=$2
DEST=$3

mkdir -p "$DEST/config" "$DEST/imgs" "$DEST/Bookmarks"
DEST=$(cd "$DEST" && pwd)

# The program is replaced, never written through: the old file may be running,
# or be a link into a shared installation.
if $LINK; then
    ln -sfn "$PROGRAM" "$DEST/.kestrelon.new"
else
    rm -f "$DEST/.kestrelon.new"
    install -m 755 "$PROGRAM" "$DEST/.kestrelon.new"
fi
mv -f "$DEST/.kestrelon.new" "$DEST/kestrelon"

for f in "$CONTENTS"/imgs/*.bmp "$CONTENTS/Readme!.txt"; do
    case $f in */imgs/*) target="$DEST/imgs/$(basename "$f")" ;; *) target="$DEST/$(basename "$f")" ;; esac
    cmp -s "$f" "$target" 2>/dev/null || cp "$f" "$target"
done

for f in "$CONTENTS"/config/*; do
    name=$(basename "$f")
    [ -e "$DEST/config/$name" ] || cp "$f" "$DEST/config/$name"
done

# The folder's own absolute path, with no line break after it.
if ! printf '%s' "$DEST" | cmp -s - "$DEST/config/intallpath.cfg" 2>/dev/null; then
    printf '%s' "$DEST" > "$DEST/config/intallpath.cfg"
fi
