"""Runs each case file of cases/ (README.md there tells their form) as the host runs the
plug-in, natively or under Wine."""

import codecs
import os
import re
import shlex
from pathlib import Path

import pytest

from conftest import MISSING_FILE, assert_start, log_lines

CASES = sorted((Path(__file__).parent / "cases").glob("*.case"))
VERDICT = {0: [b"Successful Program Termination.", b""],
           1: [b"Unsuccessful Program Termination. ", b""]}


def unescape(text):
    return codecs.escape_decode(text.encode())[0]


def read_case(path):
    header, sections, lines = {}, {}, None
    for line in path.read_text(encoding="utf-8").split("\n"):
        if line.startswith("--- "):
            name, *how = line[4:].split()
            lines = sections[name] = [how[0] if how else "crlf"]
        elif lines is not None:
            lines.append(line)
        elif not line.startswith("#") and ":" in line:
            key, _, value = line.partition(":")
            header[key] = value.strip()
    for lines in sections.values():
        while lines[-1] == "":
            lines.pop()
    return header, sections


def replace(text, places):
    for place, value in places.items():
        text = text.replace(place, value)
    return text


def marks(path):
    only = read_case(path)[0].get("only")
    return [getattr(pytest.mark, f"{only}_only")] if only else []


def glob(pattern):
    return re.compile(b".*".join(re.escape(part) for part in pattern.split(b"{any}")), re.S)


@pytest.mark.parametrize("path", [pytest.param(p, id=p.stem, marks=marks(p)) for p in CASES])
def test_case(plugin, scratch, path):
    header, sections = read_case(path)
    settings = header.get("settings", r"vowels=a,i,u,e,o\r\n")
    program = plugin.install(scratch / os.fsdecode(unescape(header.get("plug", "plug"))),
                             None if settings in ("none", "folder") else unescape(settings))
    if settings == "folder":
        (program.parent / "tessalini.txt").mkdir()
    work = scratch / "work"
    work.mkdir()
    song = work / header.get("name", "song.tmp")
    how, *lines = sections["song"]
    content = b"".join(unescape(line) + {"crlf": b"\r\n", "lf": b"\n", "raw": b""}[how]
                       for line in lines)
    song.write_bytes(content)
    if "folder" in header:
        (work / header["folder"]).mkdir()
    cwd = work
    if header.get("workdir") == "elsewhere":
        cwd = scratch / "elsewhere"
        cwd.mkdir()
        cwd.chmod(0o777)
    for change in header.get("modes", "").split():  # "song=444 work=555"
        name, mode = change.split("=")
        (song if name == "song" else work).chmod(int(mode, 8))
    before = song.stat()
    # Root's writes pass any permission bits: run as nobody then.
    user = 65534 if header.get("user") == "nobody" and os.geteuid() == 0 else None

    lexer = shlex.shlex(header.get("args", "{name}"), posix=True)
    lexer.whitespace_split, lexer.escape = True, ""
    places = {b"{name}": os.fsencode(song.name), b"{song}": os.fsencode(plugin.native_path(song))}
    args = [os.fsdecode(replace(unescape(arg), places)) for arg in lexer]
    status, out = plugin.run(program, args, cwd, user)

    assert status == int(header["status"])
    stdout = unescape(header.get("stdout", ""))
    assert glob(stdout + b"\n" if stdout else b"").fullmatch(out), out
    if "written" in sections:
        assert song.read_bytes() == b"\r\n".join(unescape(line) for line in sections["written"][1:])
        assert song.stat().st_mode == before.st_mode  # the host's permission bits too
    else:
        assert song.read_bytes() == content
        assert (song.stat().st_ino, song.stat().st_mtime_ns) == (before.st_ino, before.st_mtime_ns)
    assert not list(work.glob(song.name + ".tessal-*")), "a neighbouring file is left"

    if sections["log"][0] == "none":
        assert not (cwd / "tessal.log").is_file()
        return
    places = {b"{name}": plugin.ansi_bytes(song.name),
              b"{song}": plugin.ansi_bytes(plugin.native_path(song)),
              b"{missing}": MISSING_FILE[plugin.ansi]}
    expected = []
    for line in sections["log"][1:]:
        if line == "{execute}":
            expected += [b"Execute file name: " + plugin.ansi_bytes(plugin.native_path(program)),
                         b"Execute file dir: " + plugin.ansi_bytes(plugin.native_path(program.parent))]
            continue
        expected.append(replace(unescape(line), places))
    lines = log_lines(cwd / "tessal.log")
    assert_start(lines)
    written = lines[4:]
    expected += VERDICT[status]
    assert len(written) == len(expected) and all(
        glob(want).fullmatch(got) for want, got in zip(expected, written)), (written, expected)
