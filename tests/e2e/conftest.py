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
from datetime import datetime, timedelta, timezone
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
CORPUS = ROOT / "tests" / "corpus"
TIMESTAMP = rb"[A-Z][a-z]{2} [A-Z][a-z]{2} \d\d \d\d:\d\d:\d\d GMT[-+]\d{4} \d+"
MISSING_FILE = {"utf-8": b"No such file or directory", "cp1252": b"File not found",
                "cp932": "ファイルが見つかりません".encode("cp932")}  # the system's own words


class Plugin:
    def __init__(self):
        self.program = Path(os.environ.get("TESSAL_PROGRAM", ROOT / "build/native/tessal"))
        self.wine = os.environ.get("TESSAL_WINE")
        self.ansi = os.environ.get("TESSAL_ANSI", "utf-8")

    def install(self, folder, settings=b"vowels=a,i,u,e,o\r\n"):
        """Copies the program into folder, with settings beside it unless None."""
        folder.mkdir(parents=True, exist_ok=True)
        shutil.copy2(self.program, folder)
        if settings is not None:
            (folder / "tessalini.txt").write_bytes(settings)
        return folder / self.program.name

    def native_path(self, path):
        """The path as the program sees it: a Wine drive path under Wine."""
        return "Z:" + str(path).replace("/", "\\") if self.wine else str(path)

    def command(self, program, args):
        return [self.wine] * bool(self.wine) + [str(program), *args]

    def run(self, program, args, cwd, user=None):
        sudo = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups"] if user else []
        done = subprocess.run(sudo + self.command(program, args), cwd=cwd, timeout=120,
                              stdin=subprocess.DEVNULL, capture_output=True)
        return done.returncode, done.stdout

    def ansi_bytes(self, text):
        return text.encode(self.ansi, errors="replace")


@pytest.fixture(scope="session")
def plugin():
    found = Plugin()
    assert found.program.exists(), f"{found.program} is not built"
    return found


@pytest.fixture
def scratch():
    """A scratch folder that an unprivileged user may use too."""
    folder = Path(tempfile.mkdtemp(prefix="tessal-e2e-"))
    folder.chmod(0o755)
    yield folder
    subprocess.run(["chmod", "-R", "u+rwX", str(folder)], check=False)
    shutil.rmtree(folder, ignore_errors=True)


def log_lines(path):
    """The log's lines; every one must end with CR LF."""
    content = Path(path).read_bytes()
    lines = content.split(b"\r\n")
    assert lines.pop() == b"" and not any(b"\r" in line or b"\n" in line for line in lines), content
    return lines


def assert_start(lines):
    """The four lines every run starts with; the time is now, in the zone that TZ names."""
    assert re.fullmatch(rb"tessal\.log " + TIMESTAMP, lines[0]), lines[0]
    assert lines[1:4:2] == [b"Add Tessal after R", b""] and re.fullmatch(TIMESTAMP, lines[2])
    offset = time.localtime().tm_gmtoff // 60
    label = "GMT%s%02d%02d" % ("-" if offset < 0 else "+", abs(offset) // 60, abs(offset) % 60)
    shown = datetime.strptime(lines[2].decode().replace(label + " ", ""), "%a %b %d %H:%M:%S %Y")
    now = datetime.now(timezone.utc).replace(tzinfo=None) + timedelta(minutes=offset)
    assert abs(shown - now) < timedelta(minutes=2), (lines[2], now)


# A song with one lyric to change, as the host writes it and as the plug-in rewrites it.
SONG = b"[#SETTING]\r\nTempo=120\r\n[#PREV]\r\nLyric=R\r\n[#0000]\r\nLyric=R\r\n[#0001]\r\nLyric=i\r\n"
REWRITTEN = (b"[#SETTING]\r\nTempo=120\r\nFlags=\r\n[#PREV]\r\nLyric=R\r\nFlags=\r\n[#0000]\r\n"
             b"Lyric=R\r\nFlags=\r\n[#0001]\r\nLyric=- i\r\nFlags=\r\n[#NEXT]\r\nFlags=")
# The last lines of a completed run's log; "Lyrics changed: N" stands before the verdict.
SUCCESS = [b"Temporary file read.", b"Successful Program Termination.", b""]
FAILURE = [b"Unsuccessful Program Termination. ", b""]


def layout(plugin, scratch, settings=b"vowels=a,i,u,e,o\r\n", song=SONG, plug="plug", name="song.tmp"):
    program = plugin.install(scratch / plug, settings)
    (scratch / "work").mkdir()
    (scratch / "work" / name).write_bytes(song)
    return program, scratch / "work", scratch / "work" / name


def corpus_lyrics(content):
    """(section name, lyric) of every numbered section, parsed independently of the program."""
    found, numbered = [], False
    for line in re.split(rb"\r\n|\r|\n", content):
        if line.startswith(b"[#") and line.endswith(b"]"):
            numbered = line[2:-1].isdigit()
            if numbered:
                found.append([line[2:-1], None])
        elif numbered and line.startswith(b"Lyric="):
            found[-1][1] = line[6:]
    return found
