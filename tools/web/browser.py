"""A browser with one page, as the web build's tests and benchmark drive it:
one small interface (Driver), with one implementation for each protocol
the engines here speak:

  chromium  cdp.py        Chromium, over its DevTools protocol
  firefox   bidi.py       Firefox, over WebDriver BiDi (no geckodriver needed)
  webkit    webdriver.py  WebKitGTK's MiniBrowser, over W3C WebDriver
                          (WebKitWebDriver), on an Xvfb of its own

    with browser.start("firefox", 1280, 1000) as b:
        b.add_script("window.early = 1;")   # before the page's own scripts
        b.open(url)
        b.key("Enter", "Enter", 13)
        b.wait_for("window.pakoFirstPicture", 60)

What an engine's automation cannot do here is named in its class's
`cannot` ({what: why}); asked for anyway, it raises Unsupported, whose text
says which engine and why. Every wait polls for what it waits for, up to a
limit, and never sleeps blindly. Uses Debian's python3-websocket.
"""
import importlib
import json
import time

ENGINES = ("chromium", "firefox", "webkit")
MODULES = {"chromium": ("cdp", "Chromium"), "firefox": ("bidi", "Firefox"),
           "webkit": ("webdriver", "WebKit")}

# A phone's screen as the tests emulate one: CSS pixels are three of the
# screen's.
PHONE_SCALE = 3


class BrowserError(RuntimeError):
    pass


class BrowserGone(BrowserError):
    """The browser is no more (it crashed, or closed its window)."""


class Unsupported(BrowserError):
    """Something this engine's automation cannot do here."""

    def __init__(self, engine, what, why):
        super().__init__("skipped in %s: %s" % (engine, why))
        self.engine, self.what, self.why = engine, what, why


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


def driver(engine):
    """The class that drives `engine`."""
    if engine not in MODULES:
        raise ValueError("no engine %r; there are %s" % (engine, ", ".join(ENGINES)))
    module, name = MODULES[engine]
    return getattr(importlib.import_module(module), name)


def start(engine, width=1280, height=960, phone=False):
    """A new browser of `engine` with one page of width x height CSS pixels;
    with `phone`, a phone's screen: touch, PHONE_SCALE screen pixels to a
    CSS pixel, held as its shape says."""
    return driver(engine)(width, height, phone)


def Browser(width=1280, height=960):  # noqa: N802 - the name callers knew
    """Chromium, as the benchmarks that measure it alone start it."""
    return start("chromium", width, height)


def missing(engine):
    """What is missing on this machine to run `engine`, or None."""
    return driver(engine).missing()


