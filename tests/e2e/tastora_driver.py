"""Drives the real tastora.exe under Wine for the end-to-end tests (Python 3 stdlib only).

A test starts the program from a temporary copy of the runnable folder (tastora.exe and
data\\) with its own data set, looks at its windows through probe.exe (a console helper
that runs in the same Wine prefix), and acts as a learner with real X input (xdotool):
clicks, keys, typing. It can answer message boxes, read the files that the program wrote
and save PNG screenshots. Every wait has a timeout; the program is killed at the end.

Environment (all optional):
  TASTORA_RUNDIR       runnable folder (default build/tastora)
  TASTORA_MINGW_BUILD  folder of probe.exe (default build/mingw)
  TASTORA_E2E_WINEPREFIX  the tests' own Wine prefix (default build/wine-e2e), created on
                       first use by scripts/wine-env.sh; the program runs there with Wine's
                       fonts and its windows unmanaged (see Session._prepare_prefix)
  DISPLAY              X display; when it does not answer, an Xvfb is started
  TASTORA_E2E_KEEP=1   keep the temporary folders of the runs
"""

import hashlib
import json
import os
import queue
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RUNDIR = os.environ.get("TASTORA_RUNDIR", os.path.join(ROOT, "build", "tastora"))
MINGW_BUILD = os.environ.get("TASTORA_MINGW_BUILD", os.path.join(ROOT, "build", "mingw"))

# The program's windows by class name (the class of each window is its designer class).
FORM_CLASSES = (
    "TForm1", "TForm2", "TForm3", "TForm6", "TFprogres", "Tfh", "TFpic", "TFi",
    "TDonatii", "TDonatii2", "TFLashplayer",
)
# The files that the windows load at start-up.
WINDOW_FILES = (
    "data/prav.txt", "data/rus.txt", "data/zac.txt", "data/pictures/graph.bmp",
    "data/pictures/butoane/k.jpg", "data/pictures/alb.jpg",
)


class DriverError(Exception):
    pass


def _log(text):
    print("  [driver] " + text, flush=True)


# --------------------------------------------------------------------------------------
# Session: display, Wine prefix and the probe, shared by all the runs of one test process.

