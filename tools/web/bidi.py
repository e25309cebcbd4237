"""Firefox over WebDriver BiDi: the Driver of browser.py for the firefox
engine. Firefox itself serves the protocol (--remote-debugging-port), so no
geckodriver is needed. Uses Debian's firefox-esr, headless, and
python3-websocket."""
import base64
import itertools
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

import websocket

from browser import (DROP, PHONE_SCALE, BrowserError, Driver, json_expression, poll, scale_png,
                     webdriver_key)
from cdp import end_group

FIREFOX = os.environ.get("PAKO_FIREFOX", "/usr/bin/firefox-esr")

# The profile's settings. Web Audio waits for the player's key or touch, as
# it does in the other engines (Firefox on the desktop lets it start at
# once); nothing is fetched from outside.
PREFS = {
    "media.autoplay.default": 1,
    "media.autoplay.block-webaudio": True,
    "browser.shell.checkDefaultBrowser": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.disabledForTesting": True,
    "browser.startup.homepage_override.mstone": "ignore",
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "media.cubeb.force_mock_context": True,
}
# A phone's touch screen: BiDi has no command for it, the profile does.
PHONE_PREFS = {
    "ui.primaryPointerCapabilities": 1,  # a coarse pointer, no hover
    "ui.allPointerCapabilities": 1,
    "dom.w3c_touch_events.enabled": 1,
    "dom.maxtouchpoints.testing.value": 5,
}

# The page's buttons shown, each with the name a screen reader would read
# (its label, else its text) and its box; the accessibility tree is then
# asked whether that is its name.
BUTTON_BOX = r"""(e) => {
  const r = e.getBoundingClientRect();
  if (!r.width || !r.height || !e.checkVisibility({visibilityProperty: true})) return null;
  const name = (e.getAttribute('aria-label') || e.textContent || '').trim().replace(/\s+/g, ' ');
  return JSON.stringify([name, r.left, r.top, r.width, r.height]);
}"""


