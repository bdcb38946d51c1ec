"""Start-up and end of the program, as a learner sees them on the screen."""

import time
import unittest

from tastora_driver import FORM_CLASSES, Tastora


def settle(app, seconds=0.7):
    """Lets the program go idle, then a little longer, so late windows would show."""
    app.wait_idle()
    time.sleep(seconds)


class StartupTest(unittest.TestCase):
    def test_normal_start_shows_only_the_login_window(self):
        with Tastora() as app:
            login = app.wait_window("TForm1")
            settle(app)
            self.assertEqual(app.msgboxes(), [])
            forms = app.forms()
            # Every window is created once, and only the login window is shown.
            self.assertEqual(sorted(forms), sorted(FORM_CLASSES))
            self.assertEqual(app.visible_forms(), ["TForm1"])
            self.assertEqual(login["caption"], "Tastora 1.3")
            self.assertTrue(app.form("TForm1")["active"], "the login window is not the active window")
            # The task bar shows the application's title, not the login window's caption.
            self.assertEqual([w["caption"] for w in app.windows() if w["taskbar"]], ["Tastora"])

    def test_missing_closing_text_gives_one_error_box_then_the_login_window(self):
        with Tastora(remove=["data/zac.txt"]) as app:
            box = app.wait_msgbox()
            self.assertEqual(box["caption"], "Tastora")
            self.assertIn("zac.txt", box["text"])
            self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
            # The start-up waits for the box: no window is shown yet, and the main window,
            # still hidden, owns it.
            self.assertEqual(box["owner"], "TForm1")
            self.assertEqual(app.visible_forms(), [])
            app.answer_msgbox()

            # Next comes the login window, not a second box.
            first = app.wait_for("the login window or another box",
                                 lambda: app.msgboxes() or app.visible_forms())
            self.assertEqual(first, ["TForm1"], "after the error box came %r" % (first,))
            settle(app)
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(sorted(app.forms()), sorted(FORM_CLASSES))
            self.assertEqual(app.visible_forms(), ["TForm1"])

    def test_damaged_pictures_are_named_in_error_boxes_and_start_up_goes_on(self):
        alb = None
        with Tastora(start=False) as probe_run:
            alb = probe_run.read_file("data/pictures/alb.jpg")
        files = {
            "data/pictures/alb.jpg": alb[: len(alb) // 3],   # a JPEG cut short
            "data/pictures/graph.bmp": b"this is not a picture",
        }
        with Tastora(files=files) as app:
            named = []
            for _ in range(2):
                box = app.wait_msgbox()
                self.assertEqual(box["caption"], "Tastora")
                named.append(box["text"])
                app.answer_msgbox()
            self.assertTrue(any("alb.jpg" in t for t in named), named)
            self.assertTrue(any("graph.bmp" in t for t in named), named)
            first = app.wait_for("the login window or another box",
                                 lambda: app.msgboxes() or app.visible_forms())
            self.assertEqual(first, ["TForm1"], "after the error boxes came %r" % (first,))
            self.assertEqual(sorted(app.forms()), sorted(FORM_CLASSES))

    def test_closing_the_login_window_ends_the_program_without_writing(self):
        with Tastora() as app:
            app.wait_window("TForm1")
            settle(app, 0.3)
            app.close_box("TForm1")
            self.assertEqual(app.wait_exit(timeout=20), 0)
            self.assertEqual(app.changed_files(), [])


if __name__ == "__main__":
    unittest.main()
