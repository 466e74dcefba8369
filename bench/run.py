#!/usr/bin/env python3
"""Times the built plug-in as the host runs it, on generated selections, against baselines:
`cp` of the same file, read_write_back (reads the file and saves it back the way the plug-in
saves, with no parsing) and /bin/true. The programs take turns, and each run gets a fresh copy
of the selection. Prints medians, ratios, MB/s, peak resident memory (/usr/bin/time -v) and
the targets."""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "bench"))
from generate_selection import selection  # noqa: E402


def timed(command, cwd):
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def median_times(commands, cwd, runs):
    """Median seconds of each (command, source, target); before each run target gets a fresh
    copy of source, if any. The commands take turns, so that the busy and quiet spells of a
    shared machine fall on all of them alike and their ratios hold."""
    times = [[] for _ in commands]
    for _ in range(runs):
        for i, (command, source, target) in enumerate(commands):
            if source:
                shutil.copyfile(source, target)
            times[i].append(timed(command, cwd))
    return [statistics.median(t) for t in times]


def peak_kib(command, cwd, runs, source, target):
    peaks = []
    for _ in range(runs):
        shutil.copyfile(source, target)
        done = subprocess.run(["/usr/bin/time", "-v", *command], cwd=cwd, check=True,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        peaks.append(int(re.search(r"Maximum resident set size \(kbytes\): (\d+)",
                                   done.stderr).group(1)))
    return statistics.median(peaks)


def verdict(ok):
    return "met" if ok else "NOT MET"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", default=str(ROOT / "build/bench"), help="build folder")
    parser.add_argument("--notes", type=int, default=100000)
    parser.add_argument("--runs", type=int, default=9)
    # In memory by default: on a disk, the write-back of one run's file falls into the next.
    parser.add_argument("--dir", default="/dev/shm" if os.path.isdir("/dev/shm") else None,
                        help="folder for the scratch files (default: /dev/shm)")
    args = parser.parse_args()
    build = Path(args.build).resolve()

    with tempfile.TemporaryDirectory(prefix="tessal-bench-", dir=args.dir) as scratch:
        scratch = Path(scratch)
        program = scratch / "tessal"
        shutil.copy2(build / "tessal", program)
        shutil.copy2(ROOT / "package/tessalini.txt", scratch / "tessalini.txt")
        baseline = build / "bench/read_write_back"

        sources = {}
        for notes in (20, args.notes // 10, args.notes):
            sources[notes] = scratch / f"selection-{notes}.tmp"
            sources[notes].write_bytes(selection(notes, 1))
        work = scratch / "work.tmp"

        def plugin(notes):
            return [str(program), str(work)], sources[notes], work

        big = sources[args.notes]
        size = big.stat().st_size
        t_plugin, t_tenth, t_small, t_cp, t_back, t_true = median_times(
            [plugin(args.notes), plugin(args.notes // 10), plugin(20),
             (["cp", str(big), str(work)], big, work),
             ([str(baseline), str(work)], big, work),
             (["/bin/true"], None, None)],
            scratch, args.runs)
        peak = peak_kib([str(program), str(work)], scratch, 3, big, work)

    mb = size / 1e6
    print(f"selection: {args.notes} notes, {mb:.1f} MB; medians of {args.runs} runs")
    print(f"tessal            {t_plugin * 1e3:8.1f} ms  {mb / t_plugin:7.0f} MB/s")
    print(f"cp                {t_cp * 1e3:8.1f} ms  tessal/cp = {t_plugin / t_cp:.1f}x")
    print(f"read_write_back   {t_back * 1e3:8.1f} ms  tessal/read_write_back = "
          f"{t_plugin / t_back:.1f}x")
    print(f"peak resident     {peak / 1024:8.1f} MiB = {peak * 1024 / size:.2f}x the file")
    print(f"{args.notes // 10} notes     {t_tenth * 1e3:8.1f} ms  "
          f"{args.notes} vs {args.notes // 10} notes: {t_plugin / t_tenth:.1f}x the time")
    print(f"20 notes          {t_small * 1e3:8.2f} ms  /bin/true {t_true * 1e3:.2f} ms  "
          f"difference {(t_small - t_true) * 1e3:.2f} ms")
    print("targets:")
    print(f"  >= 150 MB/s                         {verdict(mb / t_plugin >= 150)}")
    print(f"  within 10x of cp                    {verdict(t_plugin <= 10 * t_cp)}")
    print(f"  peak <= 4x the file + 10 MB         {verdict(peak * 1024 <= 4 * size + 10e6)}")
    print(f"  10x the notes <= 12x the time       {verdict(t_plugin <= 12 * t_tenth)}")
    print(f"  20 notes <= /bin/true + 2 ms        {verdict(t_small - t_true <= 0.002)}")


if __name__ == "__main__":
    main()
