"""Headless Chromium driven through its DevTools protocol, for the web build's
test and benchmark: open a page, evaluate script in it, press keys, take
screenshots.

Uses the machine's /usr/bin/chromium and Debian's python3-websocket. Every
wait polls for what it waits for, up to a limit, and never sleeps blindly.
"""
import base64
import itertools
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import urllib.request

import websocket

CHROMIUM = os.environ.get("PAKO_CHROMIUM", "/usr/bin/chromium")


class BrowserError(RuntimeError):
    pass


def poll(check, limit, what, interval=0.05):
    """Calls check until it returns something true; that value, or an error
    naming what was waited for after limit seconds."""
    deadline = time.monotonic() + limit
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise BrowserError("timed out after %gs waiting for %s" % (limit, what))
        time.sleep(interval)


class Browser:
    """One headless Chromium with one page. Use as a context manager."""

    def __init__(self, width=1280, height=960):
        self.width, self.height = width, height
        self.profile = tempfile.mkdtemp(prefix="pako-chromium-")
        args = [
            CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--disable-extensions", "--mute-audio",
            "--user-data-dir=" + self.profile, "--remote-debugging-port=0",
            "--window-size=%d,%d" % (width, height), "about:blank",
        ]
        self.log = open(os.path.join(self.profile, "chromium.log"), "w+")
        # Its own process group, so that ending it ends its helpers too.
        self.process = subprocess.Popen(args, stdout=self.log, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        self.ids = itertools.count(1)
        self.events = []
        self.stuck = False
        try:
            port = poll(self._port, 60, "Chromium's DevTools port")
            page = poll(lambda: self._page_target(port), 30, "Chromium's first page")
            self.ws = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=60,
                                                  suppress_origin=True)
            self.send("Page.enable")
            self.send("Runtime.enable")
            self.send("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": height, "deviceScaleFactor": 1,
                       "mobile": False})
        except Exception:
            self.close()
            raise

    def _port(self):
        if self.process.poll() is not None:
            raise BrowserError("Chromium exited with %s: %s" % (self.process.returncode,
                                                                self.output()))
        try:
            with open(os.path.join(self.profile, "DevToolsActivePort")) as f:
                first = f.readline().strip()
            return int(first) if first else None
        except (OSError, ValueError):
            return None

    @staticmethod
    def _page_target(port):
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port, timeout=5) as r:
                targets = json.load(r)
        except OSError:
            return None
        pages = [t for t in targets if t.get("type") == "page"]
        return pages[0] if pages else None

    def output(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()[-2000:]

    def send(self, method, params=None, limit=30):
        """Sends one command and returns its result; events met on the way are
        kept. A page that does not answer within limit seconds is taken as
        stuck (a loop that never yields to the browser): every later command
        then fails at once."""
        if self.stuck:
            raise BrowserError("%s: the page stopped answering earlier" % method)
        ident = next(self.ids)
        self.ws.send(json.dumps({"id": ident, "method": method, "params": params or {}}))
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            self.ws.settimeout(max(0.1, deadline - time.monotonic()))
            try:
                message = json.loads(self.ws.recv())
            except websocket.WebSocketTimeoutException:
                break
            if message.get("id") == ident:
                if "error" in message:
                    raise BrowserError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            if "method" in message:
                self.events.append(message)
        self.stuck = True
        raise BrowserError("no answer to %s within %gs: is the page stuck in a loop that never"
                           " yields?" % (method, limit))

    def send_together(self, commands, limit=30):
        """Sends several (method, params) commands at once, without waiting for
        each answer before the next, so that the page gets them as close
        together as the protocol allows; returns their results in order."""
        if self.stuck:
            raise BrowserError("%s: the page stopped answering earlier" % commands[0][0])
        idents = []
        for method, params in commands:
            idents.append(next(self.ids))
            self.ws.send(json.dumps({"id": idents[-1], "method": method, "params": params}))
        results = {}
        deadline = time.monotonic() + limit
        while len(results) < len(idents) and time.monotonic() < deadline:
            self.ws.settimeout(max(0.1, deadline - time.monotonic()))
            try:
                message = json.loads(self.ws.recv())
            except websocket.WebSocketTimeoutException:
                break
            if message.get("id") in idents:
                if "error" in message:
                    raise BrowserError("%s" % message["error"])
                results[message["id"]] = message.get("result", {})
            elif "method" in message:
                self.events.append(message)
        if len(results) < len(idents):
            self.stuck = True
            raise BrowserError("no answer to %d commands within %gs" % (len(idents), limit))
        return [results[i] for i in idents]

    def open(self, url):
        """Goes to url and waits until its document has loaded."""
        self.send("Page.navigate", {"url": url})
        self.wait_for("location.href === %s && document.readyState === 'complete'"
                      % json.dumps(url), 60, "the page at " + url)

    def evaluate(self, expression):
        """The value of a script expression in the page (awaited if a promise)."""
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise BrowserError("%s: %s" % (expression, result["exceptionDetails"]))
        return result.get("result", {}).get("value")

    def wait_for(self, expression, limit=60, what=None, interval=0.1):
        """Polls until the expression is true. An expression that throws (the
        page still loading, the program not yet started) counts as false."""
        def check():
            try:
                return self.evaluate(expression)
            except BrowserError:
                return None
        return poll(check, limit, what or expression, interval=interval)

    def key(self, key, code, key_code, down=True, up=True, modifiers=0):
        """Presses (and releases) one key as the keyboard would."""
        params = {"key": key, "code": code, "windowsVirtualKeyCode": key_code,
                  "nativeVirtualKeyCode": key_code, "modifiers": modifiers}
        if down:
            text = {"text": key} if len(key) == 1 else {}
            self.send("Input.dispatchKeyEvent", dict(params, type="keyDown", **text))
        if up:
            self.send("Input.dispatchKeyEvent", dict(params, type="keyUp"))

    def screenshot(self, path, scale=None):
        """The page as it shows now; with `scale`, at that many pixels to a
        CSS pixel instead of the screen's own."""
        params = {"format": "png"}
        if scale:
            w, h = self.evaluate("[innerWidth, innerHeight]")
            params["clip"] = {"x": 0, "y": 0, "width": w, "height": h, "scale": scale / self.evaluate(
                "devicePixelRatio")}
        data = self.send("Page.captureScreenshot", params)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        return path

    def close(self):
        ws = getattr(self, "ws", None)
        if ws:
            try:
                ws.close()
            except Exception:
                pass
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGTERM)
                self.process.wait(timeout=10)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                try:
                    os.killpg(self.process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                self.process.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
