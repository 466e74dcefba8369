"""What users get, end to end: real songs with the shipped settings, the readmes' example,
the releases as an editor and a user find them, and the Linux release as OpenUtau runs it."""

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
    vowels = settings.split(b"\r\n")[0].split(b"=", 1)[1].split(b",")
    assert b"checkprev=1\r\n" in settings
    program, work, path = layout(plugin, scratch, settings=settings, song=original)
    assert plugin.run(program, ["song.tmp"], work)[0] == 0

    before, after = corpus_lyrics(original), corpus_lyrics(path.read_bytes())
    assert [n for n, _ in before] == [n for n, _ in after]
    # With checkprev=1 the first note follows a rest unless the note before it is no rest.
    prev = re.search(rb"^\[#PREV\]\s+(?:(?!\[)[^\r\n]*\s+)*?Lyric=([^\r\n]*)", original, re.M)
    after_rest = not prev or prev[1] == b"R"
    for (_, old), (_, new) in zip(before, after):
        expected = old
        if after_rest and not (len(old) > 2 and old.startswith(b"- ")) and old in vowels:
            expected = b"- " + old
        assert new == expected
        after_rest = new == b"R"
    lyrics = dict(after)
    assert {n: lyrics[n].decode("cp932") for n in KNOWN.get(name, {})} == KNOWN.get(name, {})


def table(text):
    """The before and after rows of a readme's first table, as lists of cells."""
    rows = [row for row in re.findall(r"^ *\|(.*)\| *$", text, re.M) if "---" not in row]
    return tuple([cell.strip() for cell in row.split("|")][1:] for row in rows[:2])


def test_readme_tables_are_what_the_release_does_to_the_example(plugin, scratch):
    # Under Wine the program is the release's, unpacked; the editor's working folder is its
    # own, and the song lies in a temporary folder.
    if plugin.wine:
        with zipfile.ZipFile(release("tessal-*.zip")) as archive:
            archive.extractall(scratch / "UTAU" / "plugins")
        program = scratch / "UTAU" / "plugins" / "tessal" / "tessal.exe"
        if plugin.program.resolve() != ROOT / "build/windows/tessal.exe":
            # The release holds the 32-bit build; where that cannot run, its 64-bit twin stands in.
            shutil.copy2(plugin.program, program)
    else:
        program = plugin.install(scratch / "plug", SETTINGS.read_bytes())
    work, song = scratch / "UTAU", scratch / "temp" / "tmp1234.tmp"
    work.mkdir(exist_ok=True)
    song.parent.mkdir()
    song.write_bytes(EXAMPLE.read_bytes())
    assert plugin.run(program, [plugin.native_path(song)], work)[0] == 0
    assert log_lines(work / "tessal.log")[-3:-1] == [b"Lyrics changed: 3", SUCCESS[1]]
    lyrics = tuple([lyric.decode("cp932") for _, lyric in corpus_lyrics(text)]
                   for text in (EXAMPLE.read_bytes(), song.read_bytes()))
    for readme in ("README.md", "README.ja.md", "package/README.txt", "package/README.ja.txt"):
        assert table((ROOT / readme).read_text(encoding="utf-8")) == lyrics, readme


def release(pattern):
    [found] = (ROOT / "build" / "release").glob(pattern)
    return found


