#!/bin/sh
# Starts Kestrelon. The program keeps its settings, history and bookmarks in
# its installation folder and writes there, so every user gets a folder of
# their own: $XDG_DATA_HOME/kestrelon (by default ~/.local/share/kestrelon).
# Each start refreshes the program link, the skin bitmaps and the read-me in
# it; the config files and the bookmarks are never overwritten. Arguments go
# to the program (kestrelon [ADDRESS]); a file name in them is made absolute
# first, since the program runs in the installation folder.
set -eu
PREFIX=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
LIB="$PREFIX/lib/kestrelon"
FOLDER=${XDG_DATA_HOME:-${HOME:?HOME is not set}/.local/share}/kestrelon
"$LIB/prepare-folder" --link "$LIB/kestrelon" "$PREFIX/share/kestrelon" "$FOLDER"
for arg do
    shift
    case $arg in
    /* | -*) ;;
    *) if [ -e "$arg" ]; then arg="$(pwd)/$arg"; fi ;;
    esac
    set -- "$@" "$arg"
done
cd "$FOLDER"
exec "$LIB/kestrelon" "$@"
