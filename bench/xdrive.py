"""Drives a program's window on the running X display as a user would."""
import collections
import os
import subprocess
import threading
import time

import programs


def type_address(title, url):
    """Focuses the visible window captioned exactly `title`, replaces the
    text of its focused field with `url` and presses Enter."""
    # A web view makes Qt re-create the top-level window once, so the first
    # window found may vanish: focus until it holds.
    for _ in range(200):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                               capture_output=True, text=True).stdout.split()
        if found and subprocess.run(["xdotool", "windowfocus", "--sync", found[-1]],
                                    stderr=subprocess.DEVNULL).returncode == 0:
            break
        time.sleep(0.01)
    subprocess.run(["xdotool", "key", "ctrl+a"], check=False)
    subprocess.run(["xdotool", "type", "--delay", "0", url], check=False)
    subprocess.run(["xdotool", "key", "Return"], check=False)


# Seconds from the start to the first page's completion (None for a start
# whose typing went astray: it is killed after a minute), the same from the
# window's showing, and what `while_loaded` returned.
Start = collections.namedtuple("Start", "loaded from_shown seen")


def _launch(cmd, cwd, env):
    """Starts `cmd` in `cwd` with `env` added to the environment (the
    program's start-up log on), its log readable line by line, and a
    watchdog that kills it after a minute unless cancelled."""
    full = programs.environment()
    full.update(env or {})
    proc = subprocess.Popen(cmd, cwd=cwd, env=full, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, text=True)
    watchdog = threading.Timer(60, proc.kill)
    watchdog.start()
    return proc, watchdog


def _drain(proc):
    """Keeps reading the rest of the log, so the program never blocks on it."""
    threading.Thread(target=lambda: [None for _ in proc.stderr], daemon=True).start()


def _end(proc):
    """Ends the program with SIGTERM (which goes through its close step)."""
    proc.terminate()
    try:
        proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()


def start_and_end(cmd, cwd, env=None):
    """Starts `cmd` in `cwd` and ends it with SIGTERM once its window is
    shown: a start that opens nothing, leaving what a start leaves."""
    proc, watchdog = _launch(cmd, cwd, env)
    for line in proc.stderr:
        if "main window shown" in line:
            break
    watchdog.cancel()
    _drain(proc)
    _end(proc)


def first_page(cmd, cwd, title, url, env=None, while_loaded=None):
    """Starts `cmd` in `cwd` (with `env` added to the environment, the
    program's start-up log on), types `url` into its window captioned
    `title` the moment it is shown, and waits for the first page's
    completion. Calls `while_loaded(process)` then, before ending the
    program with SIGTERM (which goes through its close step). Returns a
    Start."""
    start = time.monotonic()
    proc, watchdog = _launch(cmd, cwd, env)
    loaded = shown = None
    for line in proc.stderr:
        if "main window shown" in line:
            shown = time.monotonic() - start
            type_address(title, url)
        if "first page complete" in line:
            loaded = time.monotonic() - start
            break
    watchdog.cancel()
    _drain(proc)
    seen = while_loaded(proc) if while_loaded else None
    _end(proc)
    return Start(loaded, loaded - shown if loaded is not None and shown is not None else None, seen)
