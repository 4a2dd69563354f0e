"""A headless Chromium driven over the DevTools protocol through --remote-debugging-pipe.

The browser reads NUL-terminated JSON commands on its file descriptor 3 and answers on 4, so no
WebSocket and no network port is involved.
"""

import fcntl
import json
import os
import queue
import shutil
import subprocess
import tempfile
import threading
import time


class BrowserError(RuntimeError):
    pass


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


class Browser:
    """One browser process with one page; commands go to that page's session."""

    def __init__(self, executable, timeout=20.0):
        self.timeout = timeout
        self._profile = tempfile.mkdtemp(prefix="kelvista-chromium-")
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()

        def hand_over_pipes():
            # Out of the way first, so that neither end is overwritten by the other's dup2;
            # dup2 onto a different number also clears close-on-exec.
            read_end = fcntl.fcntl(to_browser_read, fcntl.F_DUPFD, 10)
            write_end = fcntl.fcntl(from_browser_write, fcntl.F_DUPFD, 10)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)

        args = [
            executable, "--headless", "--remote-debugging-pipe", "--no-first-run",
            "--no-default-browser-check", "--disable-gpu", "--disable-extensions",
            "--disable-background-networking", "--disable-sync", "--mute-audio",
            "--force-color-profile=srgb", "--hide-scrollbars", "--user-data-dir=" + self._profile,
            "about:blank",
        ]
        if os.geteuid() == 0:
            args.insert(1, "--no-sandbox")
        self._process = subprocess.Popen(
            args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, close_fds=False, preexec_fn=hand_over_pipes)
        os.close(to_browser_read)
        os.close(from_browser_write)

        self._next_id = 0
        self._replies = {}
        self._replied = threading.Condition()
        self.events = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

        try:
            target = self.call("Target.createTarget", {"url": "about:blank"}, session=None)
            self._session = self.call("Target.attachToTarget",
                                      {"targetId": target["targetId"], "flatten": True},
                                      session=None)["sessionId"]
            for domain in ("Page.enable", "Runtime.enable"):
                self.call(domain)
            self.call("Emulation.setFocusEmulationEnabled", {"enabled": True})
        except (BrowserError, OSError):
            self.close()
            raise

    def _read(self):
        buffer = b""
        while True:
            chunk = os.read(self._from_browser, 1 << 16)
            if not chunk:
                break
            buffer += chunk
            while b"\0" in buffer:
                message, buffer = buffer.split(b"\0", 1)
                reply = json.loads(message)
                if "id" in reply:
                    with self._replied:
                        self._replies[reply["id"]] = reply
                        self._replied.notify_all()
                else:
                    self.events.put(reply)
        with self._replied:
            self._replies[None] = {"error": {"message": "the browser closed the pipe"}}
            self._replied.notify_all()

    def call(self, method, params=None, session=True):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session is True:
            message["sessionId"] = self._session
        try:
            os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        except BrokenPipeError:
            raise BrowserError(method + ": the browser has gone") from None
        deadline = time.monotonic() + self.timeout
        with self._replied:
            while self._next_id not in self._replies:
                if None in self._replies or not self._replied.wait(deadline - time.monotonic()):
                    raise BrowserError(method + ": no answer from the browser")
            reply = self._replies.pop(self._next_id)
        if "error" in reply:
            raise BrowserError(method + ": " + reply["error"].get("message", "failed"))
        return reply.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate",
                           {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in result:
            raise BrowserError("script failed: " + expression)
        return result["result"].get("value")

    def wait_for(self, expression, timeout=5.0):
        """Polls `expression` until it is true; returns whether it became true in time."""
        deadline = time.monotonic() + timeout
        while True:
            if self.evaluate(expression):
                return True
            if time.monotonic() > deadline:
                return False
            time.sleep(0.01)

    def close(self):
        try:
            self.call("Browser.close", session=None)
        except BrowserError:
            pass
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        os.close(self._to_browser)
        os.close(self._from_browser)
        shutil.rmtree(self._profile, ignore_errors=True)