class Session:
    _instance = None

    @classmethod
    def get(cls):
        if cls._instance is None:
            cls._instance = Session()
        return cls._instance

    @classmethod
    def close_all(cls):
        if cls._instance is not None:
            cls._instance.close()
            cls._instance = None

    def __init__(self):
        self.env = dict(os.environ)
        self.env["WINEPREFIX"] = os.environ.get("TASTORA_E2E_WINEPREFIX",
                                                os.path.join(ROOT, "build", "wine-e2e"))
        self.env.setdefault("WINEDEBUG", "-all")
        self.env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
        self.env.setdefault("WINEARCH", "win32")
        self.xvfb = None
        self.probe = None
        self.probe_exe = os.path.join(MINGW_BUILD, "probe.exe")
        if not os.path.isfile(self.probe_exe):
            raise DriverError("no probe.exe in " + MINGW_BUILD)
        self._ensure_display()
        self._prepare_prefix()
        self._refresh_flash_control()
        self.probe = Probe(self)

    @classmethod
    def copy_of_prefix(cls, folder, prepare=None):
        """A session in a copy of the tests' prepared Wine prefix (made in folder), for tests
        that change the prefix itself (its system directory, its registrations); prepare(prefix)
        may change the copy before Wine starts in it. Its own wineserver and probe; close()
        ends them."""
        main = cls.get()
        # The registry files on disk are complete once the prefix's wineserver has ended.
        main.probe.close()
        subprocess.run(["wineserver", "-w"], env=main.env, timeout=60)
        prefix = os.path.join(folder, "prefix")
        # Linked, not copied (the prefix is some 600 MB): a file that the tests change in the
        # copy is removed there first. The registry files are real copies.
        def link(src, dst):
            if src.endswith(".reg"):
                shutil.copy2(src, dst)
            else:
                os.link(src, dst)
        shutil.copytree(main.env["WINEPREFIX"], prefix, symlinks=True, copy_function=link)
        main.probe = Probe(main)
        if prepare:
            prepare(prefix)
        self = cls.__new__(cls)
        self.env = dict(main.env)
        self.env["WINEPREFIX"] = prefix
        self.xvfb = None
        self.probe_exe = main.probe_exe
        self.own_prefix = True
        self.probe = Probe(self)
        return self

    def _display_answers(self, display):
        if not display:
            return False
        try:
            r = subprocess.run(["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=5)
            return r.returncode == 0
        except (OSError, subprocess.TimeoutExpired):
            return False

    def _ensure_display(self):
        if self._display_answers(self.env.get("DISPLAY")):
            return
        for n in range(120, 200):
            if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    start_new_session=True)
            for _ in range(100):
                if self._display_answers(":%d" % n):
                    self.xvfb = proc
                    self.env["DISPLAY"] = ":%d" % n
                    _log("started Xvfb on :%d" % n)
                    return
                if proc.poll() is not None:
                    break
                time.sleep(0.1)
            proc.kill()
            proc.wait()
        raise DriverError("no X display and Xvfb did not start")

    def wine(self, *args, timeout=60, check=True):
        r = subprocess.run(["wine"] + list(args), env=self.env, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, timeout=timeout)
        if check and r.returncode != 0:
            raise DriverError("wine %s failed: %s" % (" ".join(args), r.stderr.decode(errors="replace")))
        return r

    def _prepare_prefix(self):
        # The same preparation as scripts/run.sh's: the prefix is made on first use and gets
        # Wine's own fonts (Tahoma, Marlett for the title-bar buttons, the Cyrillic MS Sans
        # Serif). The program's windows are not handed to a window manager: Wine draws their
        # frames (the title bar with its close button, found by hit test), gives the keyboard
        # focus to the active window itself (keys need no click first), and hides a window at
        # once (a managed window waits up to 2 s for a window manager that is not there).
        prefix = self.env["WINEPREFIX"]
        env = dict(self.env)
        env["TASTORA_WINEPREFIX"] = prefix
        script = os.path.join(ROOT, "scripts", "wine-env.sh")
        try:
            r = subprocess.run(["bash", "-c", 'source "$1" && ensure_wine_prefix && set_windows_managed no',
                                "bash", script], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               timeout=600)
        except subprocess.TimeoutExpired:
            raise DriverError("preparing the Wine prefix %s took over 600 s" % prefix)
        for line in r.stdout.decode(errors="replace").splitlines():
            _log(line)
        if r.returncode != 0 or not os.path.isfile(os.path.join(prefix, "system.reg")):
            raise DriverError("the Wine prefix %s could not be prepared" % prefix)

    def _refresh_flash_control(self):
        # The program installs its Flash control once, when the prefix does not know it; a
        # prefix kept from an earlier build gets this build's control in the same place.
        built = os.path.join(MINGW_BUILD, "SWFLASH.OCX")
        installed = os.path.join(self.env["WINEPREFIX"], "drive_c", "windows", "system32", "SWFLASH.OCX")
        if os.path.isfile(built) and os.path.isfile(installed):
            with open(built, "rb") as a, open(installed, "rb") as b:
                if a.read() != b.read():
                    os.remove(installed)
                    shutil.copy(built, installed)

    def decimal_separator(self):
        """The user's regional decimal separator in the prefix ("." when none is set)."""
        r = self.wine("reg", "query", "HKCU\\Control Panel\\International", "/v", "sDecimal", check=False)
        for line in r.stdout.decode(errors="replace").splitlines():
            parts = line.split()
            if len(parts) >= 3 and parts[0] == "sDecimal" and parts[1] == "REG_SZ":
                return parts[2][0]
        return "."

    def close(self):
        if self.probe:
            self.probe.close()
            self.probe = None
        if getattr(self, "own_prefix", False):
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=30)
        if self.xvfb:
            try:
                subprocess.run(["wineserver", "-w"], env=self.env, timeout=20)
            except subprocess.TimeoutExpired:
                pass
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
            self.xvfb = None


