"""Start to load of a heavy local page, with blocking and without: the
method of bench/first_page (xdrive.first_page: a fresh process on the
running Xvfb, the address typed into its window the moment it is shown, the
time to the first page's completion), on a page with 200 images of which 50
match the test list's rule. Three ways, interleaved run by run:
  blocking     the system's lists and the test list
  excepted     the same engine, the server's host in unfiltered-sites.txt
               (so only what the page fetches differs)
  no filter    no list at all, so no filter is installed
Each keeps its installation folder (and so its rule cache) across runs
after one warm-up run; the server forbids caching the images.
usage: page_load.py BUILD RUNS (under xvfb-run; see page_load.sh)"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import local_server  # noqa: E402
import xdrive  # noqa: E402

build, runs = sys.argv[1], int(sys.argv[2])
source = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
IMAGE = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                      "1f15c4890000000d49444154789c63000100000500010d0a2db40000000049454e44ae426082")
PAGE = ("<html><head><title>Heavy</title></head><body>"
        + "".join("<img src='/img/%d.png'>" % i for i in range(150))
        + "".join("<img src='/ads/%d.png'>" % i for i in range(50))
        + "</body></html>").encode()
ad_requests = [0]


class Handler(local_server.Handler):
    def do_GET(self):
        body, kind = (PAGE, "text/html") if self.path == "/heavy" else (IMAGE, "image/png")
        if self.path.startswith("/ads/"):
            ad_requests[0] += 1
        self.reply(kind, body, [("Cache-Control", "no-store")])


url = local_server.start(Handler) + "/heavy"


def make_folder(way):
    folder = tempfile.mkdtemp(prefix="page-load-")
    subprocess.run([os.path.join(source, "scripts/install_folder.sh"), build, folder],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if way != "no filter":
        os.makedirs(os.path.join(folder, "engine/filters"), exist_ok=True)
        with open(os.path.join(folder, "engine/filters/bench.txt"), "w") as f:
            f.write("/ads/*.png$image\n")
    if way == "excepted":
        with open(os.path.join(folder, "engine/unfiltered-sites.txt"), "w") as f:
            f.write("127.0.0.1\n")
    return folder


def run_once(way, folder):
    before = ad_requests[0]
    # An empty list folder leaves the system's lists out.
    env = {"KESTRELON_FILTER_LISTS": ""} if way == "no filter" else {}
    result = xdrive.first_page([os.path.join(folder, "kestrelon")], folder, "Kestrelon Beta 1.6", url, env=env)
    return result.loaded, result.from_shown, ad_requests[0] - before


ways = ("blocking", "excepted", "no filter")
folders = {way: make_folder(way) for way in ways}
for way, folder in folders.items():
    run_once(way, folder)  # builds the rule cache
results = {way: [] for way in ways}
for i in range(runs):
    for way in ways:  # interleaved, so all see the same machine
        results[way].append(run_once(way, folders[way]))
print("page_load: %d runs each, 200 images (50 matching the rule), page %s" % (runs, url))
med, typed = {}, {}
for way, rows in results.items():
    times = [t for t, _, _ in rows if t is not None]
    after = [a for _, a, _ in rows if a is not None]
    med[way], typed[way] = statistics.median(times), statistics.median(after)
    print("  %-10s start to page loaded: median %.3f s (all: %s; %d lost)" % (
        way, med[way], " ".join("%.3f" % t for t in times), len(rows) - len(times)))
    print("  %-10s window shown to page loaded: median %.3f s (all: %s)   ad images fetched per run: %s" % (
        "", typed[way], " ".join("%.3f" % t for t in after), " ".join(str(n) for _, _, n in rows)))
for other in ways[1:]:
    print("  ratio blocking/%s: start to loaded %.2fx   shown to loaded %.2fx"
          % (other, med["blocking"] / med[other], typed["blocking"] / typed[other]))
for folder in folders.values():
    shutil.rmtree(folder, ignore_errors=True)
