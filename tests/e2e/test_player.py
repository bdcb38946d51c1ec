"""The presentation player and the Flash control's provisioning under Wine.

Provisioning runs in copies of the tests' Wine prefix made into a machine without the
control: the first start writes SWFLASH.OCX (equal to the control built into the program)
into C:\\windows\\system32 and registers it through one hidden regsvr32; the next start
touches nothing; a refused registration gives one message. The program's own copies, used with
no registration at all: the file beside the program (as installed), and, where the system
directory cannot be written (a folder named SWFLASH.OCX in its place, as for a standard user),
the copy in the user's application data folder. There, regsvr32.exe is a stand-in
(tests/e2e/regsvr/regsvr32.c, built here with mingw) that notes how it was started and then
registers as regsvr32 /s does, or refuses. The course flow through the full-screen player
runs in the tests' own prefix, where the first start of the program registered the control
with Wine's own regsvr32.
"""

import glob
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from swf_movies import moving_square_movie
from tastora_driver import MINGW_BUILD, ROOT, Probe, Session, Tastora
import test_results  # its test case is not imported by name: it would run here again
from test_results import HOME_ROW, decimal_separator, lesson_bytes, profile_files, screen_pixel

CLSID = "{D27CDB6E-AE6D-11CF-96B8-444553540000}"
NOT_FOUND = "Unable to find Macromedia Shockwave Flash."
BOOK = (0x20, 0x60, 0xC0)          # background of the test book movies
PRESENTATION = (0xC0, 0x40, 0x20)  # background of the test presentations
SHOTS = os.path.join(ROOT, "build", "e2e-shots")


def movie(rgb):
    """A test movie: a small square moving over a background of this colour."""
    return moving_square_movie(background=(rgb[0] << 16) | (rgb[1] << 8) | rgb[2])


def near(a, b, tolerance=12):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def control_file():
    """The control that the build put into the program's resource FLASH."""
    with open(os.path.join(MINGW_BUILD, "SWFLASH.OCX"), "rb") as f:
        return f.read()


def without_flash(prefix):
    """Turns a copied prefix into a machine that has never seen the control."""
    for name in ("system.reg", "user.reg"):
        path = os.path.join(prefix, name)
        with open(path, encoding="utf-8", errors="surrogateescape") as f:
            blocks = re.split(r"\n(?=\[)", f.read())
        kept = [b for b in blocks
                if CLSID.lower() not in b.split("\n", 1)[0].lower()
                and "shockwaveflash" not in b.split("\n", 1)[0].lower()]
        with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
            f.write("\n".join(kept))
    ocx = os.path.join(prefix, "drive_c", "windows", "system32", "SWFLASH.OCX")
    if os.path.exists(ocx):
        os.remove(ocx)


def with_regsvr_standin(prefix):
    """Puts the noting stand-in in the place of the prefix's regsvr32.exe."""
    exe = os.path.join(prefix, "drive_c", "windows", "system32", "regsvr32.exe")
    source = os.path.join(ROOT, "tests", "e2e", "regsvr", "regsvr32.c")
    os.remove(exe)
    subprocess.run(["i686-w64-mingw32-gcc", "-O2", "-municode", "-mwindows", "-o", exe, source, "-lole32"],
                   check=True, timeout=120)


def settle(app, seconds=0.7):
    app.wait_idle()
    time.sleep(seconds)


