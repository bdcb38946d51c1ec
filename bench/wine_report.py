"""The speed figures of the build that learners run (the 32-bit program under Wine) beside
the native build's, and the targets, in one run: bash scripts/bench-wine.sh [rounds] [repeats]

Three parts, each run alternately native / Wine (or Tastora / baseline) so that whatever
else loads the machine falls on both alike; every figure is the median over the rounds:
  1. bench/timings: the learner's operations (lesson sets 1 and 6; profile stores of 10,
     1,000 and 10,000 learners), median and 99th percentile of each run;
  2. the Google Benchmark programs (bench/*_bench.cpp) of both builds;
  3. start-up: launching tastora.exe to its login window on the screen, against the same
     for bench/baseline (a plain Win32 program with the same imports and as many windows)
     and for the same program hosting the Flash control too (baseline_control).
Then the issue's list of figures, each with its target and whether it is met.

    python3 bench/wine_report.py ROOT [rounds] [repeats]

TASTORA_BENCH_PARTS=startup runs part 3 alone (TASTORA_STARTUP_RUNS runs of each program,
default 10), against both baselines: bench/baseline and bench/baseline_control (the same
program hosting the Flash control SWFLASH.OCX through ATL's container).

TASTORA_BENCH_FILTER=-Movie (Google Benchmark's --benchmark_filter) leaves out the course
movies, which take most of a run's time (some 25 minutes with three rounds on a loaded machine).
"""

import json
import math
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
REPEATS = sys.argv[3] if len(sys.argv) > 3 else "15"
NATIVE = os.path.join(ROOT, "build", "native")
MINGW = os.path.join(ROOT, "build", "mingw")
DATA = os.path.join(NATIVE, "data")
# Google Benchmark's least time per benchmark (seconds): short, the rounds give the median.
MIN_TIME = os.environ.get("TASTORA_BENCH_MIN_TIME", "0.1")
# Which Google benchmarks run (a --benchmark_filter pattern; the movies take most of the time).
FILTER = os.environ.get("TASTORA_BENCH_FILTER", ".")

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def median(values):
    values = [v for v in values if v is not None and not math.isnan(v)]
    return statistics.median(values) if values else float("nan")


def p90(values):
    values = sorted(v for v in values if v is not None and not math.isnan(v))
    return values[min(len(values) - 1, int(0.9 * len(values)))] if values else float("nan")


def load():
    return "%.2f %.2f %.2f" % os.getloadavg()


# --------------------------------------------------------------------------------------
# 1. The learner's operations (bench/timings): {figure: (median ms, p99 ms)} per run.

def run_timings(cmd):
    out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    figures = {}
    for line in out.splitlines():
        parts = line.rsplit(None, 2)
        if len(parts) == 3:
            try:
                figures[parts[0].strip()] = (float(parts[1]), float(parts[2]))
            except ValueError:
                pass
    return figures


def timings():
    runs = {"native": [], "wine": []}
    for _ in range(ROUNDS):
        runs["native"].append(run_timings([os.path.join(NATIVE, "bench", "timings"), DATA, REPEATS]))
        runs["wine"].append(run_timings(["wine", os.path.join(MINGW, "timings.exe"), wine_path(DATA), REPEATS]))
    result = {}
    for name in runs["wine"][0]:
        def med(kind, i):
            return median([r[name][i] for r in runs[kind] if name in r])
        result[name] = {"native": med("native", 0), "wine": med("wine", 0), "wine p99": med("wine", 1)}
    return result


# --------------------------------------------------------------------------------------
# 2. The Google Benchmark programs: {program: {benchmark: {"native"/"wine": us}}}.

UNIT_US = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


def run_benchmark(cmd, data):
    # The benchmarks that read the course find it through TASTORA_DATA_DIR.
    r = subprocess.run(cmd + ["--benchmark_format=json", "--benchmark_min_time=" + MIN_TIME,
                              "--benchmark_filter=" + FILTER],
                       capture_output=True, text=True, env=dict(os.environ, TASTORA_DATA_DIR=data))
    try:
        report = json.loads(r.stdout[r.stdout.index("{"):])
    except ValueError:
        print("bench: %s gave no report (exit %d): %s" % (os.path.basename(cmd[-1]), r.returncode,
                                                           r.stderr.strip()[-300:]), file=sys.stderr)
        return {}
    # CPU time: what the code costs on one core, not how long it waited for one on a busy machine.
    return {b["name"]: b["cpu_time"] * UNIT_US[b.get("time_unit", "ns")]
            for b in report.get("benchmarks", []) if b.get("run_type", "iteration") == "iteration"}


