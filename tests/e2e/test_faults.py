"""Whatever fails, the host gets back either the rewritten song or the song as it was, and the
log says which."""

import os
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import log_lines
from test_run import FAILURE, SONG, SUCCESS, layout

NOBODY = 65534 if os.geteuid() == 0 else None  # root's writes pass any permission bits


def read_only_song(scratch, work, song):
    work.chmod(0o777)
    song.chmod(0o444)
    return work, song


def folder_that_takes_no_new_file(scratch, work, song):
    song.chmod(0o666)
    work.chmod(0o555)
    elsewhere = scratch / "log"
    elsewhere.mkdir()
    elsewhere.chmod(0o777)
    return elsewhere, song


def disk_that_fills_up(scratch, work, song):
    if os.geteuid() != 0:
        pytest.skip("mounting a small file system needs root")
    disk = scratch / "disk"
    disk.mkdir()
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", str(disk)], check=True)
    # 40 kB of song leaves no room for its rewritten copy beside it.
    song = disk / "song.tmp"
    song.write_bytes(SONG + b"".join(b"[#%04d]\r\nLyric=a\r\nMemo=%s\r\n" % (i, b"x" * 300)
                                     for i in range(2, 120)))
    return work, song


@pytest.mark.posix_only
@pytest.mark.parametrize("fault, text, user", [
    (read_only_song, b"Permission denied", NOBODY),
    (folder_that_takes_no_new_file, b"Permission denied", NOBODY),
    (disk_that_fills_up, b"No space left on device", None),
])
def test_song_that_cannot_be_saved_is_left_as_it_was(plugin, scratch, fault, text, user):
    program, work, song = layout(plugin, scratch)
    cwd, song = fault(scratch, work, song)
    original = song.read_bytes()
    try:
        status, out = plugin.run(program, [str(song)], cwd, user=user)
        assert log_lines(cwd / "tessal.log")[8:] == [b"Temporary file read."] + FAILURE
        assert status == 1 and out.startswith(b"FileException: In ") and text in out, out
        assert song.read_bytes() == original
        assert not list(song.parent.glob("song.tmp.*")), "a neighbouring file is left"
    finally:
        if song.parent.name == "disk":
            subprocess.run(["umount", str(song.parent)], check=True)


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


def peak_memory_of(command, cwd):
    """Runs command and returns its exit status and its peak resident memory in bytes."""
    probe = ("import resource, subprocess, sys\n"
             "status = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL).returncode\n"
             "print(status, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024)\n")
    out = subprocess.run([sys.executable, "-c", probe, *command], cwd=cwd, check=True,
                         stdout=subprocess.PIPE, timeout=600).stdout.split()
    return int(out[0]), int(out[1])


@pytest.mark.large
@pytest.mark.posix_only
@pytest.mark.parametrize("shape", ["200 MB of notes", "one 10 MB line"])
def test_large_songs_complete_in_bounded_memory(plugin, scratch, shape):
    program, work, path = layout(plugin, scratch, song=b"")
    with path.open("wb") as out:
        if shape == "one 10 MB line":
            out.write(b"[#0000]\r\nLyric=" + b"a" * (10 << 20))
        else:
            note = (b"Length=480\r\nLyric=%s\r\nNoteNum=60\r\nPreUtterance=\r\nIntensity=100\r\n"
                    b"Modulation=0\r\nPBS=-40;0\r\nPBW=80\r\nEnvelope=0,5,35,0,100,100,0\r\n"
                    b"Flags=g0B0\r\nPitchBend=" + b"0," * 40 + b"0\r\n")
            for i in range(0, 200 << 20, 1):
                out.write(b"[#%06d]\r\n" % i + note % (b"R" if i % 3 == 0 else b"a"))
                if out.tell() >= 200 << 20:
                    break
    size = path.stat().st_size
    status, peak = peak_memory_of([str(program), "song.tmp"], work)
    assert status == 0
    assert log_lines(work / "tessal.log")[-2:] == SUCCESS[1:]
    assert peak < 6 * size + (50 << 20), f"{peak >> 20} MB for {size >> 20} MB"
