"""WebKit over W3C WebDriver: the Driver of browser.py for the webkit engine.
WebKitGTK's WebKitWebDriver drives its MiniBrowser (--automation) on an Xvfb
display of the driver's own.

What WebDriver itself lacks, the driver does through a small proxy of its
own that the browser is told to use for everything (MiniBrowser --proxy):
scripts put before the page's own are written into each page the browser
fetches from the network (not into those a service worker answers from its
own cache), and the network is cut by the proxy refusing every request.
Uses Debian's webkit2gtk-driver and xvfb."""
import base64
import http.client
import http.server
import json
import os
import re
import shutil
import socket
import subprocess
import tempfile
import threading
import time
import urllib.parse

from browser import DROP, BrowserError, BrowserGone, Driver, json_expression, poll, webdriver_key
from cdp import end_group

DRIVER = os.environ.get("PAKO_WEBKIT_DRIVER", "/usr/bin/WebKitWebDriver")
MINIBROWSER = os.environ.get("PAKO_MINIBROWSER",
                             "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser")
XVFB = "/usr/bin/Xvfb"
ELEMENT = "element-6066-11e4-a52e-4f735466cecf"

# The page's elements that are shown, each with its box.
SHOWN = r"""return [...document.body.querySelectorAll('*')].filter((e) => {
  const r = e.getBoundingClientRect();
  return r.width && r.height && e.checkVisibility({visibilityProperty: true});
}).map((e) => { const r = e.getBoundingClientRect(); return [e, [r.left, r.top, r.width, r.height]]; });"""


