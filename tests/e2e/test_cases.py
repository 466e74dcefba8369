"""Runs each case file of cases/ (README.md there tells their form) as the host runs the
plug-in, natively or under Wine."""

import codecs
import os
import re
import shlex
from pathlib import Path

import pytest

from conftest import MISSING_FILE, assert_start, log_lines

LINE_END = {"crlf": b"\r\n", "lf": b"\n", "raw": b""}


def unescape(text):
    return codecs.escape_decode(text.encode())[0]


def read_case(text):
    header, sections, lines = {}, {}, None
    for line in text.split("\n"):
        if line.startswith("--- "):
            name, *how = line[4:].split()
            lines = sections[name] = [how[0] if how else "crlf"]
        elif lines is not None:
            if line and not line.startswith("# "):
                lines.append(line)
        elif not line.startswith("#") and ":" in line:
            key, _, value = line.partition(":")
            header[key] = value.strip()
    return header, sections


def runs(path):
    """One run per value of "each" (put for {each}) and per row of "--- lyrics"."""
    text = path.read_text(encoding="utf-8")
    header, sections = read_case(text)
    for i, value in enumerate(v.strip() for v in header.get("each", "").split("|")):
        rows = sections.get("lyrics", ["", "R | a => - a"])[1:]
        for j, row in enumerate(rows):
            marks = [getattr(pytest.mark, header["only"] + "_only")] if "only" in header else []
            yield pytest.param(text.replace("{each}", value), row, marks=marks,
                               id=f"{path.stem}-{i}-{j}")


def lyric_song(row):
    """The song of a row of lyrics ("R | a => - a | #PREV=R"), and what it must become."""
    notes, ends = [], {}
    for token in row.split("|"):
        token = token.strip()
        if token[:5] in ("#PREV", "#NEXT"):
            ends[token[1:5]] = unescape(token[6:]) if "=" in token else None
        else:
            before, _, after = token.partition("=>")
            notes.append((unescape(before.strip()), unescape(after.strip() or before.strip())))

    def section(name, lyric, flags):
        return b"[#%s]\r\n" % name + (b"" if lyric in (None, b"{none}") else b"Lyric=%s\r\n" % lyric) + flags

    song = section(b"PREV", ends["PREV"], b"") if "PREV" in ends else b""
    song += b"".join(section(b"%04d" % i, old, b"") for i, (old, _) in enumerate(notes))
    song += section(b"NEXT", ends["NEXT"], b"") if "NEXT" in ends else b""
    written = section(b"SETTING", None, b"Flags=\r\n") + section(b"PREV", ends.get("PREV"), b"Flags=\r\n")
    written += b"".join(section(b"%04d" % i, new, b"Flags=\r\n") for i, (_, new) in enumerate(notes))
    written += section(b"NEXT", ends.get("NEXT"), b"Flags=")
    changed = sum(old != new for old, new in notes)
    return song, written if changed else None, changed


def glob(pattern):
    return re.compile(b".*".join(re.escape(part) for part in pattern.split(b"{any}")), re.S)


@pytest.mark.parametrize("text, row", [run for p in sorted(
    (Path(__file__).parent / "cases").glob("*.case")) for run in runs(p)])
def test_case(plugin, scratch, text, row):
    header, sections = read_case(text)
    settings = header.get("settings", r"vowels=a,i,u,e,o\r\n")
    program = plugin.install(scratch / os.fsdecode(unescape(header.get("plug", "plug"))),
                             None if settings in ("none", "folder") else unescape(settings))
    if settings == "folder":
        (program.parent / "tessalini.txt").mkdir()
    work = cwd = scratch / "work"
    work.mkdir()
    song = work / header.get("name", "song.tmp")
    if "song" in sections:
        how, *lines = sections["song"]
        content = b"".join(unescape(line) + LINE_END[how] for line in lines)
        written = b"\r\n".join(unescape(line) for line in sections.get("written", [""])[1:])
        changed = int(header.get("changed", 0))
    else:
        content, written, changed = lyric_song(row)
        written = written if header.get("status", "0") == "0" else None
    song.write_bytes(content)
    if "folder" in header:
        (work / header["folder"]).mkdir()
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

    assert status == int(header.get("status", 0))
    stdout = unescape(header.get("stdout", ""))
    assert glob(stdout + b"\n" if stdout else b"").fullmatch(out), out
    if written:
        assert song.read_bytes() == written
        assert song.stat().st_mode == before.st_mode  # the host's permission bits too
    else:
        assert song.read_bytes() == content
        assert (song.stat().st_ino, song.stat().st_mtime_ns) == (before.st_ino, before.st_mtime_ns)
    assert not list(work.glob(song.name + ".tessal-*")), "a neighbouring file is left"

    how, *lines = sections.get("log", ["crlf", "{read}", "{changed}"])
    if how == "none":
        assert not (cwd / "tessal.log").is_file()
        return
    places = {b"{name}": plugin.ansi_bytes(song.name), b"{arg}": plugin.ansi_bytes(args[0] if args else ""),
              b"{song}": plugin.ansi_bytes(plugin.native_path(song)),
              b"{missing}": MISSING_FILE[plugin.ansi]}
    shorthand = {
        "{execute}": [b"Execute file name: " + plugin.ansi_bytes(plugin.native_path(program)),
                      b"Execute file dir: " + plugin.ansi_bytes(plugin.native_path(program.parent))],
        "{vowels}": [b"Vowels: " + unescape(header.get("vowels", "a i u e o"))],
        "{read}": [b"Temporary file name: {arg}", b"Temporary file read."],
        "{start}": [], "{changed}": []}
    expected = []
    for line in lines:
        if line in ("{start}", "{read}"):  # each stands for the lines every run logs up to it
            expected += shorthand["{execute}"] + shorthand["{vowels}"]
        expected += [replace(got, places) for got in shorthand.get(line, [unescape(line)])]
    expected += [b"Successful Program Termination." if status == 0 else
                 b"Unsuccessful Program Termination. ", b""]
    got = log_lines(cwd / "tessal.log")
    assert_start(got)
    assert len(got[4:]) == len(expected) and all(
        glob(want).fullmatch(line) for want, line in zip(expected, got[4:])), (got[4:], expected)


def replace(text, places):
    for place, value in places.items():
        text = text.replace(place, value)
    return text