class FreshMachine:
    """A copy of the tests' prefix without the control, with the regsvr32 stand-in unless
    standin is false: `with FreshMachine() as m: Tastora(session=m.session, env=m.env)`.
    prepare(prefix) changes the copy further before Wine starts in it."""

    def __init__(self, standin=True, prepare=None):
        self.standin = standin
        self.prepare = prepare

    def __enter__(self):
        # Beside the tests' prefix: the copy links its files.
        shared = Session.get().env["WINEPREFIX"]
        self.tmp = tempfile.mkdtemp(prefix="prefix-copy-", dir=os.path.dirname(os.path.abspath(shared)))
        def prepare(prefix):
            without_flash(prefix)
            if self.standin:
                with_regsvr_standin(prefix)
            if self.prepare:
                self.prepare(prefix)
        self.session = Session.copy_of_prefix(self.tmp, prepare=prepare)
        self.prefix = self.session.env["WINEPREFIX"]
        self.env = {}
        if self.standin:
            self.env["WINEDLLOVERRIDES"] = self.session.env["WINEDLLOVERRIDES"] + ";regsvr32.exe=n"
        return self

    def system_file(self, name):
        path = os.path.join(self.prefix, "drive_c", "windows", "system32", name)
        return open(path, "rb").read() if os.path.exists(path) else None

    def regsvr_runs(self):
        path = os.path.join(self.prefix, "drive_c", "regsvr32.log")
        return open(path, encoding="utf-8").read().splitlines() if os.path.exists(path) else []

    def registry_keys(self):
        """The keys of the copy's registry files (complete once its Wine has ended)."""
        self.session.probe.close()
        self.session.probe = None
        subprocess.run(["wineserver", "-w"], env=self.session.env, timeout=60)
        keys = set()
        for name in ("system.reg", "user.reg"):
            with open(os.path.join(self.prefix, name), encoding="utf-8", errors="surrogateescape") as f:
                keys |= {name + ":" + m.lower() for m in re.findall(r"^\[(.*?)\]", f.read(), re.M)}
        return keys

    def __exit__(self, *exc):
        self.session.close()
        shutil.rmtree(self.tmp, ignore_errors=True)
        return False


class ProvisioningTest(unittest.TestCase):
    def start_to_login(self, machine, env=None):
        """One start up to the login window with no message on the way; then ended."""
        with Tastora(session=machine.session, env=dict(machine.env, **(env or {}))) as app:
            app.wait_window("TForm1", timeout=60)
            settle(app)
            self.assertEqual(app.msgboxes(), [])
            self.assertIn("TFLashplayer", app.forms())
            self.assertEqual(app.visible_forms(), ["TForm1"])

    def test_first_start_installs_the_control_the_next_touches_nothing(self):
        with FreshMachine() as machine:
            self.assertIsNone(machine.system_file("SWFLASH.OCX"))
            self.start_to_login(machine)
            self.assertEqual(machine.system_file("SWFLASH.OCX"), control_file())
            runs = machine.regsvr_runs()
            self.assertEqual(len(runs), 1, runs)
            m = re.match(r"^C:\\windows\\system32\\regsvr32\.exe /s (\S+)\|usestartup=1\|show=0$", runs[0], re.I)
            self.assertTrue(m, runs[0])
            self.assertTrue(m.group(1).upper().endswith("\\SWFLASH.OCX"), m.group(1))

            # Registered now: the next start writes nothing and starts nothing.
            ocx = os.path.join(machine.prefix, "drive_c", "windows", "system32", "SWFLASH.OCX")
            written = os.stat(ocx).st_mtime_ns
            self.start_to_login(machine)
            self.assertEqual(os.stat(ocx).st_mtime_ns, written)
            self.assertEqual(len(machine.regsvr_runs()), 1)

            # A file in its place that is no library: installed and registered again, silently.
            with open(ocx, "wb") as f:
                f.write(b"this is not a library")
            self.start_to_login(machine)
            self.assertEqual(machine.system_file("SWFLASH.OCX"), control_file())
            self.assertEqual(len(machine.regsvr_runs()), 2)

    def test_refused_registration_gives_one_message_then_the_login_window(self):
        with FreshMachine() as machine:
            env = dict(machine.env, TASTORA_REGSVR_REFUSE="1")
            with Tastora(session=machine.session, env=env) as app:
                box = app.wait_msgbox(timeout=60)
                self.assertEqual(box["caption"], "Tastora")
                self.assertEqual(box["text"], NOT_FOUND)
                self.assertEqual(box["owner"], "TForm1")
                app.answer_msgbox()
                first = app.wait_for("the login window or another box",
                                     lambda: app.msgboxes() or app.visible_forms())
                self.assertEqual(first, ["TForm1"])
                settle(app)
                self.assertEqual(app.msgboxes(), [])
                self.assertNotIn("TFLashplayer", app.forms())
            self.assertEqual(machine.system_file("SWFLASH.OCX"), control_file())
            self.assertEqual(len(machine.regsvr_runs()), 1)


