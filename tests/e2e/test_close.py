"""The close box of each window that can be the last one on the screen: the program goes on
in another window or ends; it never runs on without a window. The player has no title bar:
it gets the system's close command (as from Alt+F4)."""

import unittest

import tastora_driver
from tastora_driver import DriverError, Session, Tastora
import test_results  # its test case is not imported by name: it would run here again
from test_player import course_files, pass_test_to_results
from test_results import decimal_separator, profile_files

END = None


def enter_name(app, name):
    """Types the name into the login window until "Начать" can be pressed (the first keys
    after the start can go astray while the window is still taking the focus)."""
    app.wait_window("TForm1")
    app.wait_idle()
    for attempt in range(3):
        app.click("TForm1", "cbalegenume")
        app.key("End", "shift+Home")
        app.type_text(name)
        try:
            app.wait_for("the start button", lambda: app.text("TForm1", "cbalegenume") == name and
                         app.control("TForm1", "Baccept")["enabled"], 5)
            return
        except DriverError:
            if attempt == 2:
                raise


def log_in_new(app, name="Anna"):
    """"Новое", a new name, "Начать"."""
    app.wait_window("TForm1")
    app.wait_idle()
    app.click("TForm1", "Bnou")
    app.wait_for("the name to type", lambda: app.text("TForm1", "cbalegenume") == "Имя", 10)
    enter_name(app, name)
    app.click("TForm1", "Baccept")


def log_in_finished(app):
    """A profile that has finished the course: its closing address."""
    enter_name(app, test_results.LEARNER)
    app.click("TForm1", "Baccept")


class CloseBoxTest(unittest.TestCase):
    def setUp(self):
        session = Session.get()
        if session.probe.proc.poll() is not None:
            session.probe = tastora_driver.Probe(session)

    def test_closing_the_last_window_goes_on_or_ends(self):
        def at_level(level):
            def write(app):
                for rel, content in profile_files(decimal_separator(app), level).items():
                    app.write_file(rel, content)
                app.start()
            return write

        def new_profile(app):
            app.start()
            log_in_new(app)

        def exercise_rules(app):
            at_level("1.1")(app)
            test_results.ResultsTest.log_in(self, app)
            app.click("TForm2", "SpeedButton1")

        def closing_address(app):
            at_level("17.1")(app)
            log_in_finished(app)

        def player_after_lesson_9(app):
            pass_test_to_results(self, app, 9)
            app.key("Return")

        # The files, what leads to the window, then each window closed in turn with what must
        # follow: the window shown next (and whether an exercise starts there with its start
        # message), or the end of the program.
        cases = (
            ("donations of a new profile", {}, new_profile, [("TDonatii", "box", "TForm2", True)]),
            ("rules over the exercise", {}, exercise_rules, [("Tfh", "box", "TForm2", False)]),
            ("closing address, then its donations", {}, closing_address,
             [("TForm6", "box", "TDonatii", False), ("TDonatii", "box", END, False)]),
            ("player after lesson 9", course_files(9), player_after_lesson_9,
             [("TFLashplayer", "command", "TForm2", True)]),
        )
        for name, files, reach, steps in cases:
            with self.subTest(name), Tastora(start=False, files=files) as app:
                reach(app)
                for window, how, then, exercise_starts in steps:
                    app.wait_window(window)
                    app.wait_idle()
                    if how == "box":
                        app.close_box(window)
                    else:
                        app.close_command(window)
                    if then is END:
                        self.assertEqual(app.wait_exit(timeout=20), 0)
                        continue
                    app.wait_window(then)
                    if exercise_starts:
                        self.assertEqual(app.answer_msgbox()["caption"], "Tastora")
                    app.wait_idle()
                    self.assertEqual(app.msgboxes(), [])
                    self.assertIn(then, app.visible_forms())
                    self.assertNotIn(window, app.visible_forms())


if __name__ == "__main__":
    unittest.main()
