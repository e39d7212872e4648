#!/bin/sh
# Start-up, close and the history window with histories of 0, 100,000 and
# 1,000,000 entries, on a private Xvfb under openbox:
#   the real program, 3 runs each: process start to main window shown,
#   SIGTERM to process end (the close step and the engine's shutdown), and
#   the main process's peak memory;
#   history_window_bench once each: the same windows in-process, with the
#   index build, the history window drawn and the close step alone.
#   bench/history_size/run.sh [build folder] [entries...]
set -eu
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
BUILD=$(cd "${1:-$SRC/build}" && pwd)
[ $# -gt 0 ] && shift
NAME=history_size TOOLS=python3
. "$SRC/scripts/lib/desktop.sh"
for entries in ${*:-0 100000 1000000}; do
    FOLDER="$WORK/install-$entries"
    "$SRC/scripts/install_folder.sh" "$BUILD" "$FOLDER" >/dev/null
    python3 "$SRC/bench/history_size/make_history.py" "$FOLDER/config/history.cfg" "$entries"
    cp "$FOLDER/config/history.cfg" "$WORK/history-$entries.cfg"
    size=$(stat -c %s "$FOLDER/config/history.cfg")
    echo "history_size: $entries entries ($size bytes)"
    (cd "$FOLDER" && QT_LOGGING_RULES="kestrelon.startup.info=true" python3 - "$FOLDER/kestrelon" "$WORK/history-$entries.cfg" <<'PY'
import shutil, signal, subprocess, sys, time
program, saved = sys.argv[1], sys.argv[2]
for run in range(3):
    shutil.copy(saved, "config/history.cfg")
    start = time.monotonic()
    p = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    for line in p.stderr:
        if b"main window shown" in line:
            shown = time.monotonic() - start
            break
    time.sleep(1.0)
    with open("/proc/%d/status" % p.pid) as f:
        peak = [l.split()[1] for l in f if l.startswith("VmHWM:")][0]
    asked = time.monotonic()
    p.send_signal(signal.SIGTERM)
    p.communicate(timeout=120)
    ended = time.monotonic() - asked
    print("  run %d: main window shown %.3f s   SIGTERM to end %.3f s   peak memory %.0f MB"
          % (run + 1, shown, ended, int(peak) / 1024))
PY
    )
    cp "$WORK/history-$entries.cfg" "$FOLDER/config/history.cfg"
    (cd "$FOLDER" && "$BUILD/bench/history_size/history_window_bench" | sed 's/^/  in-process: /')
done
