#!/usr/bin/env python3
"""The SWF player's cost on hostile movies, natively (after a native build).

Writes the hostile movies of tests/support/swf_hostile.cpp (build/native/swf_samples
--hostile) and small ones of the same structure (--seeds, the fuzzer's seeds, which leave
the renderer more to do) and measures each with `tastora_swf measure` at 1280 x 1024 in a process of its
own: the CPU time of reading the file and drawing its first frame (a `put Movie`, limit
1 s), of the slowest of the next frames (limit 100 ms) and the peak memory (limit 256 MB).
With --course it measures the course movies too (their figures must not change). Prints one
line per movie and exits non-zero when a limit is exceeded.

    python3 scripts/bench-hostile.py [--frames N] [--course]
"""
import argparse
import glob
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NATIVE = os.path.join(ROOT, "build", "native")
LIMITS = {"load_ms": 1000.0, "frame_ms": 100.0, "peak_mb": 256.0}


def measure(path, frames):
    out = subprocess.run([os.path.join(NATIVE, "tastora_swf"), "measure", path, "--frames", str(frames),
                          "--size", "1280x1024"], stdout=subprocess.PIPE, check=True, timeout=600).stdout
    return {k: float(v) for k, v in (line.split() for line in out.decode().splitlines())}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--frames", type=int, default=24)
    parser.add_argument("--course", action="store_true")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="swf-hostile-") as tmp:
        subprocess.run([os.path.join(NATIVE, "swf_samples"), "--hostile", tmp], check=True)
        subprocess.run([os.path.join(NATIVE, "swf_samples"), "--seeds", tmp], check=True)
        movies = sorted(glob.glob(os.path.join(tmp, "*.swf")))
        if args.course:
            movies += sorted(glob.glob(os.path.join(NATIVE, "data", "**", "*.swf"), recursive=True))
        print("load average %.2f" % os.getloadavg()[0])
        print("%-36s %9s %9s %9s %9s" % ("movie", "KB", "load ms", "frame ms", "peak MB"))
        over = 0
        for path in movies:
            m = measure(path, args.frames)
            bad = [k for k, limit in LIMITS.items() if m[k] > limit]
            over += bool(bad)
            name = os.path.relpath(path, tmp if path.startswith(tmp) else NATIVE)
            print("%-36s %9.0f %9.1f %9.1f %9.1f%s" % (name, os.path.getsize(path) / 1024, m["load_ms"],
                                                       m["frame_ms"], m["peak_mb"],
                                                       "  OVER: " + ", ".join(bad) if bad else ""))
        print("limits: load %(load_ms).0f ms, frame %(frame_ms).0f ms, peak %(peak_mb).0f MB" % LIMITS)
        return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
