#!/usr/bin/env python3
"""Prints "PASSED FAILED" for one ctest run: the GoogleTest cases that passed and failed over all
test programs, from ctest's JUnit file and the GoogleTest XML file that each test wrote
(RESULTS_DIR/TEST.xml, see cmake/test-results). A test that did not pass and reported no
failed case (it crashed, timed out or was not built) counts as one failed case; one that passed and
wrote no results (no GoogleTest program) as one passed case. The output of each test that did not
pass goes to the standard error.

Usage: test-counts.py JUNIT_FILE RESULTS_DIR
"""
import os
import sys
import xml.etree.ElementTree as ElementTree


def case_counts(path):
    """(passed, failed) cases of one GoogleTest XML file, or None where the program left none."""
    try:
        results = ElementTree.parse(path).getroot()
    except (FileNotFoundError, ElementTree.ParseError):
        # None written, or half written by a program that was killed: either way it did not report.
        return None
    passed = failed = 0
    for case in results.iter("testcase"):
        if case.find("failure") is not None:
            failed += 1
        elif case.get("result") == "completed":
            passed += 1
    return passed, failed


def main(junit, results_dir):
    try:
        tests = ElementTree.parse(junit).getroot().iter("testcase")
    except (OSError, ElementTree.ParseError) as error:
        sys.exit(f"no test results in {junit}: {error}")
    total_passed = total_failed = 0
    for test in tests:
        program_passed = test.get("status") == "run"
        counts = case_counts(os.path.join(results_dir, test.get("name") + ".xml"))
        if counts is None:
            counts = (1, 0) if program_passed else (0, 1)
        passed, failed = counts
        if not program_passed:
            failed = max(failed, 1)
            sys.stderr.write(test.findtext("system-out", ""))
        total_passed += passed
        total_failed += failed
    print(total_passed, total_failed)


main(*sys.argv[1:])
