"""Runs the end-to-end tests (tests/e2e/test_*.py, unittest style) against the real
tastora.exe under Wine. The last line is "N passed, N failed"; the exit code is 0 only
when every test passed.

    python3 tests/e2e/run_e2e.py [-k PATTERN] [-v]

Counting: every test method counts once. It has failed when it, or any of its subtests,
failed or raised (each failing subtest gets a "FAIL" line of its own, and the method one
more at its end); it has passed when it ran to its end without that. A method skipped as a
whole (or whose subtests were all skipped) is counted in neither number. A failure of a class
or module fixture (setUpClass, tearDownModule, ...) counts as one failed test of its own.
"""

import argparse
import os
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, HERE)

import tastora_driver  # noqa: E402


class Result(unittest.TextTestResult):
    """Prints one line per test method and sorts every method into passed, failed or
    skipped (see the module's description)."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.passed_ids = []
        self.failed_ids = []
        self.skipped_ids = []
        self._current = None

    def _state(self, test):
        """The state of the running method that this test or subtest belongs to."""
        owner = getattr(test, "test_case", test)
        if self._current is not None and self._current["test"] is owner:
            return self._current
        return None

    def startTest(self, test):
        self._current = {"test": test, "started": time.monotonic(), "failed": False, "skipped": None,
                         "success": False, "subtests_ok": 0, "subtests_skipped": 0}
        super().startTest(test)

    def stopTest(self, test):
        super().stopTest(test)
        state, self._current = self._current, None
        if state is None or state["test"] is not test:
            return
        took = time.monotonic() - state["started"]
        if state["failed"]:
            self.failed_ids.append(test.id())
            self._say("FAIL %s (%.1fs)" % (test.id(), took))
        elif state["skipped"] is not None or (state["subtests_skipped"] and not state["subtests_ok"]
                                               and not state["success"]):
            self.skipped_ids.append(test.id())
            self._say("skip %s: %s" % (test.id(), state["skipped"] or "every subtest was skipped"))
        else:
            self.passed_ids.append(test.id())
            self._say("ok   %s (%.1fs)" % (test.id(), took))

    def _say(self, line):
        self.stream.writeln(line)
        self.stream.flush()

    def _failed(self, test):
        state = self._state(test)
        if state is not None:
            state["failed"] = True
        else:
            # A class or module fixture (its id names it): one failed test of its own.
            self.failed_ids.append(test.id())
            self._say("FAIL %s" % test.id())

    def addSuccess(self, test):
        unittest.TestResult.addSuccess(self, test)
        state = self._state(test)
        if state is not None:
            state["success"] = True

    def addFailure(self, test, err):
        unittest.TestResult.addFailure(self, test, err)
        self._failed(test)

    def addError(self, test, err):
        unittest.TestResult.addError(self, test, err)
        self._failed(test)

    def addSubTest(self, test, subtest, err):
        unittest.TestResult.addSubTest(self, test, subtest, err)
        state = self._state(test)
        if err is None:
            if state is not None:
                state["subtests_ok"] += 1
            return
        self._say("FAIL %s" % subtest.id())
        self._failed(test)

    def addSkip(self, test, reason):
        unittest.TestResult.addSkip(self, test, reason)
        state = self._state(test)
        if state is None:
            self._say("skip %s: %s" % (test.id(), reason))
        elif test is state["test"]:
            state["skipped"] = reason
        else:
            state["subtests_skipped"] += 1
            self._say("skip %s: %s" % (test.id(), reason))

    def addExpectedFailure(self, test, err):
        unittest.TestResult.addExpectedFailure(self, test, err)
        state = self._state(test)
        if state is not None:
            state["success"] = True

    def addUnexpectedSuccess(self, test):
        unittest.TestResult.addUnexpectedSuccess(self, test)
        self._failed(test)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-k", dest="pattern", help="run only the tests whose id contains this")
    parser.add_argument("-v", dest="verbose", action="store_true")
    args = parser.parse_args()

    loader = unittest.TestLoader()
    suite = loader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)

    def flatten(s):
        for t in s:
            if isinstance(t, unittest.TestSuite):
                yield from flatten(t)
            else:
                yield t

    tests = list(flatten(suite))
    if args.pattern:
        tests = [t for t in tests if args.pattern in t.id()]
    runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=0, resultclass=Result)
    result = None
    session_error = None
    try:
        result = runner.run(unittest.TestSuite(tests))
    except tastora_driver.DriverError as e:
        session_error = str(e)
    finally:
        try:
            tastora_driver.Session.close_all()
        except Exception as e:  # the summary line must still come
            print("closing the session failed: %s" % e)
    if result is None:
        print("the end-to-end session failed: %s" % session_error)
        print("0 passed, %d failed" % max(1, len(tests)))
        return 1
    passed, failed = len(result.passed_ids), len(result.failed_ids)
    if result.skipped_ids:
        print("%d skipped" % len(result.skipped_ids))
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
