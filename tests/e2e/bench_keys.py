"""What the learner sees: the time from a physical key press to the first changed pixel on the
screen, for the exercise window of tastora.exe and for a bare Win32 window, in one run.

    python3 tests/e2e/bench_keys.py KEYLAT_BIN [rounds] [keys]

KEYLAT_BIN holds the probe `keylat` (XTest key press, then the screen region polled with
MIT-SHM until it differs) and the baseline `keybase.exe` (a minimal Win32 program that
repaints an 18 x 30 square on every key). For each store (10, 300 and 10,000 profiles with
all 112 per-key counters, the learner's profile among them) the program is started, the
learner logs in through the login window and types a lesson with right and wrong keys in
turn; blocks of `keys` program keys and `keys` baseline keys alternate, their order swapped
every round. Both watch a region of the same size: the first row of the exercise's text
(one lesson line fills it) and the row of the baseline's square. Printed: medians, 90th percentiles and the ratios to the bare window,
with the load average. Checked: every key changed the screen, the program's change covered
the cell under the cursor, and the profile's counters rose by exactly the wrong keys, each
under the cell code that was expected (written while the program runs, without its end).
"""

import os
import random
import re
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tastora_driver import DriverError, Session, Tastora  # noqa: E402

# The stores measured; TASTORA_BENCH_STORES=10,300 measures fewer.
STORES = tuple(int(n) for n in os.environ.get("TASTORA_BENCH_STORES", "10,300,10000").split(","))
PROFILE = "Anna"
# The home row, keys 30 to 40, and their X key codes (evdev); 57 the space bar.
HOME_ROW = "фывапролджэ"
KEYCODE = {30: 38, 31: 39, 32: 40, 33: 41, 34: 42, 35: 43, 36: 44, 37: 45, 38: 46, 39: 47, 40: 48, 57: 65}
LINE_LETTERS = 30  # one lesson line fills columns 1 to 30 of the first row, its space column 31
LINES = 12
TEXT_LEFT, TEXT_TOP, TEXT_WIDTH = 16, 8, 737  # the text picture in the exercise window
CELL_WIDTH, CELL_HEIGHT = 18, 30
# The bare window's client area on the screen (below the exercise window), and its square.
BASE_RECT = (40, 920, 760, 80)
SQUARE_TOP = 40
COUNTER_KEYS = [str(n) for n in range(1, 57)] + ["%du" % n for n in range(1, 57)]


def lesson_lines():
    rng = random.Random(20261207)
    return ["".join(rng.choice(HOME_ROW) for _ in range(LINE_LETTERS)) for _ in range(LINES)]


def lesson_bytes(lines):
    text = "\r\n".join(["Урок 1", "Начинаем", "4", str(len(lines)), "TEXT"] + lines + ["ENDEX"])
    return b"\xff\xfe" + (text + "\r\n").encode("utf-16-le")


