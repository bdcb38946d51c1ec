"""Typing a short lesson through the real exercise window, with real key events, under an
English, a Russian and a Romanian keyboard layout of the window system.

Keys are pressed by their physical position (X key codes), as a learner's fingers press
them; the program must judge them the same way under every layout. Checked: the error
count (Lgres) and the clock (Ltimp) while typing, the per-key error counters in
data\\users.ini, and the results window at the end marker. The time from a key event to the
repainted window is printed as a median when the window layer reports it (TASTORA_TIMING
lines "key_paint_ms=<n>").
"""

import os
import re
import statistics
import subprocess
import time
import unittest

import tastora_driver
from tastora_driver import Session, Tastora

# X key codes (evdev) of the keys by key number: the physical positions.
KEYCODE = {
    1: 49, 2: 10, 3: 11, 4: 12, 5: 13, 6: 14, 7: 15, 8: 16, 9: 17, 10: 18, 11: 19, 12: 20, 13: 21,
    16: 24, 17: 25, 18: 26, 19: 27, 20: 28, 21: 29, 22: 30, 23: 31, 24: 32, 25: 33, 26: 34, 27: 35, 28: 51,
    30: 38, 31: 39, 32: 40, 33: 41, 34: 42, 35: 43, 36: 44, 37: 45, 38: 46, 39: 47, 40: 48,
    43: 52, 44: 53, 45: 54, 46: 55, 47: 56, 48: 57, 49: 58, 50: 59, 51: 60, 52: 61,
    57: 65,
}
KEYCODE_SHIFT = 50

# name, setxkbmap arguments, locale of the Wine session
LAYOUTS = (
    ("English", ["us"], "en_US.UTF-8"),
    ("Russian", ["ru"], "ru_RU.UTF-8"),
    ("Romanian", ["ro", "winkeys"], "ro_RO.UTF-8"),
)

PROFILE = "Anna"
# A lesson of LetterSet 4 with the keys in the Y (н, 21) and Z (я, 43) positions.
LESSON = ["ан яна", "оня"]


def lesson_bytes(caption, message, letter_set, lines):
    text = "\r\n".join([caption, message, str(letter_set), str(len(lines)), "TEXT"] + lines + ["ENDEX"])
    return b"\xff\xfe" + (text + "\r\n").encode("utf-16-le")


def letter_keys(run):
    """Character -> key number, from the letter table of the run (the first line wins)."""
    table = run.read_file("data/litere.txt")[2:].decode("utf-16-le").split("\r\n")
    keys = {}
    for line in table[:97]:
        if len(line) >= 2 and line[1:].isdigit():
            keys.setdefault(line[0], int(line[1:]))
    return keys


def use_layout(xkb, locale):
    """Switches the X keyboard layout and the locale (None: as the session began) of a fresh
    Wine session: Wine reads the active layout when its server starts."""
    session = Session.get()
    session.probe.close()
    subprocess.run(["wineserver", "-k"], env=session.env, timeout=60)
    subprocess.run(["wineserver", "-w"], env=session.env, timeout=60)
    subprocess.run(["setxkbmap", "-display", session.env["DISPLAY"]] + xkb, check=True, timeout=30)
    for name in ("LANG", "LC_ALL"):
        if locale is not None:
            session.env[name] = locale
        elif name in ORIGINAL_LOCALE:
            session.env[name] = ORIGINAL_LOCALE[name]
        else:
            session.env.pop(name, None)
    session.probe = tastora_driver.Probe(session)


ORIGINAL_LOCALE = {name: os.environ[name] for name in ("LANG", "LC_ALL") if name in os.environ}


def read_if_there(run, rel):
    """The file's bytes, or None while it is being replaced."""
    try:
        return run.read_file(rel)
    except FileNotFoundError:
        return None


def counters(users_ini):
    """The per-key error counters of the profile in users.ini."""
    text = users_ini.decode("cp1251")
    section = re.search(r"\[%s\]\r\n(.*?)(?:\r\n\[|\Z)" % re.escape(PROFILE), text, re.S)
    result = {}
    for line in (section.group(1) if section else "").split("\r\n"):
        m = re.match(r"^(\d+u?)=(-?\d+)$", line)
        if m:
            result[m.group(1)] = int(m.group(2))
    return result


def current_layout():
    """The setxkbmap arguments of the display's layout as it is now."""
    session = Session.get()
    r = subprocess.run(["setxkbmap", "-display", session.env["DISPLAY"], "-query"], stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL, timeout=30)
    fields = dict(line.split(":", 1) for line in r.stdout.decode(errors="replace").splitlines() if ":" in line)
    layout = fields.get("layout", "us").strip()
    variant = fields.get("variant", "").strip()
    return [layout, variant] if variant else [layout]


