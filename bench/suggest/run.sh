#!/bin/sh
# Builds the suggestion index from histories of 10,000, 100,000 and
# 1,000,000 generated addresses (60-120 bytes) and 10,000 bookmark files,
# and types 1,000 prefixes into an address box with the list attached.
#   bench/suggest/run.sh [build folder] [entries...]
set -eu
BUILD=$(cd "${1:-build}" && pwd)
[ $# -gt 0 ] && shift
[ -x "$BUILD/bench/suggest/suggest_bench" ] || { echo "build the target suggest_bench first" >&2; exit 1; }
for entries in ${*:-10000 100000 1000000}; do
    # The offscreen platform complains of every raise() of the list.
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/bench/suggest/suggest_bench" "$entries" 10000 2>&1 |
        grep -v -e "does not support raise" -e "XDG_RUNTIME_DIR" || true
done
