"""Counts the test cases of JUnit XML reports (ctest --output-junit, pytest --junitxml):
prints "PASSED FAILED SKIPPED". A test case (its class and name: pytest reports an error in
a test's teardown as a second element of the same name) has failed when one of its elements
holds a <failure> or an <error>, was skipped when it holds a <skipped>, and passed
otherwise. Exits with status 1 when a report is missing or unreadable.

    python3 scripts/junit_count.py REPORT.xml [...]
    python3 scripts/junit_count.py --ctest CTEST_REPORT.xml DIR

With --ctest, an entry of the ctest report that ran and left its own report DIR/<name>.xml
(scripts/ctest_entry.py) counts the cases of that report instead of one, and one failure
more when it failed without a failed case in it (it broke off, or its report is missing);
the counts and time of each such entry are printed on standard error.
"""

import os
import sys
import xml.etree.ElementTree as ET


def outcomes(path, times=None):
    found = {}  # (class, name) -> the tags of its elements
    for case in ET.parse(path).getroot().iter("testcase"):
        key = (case.get("classname"), case.get("name"))
        found.setdefault(key, set()).update(child.tag for child in case)
        if times is not None:
            times[key] = float(case.get("time") or 0)
    return found


def tally(found):
    failed = sum(1 for tags in found.values() if tags & {"failure", "error"})
    skipped = sum(1 for tags in found.values() if "skipped" in tags and not tags & {"failure", "error"})
    return [len(found) - failed - skipped, failed, skipped]


def count_ctest(report, folder):
    totals = [0, 0, 0]
    times = {}
    for key, tags in outcomes(report, times).items():
        name = key[1]
        nested = os.path.join(folder, name + ".xml")
        entry_failed = bool(tags & {"failure", "error"})
        if "skipped" in tags or not os.path.isfile(nested):
            counts = tally({name: tags})
            if entry_failed and os.path.isfile(os.path.join(folder, name + ".log")):
                print("%s: broke off without its report" % name, file=sys.stderr)
        else:
            try:
                counts = tally(outcomes(nested))
            except ET.ParseError as e:
                print("%s: %s: %s" % (name, nested, e), file=sys.stderr)
                counts = [0, 0, 0]
            if entry_failed and counts[1] == 0:
                counts[1] = 1
            print("%s: %d passed / %d failed / %d skipped in %.0f s" % (name, *counts, times[key]), file=sys.stderr)
        totals = [t + n for t, n in zip(totals, counts)]
    return totals


def main(args):
    try:
        if args[:1] == ["--ctest"] and len(args) == 3:
            totals = count_ctest(args[1], args[2])
        else:
            totals = [0, 0, 0]
            for path in args:
                totals = [t + n for t, n in zip(totals, tally(outcomes(path)))]
    except (OSError, ET.ParseError) as e:
        print("junit_count: %s" % e, file=sys.stderr)
        return 1
    print("%d %d %d" % tuple(totals))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
