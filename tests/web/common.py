"""What the web page's tests share: checks and their report (each engine's
own, skips named with their reason), pictures compared with pako-sim's, the
game's frames and trace read from the page, pako-sim's kick window, and
boxes on the page."""
import base64
import gzip
import json
import os
import struct
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))
import browser  # noqa: E402
import serve  # noqa: E402

W, H = 640, 480
PORTRAIT = (390, 844)
LANDSCAPE = (844, 390)

AUDIO = "(Module.SDL2 && Module.SDL2.audioContext && Module.SDL2.audioContext.state)"
SOUND = "(Module._pako_sound_playing() ? UTF8ToString(Module._pako_sound_playing()) : null)"
STATUS = "document.getElementById('status').textContent"
NOTICE = "document.getElementById('notice').textContent"


def fail(message):
    raise AssertionError(message)


class Checks:
    """Runs named checks; a failure is reported and the next check still
    runs. Each check is named with the engine it runs in; one that needs what
    the engine's automation cannot do (browser.Driver.cannot) is skipped, and
    the line says why."""

    def __init__(self):
        self.results = []
        self.engine = None

    def _name(self, name):
        return "%s: %s" % (self.engine, name) if self.engine else name

    def skip(self, name, why):
        self.results.append((self._name(name), "skipped"))
        print("skip %s: %s" % (self._name(name), why), flush=True)

    def run(self, name, fn, needs=()):
        if self.engine:
            cannot = browser.driver(self.engine).cannot
            for what in needs:
                if what in cannot:
                    self.skip(name, "skipped in %s: %s" % (self.engine, cannot[what]))
                    return None
        name = self._name(name)
        try:
            fn()
        except Exception as e:  # noqa: BLE001 - every failure is a result
            self.results.append((name, e))
            print("FAIL %s: %s" % (name, e), flush=True)
            if not isinstance(e, (AssertionError, browser.BrowserError)):
                traceback.print_exc()
            return False
        self.results.append((name, None))
        print("ok   " + name, flush=True)
        return True

    def can(self, what):
        return what not in browser.driver(self.engine).cannot

    def counts(self):
        skipped = sum(1 for _, e in self.results if e == "skipped")
        failed = sum(1 for _, e in self.results if e not in (None, "skipped"))
        return len(self.results) - failed - skipped, failed, skipped


def read_bmp24(path):
    """A 24-bit bitmap as (width, height, RGB bytes from the top row down)."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    w, h = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    assert bits == 24, "%s: %d bits a pixel" % (path, bits)
    stride = (w * 3 + 3) & ~3
    rgb = bytearray()
    for y in range(abs(h)):
        row = offset + ((abs(h) - 1 - y) if h > 0 else y) * stride
        for x in range(w):
            b, g, r = data[row + 3 * x:row + 3 * x + 3]
            rgb += bytes((r, g, b))
    return w, abs(h), bytes(rgb)


# --- Pictures -----------------------------------------------------------------

# How many pixels of the game's canvas are not those of window.pakoWant (RGB
# bytes of x0, y0, w, h), compared in the game's own 16-bit colours (5 bits
# of red, 6 of green, 5 of blue: the browser and pako-sim widen them to 8
# bits a little differently). Pixels in window.pakoSkip ([x0, y0, x1, y1])
# are left out and, with `keyed`, those of the picture's white key.
DIFFER = r"""((x0, y0, w, h, keyed) => {
  const got = document.getElementById('canvas').getContext('2d')
    .getImageData(x0, y0, w, h).data;
  const want = window.pakoWant, skip = window.pakoSkip;
  let differ = 0;
  for (let y = 0; y < h; y++)
    for (let x = 0; x < w; x++) {
      const X = x0 + x, Y = y0 + y;
      if (skip && X >= skip[0] && X < skip[2] && Y >= skip[1] && Y < skip[3]) continue;
      const i = (y * w + x) * 3, j = (y * w + x) * 4;
      const r = want[i] >> 3, g = want[i + 1] >> 2, b = want[i + 2] >> 3;
      if (keyed && r === 31 && g === 63 && b === 31) continue;
      if (r !== got[j] >> 3 || g !== got[j + 1] >> 2 || b !== got[j + 2] >> 3) differ++;
    }
  return differ;
})"""

# The START item blinks with the timer: it is left out of the title.
START_ITEM = [320, 240, 560, 360]


def want(b, rgb, skip=None):
    b.evaluate("window.pakoWant = Uint8Array.from(atob(%s), (c) => c.charCodeAt(0)),"
               " window.pakoSkip = %s, true"
               % (json.dumps(base64.b64encode(rgb).decode()), json.dumps(skip)))


def differing(b, x0, y0, w, h, keyed=False):
    return b.evaluate("%s(%d, %d, %d, %d, %s)"
                      % (DIFFER, x0, y0, w, h, "true" if keyed else "false"))


def ready_picture():
    return read_bmp24(os.path.join(ROOT, "assets", "bitmaps", "READY.bmp"))


def wait_ready(b, limit=20):
    """Waits for READY to stand at (250, 200) as pako-sim draws it."""
    rw, rh, ready = ready_picture()
    want(b, ready)
    wrong = [None]

    def shown():
        wrong[0] = differing(b, 250, 200, rw, rh, keyed=True)
        return wrong[0] == 0
    try:
        browser.poll(shown, limit, "READY", 0.05)
    except browser.BrowserError:
        fail("%d pixels of READY are not at (250, 200)" % wrong[0])


def wait_title(b, title, limit=30):
    """Waits for the title, once the logo rests, to be pako-sim's."""
    want(b, title, START_ITEM)
    wrong = [None]

    def same():
        wrong[0] = differing(b, 0, 0, W, H)
        return wrong[0] == 0
    try:
        browser.poll(same, limit, "the title", 0.1)
    except browser.BrowserError:
        fail("%d pixels of the title are not pako-sim's" % wrong[0])


