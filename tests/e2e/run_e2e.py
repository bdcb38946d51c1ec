"""Runs the end-to-end tests (tests/e2e/test_*.py, unittest style) against the real
tastora.exe under Wine. The last line is "N passed, N failed"; the exit code is 0 only
when every test passed.

    python3 tests/e2e/run_e2e.py [-k PATTERN] [-v]
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
    def startTest(self, test):
        self._started = time.monotonic()
        super().startTest(test)

    def _say(self, status, test):
        took = time.monotonic() - getattr(self, "_started", time.monotonic())
        self.stream.writeln("%-4s %s (%.1fs)" % (status, test.id(), took))
        self.stream.flush()

    def addSuccess(self, test):
        unittest.TestResult.addSuccess(self, test)
        self._say("ok", test)

    def addFailure(self, test, err):
        unittest.TestResult.addFailure(self, test, err)
        self._say("FAIL", test)

    def addError(self, test, err):
        unittest.TestResult.addError(self, test, err)
        self._say("FAIL", test)

    def addSkip(self, test, reason):
        unittest.TestResult.addSkip(self, test, reason)
        self.stream.writeln("skip %s: %s" % (test.id(), reason))


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
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    passed = result.testsRun - failed - len(result.skipped)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
