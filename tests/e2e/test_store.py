"""The profile store through the Win32 file layer under Wine (storetest.exe, built beside
probe.exe): writers killed with TerminateProcess at random moments, two processes writing
to one data folder at once, and the INI layer against kernel32's profile functions."""

import os
import subprocess
import tempfile
import unittest

from tastora_driver import MINGW_BUILD, Session


class StoreTest(unittest.TestCase):
    def storetest(self, *args, timeout=600, env=None):
        """Runs storetest.exe in a fresh folder with an empty data folder; its last line."""
        exe = os.path.join(MINGW_BUILD, "storetest.exe")
        self.assertTrue(os.path.isfile(exe), "no storetest.exe in " + MINGW_BUILD)
        session = Session.get()
        with tempfile.TemporaryDirectory(prefix="tastora-store-") as folder:
            os.makedirs(os.path.join(folder, "data"))
            r = subprocess.run(["wine", exe] + list(args), cwd=folder, env=dict(session.env, **(env or {})),
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        lines = r.stdout.decode("utf-8", errors="replace").splitlines()
        last = lines[-1] if lines else r.stderr.decode(errors="replace")[-2000:]
        self.assertTrue(last.startswith("ok ") and r.returncode == 0, last)
        return last

    def test_writers_killed_at_random_leave_whole_files(self):
        self.storetest("crash", "200")

    def test_two_processes_writing_at_once_lose_nothing(self):
        self.storetest("classroom", "1000")

    def test_the_teachers_journal_beside_two_learners_loses_nothing(self):
        self.storetest("journal", "1000")

    def test_ini_files_answer_as_the_systems_profile_functions(self):
        # Russian settings: the system's profile functions read and write Windows-1251.
        self.storetest("inidiff", "100", env={"LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8"})


if __name__ == "__main__":
    unittest.main()
