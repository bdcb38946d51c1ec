"""The whole course typed by a learner who makes no mistake, and lessons whose rows end full.

A new profile goes through the donations window and types every exercise, test and review
from 1.1 to 16.3 by physical key (X key codes, Shift held for the shifted characters), under a
Russian keyboard layout with a decimal comma and under an English one with a decimal point.
Between lessons a presentation window (class TFLashplayer), whenever one is shown, is
answered with a key. At the end come the closing address and the donations window, whose
"Далее" ends the program; the profile then holds level 17.1, a speed for every level that
stores one and no error counter above 0. The typing speed of the test itself is printed.
"""

import os
import re
import time
import unittest

import test_typing as keys_of_typing
from tastora_driver import Session, Tastora

KEYCODE = keys_of_typing.KEYCODE
LAYOUTS = {",": (["ru"], "ru_RU.UTF-8"), ".": (["us"], "en_US.UTF-8")}
INTERNATIONAL = "HKCU\\Control Panel\\International"
# Milliseconds between two key presses sent to the program.
KEY_DELAY_MS = 6
# The levels of the course in order; a review (kind 3) follows the tests of 4, 8, 12, 16.
COURSE = [(n, kind) for n in range(1, 17) for kind in ((1, 2, 3) if n % 4 == 0 else (1, 2))]


def letter_table(app):
    """Character -> (key number, typed with Shift), from the run's letter table."""
    table = app.read_file("data/litere.txt")[2:].decode("utf-16-le").split("\r\n")
    result = {}
    for index, line in enumerate(table[:97]):
        if len(line) >= 2 and line[1:].isdigit():
            result.setdefault(line[0], (int(line[1:]), index >= 48))
    return result


def lesson_lines(app, rel):
    data = app.read_file(rel)
    assert data[:2] == b"\xff\xfe", rel
    lines = data[2:].decode("utf-16-le").split("\r\n")
    end = next(i for i, line in enumerate(lines) if line.startswith("ENDEX"))
    return lines[0], lines[1], lines[5:end]


def press_text(app, text, table):
    """Types the text by the physical keys of its characters."""
    keys = []
    for ch in text:
        key, shifted = table[ch]
        keys.append(("shift+%d" if shifted else "%d") % KEYCODE[key])
    for i in range(0, len(keys), 400):
        app.xdotool("key", "--delay", KEY_DELAY_MS, *keys[i:i + 400])


def set_decimal_separator(sep):
    Session.get().wine("reg", "add", INTERNATIONAL, "/v", "sDecimal", "/t", "REG_SZ", "/d", sep, "/f")


def profile_section(app, name):
    text = app.read_file("data/users.ini").decode("cp1251")
    m = re.search(r"^\[%s\]\r\n(.*?)(?=^\[|\Z)" % re.escape(name), text, re.S | re.M)
    values = {}
    for line in (m.group(1) if m else "").split("\r\n"):
        if "=" in line:
            k, v = line.split("=", 1)
            values[k] = v
    return values


class CourseTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.original_layout = keys_of_typing.current_layout()
        r = Session.get().wine("reg", "query", INTERNATIONAL, "/v", "sDecimal", check=False)
        m = re.search(r"sDecimal\s+REG_SZ\s+(\S)", r.stdout.decode(errors="replace"))
        cls.original_separator = m.group(1) if m else None

    @classmethod
    def tearDownClass(cls):
        keys_of_typing.use_layout(cls.original_layout, None)
        if cls.original_separator:
            set_decimal_separator(cls.original_separator)

    def use_settings(self, sep):
        xkb, locale = LAYOUTS[sep]
        keys_of_typing.use_layout(xkb, locale)
        set_decimal_separator(sep)

    # --- one exercise

    def type_exercise(self, app, table, rel, shown_lines=None):
        """Answers the start message of the exercise in rel, types its lines (each with its
        final space, or the texts given), and waits for its evaluation; returns the results
        window's error count."""
        caption, message, lines = lesson_lines(app, rel)
        box = app.answer_msgbox(timeout=60)
        self.assertEqual((box["caption"], box["text"]), ("Tastora", message), rel)
        app.wait_window("TForm2")
        app.click_form("TForm2")
        self.assertEqual(app.form("TForm2")["caption"], caption)
        for text in shown_lines if shown_lines is not None else [line + " " for line in lines]:
            press_text(app, text, table)
        app.wait_window("TForm3", timeout=120)
        # The evaluation runs before the program reads its next message.
        app.wait_idle()
        app.wait_for("the verdict", lambda: app.text("TForm3", "Label7"), 30)
        self.keys_typed += sum(len(t) for t in (shown_lines or [line + " " for line in lines]))
        return app.text("TForm3", "Label1")

    def next_window(self, app):
        """After "Далее": answers presentations with a key until a message box, the donations
        window or the closing address is there; returns which."""
        last_key = 0
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if app.msgboxes():
                return "message"
            forms = app.visible_forms()
            for cls in ("TDonatii", "TForm6"):
                if cls in forms:
                    return cls
            if "TFLashplayer" in forms and time.monotonic() - last_key > 1.5:
                app.xdotool("key", "space")
                last_key = time.monotonic()
            if not app.running():
                return "ended"
            time.sleep(0.1)
        return "nothing within 60 s (%s)" % ", ".join(app.visible_forms())

    # --- the course

    def run_course(self, sep):
        self.use_settings(sep)
        self.keys_typed = 0
        start = time.monotonic()
        with Tastora() as app:
            table = letter_table(app)
            app.wait_window("TForm1")
            app.wait_idle()
            # A new profile: "Новое", a name typed over the offered one, "Начать".
            app.click("TForm1", "Bnou")
            app.wait_for("the offered name", lambda: app.text("TForm1", "cbalegenume") == "Имя", 10)
            app.xdotool("key", "--delay", 60, *[str(KEYCODE[k]) for k in (30, 31, 32, 33)])
            name = app.wait_for("the typed name", lambda: (lambda t: t if len(t) == 4 and t != "Имя" else None)(
                app.text("TForm1", "cbalegenume")), 10)
            app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"], 10)
            app.click("TForm1", "Baccept")
            app.wait_window("TDonatii")
            app.click("TDonatii", "Button1")

            for lesson, kind in COURSE:
                rel = "data/text/%s.txt" % ({1: "L%d" % lesson, 2: "T%d" % lesson}.get(kind, name))
                with self.subTest(level="%d.%d" % (lesson, kind)):
                    self.assertEqual(self.type_exercise(app, table, rel), "0")
                if (lesson, kind) == (1, 1):
                    self.assertEqual([w["caption"] for w in app.windows() if w.get("taskbar")], ["Tastora"],
                                     "the task bar shows the application, not a window")
                app.click("TForm3", "Button1")
                after = self.next_window(app)
                if lesson == 5 and kind == 2:
                    self.assertEqual(after, "TDonatii", "the donations window after lesson 5")
                    app.click("TDonatii", "Button1")
                elif (lesson, kind) == (16, 3):
                    self.assertEqual(after, "TForm6", "the closing address after 16.3")
                else:
                    self.assertEqual(after, "message", "after %d.%d" % (lesson, kind))

            app.click("TForm6", "Button1")
            app.wait_window("TDonatii")
            app.click("TDonatii", "Button1")
            self.assertEqual(app.wait_exit(timeout=30), 0)

            values = profile_section(app, name)
            self.assertEqual(values.get("nivel"), "17%s1" % sep)
            for lesson, kind in COURSE:
                if kind == 2 and lesson % 4 == 0:
                    continue  # a test followed by a review stores no speed
                speed = values.get("%d%s%d" % (lesson, sep, kind), "")
                self.assertRegex(speed, r"^[1-9][0-9]*$", "speed of %d.%d" % (lesson, kind))
            counters = {k: v for k, v in values.items() if re.match(r"^\d+u?$", k)}
            self.assertEqual({k: v for k, v in counters.items() if v != "0"}, {})
        seconds = time.monotonic() - start
        print("  course with '%s': %d keys in %.0f s (%.1f keys/s overall)" %
              (sep, self.keys_typed, seconds, self.keys_typed / seconds))

    def test_whole_course_with_decimal_comma_and_russian_layout(self):
        self.run_course(",")

    def test_whole_course_with_decimal_point_and_english_layout(self):
        self.run_course(".")

    # --- rows that end full

    def test_rows_ending_full_typed_as_the_screen_shows_them(self):
        # A stored lesson whose rows end at column 40: the space after such a row is not on
        # the screen. Typed as shown (without it) the exercise has no error, and the next
        # exercise, typed exactly, has none either although the last row ended full.
        wrap_full = "фыва " * 7 + "олджо ав"
        full = "ж" * 40
        lessons = {
            "data/text/L1.txt": ("Урок 1", "Начинаем", 1, [wrap_full, full, "ол дж"]),
            "data/text/T1.txt": ("Тест 1", "Тест", 1, ["ав ол", full]),
            "data/text/L2.txt": ("Урок 2", "Дальше", 1, ["дж ав ол"]),
        }
        files = {rel: keys_of_typing.lesson_bytes(*lesson) for rel, lesson in lessons.items()}
        files["data/users.ini"] = "[Анна]\r\nnivel=1,1\r\npass=\r\n"
        files["data/lista.txt"] = "Анна\r\n"
        self.use_settings(",")
        self.keys_typed = 0
        with Tastora(files=files) as app:
            table = letter_table(app)
            app.wait_window("TForm1")
            app.click("TForm1", "cbalegenume")
            app.key("Down")
            app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"], 10)
            app.click("TForm1", "Baccept")
            shown = ["фыва " * 7 + "олджоав ", full, "ол дж "]
            self.assertEqual(self.type_exercise(app, table, "data/text/L1.txt", shown), "0")
            app.click("TForm3", "Button1")
            self.assertEqual(self.type_exercise(app, table, "data/text/T1.txt", ["ав ол ", full]), "0")
            app.click("TForm3", "Button1")
            self.assertEqual(self.next_window(app), "message")
            self.assertEqual(self.type_exercise(app, table, "data/text/L2.txt"), "0")


if __name__ == "__main__":
    unittest.main()
