"""Where the keys go when the program passes from one window to the next: the learner uses
the keyboard alone, never clicking into a window first. After the login the hidden login
window must not keep the keyboard; after a message box the keys go to the window that the
program shows next (the exercise window after its start message, the donations window
after a new profile, the results window at the end marker)."""

import time
import unittest

from tastora_driver import Tastora

PROFILE = "Anna"
CAPTION = "Урок 1. Фокус"
MESSAGE = "Начинаем без мыши."
# X key codes (evdev) by physical position: ф ы в а (A S D F), о (J) and the space bar.
KEY_A, KEY_S, KEY_D, KEY_F, KEY_J, KEY_SPACE = 38, 39, 40, 41, 44, 65


def lesson(lines):
    """A lesson file: UTF-16LE with a byte-order mark and CR LF line ends."""
    return ("\ufeff" + "".join(line + "\r\n" for line in lines)).encode("utf-16-le")


def press(app, *keycodes):
    app.xdotool("key", "--delay", "90", *[str(k) for k in keycodes])
    time.sleep(0.2)


class KeyboardOnlyTest(unittest.TestCase):
    def run_with(self, users_ini=None):
        app = Tastora(start=False)
        sep = app.session.decimal_separator()
        if users_ini is not None:
            app.write_file("data/users.ini", users_ini.replace("{sep}", sep))
            app.write_file("data/lista.txt", PROFILE + "\r\n")
        # The exercise and, should the evaluation pass it, the test of lesson 1 alike.
        for name in ("L1", "T1"):
            app.write_file("data/text/%s.txt" % name, lesson([CAPTION, MESSAGE, "1", "1", "TEXT", "фыва", "ENDEX"]))
        app.snapshot_before = app.snapshot()
        app.start()
        app.wait_window("TForm1")
        app.wait_idle()
        return app

    def close_start_message_with_enter(self, app):
        box = app.wait_msgbox()
        self.assertEqual(box["text"], MESSAGE)
        app.key("Return")
        app.wait_for("the start message to close", lambda: not app.msgboxes(), 10)
        app.wait_idle()

    def assert_keys_reach_the_exercise(self, app):
        self.assertEqual(app.visible_forms(), ["TForm2"])
        focus = app.wait_for("the focus on the exercise window",
                             lambda: app.focus()["form"] == "TForm2" and app.focus(), 10)
        self.assertEqual(focus["activeClass"], "TForm2")
        # ф ы right, then о where в is expected: the clock runs and one error is counted.
        press(app, KEY_A, KEY_S)
        app.wait_for("the clock to start", lambda: app.control("TForm2", "BPauza")["enabled"], 10)
        press(app, KEY_J)
        app.wait_for("the error count", lambda: app.text("TForm2", "Lgres") == "1", 10)
        self.assertEqual(app.text("TForm1", "MEparola"), "", "keys went to the hidden login window")

    def test_keys_reach_the_exercise_window_after_the_start_message(self):
        with self.run_with("[%s]\r\nnivel=1{sep}1\r\npass=\r\n" % PROFILE) as app:
            # The name box has the focus at start; the password is empty.
            app.type_text(PROFILE)
            app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"], 10)
            app.key("Return")
            self.close_start_message_with_enter(app)
            self.assert_keys_reach_the_exercise(app)

            # The rest of the line (and the space after it) ends the exercise; the results window takes the
            # keyboard, and Enter presses its "Далее", which starts the next exercise.
            press(app, KEY_F, KEY_SPACE)
            app.wait_window("TForm3")
            app.wait_for("the evaluation", lambda: app.text("TForm3", "Label9").endswith("%"), 15)
            app.wait_idle()
            app.wait_for("the focus on the results window", lambda: app.focus()["form"] == "TForm3", 10)
            app.key("Return")
            self.close_start_message_with_enter(app)
            self.assertEqual(app.text("TForm2", "Lgres"), "0")
            self.assert_keys_reach_the_exercise(app)

    def test_a_new_profile_goes_through_the_donations_window_by_keyboard(self):
        with self.run_with() as app:
            app.type_text(PROFILE)
            # Enter is not enough here ("Начать" is off for an unknown name): Tab to "Новое".
            app.wait_for("the new-profile button", lambda: app.control("TForm1", "Bnou")["enabled"], 10)
            app.key("Tab", "Tab", "space")
            app.wait_window("TDonatii")
            app.wait_idle()
            focus = app.wait_for("the focus on the donations window",
                                 lambda: app.focus()["form"] == "TDonatii" and app.focus(), 10)
            self.assertEqual(focus["activeClass"], "TDonatii")
            self.assertNotIn("TForm1", app.visible_forms())
            # Its "Далее" has the focus: Enter leads on to the exercise.
            app.key("Return")
            self.close_start_message_with_enter(app)
            self.assert_keys_reach_the_exercise(app)


if __name__ == "__main__":
    unittest.main()
