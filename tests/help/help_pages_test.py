#!/usr/bin/env python3
"""The shipped help pages in a real browser (headless Chromium).

The URLs come from the setup library's own help resolution, run under Wine
by helpurls.exe for a driver whose HelpRootDirectory names the help folder:
exactly what a Help press opens, and the hand-off URL a running browser
would be given. Wine's drive letters are mapped to the Linux paths they
stand for; nothing else of the URLs is changed.

Checked: every topic's URL shows that topic's heading in single view; the
hand-off switches the topic in an open help window without reloading it,
and does nothing in a window without the help frame; the navigation's
index lists the table's keywords; an unknown topic says so.

usage: help_pages_test.py BIN-DIR [--help-folder DIR | --driver NAME]
  --help-folder  register a test driver for a copy of DIR (a path with
                 blanks and parentheses, as under Program Files (x86))
  --driver       use the help folder an installed driver registered
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
from urllib.parse import unquote

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import webdriver  # noqa: E402

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WINE_RUN = os.path.join(TOP, "tools", "wine-run")
DIALOG_TOPICS = ["infgeneral", "infconnection", "infadvanced"]
TEST_DRIVER = "help pages test driver"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def wine(*args):
    result = subprocess.run([WINE_RUN] + list(args), capture_output=True, text=True,
                            stdin=subprocess.DEVNULL)
    return result.returncode, result.stdout.replace("\r", ""), result.stderr.replace("\r", "")


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def prefix():
    return os.environ.get("WINEPREFIX", os.path.join(TOP, "build", "wineprefix"))


def linux_url(url):
    """file:///X:/... with Wine's drive X replaced by the directory it maps."""
    def drive(match):
        target = os.path.realpath(os.path.join(prefix(), "dosdevices", match.group(1).lower() + ":"))
        return "file://" + target.rstrip("/") + "/"
    return re.sub(r"file:///([A-Za-z]):/", drive, url)


def topics_of(help_folder):
    with open(os.path.join(help_folder, "topics", "topics.js"), encoding="utf-8") as f:
        script = f.read()
    topics = re.findall(r'\{"name": "([^"]+)", "title": "([^"]+)"', script)
    anchors = {}
    for name, block in re.findall(r'"name": "([^"]+)".*?"fields": \[(.*?)\]\}', script, re.S):
        anchors[name] = re.findall(r'"anchor": "([^"]+)"', block)
    return [(name, title, anchors[name]) for name, title in topics]


def help_urls(bin_dir, driver, topic_names):
    status, out, err = wine(os.path.join(bin_dir, "helpurls.exe"), driver, *topic_names)
    if status != 0:
        raise RuntimeError("helpurls failed: " + err + out)
    pairs = [line.split("\t") for line in out.splitlines() if line]
    return {name: (url, handoff) for name, (url, handoff) in zip(topic_names, pairs)}


def shown_topic(browser):
    return browser.run('return [document.body.getAttribute("data-topic"), document.title,'
                       ' document.getElementById("navigation").hidden]')


def frame_heading_and_anchors(browser):
    browser.enter_frame("#document")
    try:
        heading = browser.wait_for('var h = document.querySelector("h1");'
                                   ' return h && h.textContent')
        anchors = browser.run('return Array.prototype.map.call('
                              'document.querySelectorAll("dt[id]"), function (d) { return d.id; })')
        return heading, anchors
    finally:
        browser.leave_frame()


def check_topic_pages(browser, topics, urls):
    for name, title, anchors in topics:
        url = linux_url(urls[name][0])
        browser.open(url)
        check(shown_topic(browser) == [name, title + " - Informix ODBC Driver Help", True],
              "%s: entry page shows %s" % (url, shown_topic(browser)))
        heading, shown_anchors = frame_heading_and_anchors(browser)
        check(heading == title, "%s: heading %r, expected %r" % (url, heading, title))
        check(shown_anchors == anchors, "%s: fields %s, expected %s" % (url, shown_anchors, anchors))


def check_handoff(browser, topics, urls):
    first = topics[0][0]
    browser.open(linux_url(urls[first][0]))
    browser.run("window.openedOnce = true")
    for name, title, _ in topics[1:] + topics[:1]:
        browser.run("window.location.href = arguments[0]", linux_url(urls[name][1]))
        switched = browser.wait_for('return document.body.getAttribute("data-topic") == "%s"'
                                    ' && window.openedOnce' % name)
        check(switched, "hand-off to %s did not switch the open help window in place" % name)
        heading, _ = frame_heading_and_anchors(browser)
        check(heading == title, "hand-off to %s: heading %r" % (name, heading))
    # A window without the help frame ignores the hand-off.
    page = linux_url(urls[first][0]).split("/wwhelp/")[0] + "/topics/%s.htm" % first
    browser.open(page)
    browser.run("window.location.href = arguments[0]", linux_url(urls[topics[1][0]][1]))
    location = unquote(browser.run("return location.href"))
    heading = browser.run('return document.querySelector("h1").textContent')
    check(location == page and heading == topics[0][1],
          "a hand-off changed a window without the help frame: %s, %r" % (location, heading))


def check_navigation(browser, topics, urls):
    entry = linux_url(urls[topics[0][0]][0]).split("?")[0]
    last = topics[-1]
    browser.open(entry + "?context=ODBC&topic=%s&tab=index" % last[0])
    check(shown_topic(browser)[2] is False, "navigation hidden outside single view")
    listed = browser.run('return document.getElementById("pane").textContent')
    for anchor in last[2]:
        check(anchor in listed, "index lacks %s" % anchor)
    browser.open(entry + "?context=ODBC&topic=nosuchtopic&single=true")
    notice = browser.run('var n = document.getElementById("notice");'
                         ' return n.hidden ? "" : n.textContent')
    check("nosuchtopic" in notice, "unknown topic notice: %r" % notice)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--help-folder")
    group.add_argument("--driver")
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="qzhelp-")
    driver = args.driver
    registered = False
    try:
        if args.help_folder:
            root = os.path.join(scratch, "Help Files (x86)", "help")
            shutil.copytree(args.help_folder, root)
            driver = TEST_DRIVER
            status, out, err = wine(os.path.join(args.bin, "dsnconfig.exe"), "install-driver",
                                    "--driver", driver, "--help-root", windows_path(root))
            if status != 0:
                raise RuntimeError("install-driver failed: " + err + out)
            registered = True
        urls = help_urls(args.bin, driver, DIALOG_TOPICS)
        folder = linux_url(urls[DIALOG_TOPICS[0]][0]).split("/wwhelp/")[0][len("file://"):]
        topics = topics_of(folder.replace("%20", " "))
        names = [name for name, _, _ in topics]
        check(names == DIALOG_TOPICS, "topics %s, the dialog asks for %s" % (names, DIALOG_TOPICS))
        browser = webdriver.Browser()
        try:
            check_topic_pages(browser, topics, urls)
            check_handoff(browser, topics, urls)
            check_navigation(browser, topics, urls)
        finally:
            browser.close()
    finally:
        if registered:
            wine(os.path.join(args.bin, "dsnconfig.exe"), "remove-driver", "--driver", driver)
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
