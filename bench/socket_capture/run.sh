#!/bin/sh
# CaptureString and CaptureFile of 20 MB and 200 MB from a private nginx on
# 127.0.0.1, next to curl -o, in the same run: wall time, ratio to curl and
# peak RSS, each the best of RUNS runs (default 3).
# Usage: bench/socket_capture/run.sh [build dir]   (default: build)
set -eu
BUILD=${1:-build}
RUNS=${RUNS:-3}
BIN=$BUILD/bench/socket_capture/socket_capture_bench
[ -x "$BIN" ] || { echo "build the target socket_capture_bench first" >&2; exit 1; }
TMP=$(mktemp -d)
trap 'kill "$NGINX" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$TMP"' EXIT

mkdir -p "$TMP/root" "$TMP/logs" "$TMP/temp"
head -c 20000000 /dev/urandom > "$TMP/root/20m.bin"
head -c 200000000 /dev/urandom > "$TMP/root/200m.bin"
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat > "$TMP/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $TMP/nginx.pid;
error_log $TMP/logs/error.log;
events { worker_connections 64; }
http {
  access_log off;
  default_type application/octet-stream;
  sendfile on;
  client_body_temp_path $TMP/temp/body;
  proxy_temp_path $TMP/temp/proxy;
  fastcgi_temp_path $TMP/temp/fastcgi;
  uwsgi_temp_path $TMP/temp/uwsgi;
  scgi_temp_path $TMP/temp/scgi;
  server { listen 127.0.0.1:$PORT; root $TMP/root; }
}
CONF
/usr/sbin/nginx -p "$TMP" -e "$TMP/logs/error.log" -c "$TMP/nginx.conf" &
NGINX=$!
i=0
until curl -s -o /dev/null "http://127.0.0.1:$PORT/"; do
    i=$((i + 1)); [ $i -lt 100 ] || { echo "nginx did not start" >&2; exit 1; }
    sleep 0.05
done

# best WHO CMD...: runs CMD RUNS times; keeps the fastest run (by process
# wall time) as "wall-us rss-KiB transfer-s" in $TMP/WHO.best. The transfer
# time is what the client itself reports (curl's time_total, the bench's own
# clock from Connect to the end of the capture), so start-up is left out.
best() {
    who=$1; shift
    : > "$TMP/$who"
    n=0
    while [ $n -lt "$RUNS" ]; do
        # Truncating last run's 200 MB file would be billed to whoever opens it.
        rm -f "$TMP/curl.out" "$TMP/file.out"
        start=$(date +%s%N)
        /usr/bin/time -f "%M" -o "$TMP/one" "$@" > "$TMP/stdout"
        end=$(date +%s%N)
        echo "$(( (end - start) / 1000 )) $(cat "$TMP/one") $(awk '{ print $(NF - 1) }' "$TMP/stdout")" >> "$TMP/$who"
        n=$((n + 1))
    done
    sort -n "$TMP/$who" | head -1 > "$TMP/$who.best"
}

printf "%-22s %13s %8s %11s %8s %13s\n" "body / client" "process wall" "x curl" "transfer" "x curl" "peak RSS KiB"
for f in 20m 200m; do
    best curl curl -s -w '%{time_total} s\n' -o "$TMP/curl.out" "http://127.0.0.1:$PORT/$f.bin"
    cmp -s "$TMP/curl.out" "$TMP/root/$f.bin" || echo "curl body differs" >&2
    best file "$BIN" "$PORT" "$f.bin" file "$TMP/file.out"
    cmp -s "$TMP/file.out" "$TMP/root/$f.bin" || echo "CaptureFile body differs" >&2
    best string "$BIN" "$PORT" "$f.bin" string
    read cw cr ct < "$TMP/curl.best"
    for who in curl file string; do
        read w r t < "$TMP/$who.best"
        case $who in curl) name="curl -o";; file) name="CaptureFile";; string) name="CaptureString";; esac
        awk -v n="$f $name" -v w="$w" -v c="$cw" -v r="$r" -v t="$t" -v ct="$ct" \
            'BEGIN { printf "%-22s %11.3f s %8.2f %9.3f s %8.2f %13d\n", n, w / 1e6, w / c, t, t / ct, r }'
    done
done
