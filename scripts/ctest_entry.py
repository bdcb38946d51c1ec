"""Runs one of the ctest entries that is a runner of many test cases of its own (the Ruffle
comparison, the 32-bit sanitizer build, the fuzz targets, the end-to-end and release tests),
so that the test command can count its cases one by one (scripts/junit_count.py --ctest):

    python3 scripts/ctest_entry.py REPORT [--needs PATH] [--needs-program NAME]
        [--passed REGEX --failed REGEX] -- COMMAND [ARG...]

REPORT is the entry's JUnit report; it is removed first, and the command writes it itself
(pytest --junitxml, ctest --output-junit) unless the command prints one line per case: then
--passed and --failed match those lines (the case's name as group 1) and the report is
written from them. The output goes to ctest and into a file beside REPORT (.log for .xml).
When a needed file or program is missing the command is not run and the entry is skipped
(exit status 77, ctest's SKIP_RETURN_CODE of these entries). Exits with the command's status
(1 for a command's own 77).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

SKIPPED = 77


def write_report(path, name, cases):
    suite = ET.Element("testsuite", name=name, tests=str(len(cases)),
                       failures=str(sum(1 for _, line, ok in cases if not ok)))
    for case, line, ok in cases:
        element = ET.SubElement(suite, "testcase", classname=name, name=case)
        if not ok:
            ET.SubElement(element, "failure", message=line)
    ET.ElementTree(suite).write(path, encoding="utf-8", xml_declaration=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("report")
    parser.add_argument("--needs", action="append", default=[])
    parser.add_argument("--needs-program", action="append", default=[])
    parser.add_argument("--passed")
    parser.add_argument("--failed")
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()

    log_path = os.path.splitext(args.report)[0] + ".log"
    for path in (args.report, log_path):
        if os.path.exists(path):
            os.remove(path)
    missing = [p for p in args.needs if not os.path.exists(p)]
    missing += [p for p in args.needs_program if shutil.which(p) is None]
    if missing:
        print("not run: missing %s" % ", ".join(missing))
        return SKIPPED

    os.makedirs(os.path.dirname(os.path.abspath(args.report)), exist_ok=True)
    patterns = [(re.compile(args.passed), True), (re.compile(args.failed), False)] if args.passed else []
    cases = []
    with open(log_path, "w", encoding="utf-8", errors="replace") as log:
        process = subprocess.Popen(args.command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, text=True, errors="replace")
        for line in process.stdout:
            sys.stdout.write(line)
            sys.stdout.flush()
            log.write(line)
            log.flush()
            for pattern, ok in patterns:
                match = pattern.search(line)
                if match:
                    cases.append((match.group(1), line.strip(), ok))
                    break
        status = process.wait()
    if status == SKIPPED:  # a failure of the command, not a skip of the entry
        status = 1
    if patterns:
        write_report(args.report, os.path.basename(args.report).rsplit(".", 1)[0], cases)
    return status if status >= 0 else 128 - status


if __name__ == "__main__":
    sys.exit(main())
