"""Counts the test cases of JUnit XML reports (ctest --output-junit, pytest --junitxml):
prints "PASSED FAILED SKIPPED". A test case has failed when it holds a <failure> or an
<error>, was skipped when it holds a <skipped>, and passed otherwise. Exits with status 1
when a report is missing or unreadable.

    python3 scripts/junit_count.py REPORT.xml [...]
"""

import sys
import xml.etree.ElementTree as ET


def count(path):
    passed = failed = skipped = 0
    for case in ET.parse(path).getroot().iter("testcase"):
        tags = {child.tag for child in case}
        if tags & {"failure", "error"}:
            failed += 1
        elif "skipped" in tags:
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped


def main(paths):
    totals = [0, 0, 0]
    for path in paths:
        try:
            for i, n in enumerate(count(path)):
                totals[i] += n
        except (OSError, ET.ParseError) as e:
            print("junit_count: %s: %s" % (path, e), file=sys.stderr)
            return 1
    print("%d %d %d" % tuple(totals))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
