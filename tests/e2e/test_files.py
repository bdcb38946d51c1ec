"""The program's files on Windows: a profile store that cannot be replaced stays as it was."""

import os
import stat
import time
import unittest

from tastora_driver import Tastora


class FilesTest(unittest.TestCase):
    def test_a_read_only_profile_store_is_left_as_it_is(self):
        with Tastora(start=False) as app:
            sep = app.session.decimal_separator()
            users = ("[Anna]\r\nnivel=2%s1\r\npass=MQ==\r\n" % sep).encode("cp1251")
            app.write_file("data/users.ini", users)
            app.write_file("data/lista.txt", b"Anna\r\n")
            os.chmod(app.path("data/users.ini"), stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
            app.snapshot_before = app.snapshot()
            app.start()
            app.wait_window("TForm1")
            app.wait_idle()

            # "Новое" on the placeholder, a new name, "Начать": the profile cannot be stored.
            app.click("TForm1", "Bnou")
            app.wait_for("the name to type", lambda: app.text("TForm1", "cbalegenume") == "Имя")
            app.type_text("Petr")
            app.wait_for("the start button", lambda: app.control("TForm1", "Baccept")["enabled"])
            app.click("TForm1", "Baccept")
            box = app.answer_msgbox()
            self.assertEqual(box["caption"], "Tastora")
            self.assertIn("Unable to write to", box["text"])
            self.assertIn("users.ini", box["text"])
            time.sleep(0.3)

            # No login, and the store, the name list and the folder are untouched.
            self.assertEqual(app.msgboxes(), [])
            self.assertEqual(app.visible_forms(), ["TForm1"])
            self.assertEqual(app.read_file("data/users.ini"), users)
            self.assertEqual(app.changed_files(), [])


if __name__ == "__main__":
    unittest.main()
