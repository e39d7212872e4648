#!/bin/sh
# Prints the median first-load and again-load times of a local page of 3,000
# elements with names, with no page script, a tiny one and the element-hiding
# one, each way in its own process, the ways interleaved run by run.
# Usage: bench/element_hiding/run.sh [build dir] [runs]
set -eu
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-9}
BIN="$BUILD/bench/element_hiding/element_hiding_bench"
[ -x "$BIN" ] || { echo "build the target element_hiding_bench first" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
python3 - "$WORK/page.html" <<'PY'
import sys
names = ["header", "nav", "item", "col-md-4", "row", "content", "story", "teaser", "footer", "menu",
         "sidebar", "widget", "promo", "card", "title", "meta", "share", "comments", "related", "thumb"]
rows = []
for i in range(1500):
    cls = " ".join(names[(i * k) % len(names)] + ("-%d" % (i % 7) if k == 3 else "") for k in (1, 3))
    rows.append("<div class='%s' id='block-%d'><span class='%s'>text %d</span></div>" % (cls, i, names[i % 20], i))
open(sys.argv[1], "w").write("<html><head><title>Page</title></head><body>%s</body></html>" % "".join(rows))
PY
for i in $(seq "$RUNS"); do
    for way in none tiny hiding; do
        xvfb-run -a -s "-screen 0 1280x800x24" "$BIN" "$way" "$WORK/page.html" 2>/dev/null >> "$WORK/times"
    done
done
python3 - "$WORK/times" <<'PY'
import statistics, sys
times = {}
for line in open(sys.argv[1]):
    way, kind, ms = line.split()
    times.setdefault((way, kind), []).append(float(ms))
for kind in ("first", "again"):
    base = statistics.median(times[("none", kind)])
    for way in ("none", "tiny", "hiding"):
        m = statistics.median(times[(way, kind)])
        print("%-6s %-6s median %7.2f ms  %.2fx of none  (%d runs)" % (kind, way, m, m / base, len(times[(way, kind)])))
PY
