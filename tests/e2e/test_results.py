"""The results window as a learner meets it: the speed of a passed exercise on the graph, and
the personal review exercise written after test 4.2 and opened by "Далее"."""

import os
import re
import subprocess
import tempfile
import time
import unittest

import tastora_driver
from tastora_driver import DriverError, Session, Tastora

LEARNER = "Anna"
# The keys of the home row as the X server names them: ф ы в а and о л д ж on the
# Russian layout of the course (the program judges the physical key).
HOME_ROW = ["a", "s", "d", "f", "space", "j", "k", "l", "semicolon"]


def lesson_bytes(caption, message, letter_set, lines):
    """A lesson file: UTF-16LE with a byte-order mark, CR LF line ends."""
    text = [caption, message, str(letter_set), str(len(lines)), "TEXT"] + lines + ["ENDEX"]
    return b"\xff\xfe" + "".join(line + "\r\n" for line in text).encode("utf-16-le")


def utf16_lines(data):
    if data[:2] != b"\xff\xfe":
        raise AssertionError("no byte-order mark")
    text = data[2:].decode("utf-16-le")
    if not text.endswith("\r\n"):
        raise AssertionError("the last line lacks its CR LF")
    return text[:-2].split("\r\n")


def decimal_separator(app):
    """The regional decimal separator of the Wine prefix ("." when none is set)."""
    r = app.session.wine("reg", "query", "HKCU\\Control Panel\\International", "/v", "sDecimal",
                         check=False)
    m = re.search(r"sDecimal\s+REG_SZ\s+(\S)", r.stdout.decode(errors="replace"))
    return m.group(1) if m else "."


def profile_files(sep, level, extra=()):
    users = "[%s]\r\nnivel=%s\r\npass=\r\n" % (LEARNER, level.replace(".", sep))
    users += "".join("%s=%s\r\n" % kv for kv in extra)
    return {"data/users.ini": users, "data/lista.txt": LEARNER + "\r\n"}


def ini_values(data, section):
    values, inside = {}, False
    for line in data.decode("cp1251").split("\r\n"):
        if line.startswith("["):
            inside = line.strip().lower() == "[%s]" % section.lower()
        elif inside and "=" in line:
            k, v = line.split("=", 1)
            values[k.strip()] = v.strip()
    return values


