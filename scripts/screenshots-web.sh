#!/bin/sh
# Retakes the screenshots of the page window's own dialogs under Xvfb with
# the openbox window manager (so the windows carry their frames):
#   ./scripts/screenshots-web.sh [build folder]      (default: build)
# downloads.png    the downloads window with a download running
# login.png        the login dialog of a page behind HTTP authentication
# certificate.png  the warning for a self-signed certificate
# Pages come from a private server on 127.0.0.1 (plain and https).
set -eu
SRC="$(cd "$(dirname "$0")/.." && pwd)"
BUILD=$(cd "${1:-$SRC/build}" && pwd)
OUT="$SRC/docs/screenshots"
mkdir -p "$OUT"
NAME=screenshots-web.sh TOOLS="python3 openssl"
. "$SRC/scripts/lib/desktop.sh"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$WORK/key.pem" -out "$WORK/cert.pem" -days 2 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 >/dev/null 2>&1
cat > "$WORK/server.py" <<'PY'
import base64, http.server, ssl, sys, threading, time
work = sys.argv[1]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/big.iso":
            size = 40 * 1024 * 1024
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Disposition", 'attachment; filename="debian-live.iso"')
            self.send_header("Content-Length", str(size))
            self.end_headers()
            try:
                for _ in range(size // 65536):
                    self.wfile.write(b"x" * 65536)
                    time.sleep(0.05)
            except OSError:
                pass
            return
        if self.path == "/staff":
            if self.headers.get("Authorization") != "Basic " + base64.b64encode(b"alice:secret").decode():
                body = b"<title>Denied</title>Staff only."
                self.send_response(401)
                self.send_header("WWW-Authenticate", 'Basic realm="Staff area"')
            else:
                body = b"<title>Staff</title>Welcome."
                self.send_response(200)
        else:
            body = b"<title>Kestrelon test page</title><h1>Welcome</h1>"
            self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
plain = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(work + "/cert.pem", work + "/key.pem")
secure.socket = context.wrap_socket(secure.socket, server_side=True)
for s in (plain, secure):
    threading.Thread(target=s.serve_forever, daemon=True).start()
print(plain.server_address[1], secure.server_address[1], flush=True)
threading.Event().wait()
PY
python3 "$WORK/server.py" "$WORK" > "$WORK/ports" &
PIDS="$PIDS $!"
for _ in $(seq 100); do [ -s "$WORK/ports" ] && break; sleep 0.05; done
PLAIN=$(cut -d' ' -f1 "$WORK/ports")
SECURE=$(cut -d' ' -f2 "$WORK/ports")

PROGRAM_PID=""
start() { # the program in a fresh folder, browser window shown at start
    folder="$WORK/inst"
    rm -rf "$folder"
    "$SRC/packaging/prepare-folder.sh" "$BUILD/src/kestrelon" "$SRC/resources/install" "$folder"
    mkdir -p "$WORK/Downloads"
    (cd "$folder" && XDG_DOWNLOAD_DIR="$WORK/Downloads" QT_LOGGING_RULES="kestrelon.startup.info=true" \
        exec ./kestrelon > "$folder/log" 2>&1) &
    PROGRAM_PID=$!
    for _ in $(seq 100); do grep -q "main window shown" "$folder/log" 2>/dev/null && break; sleep 0.1; done
    # Qt re-creates a window holding a web view once as it starts: the first
    # window found may go away, so look again until one holds.
    for _ in $(seq 100); do
        MAIN=$(xdotool search --onlyvisible --name '^Kestrelon Beta' 2>/dev/null | tail -n 1 || true)
        [ -n "$MAIN" ] && xdotool windowfocus --sync "$MAIN" 2>/dev/null && break
        sleep 0.1
    done
    xdotool windowmove "$MAIN" 20 20
    sleep 0.5
}
stop() {
    kill "$PROGRAM_PID" 2>/dev/null || true
    wait "$PROGRAM_PID" 2>/dev/null || true
}
go() {
    xdotool windowfocus --sync "$MAIN"
    xdotool key --window "$MAIN" ctrl+a
    xdotool type --delay 5 "$1"
    xdotool key Return
}
window() { # caption: waits for the window and prints its id
    xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}
shoot() { # window file: the window with its frame
    frame=$(xwininfo -children -id "$1" 2>/dev/null | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')
    root=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
    if [ -n "$frame" ] && [ "$frame" != "$root" ]; then import -window "$frame" "$OUT/$2"; else import -window "$1" "$OUT/$2"; fi
    echo "  $OUT/$2"
}

echo "Screenshots:"
start
go "http://127.0.0.1:$PLAIN/big.iso"
SAVE=$(window "Save download")
xdotool windowfocus --sync "$SAVE"
xdotool key Return
D=$(window "Downloads")
xdotool windowmove "$D" 300 200
sleep 3
shoot "$D" downloads.png
stop

start
go "http://127.0.0.1:$PLAIN/staff"
L=$(window "Log in")
xdotool windowfocus --sync "$L"
xdotool type --delay 5 "alice"
sleep 1
shoot "$L" login.png
stop

start
go "https://127.0.0.1:$SECURE/"
C=$(window "Certificate warning")
sleep 1
shoot "$C" certificate.png
stop
