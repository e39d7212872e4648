"""Drives both programs on the Xvfb that run.sh started; see run.sh."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import local_server  # noqa: E402
import xdrive  # noqa: E402

build, runs, delay_ms = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
source = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

FILES = {
    "/news": ("text/html", b"<html><head><title>News</title><link rel=stylesheet href=/style.css>"
              b"<script src=/app.js></script></head><body><h1>News</h1><img src=/picture.bmp>"
              b"<p>A page seen before.</p></body></html>"),
    "/style.css": ("text/css", b"body { font-family: sans-serif; }\n" + b"/* padding */\n" * 20000),
    "/app.js": ("text/javascript", b"var x = 0;\n" + b"x += 1;\n" * 40000),
    "/picture.bmp": ("image/bmp", b"BM" + bytes(600000)),
}
requests = []


class Handler(local_server.Handler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        requests.append(self.path)
        if self.path not in FILES:
            self.send_error(404)
            return
        kind, body = FILES[self.path]
        if delay_ms:
            time.sleep(delay_ms / 1000)
        self.reply(kind, body, [("Cache-Control", "max-age=3600"), ("ETag", '"v1"')])


url = local_server.start(Handler) + "/news"


def visit(name, folder):
    """One start in `folder`: seconds from process start to the page's
    load event, and the requests the server saw meanwhile."""
    if name == "kestrelon":
        cmd, title = [os.path.join(folder, "kestrelon")], "Kestrelon Beta 1.6"
    else:
        cmd, title = [os.path.join(build, "bench/first_page/first_page_floor")], "Floor"
    del requests[:]
    result = xdrive.first_page(cmd, folder, title, url, while_loaded=lambda proc: len(requests))
    return result.loaded, result.seen


def second_run(name):
    folder = tempfile.mkdtemp(prefix="revisit-")
    try:
        if name == "kestrelon":
            subprocess.run([os.path.join(source, "scripts/install_folder.sh"), build, folder],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        visit(name, folder)
        return visit(name, folder)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


results = {"kestrelon": [], "floor": []}
for i in range(runs):
    for name in ("floor", "kestrelon"):  # interleaved, so both see the same machine
        results[name].append(second_run(name))

print("revisit: %d runs each, second start in the same folder, page %s (server delay %d ms)"
      % (runs, url, delay_ms))
med = {}
for name, rows in results.items():
    times = [t for t, _ in rows if t is not None]
    med[name] = statistics.median(times)
    print("  %-10s start to load event: median %.3f s (all: %s; %d lost)   requests sent: %s"
          % (name, med[name], " ".join("%.3f" % t for t in times), len(rows) - len(times),
             " ".join(str(n) for _, n in rows)))
print("  ratio kestrelon/floor: %.2fx" % (med["kestrelon"] / med["floor"]))
