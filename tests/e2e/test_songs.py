# What users get, end to end: the releases as an editor and a user find them, doing to the
# readmes' example what the readmes show. (The real songs of tests/corpus are the fuzzer's
# seeds: read back as a host reads them, only their lyrics may change.)

import re
import shutil
import subprocess
import tarfile
import zipfile

from conftest import PROGRAM, ROOT, SUCCESS, WINE, ansi, log_lines, native_path, run

RELEASES = ROOT / "build" / "release"


def lyrics(content):
    # (name, lyric) of every note, read independently of the program: a section "[#NAME]" is a
    # note when NAME is a number.
    sections = (part.partition(b"]") for part in re.split(rb"[\r\n]\[#", b"\n" + content))
    return [(name, re.search(rb"[\r\n]Lyric=([^\r\n]*)", body)[1])
            for name, _, body in sections if name.isdigit()]


def test_release_does_to_the_example_what_the_readmes_show(scratch):
    example, encoding = (ROOT / "examples" / "selection.tmp").read_bytes(), "cp932"
    if WINE:
        # UTAU: the zip unpacked into its plug-ins; the working folder is UTAU's own, and the
        # song lies in a temporary folder.
        with zipfile.ZipFile(next(RELEASES.glob("tessal-*.zip"))) as archive:
            archive.extractall(scratch / "UTAU" / "plugins")
        folder, cwd, song = scratch / "UTAU/plugins/tessal", scratch / "UTAU", scratch / "temp/1.tmp"
        if PROGRAM.resolve() != ROOT / "build/windows/tessal.exe":
            # The release holds the 32-bit build; where that cannot run, its 64-bit twin stands in.
            shutil.copy2(PROGRAM, folder)
    else:
        # OpenUtau on Linux, its data folder under a home with a blank and kana; the release
        # found at any depth in Plugins, started in its own folder with the absolute path of a
        # song that plugin.txt's encoding=utf-8 asks for: UTF-8 with a byte-order mark, LF.
        data = scratch / "ユーザー 1/.local/share/OpenUtau"
        with tarfile.open(next(RELEASES.glob("tessal-*-linux-x86_64.tar.gz"))) as archive:
            archive.extractall(data / "Plugins" / "singer tools")
        folder = cwd = data / "Plugins/singer tools/tessal"
        song, encoding = data / "Cache/temp.tmp", "utf-8"
        example = b"\xef\xbb\xbf" + example.decode("cp932").replace("\r\n", "\n").encode()
        headers = subprocess.run(["readelf", "-lS", folder / "tessal"], capture_output=True,
                                 text=True, check=True).stdout
        assert "INTERP" not in headers and ".symtab" not in headers  # static and stripped
    program = folder / PROGRAM.name
    song.parent.mkdir(parents=True, exist_ok=True)
    song.write_bytes(example)
    assert run(program, [native_path(song)], cwd) == (0, b"")
    # The release's settings are found beside it.
    assert log_lines(cwd / "tessal.log")[2:] == [
        "Vowels: a i u e o あ い う え お".encode(encoding), b"Temporary file name: "
        + ansi(native_path(song)), b"Temporary file read.", b"Lyrics changed: 3", *SUCCESS]
    shown = tuple([lyric.decode(encoding) for _, lyric in lyrics(text)]
                  for text in (example, song.read_bytes()))
    for readme in ("README.md", "README.ja.md", "package/README.txt", "package/README.ja.txt"):
        # The before and after rows of the readme's first table.
        rows = re.findall(r"^ *\|(.*)\| *$", (ROOT / readme).read_text(encoding="utf-8"), re.M)
        rows = [[cell.strip() for cell in row.split("|")][1:] for row in rows if "---" not in row]
        assert tuple(rows[:2]) == shown, readme


def test_releases_hold_what_editors_and_users_rely_on():
    zipped, tarred = next(RELEASES.glob("tessal-*.zip")), next(RELEASES.glob("tessal-*.tar.gz"))
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
        assert {"vowels=a,i,u,e,o,あ,い,う,え,お", "checkprev=1", "name=Add Tessal after R",
                *plugin_lines} <= set(
            texts["tessalini.txt"].split(line_end) + texts["plugin.txt"].split(line_end))
        assert texts["version.txt"] == version + line_end
        assert "MIT" in texts["LICENSE.txt"]
        for readme in ("README.txt", "README.ja.txt"):
            assert not re.search(r"cmake|pytest|scripts/|apt-get|\.sh\b", texts[readme]), readme
