#!/bin/sh
# Decides one request file with kestrelon-filter and with the reference
# engine (the npm package @ghostery/adblocker under Node.js, installed into
# bench/content_filter/reference by this script) in the same run, and prints
# per-request decision times (median, 99th percentile) of each and their
# ratio, build and cache-load times, memory, and how far the decisions agree.
# Usage: bench/content_filter/run.sh [build dir] [requests]
set -eu
BUILD=$(cd "${1:-build}" && pwd)
COUNT=${2:-100000}
HERE=$(cd "$(dirname "$0")" && pwd)
LISTS="/usr/share/chromium/extensions/ublock-origin/assets/thirdparties/easylist/easylist.txt
/usr/share/chromium/extensions/ublock-origin/assets/thirdparties/easylist/easyprivacy.txt"
TOOL="$BUILD/src/contentfilter/kestrelon-filter"
[ -x "$TOOL" ] || { echo "build the target kestrelon-filter first" >&2; exit 1; }
for l in $LISTS; do [ -f "$l" ] || { echo "missing $l (scripts/deps.sh installs it)" >&2; exit 1; }; done
if [ ! -d "$HERE/reference/node_modules/@ghostery/adblocker" ]; then
    (cd "$HERE/reference" && npm install --no-audit --no-fund --silent >/dev/null)
fi
WORK="$HERE/work"
mkdir -p "$WORK"
# shellcheck disable=SC2086
python3 "$HERE/make_requests.py" "$COUNT" $LISTS >"$WORK/requests.txt"
rm -f "$WORK/filters.cache"
# shellcheck disable=SC2086
"$TOOL" --cache "$WORK/filters.cache" --timing -r "$WORK/requests.txt" $LISTS >"$WORK/ours-build.txt" 2>"$WORK/ours-build.err"
# shellcheck disable=SC2086
"$TOOL" --cache "$WORK/filters.cache" --timing -r "$WORK/requests.txt" $LISTS >"$WORK/ours.txt" 2>"$WORK/ours.err"
# shellcheck disable=SC2086
node --expose-gc "$HERE/reference/decide.mjs" "$WORK/requests.txt" $LISTS >"$WORK/reference.txt" 2>"$WORK/reference.err"
python3 "$HERE/report.py" "$WORK"