def local_appdata(prefix):
    """The prefix user's %LOCALAPPDATA% folder."""
    found = [p for p in glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local"))
             if os.sep + "Public" + os.sep not in p]
    assert len(found) == 1, found
    return found[0]


def locked(path):
    """A folder in the place of a file: creating the file fails with access denied."""
    os.makedirs(path, exist_ok=True)


def registered_to_a_missing_file(prefix):
    """A registration of the class elsewhere, whose file is not there."""
    with open(os.path.join(prefix, "system.reg"), "a", encoding="utf-8") as f:
        f.write('\n[Software\\\\Classes\\\\CLSID\\\\%s\\\\InprocServer32] 1700000000\n'
                '@="C:\\\\nowhere\\\\SWFLASH.OCX"\n"ThreadingModel"="Apartment"\n' % CLSID)


class OwnCopiesTest(unittest.TestCase):
    """The control registered nowhere: the copy beside the program, the user's copy, and one
    message when neither can be had; the movie after test 3 plays, or the course goes on."""

    def test_movies_without_registration(self):
        system_locked = lambda p: locked(os.path.join(p, "drive_c", "windows", "system32", "SWFLASH.OCX"))
        user_locked = lambda p: (system_locked(p), locked(os.path.join(local_appdata(p), "Tastora", "SWFLASH.OCX")))
        cases = (
            # name, prepare, file beside the program, the user's copy made, movie plays
            ("beside the program", None, True, False, True),
            ("beside, registered elsewhere", registered_to_a_missing_file, True, False, True),
            ("system directory locked", system_locked, False, True, True),
            ("user's folder locked too", user_locked, False, False, False),
        )
        for name, prepare, beside, user_copy, plays in cases:
            with self.subTest(name), FreshMachine(prepare=prepare) as machine:
                system32 = os.path.join(machine.prefix, "drive_c", "windows", "system32")
                files_before = sorted(os.listdir(system32))
                keys_before = machine.registry_keys()
                machine.session.probe = Probe(machine.session)
                with Tastora(session=machine.session, env=machine.env, start=False, files=course_files(3)) as app:
                    if beside:
                        app.write_file("SWFLASH.OCX", control_file())
                    for rel, content in profile_files(decimal_separator(app), "3.2").items():
                        app.write_file(rel, content)
                    app.start()
                    if not plays:
                        box = app.wait_msgbox(timeout=60)
                        self.assertTrue(box["text"].startswith("Не удалось установить проигрыватель презентаций"),
                                        box["text"])
                        self.assertTrue(box["text"].endswith("Программа будет работать без презентаций."))
                        app.answer_msgbox()
                    test_results.ResultsTest.log_in(self, app)  # no (other) message on the way
                    for k in HOME_ROW + ["space"]:
                        app.key(k)
                    app.wait_window("TForm3")
                    app.wait_idle()
                    app.key("Return")  # "Далее"
                    if plays:
                        app.wait_window("TFLashplayer")
                        app.wait_for("the book movie", lambda: near(screen_pixel(app, 640, 512), BOOK), timeout=15)
                        self.assertEqual(app.msgboxes(), [])
                    else:
                        self.assertEqual(app.wait_msgbox()["text"], "Начинаем урок.")
                        self.assertEqual(app.form("TForm2")["caption"], "Урок 4")
                self.assertEqual(machine.regsvr_runs(), [])
                self.assertEqual(sorted(os.listdir(system32)), files_before)
                copy = os.path.join(local_appdata(machine.prefix), "Tastora", "SWFLASH.OCX")
                if user_copy:
                    with open(copy, "rb") as f:
                        self.assertEqual(f.read(), control_file())
                elif not os.path.isdir(copy):
                    self.assertFalse(os.path.exists(os.path.dirname(copy)))
                # Nothing registered: no key was added to the registry.
                self.assertEqual(machine.registry_keys() - keys_before, set())


