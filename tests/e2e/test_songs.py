"""What users get, end to end: real songs with the shipped settings, the readmes' example
and the releases as unpacked into a host's plug-in folder."""

import re
import shutil
import subprocess
import tarfile
import zipfile

import pytest

from conftest import CORPUS, ROOT, SUCCESS, corpus_lyrics, layout, log_lines

EXAMPLE = ROOT / "examples" / "selection.tmp"
SETTINGS = ROOT / "package" / "tessalini.txt"


# Lyrics known to take the prefix, by note.
KNOWN = {"YuzukiTsuru_MusicXML2UST_01.tmp": {b"0060": "- い", b"0114": "- い", b"0147": "- あ",
                                            b"0149": "- い"}}


@pytest.mark.parametrize("name", sorted(p.name for p in CORPUS.glob("*.tmp")))
def test_real_songs_with_the_shipped_settings(plugin, scratch, name):
    original, settings = (CORPUS / name).read_bytes(), SETTINGS.read_bytes()
    vowels = settings.rstrip(b"\r\n").split(b"=", 1)[1].split(b",")
    program, work, path = layout(plugin, scratch, settings=settings, song=original)
    assert plugin.run(program, ["song.tmp"], work)[0] == 0

    before, after = corpus_lyrics(original), corpus_lyrics(path.read_bytes())
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


def table(readme):
    """The two rows of the readme's first table, as lists of cells."""
    rows = re.findall(r"^\|(.*)\|$", readme.read_text(encoding="utf-8"), re.M)
    before, _, after = ([cell.strip() for cell in row.split("|")] for row in rows[:3])
    return before[1:], after[1:]


def unpacked_zip(plugin, plugins):
    """The Windows release unpacked into UTAU's plug-in folder; returns its program."""
    [release] = (ROOT / "build" / "release").glob("tessal-*.zip")
    version = release.stem.split("-", 1)[1]
    with zipfile.ZipFile(release) as archive:
        archive.extractall(plugins)
    folder = plugins / "tessal"
    assert sorted(p.name for p in folder.iterdir()) == [
        "README.ja.txt", "README.txt", "plugin.txt", "tessal.exe", "tessalini.txt", "version.txt"]
    assert (folder / "plugin.txt").read_bytes() == b"name=Add Tessal after R\r\nexecute=tessal.exe\r\n"
    assert (folder / "version.txt").read_bytes() == version.encode() + b"\r\n"
    assert "設定ファイル" in (folder / "README.ja.txt").read_bytes().decode("cp932")
    exe = (folder / "tessal.exe").read_bytes()  # its version resource, as Windows shows it
    assert all(text.encode("utf-16-le") in exe for text in ("ProductName", "FileDescription", version))
    if plugin.program.resolve() != ROOT / "build/windows/tessal.exe":
        # The release holds the 32-bit build; where that cannot run, its 64-bit twin stands in.
        shutil.copy2(plugin.program, folder / "tessal.exe")
    return folder / "tessal.exe"


def test_readme_tables_are_what_the_release_does_to_the_example(plugin, scratch):
    # Under Wine the program is the release's, unpacked; the host's working folder is its own,
    # and the song lies in a temporary folder.
    program = (unpacked_zip(plugin, scratch / "UTAU" / "plugins") if plugin.wine else
               plugin.install(scratch / "plug", SETTINGS.read_bytes()))
    work, song = scratch / "UTAU", scratch / "temp" / "tmp1234.tmp"
    work.mkdir(exist_ok=True)
    song.parent.mkdir()
    song.write_bytes(EXAMPLE.read_bytes())
    assert plugin.run(program, [plugin.native_path(song)], work)[0] == 0
    assert log_lines(work / "tessal.log")[-2] == b"Successful Program Termination."
    lyrics = [[lyric.decode("cp932") for _, lyric in corpus_lyrics(text)]
              for text in (EXAMPLE.read_bytes(), song.read_bytes())]
    for readme in ("README.md", "README.ja.md"):
        assert table(ROOT / readme) == tuple(lyrics), readme


@pytest.mark.posix_only
def test_linux_release_runs_as_openutau_starts_it(plugin, scratch):
    [release] = (ROOT / "build" / "release").glob("tessal-*-linux-x86_64.tar.gz")
    home = scratch / "ユーザー 1"  # OpenUtau's data folder, under a home with a blank and kana
    with tarfile.open(release) as archive:
        archive.extractall(home / ".local/share/OpenUtau/Plugins")
    folder = home / ".local/share/OpenUtau/Plugins/tessal"
    assert sorted(p.name for p in folder.iterdir()) == [
        "README.ja.txt", "README.txt", "plugin.txt", "tessal", "tessalini.txt", "version.txt"]
    assert (folder / "plugin.txt").read_bytes() == b"name=Add Tessal after R\nexecute=tessal\n"
    headers = subprocess.run(["readelf", "-lS", folder / "tessal"], capture_output=True,
                             text=True, check=True).stdout
    assert "INTERP" not in headers and ".symtab" not in headers  # static and stripped

    # As OpenUtau starts it: in its own folder, with the absolute path of a song with LF line
    # ends, in Shift-JIS unless plugin.txt names another encoding (UTF-8 lyrics match too).
    song = home / ".local/share/OpenUtau/Cache/temp.tmp"
    song.parent.mkdir()
    notes = [("R", "utf-8"), ("あ", "cp932"), ("R", "utf-8"), ("お", "utf-8"), ("か", "cp932")]
    song.write_bytes(b"[#SETTING]\nTempo=120\n[#PREV]\nLyric=R\n" + b"".join(
        b"[#%04d]\nLyric=%s\nFlags=g0B0H0P86\n" % (i, lyric.encode(encoding))
        for i, (lyric, encoding) in enumerate(notes)))
    assert plugin.run(folder / "tessal", [str(song)], folder) == (0, b"")
    lines = log_lines(folder / "tessal.log")
    assert lines[4:6] == [b"Execute file name: " + bytes(folder / "tessal"),
                          b"Execute file dir: " + bytes(folder)]
    assert lines[7:] == [b"Temporary file name: " + bytes(song)] + SUCCESS
    assert [lyric for _, lyric in corpus_lyrics(song.read_bytes())] == [
        b"R", "- あ".encode("cp932"), b"R", "- お".encode(), "か".encode("cp932")]
