"""Real songs end to end, and what the case files share with the other tests."""

import re

import pytest

from conftest import CORPUS, ROOT

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


def test_corpus_of_real_songs_is_there():
    assert len(list(CORPUS.glob("*.tmp"))) >= 6, f"the real songs belong in {CORPUS}"


# Lyrics known to take the prefix, by note.
KNOWN = {"YuzukiTsuru_MusicXML2UST_01.tmp": {b"0060": "- い", b"0114": "- い", b"0147": "- あ",
                                            b"0149": "- い"}}


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
    lyrics = dict(after)
    assert {n: lyrics[n].decode("cp932") for n in KNOWN.get(name, {})} == KNOWN.get(name, {})

    # A second run changes nothing more.
    assert plugin.run(program, ["song.tmp"], work)[0] == 0
    assert path.read_bytes() == once
