#!/bin/sh
# Builds Kestrelon, lays out its installation folder and starts it there.
#   ./scripts/run.sh [installation folder]
# Default folder: $XDG_DATA_HOME/kestrelon, or ~/.local/share/kestrelon.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export BUILD_DIR
./scripts/build.sh --target kestrelon
FOLDER=${1:-${XDG_DATA_HOME:-$HOME/.local/share}/kestrelon}
./scripts/install_folder.sh "$BUILD_DIR" "$FOLDER"
cd "$FOLDER"
exec ./kestrelon
