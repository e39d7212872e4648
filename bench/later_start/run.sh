#!/bin/sh
# Time a later start on a folder whose program is running takes to hand its
# address over and end, median of 20 runs, next to `kestrelon --version` (the
# same binary loaded and ended without a window system) as the floor.
#   bench/later_start/run.sh [build folder]
set -eu
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
BUILD=$(cd "${1:-$SRC/build}" && pwd)
FOLDER=$(mktemp -d)
trap 'rm -rf "$FOLDER"' EXIT
"$SRC/scripts/install_folder.sh" "$BUILD" "$FOLDER"
cd "$FOLDER"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
QT_LOGGING_RULES="kestrelon.startup.info=true" \
python3 - "$FOLDER/kestrelon" <<'PY'
import os, signal, statistics, subprocess, sys, time
program = sys.argv[1]
first = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
for line in first.stderr:
    if b"main window shown" in line:
        break
def timed(arguments):
    times = []
    for run in range(20):
        start = time.monotonic()
        code = subprocess.call([program] + arguments, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append((time.monotonic() - start) * 1000)
        if code != 0:
            sys.exit("exit status %d for %s" % (code, arguments))
    return times
later = timed(["about:blank"])
floor = timed(["--version"])
first.send_signal(signal.SIGTERM)
first.communicate(timeout=30)
print("later start: hand an address to the running program and end, 20 runs (%s)" % os.environ["QT_QPA_PLATFORM"])
print("  later start   median %.1f ms   max %.1f ms" % (statistics.median(later), max(later)))
print("  --version     median %.1f ms   max %.1f ms" % (statistics.median(floor), max(floor)))
print("  ratio %.1f" % (statistics.median(later) / statistics.median(floor)))
PY
