"""Figures of the presentation player under Wine (the program measures them itself:
TASTORA_TIMING=<file> makes it append "shown_ms=<n> <window>" when a key press shows a
window, and "message_ms=<n> box" when it opens a message box, counted from the key event):

  - "Далее" (Return in the results window after test 3.2) to the full-screen player with
    the first frame of the book movie on the screen;
  - a key press in the player (after the presentation) to the next exercise's window shown
    with its lesson loaded (its start message opening);
  - the time that the provisioning adds to a first start: the program's start-up on a
    machine without the control (a copy of the tests' prefix, Wine's own regsvr32) against
    the next start there.

    python3 tests/e2e/bench_player.py [runs]
"""

import os
import statistics
import sys
import time
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tastora_driver import Session, Tastora  # noqa: E402
from test_player import FreshMachine, course_files, pass_test_to_results  # noqa: E402

LIMIT_NEXT_TO_BOOK_MS = 150
LIMIT_KEY_TO_EXERCISE_MS = 100
LIMIT_PROVISIONING_MS = 2000


class Case(unittest.TestCase):
    def runTest(self):
        pass


def timings(path):
    """[(what, window, ms)] from a timing file, which is then removed."""
    out = []
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                head, _, window = line.strip().partition(" ")
                what, _, value = head.partition("_ms=")
                try:
                    out.append((what, window, float(value)))
                except ValueError:
                    pass
        os.remove(path)
    return out


def first(entries, what, window=None):
    return next((ms for w, win, ms in entries if w == what and (window is None or win == window)), float("nan"))


def player_run(timing_file):
    windows_path = "Z:" + timing_file.replace("/", "\\")
    with Tastora(start=False, files=course_files(3), env={"TASTORA_TIMING": windows_path}) as app:
        pass_test_to_results(Case(), app, 3)
        timings(timing_file)
        app.key("Return")
        app.wait_window("TFLashplayer")
        app.wait_idle()
        to_book = first(timings(timing_file), "shown", "TFLashplayer")
        app.key("space")
        app.wait_idle()
        timings(timing_file)
        app.key("space")
        app.wait_msgbox()
        entries = timings(timing_file)
    return to_book, first(entries, "message"), first(entries, "shown", "TForm2")


def startup_ms(machine, timing_file):
    windows_path = "Z:" + timing_file.replace("/", "\\")
    with Tastora(session=machine.session, env={"TASTORA_TIMING": windows_path}) as app:
        app.wait_window("TForm1", timeout=60)
        app.wait_idle()
        if app.msgboxes():
            raise SystemExit("bench: a message box is open at start-up: %s" % app.msgboxes()[0]["text"])
        time.sleep(0.3)
    lines = [line for line in open(timing_file) if line.startswith("startup_ms=")]
    os.remove(timing_file)
    return float(lines[-1].split("=", 1)[1])


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    timing_file = os.path.join("/tmp", "tastora-bench-player-%d.txt" % os.getpid())
    player, provisioning = [], []
    try:
        player_run(timing_file)  # warms the prefix (and registers the control there)
        for _ in range(runs):
            player.append(player_run(timing_file))
        for _ in range(runs):
            with FreshMachine(standin=False) as machine:
                first_start = startup_ms(machine, timing_file)
                next_start = startup_ms(machine, timing_file)
                provisioning.append((first_start, next_start))
    finally:
        Session.close_all()

    def line(label, values, limit):
        m = statistics.median(values)
        print("  %-46s median %6.1f ms (min %6.1f, max %6.1f)  limit %d ms: %s" %
              (label, m, min(values), max(values), limit, "ok" if m <= limit else "OVER"))
        return m > limit

    print("Tastora's presentation player under Wine, %d runs" % runs)
    over = line('"Далее" to the book movie on the screen:', [p[0] for p in player], LIMIT_NEXT_TO_BOOK_MS)
    over |= line("key in the player to the exercise, lesson loaded:", [p[1] for p in player],
                 LIMIT_KEY_TO_EXERCISE_MS)
    print("  (the exercise window itself on the screen: median %.1f ms)" % statistics.median([p[2] for p in player]))
    over |= line("provisioning added to a first start:", [a - b for a, b in provisioning], LIMIT_PROVISIONING_MS)
    print("  (first start %s ms, the next %s ms)" % ([round(a) for a, _ in provisioning],
                                                   [round(b) for _, b in provisioning]))
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
