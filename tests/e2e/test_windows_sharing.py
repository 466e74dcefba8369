"""Windows file sharing. A virus scanner or a search indexer holds a file open for a moment
right after it is written or closed: the plug-in waits for it. A song held for longer is left as
it is, after that wait."""

import subprocess
import time
from pathlib import Path

import pytest

from conftest import log_lines
from test_run import FAILURE, REWRITTEN, SONG, SUCCESS, layout

pytestmark = pytest.mark.windows_only

# 10 MB of notes: the plug-in writes its neighbouring file long enough for a holder to catch it.
FILLER = b"".join(b"[#%04d]\r\nLyric=ka\r\nFlags=%s\r\n" % (i, b"g0" * 500) for i in range(3, 9999))
BIG_SONG = SONG.replace(b"[#NEXT]", FILLER + b"[#NEXT]")
BIG_REWRITTEN = REWRITTEN.replace(b"[#NEXT]", FILLER + b"[#NEXT]")


@pytest.fixture
def hold_open(plugin):
    """Starts tests/hold_open.cpp on a file, with "none", "read" or "read-write" sharing, and
    returns once it holds the file (or, for a name ending in "*", watches for it). Closing the
    process's standard input lets go of the file."""
    holder = Path(plugin.program).with_name("hold_open.exe")
    started = []

    def hold(path, sharing):
        process = subprocess.Popen(plugin.command(holder, [plugin.native_path(path), sharing]),
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        started.append(process)
        first = b"watching" if path.name.endswith("*") else b"held"
        assert process.stdout.readline().strip() == first
        return process

    yield hold
    for process in started:
        process.stdin.close()
        process.wait(timeout=60)


def wait_for_log_line(path, line):
    deadline = time.monotonic() + 60
    while not (path.exists() and line in path.read_bytes()):
        assert time.monotonic() < deadline, f"no {line} in {path}"
        time.sleep(0.01)


@pytest.mark.parametrize("held, sharing, moment", [
    pytest.param("song.tmp", "none", b"Temporary file name: ", id="song not read"),
    pytest.param("song.tmp", "read", b"Temporary file read.", id="song not opened for writing"),
    pytest.param("song.tmp.tessal-*", "read-write", None, id="neighbour not renamed"),
])
def test_file_held_for_a_moment_is_waited_for(plugin, scratch, hold_open, held, sharing, moment):
    program, work, song = layout(plugin, scratch, song=BIG_SONG)
    holder = hold_open(work / held, sharing)
    run = subprocess.Popen(plugin.command(program, ["song.tmp"]), cwd=work,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    if moment:  # the plug-in meets the held song right after logging this
        wait_for_log_line(work / "tessal.log", moment)
    else:
        assert holder.stdout.readline().strip() == b"held"  # the plug-in has closed the neighbour
    time.sleep(0.3)
    holder.stdin.close()
    assert run.wait(timeout=120) == 0, run.stdout.read()
    assert log_lines(work / "tessal.log")[8:] == SUCCESS
    assert song.read_bytes() == BIG_REWRITTEN
    assert sorted(p.name for p in work.iterdir()) == ["song.tmp", "tessal.log"]


@pytest.mark.parametrize("sharing, log_line, encoding", [
    # A refused read is logged, and so reported, in the ANSI code page.
    pytest.param("none", b"** Error ** Failed to open temporary file. - FileException: In ",
                 "ansi", id="song not read"),
    pytest.param("read", b"Temporary file read.", "utf-8", id="song not opened for writing"),
])
def test_song_held_for_longer_is_left_as_it_is(plugin, scratch, hold_open, sharing, log_line,
                                               encoding):
    program, work, song = layout(plugin, scratch)
    hold_open(song, sharing)
    start = time.monotonic()
    status, out = plugin.run(program, ["song.tmp"], work)
    elapsed = time.monotonic() - start
    lines = log_lines(work / "tessal.log")
    assert lines[8].startswith(log_line) and lines[9:] == FAILURE
    # Wine's words for the last refusal.
    text = "共有違反です。" if plugin.ansi == "cp932" else "Sharing violation."
    text = text.encode(plugin.ansi if encoding == "ansi" else encoding)
    assert status == 1 and out.endswith(b"data file song.tmp: " + text + b"\n"), out
    assert 1.3 < elapsed < 3.5, f"{elapsed:.2f} s: it gives up after 1.375 s of waits"
    assert song.read_bytes() == SONG
    assert sorted(p.name for p in work.iterdir()) == ["song.tmp", "tessal.log"]
