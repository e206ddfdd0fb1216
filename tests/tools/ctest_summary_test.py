#!/usr/bin/env python3
"""tools/ctest-summary.py against real ctest runs.

A scratch CMake project holds one test of each kind ctest knows: passed,
failed with GoogleTest's failure lines, crashed, its program missing,
skipped by its return code, disabled, and one left unrun by a failed
fixture. ctest runs it and writes its JUnit file; the summary must print
ctest's own summary line for that run (read from ctest's console output),
name every failed test with the lines that say why, and count exactly the
passed and the failed tests. Runs that left no usable results must count
as failed.

usage: ctest_summary_test.py CTEST-SUMMARY.PY CMAKE CTEST
"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

TOOL, CMAKE, CTEST = sys.argv[1:4]

PROJECT = r"""
cmake_minimum_required(VERSION 3.25)
project(scratch NONE)
enable_testing()
add_test(NAME passes COMMAND sh -c "echo '[       OK ] A.b'")
add_test(NAME fails COMMAND sh -c
  "echo '[       OK ] A.SurvivesEveryFailure (0 ms)'; echo '[ RUN      ] A.c'; echo 'a_test.cpp:12: Failure'; echo 'Expected: 1'; echo '[  FAILED  ] A.c (0 ms)'; echo '[  FAILED  ] 1 test, listed below:'; exit 1")
add_test(NAME floods COMMAND sh -c "for i in $(seq 30); do echo \"x.cpp:$i: Failure\"; done; exit 1")
add_test(NAME crashes COMMAND sh -c "echo first; echo last words; kill -SEGV $$")
add_test(NAME missing COMMAND ${CMAKE_BINARY_DIR}/no-such-program)
add_test(NAME skips COMMAND sh -c "exit 77")
set_tests_properties(skips PROPERTIES SKIP_RETURN_CODE 77)
add_test(NAME disabled COMMAND sh -c "exit 1")
set_tests_properties(disabled PROPERTIES DISABLED ON)
add_test(NAME fixture.setup COMMAND sh -c "exit 1")
set_tests_properties(fixture.setup PROPERTIES FIXTURES_SETUP scratch)
add_test(NAME needs.fixture COMMAND sh -c "exit 0")
set_tests_properties(needs.fixture PROPERTIES FIXTURES_REQUIRED scratch)
"""

# Failed: fails, floods, crashes, missing, fixture.setup, needs.fixture.
PASSED, FAILED = 1, 6


def run(*args, cwd=None):
    return subprocess.run(list(args), cwd=cwd, capture_output=True, text=True)


class Run:
    """A ctest run of a scratch project: its JUnit file, console output
    and exit status."""

    def __init__(self, work, tests, regex=None, repeat=None):
        source, build = os.path.join(work, "src"), os.path.join(work, "build")
        os.makedirs(source)
        with open(os.path.join(source, "CMakeLists.txt"), "w") as out:
            out.write(tests)
        configured = run(CMAKE, "-G", "Ninja", "-S", source, "-B", build)
        if configured.returncode != 0:
            raise RuntimeError(configured.stdout + configured.stderr)
        self.junit = os.path.join(build, "junit.xml")
        selection = (["-R", regex] if regex else []) + (["--repeat", repeat] if repeat else [])
        ctest = run(CTEST, "--output-junit", self.junit, *selection, cwd=build)
        self.console, self.status = ctest.stdout + ctest.stderr, ctest.returncode
        self.log = os.path.join(work, "ctest.log")
        with open(self.log, "w") as out:
            out.write(self.console)


class Summary:
    """The tool's printed lines, counts and exit status for one run."""

    def __init__(self, work, junit, status, log=None):
        counts = os.path.join(work, "counts")
        done = run(sys.executable, TOOL, "suite", junit, str(status), counts, *([log] if log else []))
        self.lines, self.exit = done.stdout.splitlines(), done.returncode
        with open(counts) as text:
            self.passed, self.failed = map(int, text.read().split())

    def block(self, test):
        """The lines printed for one failed test, from its name on."""
        start = next(i for i, line in enumerate(self.lines)
                     if line.startswith("suite: failed %s " % test))
        end = next((i for i in range(start + 1, len(self.lines))
                    if not self.lines[i].startswith("    ")), len(self.lines))
        return self.lines[start:end]


def ctest_summary_line(console):
    return re.search(r"^\d+% tests passed, .*$", console, re.M).group(0)


