"""Counts the test cases of JUnit XML reports (ctest --output-junit, pytest --junitxml):
prints "PASSED FAILED SKIPPED". A test case (its class and name: pytest reports an error in
a test's teardown as a second element of the same name) has failed when one of its elements
holds a <failure> or an <error>, was skipped when it holds a <skipped>, and passed
otherwise. Exits with status 1 when a report is missing or unreadable.

    python3 scripts/junit_count.py REPORT.xml [...]
"""

import sys
import xml.etree.ElementTree as ET


def count(path):
    outcomes = {}  # (class, name) -> the tags of its elements
    for case in ET.parse(path).getroot().iter("testcase"):
        key = (case.get("classname"), case.get("name"))
        outcomes.setdefault(key, set()).update(child.tag for child in case)
    failed = sum(1 for tags in outcomes.values() if tags & {"failure", "error"})
    skipped = sum(1 for tags in outcomes.values() if "skipped" in tags and not tags & {"failure", "error"})
    return len(outcomes) - failed - skipped, failed, skipped


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
