#!/bin/sh
# Memory over a long session: the same series of Go commands to pages on
# 127.0.0.1 (a news site's shape: style sheet, script building part of the
# page, pictures of their own, a form), first for the floor program (a bare
# web view, its profile on disk as Kestrelon keeps its own, reading the
# addresses from its input), then for Kestrelon (each address handed over
# by a later start, as another program opening a link does). Prints the PSS
# of each program with all its processes after the first page and every 100
# visits, and the growth of both; and the same for the part of it that is
# the processes' own memory, without the shared library pages whose share
# moves with whatever else runs on the machine.
# Usage: bench/soak/run.sh [build dir] [visits]
set -eu
BUILD=$(cd "${1:-build}" && pwd)
VISITS=${2:-1000}
HERE=$(cd "$(dirname "$0")" && pwd)
[ -x "$BUILD/src/kestrelon" ] && [ -x "$BUILD/bench/first_page/first_page_floor" ] ||
    { echo "build the targets kestrelon and first_page_floor first" >&2; exit 1; }
exec xvfb-run -a -s "-screen 0 1280x800x24" python3 "$HERE/measure.py" "$BUILD" "$VISITS"
