"""How the benchmarks start Kestrelon and the floor program: on the X
display they were given, reporting their start-up milestones."""
import os
import shutil
import subprocess
import tempfile

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))


def environment():
    env = dict(os.environ)
    env["QT_LOGGING_RULES"] = "kestrelon.startup.info=true"
    env.pop("QT_QPA_PLATFORM", None)
    return env


def folder(build, name, prefix):
    """A fresh folder to run in; for Kestrelon an installation folder."""
    made = tempfile.mkdtemp(prefix=prefix)
    if name == "kestrelon":
        subprocess.run([os.path.join(SOURCE, "scripts/install_folder.sh"), build, made],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return made


def end(proc, folder):
    """Ends a program as a user's exit does (Kestrelon writes its files on
    SIGTERM), then removes its folder."""
    proc.terminate()
    try:
        proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()
    shutil.rmtree(folder, ignore_errors=True)
