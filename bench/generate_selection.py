#!/usr/bin/env python3
"""Writes a selection of N notes the way the host writes its temporary file: a [#SETTING]
section, [#PREV], the notes [#0000]... and [#NEXT], CR LF line ends, kana in Shift-JIS.
The same seed and count always give the same bytes."""

import argparse
import random
import sys

ROMAJI_VOWELS = [b"a", b"i", b"u", b"e", b"o"]
KANA = [k.encode("shift_jis") for k in
        "あいうえおかきくけこさしすせそたちつてとなにぬねのまみむめもやゆよらりるれろわをん"]
SYLLABLES = [s.encode() for s in
             "ka ki ku ke ko sa shi su se so ta chi tsu te to na ni nu ne no ha hi fu he ho "
             "ma mi mu me mo ya yu yo ra ri ru re ro wa n".split()]


def lyric(rng):
    roll = rng.random()
    if roll < 0.15:
        return b"R"
    if roll < 0.35:
        return rng.choice(ROMAJI_VOWELS)
    if roll < 0.65:
        return rng.choice(KANA)
    return rng.choice(SYLLABLES)


def number_list(rng, count, low, high):
    return b",".join(str(rng.randint(low, high)).encode() for _ in range(count))


def note(rng, name):
    """The lines of one note section; the host leaves some keys empty and others out."""
    word = lyric(rng)
    lines = [b"[#%s]" % name,
             b"Length=%d" % rng.choice([120, 240, 360, 480, 720, 960, 1920]),
             b"Lyric=" + word,
             b"NoteNum=%d" % rng.randint(48, 84),
             b"PreUtterance=" + (b"" if rng.random() < 0.7 else b"%.1f" % rng.uniform(10, 120)),
             b"VoiceOverlap=" + (b"" if rng.random() < 0.7 else b"%.1f" % rng.uniform(0, 60)),
             b"Intensity=%d" % rng.choice([80, 100, 100, 100, 120]),
             b"Modulation=0"]
    if word == b"R":
        return lines
    lines += [b"PBS=-%d;0" % rng.randint(20, 80),
              b"PBW=%d" % rng.randint(40, 120),
              b"PBY=%d" % rng.randint(-20, 20),
              b"PBM=,"]
    if rng.random() < 0.3:
        lines.append(b"VBR=65,180,35,20,20,0,0,0")
    lines += [b"Envelope=0,5,35,0,100,100,0",
              b"StartPoint=",
              b"Velocity=%d" % rng.choice([100, 100, 100, 120, 150]),
              b"Flags=g%dB%d" % (rng.randint(-10, 10), rng.randint(0, 100))]
    roll = rng.random()
    if roll < 0.18:
        lines += [b"PBType=5", b"PitchBend=" + number_list(rng, rng.randint(40, 160), -200, 200)]
    elif roll < 0.24:
        lines.append(b"Piches=" + number_list(rng, rng.randint(40, 160), -200, 200))
    return lines


def selection(count, seed):
    rng = random.Random(seed)
    lines = [b"[#SETTING]", b"Tempo=120.00", b"Tracks=1",
             b"Project=C:\\Users\\utau\\Documents\\UTAU\\song.ust",
             b"VoiceDir=%VOICE%uta", b"CacheDir=song.cache", b"Tool1=wavtool.exe",
             b"Tool2=resampler.exe", b"Mode2=True"]
    lines += note(rng, b"PREV")
    for index in range(count):
        lines += note(rng, b"%04d" % index)
    lines += note(rng, b"NEXT")
    return b"\r\n".join(lines) + b"\r\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("notes", type=int, help="number of selected notes")
    parser.add_argument("output", help="file to write; - for standard output")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    args = parser.parse_args()
    data = selection(args.notes, args.seed)
    if args.output == "-":
        sys.stdout.buffer.write(data)
    else:
        with open(args.output, "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
