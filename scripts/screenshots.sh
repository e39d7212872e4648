#!/bin/sh
# Retakes the screenshots of docs/screenshots under Xvfb:
#   ./scripts/screenshots.sh [build folder]      (default: build)
# main.png           the main window
# browser-mode-N.png the browser window in toolbar mode N (0, 1, 2) showing a page
# find-bar.png       the browser window (mode 1) with its find bar open
# page-source.png    the page source window (as filled in) and the fetched source in the
#                    browser window's text pane, in front of the page opened before
# Each shot runs the real program in a fresh installation folder, under the
# openbox window manager as on a desktop; pages come from a private HTTP
# server on 127.0.0.1.
set -eu
SRC="$(cd "$(dirname "$0")/.." && pwd)"
BUILD=$(cd "${1:-$SRC/build}" && pwd)
OUT="$SRC/docs/screenshots"
mkdir -p "$OUT"
NAME=screenshots.sh TOOLS="python3"
. "$SRC/scripts/lib/desktop.sh"

# The pages.
mkdir -p "$WORK/site"
cat > "$WORK/site/index.html" <<'HTML'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Kestrelon test page</title>
<style>
body { font-family: DejaVu Sans, sans-serif; margin: 24px; background: #f4f7fb; color: #17324f; }
h1 { color: #2c4663; } .box { background: #fff; border: 1px solid #9db3cc; padding: 12px; }
</style></head>
<body><h1>Welcome to Kestrelon</h1>
<div class="box"><p>This page comes from a small server on 127.0.0.1.</p>
<ul><li><a href="index.html">Reload this page</a></li><li>History and counters</li><li>Bookmarks</li></ul></div>
</body></html>
HTML
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$PORT" --bind 127.0.0.1 --directory "$WORK/site" >/dev/null 2>&1 &
PIDS="$PIDS $!"
URL="http://127.0.0.1:$PORT/index.html"
for _ in $(seq 50); do python3 -c "import urllib.request; urllib.request.urlopen('$URL')" 2>/dev/null && break; sleep 0.1; done

PROGRAM_PID=""
# start <menu byte> <toolbar mode> <browser at start>: the program in a fresh folder.
start() {
    folder="$WORK/inst-$2-$3"
    rm -rf "$folder"
    "$SRC/packaging/prepare-folder.sh" "$BUILD/src/kestrelon" "$SRC/resources/install" "$folder"
    { printf '%s%s%s' "$1" "$2" "$3"; cat "$SRC/resources/install/config/template.cfg"; } > "$folder/config/Kestrelon.cfg"
    (cd "$folder" && QT_LOGGING_RULES="kestrelon.startup.info=true" exec ./kestrelon > "$folder/log" 2>&1) &
    PROGRAM_PID=$!
    for _ in $(seq 100); do grep -q "main window shown" "$folder/log" 2>/dev/null && break; sleep 0.1; done
    grep -q "main window shown" "$folder/log" || { cat "$folder/log" >&2; echo "screenshots.sh: the program did not start" >&2; exit 1; }
    MAIN=$(xdotool search --sync --onlyvisible --name '^Kestrelon Beta' | head -n 1)
    xdotool windowmove "$MAIN" 40 40
    sleep 0.5
}
stop() {
    kill "$PROGRAM_PID" 2>/dev/null || true
    wait "$PROGRAM_PID" 2>/dev/null || true
}
# The browser window: the visible top-level window that is not the main window.
browser_window() {
    for w in $(xdotool search --onlyvisible --class '^Kestrelon$'); do
        [ "$w" = "$MAIN" ] && continue
        name=$(xdotool getwindowname "$w")
        case $name in *"[Done]"*|*"Kestrelon test page"*|"Wait..."*) echo "$w"; return ;; esac
    done
}
go() { # address typed into the main window's address box, then Enter
    xdotool windowfocus --sync "$MAIN"
    xdotool key --window "$MAIN" ctrl+a
    xdotool type --delay 5 "$1"
    xdotool key Return
}
shoot() { # window file
    import -window "$1" "$OUT/$2"
    echo "  $OUT/$2"
}

echo "Screenshots:"
start 0 0 0
shoot "$MAIN" main.png
stop

for mode in 0 1 2; do
    start 0 "$mode" 0
    go "$URL"
    sleep 3
    B=$(browser_window)
    [ -n "$B" ] || { echo "screenshots.sh: no browser window in mode $mode" >&2; exit 1; }
    xdotool windowsize "$B" 760 480 windowmove "$B" 40 200
    sleep 1.5
    shoot "$B" "browser-mode-$mode.png"
    if [ "$mode" = 1 ]; then
        # Ctrl+F in the page, a word the page holds twice, Enter for the second.
        xdotool windowactivate --sync "$B"
        xdotool mousemove --window "$B" 300 300 click 1
        xdotool key ctrl+f
        sleep 0.5
        xdotool type --delay 20 "page"
        xdotool key Return
        sleep 1
        shoot "$B" find-bar.png
    fi
    stop
done

# The page source: Features > Get source, the address, Enter; the source
# arrives in the browser window's text pane.
start 0 1 0
# A page first: the fetched source comes in front of it.
go "$URL"
sleep 3
xdotool windowactivate --sync "$MAIN"
xdotool windowfocus --sync "$MAIN"
# "Features" is the third title of the menu bar.
xdotool mousemove --window "$MAIN" 130 10 click 1
sleep 0.5
xdotool key Down Down Down Return
sleep 1
FORM7=$(xdotool search --onlyvisible --name '^Get source code of webpage$' | head -n 1 || true)
if [ -z "$FORM7" ]; then
    echo "screenshots.sh: the page source window did not open; page-source.png not taken" >&2
    stop
    exit 1
fi
xdotool windowmove "$FORM7" 520 40
xdotool windowfocus --sync "$FORM7"
xdotool key ctrl+a
xdotool type --delay 5 "$URL"
sleep 0.5
# The window as it was filled in; it may hide once the fetch starts.
import -window "$FORM7" "$WORK/form7.png"
xdotool key Return
sleep 3
# The browser window is the largest other visible window.
B=$(for w in $(xdotool search --onlyvisible --class '^Kestrelon$'); do
    [ "$w" = "$MAIN" ] || [ "$w" = "$FORM7" ] || {
        eval "$(xdotool getwindowgeometry --shell "$w")"
        echo "$((WIDTH * HEIGHT)) $w"
    }
done | sort -n | tail -n 1 | cut -d' ' -f2)
if [ -n "$B" ]; then
    xdotool windowsize "$B" 760 440 windowmove "$B" 40 250
fi
sleep 1
import -window root -crop 1000x720+20+20 +repage "$WORK/root.png"
convert "$WORK/root.png" "$WORK/form7.png" -geometry +500+20 -composite "$OUT/page-source.png"
echo "  $OUT/page-source.png"
stop