def store_files(profiles, separator):
    """users.ini with `profiles` profiles (the learner's in the middle), each with the 112
    counters, and lista.txt with the learner first."""
    level = "1%s1" % separator
    sections = []
    for p in range(profiles):
        name = PROFILE if p == profiles // 2 else "Ученик %05d" % p
        counters = "".join("%s=%d\r\n" % (k, (p * 37 + i * 11) % 1000) for i, k in enumerate(COUNTER_KEYS))
        sections.append("[%s]\r\nnivel=%s\r\npass=\r\n%s" % (name, level, counters))
    names = [PROFILE] + ["Ученик %05d" % p for p in range(profiles) if p != profiles // 2]
    return {"data/users.ini": "".join(sections).encode("cp1251"),
            "data/lista.txt": ("\r\n".join(names) + "\r\n").encode("cp1251")}


def counters_of(users_ini):
    text = users_ini.decode("cp1251")
    section = re.search(r"\[%s\]\r\n(.*?)(?:\r\n\[|\Z)" % re.escape(PROFILE), text, re.S)
    result = {}
    for line in section.group(1).split("\r\n"):
        m = re.match(r"^(\d+u?)=(-?\d+)$", line)
        if m:
            result[m.group(1)] = int(m.group(2))
    return result


def log_in(run):
    run.wait_window("TForm1", timeout=60)
    run.wait_idle(60000)  # a long list of names takes its time
    run.click("TForm1", "cbalegenume")
    run.key("Down")  # the first profile of the list
    run.wait_idle(60000)
    run.wait_for("the start button", lambda: run.control("TForm1", "Baccept")["enabled"], timeout=60)
    run.click("TForm1", "Baccept")
    box = run.wait_msgbox(timeout=60)
    if box["text"] != "Начинаем":
        raise SystemExit("bench: unexpected message at login: %s" % box["text"])
    run.answer_msgbox()
    run.wait_window("TForm2")
    run.wait_idle()


def percentile(values, q):
    v = sorted(values)
    return v[min(len(v) - 1, int(q * len(v)))]


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


class Probe:
    """One keylat process: a schedule in, one answer line per command out."""

    def __init__(self, keylat, env):
        self.proc = subprocess.Popen([keylat], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env,
                                     text=True, bufsize=1)

    def run(self, commands):
        answers = []
        for c in commands:
            self.proc.stdin.write(c + "\n")
            self.proc.stdin.flush()
            if c.startswith("sleep"):
                continue
            answers.append(self.proc.stdout.readline().strip())
        return answers

    def close(self):
        self.proc.stdin.close()
        self.proc.wait(timeout=30)


def measure_store(profiles, keylat, keybase, base_rect, rounds, keys, problems):
    session = Session.get()
    lines = lesson_lines()
    files = store_files(profiles, session.decimal_separator())
    files["data/text/L1.txt"] = lesson_bytes(lines)
    result = {"right": [], "wrong": [], "base": []}
    with Tastora(files=files, start=False) as run:
        run.start()
        log_in(run)
        before = counters_of(run.read_file("data/users.ini"))
        client = run.form("TForm2")["client"]
        region = (client[0] + TEXT_LEFT, client[1] + TEXT_TOP, TEXT_WIDTH, CELL_HEIGHT)
        if client[3] > base_rect[1]:
            problems.append("%d profiles: the exercise window reaches down to the bare window" % profiles)
        focus_program = "focus %d %d" % (client[0] + 2, client[1] + 2)
        bx, by, bw, bh = base_rect
        focus_base = "focus %d %d" % (bx + bw - 20, by + bh - 20)
        # The stream of cells: each line's letters, then its space in column 31.
        stream = []
        for line in lines:
            stream += [(HOME_ROW.index(ch) + 30, column) for column, ch in enumerate(line, 1)]
            stream.append((57, LINE_LETTERS + 1))
        expected_counts = {}
        probe = Probe(keylat, session.env)
        at = 0
        try:
            for r in range(rounds):
                blocks = ["program", "base"] if r % 2 == 0 else ["base", "program"]
                for block in blocks:
                    if block == "base":
                        schedule = [focus_base] + ["key B #%d %d %d %d %d" % (KEYCODE[30 + i % 11], bx,
                                                                               by + SQUARE_TOP, TEXT_WIDTH, CELL_HEIGHT)
                                                   for i in range(keys)]
                        answers = probe.run(schedule)
                        if not answers[0].startswith("focus ok"):
                            problems.append("%d profiles: the bare window did not take the focus" % profiles)
                        for a in answers[1:]:
                            ms = float(a.split()[3])
                            if ms < 0:
                                problems.append("%d profiles: a key of the bare window changed nothing" % profiles)
                            else:
                                result["base"].append(ms)
                        continue
                    schedule = [focus_program]
                    kinds = []
                    for i in range(keys):
                        key, column = stream[at + i]
                        wrong = (at + i) % 2 == 1
                        pressed = (30 if key != 30 else 31) if wrong else key
                        if wrong:
                            code = str(key)
                            expected_counts[code] = expected_counts.get(code, 0) + 1
                        kinds.append(("wrong" if wrong else "right", column))
                        schedule.append("key %s #%d %d %d %d %d" % ("W" if wrong else "R", KEYCODE[pressed],
                                                                     *region))
                    at += keys
                    answers = probe.run(schedule)
                    if not answers[0].startswith("focus ok"):
                        problems.append("%d profiles: the exercise window did not take the focus" % profiles)
                    for (kind, column), a in zip(kinds, answers[1:]):
                        fields = a.split()
                        ms = float(fields[3])
                        x0, y0, x1, y1 = map(int, fields[4:8])
                        cell_left = (column - 1) * CELL_WIDTH
                        if ms < 0:
                            problems.append("%d profiles: a %s key changed nothing on the screen" % (profiles, kind))
                            continue
                        # The line's last key lays out the next line: the change starts elsewhere.
                        if column <= LINE_LETTERS and not (x0 <= cell_left + CELL_WIDTH - 1 and x1 >= cell_left):
                            problems.append("%d profiles: a %s key in column %d changed (%d,%d)-(%d,%d), not its cell"
                                            % (profiles, kind, column, x0, y0, x1, y1))
                        result[kind].append(ms)
        finally:
            probe.close()
        # The counts are written a moment after each wrong key, while the program runs.
        time.sleep(1.0)
        after = counters_of(run.read_file("data/users.ini"))
        rose = {k: after.get(k, 0) - before.get(k, 0) for k in set(after) | set(before)}
        rose = {k: v for k, v in rose.items() if v}
        if rose != expected_counts:
            problems.append("%d profiles: the counters rose by %s, the wrong keys were %s" %
                            (profiles, sorted(rose.items()), sorted(expected_counts.items())))
        if run.msgboxes():
            problems.append("%d profiles: a message box is open: %s" % (profiles, run.msgboxes()[0]["text"]))
    return result


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    bin_dir = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    keys = int(sys.argv[3]) if len(sys.argv) > 3 else 40
    keylat = os.path.join(bin_dir, "keylat")
    keybase = os.path.join(bin_dir, "keybase.exe")
    session = Session.get()
    # The bare window is handled as the program's windows are: not by a window manager.
    for value in ("Managed", "Decorated"):
        session.wine("reg", "add", r"HKCU\Software\Wine\AppDefaults\keybase.exe\X11 Driver", "/v", value,
                     "/t", "REG_SZ", "/d", "N", "/f")
    base_rect = BASE_RECT
    base = subprocess.Popen(["wine", keybase] + [str(v) for v in base_rect], env=session.env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    problems = []
    results = {}
    load_before = load()
    try:
        time.sleep(2)
        for profiles in STORES:
            try:
                results[profiles] = measure_store(profiles, keylat, keybase, base_rect, rounds, keys, problems)
            except DriverError as e:
                problems.append("%d profiles: %s" % (profiles, e))
    finally:
        base.kill()
        base.wait()
        Session.close_all()
    print("Key press to the first changed pixel (keylat, XTest and MIT-SHM), %d rounds of %d + %d keys; "
          "load average %s before, %s after" % (rounds, keys, keys, load_before, load()))
    print("%-16s %15s %15s %15s %12s %12s" % ("store", "right key", "wrong key", "bare window", "right/bare",
                                              "wrong/bare"))
    print("%-16s %15s %15s %15s %12s %12s" % ("", "median   p90", "median   p90", "median   p90", "median p90",
                                              "median p90"))
    for profiles in STORES:
        r = results.get(profiles, {})
        if not (r.get("right") and r.get("wrong") and r.get("base")):
            print("%-16s no measurements" % ("%d profiles" % profiles))
            continue
        med = {k: statistics.median(v) for k, v in r.items()}
        p90 = {k: percentile(v, 0.9) for k, v in r.items()}
        print("%-16s %6.2f %6.2f ms %6.2f %6.2f ms %6.2f %6.2f ms %5.2fx %4.2fx %5.2fx %4.2fx" % (
            "%d profiles" % profiles, med["right"], p90["right"], med["wrong"], p90["wrong"], med["base"],
            p90["base"], med["right"] / med["base"], p90["right"] / p90["base"], med["wrong"] / med["base"],
            p90["wrong"] / p90["base"]))
    worst = max((max(v) for r in results.values() for v in r.values() if v), default=float("nan"))
    print("slowest key of all: %.2f ms (one 60 Hz frame: 16.7 ms)" % worst)
    for p in problems:
        print("PROBLEM: " + p)
    print("checks: %s" % ("every key changed its cell, the counters rose by exactly the wrong keys"
                          if not problems else "%d problems" % len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
