"""The teacher's class journal, tastora-teacher.exe, on a data folder with a few learners: the
export without a window, and the window as a teacher uses it (list, sort, detail, an action)."""

import base64
import hashlib
import os
import shutil
import subprocess
import unittest

from tastora_driver import RUNDIR, Tastora

WINDOW = "TastoraJournal"


class Journal(Tastora):
    """tastora-teacher.exe in a run folder of its own (the course data beside it)."""

    def __init__(self, users, names):
        super().__init__(start=False)
        shutil.copy(os.path.join(RUNDIR, "tastora-teacher.exe"), self.path("tastora-teacher.exe"))
        sep = self.session.decimal_separator()
        self.users = users.replace("{sep}", sep).encode("cp1251")
        self.write_file("data/users.ini", self.users)
        self.write_file("data/lista.txt", "".join(n + "\r\n" for n in names))

    def start(self):
        # The first start's offer of a teacher's password is over for this user.
        self.session.wine("reg", "add", "HKCU\\Software\\Tastora\\Journal", "/v", "PasswordOffered", "/t",
                          "REG_DWORD", "/d", "1", "/f")
        exe = os.path.realpath(self.path("tastora-teacher.exe"))
        self.probe.call("target", "Z:" + exe.replace("/", "\\"))
        self.proc = subprocess.Popen(["wine", "tastora-teacher.exe"], cwd=self.dir,
                                     env=dict(self.session.env, **self.extra_env),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)

    def export(self, *args):
        r = subprocess.run(["wine", "tastora-teacher.exe", "/export"] + list(args), cwd=self.dir,
                           env=self.session.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        return r.returncode, r.stderr.decode("utf-8", errors="replace")

    def win_path(self, rel):
        return "Z:" + os.path.realpath(self.path(rel)).replace("/", "\\")

    def list_view(self):
        return self.control(WINDOW, "LearnerList")

    def names(self):
        return [row[0] for row in self.list_view()["rows"]]

    def wait_journal(self):
        self.wait_for("the journal window",
                      lambda: any(w["class"] == WINDOW and w["visible"] for w in self.windows()), 60)
        self.wait_idle()

    def reset_counters_of(self, name):
        """Selects the learner, "Обнулить ошибки", "Да" in the confirmation."""
        self.click_rect(self.list_view()["row_rects"][self.names().index(name)])
        self.wait_for("the detail", lambda: self.text(WINDOW, "LearnerText").startswith(name + ":"))
        self.click(WINDOW, "ResetButton")
        box = self.wait_msgbox()
        self.click_rect(box["buttons"][0]["rect"])  # "Да"
        return box


CLASS = ("; 5Б\r\n[Анна]\r\nnivel=7{sep}2\r\npass=YWJj\r\n1{sep}1=40\r\n6{sep}2=90\r\n12=3\r\n35=9\r\n"
         "[Борис]\r\nnivel=17{sep}1\r\npass=\r\n16.2=150\r\n"
         "[=HYPERLINK(1)]\r\nnivel=1{sep}1\r\n"
         "[Вера]\r\nnivel=3{sep}1\r\n5=2\r\n1{sep}1=35\r\n")
NAMES = ["Анна", "Борис", "=HYPERLINK(1)", "Вера"]


class JournalTest(unittest.TestCase):
    def test_export_without_a_window(self):
        with Journal(CLASS, NAMES) as app:
            code, err = app.export(app.win_path("class.csv"))
            self.assertEqual(code, 0, err)
            csv = app.read_file("class.csv")
            self.assertTrue(csv.startswith(b"\xef\xbb\xbf"))
            lines = csv[3:].decode("utf-8").split("\r\n")
            self.assertEqual(lines[0].split(";")[0], "Ученик")
            self.assertEqual(lines[1:-1], [
                "\"'=HYPERLINK(1)\";Урок 1, упражнение;0;;;0;0",
                "Анна;Урок 7, тест;6;90;90;12;38",
                "Борис;Курс пройден;16;150;150;0;100",
                "Вера;Урок 3, упражнение;2;35;35;2;11",
            ])

            code, err = app.export(app.win_path("class.html"), app.win_path("data"))
            self.assertEqual(code, 0, err)
            html = app.read_file("class.html").decode("utf-8")
            self.assertEqual(html.count("data:image/png;base64,iVBORw0KGgo"), 8)

            # Refusals: a message and a non-zero exit code, no file.
            for args, message in [((app.win_path("class.txt"),), ".csv или .html"),
                                  ((app.win_path("x.csv"), app.win_path("missing")), "Папки данных нет"),
                                  ((app.win_path("x.csv"), app.win_path("data/text")), "не папка data"),
                                  ((), "Используйте")]:
                with self.subTest(args=args):
                    code, err = app.export(*args)
                    self.assertNotEqual(code, 0)
                    self.assertIn(message, err)
            self.assertFalse(os.path.exists(app.path("class.txt")))
            self.assertEqual(app.read_file("data/users.ini"), app.users)

    def test_the_teacher_sorts_opens_a_learner_and_resets_the_counters(self):
        with Journal(CLASS, NAMES) as app:
            app.start()
            app.wait_journal()
            self.assertEqual(app.names(), ["=HYPERLINK(1)", "Анна", "Борис", "Вера"])
            rows = {r[0]: r for r in app.list_view()["rows"]}
            self.assertEqual(rows["Анна"][1:6], ["Урок 7, тест", "6", "90", "90", "12"])

            # The name column's header: descending; the errors' header: most first.
            app.click_rect(app.list_view()["columns"][0])
            app.wait_for("descending names", lambda: app.names() == ["Вера", "Борис", "Анна", "=HYPERLINK(1)"])
            app.click_rect(app.list_view()["columns"][5])
            app.wait_for("errors ascending", lambda: app.names()[-2:] == ["Вера", "Анна"])

            # The filter keeps the names that hold the typed text, letter case ignored.
            app.click(WINDOW, "FilterEdit")
            app.type_text("link")
            app.wait_for("the filtered list", lambda: app.names() == ["=HYPERLINK(1)"])
            app.key("End", "shift+Home", "BackSpace")
            app.wait_for("the whole list", lambda: len(app.names()) == 4)

            # Vera in detail, then her counters reset after the confirmation.
            app.click_rect(app.list_view()["row_rects"][app.names().index("Вера")])
            app.wait_for("Vera's detail", lambda: app.text(WINDOW, "LearnerText").startswith("Вера: Урок 3, упражнение"))
            self.assertIn("2 ошибки", app.text(WINDOW, "MissedText"))
            box = app.reset_counters_of("Вера")
            self.assertIn("Обнулить счётчики ошибок ученика «Вера»", box["text"])
            app.wait_for("the reset row", lambda: next(r for r in app.list_view()["rows"] if r[0] == "Вера")[5] == "0")
            expected = CLASS.replace("{sep}", app.session.decimal_separator()).replace("5=2", "5=0")
            self.assertEqual(app.read_file("data/users.ini"), expected.encode("cp1251"))
            self.assertEqual(app.read_file("data/lista.txt"), "".join(n + "\r\n" for n in NAMES).encode("cp1251"))

    def test_deleting_two_learners_at_once(self):
        with Journal(CLASS, NAMES) as app:
            app.start()
            app.wait_journal()
            rects = app.list_view()["row_rects"]
            app.click_rect(rects[app.names().index("Анна")])
            app.xdotool("keydown", "ctrl")
            try:
                app.click_rect(rects[app.names().index("Вера")])
            finally:
                app.xdotool("keyup", "ctrl")
            app.wait_for("two selected", lambda: len(app.list_view()["selected"]) == 2)
            app.click(WINDOW, "DeleteButton")
            box = app.wait_msgbox()
            self.assertIn("Удалить 2 учеников", box["text"])
            self.assertEqual(app.read_file("data/users.ini"), app.users, "nothing before the answer")
            app.click_rect(box["buttons"][0]["rect"])  # "Да"
            app.wait_for("the shorter list", lambda: app.names() == ["=HYPERLINK(1)", "Борис"])
            users = app.users.decode("cp1251")
            kept = users[:users.index("[Анна]")] + users[users.index("[Борис]"):users.index("[Вера]")]
            self.assertEqual(app.read_file("data/users.ini"), kept.encode("cp1251"))
            self.assertEqual(app.read_file("data/lista.txt"), "Борис\r\n=HYPERLINK(1)\r\n".encode("cp1251"))

    def test_a_teacher_password_is_asked_before_a_change(self):
        with Journal(CLASS, NAMES) as app:
            # A record as any PBKDF2-HMAC-SHA256 makes it: the journal checks it with CryptoAPI.
            salt = os.urandom(16)
            digest = hashlib.pbkdf2_hmac("sha256", b"Uchitel 5B", salt, 20000)
            app.write_file("data/teacher.ini", "[teacher]\r\nsalt=%s\r\nrounds=20000\r\nhash=%s\r\n" % (
                base64.b64encode(salt).decode(), base64.b64encode(digest).decode()))
            app.start()
            app.wait_journal()
            for typed, refused in (("uchitel 5B", True), ("Uchitel 5B", False)):
                with self.subTest(typed=typed):
                    app.reset_counters_of("Анна")
                    app.wait_for("the password window", lambda: any(
                        w["class"] == "TastoraJournalPassword" and w["visible"] for w in app.windows()))
                    app.type_text(typed)
                    app.key("Return")
                    if refused:
                        box = app.answer_msgbox()
                        self.assertIn("Неверный пароль учителя", box["text"])
                        self.assertEqual(app.read_file("data/users.ini"), app.users)
                    else:
                        app.wait_for("the reset", lambda: b"12=0" in app.read_file("data/users.ini"))
                        self.assertEqual(app.read_file("data/users.ini"),
                                         app.users.replace(b"12=3", b"12=0").replace(b"35=9", b"35=0"))


if __name__ == "__main__":
    unittest.main()