class TypingUnderLayouts(unittest.TestCase):
    latencies = []

    @classmethod
    def setUpClass(cls):
        cls.original_layout = current_layout()

    @classmethod
    def tearDownClass(cls):
        use_layout(cls.original_layout, None)
        if cls.latencies:
            print("  key event to repainted window: median %.1f ms over %d key presses" %
                  (statistics.median(cls.latencies), len(cls.latencies)))
        else:
            print("  key event to repainted window: not reported by the window layer")

    def start_exercise(self, run):
        run.wait_window("TForm1")
        run.click("TForm1", "cbalegenume")
        run.key("Down")  # the profile from the list
        run.wait_for("the start button", lambda: run.control("TForm1", "Baccept")["enabled"])
        run.click("TForm1", "Baccept")
        box = run.wait_msgbox()
        self.assertEqual(box["text"], "Начинаем")
        run.answer_msgbox()
        run.wait_window("TForm2")
        # A click on the window's background makes sure that the keys go to it.
        run.click_form("TForm2")

    def press(self, run, keys):
        run.xdotool("key", "--delay", "90", *[str(KEYCODE[k]) for k in keys])

    def type_lesson(self, mistakes):
        """Types LESSON; mistakes maps a character index (over the lines with their added
        spaces) to the key number pressed instead. Returns what was seen on the way."""
        files = {
            "data/users.ini": "[%s]\r\nnivel=1,1\r\npass=\r\n" % PROFILE,
            "data/lista.txt": PROFILE + "\r\n",
            "data/text/L1.txt": lesson_bytes("Урок 1", "Начинаем", 4, LESSON),
        }
        with Tastora(files=files, start=False) as run:
            timing = run.path("timing.txt")
            run.extra_env["TASTORA_TIMING"] = "Z:" + timing.replace("/", "\\")
            run.start()
            self.start_exercise(run)
            keys_of = letter_keys(run)
            typed = [keys_of[ch] for line in LESSON for ch in line + " "]
            pressed = [mistakes.get(i, k) for i, k in enumerate(typed)]
            half = len(LESSON[0]) + 1
            # The first line, then a pause of more than a second with the clock running.
            self.press(run, pressed[:half])
            time.sleep(1.3)
            seen = {
                "Lgres": run.text("TForm2", "Lgres"),
                "Ltimp": run.text("TForm2", "Ltimp"),
                "BPauza": run.control("TForm2", "BPauza")["enabled"],
            }
            self.press(run, pressed[half:])
            run.wait_window("TForm3")
            # The evaluation has run when the rhythm is shown.
            run.wait_for("the evaluation", lambda: run.text("TForm3", "Label9").endswith("%"))
            run.wait_idle()
            seen["forms"] = run.visible_forms()
            seen["errors"] = run.text("TForm3", "Label1")
            seen["time"] = run.text("TForm3", "Label2")
            seen["counters"] = counters(run.wait_for("users.ini", lambda: read_if_there(run, "data/users.ini")))
            if os.path.exists(timing):
                with open(timing, encoding="ascii", errors="replace") as f:
                    for line in f:
                        if line.startswith("key_paint_ms="):
                            self.latencies.append(float(line.split("=", 1)[1]))
            return seen

    def test_lesson_typed_right_and_wrong_under_three_layouts(self):
        # The physical keys count, whatever the layout: the same presses give the same
        # judgement under all three.
        for name, xkb, lang in LAYOUTS:
            with self.subTest(layout=name):
                use_layout(xkb, lang)
                right = self.type_lesson({})
                # "ан я|на о|ня": н expected and the key in the Z position pressed, я expected
                # and the key in the Y position pressed, then о expected and ф pressed.
                wrong = self.type_lesson({1: 43, 3: 21, 7: 30})

                self.assertEqual(right["Lgres"], "0")
                self.assertRegex(right["Ltimp"], r"^00:0[1-9]$")
                self.assertTrue(right["BPauza"])
                self.assertEqual(right["forms"], ["TForm3"])
                self.assertEqual(right["errors"], "0")
                self.assertRegex(right["time"], r"^00:0[1-9]$")
                self.assertEqual(right["counters"], {})

                self.assertEqual(wrong["Lgres"], "2", "two errors on the first line")
                self.assertEqual(wrong["errors"], "3")
                self.assertEqual(wrong["forms"], ["TForm3"])
                self.assertEqual(wrong["counters"], {"21": 1, "43": 1, "36": 1})


if __name__ == "__main__":
    unittest.main()
