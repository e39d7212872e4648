#!/bin/sh
# Prints, for Kestrelon and the floor program (off the record; with its
# profile on disk as Kestrelon keeps it; and with that profile and its view
# drawing in software, without OpenGL, as Kestrelon's does), the median
# time from process start to the first local page's completion and the PSS
# of the process and its web engine helpers once the page has loaded, with
# their ratios. Each program is started fresh on a private Xvfb; the
# address is typed into its window with xdotool the moment it is shown,
# identically for all. Twice:
# the first start in a new folder (Kestrelon builds its content filter
# then), and the second start in a folder after one that opened nothing.
# Usage: bench/first_page/run.sh [build dir] [runs]
set -eu
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-5}
HERE=$(cd "$(dirname "$0")" && pwd)
[ -x "$BUILD/src/kestrelon" ] && [ -x "$BUILD/bench/first_page/first_page_floor" ] ||
    { echo "build the targets kestrelon and first_page_floor first" >&2; exit 1; }
exec xvfb-run -a -s "-screen 0 1280x800x24" python3 "$HERE/measure.py" "$BUILD" "$RUNS"
