"""The release as a Windows user meets it: the setup file made by scripts/package.sh from the
runnable folder, installed silently into a fresh Wine prefix that reports Windows XP, 7 and
10 in turn. Each time: the Start-menu and desktop shortcuts, the "Programs and Features"
entry, Tastora started through its shortcut (the login window, a new profile written into
the installed data\\ folder, a few keys of the first exercise judged right), the uninstaller
keeping the profiles, a second installation finding them again; the Flash control SWFLASH.OCX
beside the installed program, used from there with no registration (the presentation window
is made, nothing lands in the system directory, a movie plays). Once: installing for all
users, into a folder that cannot be written or over a running Tastora (a message, exit code
2, the installation left as it was), an uninstall that removes the profiles too, and one that
leaves no registration of the control behind.

Prints the setup size, the installed size and the time of each silent install (the first
one in a prefix includes the start of Wine's own processes).
"""

import glob
import hashlib
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

import tastora_driver
from tastora_driver import ROOT, RUNDIR, Session, Tastora
from test_login import replace_name
import test_results
from test_player import BOOK, CLSID, course_files, near
from test_results import HOME_ROW, profile_files, screen_pixel
from test_typing import KEYCODE, letter_keys

PROFILE = "Anna"
BASE_PREFIX = os.path.join(ROOT, "build", "wine-release-base")
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tastora"
KEY_RETURN = "Return"


def wine_env(prefix):
    env = dict(os.environ)
    # No desktop entries of the host for the shortcuts (winemenubuilder).
    env.update(WINEPREFIX=prefix, WINEARCH="win32", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    return env


def run(args, env, timeout=120):
    return subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)


def prepare_base_prefix():
    """A fresh prefix, made once, with Wine's fonts and the program's windows unmanaged (as
    the other end-to-end tests have it); the user's folders that Wine links into the home
    folder (Desktop, Documents...) become folders of the prefix, so that no shortcut lands
    outside it."""
    marker = os.path.join(BASE_PREFIX, ".tastora-release-base")
    if os.path.isfile(marker):
        return
    shutil.rmtree(BASE_PREFIX, ignore_errors=True)
    env = wine_env(BASE_PREFIX)
    env["TASTORA_WINEPREFIX"] = BASE_PREFIX
    r = run(["bash", "-c", 'source "$1" && ensure_wine_prefix && set_windows_managed no && wineserver -w',
             "bash", os.path.join(ROOT, "scripts", "wine-env.sh")], env, timeout=600)
    if r.returncode != 0:
        raise tastora_driver.DriverError("the Wine prefix could not be made: " + r.stdout.decode(errors="replace"))
    for base, dirs, _ in os.walk(os.path.join(BASE_PREFIX, "drive_c", "users")):
        for name in dirs:
            link = os.path.join(base, name)
            if os.path.islink(link):
                os.remove(link)
                os.makedirs(link)
    # The first window program in a prefix sets up Wine's fonts: done here once, so that the
    # install times measured below are the installer's own.
    run(["wine", "regedit", "/E", "C:\\windows\\temp\\wine.reg", "HKEY_CURRENT_USER\\Software\\Wine"], env)
    run(["wineserver", "-w"], env)
    open(marker, "w").close()


