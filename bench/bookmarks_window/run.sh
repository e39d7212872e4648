#!/bin/sh
# The bookmarks window over 10,000 bookmark files (one a folder, one empty,
# one in 200 unreadable), offscreen: how long showing it takes, when its
# file list holds every file, and the longest time the window could not
# answer a click meanwhile; then closing the program while the list fills.
#   bench/bookmarks_window/run.sh [build folder] [files]
set -eu
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
BUILD=$(cd "${1:-$SRC/build}" && pwd)
FILES=${2:-10000}
FOLDER=$(mktemp -d)
trap 'rm -rf "$FOLDER"' EXIT
"$SRC/scripts/install_folder.sh" "$BUILD" "$FOLDER" >/dev/null
python3 - "$FOLDER/Bookmarks" "$FILES" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count - 2):
    path = os.path.join(folder, "Page number %d, a title.bkm" % i)
    with open(path, "w") as f:
        f.write("https://site%d.example/path/to/page?id=%d" % (i % 700, i))
    if i % 200 == 0:
        os.chmod(path, 0)
open(os.path.join(folder, "Empty.bkm"), "w").close()
os.mkdir(os.path.join(folder, "folder.bkm"))
PY
cd "$FOLDER"
for MODE in fill quit; do
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/bench/bookmarks_window/bookmarks_window_bench" "$((FILES - 1))" "$MODE" 2>&1 |
        grep -e "^bookmarks window" -e "^  [a-z]" || true
done
