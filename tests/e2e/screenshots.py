"""Saves a PNG screenshot of every window of a fresh start of Tastora, for looking at the
layouts: build/screenshots/<class>.png (TForm1.png is the login window, TForm2.png the
exercise window, ...). The login window is taken as the program shows it; the other
windows, which a fresh start keeps hidden, are shown one at a time as they were created.
Then the player as a learner meets it: test 3 passed (a one-line test stands in for the
course's), "Далее" opens the course's book movie of lesson 3 (player-book-3.png, on its last
frame) and a key its presentation (player-presentation-3.png). Last, the teacher's class
journal (tastora-teacher.exe) on a small class with one learner open (journal.png).

    python3 tests/e2e/screenshots.py [--locale LOCALE] [output folder]

Runs under Russian regional settings when the system has the ru_RU.UTF-8 locale (the
program's fonts then match a Russian Windows), or under the locale given (en_US.UTF-8: an
English Windows).
"""

import argparse
import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tastora_driver import FORM_CLASSES, ROOT, Session, Tastora  # noqa: E402

# The presentation window is maximised whenever the program shows it.
MAXIMIZED = {"TFLashplayer"}


def russian_locale():
    try:
        out = subprocess.run(["locale", "-a"], stdout=subprocess.PIPE, timeout=10).stdout.decode()
    except (OSError, subprocess.TimeoutExpired):
        return None
    for name in out.split():
        if name.lower().replace("-", "") in ("ru_ru.utf8",):
            return name
    return None


def player_shots(out_dir, env):
    """The player with the course's movies of lesson 3, after its test has been passed."""
    import unittest
    from test_player import pass_test_to_results
    from test_results import lesson_bytes

    short_test = {"data/text/T3.txt": lesson_bytes("Тест 3", "Начинаем тест.", 1, ["фыва олдж"])}
    saved = []
    with Tastora(start=False, files=short_test) as app:
        pass_test_to_results(unittest.TestCase(), app, 3)
        app.key("Return")  # "Далее"
        app.wait_window("TFLashplayer")
        time.sleep(7)  # the movie comes to rest on its last frame
        saved.append(app.screenshot(os.path.join(out_dir, "player-book-3.png")))
        app.key("space")
        time.sleep(7)
        saved.append(app.screenshot(os.path.join(out_dir, "player-presentation-3.png")))
        app.key("space")
        app.wait_msgbox()
    return saved


def journal_shots(out_dir, env):
    """The teacher's class journal on a small class, one learner open (journal.png)."""
    from test_journal import CLASS, NAMES, Journal

    with Journal(CLASS, NAMES) as app:
        app.extra_env.update(env)
        app.start()
        app.wait_journal()
        app.click_rect(app.list_view()["row_rects"][app.names().index("Анна")])
        app.wait_for("the detail", lambda: app.text("TastoraJournal", "LearnerText").startswith("Анна:"))
        time.sleep(0.5)
        return [app.screenshot(os.path.join(out_dir, "journal.png"), "Tastora — журнал класса")]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--locale", help="the locale of the run (default: ru_RU.UTF-8 when there is one)")
    parser.add_argument("folder", nargs="?", default=os.path.join(ROOT, "build", "screenshots"))
    args = parser.parse_args()
    out_dir = os.path.abspath(args.folder)
    os.makedirs(out_dir, exist_ok=True)
    env = {}
    loc = args.locale or russian_locale()
    if loc:
        env = {"LANG": loc, "LC_ALL": loc}
    saved = []
    try:
        with Tastora(env=env) as app:
            # Start-up errors (a data file missing or damaged) are answered and reported.
            while True:
                state = app.wait_for("the login window or a message box",
                                     lambda: app.msgboxes() or ("TForm1" in app.visible_forms() and ["login"]))
                if state == ["login"]:
                    break
                box = app.answer_msgbox()
                print("screenshots: start-up error box: %s" % box["text"])
            app.wait_idle()
            time.sleep(0.5)
            saved.append(app.screenshot(os.path.join(out_dir, "TForm1.png"), "TForm1"))
            for cls in FORM_CLASSES[1:]:
                shown = app.probe.call("show", cls, *(["maximized"] if cls in MAXIMIZED else []))
                if "error" in shown:
                    print("screenshots: %s: %s" % (cls, shown["error"]))
                    continue
                time.sleep(0.6)
                saved.append(app.screenshot(os.path.join(out_dir, cls + ".png"), cls))
                app.probe.call("hide", cls)
                time.sleep(0.2)
            boxes = app.msgboxes()
            if boxes:
                print("screenshots: a message box is open: %s" % boxes[0]["text"])
        saved += player_shots(out_dir, env)
        saved += journal_shots(out_dir, env)
    finally:
        Session.close_all()
    for path in saved:
        print(os.path.relpath(path, ROOT) if path.startswith(ROOT) else path)
    print("screenshots: %d windows saved in %s" % (len(saved), out_dir))
    return 0 if len(saved) == len(FORM_CLASSES) + 3 else 1


if __name__ == "__main__":
    sys.exit(main())
