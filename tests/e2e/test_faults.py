# Whatever fails, the host gets back either the rewritten song or the song as it was, and the
# log says which. On Windows a virus scanner or a search indexer holds a file open for a moment
# right after it is written or closed: the plug-in waits for it, and a song held for longer is
# left as it is.

import os
import signal
import subprocess
import time

import pytest

from conftest import ANSI, FAILURE, PROGRAM, SUCCESS, ansi, command, layout, log_lines, native_path

# A song with one lyric to change, as the host writes it and as the plug-in rewrites it.
SONG = b"[#SETTING]\r\nTempo=120\r\n[#PREV]\r\nLyric=R\r\n[#0000]\r\nLyric=R\r\n[#0001]\r\nLyric=i\r\n"
REWRITTEN = (b"[#SETTING]\r\nTempo=120\r\nFlags=\r\n[#PREV]\r\nLyric=R\r\nFlags=\r\n[#0000]\r\n"
             b"Lyric=R\r\nFlags=\r\n[#0001]\r\nLyric=- i\r\nFlags=\r\n[#NEXT]\r\nFlags=")


@pytest.mark.large
@pytest.mark.posix_only
@pytest.mark.parametrize("pitches, count", [(40, 330_000), (5 << 20, 1)])  # 200 MB, 10 MB lines
def test_large_songs_are_rewritten_in_bounded_memory(scratch, pitches, count):
    # Written as the plug-in writes, so that it comes back with only the new lyrics.
    note = (b"\r\n[#0000]\r\nIntensity=100\r\nNoteNum=60\r\nLength=480\r\nPBS=-40;0\r\nPBW=80\r\n"
            b"PreUtterance=\r\nModulation=0\r\nEnvelope=0,5,35,0,100,100,0\r\nPitchBend="
            + b"0," * pitches + b"0\r\nLyric=%s\r\nFlags=g0" + b"B0" * (pitches // 40))
    song, rewritten = (b"[#SETTING]\r\nFlags=\r\n[#PREV]\r\nFlags=" + count * (
        note % b"R" + note % vowel + note % b"a") + b"\r\n[#NEXT]\r\nFlags=" for vowel in (b"a", b"- a"))
    program, work, path = layout(scratch, song)
    done = subprocess.run(["/usr/bin/time", "-f", "%M", program, "song.tmp"], cwd=work,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=600)
    peak = int(done.stderr.split()[-1]) << 10  # kilobytes
    assert done.returncode == 0 and path.read_bytes() == rewritten
    assert log_lines(work / "tessal.log")[-2:] == SUCCESS
    assert peak < 6 * len(song) + (50 << 20), f"{peak >> 20} MB for {len(song) >> 20} MB"


# 10 MB of notes: the plug-in writes its neighbouring file long enough for a holder to catch it.
FILLER = b"".join(b"[#%04d]\r\nLyric=ka\r\nFlags=%s\r\n" % (i, b"g0" * 500) for i in range(3, 9999))


@pytest.mark.windows_only
@pytest.mark.parametrize("held, sharing, reason", [
    # The neighbouring file held for a moment right after it is written, before its rename: the
    # plug-in waits for it. (The song's own opens wait the same way, as the timing below shows.)
    ("song.tmp.tessal-*", "read-write", None),
    # The song held for longer: it is not read, or not opened for writing.
    ("song.tmp", "none", b"** Error ** Failed to open temporary file. - "),
    ("song.tmp", "read", b"** Error ** Failed to save temporary file. - "),
])
def test_held_files(scratch, held, sharing, reason):
    program, work, song = layout(scratch, SONG if reason else SONG + FILLER)
    # tests/e2e/hold_open.cpp holds the file, or watches for a file whose name ends in "*",
    # until its standard input closes.
    holder = subprocess.Popen(command(PROGRAM.with_name("hold_open.exe"), [
        native_path(work / held), sharing]), stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    assert holder.stdout.readline().strip() == (b"held" if reason else b"watching")
    start = time.monotonic()
    plugin = subprocess.Popen(command(program, ["song.tmp"]), cwd=work, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
    if reason:
        out = plugin.communicate(timeout=120)[0]
        elapsed = time.monotonic() - start
    else:
        assert holder.stdout.readline().strip() == b"held"
    time.sleep(0.3)
    holder.stdin.close()
    assert plugin.wait(timeout=120) == (1 if reason else 0)
    assert sorted(path.name for path in work.iterdir()) == ["song.tmp", "tessal.log"]
    lines = log_lines(work / "tessal.log")[4:]
    if not reason:
        assert lines == [b"Temporary file read.", b"Lyrics changed: 1", *SUCCESS]
        assert song.read_bytes() == REWRITTEN.replace(b"[#NEXT]", FILLER + b"[#NEXT]")
        return
    # Wine's words; a refused read is printed in the ANSI code page, a refused write in UTF-8.
    text = "共有違反です。" if ANSI == "cp932" else "Sharing violation."
    printed = ansi(text) if sharing == "none" else text.encode()
    assert out.endswith(b"data file song.tmp: " + printed + b"\n"), out
    assert 1.3 < elapsed < 3.5, f"{elapsed:.2f} s: it gives up after 1.375 s of waits"
    assert lines[-3].startswith(reason) and lines[-2:] == FAILURE, lines
    assert lines[-3].endswith(b"), data file song.tmp: " + ansi(text)), lines
    assert lines[:-3] == ([b"Temporary file read.", b"Lyrics changed: 1"] if sharing == "read" else [])
    assert song.read_bytes() == SONG


@pytest.mark.posix_only
def test_machine_fault_ends_the_log_with_its_reason(scratch):
    # The fault comes while the plug-in waits to read its song, a FIFO that nobody writes to.
    program, work, song = layout(scratch, b"")
    song.unlink()
    os.mkfifo(song)
    plugin = subprocess.Popen(command(program, ["song.tmp"]), cwd=work, stdout=subprocess.PIPE)
    log = work / "tessal.log"
    while b"Temporary file name" not in (log.read_bytes() if log.exists() else b""):
        time.sleep(0.01)
    plugin.send_signal(signal.SIGSEGV)
    assert plugin.communicate(timeout=10)[0] == b"Error: Access violation\n"
    assert plugin.returncode == 1
    assert log_lines(log)[-3:] == [b"** Error ** Error: Access violation", *FAILURE]
