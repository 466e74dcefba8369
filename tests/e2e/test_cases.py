# Runs each case file of cases/ as the host runs the plug-in, natively or under Wine.
#
# A case file is a header of "key: value" lines (a line starting with "|" goes on the value
# above), then sections that start with "--- NAME". Lines starting with "# " are comments.
# Values and lines take Python's byte escapes (\r, \x82).
#   stdout       what the program prints, without its line end: a run that prints something
#                must fail with exit status 1, one that prints nothing succeed with 0
#   args         blank-separated arguments, '' an empty one (default: {song}, the song's full
#                path as the program sees it; {unixsong}: its Unix path); the run starts in a
#                folder of its own, not the song's, or with "cwd: plug" in the program's
#   wine         "LANG CODEPAGE": under Wine the run has LANG and no LC_ variable, as OpenUtau
#                starts it, and the log's expected text is in CODEPAGE
#   name, plug   the song's file name and the program's folder (default: song.tmp, plug)
#   settings     tessalini.txt beside the program (default: vowels=a,i,u,e,o\r\n); none: no file
#   vowels       the settings' vowels as the log shows them (default: a i u e o)
#   checkprev, checkbank   the switch as the log shows it after "checkprev: " (default: off)
#   noted        the log's lines after the switches, before the song's name, split at " | "
#   folder       a folder made before the run, named from the scratch folder: work/ holds the
#                song, plug/ the program, cwd/ is the working folder
#   modes, user  permission bits set before the run ("song=444 work=555"); user: nobody runs
#                as that user (root's writes pass any permission bits)
#   only         posix or windows: the cases only that build can meet
#   each         values split at "|": one run for each, with the value put for {each} everywhere,
#                and its fields split at "~" for {each1}, {each2}...
#   setting      the lines of a settings section before the notes of "--- lyrics"
#   mark         yes: the song of "--- lyrics" starts with a byte-order mark
#   bank         the voice bank's folder name in the scratch folder (default: bank)
#   --- bank     the voice bank's files, "path: bytes", or "path/" for a folder. In setting {bank}
#                is the bank's path as the program sees it in the ANSI code page and {unixbank}
#                the Unix path; in log lines both as the program shows them
#   --- lyrics   one run per row of notes' lyrics: "R | a => - a | ka | #PREV=R | #NEXT"; "=>"
#                gives the new lyric, {none} a note without one, #PREV and #NEXT those sections
#                (no "=": no Lyric). The runner builds the song and what it must become; a row
#                where nothing changes must leave the song untouched.
#   --- song     otherwise the song, its lines joined as they stand (each writes its line ends)
#   --- written  what the song holds afterwards, lines joined by CR LF; without it the song must
#                be untouched. Without song and lyrics: the row "R | a => - a".
#   --- log      the log's lines after its four start lines, before the verdict (default:
#                {read} {changed}). {start}: the program's two lines and the Vowels line;
#                {read}: those, the song's name and "Temporary file read."; {execute}: the
#                program's two lines; {changed}: "Lyrics changed: N". Within lines, {arg} is the
#                first argument, {settings} the settings' path, as logged. "--- log none": no
#                log is made.
# In stdout and log lines {any} matches any bytes (the system's own words, a source line).
# Text in log lines and vowels is expected in the log's encoding (the ANSI code page; UTF-8
# natively), escapes as they stand; {sjis:X}: X as the log shows Shift-JIS text, kept as it
# came on Windows and converted natively.

import codecs
import os
import re
from pathlib import Path

import pytest

from conftest import ANSI, FAILURE, SUCCESS, WINE, ansi, layout, log_lines, native_path, run

NONE = b"{none}"  # a section without a Lyric line
byteOrderMark = b"\xef\xbb\xbf"


def unescape(text):
    return codecs.escape_decode(text.encode())[0]


