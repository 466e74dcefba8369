"""The release zip as a user unpacks it into the host's plug-in folder."""

import shutil
import zipfile

import pytest

from conftest import ROOT
from test_docs import EXAMPLE, run_example, table

pytestmark = pytest.mark.windows_only


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
