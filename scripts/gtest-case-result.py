#!/usr/bin/env python3
"""Answers for one test what a whole run of its program recorded in GoogleTest's XML report.

    gtest-case-result.py <report.xml> <Suite.Name>

Prints the test's failure messages (or GoogleTest's skip line, which CTest looks for) and exits
with 0 when it passed or was skipped, 1 when it failed, 2 when the report does not hold it (the
caller then runs the test on its own).
"""
import sys
import xml.etree.ElementTree as ElementTree


def main(report, wanted):
    try:
        cases = ElementTree.parse(report).getroot().iter("testcase")
    except (OSError, ElementTree.ParseError):
        return 2
    for case in cases:
        if case.get("classname", "") + "." + case.get("name", "") != wanted:
            continue
        if case.get("status", "run") != "run":
            return 2
        failures = case.findall("failure") + case.findall("error")
        for failure in failures:
            print(failure.text or failure.get("message", ""))
        if failures:
            print("[  FAILED  ] " + wanted)
            return 1
        if case.get("result") == "skipped" or case.find("skipped") is not None:
            print("[  SKIPPED ] " + wanted)
            return 0
        print("[       OK ] " + wanted)
        return 0
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