def benchmarks():
    names = sorted(f[:-4] for f in os.listdir(os.path.join(ROOT, "bench")) if f.endswith("_bench.cpp"))
    result = {}
    for name in names:
        native = os.path.join(NATIVE, "bench", name)
        exe = os.path.join(MINGW, "bench", name + ".exe")
        runs = {"native": [], "wine": []}
        for _ in range(ROUNDS):
            if os.path.exists(native):
                runs["native"].append(run_benchmark([native], DATA))
            if os.path.exists(exe):
                runs["wine"].append(run_benchmark(["wine", exe], wine_path(DATA)))
        figures = {}
        for kind, reports in runs.items():
            for report in reports:
                for bench, us in report.items():
                    figures.setdefault(bench, {"native": [], "wine": []})[kind].append(us)
        result[name] = {b: {k: median(v) for k, v in kinds.items()} for b, kinds in figures.items()}
    return result


# --------------------------------------------------------------------------------------
# 3. Start-up: process start to the first window on the screen, seen the same way (the
# end-to-end tests' probe, polled) for tastora.exe and for the baseline.

def wait_visible(probe, proc, cls, start, timeout=60):
    while True:
        if any(w["class"] == cls and w["visible"] for w in probe.call("windows")):
            return (time.monotonic() - start) * 1000
        if proc.poll() is not None:
            raise RuntimeError("the program ended before its window was shown")
        if time.monotonic() - start > timeout:
            raise RuntimeError("no window %s within %d s" % (cls, timeout))
        time.sleep(0.005)


def tastora_start(Tastora):
    with Tastora(start=False) as app:
        app.start()
        return wait_visible(app.probe, app.proc, "TForm1", app.start_time)


