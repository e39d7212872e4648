"""Drives both programs on the Xvfb that run.sh started; see run.sh."""
import http.server
import os
import struct
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import programs  # noqa: E402
from process_memory import pss_kib  # noqa: E402

build, visits = sys.argv[1], int(sys.argv[2])
EVERY = 100
SETTLE_S = 2
WORDS = ("river market council season harbour train school weather garden report "
         "museum festival bridge library station forest island mountain").split()

STYLE = (b"body{font:15px/1.5 serif;margin:0}header,footer{background:#234;color:#fff;padding:8px}"
         b"nav a{color:#fff;margin-right:12px}main{max-width:860px;margin:auto}"
         b"table{border-collapse:collapse}td{border:1px solid #ccc;padding:2px 6px}"
         b".card{display:inline-block;width:180px;margin:4px;box-shadow:0 1px 3px #888}\n"
         + b"/* rules of other sections */\n" * 2000)
# Builds part of the page, as a site's script does, keeps a timer going, and
# tells the server once the page has loaded.
SCRIPT = b"""
(function () {
  var n = location.pathname.split('/').pop();
  var list = document.getElementById('related');
  var seen = [];
  for (var i = 0; i < 200; ++i) {
    var li = document.createElement('li');
    li.textContent = 'Related story ' + n + '.' + i;
    li.addEventListener('click', function () { seen.push(this.textContent); });
    list.appendChild(li);
  }
  var clock = document.getElementById('clock');
  setInterval(function () { clock.textContent = new Date().toISOString(); }, 1000);
  window.addEventListener('load', function () { fetch('/loaded/' + n, {cache: 'no-store'}); });
})();
""" + b"// helpers of other pages\n" * 3000


def picture(seed):
    """A 64x64 bitmap of its own colours for every address."""
    width = height = 64
    row = bytes(((x * seed) & 255, (x + seed * 7) & 255, (seed * 13) & 255) [k]
                for x in range(width) for k in range(3))
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def page(n):
    words = [WORDS[(n * 7 + i * 3) % len(WORDS)] for i in range(60)]
    text = " ".join(words)
    parts = ["<!doctype html><html><head><meta charset=utf-8><title>Story %d</title>" % n,
             "<link rel=stylesheet href=/site.css><script src=/site.js defer></script></head><body>",
             "<header><nav>", "".join("<a href=/story/%d>Section %d</a>" % (n + k, k) for k in range(8)),
             "</nav><span id=clock></span></header><main><h1>Story %d: %s</h1>" % (n, words[0]),
             "".join("<p>%s %d.</p>" % (text, k) for k in range(40)),
             "".join("<div class=card><img src=/picture/%d/%d.bmp width=64 height=64><br>%s</div>"
                     % (n, k, words[k]) for k in range(4)),
             "<table>", "".join("<tr><td>%s</td><td>%d</td><td>%d</td></tr>" % (words[k], k, n * k)
                                for k in range(30)), "</table>",
             "<form><input name=q placeholder=Search><textarea name=comment></textarea>"
             "<button type=button>Send</button></form><ul id=related></ul></main>",
             "<footer>Footer of story %d</footer></body></html>" % n]
    return "".join(parts).encode()


loaded = set()
changed = threading.Condition()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def reply(self, kind, body, cached):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        if cached:
            self.send_header("Cache-Control", "max-age=3600")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        parts = self.path.split("/")
        try:
            if self.path == "/site.css":
                self.reply("text/css", STYLE, True)
            elif self.path == "/site.js":
                self.reply("text/javascript", SCRIPT, True)
            elif parts[1] == "story":
                self.reply("text/html", page(int(parts[2])), False)
            elif parts[1] == "picture":
                self.reply("image/bmp", picture(int(parts[2]) * 4 + int(parts[3].split(".")[0])), True)
            elif parts[1] == "loaded":
                self.reply("text/plain", b"", False)
                with changed:
                    loaded.add(int(parts[2]))
                    changed.notify_all()
            else:
                self.send_error(404)
        except (IndexError, ValueError):
            self.send_error(404)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