class Proxy:
    """An HTTP proxy on the loopback address that passes requests on, writes
    the scripts in `before_page` into every page (a document the browser
    navigates to, sent as HTML), and refuses everything while `online` is
    false."""

    def __init__(self):
        self.before_page = []
        self.online = True
        proxy = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def _pass_on(self):
                if not proxy.online:
                    # As a cut network does: no answer at all.
                    self.close_connection = True
                    self.connection.shutdown(socket.SHUT_RDWR)
                    return
                url = urllib.parse.urlsplit(self.path)
                if url.scheme != "http" or not url.hostname:
                    self.send_error(400)
                    return
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length) if length else None
                headers = {k: v for k, v in self.headers.items()
                           if k.lower() not in ("proxy-connection", "connection", "keep-alive",
                                                "accept-encoding")}
                try:
                    conn = http.client.HTTPConnection(url.hostname, url.port or 80, timeout=60)
                    conn.request(self.command, url.path + ("?" + url.query if url.query else ""),
                                 body, headers)
                    answer = conn.getresponse()
                    data = answer.read()
                    conn.close()
                except OSError:
                    self.close_connection = True
                    self.connection.shutdown(socket.SHUT_RDWR)
                    return
                kind = answer.getheader("Content-Type") or ""
                if (self.command == "GET" and kind.startswith("text/html")
                        and self.headers.get("Sec-Fetch-Dest") == "document" and proxy.before_page):
                    data = proxy.written_in(data)
                self.send_response(answer.status, answer.reason)
                for k, v in answer.getheaders():
                    if k.lower() not in ("content-length", "connection", "transfer-encoding",
                                         "keep-alive"):
                        self.send_header(k, v)
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                if self.command != "HEAD":
                    self.wfile.write(data)

            do_GET = do_HEAD = do_POST = _pass_on

            def log_message(self, fmt, *args):
                pass

        class Server(http.server.ThreadingHTTPServer):
            daemon_threads = True

            def handle_error(self, request, client_address):
                pass  # a browser that hangs up is no fault of the proxy's

        self.server = Server(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def written_in(self, page):
        """The page with the scripts put first in its head."""
        scripts = "".join("<script>%s</script>" % s.replace("</", "<\\/") for s in self.before_page)
        text = page.decode("utf-8")
        head = re.search(r"<head[^>]*>", text, re.I)
        at = head.end() if head else (re.search(r"<!doctype[^>]*>", text, re.I) or
                                      re.match("", text)).end()
        return (text[:at] + scripts + text[at:]).encode("utf-8")

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class WebKit(Driver):
    engine = "webkit"
    cannot = {
        "touch": "its driver sends no touch events (a touch pointer arrives as the mouse)",
        "phone": "its driver cannot emulate a phone's screen, and sends no touch events",
        "touch-cancel": "its driver sends no touch events",
        "safe-area": "its automation cannot set the screen's safe area",
        "installability": "its automation cannot ask whether the page is installable",
        "throttle": "its automation cannot slow the processor",
        "busy-time": "its automation does not tell the page thread's busy time",
    }

    @classmethod
    def missing(cls):
        for path, package in ((DRIVER, "webkit2gtk-driver"), (MINIBROWSER, "webkit2gtk-driver"),
                              (XVFB, "xvfb")):
            if not os.path.exists(path):
                return "no %s (%s; tools/setup.sh web-test installs it)" % (path, package)
        return None

    def __init__(self, width=1280, height=960, phone=False):
        if phone:
            raise BrowserError(self.cannot["phone"])
        self.folder = tempfile.mkdtemp(prefix="pako-webkit-")
        self.log = open(os.path.join(self.folder, "webkit.log"), "w+")
        self.xvfb = self.driver = self.proxy = self.session = None
        self.conn = None
        try:
            self._start_display()
            self.proxy = Proxy()
            port = free_port()
            env = dict(os.environ, DISPLAY=self.display, HOME=self.folder,
                       XDG_RUNTIME_DIR=self.folder, XDG_CACHE_HOME=os.path.join(self.folder, "c"),
                       XDG_DATA_HOME=os.path.join(self.folder, "d"))
            self.driver = subprocess.Popen([DRIVER, "--port=%d" % port], stdout=self.log,
                                           stderr=subprocess.STDOUT, env=env,
                                           start_new_session=True)
            self.address = ("127.0.0.1", port)
            poll(self._ready, 30, "WebKitWebDriver")
            caps = {"browserName": "MiniBrowser", "pageLoadStrategy": "none",
                    "webkitgtk:browserOptions": {
                        "binary": MINIBROWSER,
                        "args": ["--automation", "--proxy=http://127.0.0.1:%d" % self.proxy.port]}}
            self.session = self._request("POST", "/session", {
                "capabilities": {"alwaysMatch": caps}}, limit=60)["sessionId"]
            self._request("POST", self._s("/timeouts"), {"script": 60000})
            self.set_viewport(width, height)
        except Exception:
            self.close()
            raise

    def _start_display(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen([XVFB, "-displayfd", str(write), "-screen", "0",
                                      "1920x1400x24", "-nolisten", "tcp"],
                                     pass_fds=(write,), stdout=self.log, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        os.close(write)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read, 16)
            if not chunk:
                break
            number += chunk
        os.close(read)
        if not number.strip().isdigit():
            raise BrowserError("Xvfb did not start: %s" % self.output())
        self.display = ":" + number.strip().decode()

    def output(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()[-2000:]

    # --- The protocol ---------------------------------------------------------------

    def _s(self, path):
        return "/session/%s%s" % (self.session, path)

    def _ready(self):
        if self.driver.poll() is not None:
            raise BrowserError("WebKitWebDriver exited: %s" % self.output())
        try:
            return self._request("GET", "/status", limit=5).get("ready")
        except (OSError, BrowserError):
            self.conn = None
            return False

    def _request(self, method, path, body=None, limit=30):
        """One WebDriver command; its value. An answer that does not come
        within limit seconds means a stuck page: every later command fails
        at once."""
        if getattr(self, "stuck", False):
            raise BrowserError("%s: the page stopped answering earlier" % path)
        data = json.dumps(body).encode() if body is not None else None
        for attempt in (0, 1):
            if self.conn is None:
                self.conn = http.client.HTTPConnection(*self.address, timeout=limit)
            self.conn.timeout = limit
            if self.conn.sock:
                self.conn.sock.settimeout(limit)
            try:
                self.conn.request(method, path, data,
                                  {"Content-Type": "application/json; charset=utf-8"})
                answer = self.conn.getresponse()
                text = answer.read()
                break
            except socket.timeout:
                self.conn = None
                self.stuck = True
                raise BrowserError("no answer to %s within %gs: is the page stuck in a loop"
                                   " that never yields?" % (path, limit))
            except (http.client.HTTPException, ConnectionError):
                self.conn = None
                if attempt:
                    raise
        value = json.loads(text or b"{}").get("value")
        if isinstance(value, dict) and "error" in value:
            if value["error"] == "invalid session id":
                # What it said last may tell why.
                raise BrowserGone("%s: the browser is gone (%s); its last words: %s" % (
                    path, value.get("message"), self.output()[-800:]))
            raise BrowserError("%s: %s: %s" % (path, value["error"], value.get("message")))
        return value

    # --- The page -------------------------------------------------------------------

    def add_script(self, source):
        self.proxy.before_page.append(source)

    def navigate(self, url):
        self._request("POST", self._s("/url"), {"url": url}, limit=60)

    def evaluate(self, expression, limit=30):
        value = self._request("POST", self._s("/execute/sync"), {
            "script": "return %s;" % json_expression(expression), "args": []}, limit=limit)
        if not isinstance(value, str):
            raise BrowserError("%s: no JSON came back: %r" % (expression[:200], value))
        return json.loads(value)

    def screenshot(self, path, scale=None):
        data = self._request("GET", self._s("/screenshot"))
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        return path

    # --- Input ------------------------------------------------------------------------

    def _actions(self, sources):
        self._request("POST", self._s("/actions"), {"actions": sources})

    def key(self, key, code, key_code, down=True, up=True, modifiers=0):
        value = webdriver_key(key)
        steps = ([{"type": "keyDown", "value": value}] if down else []) + \
            ([{"type": "pause", "duration": 0}, {"type": "keyUp", "value": value}] if up else [])
        self._actions([{"type": "key", "id": "keyboard", "actions": steps}])

    def touch(self, kind, points):
        self.unsupported("touch")

    def tap(self, point):
        self.unsupported("touch")

    def click(self, x, y):
        self._actions([{"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
                        "actions": [{"type": "pointerMove", "x": round(x), "y": round(y),
                                     "duration": 0, "origin": "viewport"},
                                    {"type": "pointerDown", "button": 0},
                                    {"type": "pointerUp", "button": 0}]}])

    def drop_file(self, path):
        with open(path, "rb") as f:
            data = base64.b64encode(f.read()).decode()
        self.evaluate("%s(%s, %s)" % (DROP, json.dumps(os.path.basename(path)), json.dumps(data)))

    # --- The window ----------------------------------------------------------------

    def _size(self):
        return self.evaluate("[innerWidth, innerHeight]")

    def set_viewport(self, width, height, phone=False):
        """The window is sized so that the page, under MiniBrowser's toolbar,
        has the size asked for."""
        if phone:
            self.unsupported("phone")
        got = [None]

        def sized():
            rect = self._request("GET", self._s("/window/rect"))
            try:
                got[0] = self._size()
            except BrowserError:
                return False
            if got[0] == [width, height]:
                return True
            self._request("POST", self._s("/window/rect"), {
                "width": rect["width"] + width - got[0][0],
                "height": rect["height"] + height - got[0][1]})
            return False
        try:
            poll(sized, 20, "the page to be %dx%d" % (width, height), 0.2)
        except BrowserError:
            raise BrowserError("the page stays %s, not %dx%d" % (got[0], width, height))
        self.width, self.height = width, height

    def set_network(self, online):
        self.proxy.online = online

    def hide(self):
        self._request("POST", self._s("/window/minimize"), {})

    def show(self):
        rect = self._request("GET", self._s("/window/rect"))
        self._request("POST", self._s("/window/rect"), {"width": rect["width"],
                                                         "height": rect["height"]})

    def buttons(self, name=None):
        found = {}
        # The elements shown, with their boxes, in one look; then the
        # accessibility tree's role and name of each.
        shown = self._request("POST", self._s("/execute/sync"), {"script": SHOWN, "args": []})
        for element, box in shown:
            ident = element[ELEMENT]
            try:
                if self._request("GET", self._s("/element/%s/computedrole" % ident)) != "button":
                    continue
                label = self._request("GET", self._s("/element/%s/computedlabel" % ident))
            except BrowserError:
                continue  # gone from the page, or not in the accessibility tree
            if not name or label == name:
                found[label] = tuple(box)
        return found

    # --- The end -----------------------------------------------------------------------

    def close(self):
        if self.session:
            try:
                self._request("DELETE", self._s(""), limit=10)
            except Exception:  # noqa: BLE001 - ending anyway
                pass
            self.session = None
        for process in (self.driver, self.xvfb):
            if process:
                end_group(process)
        if self.proxy:
            self.proxy.close()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)
