"""The plug-in run end to end: log lines, exit status, standard output and the file's bytes."""

import os
import re
from pathlib import Path

import pytest

from conftest import CORPUS, ROOT, assert_start, log_lines

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


def start_lines(plugin, program, vowels=b"a i u e o"):
    """Log lines 5 to 7 of a run whose settings loaded."""
    return [b"Execute file name: " + plugin.ansi_bytes(plugin.native_path(program)),
            b"Execute file dir: " + plugin.ansi_bytes(plugin.native_path(program.parent)),
            b"Vowels: " + vowels]


def test_completed_run(plugin, scratch):
    program, work, song = layout(plugin, scratch)
    status, out = plugin.run(program, ["song.tmp"], work)
    lines = log_lines(work / "tessal.log")
    assert_start(lines)
    assert lines[4:] == start_lines(plugin, program) + [b"Temporary file name: song.tmp"] + SUCCESS
    assert (status, out) == (0, b"")
    assert song.read_bytes() == REWRITTEN


def test_further_arguments_are_ignored(plugin, scratch):
    program, work, song = layout(plugin, scratch)
    status, _ = plugin.run(program, ["song.tmp", "other.tmp", "--flag"], work)
    assert status == 0
    assert song.read_bytes() == REWRITTEN


def test_no_argument(plugin, scratch):
    program, work, song = layout(plugin, scratch)
    status, out = plugin.run(program, [], work)
    lines = log_lines(work / "tessal.log")
    assert_start(lines)
    assert lines[4:] == start_lines(plugin, program) + [
        b"** Error ** Can't read command line."] + FAILURE
    assert (status, out) == (1, b"Error: Can't read command line.\n")
    assert song.read_bytes() == SONG


@pytest.mark.parametrize("argument", ["missing.tmp", ""])
def test_unreadable_temporary_file(plugin, scratch, argument):
    program, work, _ = layout(plugin, scratch)
    status, out = plugin.run(program, [argument], work)
    lines = log_lines(work / "tessal.log")
    assert lines[7] == b"Temporary file name: " + argument.encode()
    assert lines[8].startswith(b"** Error ** Failed to open temporary file. - FileException: In ")
    assert b"), data file " + argument.encode() + b": " in lines[8]
    if argument:
        assert plugin.missing_file_text() in lines[8]
    assert lines[9:] == FAILURE
    assert status == 1
    assert out.startswith(b"Error: Failed to open temporary file. - FileException: ")
    assert out.endswith(b"\n") and out.count(b"\n") == 1


def test_temporary_file_that_is_a_folder(plugin, scratch):
    program, work, _ = layout(plugin, scratch)
    (work / "folder.tmp").mkdir()
    status, _ = plugin.run(program, ["folder.tmp"], work)
    lines = log_lines(work / "tessal.log")
    assert lines[8].startswith(b"** Error ** Failed to open temporary file. - ")
    assert (lines[9:], status) == (FAILURE, 1)


def test_without_settings_no_lyric_changes(plugin, scratch):
    program, work, song = layout(plugin, scratch, settings=None)
    status, _ = plugin.run(program, ["song.tmp"], work)
    lines = log_lines(work / "tessal.log")
    assert lines[6].startswith(b"Failed to open setting file. - FileException: In ")
    assert b"tessalini.txt: " in lines[6]
    assert lines[7:] == [b"Vowels: ", b"Temporary file name: song.tmp"] + SUCCESS
    assert status == 0
    assert song.read_bytes() == SONG


@pytest.mark.parametrize("settings", [b"other=a,i\r\n", b"vowels = a, i\r\n", b"vowels=\r\n"])
def test_settings_without_usable_vowels(plugin, scratch, settings):
    program, work, song = layout(plugin, scratch, settings=settings)
    status, _ = plugin.run(program, ["song.tmp"], work)
    assert log_lines(work / "tessal.log")[6] == b"Vowels: "
    assert status == 0
    assert song.read_bytes() == SONG


@pytest.mark.parametrize("song", [
    SONG.replace(b"Lyric=i", b"Lyric=ki"),
    SONG.replace(b"Lyric=i", b"Lyric=- i"),
], ids=["no vowel after a rest", "already prefixed"])
def test_no_lyric_changed_leaves_the_file_untouched(plugin, scratch, song):
    """A host takes back its notes as they are only when the file's bytes did not change."""
    program, work, path = layout(plugin, scratch, song=song)
    before = path.stat()
    status, _ = plugin.run(program, ["song.tmp"], work)
    assert log_lines(work / "tessal.log")[8:] == SUCCESS
    assert status == 0
    assert path.read_bytes() == song
    assert (path.stat().st_ino, path.stat().st_mtime_ns) == (before.st_ino, before.st_mtime_ns)


