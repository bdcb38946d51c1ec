"""Start-up figures of the real tastora.exe under Wine, on a warm prefix:

  - the program's own start-up, from entering its body to the login window on the screen
    (measured inside the program: TASTORA_TIMING=<file> makes it append "startup_ms=<n>"),
    with the time of each step (its "stamp_ms=<n> <step>" lines);
  - the whole process start, from launching "wine tastora.exe" to a login window that
    accepts input (visible, and the program waiting for input);
  - the peak memory of the process at the login window.

    python3 tests/e2e/bench_startup.py [runs]
"""

import os
import statistics
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tastora_driver import Session, Tastora  # noqa: E402

LIMIT_STARTUP_MS = 150
LIMIT_TO_INPUT_MS = 2000
LIMIT_MEMORY_MB = 64


def linux_peak_rss_kb(pid):
    """VmHWM of the Wine process that runs tastora.exe (None when it cannot be told)."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            if b"tastora.exe" not in f.read().lower():
                return None
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def one_run(timing_file):
    windows_path = "Z:" + timing_file.replace("/", "\\")
    with Tastora(start=False, env={"TASTORA_TIMING": windows_path}) as app:
        start = time.monotonic()
        app.start()
        app.wait_for("the login window",
                     lambda: (app.form("TForm1") or {}).get("visible"), timeout=60, interval=0.01)
        idle = app.wait_idle(20000)
        to_input_ms = (time.monotonic() - start) * 1000
        if app.msgboxes():
            raise SystemExit("bench: a message box is open at start-up: %s" % app.msgboxes()[0]["text"])
        memory = app.memory()
        rss_kb = linux_peak_rss_kb(app.proc.pid)
        if not idle.get("idle"):
            print("bench: the program did not report waiting for input")
    with open(timing_file) as f:
        lines = [line.strip() for line in f]
    os.remove(timing_file)
    totals = [line for line in lines if line.startswith("startup_ms=")]
    startup_ms = float(totals[-1].split("=", 1)[1]) if totals else float("nan")
    return startup_ms, to_input_ms, memory, rss_kb, steps_of(lines)


def steps_of(lines):
    """[(step, ms)] from the "stamp_ms=<n> <what>" lines: each step's time since the one before."""
    steps, before = [], 0.0
    for line in lines:
        if line.startswith("stamp_ms="):
            value, _, what = line[len("stamp_ms="):].partition(" ")
            steps.append((what, float(value) - before))
            before = float(value)
    return steps


def print_steps(results):
    """The median time of each start-up step over the runs, the longest first."""
    by_step = {}
    for r in results:
        for what, ms in r[4]:
            by_step.setdefault(what, []).append(ms)
    if not by_step:
        return
    print("  where the start-up goes (median ms of each step, from the step before; \"create X\": the")
    print("  previous window's creation handler, \"X\": building window X):")
    for what, values in sorted(by_step.items(), key=lambda kv: -statistics.median(kv[1])):
        print("    %-24s %6.1f" % (what, statistics.median(values)))


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    timing_file = os.path.join("/tmp", "tastora-bench-%d.txt" % os.getpid())
    results = []
    try:
        one_run(timing_file)  # warms the prefix and the file cache
        for _ in range(runs):
            results.append(one_run(timing_file))
    finally:
        Session.close_all()
    startup = [r[0] for r in results]
    to_input = [r[1] for r in results]
    peak_ws = max(r[2].get("peakWorkingSet", 0) for r in results) / (1 << 20)
    peak_private = max(r[2].get("peakPagefileUsage", 0) for r in results) / (1 << 20)
    rss = [r[3] for r in results if r[3] is not None]

    def verdict(value, limit):
        return "ok" if value <= limit else "OVER"

    print("Tastora start-up under Wine, %d warm runs" % runs)
    # The verdicts go by the median: single runs vary with whatever else the machine does.
    print("  start-up inside the program:             median %4.0f ms (min %4.0f, max %4.0f)  limit %d ms: %s" %
          (statistics.median(startup), min(startup), max(startup), LIMIT_STARTUP_MS,
           verdict(statistics.median(startup), LIMIT_STARTUP_MS)))
    print("  process start to login accepting input:  median %4.0f ms (min %4.0f, max %4.0f)  limit %d ms: %s" %
          (statistics.median(to_input), min(to_input), max(to_input), LIMIT_TO_INPUT_MS,
           verdict(statistics.median(to_input), LIMIT_TO_INPUT_MS)))
    print("  peak memory at the login window:         working set %.1f MB, private %.1f MB  limit %d MB: %s" %
          (peak_ws, peak_private, LIMIT_MEMORY_MB, verdict(peak_ws, LIMIT_MEMORY_MB)))
    if rss:
        print("  peak resident size of the Wine process (Linux VmHWM): %.1f MB" % (max(rss) / 1024))
    print_steps(results)
    over = (statistics.median(startup) > LIMIT_STARTUP_MS or statistics.median(to_input) > LIMIT_TO_INPUT_MS
            or peak_ws > LIMIT_MEMORY_MB)
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
