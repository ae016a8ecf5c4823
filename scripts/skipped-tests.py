#!/usr/bin/env python3
"""Prints "PHASE: TEST: REASON" for every test of a CTest JUnit file that did
not run: a GoogleTest skip with the message its GTEST_SKIP gave, or a test
CTest itself did not run, with CTest's reason.
    scripts/skipped-tests.py PHASE JUNIT_FILE"""
import re
import sys
import xml.etree.ElementTree as ET

# GoogleTest writes "file:line: Skipped" (MSVC: "file(line): Skipped") before the message.
LOCATION = re.compile(r"^\S.*(:\d+:|\(\d+\):) Skipped$")


def gtest_reason(name, output):
    """The message between the test's RUN and SKIPPED lines, on one line."""
    run = output.find("[ RUN      ] " + name)
    end = output.find("[  SKIPPED ] " + name, run)
    if run < 0 or end < 0:
        return ""
    lines = output[run:end].splitlines()[1:]
    return " ".join(line.strip() for line in lines if line.strip() and not LOCATION.match(line.strip()))


def main():
    phase, junit = sys.argv[1:]
    for case in ET.parse(junit).getroot().iter("testcase"):
        if case.get("status") not in ("notrun", "disabled"):
            continue
        name = case.get("name").split("  # ")[0]
        skipped = case.find("skipped")
        reason = gtest_reason(name, case.findtext("system-out") or "")
        if not reason:
            reason = skipped.get("message") if skipped is not None else case.get("status")
        print(f"{phase}: {name}: {reason}")


if __name__ == "__main__":
    main()
