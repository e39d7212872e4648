#!/bin/sh
# A heavy local page loaded with blocking and without, on a private Xvfb.
# Prints the median start-to-loaded time of each way and their ratios.
# Usage: bench/content_filter/page_load.sh [build dir] [runs]
set -eu
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-5}
HERE=$(cd "$(dirname "$0")" && pwd)
[ -x "$BUILD/src/kestrelon" ] || { echo "build the target kestrelon first" >&2; exit 1; }
exec xvfb-run -a -s "-screen 0 1280x800x24" python3 "$HERE/page_load.py" "$BUILD" "$RUNS"
