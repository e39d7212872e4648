#!/bin/sh
# Time from process start to the main window shown, median of 10 runs, in a
# fresh installation folder, offscreen.
#   bench/startup/run.sh [build folder]
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
times = []
for run in range(10):
    start = time.monotonic()
    p = subprocess.Popen([sys.argv[1]], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    for line in p.stderr:
        if b"main window shown" in line:
            times.append((time.monotonic() - start) * 1000)
            break
    p.send_signal(signal.SIGTERM)
    p.communicate(timeout=30)
print("startup: process start to main window shown, %d runs (%s)" % (len(times), os.environ["QT_QPA_PLATFORM"]))
print("  median %.1f ms   min %.1f ms   max %.1f ms" % (statistics.median(times), min(times), max(times)))
PY