def test_releases_hold_what_editors_and_users_rely_on():
    zipped, tarred = release("tessal-*.zip"), release("tessal-*-linux-x86_64.tar.gz")
    version = zipped.name.removeprefix("tessal-").removesuffix(".zip")
    with zipfile.ZipFile(zipped) as archive:
        windows = {n: archive.read(n) for n in archive.namelist() if not n.endswith("/")}
    with tarfile.open(tarred) as archive:
        linux = {m.name: archive.extractfile(m).read() for m in archive if m.isfile()}
    # UTAU installs a dropped zip as install.txt says: ASCII or Shift-JIS, CR LF.
    install = windows.pop("install.txt").decode("cp932")
    keys = dict(line.split("=", 1) for line in install.removesuffix("\r\n").split("\r\n"))
    assert keys.keys() == {"type", "folder", "contentsdir", "description"}, install
    assert keys["type"] == "editplugin" and keys["folder"] == "tessal" and keys["description"]
    names = ["LICENSE.txt", "README.ja.txt", "README.txt", "plugin.txt", "tessalini.txt",
             "version.txt"]
    assert sorted(windows) == sorted(f"{keys['contentsdir']}/{n}" for n in names + ["tessal.exe"])
    assert sorted(linux) == sorted(f"tessal/{n}" for n in names + ["tessal"])
    exe = windows.pop(f"{keys['contentsdir']}/tessal.exe")  # its version, as Windows shows it
    assert all(text.encode("utf-16-le") in exe for text in ("FileDescription", version))
    del linux["tessal/tessal"]

    for files, line_end, sjis, plugin_lines in (
            (windows, "\r\n", "cp932", ["execute=tessal.exe"]),
            (linux, "\n", "utf-8", ["execute=tessal", "encoding=utf-8"])):
        encodings = {"tessalini.txt": sjis, "README.ja.txt": sjis, "README.txt": "utf-8"}
        texts = {}
        for name, data in files.items():
            name = name.split("/")[1]
            texts[name] = data.decode(encodings.get(name, "ascii"))  # strictly
            assert texts[name].endswith(line_end), name
            assert not re.search("[\r\n]", texts[name].replace(line_end, "")), name
        # The English readme carries a byte-order mark for old Notepad, on Windows only.
        assert texts["README.txt"].startswith("\ufeff") == (line_end == "\r\n")
        assert {"checkprev=1", "name=Add Tessal after R", *plugin_lines} <= set(
            texts["tessalini.txt"].split(line_end) + texts["plugin.txt"].split(line_end))
        assert "あ" in texts["tessalini.txt"] and texts["version.txt"] == version + line_end
        assert "MIT" in texts["LICENSE.txt"]
        for readme in ("README.txt", "README.ja.txt"):
            assert not re.search(r"cmake|pytest|scripts/|apt-get|\.sh\b", texts[readme]), readme
            assert [fact for fact in (
                "install.txt", "Documents", "~/Library/OpenUtau", "checkprev=0", "Ctrl+Z",
                "Lyrics changed: ", "No Lyric in note", "version.txt", "LICENSE.txt")
                if fact not in texts[readme]] == [], readme


@pytest.mark.posix_only
def test_linux_release_runs_as_openutau_starts_it(plugin, scratch):
    home = scratch / "ユーザー 1"  # OpenUtau's data folder, under a home with a blank and kana
    with tarfile.open(release("tessal-*-linux-x86_64.tar.gz")) as archive:
        archive.extractall(home / ".local/share/OpenUtau/Plugins/singer tools")
    folder = home / ".local/share/OpenUtau/Plugins/singer tools/tessal"  # found at any depth
    headers = subprocess.run(["readelf", "-lS", folder / "tessal"], capture_output=True,
                             text=True, check=True).stdout
    assert "INTERP" not in headers and ".symtab" not in headers  # static and stripped

    # As OpenUtau starts it with encoding=utf-8: in its own folder, with the absolute path of
    # a song in UTF-8 with a byte-order mark and LF line ends; the gap before is [#PREV] "R".
    song = home / ".local/share/OpenUtau/Cache/temp.tmp"
    song.parent.mkdir()
    notes = ["あ", "R", "お", "か", "한"]
    song.write_bytes("\ufeff[#SETTING]\nTempo=120\n[#PREV]\nLyric=R\n".encode() + b"".join(
        b"[#%04d]\nLyric=%s\nFlags=g0B0H0P86\n" % (i, lyric.encode())
        for i, lyric in enumerate(notes)))
    assert plugin.run(folder / "tessal", [str(song)], folder) == (0, b"")
    lines = log_lines(folder / "tessal.log")
    assert lines[4:7] == [b"Execute file name: " + bytes(folder / "tessal"),
                          b"Execute file dir: " + bytes(folder),
                          "Vowels: a i u e o あ い う え お".encode()]
    assert lines[7:] == [b"Temporary file name: " + bytes(song), b"Temporary file read.",
                         b"Lyrics changed: 2"] + SUCCESS[1:]
    rewritten = song.read_bytes()
    assert rewritten.startswith("\ufeff[#SETTING]".encode())
    assert [lyric.decode() for _, lyric in corpus_lyrics(rewritten)] == [
        "- あ", "R", "- お", "か", "한"]
