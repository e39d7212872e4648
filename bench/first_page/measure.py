"""Drives both programs on the Xvfb that run.sh started; see run.sh."""
import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import local_server  # noqa: E402
import programs  # noqa: E402
import xdrive  # noqa: E402
from process_memory import pss_kib  # noqa: E402

build, runs = sys.argv[1], int(sys.argv[2])

PAGE = b"<html><head><title>News</title></head><body><h1>News</h1><p>A local page.</p></body></html>"


class Handler(local_server.Handler):
    def do_GET(self):
        self.reply("text/html", PAGE)


url = local_server.start(Handler) + "/news"


# Kestrelon has its view draw in software, without OpenGL; "floor-soft" is
# floor-disk told the same, so that its ratio shows what the program itself
# adds to the page, the others what a user gains over the bare view.
SOFTWARE_DRAWING = {"QT_QUICK_BACKEND": "software", "QT_XCB_GL_INTEGRATION": "none"}
NAMES = ("floor", "floor-disk", "floor-soft", "kestrelon")


def run_once(name, later):
    """The first page of a start in a new folder or, `later`, of the second
    start in it, after one that opened nothing (the history stays empty)."""
    folder = programs.folder(build, name, "first-page-")
    env = SOFTWARE_DRAWING if name == "floor-soft" else None
    if name == "kestrelon":
        cmd, title = [os.path.join(folder, "kestrelon")], "Kestrelon Beta 1.6"
    else:
        cmd, title = [os.path.join(build, "bench/first_page/first_page_floor")], "Floor"
        if name != "floor":
            cmd.append("--persistent")

    def settled_pss(proc):
        time.sleep(1.5)
        return pss_kib(proc.pid)

    if later:
        xdrive.start_and_end(cmd, folder, env)
    result = xdrive.first_page(cmd, folder, title, url, env, while_loaded=None if later else settled_pss)
    shutil.rmtree(folder, ignore_errors=True)
    return result.loaded, result.seen


print("first_page: %d runs each, page %s" % (runs, url))
for later in (False, True):
    results = {name: [] for name in NAMES}
    for i in range(runs):
        for name in NAMES:  # interleaved, so all see the same machine
            results[name].append(run_once(name, later))
    print("  %s:" % ("second start in the folder, after one that opened nothing" if later else "first start in a new folder"))
    med = {}
    for name, rows in results.items():
        times = [t for t, _ in rows if t is not None]
        med[name] = statistics.median(times)
        line = "    %-10s start to first page: median %.3f s (all: %s)" % (
            name, med[name], " ".join("%.3f" % t for t in times))
        if not later:
            psses = [p for _, p in rows]
            med[name] = (med[name], statistics.median(psses))
            line += "   PSS once loaded: median %.1f MiB" % (med[name][1] / 1024)
        print(line)
    for floor in NAMES[:-1]:
        if later:
            print("    ratio kestrelon/%s: time %.2fx" % (floor, med["kestrelon"] / med[floor]))
        else:
            print("    ratio kestrelon/%s: time %.2fx   PSS %.2fx"
                  % (floor, med["kestrelon"][0] / med[floor][0], med["kestrelon"][1] / med[floor][1]))
