#!/bin/sh
# Installs what is missing, configures (first time only) and builds.
#   scripts/build.sh [cmake --build arguments, e.g. --target kestrelon]
# BUILD_DIR chooses the build folder (default: build).
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" "$@"
