#!/bin/sh
# Prints the CPU time (user+sys) of Connect+ReadLn against a silent server
# with TimeOut 5000, next to curl --max-time 5 against the same server.
# Usage: bench/socket_wait/run.sh [build dir]   (default: build)
set -eu
BUILD=${1:-build}
BIN=$BUILD/bench/socket_wait/socket_wait_bench
[ -x "$BIN" ] || { echo "build the target socket_wait_bench first" >&2; exit 1; }
TMP=$(mktemp -d)
trap 'kill "$SERVER" 2>/dev/null || true; rm -rf "$TMP"' EXIT

"$BIN" serve > "$TMP/port" &
SERVER=$!
while [ ! -s "$TMP/port" ]; do sleep 0.05; done
PORT=$(cat "$TMP/port")

# measure RESULT STDOUT CMD...: runs CMD with its output in STDOUT and writes
# "wall-ms cpu-ms peak-RSS-KiB" of it to RESULT. The CPU time is what bash's
# `times` reports for the children of a shell that ran only CMD (1 ms
# resolution); the peak RSS comes from /usr/bin/time.
measure() {
    result=$1; output=$2; shift 2
    bash -c '
        out=$1; rss=$2; shift 2
        start=$(date +%s%N)
        /usr/bin/time -f %M -o "$rss" "$@" > "$out" || true
        end=$(date +%s%N)
        times > "$rss.times" # not in a pipe: a subshell has no children
        echo "$(( (end - start) / 1000000 )) $(tail -1 "$rss.times") $(tail -1 "$rss")"
    ' _ "$output" "$TMP/rss" "$@" |
        awk '{ u = $2; s = $3; sub(/s$/, "", u); sub(/s$/, "", s)
               split(u, a, "m"); split(s, b, "m")
               printf "%d %.0f %d\n", $1, (a[1] * 60 + a[2] + b[1] * 60 + b[2]) * 1000, $4 }' > "$result"
}

measure "$TMP/ours" "$TMP/ours.out" "$BIN" wait "$PORT" 5000
measure "$TMP/curl" /dev/null curl -s --max-time 5 -o /dev/null "http://127.0.0.1:$PORT/"

cat "$TMP/ours.out"
fmt() { awk -v who="$1" '{ printf "%-34s wall %5.2f s  user+sys %4d ms  peak RSS %6d KiB\n", who, $1 / 1000, $2, $3 }' "$2"; }
fmt "kestrelon TPowersock (process)" "$TMP/ours"
fmt "curl --max-time 5 (process)" "$TMP/curl"
