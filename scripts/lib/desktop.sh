# Sourced by the screenshot scripts: a private X display under the openbox
# window manager (so windows carry their frames and stack as on a desktop),
# a work folder, and the clean-up of both at exit.
#   NAME   the calling script's name, for messages
#   TOOLS  the commands the caller needs besides the display's own
# Sets DISPLAY, WORK and PIDS (add background helpers' ids to PIDS).
for tool in Xvfb openbox xdotool xprop import $TOOLS; do
    command -v "$tool" >/dev/null || { echo "$NAME: $tool is missing (./scripts/deps.sh installs it)" >&2; exit 1; }
done

WORK=$(mktemp -d)
PIDS=""
cleanup() {
    for p in $PIDS; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

# The display: SCREENSHOT_DISPLAY, or the first free number from 90 on.
n=${SCREENSHOT_DISPLAY:-90}
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
PIDS="$PIDS $!"
export DISPLAY=":$n"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
PIDS="$PIDS $!"
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
