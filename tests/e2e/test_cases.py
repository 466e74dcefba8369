"""Runs each case file of cases/ (README.md there tells their form) as the host runs the
plug-in, natively or under Wine."""

import codecs
import os
import re
import shlex
from pathlib import Path

import pytest

from conftest import MISSING_FILE, assert_start, log_lines

NONE = b"{none}"  # a section without a Lyric line


def unescape(text):
    return codecs.escape_decode(text.encode())[0]


def read_case(text):
    header, sections, lines = {}, {}, None
    for line in text.split("\n"):
        if line.startswith("--- "):
            name, *how = line[4:].split()
            lines = sections[name] = [how[0] if how else "crlf"]
        elif lines is not None and line and not line.startswith("# "):
            lines.append(line)
        elif lines is None and not line.startswith("#") and ":" in line:
            key, _, value = line.partition(":")
            header[key] = value.strip()
    return header, sections


def runs(path):
    """One run per value of "each" (put for {each}) and per row of "--- lyrics"."""
    text = path.read_text(encoding="utf-8")
    header, sections = read_case(text)
    marks = [getattr(pytest.mark, header["only"] + "_only")] if "only" in header else []
    for i, value in enumerate(v.strip() for v in header.get("each", "").split("|")):
        for j, row in enumerate(sections.get("lyrics", ["", "R | a => - a"])[1:]):
            yield pytest.param(text.replace("{each}", value), row, marks=marks, id=f"{path.stem}-{i}-{j}")


def lyric_song(row):
    """The song of a row of lyrics, what it must become (None: untouched) and how many change."""
    ends, notes = {}, []
    for token in (token.strip() for token in row.split("|")):
        if token[:5] in ("#PREV", "#NEXT"):
            ends[token[1:5]] = unescape(token[6:]) if "=" in token else NONE
        else:
            old, _, new = (part.strip() for part in token.partition("=>"))
            notes.append(("%04d" % len(notes), unescape(old), unescape(new or old)))

    def text(sections, last=b"Flags=\r\n"):
        return b"".join(b"[#%s]\r\n" % name.encode() + (b"" if lyric == NONE else b"Lyric=%s\r\n" % lyric)
                        + last for name, lyric in sections)
    song = text([(name, ends[name]) for name in ["PREV"] if name in ends] + [n[:2] for n in notes]
                + [(name, ends[name]) for name in ["NEXT"] if name in ends], b"")
    after = {"SETTING": NONE, "PREV": NONE, **{name: new for name, _, new in notes}, "NEXT": NONE} | ends
    changed = sum(old != new for _, old, new in notes)
    return song, text(after.items())[:-2] if changed else None, changed


def glob(pattern, places={}):
    for place, value in places.items():
        pattern = pattern.replace(place, value)
    return re.compile(b".*".join(re.escape(part) for part in pattern.split(b"{any}")), re.S)


@pytest.mark.parametrize("text, row", [run for path in sorted(
    (Path(__file__).parent / "cases").glob("*.case")) for run in runs(path)])
def test_case(plugin, scratch, text, row):
    header, sections = read_case(text)
    settings, status = header.get("settings", r"vowels=a,i,u,e,o\r\n"), int(header.get("status", 0))
    program = plugin.install(scratch / os.fsdecode(unescape(header.get("plug", "plug"))),
                             None if settings in ("none", "folder") else unescape(settings))
    if settings == "folder":
        (program.parent / "tessalini.txt").mkdir()
    work = cwd = scratch / "work"
    work.mkdir()
    song = work / header.get("name", "song.tmp")
    if "song" in sections:
        how, *lines = sections["song"]
        content = b"".join(unescape(line) + {"crlf": b"\r\n", "lf": b"\n", "raw": b""}[how] for line in lines)
        written = b"\r\n".join(unescape(line) for line in sections.get("written", [""])[1:])
        changed = int(header.get("changed", 0))
    else:
        content, written, changed = lyric_song(row)
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
    # Placeholders go in after escapes are read: Windows paths keep their backslashes.
    args = [os.fsdecode(unescape(arg).replace(b"{name}", os.fsencode(song.name))
                        .replace(b"{song}", os.fsencode(plugin.native_path(song)))) for arg in lexer]
    status_got, out = plugin.run(program, args, cwd, user)

    assert status_got == status
    stdout = unescape(header.get("stdout", ""))
    assert glob(stdout + b"\n" if stdout else b"").fullmatch(out), out
    if written and status == 0:
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
    start = [b"Execute file name: " + plugin.ansi_bytes(plugin.native_path(program)),
             b"Execute file dir: " + plugin.ansi_bytes(plugin.native_path(program.parent)),
             b"Vowels: " + unescape(header.get("vowels", "a i u e o"))]
    shorthand = {"{start}": start, "{read}": start + [b"Temporary file name: {arg}", b"Temporary file read."],
                 "{execute}": start[:2], "{changed}": [b"Lyrics changed: %d" % changed]}
    expected = [want for line in lines for want in shorthand.get(line, [unescape(line)])]
    expected += [b"Successful Program Termination." if status == 0 else b"Unsuccessful Program Termination. ", b""]
    places = {b"{name}": plugin.ansi_bytes(song.name), b"{arg}": plugin.ansi_bytes(args[0] if args else ""),
              b"{missing}": MISSING_FILE[plugin.ansi],
              b"{settings}": plugin.ansi_bytes(plugin.native_path(program.parent / "tessalini.txt"))}
    got = log_lines(cwd / "tessal.log")
    assert_start(got)
    assert len(got[4:]) == len(expected) and all(
        glob(want, places).fullmatch(line) for want, line in zip(expected, got[4:])), (got[4:], expected)