class MixedRun(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        cls.ctest = Run(cls.work.name, PROJECT)
        cls.summary = Summary(cls.work.name, cls.ctest.junit, cls.ctest.status)

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_prints_ctests_own_summary_line_first(self):
        self.assertNotEqual(self.ctest.status, 0)
        self.assertEqual(self.summary.lines[0], "suite: " + ctest_summary_line(self.ctest.console))

    def test_counts_passed_and_failed_tests_only(self):
        self.assertEqual((self.summary.passed, self.summary.failed), (PASSED, FAILED))
        self.assertEqual(self.summary.exit, 1)

    def test_names_every_failed_test_once(self):
        named = [line.split()[2] for line in self.summary.lines if line.startswith("suite: failed ")]
        self.assertEqual(sorted(named), sorted(
            ["fails", "floods", "crashes", "missing", "fixture.setup", "needs.fixture"]))

    def test_shows_why_a_test_failed(self):
        cases = {
            "fails": ["    a_test.cpp:12: Failure", "    Expected: 1", "    [  FAILED  ] A.c (0 ms)"],
            "crashes": ["    first", "    last words"],
            "missing": ["    Unable to find executable: %s/build/no-such-program" % self.work.name],
            "needs.fixture": ["    Failed test dependencies: fixture.setup"],
        }
        for test, why in cases.items():
            with self.subTest(test=test):
                self.assertEqual(self.summary.block(test)[1:], why)
        self.assertIn("(Unable to find executable)", self.summary.block("missing")[0])

    def test_cuts_a_flood_of_failure_lines(self):
        block = self.summary.block("floods")
        self.assertEqual(block[1], "    x.cpp:1: Failure")
        self.assertEqual(block[-1], "    ... 10 more")
        self.assertEqual(len(block), 1 + 20 + 1)

    def test_reports_skipped_but_not_disabled_tests(self):
        self.assertIn("suite: skipped skips (SKIP_RETURN_CODE=77)", self.summary.lines)
        self.assertFalse([line for line in self.summary.lines if "disabled" in line])


class BrokenRuns(unittest.TestCase):
    """Runs without usable results count as one failure each."""

    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.addCleanup(self.work.cleanup)

    def write(self, name, text):
        path = os.path.join(self.work.name, name)
        with open(path, "w") as out:
            out.write(text)
        return path

    def test_no_usable_results(self):
        cases = {
            "no file": (os.path.join(self.work.name, "absent.xml"), 1, "no test results"),
            "cut short": (self.write("cut.xml", '<testsuite tests="1"><testcase name='), 1,
                          "no test results"),
            "no test": (self.write("none.xml", '<testsuite tests="0"/>'), 8, "no test ran"),
        }
        for case, (junit, status, says) in cases.items():
            with self.subTest(case=case):
                summary = Summary(self.work.name, junit, status)
                self.assertEqual((summary.passed, summary.failed), (0, 1))
                self.assertIn(says, summary.lines[0])
                self.assertEqual(summary.exit, 1)

    def test_failed_status_without_a_failed_test(self):
        done = Run(self.work.name, PROJECT, regex="^passes$")
        summary = Summary(self.work.name, done.junit, 2)
        self.assertEqual((summary.passed, summary.failed), (1, 1))
        self.assertEqual(summary.lines[-1], "suite: ctest exited 2 without a failed test")


class RepeatedRun(unittest.TestCase):
    """A run that gives a failed test a second run names the tests that
    passed only then, and counts them as passed."""

    def test_names_tests_that_passed_on_their_second_run(self):
        project = PROJECT + r"""
add_test(NAME once COMMAND sh -c "[ -f once.ran ] || { touch once.ran; echo FAILED: first; exit 1; }")
"""
        with tempfile.TemporaryDirectory() as work:
            done = Run(work, project, regex="^(passes|fails|once)$", repeat="until-pass:2")
            summary = Summary(work, done.junit, done.status, done.log)
        self.assertEqual((summary.passed, summary.failed), (2, 1))
        self.assertEqual([line for line in summary.lines if "run again" in line],
                         ["suite: once failed, then passed when run again (%s)" % done.log])


class PassingRun(unittest.TestCase):
    def test_prints_only_the_summary_line(self):
        with tempfile.TemporaryDirectory() as work:
            done = Run(work, PROJECT, regex="^passes$")
            summary = Summary(work, done.junit, done.status)
        self.assertEqual(done.status, 0)
        self.assertEqual(summary.lines, ["suite: 100% tests passed, 0 tests failed out of 1"])
        self.assertEqual((summary.passed, summary.failed, summary.exit), (1, 0, 0))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