def read_case(text):
    head, *parts = re.split(r"^--- (.*)\n", text, flags=re.M)
    head = re.sub(r"\n(?=\|)", " ", head)
    header = dict(line.split(":", 1) for line in head.split("\n") if line and line[0] != "#")
    sections = {name: [line for line in body.split("\n") if line and not line.startswith("# ")]
                for name, body in zip(parts[::2], parts[1::2])}
    return {key: value.strip() for key, value in header.items()}, sections


def runs(path):
    # One run per value of "each" and per row of "--- lyrics".
    text = path.read_text(encoding="utf-8")
    for i, value in enumerate(read_case(text)[0].get("each", "").split("|")):
        fields = {"{each%d}" % k: field.strip() for k, field in enumerate(value.split("~"), 1)}
        header, sections = read_case(re.sub(r"\{each\d*\}", lambda m: fields.get(
            m[0], value.strip()), text))
        marks = [getattr(pytest.mark, header["only"] + "_only")] if "only" in header else []
        for j, row in enumerate(sections.get("lyrics", ["R | a => - a"])):
            yield pytest.param(header, sections, row, marks=marks, id=f"{path.stem}-{i}-{j}")


def song_text(sections, end=b"Flags=\r\n"):
    return b"".join(b"[#%s]\r\n" % name.encode() + (b"" if lyric == NONE else b"Lyric=%s\r\n" % lyric)
                    + end for name, lyric in sections)


def lyric_song(row, setting=b"", mark=b""):
    # The song of a row of lyrics, what it must become and how many lyrics change; setting: the
    # lines of a settings section, mark: a byte-order mark.
    ends, notes = {}, []
    for token in (token.strip() for token in row.split("|")):
        if token[:5] in ("#PREV", "#NEXT"):
            ends[token[1:5]] = unescape(token[6:]) if "=" in token else NONE
        else:
            old, _, new = (part.strip() for part in token.partition("=>"))
            notes.append(("%04d" % len(notes), unescape(old), unescape(new or old)))
    prev, next_ = ([(name, ends[name])] if name in ends else [] for name in ("PREV", "NEXT"))
    song = song_text(prev + [note[:2] for note in notes] + next_, b"")
    after = {"SETTING": NONE, "PREV": NONE, **{name: new for name, _, new in notes}, "NEXT": NONE}
    written = song_text((after | ends).items())[:-2].replace(b"[#SETTING]\r\n", b"[#SETTING]\r\n" + setting, 1)
    song = (b"[#SETTING]\r\n" + setting if setting else b"") + song
    return mark + song, mark + written, sum(old != new for _, old, new in notes)


def make_bank(folder, lines):
    # The voice bank's folders and files, from "path: bytes" and "path/" lines.
    folder.mkdir()
    for line in lines:
        path, _, content = line.partition(":")
        (folder / path).parent.mkdir(parents=True, exist_ok=True)
        if path.endswith("/"):
            (folder / path).mkdir(exist_ok=True)
        else:
            (folder / path).write_bytes(unescape(content[1:]))


def log_text(line, codec):
    # A log line as expected in the log's encoding.
    parts = re.split(r"\{sjis:([^}]*)\}", line)
    return b"".join(codecs.escape_decode(part.encode(codec, "replace"))[0] if i % 2 == 0 else
                    part.encode("cp932" if WINE else "utf-8") for i, part in enumerate(parts))


def glob(pattern):
    return re.compile(b".*".join(re.escape(part) for part in pattern.split(b"{any}")), re.S)


@pytest.mark.parametrize("header, sections, row", [run for path in sorted(
    (Path(__file__).parent / "cases").glob("*.case")) for run in runs(path)])
