"""The exercise window after a login: its caption is line 1 of the lesson file, its start
message line 2, and once the message is answered the screen shows the first text line and
the first key to press highlighted."""

import os
import subprocess
import tempfile
import unittest

from tastora_driver import Tastora

# Header lines are turned into Windows-1251 by the high byte of their second character:
# Cyrillic А..я and ASCII come through, so course captions are written with those only.
CAPTION = "Урок 1. Проверка: ряд ФЫВА"
MESSAGE = "Начинаем урок 1: найдите ф и ж, поставьте на них мизинцы."
FIRST_LINE = "фыва олдж"

# Where the program composes its pictures in the exercise window's client area.
TEXT_AREA = (16, 8)
KEYBOARD = (8, 248)
CELL_W, CELL_H = 18, 30
KEY_F = (101, 116)   # key 30 on the keyboard picture
KEY_Y = (158, 116)   # key 31


def lesson_file(lines):
    """UTF-16LE with a byte-order mark, CR LF line ends."""
    return ("\ufeff" + "".join(line + "\r\n" for line in lines)).encode("utf-16-le")


def ppm(data_or_path):
    """(width, height, RGB bytes) of any picture, through ImageMagick."""
    args = ["convert", data_or_path if isinstance(data_or_path, str) else "-", "ppm:-"]
    r = subprocess.run(args, input=None if isinstance(data_or_path, str) else data_or_path,
                       stdout=subprocess.PIPE, check=True, timeout=60)
    out = r.stdout
    fields, at = [], 0
    while len(fields) < 4:
        while out[at:at + 1].isspace():
            at += 1
        start = at
        while not out[at:at + 1].isspace():
            at += 1
        fields.append(out[start:at])
    assert fields[0] == b"P6" and fields[3] == b"255", fields
    return int(fields[1]), int(fields[2]), out[at + 1:]


def region(picture, x, y, w, h):
    width, _, pixels = picture
    rows = []
    for row in range(y, y + h):
        start = (row * width + x) * 3
        rows.append(pixels[start:start + w * 3])
    return b"".join(rows)


def difference(a, b):
    """Mean difference per channel of two equal regions (0 alike, 255 opposite)."""
    assert len(a) == len(b)
    return sum(abs(p - q) for p, q in zip(a, b)) / len(a)


class ExerciseDisplayTest(unittest.TestCase):
    def test_login_shows_caption_start_message_first_line_and_key(self):
        files = {
            "data/users.ini": b"[Anna]\r\nnivel=1,1\r\npass=\r\n",
            "data/lista.txt": b"Anna\r\n",
            "data/text/L1.txt": lesson_file([CAPTION, MESSAGE, "1", "2", "TEXT", FIRST_LINE, "жж", "ENDEX"]),
        }
        with Tastora(files=files) as app:
            app.wait_window("TForm1")
            app.wait_idle()
            app.click("TForm1", "cbalegenume")
            app.key("End", "shift+Home")  # the placeholder text goes
            app.type_text("Anna")
            app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"], 10)
            app.click("TForm1", "Baccept")

            box = app.wait_msgbox(timeout=60)
            self.assertEqual(box["caption"], "Tastora")
            self.assertEqual(box["text"], MESSAGE)
            self.assertEqual(app.form("TForm2")["caption"], CAPTION)
            self.assertIn("TForm2", app.visible_forms())
            self.assertNotIn("TFprogres", app.visible_forms(), "the progress window is gone")
            app.answer_msgbox()
            app.wait_idle()

            with tempfile.TemporaryDirectory() as tmp:
                shot = app.screenshot(os.path.join(tmp, "exercise.png"))
                if os.environ.get("TASTORA_E2E_KEEP") == "1":
                    kept = os.path.join(app.tmp, "exercise.png")
                    os.replace(shot, kept)
                    shot = kept
                screen = ppm(shot)
            left, top = app.form("TForm2")["client"][:2]

            def picture(rel):
                return ppm(app.read_file(rel))

            def looks_like(area, x, y, rel, other):
                """The screen at (x, y) of the area shows the picture rel rather than other."""
                mine, theirs = picture(rel), picture(other)
                shown = region(screen, left + area[0] + x, top + area[1] + y, mine[0], mine[1])
                near = difference(shown, mine[2])
                far = difference(shown, region(theirs, 0, 0, mine[0], mine[1]))
                self.assertLess(near, 12, "%s at %d,%d differs by %.1f" % (rel, x, y, near))
                self.assertLess(near, far, "%s at %d,%d looks more like %s" % (rel, x, y, other))

            # The first line: each character to be typed (the space between the words may
            # look the same in both states).
            chars = "data/pictures/caractere/"
            for column, key in enumerate([30, 31, 32, 33, None, 36, 37, 38, 39]):
                if key is None:
                    continue
                looks_like(TEXT_AREA, column * CELL_W, 0, chars + "%d.jpg" % key, chars + "%db.jpg" % key)
            # The first key to press (ф) is highlighted, the next one (ы) is not.
            keys = "data/pictures/butoane/"
            looks_like(KEYBOARD, KEY_F[0], KEY_F[1], keys + "30h.jpg", keys + "30.jpg")
            looks_like(KEYBOARD, KEY_Y[0], KEY_Y[1], keys + "31.jpg", keys + "31h.jpg")


if __name__ == "__main__":
    unittest.main()
