"""Chromium over its DevTools protocol: the Driver of browser.py for the
chromium engine. Uses the machine's /usr/bin/chromium (or $PAKO_CHROMIUM),
headless, and Debian's python3-websocket."""
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

from browser import PHONE_SCALE, BrowserError, Driver, poll

CHROMIUM = os.environ.get("PAKO_CHROMIUM", "/usr/bin/chromium")


class Chromium(Driver):
    engine = "chromium"
    cannot = {}

    @classmethod
    def missing(cls):
        if not shutil.which(CHROMIUM):
            return "no %s (tools/setup.sh web-test installs it)" % CHROMIUM
        return None

    def __init__(self, width=1280, height=960, phone=False):
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
        self.performance = False
        self.other_tab = None
        try:
            port = poll(self._port, 60, "Chromium's DevTools port")
            page = poll(lambda: self._page_target(port), 30, "Chromium's first page")
            self.ws = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=60,
                                                  suppress_origin=True)
            self.send("Page.enable")
            self.send("Runtime.enable")
            self._metrics(width, height, phone)
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

    # --- The protocol ---------------------------------------------------------------

    def send(self, method, params=None, limit=30):
        """Sends one command and returns its result; events met on the way are
        kept. A page that does not answer within limit seconds is taken as
        stuck (a loop that never yields to the browser): every later command
        then fails at once."""
        return self.send_together([(method, params or {})], limit)[0]

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
                    raise BrowserError("%s: %s" % (commands[idents.index(message["id"])][0],
                                                   message["error"]))
                results[message["id"]] = message.get("result", {})
            elif "method" in message:
                self.events.append(message)
        if len(results) < len(idents):
            self.stuck = True
            raise BrowserError("no answer to %s within %gs: is the page stuck in a loop that"
                               " never yields?" % (commands[0][0], limit))
        return [results[i] for i in idents]

    # --- The page ---------------------------------------------------------------------

    def add_script(self, source):
        self.send("Page.addScriptToEvaluateOnNewDocument", {"source": source})

    def navigate(self, url):
        self.send("Page.navigate", {"url": url})

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise BrowserError("%s: %s" % (expression[:200], result["exceptionDetails"]))
        return result.get("result", {}).get("value")

    def screenshot(self, path, scale=None):
        params = {"format": "png"}
        if scale:
            w, h = self.evaluate("[innerWidth, innerHeight]")
            params["clip"] = {"x": 0, "y": 0, "width": w, "height": h,
                              "scale": scale / self.evaluate("devicePixelRatio")}
        data = self.send("Page.captureScreenshot", params)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        return path

    # --- Input ------------------------------------------------------------------------

    def key(self, key, code, key_code, down=True, up=True, modifiers=0):
        params = {"key": key, "code": code, "windowsVirtualKeyCode": key_code,
                  "nativeVirtualKeyCode": key_code, "modifiers": modifiers}
        if down:
            text = {"text": key} if len(key) == 1 else {}
            self.send("Input.dispatchKeyEvent", dict(params, type="keyDown", **text))
        if up:
            self.send("Input.dispatchKeyEvent", dict(params, type="keyUp"))

    def touch(self, kind, points):
        self.send("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})

    def tap(self, point):
        self.send_together([("Input.dispatchTouchEvent",
                             {"type": "touchStart", "touchPoints": [dict(point, id=1)]}),
                            ("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})])

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y,
                                                   "button": "left", "clickCount": 1})

    def drop_file(self, path):
        x, y = self.evaluate("[innerWidth / 2, innerHeight / 2]")
        data = {"items": [], "files": [os.path.abspath(path)], "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            self.send("Input.dispatchDragEvent", {"type": kind, "x": x, "y": y, "data": data})

    # --- The window ------------------------------------------------------------------

    def _metrics(self, width, height, phone):
        self.send("Emulation.setTouchEmulationEnabled",
                  {"enabled": True, "maxTouchPoints": 5} if phone else {"enabled": False})
        metrics = {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False}
        if phone:
            metrics.update(deviceScaleFactor=PHONE_SCALE, mobile=True, screenOrientation={
                "type": "portraitPrimary" if height > width else "landscapePrimary",
                "angle": 0 if height > width else 90})
        self.send("Emulation.setDeviceMetricsOverride", metrics)

    def set_viewport(self, width, height, phone=False):
        self._metrics(width, height, phone)
        self.wait_for("innerWidth === %d && innerHeight === %d" % (width, height), 10,
                      "the page to be %dx%d" % (width, height))

    def set_safe_area(self, insets):
        self.send("Emulation.setSafeAreaInsetsOverride", {"insets": insets})

    def set_network(self, online):
        self.send("Network.enable")
        self.send("Network.emulateNetworkConditions", {
            "offline": not online, "latency": 0, "downloadThroughput": -1,
            "uploadThroughput": -1})

    def hide(self):
        self.me = self.send("Target.getTargetInfo")["targetInfo"]["targetId"]
        self.other_tab = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]

    def show(self):
        try:
            self.send("Target.activateTarget", {"targetId": self.me})
        finally:
            if self.other_tab:
                self.send("Target.closeTarget", {"targetId": self.other_tab})
                self.other_tab = None
        # A headless browser's window never has the focus: it is given, as
        # a player's click would.
        self.send("Emulation.setFocusEmulationEnabled", {"enabled": True})

    def buttons(self, name=None):
        root = self.send("DOM.getDocument", {"depth": 0})["root"]["nodeId"]
        query = {"nodeId": root, "role": "button"}
        if name:
            query["accessibleName"] = name
        found = {}
        for node in self.send("Accessibility.queryAXTree", query)["nodes"]:
            if node.get("ignored") or "backendDOMNodeId" not in node:
                continue
            try:
                quad = self.send("DOM.getBoxModel",
                                 {"backendNodeId": node["backendDOMNodeId"]})["model"]["border"]
            except BrowserError:
                continue  # not laid out
            xs, ys = quad[0::2], quad[1::2]
            found[node["name"]["value"]] = (min(xs), min(ys), max(xs) - min(xs),
                                            max(ys) - min(ys))
        return found

    def installability_problems(self):
        return self.send("Page.getInstallabilityErrors")["installabilityErrors"]

    # --- For the benchmark -----------------------------------------------------------

    def throttle(self, rate):
        if rate > 1:
            self.send("Emulation.setCPUThrottlingRate", {"rate": rate})

    def busy_time(self):
        if not self.performance:
            self.send("Performance.enable")
            self.performance = True
        metrics = self.send("Performance.getMetrics")["metrics"]
        return {m["name"]: m["value"] for m in metrics}["TaskDuration"]

    # --- The end ---------------------------------------------------------------------

    def close(self):
        ws = getattr(self, "ws", None)
        if ws:
            try:
                ws.close()
            except Exception:  # noqa: BLE001 - closing anyway
                pass
        end_group(self.process)
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)


def end_group(process):
    """Ends a browser started in its own process group, helpers and all."""
    if process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=10)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()
