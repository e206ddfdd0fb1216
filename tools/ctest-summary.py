#!/usr/bin/env python3
"""Summarises one ctest run from the JUnit file ctest writes (--output-junit,
or outputJUnitFile in a test preset of CMakePresets.json).

usage: ctest-summary.py LABEL JUNIT-FILE CTEST-STATUS COUNTS-FILE [CTEST-LOG]

Prints ctest's summary line after LABEL ("host: 100% tests passed, 0 tests
failed out of 14"), then each test that failed with the lines of its output
that say why, and writes "PASSED FAILED" into COUNTS-FILE for the caller's
totals. Skipped and disabled tests count neither way. A run that left no
readable results, ran no test, or exited non-zero without a failed test
counts as one failure more: a broken run never passes. Exits 1 when anything
failed.

The Wine presets run a failed test once more (repeat until-pass); the
JUnit file keeps only the last run. With CTEST-LOG, ctest's console output,
each test that failed first and passed on its second run is named too.
"""
import math
import re
import sys
import xml.etree.ElementTree as ElementTree

# What test programs write when something goes wrong. A GoogleTest
# assertion's "file:line: Failure" is followed by what was expected, up to
# the next "[" line. Single lines: GoogleTest's "[  FAILED  ] Test (N ms)",
# the scripts' and unittest's "FAIL"/"FAILED:"/"ERROR:", the sanitizers'
# "ERROR: AddressSanitizer", "SUMMARY:" and "runtime error:", and the last
# line of a Python traceback.
ASSERTION = re.compile(r": Failure$")
FAILURE_LINE = re.compile(
    r"^\[  FAILED  \] .*\(\d+ ms\)$|^FAIL(ED)?\b|\bERROR\b|^SUMMARY: |runtime error|^\w+Error: ")
# ctest's line for a run that did not pass: "12/40 Test #12: name ....***Failed"
# (a repeated run has no "12/40 ").
NOT_PASSED = re.compile(r"^\s*(?:\d+/\d+ )?Test +#\d+: (\S+) \.*\*\*\*")
LINES_PER_TEST = 20
TAIL_LINES = 5

PASSED, FAILED, SKIPPED, DISABLED = "passed", "failed", "skipped", "disabled"


class Result:
    def __init__(self, name, outcome, seconds, message, output):
        self.name = name
        self.outcome = outcome
        self.seconds = seconds
        self.message = message
        self.output = output


def outcome_of(case):
    """ctest writes status "run", "fail", "notrun" or "disabled". A test it
    did not run is skipped only when the test asked for that (its skip
    return code or skip expression); a missing program or a failed fixture
    is "notrun" too, and ctest counts those as failed."""
    status = case.get("status")
    if status == "run":
        return PASSED
    if status == "disabled":
        return DISABLED
    if status == "notrun":
        skipped = case.find("skipped")
        message = skipped.get("message", "") if skipped is not None else ""
        return SKIPPED if message.startswith("SKIP_") else FAILED
    return FAILED


def message_of(case):
    for tag in ("failure", "skipped"):
        element = case.find(tag)
        if element is not None and element.get("message"):
            return element.get("message")
    return ""


def seconds_of(case):
    try:
        return float(case.get("time", "0"))
    except ValueError:
        return 0.0


def read_results(path):
    """The tests of a JUnit file; raises OSError or ParseError."""
    root = ElementTree.parse(path).getroot()
    return [
        Result(case.get("name", "?"), outcome_of(case), seconds_of(case),
               message_of(case), case.findtext("system-out") or "")
        for case in root.iter("testcase")
    ]


def count(results, outcome):
    return sum(1 for r in results if r.outcome == outcome)


def summary_line(results):
    """ctest's own line: skipped tests count as passed there, disabled ones
    not at all, and a run with a failure never shows 100%."""
    failed = count(results, FAILED)
    passed = count(results, PASSED) + count(results, SKIPPED)
    total = passed + failed
    percent = 100.0 * passed / total
    if failed and percent > 99:
        percent = 99
    return "%d%% tests passed, %d tests failed out of %d" % (
        math.floor(percent + 0.5), failed, total)


def why_lines(output):
    """The lines of a failed test's output that say why it failed, or its
    last lines where none does (a timeout, a crash)."""
    lines = [line.rstrip("\r") for line in output.splitlines()]
    lines = [line for line in lines if line.strip()]
    why = []
    in_assertion = False
    for line in lines:
        if line.startswith("["):
            in_assertion = False
        if ASSERTION.search(line):
            in_assertion = True
        if in_assertion or FAILURE_LINE.search(line):
            why.append(line)
    if not why:
        return lines[-TAIL_LINES:]
    if len(why) > LINES_PER_TEST:
        cut = len(why) - LINES_PER_TEST
        why = why[:LINES_PER_TEST] + ["... %d more" % cut]
    return why


def describe_failure(label, result):
    reason = " (%s)" % result.message if result.message else ""
    return ["%s: failed %s after %.1f s%s" % (label, result.name, result.seconds, reason)] + [
        "    " + line for line in why_lines(result.output)]


def failed_once(log, results):
    """The tests that passed in the end although a run of theirs failed."""
    try:
        with open(log, errors="replace") as f:
            names = [m.group(1) for m in map(NOT_PASSED.match, f) if m]
    except OSError:
        return []
    passed = {r.name for r in results if r.outcome == PASSED}
    return sorted(set(names) & passed)


def summarise(label, junit, status, log=None):
    """The run's summary lines and its (passed, failed) counts."""
    try:
        results = read_results(junit)
    except (OSError, ElementTree.ParseError) as error:
        return ["%s: no test results (ctest exited %d): %s" % (label, status, error)], (0, 1)
    if not results:
        return ["%s: no test ran (ctest exited %d)" % (label, status)], (0, 1)
    lines = ["%s: %s" % (label, summary_line(results))]
    for result in results:
        if result.outcome == FAILED:
            lines += describe_failure(label, result)
        elif result.outcome == SKIPPED:
            lines.append("%s: skipped %s (%s)" % (label, result.name, result.message))
    if log:
        lines += ["%s: %s failed, then passed when run again (%s)" % (label, name, log)
                  for name in failed_once(log, results)]
    passed, failed = count(results, PASSED), count(results, FAILED)
    if status != 0 and failed == 0:
        lines.append("%s: ctest exited %d without a failed test" % (label, status))
        failed = 1
    return lines, (passed, failed)


def main(argv):
    if len(argv) not in (5, 6) or not re.fullmatch(r"-?[0-9]+", argv[3]):
        sys.exit("usage: ctest-summary.py LABEL JUNIT-FILE CTEST-STATUS COUNTS-FILE [CTEST-LOG]")
    label, junit, status, counts = argv[1], argv[2], int(argv[3]), argv[4]
    lines, (passed, failed) = summarise(label, junit, status, argv[5] if len(argv) == 6 else None)
    # The counts first: they are what the caller's totals need.
    with open(counts, "w") as out:
        out.write("%d %d\n" % (passed, failed))
    print("\n".join(lines))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