def test_case(scratch, header, sections, row):
    settings, stdout = header.get("settings", r"vowels=a,i,u,e,o\r\n"), unescape(header.get("stdout", ""))
    env, codec = None, None
    if WINE and "wine" in header:
        lang, codec = header["wine"].split()
        env = {k: v for k, v in os.environ.items() if not k.startswith("LC_")} | {"LANG": lang}
    bank = scratch / header.get("bank", "bank")
    places = {b"{bank}": ansi(native_path(bank), codec), b"{unixbank}": os.fsencode(bank)}
    setting = re.sub(rb"\{(bank|unixbank)\}", lambda m: places[m[0]], unescape(header.get("setting", "")))
    if "bank" in sections:
        make_bank(bank, sections["bank"])
    if "song" in sections:
        content = b"".join(unescape(line) for line in sections["song"])
        written = b"\r\n".join(unescape(line) for line in sections.get("written", []))
        # Every "- " that a written song holds beyond the song's is a changed lyric.
        changed = written.count(b"Lyric=- ") - content.count(b"Lyric=- ") if written else 0
    else:
        content, written, changed = lyric_song(row, setting, byteOrderMark * (header.get("mark") == "yes"))
    settings = None if settings == "none" else unescape(settings)
    plug, name = os.fsdecode(unescape(header.get("plug", "plug"))), header.get("name", "song.tmp")
    program, work, song = layout(scratch, content, settings, plug, name)
    cwd = program.parent if header.get("cwd") == "plug" else scratch / "cwd"
    cwd.mkdir(exist_ok=True)
    cwd.chmod(0o777)
    if header.get("folder"):
        (scratch / header["folder"]).mkdir()
    for change in header.get("modes", "").split():
        name, mode = change.split("=")
        (song if name == "song" else scratch / name).chmod(int(mode, 8))
    before = song.stat()
    user = 65534 if header.get("user") == "nobody" and os.geteuid() == 0 else None
    # Placeholders go in after escapes are read: Windows paths keep their backslashes.
    paths = {b"{song}": os.fsencode(native_path(song)), b"{unixsong}": os.fsencode(song)}
    args = [os.fsdecode(re.sub(rb"\{(unix)?song\}", lambda m: paths[m[0]], unescape(arg.strip("'"))))
            for arg in header.get("args", "{song}").split()]
    status, out = run(program, args, cwd, user, env)

    assert status == (1 if stdout else 0)
    assert glob(stdout + b"\n" if stdout else b"").fullmatch(out), out
    if changed and not status:
        assert song.read_bytes() == written
        assert song.stat().st_mode == before.st_mode  # the host's permission bits too
    else:
        assert song.read_bytes() == content
        assert (song.stat().st_ino, song.stat().st_mtime_ns) == (before.st_ino, before.st_mtime_ns)
    assert not list(work.glob(song.name + ".tessal-*")), "a neighbouring file is left"
    if "log none" in sections:
        assert not (cwd / "tessal.log").is_file()
        return
    noted = [line for line in header.get("noted", "").split(" | ") if line]
    start = [b"Execute file name: " + ansi(native_path(program), codec),
             b"Execute file dir: " + ansi(native_path(program.parent), codec)] + [
        log_text(line, codec or ANSI) for line in ["Vowels: " + header.get("vowels", "a i u e o"),
        "checkprev: " + header.get("checkprev", "off"), "checkbank: " + header.get("checkbank", "off"), *noted]]
    shorthand = {"{start}": start, "{read}": start + [b"Temporary file name: {arg}", b"Temporary file read."],
                 "{execute}": start[:2], "{changed}": [b"Lyrics changed: %d" % changed]}
    expected = [want for line in sections.get("log", ["{read}", "{changed}"])
                for want in shorthand.get(line, [log_text(line, codec or ANSI)])] + (FAILURE if status else SUCCESS)
    shown = {b"{arg}": ansi(args[0] if args else "", codec), b"{bank}": ansi(native_path(bank), codec),
             b"{settings}": ansi(native_path(program.parent / "tessalini.txt"), codec),
             b"{unixbank}": ansi(("Z:" if WINE else "") + str(bank), codec)}
    expected = [re.sub(rb"\{(arg|bank|settings|unixbank)\}", lambda m: shown[m[0]], want)
                for want in expected]
    got = log_lines(cwd / "tessal.log")
    assert len(got) == len(expected) and all(
        glob(want).fullmatch(line) for want, line in zip(expected, got)), (got, expected)
