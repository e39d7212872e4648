"""Drives a program's window on the running X display as a user would."""
import subprocess
import time


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
