"""A small WebDriver client for headless Chromium through chromedriver,
enough for the help page tests: open a URL, run a script, switch into a
frame. Only the standard library: the machine has no Selenium."""
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time
import urllib.request

CHROMIUM_ARGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
]
ELEMENT_KEY = "element-6066-11e4-a52e-4f735466cecf"
# One WebDriver call's limit. Under full-system emulation, beside other
# suites, starting the browser or loading a page takes minutes; a hang
# still ends here, or at the test's own limit.
CALL_SECONDS = 300


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Browser:
    def __init__(self, chromium="/usr/bin/chromium", driver="/usr/bin/chromedriver"):
        self.profile = tempfile.mkdtemp(prefix="qzhelp-profile-")
        self.port = free_port()
        self.process = subprocess.Popen([driver, "--port=%d" % self.port],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.base = "http://127.0.0.1:%d" % self.port
        self.session = None
        try:
            self._wait_ready()
            options = {"binary": chromium,
                       "args": CHROMIUM_ARGS + ["--user-data-dir=" + self.profile]}
            answer = self._call("POST", "/session", {"capabilities": {"alwaysMatch": {
                "browserName": "chrome", "goog:chromeOptions": options}}})
            self.session = "/session/" + answer["sessionId"]
        except Exception:
            self.close()
            raise

    def _wait_ready(self):
        deadline = time.time() + 30
        while time.time() < deadline:
            try:
                if self._call("GET", "/status").get("ready"):
                    return
            except OSError:
                pass
            time.sleep(0.2)
        raise RuntimeError("chromedriver did not start")

    def _call(self, method, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=CALL_SECONDS) as response:
                return json.loads(response.read() or b"{}").get("value")
        except urllib.error.HTTPError as error:
            raise RuntimeError("%s %s: %s" % (method, path, error.read().decode(errors="replace")))

    def open(self, url):
        self._call("POST", self.session + "/url", {"url": url})

    def run(self, script, *args):
        return self._call("POST", self.session + "/execute/sync",
                          {"script": script, "args": list(args)})

    def enter_frame(self, css):
        element = self._call("POST", self.session + "/element",
                             {"using": "css selector", "value": css})
        self._call("POST", self.session + "/frame", {"id": {ELEMENT_KEY: element[ELEMENT_KEY]}})

    def leave_frame(self):
        self._call("POST", self.session + "/frame/parent", {})

    def wait_for(self, script, timeout=10):
        """Runs script until it returns something true; returns that, or None
        when the time is up."""
        deadline = time.time() + timeout
        while True:
            value = self.run(script)
            if value or time.time() > deadline:
                return value
            time.sleep(0.1)

    def close(self):
        try:
            if self.session:
                self._call("DELETE", self.session)
        except Exception:
            pass
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)