def host_sections(content):
    """Each section's entries as a host reads them back: in order, a key's last value wins."""
    sections = []
    for line in re.split(rb"\r\n|\r|\n", content):
        if re.fullmatch(rb"\[#.*\]", line):
            sections.append((line, {}))
        elif b"=" in line and sections:
            key, value = line.split(b"=", 1)
            sections[-1][1][key] = value
    return sections


def test_flags_come_back_as_the_host_wrote_them(plugin, scratch):
    flags = [b"g0Mt50B0H0P86", b"Hb50Hv100Ht20g0", b"g0B0H0P86", b" g-5 \x82\xa0Mt\xff", b"Y0"]
    song = (b"[#SETTING]\r\nFlags=Y0H0F-10\r\nTempo=120\r\n[#0000]\r\nLyric=R\r\n"
            + b"".join(b"[#%04d]\r\nFlags=%s\r\nLyric=a\r\n" % (i + 1, f) for i, f in enumerate(flags))
            + b"Flags=g5\r\nFlags=B1\r\n")  # the last note's last Flags line wins
    program, work, path = layout(plugin, scratch, song=song)
    assert plugin.run(program, ["song.tmp"], work)[0] == 0
    written = host_sections(path.read_bytes())
    assert [entries.get(b"Flags") for _, entries in written] == [
        b"Y0H0F-10", b"", b"", *flags[:-1], b"B1", b""]
    assert written[3][1][b"Lyric"] == b"- a"


def test_empty_item_prefixes_an_empty_lyric(plugin, scratch):
    song = b"[#0000]\r\nLyric=R\r\n[#0001]\r\nLyric=\r\n"
    program, work, path = layout(plugin, scratch, settings=b"vowels=", song=song)
    assert plugin.run(program, ["song.tmp"], work)[0] == 0
    assert b"[#0001]\r\nLyric=- \r\nFlags=\r\n" in path.read_bytes()


def test_note_without_lyric_leaves_the_file_untouched(plugin, scratch):
    song = SONG.replace(b"Lyric=i\r\n", b"")
    program, work, path = layout(plugin, scratch, song=song)
    status, out = plugin.run(program, ["song.tmp"], work)
    assert log_lines(work / "tessal.log")[8:] == [b"Temporary file read."] + FAILURE
    assert status == 1
    assert re.fullmatch(rb"RangeError@rewrite_lyrics\(\d+\): Range violation\n", out), out
    assert path.read_bytes() == song


def test_log_that_cannot_be_created(plugin, scratch):
    program, work, path = layout(plugin, scratch)
    (work / "tessal.log").mkdir()
    status, out = plugin.run(program, ["song.tmp"], work)
    assert status == 1
    assert out.startswith(b"FileException: In ") and b"tessal.log" in out
    assert path.read_bytes() == SONG


def test_run_from_another_working_folder(plugin, scratch):
    program, work, song = layout(plugin, scratch)
    elsewhere = scratch / "elsewhere"
    elsewhere.mkdir()
    status, _ = plugin.run(program, [plugin.native_path(song)], elsewhere)
    assert status == 0
    assert not (work / "tessal.log").exists()
    assert log_lines(elsewhere / "tessal.log")[6] == b"Vowels: a i u e o"
    assert song.read_bytes() == REWRITTEN


def test_folders_with_blanks_and_non_ascii_characters(plugin, scratch):
    program, work, song = layout(plugin, scratch, plug="プラグイン フォルダ",
                                 name="うた 1.tmp")
    status, _ = plugin.run(program, [plugin.native_path(song)], work)
    lines = log_lines(work / "tessal.log")
    assert lines[4:7] == start_lines(plugin, program)
    assert lines[7] == b"Temporary file name: " + plugin.ansi_bytes(plugin.native_path(song))
    assert status == 0
    assert song.read_bytes() == REWRITTEN


