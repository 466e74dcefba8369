# Whatever fails, the host gets back either the rewritten song or the song as it was, and the
# log says which. On Windows a virus scanner or a search indexer holds a file open for a moment
# right after it is written or closed: the plug-in waits for it, and a song held for longer is
# left as it is.

import subprocess
import time
from pathlib import Path

import pytest

from conftest import FAILURE, REWRITTEN, SONG, SUCCESS, layout, log_lines


def test_two_runs_at_once_in_one_working_folder(plugin, scratch):
    """Both share one log; each song comes back rewritten or as it was, never damaged."""
    big = SONG + b"".join(b"[#%05d]\r\nLyric=R\r\n[#%05d]\r\nLyric=a\r\nLength=480\r\n"
                          % (i, i + 1) for i in range(10, 40000, 2))
    program, work, first = layout(plugin, scratch, song=big)
    second = work / "second.tmp"
    second.write_bytes(big)
    runs = [subprocess.Popen(plugin.command(program, [name]), cwd=work, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL) for name in ("song.tmp", "second.tmp")]
    statuses = [run.wait(timeout=300) for run in runs]
    rewritten = None
    for status, path in zip(statuses, (first, second)):
        content = path.read_bytes()
        assert status in (0, 1)
        if status == 1:
            assert content == big
        else:
            assert content.count(b"Lyric=- a") == 19995
            rewritten = rewritten or content
            assert content == rewritten
    assert b"Program Termination." in (work / "tessal.log").read_bytes()


@pytest.mark.large
@pytest.mark.posix_only
@pytest.mark.parametrize("pitches, count", [(40, 330_000), (5 << 20, 1)],
                         ids=["200 MB of notes", "10 MB lines"])
def test_large_songs_are_rewritten_in_bounded_memory(plugin, scratch, pitches, count):
    # Written as the plug-in writes, so that it comes back with only the new lyrics.
    note = (b"\r\n[#0000]\r\nIntensity=100\r\nNoteNum=60\r\nLength=480\r\nPBS=-40;0\r\nPBW=80\r\n"
            b"PreUtterance=\r\nModulation=0\r\nEnvelope=0,5,35,0,100,100,0\r\nPitchBend="
            + b"0," * pitches + b"0\r\nLyric=%s\r\nFlags=g0B0")
    song, rewritten = (b"[#SETTING]\r\nFlags=\r\n[#PREV]\r\nFlags=" + count * (
        note % b"R" + note % vowel + note % b"a") + b"\r\n[#NEXT]\r\nFlags=" for vowel in (b"a", b"- a"))
    program, work, path = layout(plugin, scratch, song=song)
    done = subprocess.run(["/usr/bin/time", "-f", "%M", program, "song.tmp"], cwd=work,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=600)
    peak = int(done.stderr.split()[-1]) << 10  # kilobytes
    assert done.returncode == 0 and path.read_bytes() == rewritten
    assert log_lines(work / "tessal.log")[-2:] == SUCCESS[1:]
    assert peak < 6 * len(song) + (50 << 20), f"{peak >> 20} MB for {len(song) >> 20} MB"


# 10 MB of notes: the plug-in writes its neighbouring file long enough for a holder to catch it.
FILLER = b"".join(b"[#%04d]\r\nLyric=ka\r\nFlags=%s\r\n" % (i, b"g0" * 500) for i in range(3, 9999))
BIG_SONG = SONG + FILLER
BIG_REWRITTEN = REWRITTEN.replace(b"[#NEXT]", FILLER + b"[#NEXT]")


@pytest.fixture
def hold_open(plugin):
    """Starts tests/e2e/hold_open.cpp on a file, with "none", "read" or "read-write" sharing, and
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


@pytest.mark.windows_only
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
    assert log_lines(work / "tessal.log")[8:] == [SUCCESS[0], b"Lyrics changed: 1", *SUCCESS[1:]]
    assert song.read_bytes() == BIG_REWRITTEN
    assert sorted(p.name for p in work.iterdir()) == ["song.tmp", "tessal.log"]


@pytest.mark.windows_only
@pytest.mark.parametrize("sharing, logged, encoding", [
    # A refused read is reported in the ANSI code page; every reason is logged in it.
    pytest.param("none", [b"** Error ** Failed to open temporary file. - "], "ansi", id="song not read"),
    pytest.param("read", [b"Temporary file read.", b"Lyrics changed: 1",
                          b"** Error ** Failed to save temporary file. - "], "utf-8",
                 id="song not opened for writing"),
])
def test_song_held_for_longer_is_left_as_it_is(plugin, scratch, hold_open, sharing, logged, encoding):
    program, work, song = layout(plugin, scratch)
    hold_open(song, sharing)
    start = time.monotonic()
    status, out = plugin.run(program, ["song.tmp"], work)
    elapsed = time.monotonic() - start
    lines = log_lines(work / "tessal.log")[8:]
    text = "共有違反です。" if plugin.ansi == "cp932" else "Sharing violation."  # Wine's words
    assert lines[-2:] == FAILURE and len(lines) == len(logged) + 2, lines
    assert all(line.startswith(want) for want, line in zip(logged, lines)), lines
    assert lines[-3].endswith(b"), data file song.tmp: " + plugin.ansi_bytes(text)), lines
    text = text.encode(plugin.ansi if encoding == "ansi" else encoding)
    assert status == 1 and out.endswith(b"data file song.tmp: " + text + b"\n"), out
    assert 1.3 < elapsed < 3.5, f"{elapsed:.2f} s: it gives up after 1.375 s of waits"
    assert song.read_bytes() == SONG
    assert sorted(p.name for p in work.iterdir()) == ["song.tmp", "tessal.log"]