class Probe:
    """probe.exe in server mode: one command per line, one JSON line per answer."""

    def __init__(self, session):
        self.session = session
        self.proc = subprocess.Popen(["wine", session.probe_exe, "serve"], env=session.env,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        self.lines = queue.Queue()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        self.call("ping", timeout=120)

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line)
        self.lines.put(None)

    def call(self, *args, timeout=20):
        if self.proc.poll() is not None:
            raise DriverError("probe.exe is not running")
        self.proc.stdin.write(("\t".join(str(a) for a in args) + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise DriverError("probe.exe did not answer %r within %ss" % (args, timeout))
        if line is None:
            raise DriverError("probe.exe ended")
        return json.loads(line.decode("utf-8"))

    def close(self):
        try:
            self.proc.stdin.write(b"quit\n")
            self.proc.stdin.flush()
            self.proc.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self.proc.kill()
            self.proc.wait()


# --------------------------------------------------------------------------------------
# Small fixtures for the windows' files, used when the runnable data lacks them.

def _bmp24(width, height, rgb):
    stride = (width * 3 + 3) & ~3
    row = bytes([rgb[2], rgb[1], rgb[0]]) * width + b"\0" * (stride - width * 3)
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def _fixture(rel):
    if rel == "data/prav.txt":
        return "Правила печати (текст для проверки).\r\n".encode("cp1251")
    if rel == "data/rus.txt":
        return "Пожертвования (текст для проверки).\r\n".encode("cp1251")
    if rel == "data/zac.txt":
        return b"{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 " + \
            "Заключение".encode("cp1251") + b"\\par}"
    if rel == "data/pictures/graph.bmp":
        return _bmp24(330, 160, (255, 255, 255))
    if rel.endswith(".jpg"):
        size = "857x289" if rel.endswith("k.jpg") else "737x233"
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "p.jpg")
            subprocess.run(["convert", "-size", size, "xc:white", out], check=True, timeout=60)
            with open(out, "rb") as f:
                return f.read()
    raise KeyError(rel)


# --------------------------------------------------------------------------------------

class Tastora:
    """One run of tastora.exe in a temporary folder.

        with Tastora(remove=["data/zac.txt"]) as app:
            app.wait_window("TForm1")
    """

    def __init__(self, files=None, remove=(), env=None, start=True, fill_window_files=True, session=None):
        self.session = session or Session.get()
        self.probe = self.session.probe
        self.tmp = tempfile.mkdtemp(prefix="tastora-e2e-")
        self.dir = os.path.join(self.tmp, "run")
        self.proc = None
        self.exit_code = None
        self.extra_env = dict(env or {})
        self._copy_runnable(files or {}, remove, fill_window_files)
        self.snapshot_before = self.snapshot()
        if start:
            self.start()

    # --- the folder

    def _copy_runnable(self, files, remove, fill_window_files):
        exe = os.path.join(RUNDIR, "tastora.exe")
        if not os.path.isfile(exe):
            raise DriverError("no tastora.exe in " + RUNDIR)
        os.makedirs(self.dir)
        shutil.copy(exe, os.path.join(self.dir, "tastora.exe"))
        data = os.path.join(RUNDIR, "data")
        if os.path.isdir(data):
            shutil.copytree(data, os.path.join(self.dir, "data"),
                            ignore=shutil.ignore_patterns("users.ini", "lista.txt", "*.tmp~", "tastora.lock"))
        os.makedirs(os.path.join(self.dir, "data", "text"), exist_ok=True)
        if fill_window_files:
            filled = []
            for rel in WINDOW_FILES:
                if rel in remove or rel in files or os.path.exists(self.path(rel)):
                    continue
                self.write_file(rel, _fixture(rel))
                filled.append(rel)
            if filled:
                _log("the runnable data lacks %s; using small test files" % ", ".join(filled))
        for rel, content in files.items():
            self.write_file(rel, content)
        for rel in remove:
            if os.path.exists(self.path(rel)):
                os.remove(self.path(rel))

    def path(self, rel):
        return os.path.join(self.dir, *rel.replace("\\", "/").split("/"))

    def write_file(self, rel, content):
        p = self.path(rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "wb") as f:
            f.write(content if isinstance(content, bytes) else content.encode("cp1251"))

    def read_file(self, rel):
        with open(self.path(rel), "rb") as f:
            return f.read()

    def snapshot(self):
        """{relative path: sha1} of every file in the run folder but the lock file, which
        every change of the profile store leaves (empty) in data/."""
        result = {}
        for base, _, names in os.walk(self.dir):
            for name in names:
                full = os.path.join(base, name)
                rel = os.path.relpath(full, self.dir).replace(os.sep, "/")
                if rel == "data/tastora.lock":
                    continue
                with open(full, "rb") as f:
                    result[rel] = hashlib.sha1(f.read()).hexdigest()
        return result

    def changed_files(self):
        """Files created, changed or removed since the folder was prepared."""
        now = self.snapshot()
        before = self.snapshot_before
        return sorted(set(p for p in set(now) | set(before) if now.get(p) != before.get(p)))

    # --- the process

    def start(self):
        env = dict(self.session.env)
        env.update(self.extra_env)
        self.log_path = os.path.join(self.tmp, "wine.log")
        # The probe looks at this run only (other runs may share the Wine prefix).
        exe = os.path.realpath(os.path.join(self.dir, "tastora.exe"))
        self.probe.call("target", "Z:" + exe.replace("/", "\\"))
        self.start_time = time.monotonic()
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen(["wine", "tastora.exe"], cwd=self.dir, env=env, stdout=log,
                                         stderr=subprocess.STDOUT, start_new_session=True)

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=15):
        try:
            self.exit_code = self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise DriverError("tastora.exe did not end within %ss" % timeout)
        return self.exit_code

    def kill(self):
        if self.proc is not None and self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        # Wait until the wineserver has seen the process go.
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and self.windows():
            time.sleep(0.1)

    def close(self):
        self.kill()
        if os.environ.get("TASTORA_E2E_KEEP") != "1":
            shutil.rmtree(self.tmp, ignore_errors=True)
        else:
            _log("kept " + self.tmp)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    # --- looking

    def windows(self):
        """Top-level windows of the program (forms, message boxes, ...)."""
        return self.probe.call("windows")

    def forms(self):
        return {w["class"]: w for w in self.windows() if w["class"] in FORM_CLASSES}

    def visible_forms(self):
        return sorted(c for c, w in self.forms().items() if w["visible"])

    def form(self, cls):
        return self.forms().get(cls)

    def controls(self, cls):
        answer = self.probe.call("controls", cls)
        if "error" in answer:
            raise DriverError(answer["error"])
        return {c["name"] or ("#%d" % c["hwnd"]): c for c in answer["controls"]}

    def control(self, cls, name):
        c = self.controls(cls).get(name)
        if c is None:
            raise DriverError("no control %s in %s" % (name, cls))
        return c

    def text(self, cls, name):
        return self.control(cls, name)["text"]

    def msgboxes(self):
        return self.probe.call("msgbox")

    def focus(self):
        return self.probe.call("focus")

    def memory(self):
        return self.probe.call("memory")

    def wait_for(self, what, predicate, timeout=20, interval=0.1):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if not self.running():
                raise DriverError("tastora.exe ended (exit code %s) while waiting for %s" %
                                  (self.proc.returncode, what))
            if time.monotonic() > deadline:
                raise DriverError("timed out after %ss waiting for %s" % (timeout, what))
            time.sleep(interval)

    def wait_window(self, cls, timeout=30):
        """Waits until the window (class name) is visible; returns its description."""
        def visible():
            w = self.form(cls)
            return w if w and w["visible"] else None
        return self.wait_for("window " + cls, visible, timeout)

    def wait_msgbox(self, timeout=30):
        boxes = self.wait_for("a message box", self.msgboxes, timeout)
        return boxes[0]

    def wait_idle(self, timeout_ms=10000):
        return self.probe.call("idle", timeout_ms, timeout=timeout_ms / 1000 + 10)

    # --- acting (real input on the X display)

    def xdotool(self, *args):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.session.env,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
        if r.returncode != 0:
            raise DriverError("xdotool %s: %s" % (" ".join(map(str, args)), r.stderr.decode(errors="replace")))

    def pointer(self):
        """(x, y) of the mouse pointer on the screen."""
        r = subprocess.run(["xdotool", "getmouselocation", "--shell"], env=self.session.env,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
        fields = dict(line.split("=", 1) for line in r.stdout.decode(errors="replace").splitlines() if "=" in line)
        try:
            return int(fields["X"]), int(fields["Y"])
        except (KeyError, ValueError):
            return None

    def click_at(self, x, y, button=1):
        # "mousemove --sync" waits until the pointer has moved: when it is there already
        # (the same control clicked twice) xdotool would wait 15 s for nothing.
        if self.pointer() != (x, y):
            self.xdotool("mousemove", "--sync", x, y)
        time.sleep(0.05)
        self.xdotool("click", button)
        time.sleep(0.15)

    def click_rect(self, rect, button=1):
        left, top, right, bottom = rect
        self.click_at((left + right) // 2, (top + bottom) // 2, button)

    def click(self, cls, name, button=1):
        """Clicks a control of a window by its designer name."""
        self.click_rect(self.control(cls, name)["rect"], button)

    def click_form(self, cls, x=None, y=None):
        """Clicks the client area of a window (at client coordinates, default a corner)."""
        w = self.form(cls)
        left, top = w["client"][0], w["client"][1]
        self.click_at(left + (x if x is not None else 2), top + (y if y is not None else 2))

    def close_box(self, cls):
        """Clicks the title-bar close button of a window."""
        box = self.probe.call("closebox", cls)
        if "error" in box:
            raise DriverError(box["error"])
        self.click_at(box["x"], box["y"])

    def close_command(self, cls):
        """Sends a window the system's close command, as Alt+F4 would (also to a window
        without a title bar)."""
        answer = self.probe.call("close", cls)
        if not answer.get("posted"):
            raise DriverError("the close command did not reach %s: %r" % (cls, answer))
        time.sleep(0.15)

    def key(self, *keys):
        """Presses keys (X key names: Return, Tab, a, Cyrillic_a, shift+a ...)."""
        self.xdotool("key", "--delay", 60, *keys)
        time.sleep(0.1)

    def type_text(self, text):
        self.xdotool("type", "--delay", 60, text)
        time.sleep(0.1)

    def answer_msgbox(self, button=None, timeout=30):
        """Answers the open message box by clicking its button (the default one, or the one
        with this text); returns the box as it was."""
        box = self.wait_msgbox(timeout)
        buttons = box["buttons"]
        if button is None:
            chosen = next((b for b in buttons if b["default"]), buttons[0] if buttons else None)
        else:
            chosen = next((b for b in buttons if b["text"].replace("&", "") == button.replace("&", "")), None)
        if chosen is None:
            raise DriverError("no button %r in the message box %r" % (button, box))
        self.click_rect(chosen["rect"])
        self.wait_for("the message box to close",
                      lambda: all(b["hwnd"] != box["hwnd"] for b in self.msgboxes()), 10)
        return box

    # --- pictures

    def screenshot(self, png_path, cls=None):
        """Saves the screen, or one window (class name) of it, as a PNG."""
        os.makedirs(os.path.dirname(os.path.abspath(png_path)), exist_ok=True)
        full = png_path + ".full.png"
        r = subprocess.run(["import", "-window", "root", full], env=self.session.env,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        if r.returncode != 0:
            raise DriverError("import failed: " + r.stderr.decode(errors="replace"))
        if cls is None:
            os.replace(full, png_path)
            return png_path
        w = self.form(cls) if cls in FORM_CLASSES else None
        if w is None:
            w = next((x for x in self.windows() if x["caption"] == cls), None)
        if w is None:
            raise DriverError("no window " + cls)
        left, top, right, bottom = w["rect"]
        left, top = max(0, left), max(0, top)
        geometry = "%dx%d+%d+%d" % (max(1, right - left), max(1, bottom - top), left, top)
        subprocess.run(["convert", full, "-crop", geometry, "+repage", png_path], check=True, timeout=60)
        os.remove(full)
        return png_path