def screen_pixel(app, x, y):
    """The colour (r, g, b) of a pixel of the screen."""
    with tempfile.TemporaryDirectory() as tmp:
        png = app.screenshot(os.path.join(tmp, "screen.png"))
        r = subprocess.run(["convert", png, "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                           stdout=subprocess.PIPE, check=True, timeout=60)
    m = re.search(r"#([0-9A-Fa-f]{6})", r.stdout.decode())
    v = int(m.group(1), 16)
    return (v >> 16, (v >> 8) & 255, v & 255)


def bmp_pixel(data, x, y):
    """A pixel (r, g, b) of a 24-bit bottom-up BMP."""
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    stride = (width * 3 + 3) & ~3
    row = height - 1 - y if height > 0 else y
    p = offset + row * stride + x * 3
    return (data[p + 2], data[p + 1], data[p])


class ResultsTest(unittest.TestCase):
    def setUp(self):
        # The probe has been seen to end (exit code 0) after a run of the program that typed
        # an exercise; a fresh one keeps the next test from failing for that reason alone.
        session = Session.get()
        if session.probe.proc.poll() is not None:
            session.probe = tastora_driver.Probe(session)

    def log_in(self, app):
        app.wait_window("TForm1")
        app.wait_idle()
        # The first keys after the program's start can go astray while the window is still
        # taking the focus: the name is typed again until the login window has it.
        for attempt in range(3):
            app.click("TForm1", "cbalegenume")
            app.key("End", "shift+Home")
            app.type_text(LEARNER)
            try:
                app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"], 5)
                break
            except DriverError:
                if attempt == 2:
                    raise
        self.assertEqual(app.text("TForm1", "cbalegenume"), LEARNER)
        app.click("TForm1", "Baccept")
        # The exercise window and its start message.
        box = app.wait_msgbox()
        app.wait_window("TForm2")
        app.answer_msgbox()
        app.wait_idle()
        return box

    def end_program(self, app):
        """Leaves through the exercise window's close box, as a learner would."""
        app.wait_idle()
        app.close_box("TForm2")
        self.assertEqual(app.wait_exit(timeout=20), 0)

    def type_keys(self, app, keys, pause=0.0):
        for k in keys:
            app.key(k)
            if pause:
                time.sleep(pause)

    def test_a_passed_exercise_shows_its_speed_on_the_graph(self):
        files = {"data/text/L1.txt": lesson_bytes("Урок 1", "Начинаем урок.", 1, ["фыва олдж"])}
        with Tastora(start=False, files=files) as app:
            sep = decimal_separator(app)
            for rel, content in profile_files(sep, "1.1").items():
                app.write_file(rel, content)
            graph = app.read_file("data/pictures/graph.bmp")
            app.start()
            self.log_in(app)
            # Slowly, so that the clock counts several seconds: nine keys and the line's space.
            self.type_keys(app, HOME_ROW + ["space"], pause=0.9)
            results = app.wait_window("TForm3")
            app.wait_idle()
            self.assertNotIn("TForm2", app.visible_forms())

            minutes, seconds = app.text("TForm3", "Label2").split(":")
            elapsed = int(minutes) * 60 + int(seconds)
            self.assertGreaterEqual(elapsed, 5)
            speed = 10 * 60 // elapsed
            self.assertEqual(app.text("TForm3", "Label1"), "0")
            self.assertEqual(app.text("TForm3", "Label3"), str(speed))
            self.assertRegex(app.text("TForm3", "Label9"), r"^(-?\d+%|—)$")
            self.assertEqual(app.text("TForm3", "Label7"), "Поздравляем вас! Вы перешли к тесту.")

            stored = ini_values(app.read_file("data/users.ini"), LEARNER)
            self.assertEqual(stored.get("1" + sep + "1"), str(speed))
            self.assertEqual(stored.get("nivel"), "1" + sep + "2")

            # The speed is the graph's first point: x 33, y 147 - speed / 2 of the graph,
            # which the window shows at (272, 64) of its client area.
            gx, gy = 33, 147 - speed // 2
            self.assertTrue(0 <= gy < 160, "speed %d is off the graph" % speed)
            self.assertNotEqual(bmp_pixel(graph, gx, gy), (0, 0, 0), "the background is black there")
            left, top = results["client"][0], results["client"][1]
            self.assertEqual(screen_pixel(app, left + 272 + gx, top + 64 + gy), (0, 0, 0))
            app.screenshot(os.path.join(app.tmp, "results.png"), "TForm3")

            # The results window's close box ends the program.
            app.close_box("TForm3")
            self.assertEqual(app.wait_exit(timeout=20), 0)

    def test_passing_test_4_2_writes_the_review_and_next_opens_it(self):
        files = {"data/text/T4.txt": lesson_bytes("Тест 4", "Начинаем тест.", 1, ["фыва олдж"])}
        with Tastora(start=False, files=files) as app:
            sep = decimal_separator(app)
            counters = (("33", "5"), ("44", "3"), ("12u", "2"))
            for rel, content in profile_files(sep, "4.2", counters).items():
                app.write_file(rel, content)
            app.start()
            self.log_in(app)
            self.type_keys(app, HOME_ROW + ["space"])
            app.wait_window("TForm3")
            app.wait_idle()
            self.assertEqual(app.text("TForm3", "Label7"),
                             "Поздравляем вас! Вы перешли к упражнению для повторения.")

            review = utf16_lines(app.read_file("data/text/%s.txt" % LEARNER))
            self.assertEqual(len(review), 21)
            self.assertEqual(review[0], "Повторения")
            self.assertTrue(review[1].startswith("УКАЗАНИЯ:"))
            self.assertEqual(review[2:5], ["6", "15", "TEXT"])
            self.assertEqual(review[20], "ENDEX")
            for line in review[5:20]:
                self.assertEqual(len(line), 89)
                self.assertTrue(all(line[i] == " " for i in range(5, 89, 6)), line)
            # Key 33 (а) had the most errors: the first line drills it against its home key.
            self.assertIn("а", review[5])

            stored = ini_values(app.read_file("data/users.ini"), LEARNER)
            self.assertEqual(stored.get("nivel"), "4" + sep + "3")
            self.assertEqual([stored.get(k) for k in ("33", "44", "12u")], ["0", "0", "0"])
            self.assertNotIn("4" + sep + "2", stored)

            # "Далее": the review exercise, with its instructions.
            app.click("TForm3", "Button1")
            box = app.wait_msgbox()
            self.assertTrue(box["text"].startswith("УКАЗАНИЯ:"), box["text"])
            form = app.wait_window("TForm2")
            self.assertEqual(form["caption"], "Повторения")
            self.assertNotIn("TForm3", app.visible_forms())
            self.assertNotIn("TFLashplayer", app.visible_forms())
            app.answer_msgbox()
            self.end_program(app)

    def test_a_failed_exercise_is_repeated(self):
        files = {"data/text/L1.txt": lesson_bytes("Урок 1", "Начинаем урок.", 1, ["фыва олдж"]),
                 "data/rez.ini": "[1]\r\nLtimp=600\r\nLgres=0\r\n"}
        with Tastora(start=False, files=files) as app:
            sep = decimal_separator(app)
            for rel, content in profile_files(sep, "1.1").items():
                app.write_file(rel, content)
            app.start()
            self.log_in(app)
            # One wrong key (g is not in the lesson) in place of the first letter.
            self.type_keys(app, ["g"] + HOME_ROW[1:] + ["space"])
            app.wait_window("TForm3")
            app.wait_idle()
            self.assertEqual(app.text("TForm3", "Label1"), "1")
            self.assertEqual(app.text("TForm3", "Label7"),
                             "К сожалению вы не прошли данное упражнение.\rПопытайтесь ещё раз")
            app.screenshot(os.path.join(app.tmp, "failed.png"), "TForm3")
            stored = ini_values(app.read_file("data/users.ini"), LEARNER)
            self.assertEqual(stored.get("doi"), "2")
            self.assertEqual(stored.get("nivel"), "1" + sep + "1")

            app.key("Return")  # "Далее" is the default button
            box = app.wait_msgbox()
            self.assertEqual(box["text"], "Начинаем урок.")
            form = app.wait_window("TForm2")
            self.assertEqual(form["caption"], "Урок 1")
            self.assertNotIn("TForm3", app.visible_forms())
            app.answer_msgbox()
            self.end_program(app)


if __name__ == "__main__":
    unittest.main()
