"""How the benchmarks start Kestrelon and the floor program: on the X
display they were given, reporting their start-up milestones."""
import os
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
