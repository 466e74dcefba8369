# Runs the built plug-in as the host does: the program in a folder of its own beside its
# settings, a working folder of its own, a temporary file named by the one argument.
#
# TESSAL_PROGRAM names the program (default: build/native/tessal). When TESSAL_WINE is set, the
# program is a Windows executable and TESSAL_WINE the Wine loader that runs it ("wine", or the
# 64-bit loader itself where 32-bit programs cannot run); TESSAL_ANSI names the code page that
# Wine's locale gives (cp932 or cp1252).

import os
import re
import shutil
import subprocess
import tempfile
import time
from datetime import datetime, timedelta
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
PROGRAM = Path(os.environ.get("TESSAL_PROGRAM", ROOT / "build/native/tessal"))
WINE = os.environ.get("TESSAL_WINE")
ANSI = os.environ.get("TESSAL_ANSI", "utf-8")
assert PROGRAM.exists(), f"{PROGRAM} is not built"
TIMESTAMP = rb"[A-Z][a-z]{2} [A-Z][a-z]{2} \d\d \d\d:\d\d:\d\d GMT[-+]\d{4} \d+"

# The last lines of a completed run's log; "Lyrics changed: N" stands before the verdict.
SUCCESS = [b"Successful Program Termination.", b""]
FAILURE = [b"Unsuccessful Program Termination. ", b""]


def pytest_configure(config):
    # posix_only: arguments and folders that are not UTF-8, permission bits; windows_only: file
    # sharing, under Wine; large: songs of hundreds of megabytes, plain native build only.
    for mark in ("posix_only", "windows_only", "large"):
        config.addinivalue_line("markers", mark)


def native_path(path):
    # The path as the program sees it: a Wine drive path under Wine.
    return "Z:" + str(path).replace("/", "\\") if WINE else str(path)


def ansi(text, codec=None):
    return text.encode(codec or ANSI, errors="replace")


def command(program, args):
    return [WINE] * bool(WINE) + [str(program), *args]


def run(program, args, cwd, user=None, env=None):
    # Returns the exit status and what the program printed; user: run as that user id, env: the
    # environment, if not this one.
    setpriv = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups"] if user else []
    done = subprocess.run(setpriv + command(program, args), cwd=cwd, timeout=120, env=env,
                          stdin=subprocess.DEVNULL, capture_output=True)
    return done.returncode, done.stdout


def layout(scratch, song, settings=b"vowels=a,i,u,e,o\r\n", plug="plug", name="song.tmp"):
    # The program in scratch/plug with its settings (unless None) beside it, the song in
    # scratch/work: returns the program, the song's folder and the song.
    program = scratch / plug / PROGRAM.name
    program.parent.mkdir()
    shutil.copy2(PROGRAM, program)
    if settings is not None:
        (program.parent / "tessalini.txt").write_bytes(settings)
    (scratch / "work").mkdir()
    (scratch / "work" / name).write_bytes(song)
    return program, scratch / "work", scratch / "work" / name


@pytest.fixture
def scratch():
    # A scratch folder that an unprivileged user may use too.
    folder = Path(tempfile.mkdtemp(prefix="tessal-e2e-"))
    folder.chmod(0o755)
    yield folder
    subprocess.run(["chmod", "-R", "u+rwX", str(folder)], check=False)
    shutil.rmtree(folder, ignore_errors=True)


def log_lines(path):
    # The log's lines after the four that every run starts with, all checked ending in CR LF;
    # the start's time is now, in the zone that TZ names.
    lines = Path(path).read_bytes().split(b"\r\n")
    assert lines.pop() == b"" and not any(b"\r" in line or b"\n" in line for line in lines), lines
    assert re.fullmatch(rb"tessal\.log " + TIMESTAMP, lines[0]), lines[0]
    assert lines[1:4:2] == [b"Add Tessal after R", b""] and re.fullmatch(TIMESTAMP, lines[2])
    shown = lines[2].decode().replace(time.strftime(" GMT%z"), "")
    shown = datetime.strptime(shown, "%a %b %d %H:%M:%S %Y")
    assert abs(shown - datetime.now()) < timedelta(minutes=2), (lines[2], datetime.now())
    return lines[4:]
