"""Runs the timings program natively and under Wine, alternately, and prints for each
figure the medians of both beside the target (milliseconds; p99 where the target is one).

    bash scripts/bench-wine.sh [rounds] [repeats]
"""

import os
import statistics
import subprocess
import sys

# Figure name prefix -> (target median ms, target p99 ms or None), for the Wine build.
TARGETS = {
    "StartExercise set 6": (40, None),
    "line change set 6": (1, None),
    "evaluation, 10 profiles": (3, None),
    "evaluation, 10000 profiles": (20, None),
    "review generation, 10 profiles": (10, None),
    "review generation, 10000 profiles": (40, None),
    "wrong key to pixels, 10000 profiles": (5, 16),
    "right key, 10000 profiles": (5, 16),
    "wrong key with its write, 10000 profiles": (30, None),
    "login check, 10000 profiles": (20, None),
}


def run(cmd):
    out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    figures = {}
    for line in out.splitlines():
        parts = line.rsplit(None, 2)
        if len(parts) == 3:
            figures[parts[0].strip()] = (float(parts[1]), float(parts[2]))
    return figures


def main():
    root, native, exe, data = sys.argv[1:5]
    rounds = int(sys.argv[5]) if len(sys.argv) > 5 else 3
    repeats = sys.argv[6] if len(sys.argv) > 6 else "15"
    runs = {"native": [], "wine": []}
    for _ in range(rounds):  # interleaved: the machine's load falls on both alike
        runs["native"].append(run([native, data, repeats]))
        runs["wine"].append(run(["wine", exe, "Z:" + os.path.abspath(data), repeats]))
    names = list(runs["wine"][0].keys())
    print("%-42s %10s %10s %10s %12s" % ("figure (ms)", "native", "wine", "wine p99", "target"))
    for name in names:
        def med(kind, i):
            vals = [r[name][i] for r in runs[kind] if name in r]
            return statistics.median(vals) if vals else float("nan")
        target = TARGETS.get(name)
        text = "" if not target else ("<= %g" % target[0]) + ("" if target[1] is None else " / %g" % target[1])
        print("%-42s %10.3f %10.3f %10.3f %12s" % (name, med("native", 0), med("wine", 0), med("wine", 1), text))


if __name__ == "__main__":
    main()
