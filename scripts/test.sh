#!/bin/sh
# Installs what is missing, builds, and runs every test with CTest.
# Exits non-zero when any test fails.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export BUILD_DIR
./scripts/build.sh
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
