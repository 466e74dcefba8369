"""Runs the built plug-in as the host does: the program in a folder of its own beside its
settings, a working folder of its own, a temporary file named by the one argument.

TESSAL_PROGRAM names the program (default: build/native/tessal). When TESSAL_WINE is set, the
program is a Windows executable and TESSAL_WINE the Wine loader that runs it ("wine", or the
64-bit loader itself where 32-bit programs cannot run); TESSAL_ANSI names the code page that
Wine's locale gives (cp932 or cp1252)."""

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


class Plugin:
    def __init__(self):
        self.program = Path(os.environ.get("TESSAL_PROGRAM", ROOT / "build/native/tessal"))
        self.wine = os.environ.get("TESSAL_WINE")
        self.ansi = os.environ.get("TESSAL_ANSI", "utf-8")

    def install(self, folder, settings=b"vowels=a,i,u,e,o\r\n"):
        """Copies the program into folder, with settings beside it unless None."""
        folder.mkdir(parents=True, exist_ok=True)
        program = folder / self.program.name
        shutil.copy2(self.program, program)
        if settings is not None:
            (folder / "tessalini.txt").write_bytes(settings)
        return program

    def native_path(self, path):
        """The path as the program sees it: a Wine drive path under Wine."""
        path = str(path)
        return "Z:" + path.replace("/", "\\") if self.wine else path

    def command(self, program, args):
        """The command line that starts program with args, under Wine for a Windows build."""
        command = [str(program), *args]
        return [self.wine, *command] if self.wine else command

    def run(self, program, args, cwd, user=None):
        command = self.command(program, args)
        if user:
            command = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups", *command]
        done = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        return done.returncode, done.stdout

    def ansi_bytes(self, text):
        return text.encode(self.ansi, errors="replace")

    def missing_file_text(self):
        """The system's own words for a missing file, in the ANSI code page."""
        if not self.wine:
            return b"No such file or directory"
        if self.ansi == "cp932":
            return "ファイルが見つかりません".encode("cp932")
        return b"File not found"


@pytest.fixture(scope="session")
def plugin():
    found = Plugin()
    if not found.program.exists():
        pytest.fail(f"{found.program} is not built")
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
    assert content.endswith(b"\r\n"), content
    lines = content[:-2].split(b"\r\n")
    assert all(b"\r" not in line and b"\n" not in line for line in lines), content
    return lines


def assert_local_time(stamp):
    """The timestamp shows this moment in the zone that TZ names, with its offset."""
    offset = time.localtime().tm_gmtoff // 60
    label = "GMT%s%02d%02d" % ("-" if offset < 0 else "+", abs(offset) // 60, abs(offset) % 60)
    assert stamp.decode().split()[4] == label, stamp
    shown = datetime.strptime(stamp.decode().replace(label + " ", ""), "%a %b %d %H:%M:%S %Y")
    now = datetime.now(timezone.utc) + timedelta(minutes=offset)
    assert abs(shown - now.replace(tzinfo=None)) < timedelta(minutes=2), (stamp, now)


def assert_start(lines):
    """The four lines every run starts with."""
    assert re.fullmatch(rb"tessal\.log " + TIMESTAMP, lines[0]), lines[0]
    assert lines[1] == b"Add Tessal after R"
    assert re.fullmatch(TIMESTAMP, lines[2]), lines[2]
    assert_local_time(lines[2])
    assert lines[3] == b""


SONG = (b"[#SETTING]\r\nTempo=120\r\n[#PREV]\r\nLyric=R\r\n[#0000]\r\nLyric=a\r\n"
        b"[#0001]\r\nLyric=R\r\n[#0002]\r\nLyric=i\r\nLength=480\r\n[#NEXT]\r\nLyric=R\r\n")
REWRITTEN = (b"[#SETTING]\r\nTempo=120\r\nFlags=\r\n[#PREV]\r\nLyric=R\r\nFlags=\r\n"
             b"[#0000]\r\nLyric=a\r\nFlags=\r\n[#0001]\r\nLyric=R\r\nFlags=\r\n"
             b"[#0002]\r\nLength=480\r\nLyric=- i\r\nFlags=\r\n[#NEXT]\r\nLyric=R\r\nFlags=")
SUCCESS = [b"Temporary file read.", b"Successful Program Termination.", b""]
FAILURE = [b"Unsuccessful Program Termination. ", b""]


def layout(plugin, scratch, settings=b"vowels=a,i,u,e,o\r\n", song=SONG, plug="plug",
           name="song.tmp"):
    program = plugin.install(scratch / plug, settings)
    work = scratch / "work"
    work.mkdir()
    path = work / name
    path.write_bytes(song)
    return program, work, path


def corpus_lyrics(content):
    """(section name, lyric) of every numbered section, parsed independently of the program."""
    found, name = [], None
    for line in re.split(rb"\r\n|\r|\n", content):
        header = re.fullmatch(rb"\[#(.*)\]", line)
        if header:
            name = header.group(1)
            if name.isdigit():
                found.append([name, None])
        elif name and name.isdigit() and line.startswith(b"Lyric="):
            found[-1][1] = line[len(b"Lyric="):]
    return found