class Firefox(Driver):
    engine = "firefox"
    cannot = {
        "touch-cancel": "WebDriver BiDi sends no touchcancel",
        "safe-area": "its automation cannot set the screen's safe area",
        "installability": "its automation cannot ask whether the page is installable",
        "throttle": "its automation cannot slow the processor",
        "busy-time": "its automation does not tell the page thread's busy time",
    }

    @classmethod
    def missing(cls):
        if not shutil.which(FIREFOX):
            return "no %s (tools/setup.sh web-test installs it)" % FIREFOX
        return None

    def __init__(self, width=1280, height=960, phone=False):
        self.phone = phone
        self.profile = tempfile.mkdtemp(prefix="pako-firefox-")
        prefs = dict(PREFS, **(PHONE_PREFS if phone else {}))
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            for name, value in prefs.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        self.log = open(os.path.join(self.profile, "firefox.log"), "w+")
        env = dict(os.environ, MOZ_CRASHREPORTER_DISABLE="1")
        self.process = subprocess.Popen(
            [FIREFOX, "--headless", "--no-remote", "--profile", self.profile,
             "--remote-debugging-port=0", "--remote-allow-hosts=127.0.0.1", "about:blank"],
            stdout=self.log, stderr=subprocess.STDOUT, env=env, start_new_session=True)
        self.ids = itertools.count(1)
        self.stuck = False
        self.fingers = {}
        self.other_tab = None
        self.rescaling = []
        try:
            url = poll(self._address, 60, "Firefox's WebDriver BiDi address")
            self.ws = websocket.create_connection(url + "/session", timeout=60,
                                                  suppress_origin=True)
            self.send("session.new", {"capabilities": {}})
            self.context = self.send("browsingContext.getTree")["contexts"][0]["context"]
            self.set_viewport(width, height, phone)
        except Exception:
            self.close()
            raise

    def _address(self):
        if self.process.poll() is not None:
            raise BrowserError("Firefox exited with %s: %s" % (self.process.returncode,
                                                               self.output()))
        self.log.flush()
        self.log.seek(0)
        found = re.search(r"WebDriver BiDi listening on (ws://[0-9.:]+)", self.log.read())
        return found and found.group(1)

    def output(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()[-2000:]

    def send(self, method, params=None, limit=30):
        """Sends one command and returns its result. A page that does not
        answer within limit seconds is taken as stuck: every later command
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
                if message.get("type") == "error":
                    raise BrowserError("%s: %s: %s" % (method, message.get("error"),
                                                       message.get("message")))
                return message.get("result", {})
        self.stuck = True
        raise BrowserError("no answer to %s within %gs: is the page stuck in a loop that never"
                           " yields?" % (method, limit))

    # --- The page -----------------------------------------------------------------------

    def add_script(self, source):
        self.send("script.addPreloadScript", {"functionDeclaration": "() => {\n%s\n}" % source})

    def navigate(self, url):
        self.send("browsingContext.navigate", {"context": self.context, "url": url,
                                               "wait": "none"})

    def evaluate(self, expression):
        result = self.send("script.evaluate", {
            "expression": json_expression(expression), "target": {"context": self.context},
            "awaitPromise": True, "resultOwnership": "none"})
        if result.get("type") == "exception":
            details = result.get("exceptionDetails", {})
            raise BrowserError("%s: %s" % (expression[:200], details.get("text")))
        value = result.get("result", {})
        if value.get("type") != "string":
            raise BrowserError("%s: no JSON came back: %s" % (expression[:200], value))
        return json.loads(value["value"])

    def screenshot(self, path, scale=None):
        """As the interface's; a picture to rescale is rescaled on a thread
        of its own, done when the browser is closed: the game plays on while
        a test takes a picture, and the rescaling of a phone's picture takes
        as long as a second on a busy machine."""
        data = self.send("browsingContext.captureScreenshot",
                         {"context": self.context, "origin": "viewport"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        if scale:
            ratio = self.evaluate("devicePixelRatio")
            self.rescaling.append(threading.Thread(target=scale_png, args=(path, ratio, scale)))
            self.rescaling[-1].start()
        return path

    # --- Input ------------------------------------------------------------------------

    def _actions(self, sources):
        self.send("input.performActions", {"context": self.context, "actions": sources})

    def key(self, key, code, key_code, down=True, up=True, modifiers=0):
        value = webdriver_key(key)
        steps = ([{"type": "keyDown", "value": value}] if down else []) + \
            ([{"type": "keyUp", "value": value}] if up else [])
        self._actions([{"type": "key", "id": "keyboard", "actions": steps}])

    def touch(self, kind, points):
        if kind == "touchCancel":
            self.unsupported("touch-cancel")
        wanted = {} if kind == "touchEnd" and not points else \
            {p["id"]: (round(p["x"]), round(p["y"])) for p in points}
        sources = []
        for ident in sorted(set(self.fingers) | set(wanted)):
            was, now = self.fingers.get(ident), wanted.get(ident)
            if now is None:
                steps = [{"type": "pause"}, {"type": "pointerUp", "button": 0}]
            else:
                move = {"type": "pointerMove", "x": now[0], "y": now[1], "duration": 0}
                steps = [move if was != now else {"type": "pause"},
                         {"type": "pointerDown", "button": 0} if was is None
                         else {"type": "pause"}]
            sources.append({"type": "pointer", "id": "finger%d" % ident,
                            "parameters": {"pointerType": "touch"}, "actions": steps})
        if sources:
            self._actions(sources)
        self.fingers = wanted

    def tap(self, point):
        self._actions([{"type": "pointer", "id": "tap", "parameters": {"pointerType": "touch"},
                        "actions": [{"type": "pointerMove", "x": round(point["x"]),
                                     "y": round(point["y"]), "duration": 0},
                                    {"type": "pointerDown", "button": 0},
                                    {"type": "pointerUp", "button": 0}]}])

    def click(self, x, y):
        self._actions([{"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
                        "actions": [{"type": "pointerMove", "x": round(x), "y": round(y),
                                     "duration": 0},
                                    {"type": "pointerDown", "button": 0},
                                    {"type": "pointerUp", "button": 0}]}])

    def drop_file(self, path):
        with open(path, "rb") as f:
            data = base64.b64encode(f.read()).decode()
        self.evaluate("%s(%s, %s)" % (DROP, json.dumps(os.path.basename(path)), json.dumps(data)))

    # --- The window ------------------------------------------------------------------

    def set_viewport(self, width, height, phone=False):
        if phone and not self.phone:
            raise BrowserError("a phone's touch screen is set when Firefox starts: start it"
                               " with phone=True")
        self.send("browsingContext.setViewport", {
            "context": self.context, "viewport": {"width": width, "height": height},
            "devicePixelRatio": PHONE_SCALE if phone else 1})
        self.send("emulation.setScreenOrientationOverride", {
            "contexts": [self.context],
            "screenOrientation": {"natural": "portrait" if phone else "landscape",
                                  "type": "portrait-primary" if height > width
                                  else "landscape-primary"}})
        self.wait_for("innerWidth === %d && innerHeight === %d" % (width, height), 10,
                      "the page to be %dx%d" % (width, height))

    def set_network(self, online):
        self.send("emulation.setNetworkConditions", {
            "contexts": [self.context],
            "networkConditions": None if online else {"type": "offline"}})

    def hide(self):
        self.other_tab = self.send("browsingContext.create", {"type": "tab"})["context"]

    def show(self):
        try:
            self.send("browsingContext.activate", {"context": self.context})
        finally:
            if self.other_tab:
                self.send("browsingContext.close", {"context": self.other_tab})
                self.other_tab = None
        # A headless Firefox's window never has the focus, and neither
        # BiDi nor a setting gives it: the page's window is told it has it,
        # as a player's click would.
        self.evaluate("document.hasFocus() || window.dispatchEvent(new FocusEvent('focus'))")

    def _button_nodes(self, name=None):
        value = {"role": "button"}
        if name:
            value["name"] = name
        return self.send("browsingContext.locateNodes", {
            "context": self.context, "locator": {"type": "accessibility", "value": value}})["nodes"]

    def buttons(self, name=None):
        found = {}
        for node in self._button_nodes(name):
            result = self.send("script.callFunction", {
                "functionDeclaration": BUTTON_BOX, "target": {"context": self.context},
                "arguments": [{"sharedId": node["sharedId"]}], "awaitPromise": False,
                "resultOwnership": "none"})
            value = result.get("result", {})
            if value.get("type") != "string":
                continue  # not shown
            label, x, y, w, h = json.loads(value["value"])
            # The name the accessibility tree gives it, checked.
            same = [n["sharedId"] for n in self._button_nodes(label)] if label else []
            if node["sharedId"] in same:
                found[label] = (x, y, w, h)
        return found

    # --- The end -----------------------------------------------------------------------

    def close(self):
        for thread in self.rescaling:
            thread.join()
        ws = getattr(self, "ws", None)
        if ws:
            try:
                self.send("session.end", limit=5)
            except Exception:  # noqa: BLE001 - ending anyway
                pass
            try:
                ws.close()
            except Exception:  # noqa: BLE001
                pass
        end_group(self.process)
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)
