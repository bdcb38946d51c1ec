"""Profiles through the real login window: creating one, opening it again after a restart
with a wrong and the right password, deleting it ("&No", then "&Yes"), and the files of an
older installation. Every scenario runs under a Russian regional setting (decimal separator
",") and under an English one ("."), each in a fresh folder whose data\\ holds the course
data only.

Names and passwords are typed with real key events. The display gets an English and a
Russian keyboard layout for these tests, so that Latin and Cyrillic letters are both keys of
the keyboard (xdotool types from the layout's second group instead of re-mapping a key
code, which the window system can miss for the first key).
"""

import os
import re
import subprocess
import time
import unittest

from tastora_driver import ROOT, Session, Tastora

LEGACY = os.path.join(ROOT, "tests", "data", "legacy")
PLACEHOLDER = "Выберите имя"
WRONG_PASSWORD = "Вы указали неправильный пароль"
DELETE_QUESTION = "Вы уверены в том, что хотите удалить данного пользователя?"
CLOSING_CAPTION = "ЗАКЛЮЧИТЕЛЬНОЕ ОБРАЩЕНИЕ."
BUTTONS = ("cbalegenume", "Bnou", "BSterge", "Baccept")


# --------------------------------------------------------------------------------------
# The display's keyboard layout and the prefix's regional setting

def current_layout():
    """setxkbmap arguments that bring back the display's layout as it is now."""
    session = Session.get()
    r = subprocess.run(["setxkbmap", "-display", session.env["DISPLAY"], "-query"], stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL, timeout=30)
    fields = dict(line.split(":", 1) for line in r.stdout.decode(errors="replace").splitlines() if ":" in line)
    args = ["-layout", fields.get("layout", "us").strip()]
    if fields.get("variant", "").strip():
        args += ["-variant", fields["variant"].strip()]
    return args


def set_layout(args):
    session = Session.get()
    subprocess.run(["setxkbmap", "-display", session.env["DISPLAY"]] + args, check=True, timeout=30)


INTERNATIONAL = "HKCU\\Control Panel\\International"


def regional_value(name):
    """A value of the user's regional settings in the prefix, or None when it is not set."""
    r = Session.get().wine("reg", "query", INTERNATIONAL, "/v", name, check=False)
    for line in r.stdout.decode(errors="replace").splitlines():
        m = re.match(r"^\s*%s\s+REG_SZ\s+(.*)$" % re.escape(name), line)
        if m:
            return m.group(1).rstrip("\r")
    return None


def set_regional_value(name, value):
    """Sets (None: removes) a value of the user's regional settings; the program reads them
    when it starts."""
    session = Session.get()
    if value is None:
        session.wine("reg", "delete", INTERNATIONAL, "/v", name, "/f", check=False)
    else:
        session.wine("reg", "add", INTERNATIONAL, "/v", name, "/t", "REG_SZ", "/d", value, "/f")


# --------------------------------------------------------------------------------------
# Acting on the login window

def login_state(app):
    c = app.controls("TForm1")
    return {n: (c[n]["text"], c[n]["enabled"]) for n in BUTTONS}


