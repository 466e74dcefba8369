# What users get, end to end: the releases as an editor and a user find them, doing to the
# readmes' example what the readmes show. (The real songs of tests/corpus go through the
# fuzzer: read back as a host reads them, only their lyrics may change.)

import re
import shutil
import subprocess
import tarfile
import zipfile

from conftest import PROGRAM, ROOT, SUCCESS, WINE, ansi, log_lines, native_path, run


def lyrics(content):
    # The lyric of every note, read independently of the program: a section "[#NAME]" is a
    # note when NAME is a number.
    sections = (part.partition(b"]") for part in re.split(rb"[\r\n]\[#", b"\n" + content))
    return [re.search(rb"[\r\n]Lyric=([^\r\n]*)", body)[1]
            for name, _, body in sections if name.isdigit()]


def test_releases_do_to_the_example_what_the_readmes_show(scratch):
    # The zip unpacked into UTAU's plug-ins; the tarball at some depth in OpenUtau's Plugins,
    # in a data folder under a home with a blank and kana.
    [zipped], [tarred] = ([*(ROOT / "build/release").glob(f"tessal-*{end}")]
                          for end in (".zip", ".tar.gz"))
    utau, data = scratch / "UTAU", scratch / "ユーザー 1/.local/share/OpenUtau"
    zipfile.ZipFile(zipped).extractall(utau / "plugins")
    with tarfile.open(tarred) as archive:
        archive.extractall(data / "Plugins/singer tools")
    version = zipped.name.removeprefix("tessal-").removesuffix(".zip")
    # UTAU installs a dropped zip as install.txt says: ASCII or Shift-JIS, CR LF.
    install = (utau / "plugins/install.txt").read_bytes().decode("cp932")
    keys = dict(line.split("=", 1) for line in install.removesuffix("\r\n").split("\r\n"))
    assert keys.keys() == {"type", "folder", "contentsdir", "description"}, install
    assert keys["type"] == "editplugin" and keys["folder"] == "tessal" and keys["description"]
    assert sorted(path.name for path in (utau / "plugins").iterdir()) == sorted(
        ["install.txt", keys["contentsdir"]])
    names = ["LICENSE.txt", "README.ja.txt", "README.txt", "plugin.txt", "tessalini.txt",
             "version.txt"]
    for folder, program, line_end, sjis, plugin_lines in (
            (utau / "plugins" / keys["contentsdir"], "tessal.exe", "\r\n", "cp932",
             ["execute=tessal.exe", "encoding=utf-8"]),
            (data / "Plugins/singer tools/tessal", "tessal", "\n", "utf-8",
             ["execute=tessal", "encoding=utf-8"])):
        assert sorted(path.name for path in folder.iterdir()) == sorted(names + [program])
        encodings = {"tessalini.txt": sjis, "README.ja.txt": sjis, "README.txt": "utf-8"}
        texts = {name: (folder / name).read_bytes().decode(encodings.get(name, "ascii"))
                 for name in names}  # strictly
        for name, text in texts.items():
            assert text.endswith(line_end) and not re.search("[\r\n]", text.replace(line_end, ""))
        # The English readme carries a byte-order mark for old Notepad, on Windows only.
        assert texts["README.txt"].startswith("\ufeff") == (line_end == "\r\n")
        assert {"vowels=a,i,u,e,o,あ,い,う,え,お", "checkprev=1", "checkbank=1", "name=Add Tessal after R",
                *plugin_lines} <= set((texts["tessalini.txt"] + texts["plugin.txt"]).split(line_end))
        assert texts["version.txt"] == version + line_end and "MIT" in texts["LICENSE.txt"]
        for readme in ("README.txt", "README.ja.txt"):
            assert not re.search(r"cmake|pytest|scripts/|apt-get|\.sh\b", texts[readme]), readme
    exe = (utau / "plugins/tessal/tessal.exe").read_bytes()  # its version, as Windows shows it
    assert all(text.encode("utf-16-le") in exe for text in ("FileDescription", version))

    example, encoding = (ROOT / "examples" / "selection.tmp").read_bytes(), "cp932"
    if WINE:
        # UTAU: its working folder is its own, and the song lies in a temporary folder.
        folder, cwd, song = utau / "plugins/tessal", utau, scratch / "temp/1.tmp"
        if PROGRAM.resolve() != ROOT / "build/windows/tessal.exe":
            # The release holds the 32-bit build; where that cannot run, its 64-bit twin stands in.
            shutil.copy2(PROGRAM, folder)
    else:
        # OpenUtau on Linux starts the program in its own folder with the absolute path of a
        # song that plugin.txt's encoding=utf-8 asks for: UTF-8 with a byte-order mark, LF.
        folder = cwd = data / "Plugins/singer tools/tessal"
        song, encoding = data / "Cache/temp.tmp", "utf-8"
        example = b"\xef\xbb\xbf" + example.decode("cp932").replace("\r\n", "\n").encode()
        headers = subprocess.run(["readelf", "-lS", folder / "tessal"], capture_output=True,
                                 text=True, check=True).stdout
        assert "INTERP" not in headers and ".symtab" not in headers  # static and stripped
    song.parent.mkdir(parents=True, exist_ok=True)
    song.write_bytes(example)
    assert run(folder / PROGRAM.name, [native_path(song)], cwd) == (0, b"")
    # The release's settings are found beside it.
    assert log_lines(cwd / "tessal.log")[2:] == [
        "Vowels: a i u e o あ い う え お".encode(encoding), b"checkprev: on", b"checkbank: on",
        b"Temporary file name: " + ansi(native_path(song)), b"Temporary file read.",
        b"Voice bank not read: C:\\Program Files (x86)\\UTAU\\voice\\uta does not exist.",
        b'Without the voice bank, every vowel after a rest gets "- ".', b"Lyrics changed: 3", *SUCCESS]
    shown = tuple([lyric.decode(encoding) for lyric in lyrics(text)]
                  for text in (example, song.read_bytes()))
    for readme in ("README.md", "README.ja.md", "package/README.txt", "package/README.ja.txt"):
        # The before and after rows of the readme's first table.
        rows = re.findall(r"^ *\|(.*)\| *$", (ROOT / readme).read_text(encoding="utf-8"), re.M)
        rows = [[cell.strip() for cell in row.split("|")][1:] for row in rows if "---" not in row]
        assert tuple(rows[:2]) == shown, readme
