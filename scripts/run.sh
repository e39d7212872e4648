#!/bin/sh
# Builds Kestrelon, lays out its installation folder and starts it there.
#   ./scripts/run.sh [installation folder [ADDRESS]]
#   ./scripts/run.sh ADDRESS-WITH-://
# Default folder: $XDG_DATA_HOME/kestrelon, or ~/.local/share/kestrelon.
# The address goes to the program; a file name is made absolute first, since
# the program runs in the installation folder.
set -eu
CALLER=$(pwd)
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export BUILD_DIR
./scripts/build.sh --target kestrelon
FOLDER=${XDG_DATA_HOME:-$HOME/.local/share}/kestrelon
case ${1-} in
*://*) ;;
*) FOLDER=${1:-$FOLDER}; [ $# -eq 0 ] || shift ;;
esac
./scripts/install_folder.sh "$BUILD_DIR" "$FOLDER"
for arg do
    shift
    case $arg in
    /* | -*) ;;
    *) if [ -e "$CALLER/$arg" ]; then arg="$CALLER/$arg"; fi ;;
    esac
    set -- "$@" "$arg"
done
cd "$FOLDER"
exec ./kestrelon "$@"