def pick(app, entry):
    """Opens the name box's list with its arrow and clicks the entry; waits until the name
    box shows it."""
    box = app.control("TForm1", "cbalegenume")
    items = box["items"]
    index = items.index(entry)
    left, top, right, bottom = box["rect"]
    app.click_at(right - 6, (top + bottom) // 2)
    lst = app.wait_for("the drop-down list", lambda: next(
        (w for w in app.windows() if w["class"] == "ComboLBox" and w["visible"]), None), 10)
    # The list is as high as its entries (up to its limit).
    item = min((lst["client"][3] - lst["client"][1]) // max(1, len(items)), bottom - top)
    app.click_at(lst["client"][0] + 20, lst["client"][1] + index * item + item // 2)
    app.wait_for("the name box to show %r" % entry,
                 lambda: app.text("TForm1", "cbalegenume") == entry, 10)


def replace_name(app, text):
    """Clicks into the name box's text, selects all of it and types the new text."""
    box = app.control("TForm1", "cbalegenume")
    left, top, right, bottom = box["rect"]
    app.click_at(left + 20, (top + bottom) // 2)
    app.key("End", "shift+Home")
    app.type_text(text)
    app.wait_for("the name box to show %r" % text, lambda: app.text("TForm1", "cbalegenume") == text, 10)


def type_password(app, text):
    app.click("TForm1", "MEparola")
    app.key("End", "shift+Home", "BackSpace")
    app.type_text(text)
    app.wait_for("the password box to hold what was typed", lambda: app.text("TForm1", "MEparola") == text, 10)


def lesson_header(app, name):
    """Lines 1 and 2 of a lesson file of the run's course data (caption and start message)."""
    data = app.read_file("data/text/%s.txt" % name)
    assert data[:2] == b"\xff\xfe", "%s.txt is not UTF-16LE with a byte-order mark" % name
    lines = data[2:].decode("utf-16-le").split("\r\n")
    return lines[0], lines[1]


def restart(app):
    """Ends the program and starts it again in the same folder; returns the files as they
    are then."""
    app.kill()
    app.start()
    app.wait_window("TForm1")
    app.wait_idle()
    return app.snapshot()


def settle(app, seconds=0.5):
    app.wait_idle()
    time.sleep(seconds)


# --------------------------------------------------------------------------------------

class LoginScenarios:
    """The scenarios; a subclass names the regional setting (SEPARATOR)."""

    SEPARATOR = None

    @classmethod
    def setUpClass(cls):
        saved_layout = current_layout()
        cls.addClassCleanup(set_layout, saved_layout)
        set_layout(["-layout", "us,ru"])
        saved = regional_value("sDecimal")
        cls.addClassCleanup(set_regional_value, "sDecimal", saved)
        set_regional_value("sDecimal", cls.SEPARATOR)
        if Session.get().decimal_separator() != cls.SEPARATOR:
            raise RuntimeError("the regional decimal separator of the prefix could not be set to %r"
                               % cls.SEPARATOR)

    def fresh(self, legacy=False, remove=()):
        """A run folder with the course data and no profile files (or the older
        installation's files); the program is not started yet."""
        app = Tastora(start=False, remove=list(remove))
        leftovers = [rel for rel in ("data/users.ini", "data/lista.txt") if os.path.exists(app.path(rel))]
        if leftovers:
            app.close()
            self.fail("profile files in a fresh folder: %s" % leftovers)
        if legacy:
            for name in sorted(os.listdir(LEGACY)):
                if not name.startswith("."):
                    with open(os.path.join(LEGACY, name), "rb") as f:
                        app.write_file("data/" + name, f.read())
        app.snapshot_before = app.snapshot()
        return app

    def start(self, app):
        app.start()
        app.wait_window("TForm1")
        app.wait_idle()

    def profile_bytes(self):
        """users.ini and lista.txt as creating Анна with the password "abc" writes them."""
        users = "[Анна]\r\nnivel=1%s1\r\npass=YWJj\r\n" % self.SEPARATOR
        return users.encode("cp1251"), "Анна\r\n".encode("cp1251")

    def assert_start_message_and_caption(self, app, lesson):
        """The exercise window opens with the lesson's caption and its start message."""
        caption, message = lesson_header(app, lesson)
        box = app.wait_msgbox()
        self.assertEqual(box["caption"], "Tastora")
        self.assertEqual(box["text"], message)
        self.assertEqual(app.form("TForm2")["caption"], caption)
        self.assertTrue(app.form("TForm2")["visible"])
        self.assertFalse(app.form("TForm1")["visible"], "the login window is still shown")
        app.answer_msgbox()
        settle(app, 0.3)
        self.assertEqual(app.visible_forms(), ["TForm2"])
        self.assertEqual(app.msgboxes(), [])

    # --- a new profile, the restart, a wrong and the right password

    def test_new_profile_is_created_then_opened_again_with_its_password(self):
        users, lista = self.profile_bytes()
        with self.fresh() as app:
            self.start(app)
            # Start-up: only "Новое" can be pressed, the list has the one empty entry of a
            # missing name list, and Enter does nothing.
            self.assertEqual(app.form("TForm1")["caption"], "Tastora 1.3")
            self.assertEqual(login_state(app), {
                "cbalegenume": (PLACEHOLDER, True), "Bnou": ("Новое", True),
                "BSterge": ("Удалить", False), "Baccept": ("Начать", False)})
            self.assertEqual(app.control("TForm1", "cbalegenume")["items"], [""])
            self.assertTrue(app.control("TForm1", "cbalegenume")["focused"])
            app.key("Return")
            settle(app)
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(app.visible_forms(), ["TForm1"])
            self.assertEqual(login_state(app)["cbalegenume"], (PLACEHOLDER, True))

            # "Новое" on the placeholder: "Имя", all of it selected, and nothing written.
            app.click("TForm1", "Bnou")
            app.wait_for("the name to type", lambda: app.text("TForm1", "cbalegenume") == "Имя")
            self.assertTrue(app.control("TForm1", "cbalegenume")["focused"])
            self.assertFalse(app.control("TForm1", "Baccept")["enabled"])
            # Typing replaces the whole selected text.
            app.type_text("a/b")
            app.wait_for("the typed name", lambda: app.text("TForm1", "cbalegenume") == "a/b", 10)
            state = app.wait_for("the start button",
                                 lambda: login_state(app)["Baccept"][1] and login_state(app))
            self.assertTrue(state["Bnou"][1])
            self.assertEqual(app.changed_files(), [])

            # A name that cannot be stored: a Russian message, no login, no file.
            app.click("TForm1", "Bnou")
            box = app.answer_msgbox()
            self.assertEqual(box["caption"], "Tastora")
            self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
            self.assertRegex(box["text"], "[А-Яа-яЁё]")
            self.assertNotEqual(box["text"], WRONG_PASSWORD)
            settle(app, 0.3)
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(app.visible_forms(), ["TForm1"])
            self.assertEqual(app.changed_files(), [])

            # Анна with the password "abc" and Enter: the donations window.
            replace_name(app, "Анна")
            self.assertTrue(app.control("TForm1", "Baccept")["enabled"])
            type_password(app, "abc")
            app.key("Return")
            app.wait_window("TDonatii")
            settle(app, 0.3)
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(app.visible_forms(), ["TDonatii"])
            self.assertEqual(app.changed_files(), ["data/lista.txt", "data/users.ini"])
            self.assertEqual(app.read_file("data/users.ini"), users)
            self.assertEqual(app.read_file("data/lista.txt"), lista)

            # Its "Далее" starts the first exercise.
            app.click("TDonatii", "Button1")
            self.assertEqual(app.wait_window("TForm2")["visible"], True)
            self.assert_start_message_and_caption(app, "L1")

            # Restart: the name is in the list; picking it allows opening and deleting. "Новое"
            # pressed first (the new-profile mode lasts until the end) opens no door: an
            # existing profile still needs its password.
            before = restart(app)
            self.assertEqual(app.control("TForm1", "cbalegenume")["items"], ["Анна"])
            app.click("TForm1", "Bnou")
            app.wait_for("the name to type", lambda: app.text("TForm1", "cbalegenume") == "Имя")
            pick(app, "Анна")
            state = app.wait_for("the buttons of an existing profile",
                                 lambda: login_state(app)["Baccept"][1] and login_state(app))
            self.assertEqual(state, {"cbalegenume": ("Анна", True), "Bnou": ("Новое", False),
                                     "BSterge": ("Удалить", True), "Baccept": ("Начать", True)})

            # A wrong password: the message, then the focus in the password box, text kept.
            type_password(app, "abd")
            app.key("Return")
            box = app.answer_msgbox()
            self.assertEqual(box["caption"], "Tastora")
            self.assertEqual(box["text"], WRONG_PASSWORD)
            self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
            self.assertFalse(box["icon"])
            focus = app.wait_for("the focus in the password box",
                                 lambda: app.focus().get("name") == "MEparola" and app.focus())
            self.assertEqual(focus["form"], "TForm1")
            self.assertEqual(app.text("TForm1", "MEparola"), "abd")
            self.assertEqual(app.visible_forms(), ["TForm1"])
            self.assertEqual(login_state(app), state)

            # The right password opens the exercise at level 1.1; the files stay as they are.
            type_password(app, "abc")
            app.key("Return")
            app.wait_window("TForm2")
            self.assert_start_message_and_caption(app, "L1")
            self.assertEqual(app.snapshot(), before)
            self.assertEqual(app.read_file("data/users.ini"), users)

    # --- deleting: "&No" keeps everything, "&Yes" removes the profile

    def test_deleting_a_profile_asks_first_and_no_changes_nothing(self):
        users, lista = self.profile_bytes()
        with self.fresh() as app:
            app.write_file("data/users.ini", users)
            app.write_file("data/lista.txt", lista)
            app.snapshot_before = app.snapshot()
            self.start(app)
            pick(app, "Анна")
            app.wait_for("the delete button", lambda: app.control("TForm1", "BSterge")["enabled"])
            type_password(app, "abc")
            state = login_state(app)

            for answer in ("No", "Yes"):
                app.click("TForm1", "BSterge")
                box = app.wait_msgbox()
                self.assertEqual(box["caption"], "Confirm")
                self.assertEqual(box["text"], DELETE_QUESTION)
                self.assertEqual([b["text"] for b in box["buttons"]], ["&Yes", "&No"])
                self.assertTrue(box["icon"], "the question has no icon")
                app.answer_msgbox(answer)
                if answer == "No":
                    settle(app, 0.3)
                    self.assertEqual(app.msgboxes(), [])
                    self.assertEqual(app.changed_files(), [])
                    self.assertEqual(app.read_file("data/users.ini"), users)
                    self.assertEqual(app.read_file("data/lista.txt"), lista)
                    self.assertEqual(login_state(app), state)
                    self.assertEqual(app.text("TForm1", "MEparola"), "abc")

            app.wait_for("the placeholder", lambda: app.text("TForm1", "cbalegenume") == PLACEHOLDER, 10)
            settle(app, 0.3)
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(app.read_file("data/lista.txt"), b"")
            remaining = app.read_file("data/users.ini").decode("cp1251")
            self.assertNotIn("[анна]", remaining.lower())
            self.assertNotIn("pass=", remaining)
            self.assertEqual(app.changed_files(), ["data/lista.txt", "data/users.ini"])
            self.assertEqual(app.text("TForm1", "MEparola"), "")
            self.assertEqual(app.control("TForm1", "cbalegenume")["items"], [])
            self.assertEqual(login_state(app), {
                "cbalegenume": (PLACEHOLDER, True), "Bnou": ("Новое", False),
                "BSterge": ("Удалить", False), "Baccept": ("Начать", False)})
            # The name is free again: typing it offers "Новое" only.
            replace_name(app, "Анна")
            state = app.wait_for("the buttons of a new name",
                                 lambda: login_state(app)["Bnou"][1] and login_state(app))
            self.assertFalse(state["BSterge"][1])
            self.assertFalse(state["Baccept"][1])

    # --- the files of an older installation (users.ini written under Russian settings)

    def open_legacy_profile(self, name, password, remove=()):
        """Starts on the older installation's files, picks the name and logs in."""
        app = self.fresh(legacy=True, remove=remove)
        try:
            self.start(app)
            self.assertEqual(app.control("TForm1", "cbalegenume")["items"],
                             ["Анна", "Иван Петров", "Ivan", "Ольга"])
            pick(app, name)
            app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"])
            type_password(app, password)
            app.key("Return")
        except BaseException:
            app.close()
            raise
        return app

    def test_older_installation_anna(self):
        with self.open_legacy_profile("Анна", "секрет") as app:
            app.wait_window("TForm2")
            # "nivel=2,1" is level 2.1 under "," and not a number under ".": level 1.1.
            self.assert_start_message_and_caption(app, "L2" if self.SEPARATOR == "," else "L1")
            self.assertEqual(app.changed_files(), [])

    def test_older_installation_finished_course(self):
        with self.open_legacy_profile("Иван Петров", "Ёжик") as app:
            if self.SEPARATOR == ",":
                # 17,1: the course is over, the closing address instead of an exercise.
                app.wait_window("TForm6")
                settle(app)
                self.assertEqual(app.msgboxes(), [])
                self.assertEqual(app.visible_forms(), ["TForm6"])
                self.assertEqual(app.form("TForm6")["caption"], CLOSING_CAPTION)
            else:
                app.wait_window("TForm2")
                self.assert_start_message_and_caption(app, "L1")
            self.assertEqual(app.changed_files(), [])


class RussianRegionalSettings(LoginScenarios, unittest.TestCase):
    SEPARATOR = ","

    def test_older_installation_review_without_its_file(self):
        # Ольга is at 16.3, the review exercise, whose lesson is her own generated file; the
        # older installation did not leave it behind, so it is made afresh from her counters
        # and the review starts.
        with self.open_legacy_profile("Ольга", "Пароль1", remove=["data/text/Ольга.txt"]) as app:
            app.wait_window("TForm2")
            box = app.wait_msgbox()
            self.assertEqual(box["caption"], "Tastora")
            self.assertTrue(box["text"].startswith("УКАЗАНИЯ: Расположите пальцы"), box["text"])
            self.assertEqual(app.form("TForm2")["caption"], "Повторения")
            app.answer_msgbox()
            settle(app, 0.3)
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(app.visible_forms(), ["TForm2"])
            review = app.read_file("data/text/Ольга.txt").decode("utf-16-le")
            lines = review.lstrip("\ufeff").split("\r\n")
            self.assertEqual(lines[0], "Повторения")
            self.assertEqual(lines[5 + 15], "ENDEX")
            self.assertTrue(all(len(line) == 89 for line in lines[5:20]), lines[5:20])
            self.assertEqual(app.changed_files(), ["data/text/Ольга.txt"])
            # "Выход" ends the program normally.
            app.click("TForm2", "Button1")
            self.assertEqual(app.wait_exit(timeout=20), 0)


class EnglishRegionalSettings(LoginScenarios, unittest.TestCase):
    SEPARATOR = "."


if __name__ == "__main__":
    unittest.main()