def test_temporary_file_name_beyond_the_ansi_code_page(plugin, scratch):
    """Code page 932 has no "é": the log shows the default character, the file is still found."""
    program, work, song = layout(plugin, scratch, name="café.tmp")
    status, _ = plugin.run(program, ["café.tmp"], work)
    assert log_lines(work / "tessal.log")[7] == b"Temporary file name: " + plugin.ansi_bytes("café.tmp")
    assert status == 0
    assert song.read_bytes() == REWRITTEN


def test_program_folder_with_a_drive_root_like_name(plugin, scratch):
    """The settings are found beside the program even when the folder's ANSI form holds the
    byte of a separator (Shift-JIS "表" is 0x95 0x5C)."""
    program, work, song = layout(plugin, scratch, plug="表")
    assert plugin.run(program, ["song.tmp"], work)[0] == 0
    assert log_lines(work / "tessal.log")[6] == b"Vowels: a i u e o"


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


def test_corpus_of_real_songs_is_there():
    assert len(list(CORPUS.glob("*.tmp"))) >= 6, f"the real songs belong in {CORPUS}"


@pytest.mark.parametrize("name", sorted(p.name for p in CORPUS.glob("*.tmp")))
def test_real_songs_with_the_shipped_settings(plugin, scratch, name):
    original = (CORPUS / name).read_bytes()
    settings = (ROOT / "package" / "tessalini.txt").read_bytes()
    vowels = settings.rstrip(b"\r\n").split(b"=", 1)[1].split(b",")
    program, work, path = layout(plugin, scratch, settings=settings, song=original)
    assert plugin.run(program, ["song.tmp"], work)[0] == 0
    once = path.read_bytes()

    before, after = corpus_lyrics(original), corpus_lyrics(once)
    assert [n for n, _ in before] == [n for n, _ in after]
    after_rest = False
    for (_, old), (_, new) in zip(before, after):
        expected = old
        if after_rest and not (len(old) > 2 and old.startswith(b"- ")) and old in vowels:
            expected = b"- " + old
        assert new == expected
        after_rest = new == b"R"

    # A second run changes nothing more.
    assert plugin.run(program, ["song.tmp"], work)[0] == 0
    assert path.read_bytes() == once


def test_known_vowels_after_rests_in_a_real_song(plugin, scratch):
    original = (CORPUS / "YuzukiTsuru_MusicXML2UST_01.tmp").read_bytes()
    settings = (ROOT / "package" / "tessalini.txt").read_bytes()
    program, work, path = layout(plugin, scratch, settings=settings, song=original)
    assert plugin.run(program, ["song.tmp"], work)[0] == 0
    lyrics = dict((n, l) for n, l in corpus_lyrics(path.read_bytes()))
    assert [lyrics[n].decode("cp932") for n in (b"0060", b"0114", b"0147", b"0149")] == [
        "- い", "- い", "- あ", "- い"]


@pytest.mark.posix_only
def test_argument_that_is_not_utf8(plugin, scratch):
    program, work, song = layout(plugin, scratch)
    status, out = plugin.run(program, [b"\x82\xa0.tmp"], work)
    assert log_lines(work / "tessal.log")[4:] == start_lines(plugin, program) + FAILURE
    assert (status, out) == (1, b"UTFException: invalid UTF-8 sequence\n")
    assert song.read_bytes() == SONG


@pytest.mark.posix_only
def test_program_folder_that_is_not_utf8(plugin, scratch):
    program, work, song = layout(plugin, scratch, plug=b"\x82\xa0".decode(errors="surrogateescape"))
    status, out = plugin.run(program, ["song.tmp"], work)
    lines = log_lines(work / "tessal.log")
    assert_start(lines)
    assert lines[4:] == FAILURE
    assert (status, out) == (1, b"UTFException: invalid UTF-8 sequence\n")
    assert song.read_bytes() == SONG


@pytest.mark.posix_only
def test_temporary_file_that_may_not_be_written(plugin, scratch):
    program, work, song = layout(plugin, scratch)
    work.chmod(0o777)
    song.chmod(0o444)
    # Permission bits stop no write of root's: run as an unprivileged user then.
    user = 65534 if os.geteuid() == 0 else None  # nobody
    status, out = plugin.run(program, ["song.tmp"], work, user=user)
    assert log_lines(work / "tessal.log")[8:] == [b"Temporary file read."] + FAILURE
    assert status == 1
    assert out.startswith(b"FileException: In ") and b"data file song.tmp: " in out, out
    assert song.read_bytes() == SONG
    assert sorted(p.name for p in work.iterdir()) == ["song.tmp", "tessal.log"]
