#!/bin/sh
# A page seen before: process start to the page's load event on the second
# run in the same folder, for Kestrelon (whose engine keeps its HTTP cache
# in the installation folder) and for the floor program (a bare web view),
# both started the same way on a private Xvfb, the address typed with
# xdotool. The page and its style sheet, script and picture carry cache
# headers. Prints both medians, the ratio, and how many requests each
# second run still sent.
# Usage: bench/revisit/run.sh [build dir] [runs] [server delay in ms]
set -eu
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-5}
DELAY=${3:-0}
HERE=$(cd "$(dirname "$0")" && pwd)
[ -x "$BUILD/src/kestrelon" ] && [ -x "$BUILD/bench/first_page/first_page_floor" ] ||
    { echo "build the targets kestrelon and first_page_floor first" >&2; exit 1; }
exec xvfb-run -a -s "-screen 0 1280x800x24" python3 "$HERE/measure.py" "$BUILD" "$RUNS" "$DELAY"