# --- pako-sim -----------------------------------------------------------------

def sim_title(sim):
    """pako-sim's title once the logo rests (step 300), as RGB bytes."""
    folder = tempfile.mkdtemp(prefix="pako-title-")
    subprocess.run([sim, "--frames", "301", "--dump-frames", folder, "--every", "300"],
                   check=True, stdout=subprocess.DEVNULL)
    return read_bmp24(os.path.join(folder, "frame-000300.bmp"))[2]


def kick_window(sim):
    """How many frames after Enter's press on the title letting Space go
    kicks the serve, as pako-sim finds them: (first, last). Space is held
    for 40 frames before, and its release is the frame whose trace line
    first shows it up again; Enter's press the first that shows it down."""
    enter = 5
    hits = []
    script = os.path.join(tempfile.mkdtemp(prefix="pako-kick-"), "kick.script")
    for release in range(enter + 150, enter + 260):
        with open(script, "w") as f:
            f.write("%d keydown enter\n%d keyup enter\n%d keydown space\n%d keyup space\n"
                    % (enter, enter + 1, release - 40, release))
        trace = subprocess.run([sim, "--frames", str(release + 5), "--script", script,
                                "--trace", "-"], check=True, capture_output=True,
                               text=True).stdout
        if json.loads(trace.splitlines()[-1])["kickCount"] > 0:
            hits.append(release - enter)
        elif hits:
            break
    assert hits, "pako-sim finds no step at which the serve can be kicked"
    return hits[0], hits[-1]


def committed_trace(name):
    with gzip.open(os.path.join(ROOT, "docs", "demos", name), "rt") as f:
        return f.read().splitlines()


# --- The game's frames and trace --------------------------------------------------

# Before the page's own script: the game writes a line for every flip into
# its frame log (PAKO_FRAME_LOG), which the tests count; and its random
# generator, seeded with the calendar's seconds, gets pako-sim's seed of 1,
# so that the dragonflies fly as they do in pako-sim.
BEFORE_PAGE = r"""
Date.now = () => 1000;
window.pakoTestEnv = Object.assign({PAKO_FRAME_LOG: '/frames.log'}, window.pakoTestEnv);
window.pakoFlips = () => {
  try {
    return FS.readFile('/frames.log', {encoding: 'utf8'}).split('\n')
      .filter((line) => line[0] === 'F').map((line) => Number(line.split(' ')[1]));
  } catch (e) {
    return [];
  }
};
"""


def frames_run(b):
    """The game's frames so far (its pump's steps)."""
    return b.evaluate("Module._pako_frames_run()")


def until_frame(b, n, limit=30):
    """Returns as soon as the game has run n frames: polled quickly, as the
    moment matters to a frame."""
    deadline = time.monotonic() + limit
    while frames_run(b) < n:
        if time.monotonic() > deadline:
            fail("frame %d did not come within %gs" % (n, limit))


def wait_frames(b, n, limit=20):
    until_frame(b, frames_run(b) + n, limit)


def heard(b, sound, limit=5):
    """Whether `sound` starts playing within `limit` seconds."""
    try:
        b.wait_for("%s === %r" % (SOUND, sound), limit, sound + " to play", 0.01)
        return True
    except browser.BrowserError:
        return False


def page_trace(b):
    """The trace the page kept (?trace), one dict a frame."""
    text = b.evaluate("window.pakoTrace()")
    if text is None:
        fail("the page kept no trace")
    return [json.loads(line) for line in text.splitlines() if line]


def first_frame(trace, test, after=-1):
    for s in trace:
        if s["frame"] > after and test(s):
            return s["frame"]
    return None


def space_releases(trace):
    """The frames whose trace line shows Space up again after it was down."""
    out, held = [], False
    for s in trace:
        if held and not s["spaceHeld"]:
            out.append(s["frame"])
        held = bool(s["spaceHeld"])
    return out


def kicks_after(trace, frame, within=6):
    """Whether a kick (kick.wav, the count going up) came within a few frames
    of `frame`."""
    by = {s["frame"]: s for s in trace}
    before = by[frame - 1]["kickCount"] if frame - 1 in by else 0
    for f in range(frame, frame + within):
        s = by.get(f)
        if s and (s["kickCount"] > before or "kick.wav" in s["sounds"]):
            return True
    return False


# --- Boxes on the page -------------------------------------------------------------

def centre(box):
    x, y, w, h = box
    return {"x": x + w / 2, "y": y + h / 2}


def rect(b, selector):
    return b.evaluate("(() => { const r = document.querySelector(%s).getBoundingClientRect();"
                      " return [r.left, r.top, r.width, r.height]; })()" % json.dumps(selector))


def overlap(a, c):
    ax, ay, aw, ah = a
    cx, cy, cw, ch = c
    return ax < cx + cw - 0.5 and cx < ax + aw - 0.5 and ay < cy + ch - 0.5 and cy < ay + ah - 0.5


def inside(a, x0, y0, x1, y1):
    x, y, w, h = a
    return x >= x0 - 0.5 and y >= y0 - 0.5 and x + w <= x1 + 0.5 and y + h <= y1 + 0.5