class Driver:
    """What every driver does. Subclasses implement the methods that raise
    NotImplementedError, and name what they cannot do in `cannot`."""

    engine = None
    # {what: why} for what this engine's automation cannot do here. The
    # names: "touch", "safe-area", "network", "installability", "throttle",
    # "busy-time", "phone".
    cannot = {}

    @classmethod
    def missing(cls):
        raise NotImplementedError

    def unsupported(self, what):
        raise Unsupported(self.engine, what, self.cannot[what])

    def can(self, what):
        return what not in self.cannot

    # --- The page -------------------------------------------------------------

    def add_script(self, source):
        """Runs `source` in every document opened from now on, before the
        page's own scripts."""
        raise NotImplementedError

    def navigate(self, url):
        """Goes to url without waiting for it to load."""
        raise NotImplementedError

    def open(self, url):
        """Goes to url and waits until a new document there has loaded (the
        one before is marked: some protocols answer before it has gone)."""
        try:
            self.evaluate("window.pakoDocumentLeft = true")
        except BrowserError:
            pass  # none yet, or one going already
        self.navigate(url)
        self.wait_for("!window.pakoDocumentLeft && location.href === %s &&"
                      " document.readyState === 'complete'" % json.dumps(url), 60,
                      "the page at " + url)

    def evaluate(self, expression):
        """The value of a script expression in the page (awaited if a
        promise), as JSON would carry it."""
        raise NotImplementedError

    def wait_for(self, expression, limit=60, what=None, interval=0.1):
        """Polls until the expression is true; returns its value. An
        expression that throws (the page still loading, the program not yet
        started) counts as false."""
        def check():
            try:
                return self.evaluate(expression)
            except (Unsupported, BrowserGone):
                raise
            except BrowserError:
                return None
        return poll(check, limit, what or expression, interval=interval)

    def screenshot(self, path, scale=None):
        """The page as it shows now, as a PNG file; with `scale`, at that
        many pixels to a CSS pixel instead of the screen's own."""
        raise NotImplementedError

    # --- Input ------------------------------------------------------------------

    def key(self, key, code, key_code, down=True, up=True, modifiers=0):
        """Presses (and releases) one key as the keyboard would: key is the
        DOM's key ("Enter", " ", "ArrowLeft"), code its code, key_code its
        legacy keyCode. A modifier held is pressed as a key of its own first
        (`modifiers` is kept for the DevTools protocol, which needs it)."""
        raise NotImplementedError

    def touch(self, kind, points):
        """One touch event: kind touchStart, touchMove, touchEnd or
        touchCancel; points every finger still down, as {"x", "y", "id"}
        (touchEnd and touchCancel with [] lift them all)."""
        raise NotImplementedError

    def tap(self, point):
        """A finger down and up at once, both reaching the page as close
        together as the protocol allows."""
        raise NotImplementedError

    def click(self, x, y):
        """A mouse click at (x, y)."""
        raise NotImplementedError

    def drop_file(self, path):
        """Drops the file at `path` on the middle of the page, as one dragged
        from the desktop is."""
        raise NotImplementedError

    # --- The window ----------------------------------------------------------------

    def set_viewport(self, width, height, phone=False):
        """The page's size in CSS pixels (with `phone`, a phone's screen,
        held as the shape says); waits until the page has it."""
        raise NotImplementedError

    def set_safe_area(self, insets):
        """The screen's safe area insets {"top", "left", "right", "bottom"}
        (a notch, rounded corners); {} for none."""
        self.unsupported("safe-area")

    def set_network(self, online):
        """Cuts the page off the network, or gives it back."""
        self.unsupported("network")

    def hide(self):
        """Hides the page as another tab over it (or the window minimised)
        does."""
        raise NotImplementedError

    def show(self):
        """Shows the page again, with the focus, as a player's click
        would."""
        raise NotImplementedError

    def buttons(self, name=None):
        """The page's buttons as the accessibility tree has them: {name: (x,
        y, w, h)} of those shown, found by role and name as a screen reader
        finds them."""
        raise NotImplementedError

    def installability_problems(self):
        """What the browser finds keeps the page from being installed as an
        app ([] for nothing)."""
        self.unsupported("installability")

    # --- For the benchmark -------------------------------------------------------------

    def throttle(self, rate):
        """Slows the page's processor `rate` times."""
        if rate > 1:
            self.unsupported("throttle")

    def busy_time(self):
        """Seconds the page's thread has been busy so far."""
        self.unsupported("busy-time")

    # --- The end ---------------------------------------------------------------------

    def close(self):
        raise NotImplementedError

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


# Script that builds a File of the given bytes and drops it on the page's
# middle: for protocols that cannot drag a file themselves. The page's own
# handlers see the same events as for a file dragged there.
DROP = r"""((name, data) => {
  const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
  const dt = new DataTransfer();
  dt.items.add(new File([bytes], name));
  const x = innerWidth / 2, y = innerHeight / 2;
  const target = document.elementFromPoint(x, y) || document.body;
  for (const type of ['dragenter', 'dragover', 'drop'])
    target.dispatchEvent(new DragEvent(type, {bubbles: true, cancelable: true, composed: true,
                                              clientX: x, clientY: y, dataTransfer: dt}));
  return true;
})"""

# Keys as WebDriver names them: its own code points for those that are not
# characters. Enter is WebDriver's "Return" (U+E006): its "Enter" is the
# keypad's.
WEBDRIVER_KEYS = {
    "Enter": "\ue006", "Escape": "\ue00c", "Alt": "\ue00a", "Control": "\ue009",
    "Shift": "\ue008", "ArrowLeft": "\ue012", "ArrowUp": "\ue013", "ArrowRight": "\ue014",
    "ArrowDown": "\ue015", "Backspace": "\ue003", "Tab": "\ue004", "F11": "\ue03b",
    "F12": "\ue03c",
}


def webdriver_key(key):
    if len(key) == 1:
        return key
    if key not in WEBDRIVER_KEYS:
        raise BrowserError("no WebDriver key for %r" % key)
    return WEBDRIVER_KEYS[key]


def json_expression(expression):
    """A script expression whose value is that of `expression`, awaited,
    as JSON text (undefined as null)."""
    return ("Promise.resolve((%s)).then((v) => JSON.stringify(v === undefined ? null : v))"
            % expression)


def scale_png(path, scale_from, scale_to):
    """Rescales the PNG at path from `scale_from` to `scale_to` screen pixels
    a CSS pixel."""
    if abs(scale_from - scale_to) < 1e-6:
        return
    from PIL import Image  # Debian's python3-pil, which the web build needs anyway
    with Image.open(path) as im:
        size = (round(im.width * scale_to / scale_from), round(im.height * scale_to / scale_from))
        im.resize(size, Image.LANCZOS).save(path)
