#!/bin/sh
# Usage: bench/idle_cpu/run.sh [build dir]   (runs on a private Xvfb)
set -eu
BUILD=${1:-build}
BIN=$BUILD/bench/idle_cpu/idle_cpu_bench
[ -x "$BIN" ] || { echo "build the target idle_cpu_bench first" >&2; exit 1; }
exec xvfb-run -a -s "-screen 0 1280x800x24" "$BIN" 2>/dev/null
