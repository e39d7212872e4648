#!/bin/sh
# Installs what is missing, builds, and runs every test with CTest; then the
# window-free libraries again under AddressSanitizer and UndefinedBehavior-
# Sanitizer, and the fuzz corpora as regression tests (scripts/sanitize.sh;
# SKIP_SANITIZE=1 leaves that part out).
# Exits non-zero when any test fails.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export BUILD_DIR
./scripts/build.sh
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
if [ "${SKIP_SANITIZE:-0}" != 1 ]; then
    ./scripts/sanitize.sh
fi
