"""The releases as a user unpacks them into the host's plug-in folder."""

import shutil
import subprocess
import tarfile
import zipfile

import pytest

from conftest import ROOT, assert_start, log_lines
from test_docs import EXAMPLE, run_example, table
from test_run import SUCCESS, corpus_lyrics


@pytest.mark.windows_only
def test_unpacked_release_runs_from_the_plugin_folder(plugin, scratch):
    [release] = (ROOT / "build" / "release").glob("tessal-*.zip")
    version = release.stem.split("-", 1)[1]
    plugins = scratch / "UTAU" / "plugins"
    with zipfile.ZipFile(release) as archive:
        archive.extractall(plugins)
    folder = plugins / "tessal"
    assert sorted(p.name for p in folder.iterdir()) == [
        "README.ja.txt", "README.txt", "plugin.txt", "tessal.exe", "tessalini.txt", "version.txt"]
    assert (folder / "plugin.txt").read_bytes() == b"name=Add Tessal after R\r\nexecute=tessal.exe\r\n"
    assert (folder / "version.txt").read_bytes() == version.encode() + b"\r\n"
    assert "設定ファイル" in (folder / "README.ja.txt").read_bytes().decode("cp932")
    exe = (folder / "tessal.exe").read_bytes()
    for text in ("ProductName", "tessal", "FileDescription", version):
        assert text.encode("utf-16-le") in exe, text
    if plugin.program.resolve() != ROOT / "build/windows/tessal.exe":
        # The release holds the 32-bit build; where that cannot run, its 64-bit twin stands in.
        shutil.copy2(plugin.program, folder / "tessal.exe")

    # The host's working folder is its own; the song lies in a temporary folder.
    work = scratch / "UTAU"
    song = scratch / "temp" / "tmp1234.tmp"
    song.parent.mkdir()
    song.write_bytes(EXAMPLE.read_bytes())
    lyrics = run_example(plugin, folder / "tessal.exe", work, song, plugin.native_path(song))
    assert lyrics == table(ROOT / "README.md")[1]


@pytest.mark.posix_only
def test_linux_release_runs_as_openutau_starts_it(plugin, scratch):
    [release] = (ROOT / "build" / "release").glob("tessal-*-linux-x86_64.tar.gz")
    version = release.name.split("-")[1]
    # OpenUtau keeps its plug-ins in its data folder, here under a home with a blank and kana.
    home = scratch / "ユーザー 1"
    plugins = home / ".local/share/OpenUtau/Plugins"
    with tarfile.open(release) as archive:
        archive.extractall(plugins)
    folder = plugins / "tessal"
    assert sorted(p.name for p in folder.iterdir()) == [
        "README.ja.txt", "README.txt", "plugin.txt", "tessal", "tessalini.txt", "version.txt"]
    name_line = (ROOT / "package" / "plugin.txt").read_bytes().split(b"\r\n")[0]
    assert (folder / "plugin.txt").read_bytes() == name_line + b"\nexecute=tessal\n"
    assert (folder / "version.txt").read_bytes() == version.encode() + b"\n"
    assert "設定ファイル" in (folder / "README.ja.txt").read_text(encoding="utf-8")
    headers = subprocess.run(["readelf", "-lS", folder / "tessal"], capture_output=True,
                             text=True, check=True).stdout
    assert "INTERP" not in headers and ".symtab" not in headers  # static and stripped

    # The file as OpenUtau writes it: LF line ends, Shift-JIS unless plugin.txt names another
    # encoding. The first note follows the rest before the selection and keeps its lyric.
    before = ["あ", "R", "い", "か", "R", "お", "R", "- う"]
    after = ["あ", "R", "- い", "か", "R", "- お", "R", "- う"]
    text = "[#SETTING]\nTempo=120\nMode2=True\n[#PREV]\nLength=240\nLyric=R\n" + "".join(
        f"[#{i:04}]\nLength=480\nLyric={lyric}\nNoteNum=60\nFlags=g0B0H0P86\n"
        for i, lyric in enumerate(before))
    song = home / ".local/share/OpenUtau/Cache/temp.tmp"
    song.parent.mkdir()
    kana = "あ い う え お"
    for encoding in ("cp932", "utf-8"):
        song.write_bytes(text.encode(encoding))
        status, out = plugin.run(folder / "tessal", [str(song)], folder)
        lines = log_lines(folder / "tessal.log")
        assert_start(lines)
        assert lines[4:] == [
            b"Execute file name: " + bytes(folder / "tessal"),
            b"Execute file dir: " + bytes(folder),
            b"Vowels: a i u e o " + kana.encode("cp932") + b" " + kana.encode(),
            b"Temporary file name: " + bytes(song)] + SUCCESS
        assert (status, out) == (0, b"")
        written = song.read_bytes()
        assert [lyric.decode(encoding) for _, lyric in corpus_lyrics(written)] == after
        # Every other line is still there, whatever the order and line ends.
        kept = {line for line in text.encode(encoding).splitlines() if line[:6] != b"Lyric="}
        assert kept <= set(written.splitlines())