threading.Thread(target=server.serve_forever, daemon=True).start()


def address(n):
    return "http://127.0.0.1:%d/story/%d" % (server.server_address[1], n)


def wait_loaded(n):
    with changed:
        return changed.wait_for(lambda: n in loaded, timeout=60)


def soak(name, first_story):
    """The PSS curve of one program over `visits` Go commands, and how many
    visits never told the server they had loaded."""
    env = programs.environment()
    folder = programs.folder(build, name, "soak-")
    if name == "kestrelon":
        program = os.path.join(folder, "kestrelon")
        cmd = [program, address(first_story)]
    else:
        cmd = [os.path.join(build, "bench/first_page/first_page_floor"), "--persistent", "--stdin"]
    proc = subprocess.Popen(cmd, cwd=folder, env=env, stdin=subprocess.PIPE, stderr=subprocess.PIPE,
                            stdout=subprocess.DEVNULL, text=True)
    for line in proc.stderr:
        if "main window shown" in line:
            break
    threading.Thread(target=lambda: [None for _ in proc.stderr], daemon=True).start()

    def go(n):
        if name == "kestrelon":
            subprocess.run([program, address(n)], cwd=folder, env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        else:
            proc.stdin.write(address(n) + "\n")
            proc.stdin.flush()

    if name != "kestrelon":
        go(first_story)

    def sample(i):
        # Read once the page has had a moment: right at its load event the
        # renderer's collector swings it by tens of megabytes.
        time.sleep(SETTLE_S)
        tree, own = pss_kib(proc.pid), pss_kib(proc.pid, alone=True)
        anon, own_anon = pss_kib(proc.pid, part="Pss_Anon"), pss_kib(proc.pid, alone=True, part="Pss_Anon")
        print("  %-9s %5d visits: %7.1f MiB (program %.1f), own memory %.1f (program %.1f), load %.2f"
              % (name, i, tree / 1024, own / 1024, anon / 1024, own_anon / 1024, os.getloadavg()[0]),
              file=sys.stderr, flush=True)
        return i, tree, own, anon, own_anon

    lost = 0 if wait_loaded(first_story) else 1
    curve = [sample(0)]
    for i in range(1, visits + 1):
        go(first_story + i)
        if not wait_loaded(first_story + i):
            lost += 1
        if i % EVERY == 0 or i == visits:
            curve.append(sample(i))
    programs.end(proc, folder)
    return curve, lost


# Each program sees addresses of its own, so neither finds the other's in
# the server's replies; the pages are alike.
results = {"floor": soak("floor", 0), "kestrelon": soak("kestrelon", 100000)}

print("soak: %d Go commands to pages on 127.0.0.1 (MiB)" % visits)


def table(title, column):
    """One figure of both programs at every sample, and their growths."""
    print("  %s; in brackets the program's own process, without the engine's helpers" % title)
    print("  %7s %18s %18s" % ("visits", "floor", "kestrelon"))
    for floor, ours in zip(results["floor"][0], results["kestrelon"][0]):
        print("  %7d %9.1f (%6.1f) %9.1f (%6.1f)" % (floor[0], floor[column] / 1024, floor[column + 1] / 1024,
                                                     ours[column] / 1024, ours[column + 1] / 1024))
    growth = {name: (curve[-1][column] - curve[0][column]) / 1024 for name, (curve, _) in results.items()}
    for name, (curve, lost) in results.items():
        print("  %-9s growth %.1f MiB (%.3f MiB a visit; program alone %.1f MiB), %d visits lost"
              % (name, growth[name], growth[name] / visits, (curve[-1][column + 1] - curve[0][column + 1]) / 1024,
                 lost))
    if growth["floor"] > 0:
        print("  growth ratio kestrelon/floor: %.2fx" % (growth["kestrelon"] / growth["floor"]))


table("PSS of the process tree", 1)
table("the part of it that is the processes' own memory (Pss_Anon), without shared library pages", 3)