def reg_values(env, key):
    """{name: value} of a registry key (empty when there is none)."""
    r = run(["wine", "reg", "query", key], env)
    values = {}
    for line in r.stdout.decode(errors="replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2]
    return values


def tree_hashes(folder):
    result = {}
    for base, _, names in os.walk(folder):
        for name in names:
            full = os.path.join(base, name)
            with open(full, "rb") as f:
                result[os.path.relpath(full, folder)] = hashlib.sha1(f.read()).hexdigest()
    return result


def folder_size(folder):
    return sum(os.path.getsize(os.path.join(b, n)) for b, _, names in os.walk(folder) for n in names)


class Installed(Tastora):
    """Tastora as installed: started through its shortcut (ShellExecute, as Explorer does),
    looked at in place, ended with the processes of the test's own prefix."""

    def __init__(self, install_dir, shortcut=None):
        self.install_dir = install_dir
        self.shortcut = shortcut
        self.ended = False
        super().__init__(start=False)
        self.start()

    def _copy_runnable(self, files, remove, fill_window_files):
        self.dir = self.install_dir

    def start(self):
        self.probe.call("target")  # any tastora.exe: the prefix is this test's own
        self.start_time = time.monotonic()
        if self.shortcut is None:  # double-clicked in Explorer: started in its folder
            subprocess.Popen(["wine", "tastora.exe"], cwd=self.install_dir, env=self.session.env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
            return
        # "start" returns at once; the program must not hold a pipe of ours.
        subprocess.run(["wine", "start", "/unix", self.shortcut], env=self.session.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def running(self):
        return not self.ended

    def kill(self):
        prefix = self.session.env["WINEPREFIX"]
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmdline = f.read().lower()
                with open("/proc/%s/environ" % pid, "rb") as f:
                    environ = f.read().split(b"\0")
            except OSError:
                continue
            if b"tastora.exe" in cmdline and ("WINEPREFIX=" + prefix).encode() in environ:
                try:
                    os.kill(int(pid), 9)
                except ProcessLookupError:
                    pass
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and self.windows():
            time.sleep(0.1)
        self.ended = True

    def close(self):
        self.kill()
        shutil.rmtree(self.tmp, ignore_errors=True)


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        Session.close_all()  # each case has a prefix of its own
        cls.saved_prefix = os.environ.get("TASTORA_E2E_WINEPREFIX")
        cls.tmp = tempfile.mkdtemp(prefix="tastora-release-")
        dist = os.path.join(cls.tmp, "dist")
        r = run(["bash", os.path.join(ROOT, "scripts", "package.sh"), "--from", RUNDIR, "--out", dist], os.environ,
                timeout=300)
        print(r.stdout.decode(errors="replace").strip())
        if r.returncode != 0:
            raise AssertionError("scripts/package.sh failed")
        cls.setup = glob.glob(os.path.join(dist, "tastora-*-setup.exe"))[0]
        cls.zip = glob.glob(os.path.join(dist, "tastora-*-portable.zip"))[0]
        cls.version = os.path.basename(cls.setup)[len("tastora-"):-len("-setup.exe")]
        prepare_base_prefix()

    @classmethod
    def tearDownClass(cls):
        cls.usual_prefix()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    @classmethod
    def usual_prefix(cls):
        """Back to the prefix of the other end-to-end tests."""
        Session.close_all()
        if cls.saved_prefix is None:
            os.environ.pop("TASTORA_E2E_WINEPREFIX", None)
        else:
            os.environ["TASTORA_E2E_WINEPREFIX"] = cls.saved_prefix

    # --- helpers

    def fresh_prefix(self, windows):
        for old in glob.glob(os.path.join(self.tmp, "prefix-*")):  # some 600 MB each
            shutil.rmtree(old, ignore_errors=True)
        prefix = os.path.join(self.tmp, "prefix-" + windows)
        subprocess.run(["cp", "-a", BASE_PREFIX, prefix], check=True, timeout=120)
        self.env = wine_env(prefix)
        run(["wine", "winecfg", "-v", windows], self.env)
        return prefix

    def install(self, *args, expect=0):
        start = time.monotonic()
        r = run(["wine", self.setup, "/S"] + list(args), self.env)
        took = time.monotonic() - start
        self.assertEqual(r.returncode, expect, "setup %s: exit code" % " ".join(args))
        return took

    def uninstall(self, install_dir, *args):
        # The uninstaller goes on in a copy of itself: wait for the prefix to go quiet.
        run(["wine", os.path.join(install_dir, "uninstall.exe"), "/S"] + list(args), self.env)
        run(["wineserver", "-w"], self.env, timeout=60)

    def unix_path(self, windows_path):
        r = run(["wine", "winepath", "-u", windows_path], self.env)
        return r.stdout.decode(errors="replace").strip()

    def shortcuts(self, prefix):
        found = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "**", "Tastora.lnk"), recursive=True)
        found += glob.glob(os.path.join(prefix, "drive_c", "ProgramData", "**", "Tastora.lnk"), recursive=True)
        return sorted(os.path.relpath(p, prefix) for p in found)

    def session_for(self, prefix):
        Session.close_all()
        os.environ["TASTORA_E2E_WINEPREFIX"] = prefix
        return Session.get()

    def start_and_type(self, prefix, install_dir, shortcut):
        """Starts Tastora through the shortcut, makes a profile and types the first keys of
        the first exercise; returns the profile store as the program wrote it."""
        self.session_for(prefix)
        with Installed(install_dir, shortcut) as app:
            app.wait_window("TForm1")
            app.wait_idle()
            # The control beside the program, registered nowhere: the presentation window exists.
            self.assertIn("TFLashplayer", app.forms())
            replace_name(app, PROFILE)
            app.wait_for("the new-profile button",
                         lambda: app.controls("TForm1").get("Bnou", {}).get("enabled"), 20)
            app.click("TForm1", "Bnou")
            app.wait_window("TDonatii")
            app.wait_idle()
            app.key(KEY_RETURN)
            app.wait_msgbox()
            app.key(KEY_RETURN)
            app.wait_for("the start message to close", lambda: not app.msgboxes(), 10)
            app.wait_window("TForm2")
            app.wait_idle()
            # The first three characters of lesson 1, pressed by their physical keys.
            lines = app.read_file("data/text/L1.txt")[2:].decode("utf-16-le").split("\r\n")
            first = lines[lines.index("TEXT") + 1][:3]
            keys = letter_keys(app)
            app.xdotool("key", "--delay", "90", *[str(KEYCODE[keys[c]]) for c in first])
            app.wait_for("the clock to start", lambda: app.control("TForm2", "BPauza")["enabled"], 10)
            self.assertEqual(app.text("TForm2", "Lgres"), "0", "keys %r judged wrong" % first)
            users = app.read_file("data/users.ini").decode("cp1251")
        Session.close_all()
        return users

    def assert_not_provisioned(self, prefix):
        """Neither written into the system directory nor registered."""
        self.assertFalse(os.path.exists(os.path.join(prefix, "drive_c", "windows", "system32", "SWFLASH.OCX")))
        self.assertEqual(reg_values(self.env, "HKCR\\CLSID\\%s\\InprocServer32" % CLSID), {})

    def play_book_movie(self, prefix, install_dir):
        """The test of lesson 3 passed in the installed program, then its book movie plays."""
        sep = reg_values(self.env, "HKCU\\Control Panel\\International").get("sDecimal", ".")
        for rel, content in dict(course_files(3), **profile_files(sep, "3.2")).items():
            path = os.path.join(install_dir, *rel.split("/"))
            with open(path, "wb") as f:
                f.write(content.encode("cp1251") if isinstance(content, str) else content)
        self.session_for(prefix)
        with Installed(install_dir) as app:
            test_results.ResultsTest.log_in(self, app)
            for k in HOME_ROW + ["space"]:
                app.key(k)
            app.wait_window("TForm3")
            app.wait_idle()
            app.key(KEY_RETURN)  # "Далее"
            app.wait_window("TFLashplayer")
            app.wait_for("the book movie", lambda: near(screen_pixel(app, 640, 512), BOOK), timeout=15)
        Session.close_all()
        run(["wineserver", "-w"], self.env, timeout=60)
        self.assert_not_provisioned(prefix)

    # --- the tests

    def test_install_start_uninstall_reinstall_as_xp_7_and_10(self):
        for windows, expected_version in (("winxp", "5.1"), ("win7", "6.1"), ("win10", "10.0")):
            with self.subTest(windows=windows):
                prefix = self.fresh_prefix(windows)
                ver = run(["wine", "cmd", "/c", "ver"], self.env).stdout.decode(errors="replace")
                self.assertIn(" %s." % expected_version, ver, "the version Wine reports")

                took = self.install()
                entry = reg_values(self.env, "HKCU\\" + UNINSTALL_KEY)
                for name, value in (("DisplayName", "Tastora"), ("DisplayVersion", self.version),
                                    ("Publisher", "Tastora Project")):
                    self.assertEqual(entry.get(name), value, name)
                install_dir = self.unix_path(entry["InstallLocation"])
                self.assertIn("AppData", entry["InstallLocation"])  # per user, under the local application data
                self.assertEqual(entry["DisplayIcon"], entry["InstallLocation"] + "\\tastora.exe,0")
                self.assertTrue(os.path.isfile(os.path.join(install_dir, "SWFLASH.OCX")))
                size = folder_size(install_dir)
                print("%s: silent install %.1f s, installed %.2f MB, setup %.2f MB" %
                      (windows, took, size / 1048576, os.path.getsize(self.setup) / 1048576))
                self.assertLessEqual(size, 15 * 1048576)
                self.assertGreater(int(entry["EstimatedSize"], 16) * 1024, size // 2)
                links = self.shortcuts(prefix)
                self.assertEqual(sorted(os.path.basename(os.path.dirname(p)) for p in links), ["Desktop", "Programs"])
                start_menu = [p for p in links if p.endswith(os.path.join("Programs", "Tastora.lnk"))][0]
                journal_link = os.path.join(prefix, os.path.dirname(start_menu), "Tastora — журнал класса.lnk")
                self.assertTrue(os.path.isfile(journal_link), "the class journal's Start-menu shortcut")
                self.assertTrue(os.path.isfile(os.path.join(install_dir, "tastora-teacher.exe")))

                users = self.start_and_type(prefix, install_dir, os.path.join(prefix, start_menu))
                self.assertIn("[%s]" % PROFILE, users)
                self.assert_not_provisioned(prefix)
                profiles = {p: h for p, h in tree_hashes(install_dir).items()
                            if p in ("data/users.ini", "data/lista.txt")}
                self.assertEqual(sorted(profiles), ["data/lista.txt", "data/users.ini"])

                self.uninstall(install_dir)
                self.assertEqual(tree_hashes(install_dir), profiles, "what the uninstaller left")
                self.assertEqual(self.shortcuts(prefix), [])
                self.assertFalse(os.path.exists(journal_link))
                self.assertEqual(reg_values(self.env, "HKCU\\" + UNINSTALL_KEY), {})

                took = self.install("/NoDesktop")
                print("%s: silent reinstall %.1f s" % (windows, took))
                after = tree_hashes(install_dir)
                self.assertIn("tastora.exe", after)
                self.assertEqual({p: after.get(p) for p in profiles}, profiles, "profiles after reinstalling")
                self.assertEqual(len(self.shortcuts(prefix)), 1)

    def test_bad_targets_all_users_and_removing_profiles(self):
        prefix = self.fresh_prefix("win10")
        self.install()
        install_dir = self.unix_path(reg_values(self.env, "HKCU\\" + UNINSTALL_KEY)["InstallLocation"])
        links = self.shortcuts(prefix)
        start_menu = os.path.join(prefix, [p for p in links if "Programs" in p][0])
        self.play_book_movie(prefix, install_dir)
        installed = tree_hashes(install_dir)

        # Into a folder that cannot be made (a file is in its way).
        blocker = os.path.join(prefix, "drive_c", "blocker.txt")
        with open(blocker, "w") as f:
            f.write("x")
        self.install("/D=C:\\blocker.txt\\Tastora", expect=2)
        self.assertTrue(os.path.isfile(blocker))

        # Over a running Tastora: refused, the program goes on, nothing changed.
        self.session_for(prefix)
        with Installed(install_dir, start_menu) as app:
            app.wait_window("TForm1")
            self.install(expect=2)
            self.assertTrue(app.form("TForm1")["visible"])
        Session.close_all()
        self.assertEqual(tree_hashes(install_dir), installed)
        run(["wineserver", "-w"], self.env, timeout=60)

        # For all users (the prefix's user is an administrator): Program Files and the
        # machine's entry; the per-user installation stays as it was.
        self.install("/AllUsers", "/NoDesktop")
        machine = reg_values(self.env, "HKLM\\" + UNINSTALL_KEY)
        self.assertEqual(machine.get("DisplayName"), "Tastora")
        all_users_dir = self.unix_path(machine["InstallLocation"])
        self.assertIn("Program Files", machine["InstallLocation"])
        self.assertTrue(os.path.isfile(os.path.join(all_users_dir, "data", "litere.txt")))
        self.uninstall(all_users_dir)
        self.assertFalse(os.path.exists(all_users_dir))
        self.assertEqual(reg_values(self.env, "HKLM\\" + UNINSTALL_KEY), {})
        self.assertEqual(tree_hashes(install_dir), installed)

        # Registered by hand for this user beside the program: the uninstaller undoes it.
        ocx = reg_values(self.env, "HKCU\\" + UNINSTALL_KEY)["InstallLocation"] + "\\SWFLASH.OCX"
        per_user = "HKCU\\Software\\Classes\\CLSID\\%s\\InprocServer32" % CLSID
        run(["wine", "regsvr32", "/s", "/n", "/i:user", ocx], self.env)
        self.assertTrue(reg_values(self.env, per_user).get("(Default)", "").upper().endswith("SWFLASH.OCX"))

        # A profile and a review lesson, removed on request with everything else.
        with open(os.path.join(install_dir, "data", "users.ini"), "wb") as f:
            f.write(b"[Anna]\r\nnivel=4.3\r\n")
        with open(os.path.join(install_dir, "data", "text", "Anna.txt"), "wb") as f:
            f.write(b"\xff\xfe")
        self.uninstall(install_dir, "/RemoveProfiles")
        self.assertFalse(os.path.exists(install_dir))
        self.assertEqual(self.shortcuts(prefix), [])
        self.assertEqual(reg_values(self.env, per_user), {})


    def test_version_resources_icon_and_manifest(self):
        """Read back by binutils' resource decompiler, not by our own code."""
        for path, expected in (
                (os.path.join(RUNDIR, "tastora.exe"),
                 {"ProductName": "Tastora", "CompanyName": "Tastora Project", "OriginalFilename": "tastora.exe",
                  "FileDescription": "Tastora touch-typing tutor", "ProductVersion": r"1\.3\.\d+"}),
                (os.path.join(RUNDIR, "tastora-teacher.exe"),
                 {"ProductName": "Tastora", "CompanyName": "Tastora Project", "OriginalFilename": "tastora-teacher.exe",
                  "FileDescription": "Tastora class journal", "ProductVersion": r"1\.3\.\d+"}),
                (self.setup,
                 {"ProductName": "Tastora", "CompanyName": "Tastora Project",
                  "ProductVersion": re.escape(self.version), "FileVersion": re.escape(self.version)})):
            with self.subTest(file=os.path.basename(path)):
                r = subprocess.run(["i686-w64-mingw32-windres", "-i", path, "-O", "rc"], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, timeout=60)
                rc = r.stdout.decode("latin-1")
                values = dict(re.findall(r'VALUE "(\w+)", "([^"]*)"', rc))
                for name, pattern in expected.items():
                    self.assertRegex(values.get(name, ""), "^%s$" % pattern, name)
                if path == self.setup:
                    continue
                sizes = re.findall(r'"\\0?(\d+)\\0?\1\\000\\000", 1, 32', rc)
                self.assertEqual(sorted(int(n, 8) for n in sizes), [16, 32, 48], "icon sizes")
                manifest = "".join(re.findall(r'^\s*"(.*)"$', rc.split("RT_MANIFEST")[1], re.M)).replace('""', '"')
                self.assertIn('level="asInvoker"', manifest)
                self.assertRegex(manifest, r">true</dpiAware>")
                self.assertEqual(manifest.count("<supportedOS "), 5)

    def test_portable_zip_runs_where_unpacked(self):
        with zipfile.ZipFile(self.zip) as z:
            names = z.namelist()
            self.assertEqual(names, sorted(names))
            self.assertEqual(sorted({n.split("/")[1] for n in names if n.count("/") >= 1 and n.split("/")[1]}),
                             ["SWFLASH.OCX", "data", "tastora-teacher.exe", "tastora.exe"])
            self.assertFalse([n for n in names if n.endswith(("users.ini", "lista.txt"))])
            z.extractall(os.path.join(self.tmp, "usb"))
        folder = os.path.join(self.tmp, "usb", "Tastora")
        self.usual_prefix()
        with Installed(folder) as app:
            app.wait_window("TForm1")
            self.assertEqual(app.msgboxes(), [], "start-up errors")


if __name__ == "__main__":
    unittest.main()
