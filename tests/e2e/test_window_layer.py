"""How the windows answer a learner's mouse and keyboard: the name box's list, Enter and the
default button, the message boxes and the confirmation, focus, buttons that act on
mouse-down, a click on a window's background and the title-bar close buttons."""

import base64
import time
import unittest

from tastora_driver import Tastora

NAME = "Анна"
PASSWORD = "1"


def profile(sep):
    users = "[%s]\r\nnivel=1%s1\r\npass=%s\r\n" % (
        NAME, sep, base64.b64encode(PASSWORD.encode("cp1251")).decode("ascii"))
    return {"data/users.ini": users, "data/lista.txt": "Борис\r\n%s\r\n" % NAME}


def lesson(lines):
    """A lesson file: UTF-16LE with a byte-order mark and CR LF line ends."""
    return ("\ufeff" + "".join(line + "\r\n" for line in lines)).encode("utf-16-le")


def login_state(app):
    c = app.controls("TForm1")
    return {n: (c[n]["text"], c[n]["enabled"]) for n in ("cbalegenume", "Bnou", "BSterge", "Baccept")}


def pick(app, entry):
    """Opens the name box's list with its arrow and clicks an entry."""
    box = app.control("TForm1", "cbalegenume")
    left, top, right, bottom = box["rect"]
    app.click_at(right - 6, (top + bottom) // 2)
    height = bottom - top
    app.wait_for("the drop-down list", lambda: any(
        w["class"] == "ComboLBox" and w["visible"] for w in app.windows()), 10)
    lst = next(w for w in app.windows() if w["class"] == "ComboLBox" and w["visible"])
    item = (lst["client"][3] - lst["client"][1]) // max(1, len(box["items"]))
    item = min(item, height)
    index = box["items"].index(entry)
    app.click_at(lst["client"][0] + 20, lst["client"][1] + index * item + item // 2)


class LoginWindowTest(unittest.TestCase):
    def start(self, **kw):
        app = Tastora(start=False, **kw)
        for rel, content in profile(app.session.decimal_separator()).items():
            app.write_file(rel, content)
        app.snapshot_before = app.snapshot()
        app.start()
        app.wait_window("TForm1")
        app.wait_idle()
        return app

    def test_a_name_picked_from_the_list_is_the_text_when_the_change_runs(self):
        with self.start() as app:
            self.assertEqual(app.control("TForm1", "cbalegenume")["items"], ["Борис", NAME])
            self.assertTrue(app.control("TForm1", "cbalegenume")["focused"])
            pick(app, NAME)
            state = app.wait_for("the buttons of an existing profile",
                                 lambda: login_state(app)["Baccept"][1] and login_state(app))
            self.assertEqual(state, {"cbalegenume": (NAME, True), "Bnou": ("Новое", False),
                                     "BSterge": ("Удалить", True), "Baccept": ("Начать", True)})
            # Picking a name without a profile turns the buttons back.
            pick(app, "Борис")
            state = app.wait_for("the buttons of a new name",
                                 lambda: not login_state(app)["Baccept"][1] and login_state(app))
            self.assertEqual(state["cbalegenume"], ("Борис", True))
            self.assertTrue(state["Bnou"][1])
            self.assertFalse(state["BSterge"][1])

    def test_enter_presses_the_default_button_only_while_it_is_enabled(self):
        with self.start() as app:
            app.key("Return")
            time.sleep(0.5)
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(app.visible_forms(), ["TForm1"])

            pick(app, NAME)
            app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"])
            app.click("TForm1", "MEparola")
            app.type_text("2")
            self.assertEqual(app.text("TForm1", "MEparola"), "2")
            app.key("Return")
            box = app.answer_msgbox()
            self.assertEqual(box["caption"], "Tastora")
            self.assertEqual(box["text"], "Вы указали неправильный пароль")
            self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
            self.assertFalse(box["icon"])
            # The password box has the focus again and keeps its text.
            focus = app.wait_for("the focus", lambda: app.focus()["name"] == "MEparola" and app.focus())
            self.assertEqual(focus["form"], "TForm1")
            self.assertEqual(app.text("TForm1", "MEparola"), "2")
            self.assertEqual(app.changed_files(), [])

    def test_the_confirmation_asks_yes_or_no_and_no_keeps_the_profile(self):
        with self.start() as app:
            pick(app, NAME)
            app.wait_for("the delete button", lambda: app.control("TForm1", "BSterge")["enabled"])
            app.click("TForm1", "MEparola")
            app.type_text(PASSWORD)
            app.click("TForm1", "BSterge")
            box = app.wait_msgbox()
            self.assertEqual(box["caption"], "Confirm")
            self.assertEqual(box["text"], "Вы уверены в том, что хотите удалить данного пользователя?")
            self.assertEqual([b["text"] for b in box["buttons"]], ["&Yes", "&No"])
            self.assertTrue(box["icon"])
            app.answer_msgbox("No")
            time.sleep(0.3)
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(app.changed_files(), [])
            self.assertEqual(login_state(app)["cbalegenume"], (NAME, True))


class ExerciseWindowTest(unittest.TestCase):
    CAPTION = "Урок 1. Проверка окна"
    MESSAGE = "Начинаем урок 1."

    def test_buttons_background_and_close_box_of_the_exercise_window(self):
        app = Tastora(start=False)
        with app:
            for rel, content in profile(app.session.decimal_separator()).items():
                app.write_file(rel, content)
            app.write_file("data/text/L1.txt", lesson([self.CAPTION, self.MESSAGE, "1", "2", "TEXT",
                                                        "фыва олдж", "ENDEX"]))
            app.start()
            app.wait_window("TForm1")
            app.wait_idle()
            pick(app, NAME)
            app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"])
            app.click("TForm1", "MEparola")
            app.type_text(PASSWORD)
            app.key("Return")
            box = app.wait_msgbox()
            self.assertEqual(box["text"], self.MESSAGE)
            app.wait_window("TForm2")
            app.answer_msgbox()
            app.wait_idle()
            self.assertEqual(app.visible_forms(), ["TForm2"])
            self.assertEqual(app.form("TForm2")["caption"], self.CAPTION)
            # The window itself has the focus: its buttons never take it.
            app.wait_for("the focus on the exercise window", lambda: app.focus()["form"] == "TForm2")
            self.assertEqual(app.focus()["name"], "")

            # "i" opens the info window; a click on the exercise window's background hides it.
            app.click("TForm2", "SpeedButton2")
            app.wait_window("TFi")
            app.click_form("TForm2", 400, 120)
            app.wait_for("the info window to hide", lambda: "TFi" not in app.visible_forms())

            # "Начать заново" acts on mouse-down and leaves the focus where it was.
            app.click("TForm2", "BReset")
            box = app.wait_msgbox()
            self.assertEqual(box["text"], self.MESSAGE)
            app.answer_msgbox()
            app.wait_idle()
            app.wait_for("the focus on the exercise window", lambda: app.focus()["form"] == "TForm2")
            self.assertNotEqual(app.focus()["name"], "BReset")

            # The title-bar close of the exercise window ends the program.
            app.close_box("TForm2")
            self.assertEqual(app.wait_exit(timeout=20), 0)


if __name__ == "__main__":
    unittest.main()
