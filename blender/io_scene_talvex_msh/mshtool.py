# Runs the mshtool that comes with the add-on (or the one named in its preferences) and hands
# its messages to Blender's report, so the model files are read and written by the same
# plug-in code 3ds Max uses.
import os
import platform
import stat
import subprocess
import sys

import bpy

HERE = os.path.dirname(os.path.abspath(__file__))


class Result:
    """One run of mshtool: its exit code and its stdout and stderr lines."""

    def __init__(self, code, out, err):
        self.code = code
        self.out = out
        self.err = err

    def wrote(self):
        # mshtool prints one "IN -> OUT" line for each file it committed, and only then.
        return self.code == 0 or any(" -> " in line for line in self.out)


def bundled_program():
    """The mshtool built for this platform inside the add-on, or None."""
    machine = platform.machine().lower()
    if machine not in ("x86_64", "amd64"):
        return None
    if sys.platform == "win32":
        return os.path.join(HERE, "mshtool", "windows-x64", "mshtool.exe")
    if sys.platform.startswith("linux"):
        return os.path.join(HERE, "mshtool", "linux-x64", "bin", "mshtool")
    return None


def program(preferences):
    """The mshtool to run; raises RuntimeError saying why there is none."""
    chosen = preferences.mshtool_path if preferences else ""
    path = bpy.path.abspath(chosen) if chosen else bundled_program()
    if not path:
        raise RuntimeError("no mshtool comes with the add-on for %s %s; build it and name it in "
                           "the add-on's preferences" % (sys.platform, platform.machine()))
    if not os.path.isfile(path):
        raise RuntimeError("mshtool is not at %s; reinstall the add-on or name another in its "
                           "preferences" % path)
    make_executable(path)
    return path


def make_executable(path):
    # Blender's "Install add-on" unpacks the zip without the files' modes.
    if sys.platform == "win32" or os.access(path, os.X_OK):
        return
    try:
        mode = os.stat(path).st_mode
        os.chmod(path, mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    except OSError as e:
        raise RuntimeError("cannot make %s executable: %s" % (path, e.strerror))


def run(preferences, args):
    """Runs mshtool with `args`; raises RuntimeError when it cannot be started."""
    path = program(preferences)
    flags = getattr(subprocess, "CREATE_NO_WINDOW", 0)  # no console window on Windows
    try:
        done = subprocess.run([path] + args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, creationflags=flags)
    except OSError as e:
        raise RuntimeError("cannot run %s: %s" % (path, e.strerror))

    def lines(data):
        return [line for line in data.decode("utf-8", "replace").splitlines() if line.strip()]

    return Result(done.returncode, lines(done.stdout), lines(done.stderr))


def report(operator, result, shown_paths=()):
    """Every message of `result` into the operator's report: errors when nothing was written,
    else warnings; the summary lines as information. `shown_paths` maps the temporary files'
    paths to the names the user knows."""

    def shown(line):
        for hidden, name in shown_paths:
            line = line.replace(hidden, name)
        return line

    level = "WARNING" if result.wrote() else "ERROR"
    for line in result.err:
        operator.report({level}, shown(line))
    for line in result.out:
        operator.report({"INFO"}, shown(line))