def baseline_start(session, name="baseline"):
    exe = os.path.join(MINGW, "bench", name + ".exe")
    session.probe.call("target", wine_path(os.path.realpath(exe)))
    start = time.monotonic()
    # It stays a second after it is shown (seen by the probe), then ends by itself.
    proc = subprocess.Popen(["wine", exe, "1000"], env=session.env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        return wait_visible(session.probe, proc, "TastoraBaselineForm", start)
    finally:
        if proc.wait(timeout=60) != 0:
            raise RuntimeError("%s.exe ended with %d (2: the control was not created)" % (name, proc.returncode))


def startup():
    """The start-up runs of tastora.exe, the baseline and the baseline that hosts the control,
    in turn, each round in a rotated order; with the load average at the start and the end."""
    os.environ.setdefault("TASTORA_RUNDIR", os.path.join(ROOT, "build", "tastora"))
    os.environ.setdefault("TASTORA_MINGW_BUILD", MINGW)
    from tastora_driver import Session, Tastora
    starts = {"tastora": lambda s: tastora_start(Tastora), "baseline": lambda s: baseline_start(s),
              "baseline_control": lambda s: baseline_start(s, "baseline_control")}
    runs = {name: [] for name in starts}
    runs["load"] = [load()]
    try:
        session = Session.get()
        for run in starts.values():  # warms the prefix and the file cache
            run(session)
        names = list(starts)
        for i in range(int(os.environ.get("TASTORA_STARTUP_RUNS", max(10, 3 * ROUNDS)))):
            for name in names[i % 3:] + names[:i % 3]:
                runs[name].append(starts[name](session))
    finally:
        Session.close_all()
    runs["load"].append(load())
    return runs


def print_startup(s):
    tastora, baseline, control = median(s["tastora"]), median(s["baseline"]), median(s["baseline_control"])
    print("\n== Start-up under Wine: launch to the first window shown, %d runs each, in turn; load average %s"
          % (len(s["tastora"]), " then ".join(s.get("load", []))))
    for name, runs in (("tastora.exe to its login window", s["tastora"]), ("baseline.exe to its window", s["baseline"]),
                       ("baseline_control.exe (hosts SWFLASH)", s["baseline_control"])):
        print("%-38s median %5.0f ms, p90 %5.0f (%.0f to %.0f)" % (name, median(runs), p90(runs), min(runs), max(runs)))
    print("ratio to baseline.exe: of the medians %.2f, of the fastest runs %.2f"
          % (tastora / baseline, min(s["tastora"]) / min(s["baseline"])))
    print("ratio to baseline_control.exe: of the medians %.2f, of the fastest runs %.2f"
          % (tastora / control, min(s["tastora"]) / min(s["baseline_control"])))
    return tastora, baseline


# --------------------------------------------------------------------------------------

def fmt_us(us):
    if us is None or math.isnan(us):
        return "-"
    if us >= 1000:
        return "%.2f ms" % (us / 1000)
    return "%.1f us" % us


def main():
    if os.environ.get("TASTORA_BENCH_PARTS") == "startup":  # scripts/bench-wine.sh --startup
        print_startup(startup())
        return 0
    print("bash scripts/bench-wine.sh: %d rounds, native and Wine alternately; load average %s" % (ROUNDS, load()))
    t = timings()
    print("\n== The learner's operations (bench/timings, %s repeats a run; medians over the rounds)" % REPEATS)
    print("%-46s %10s %10s %10s" % ("figure (ms)", "native", "wine", "wine p99"))
    for name, v in t.items():
        print("%-46s %10.3f %10.3f %10.3f" % (name, v["native"], v["wine"], v["wine p99"]))

    b = benchmarks()
    print("\n== Google Benchmark programs (bench/*_bench.cpp; real time, medians over the rounds)")
    print("%-56s %12s %12s %7s" % ("benchmark", "native", "wine", "ratio"))
    for program, figures in b.items():
        for name, v in figures.items():
            ratio = v["wine"] / v["native"] if v["native"] and not math.isnan(v["native"]) else float("nan")
            print("%-56s %12s %12s %7s" % (program + ": " + name, fmt_us(v["native"]), fmt_us(v["wine"]),
                                         "-" if math.isnan(ratio) else "%.1fx" % ratio))

    try:
        s = startup()
    except Exception as e:  # the other figures are still worth printing
        print("bench: start-up not measured: %s" % e, file=sys.stderr)
        s = {"tastora": [float("nan")], "baseline": [float("nan")], "baseline_control": [float("nan")]}
    tastora, baseline = print_startup(s)

    def fig(name, key="wine"):
        return t.get(name, {}).get(key, float("nan"))

    keystroke = b.get("keystroke_bench", {})
    def key_us(kind):
        parts = [keystroke.get(n, {}).get(kind, float("nan")) for n in ("BM_PressRight", "BM_Release")]
        return sum(parts)
    rows = [
        # (figure, native, wine, target, the value checked against it)
        ("StartExercise set 6 (ms)", fig("StartExercise set 6", "native"), fig("StartExercise set 6"), 40, None),
        ("StartExercise set 1 (ms)", fig("StartExercise set 1", "native"), fig("StartExercise set 1"), None, None),
        ("line change set 6 (ms)", fig("line change set 6", "native"), fig("line change set 6"), 1, None),
        ("evaluation, 10 profiles (ms)", fig("evaluation, 10 profiles", "native"), fig("evaluation, 10 profiles"), 3, None),
        ("evaluation, 10,000 profiles (ms)", fig("evaluation, 10000 profiles", "native"), fig("evaluation, 10000 profiles"), 20, None),
        ("review generation, 10 profiles (ms)", fig("review generation, 10 profiles", "native"),
         fig("review generation, 10 profiles"), 10, None),
        ("review generation, 10,000 profiles (ms)", fig("review generation, 10000 profiles", "native"),
         fig("review generation, 10000 profiles"), 40, None),
        ("right key in the handler, 10,000, med. (ms)", fig("right key, 10000 profiles", "native"),
         fig("right key, 10000 profiles"), 5, None),
        ("right key in the handler, 10,000, p99 (ms)", None, fig("right key, 10000 profiles", "wine p99"), 16, None),
        ("wrong key in the handler, 10,000, med. (ms)", fig("wrong key, 10000 profiles", "native"),
         fig("wrong key, 10000 profiles"), 5, None),
        ("wrong key in the handler, 10,000, p99 (ms)", None, fig("wrong key, 10000 profiles", "wine p99"), 16, None),
        ("counter write after the paint, 10,000 (ms)", fig("wrong key's counter write, 10000 profiles", "native"),
         fig("wrong key's counter write, 10000 profiles"), 30, None),
        ("login to the exercise, 10,000 (ms)", fig("login to the exercise, 10000 profiles", "native"),
         fig("login to the exercise, 10000 profiles"), 20, None),
        ("start-up / baseline (ratio)", None, tastora / baseline if baseline else float("nan"), 1.2, None),
        ("keystroke in the core, press+release (us)", key_us("native"), key_us("wine"), 20, key_us("native")),
    ]
    print("\n== The figures and their targets (Wine unless the row says native; load average now %s)" % load())
    print("%-44s %10s %10s %8s  %s" % ("figure", "native", "wine", "target", "met"))
    met_count = 0
    for name, native, wine, target, checked in rows:
        value = wine if checked is None else checked
        verdict = "-" if target is None or math.isnan(value) else ("yes" if value <= target else "NO")
        met_count += verdict == "yes"
        print("%-44s %10s %10s %8s  %s%s" % (
            name, "-" if native is None or math.isnan(native) else "%.3f" % native,
            "-" if wine is None or math.isnan(wine) else "%.3f" % wine,
            "-" if target is None else "<= %g" % target, verdict,
            " (native)" if checked is not None else ""))
    print("%d of %d targets met" % (met_count, sum(1 for r in rows if r[3] is not None)))


if __name__ == "__main__":
    main()
