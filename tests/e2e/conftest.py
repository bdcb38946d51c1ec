"""pytest set-up of the end-to-end tests (tests/e2e/test_*.py, unittest style) against the
real tastora.exe under Wine:

    /usr/bin/python3 -m pytest tests/e2e [-k EXPRESSION]

- One session (display, Wine prefix, probe.exe; tastora_driver.Session) is shared by all the
  tests of a run and closed at its end.
- The tests run in the order unittest gives them: module, then class, then method, each by
  name.
- A test method counts once: a failing subtest (unittest's subTest) fails its method and the
  method's other subtests still run, each failure printed.
- A failed test leaves a screenshot of the display in build/e2e-failures/.
"""

import os
import re
import subprocess
import sys

import _pytest.unittest
import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, HERE)

import tastora_driver  # noqa: E402

FAILURE_SHOTS = os.path.join(tastora_driver.ROOT, "build", "e2e-failures")


def _add_subtest(self, test_case, subtest, err):
    """unittest's subtest report, for pytest's unittest item: the first failure becomes the
    method's failure, every one is printed, and the run goes on with the next subtest."""
    if err is None:
        return
    print("FAIL %s: %s" % (subtest.id(), err[1]), flush=True)
    if not getattr(self, "_excinfo", None):
        self._addexcinfo(err)


_pytest.unittest.TestCaseFunction.addSubTest = _add_subtest
_pytest.unittest.TestCaseFunction.failfast = False  # unittest asks after a failed subtest


def pytest_collection_modifyitems(session, config, items):
    def unittest_order(item):
        cls = item.cls.__name__ if item.cls is not None else ""
        return (os.path.basename(str(item.fspath)), cls, item.name)

    items.sort(key=unittest_order)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if report.failed and call.when == "call":
        _screenshot(item.nodeid)


def _screenshot(nodeid):
    session = tastora_driver.Session._instance
    display = (session.env if session is not None else os.environ).get("DISPLAY")
    if not display:
        return
    os.makedirs(FAILURE_SHOTS, exist_ok=True)
    name = re.sub(r"[^A-Za-z0-9_.-]+", "_", nodeid) + ".png"
    path = os.path.join(FAILURE_SHOTS, name)
    try:
        subprocess.run(["import", "-display", display, "-window", "root", path], timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        print("screenshot of the failure: %s" % os.path.relpath(path, tastora_driver.ROOT))
    except (OSError, subprocess.SubprocessError):
        pass


def pytest_sessionfinish(session, exitstatus):
    tastora_driver.Session.close_all()
