# The program at its limits: songs of hundreds of megabytes are rewritten in bounded memory, and
# a machine fault still ends the log with its reason and the verdict.

import os
import signal
import subprocess
import time

import pytest

from conftest import FAILURE, SUCCESS, command, layout, log_lines

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
