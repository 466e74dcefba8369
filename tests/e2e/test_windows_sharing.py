"""Windows file sharing: a song that another program holds open is left as it is."""

import os
import subprocess
from pathlib import Path

import pytest

from conftest import log_lines
from test_run import FAILURE, SONG, layout

pytestmark = pytest.mark.windows_only


@pytest.fixture
def hold_open(plugin):
    """Starts a program that holds a file open, sharing nothing or sharing reading."""
    holder = Path(plugin.program).with_name("hold_open.exe")
    started = []

    def hold(path, sharing):
        process = subprocess.Popen(plugin.command(holder, [plugin.native_path(path), sharing]),
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        started.append(process)
        assert process.stdout.readline().strip() == b"held"

    yield hold
    for process in started:
        process.stdin.close()
        process.wait(timeout=60)


def test_song_held_open_without_sharing_cannot_be_read(plugin, scratch, hold_open):
    program, work, song = layout(plugin, scratch)
    hold_open(song, "none")
    status, _ = plugin.run(program, ["song.tmp"], work)
    lines = log_lines(work / "tessal.log")
    assert lines[8].startswith(b"** Error ** Failed to open temporary file. - FileException: ")
    assert (lines[9:], status) == (FAILURE, 1)
    assert song.read_bytes() == SONG


def test_song_held_open_for_reading_is_not_replaced(plugin, scratch, hold_open):
    program, work, song = layout(plugin, scratch)
    hold_open(song, "read")
    status, out = plugin.run(program, ["song.tmp"], work)
    assert log_lines(work / "tessal.log")[8:] == [b"Temporary file read."] + FAILURE
    assert status == 1 and out.startswith(b"FileException: In win32.cpp("), out
    assert song.read_bytes() == SONG
    assert sorted(p.name for p in work.iterdir()) == ["song.tmp", "tessal.log"]