def course_files(test_lesson):
    """A short test of the lesson, the next lesson's exercise and the lesson's movies."""
    n = test_lesson
    return {
        "data/text/T%d.txt" % n: lesson_bytes("Тест %d" % n, "Начинаем тест.", 1, ["фыва олдж"]),
        "data/text/L%d.txt" % (n + 1): lesson_bytes("Урок %d" % (n + 1), "Начинаем урок.", 1, ["фыва олдж"]),
        "data/pictures/carti/%d.swf" % n: movie(BOOK),
        "data/pictures/prezentari/%d.swf" % n: movie(PRESENTATION),
    }


def pass_test_to_results(case, app, lesson):
    """Logs in at the test of the lesson, types it and waits for the results window."""
    for rel, content in profile_files(decimal_separator(app), "%d.2" % lesson).items():
        app.write_file(rel, content)
    app.start()
    test_results.ResultsTest.log_in(case, app)
    for k in HOME_ROW + ["space"]:
        app.key(k)
    app.wait_window("TForm3")
    app.wait_idle()


class PlayerFlowTest(unittest.TestCase):
    def centre_colour(self, app):
        return screen_pixel(app, 640, 512)

    def test_after_test_3_book_presentation_then_lesson_4(self):
        with Tastora(start=False, files=course_files(3)) as app:
            pass_test_to_results(self, app, 3)
            app.key("Return")  # "Далее"
            player = app.wait_window("TFLashplayer")
            self.assertEqual(player["rect"], [0, 0, 1280, 1024])
            self.assertNotIn("TForm3", app.visible_forms())
            app.wait_for("the book movie", lambda: near(self.centre_colour(app), BOOK), timeout=10)
            os.makedirs(SHOTS, exist_ok=True)
            app.screenshot(os.path.join(SHOTS, "player_book_3.png"))

            app.key("space")
            app.wait_for("the presentation", lambda: near(self.centre_colour(app), PRESENTATION), timeout=10)
            self.assertEqual(app.visible_forms(), ["TFLashplayer"])

            app.key("space")
            box = app.wait_msgbox()
            self.assertEqual(box["text"], "Начинаем урок.")
            self.assertIn("TForm2", app.visible_forms())
            self.assertNotIn("TFLashplayer", app.visible_forms())
            self.assertEqual(app.form("TForm2")["caption"], "Урок 4")
            # The program ends cleanly with the control that has played.
            app.answer_msgbox()
            app.wait_idle()
            app.close_box("TForm2")
            self.assertEqual(app.wait_exit(timeout=20), 0)

    def test_after_test_9_one_key_leads_to_lesson_10_even_from_a_damaged_movie(self):
        files = course_files(9)
        files["data/pictures/carti/9.swf"] = files["data/pictures/carti/9.swf"][:40]  # cut short
        with Tastora(start=False, files=files) as app:
            pass_test_to_results(self, app, 9)
            app.click("TForm3", "Button1")
            app.wait_window("TFLashplayer")
            settle(app, 0.3)
            self.assertEqual(app.msgboxes(), [])
            app.key("space")
            box = app.wait_msgbox()
            self.assertEqual(box["text"], "Начинаем урок.")
            self.assertEqual(app.form("TForm2")["caption"], "Урок 10")
            self.assertNotIn("TFLashplayer", app.visible_forms())

    def test_a_right_button_press_does_not_restart_the_exercise(self):
        files = {"data/text/L1.txt": lesson_bytes("Урок 1", "Начинаем урок.", 1, ["фыва олдж"])}
        with Tastora(start=False, files=files) as app:
            for rel, content in profile_files(decimal_separator(app), "1.1").items():
                app.write_file(rel, content)
            app.start()
            test_results.ResultsTest.log_in(self, app)
            app.key("a")
            # "Начать заново" acts on any button's press: the right one no longer reaches it.
            app.click("TForm2", "BReset", button=3)
            time.sleep(1.0)
            self.assertEqual(app.msgboxes(), [])
            app.click("TForm2", "BReset")
            self.assertEqual(app.wait_msgbox()["text"], "Начинаем урок.")


if __name__ == "__main__":
    unittest.main()
