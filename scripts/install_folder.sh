#!/bin/sh
# Lays out (or refreshes) an installation folder:
#   install_folder.sh <build folder> <installation folder>
# The program, the skin bitmaps and the read-me are refreshed every time; the
# user's config files and bookmarks are created once and never overwritten.
# The installed launcher lays out its folder with the same script.
set -eu
SRC="$(cd "$(dirname "$0")/.." && pwd)"
exec "$SRC/packaging/prepare-folder.sh" "$1/src/kestrelon" "$SRC/resources/install" "$2"
