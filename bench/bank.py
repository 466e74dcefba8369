#!/usr/bin/env python3
"""Times the plug-in with checkbank=1 on a one-phrase selection whose voice bank is shaped like
a large multi-pitch VCV bank (7 pitch folders, each 3,000 empty .wav files and a 3,000-line
Shift-JIS oto.ini), against the floor of listing that bank and reading its oto.ini files once
(list_bank). Prints the medians, the ratio and the target (within 3x the floor)."""

import argparse
import os
import shutil
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "bench"))
from run import median_times, verdict  # noqa: E402

PITCHES = ["A3", "B3", "C4", "D4", "E4", "F4", "G4"]
KANA = [chr(c) for c in range(ord("あ"), ord("ん") + 1)]
VOWELS = ["a", "i", "u", "e", "o", "n", "-"]


def make_bank(folder):
    for pitch in PITCHES:
        (folder / pitch).mkdir(parents=True)
        lines = []
        for i in range(3000):
            kana, vowel = KANA[i % len(KANA)], VOWELS[i // len(KANA) % len(VOWELS)]
            wav = f"_{kana}{i}.wav"
            (folder / pitch / wav).touch()
            alias = f"{vowel} {kana}{pitch}" if i < len(KANA) * len(VOWELS) else f"{kana}{i}{pitch}"
            lines.append(f"{wav}={alias},120,200,-300,60,20")
        (folder / pitch / "oto.ini").write_bytes("\r\n".join(lines).encode("cp932") + b"\r\n")


def phrase(bank):
    # The lyrics of one phrase after a rest; the bank has no "- ヴ", so that lyric is kept.
    lyrics = ["R", "あ", "か", "R", "い", "R", "ヴ", "さ", "R", "う"]
    notes = b"".join(b"[#%04d]\r\nLength=480\r\nLyric=%s\r\nNoteNum=60\r\n" % (i, lyric.encode("cp932"))
                     for i, lyric in enumerate(lyrics))
    return (b"[#SETTING]\r\nTempo=120\r\nVoiceDir=%s\r\n[#PREV]\r\nLyric=R\r\n" % os.fsencode(bank)
            + notes + b"[#NEXT]\r\nLyric=R\r\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", default=str(ROOT / "build/bench"), help="build folder")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--dir", default=None, help="folder for the bank and the scratch files")
    args = parser.parse_args()
    build = Path(args.build).resolve()
    with tempfile.TemporaryDirectory(prefix="tessal-bank-", dir=args.dir) as scratch:
        scratch = Path(scratch)
        bank = scratch / "voice" / "uta"
        make_bank(bank)
        program = scratch / "tessal"
        shutil.copy2(build / "tessal", program)
        (scratch / "tessalini.txt").write_bytes(
            "vowels=a,i,u,e,o,あ,い,う,え,お,ヴ\r\ncheckprev=1\r\ncheckbank=1\r\n".encode("cp932"))
        source, work = scratch / "phrase.tmp", scratch / "work.tmp"
        source.write_bytes(phrase(bank))
        t_plugin, t_floor = median_times(
            [([str(program), str(work)], source, work),
             ([str(build / "bench/list_bank"), str(bank)], None, None)], scratch, args.runs)
        log = (scratch / "tessal.log").read_bytes().decode("utf-8", "replace").splitlines()
    print(f"bank: {len(PITCHES)} folders of 3000 .wav files and a 3000-line oto.ini; "
          f"medians of {args.runs} runs")
    print(f"tessal, checkbank=1   {t_plugin * 1e3:8.1f} ms")
    print(f"list_bank (floor)     {t_floor * 1e3:8.1f} ms  tessal/floor = {t_plugin / t_floor:.2f}x")
    print("log:", *(line for line in log if "oice bank" in line or "Lyrics" in line), sep="\n  ")
    print(f"target: within 3x the floor  {verdict(t_plugin <= 3 * t_floor)}")


if __name__ == "__main__":
    main()
