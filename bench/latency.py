#!/usr/bin/env python3
"""How long a key takes to reach the screen, measured from outside the game,
as a player meets it: the time from a key pressed (through the X server's
test extension, from this process) to the first picture on the screen that
shows its effect.

- Enter on the title, the logo at rest: the first picture of the playfield.
  Floor: 7 ms (half a 14 ms frame: waiting for the next frame to start) +
  14 ms (the title ends in the frame that sees Enter; the playfield is drawn
  in the next) + half a refresh of the screen: 29.3 ms at 60 Hz, 24.5 at
  144 Hz, 21.0 with no refresh to wait for.
- Right in play, the player standing after the serve: the first picture of
  the player running. Floor: 7 ms + half a refresh: 15.3, 10.5, 7.0 ms.

Each try starts the game afresh, waits for the moment by following its
trace (--trace: when to press, never what is measured), sleeps a random
0..14 ms to sample the phases of the frame, and presses the key. A
picture shows the effect when rows of pixels that only it changes differ
from the picture on the screen at the key (SIGNBOARD, LEGS and FACE
below, picked from pako-sim's frames; in the real game the picture found
is the first one the presenter took after the flip of the frame that saw
the key, as its frame log says).

Linux, on Xvfb at 640 x 480 (the game full screen: the root window is the
picture): a library loaded into the game (latency/present_shim.c) notes
the time of every present and reads a few rows of the root window back;
with LATENCY_REFRESH_HZ it makes each present wait for the next refresh of
a simulated 60 or 144 Hz screen first, as a synchronised driver does (the
game is not told). Rows: 60 Hz, 144 Hz, no refresh.

Windows under Wine: nothing loaded into the game; the root window is read
from this process every 0.25 ms after the key until the effect shows.
Floors as with no refresh.

The page in headless Chromium: the key sent over the DevTools protocol, its
arrival taken from a keydown listener's performance.now() in the page, the
shown moment from the first animation frame whose canvas shows the effect.
The page runs its frames at the browser's animation frames (60 a second
here), so the wait for the next frame and the wait for the screen are one:
floors of half an animation frame (8.3 ms) for Right, and for Enter that
plus the animation frame at which the next frame falls due (16.7 ms):
25.0 ms.

Sound (Linux rows): the recorded rally of docs/demos replayed; for each
kick, the time from the present of the first picture showing it (the kick
counter's new digit, drawn in the frame of the kick with the struck
shuttlecock and the kick pose) to its first sample handed to the sound
device, plus that device's buffer (frames / rate): when the sample has
left the device at the latest. Target: at most 12 ms. The device is a
PulseAudio null sink started here, which takes samples at real-time pace
(there is no sound card); without pulseaudio, SDL's disk driver writing to
/dev/null, which sleeps a buffer's length after each.

Prints per row: the median and 90th percentile, the floor, median / floor.

usage: bench/latency.py [--rows ROWS] [--replays N] [PAKO] [TRIES]
       ROWS: comma-separated of 60hz,144hz,norefresh (or linux),wine,web;
       PAKO build/release/pako, TRIES 20; --wine-exe, --web-dir for the builds.
"""
import argparse
import ctypes
import json
import math
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(TOP, "tests", "sdl"))
from xserver import FastKeys, Screen, Trace, poll, read_bmp24  # noqa: E402

FRAME_MS = 14
# What tells the effects apart, one row of pixels each (x, y, w, h):
# the signboard on the title, where the playfield shows sky and hills;
# the player's legs and face, where standing (facing left) and running
# (facing right, four pixels on) differ. A dragonfly passing changes one
# of the player's rows now and then (in 2 % of the frames of 40 games in
# the simulator), both at once never: both must change.
SIGNBOARD = (20, 330, 200, 1)
LEGS = (290, 408, 60, 1)
FACE = (295, 345, 50, 1)
# The kick counter's ones digit, drawn last, over everything.
COUNTER = (30, 30, 30, 30)
DIGITS = ["ZERO", "ONE", "TWO", "THREE", "FOUR", "FIVE", "SIX", "SEVEN", "EIGHT", "NINE"]


def area_arg(areas):
    return " ".join(",".join(map(str, a)) for a in areas)


def ms(ns):
    return ns / 1e6


def figures(values):
    s = sorted(values)
    return statistics.median(s), s[round(0.9 * (len(s) - 1))]


# --- Following the game -------------------------------------------------------


class ShimLog:
    """The shim's log, read as it grows: pictures as (ns, [bytes of each
    area]), sounds as (ns, frames in the buffer, rate)."""

    def __init__(self, path):
        self.path, self.offset, self.partial = path, 0, ""
        self.pictures, self.sounds = [], []

    def update(self):
        try:
            with open(self.path) as f:
                f.seek(self.offset)
                got = f.read()
                self.offset = f.tell()
        except FileNotFoundError:
            return self
        *whole, self.partial = (self.partial + got).split("\n")
        for line in whole:
            p = line.split()
            if p and p[0] == "A":
                self.sounds.append((int(p[1]), int(p[2]), int(p[4])))
            elif p:
                # "-": an area the shim could not read.
                self.pictures.append((int(p[0]), [bytes.fromhex(a.strip("-")) for a in p[1:]]))
        return self


def last_before(pictures, t):
    """The areas of the last picture shown at or before t."""
    before = [areas for at, areas in pictures if at <= t]
    return before[-1] if before else None


def first_after(pictures, t, changed):
    """The time of the first picture shown after t for which changed(areas)."""
    for at, areas in pictures:
        if at > t and changed(areas):
            return at
    return None


def trace_at(trace, limit, cond):
    """The trace's state once cond(state) holds, or None after limit seconds."""
    def holds():
        s = trace.latest()
        return s if s and cond(s) else None
    return poll(holds, limit, 0.001)


def at_rest(s):
    return s["titleActive"] == 1 and s["zoomStage"] >= 5 and s["zoomInset"] == 0


def standing_after_serve(s):
    # The shuttlecock risen above the player's head, the camera not yet
    # raised after it (it rises about twenty frames later).
    return (s["titleActive"] == 0 and s["serveReady"] == 1 and s["dropped"] == 0 and
            s["cameraY"] == 480 and s["shuttleY"] < 285 and s["rightHeld"] == 0)


def in_window(s):
    return s["cameraY"] == 480 and s["shuttleY"] >= 250


class Keys(FastKeys):
    """FastKeys, with the moment the X server has taken the key."""

    def press(self, name, down=True):
        self.send(name, down)
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XSync(self.dpy, 0)
        return time.monotonic_ns()


def phase():
    time.sleep(random.uniform(0, FRAME_MS / 1000))


def play_two_keys(keys, game):
    """Enter on the title at rest, then Right after the serve; returns the
    two latencies in ns (None for one missed). The game's `shown(t,
    changed)` waits for the first picture after t that `changed(before,
    now)` says shows the effect, `before` the areas on the screen at t;
    its `ready()` is called right before each key. Ends the game."""
    try:
        return two_keys(keys, game)
    finally:
        game.close()


def two_keys(keys, game):
    out = [None, None]
    if not trace_at(game.trace, 120, at_rest):
        return out
    phase()
    game.ready()
    t = keys.press("Return")
    got = game.shown(t, differs(0))
    keys.press("Return", False)
    if got:
        out[0] = got - t
    s = trace_at(game.trace, 30, standing_after_serve)
    if not s or not in_window(s):
        return out
    phase()
    game.ready()
    t = keys.press("Right")
    got = game.shown(t, both_differ(1, 2))
    keys.press("Right", False)
    if got:
        out[1] = got - t
    return out


def key_rows(what, tries, hz, one_try, frames_at_refresh=False):
    """The two keys' rows: `one_try()` plays a game and returns the two
    latencies; a try that missed a key is played again. Where the frames
    run at the screen's refreshes (the page), waiting for the next frame is
    waiting for the refresh, and the frame after the one that saw a key
    runs at the first refresh 14 ms or more later."""
    enter, right = [], []
    for _ in range(tries * 2):
        if len(enter) >= tries and len(right) >= tries:
            break
        e, r = one_try()
        if e is not None and len(enter) < tries:
            enter.append(e)
        if r is not None and len(right) < tries:
            right.append(r)
    half = 500 / hz if hz else 0.0
    if frames_at_refresh:
        refresh = 1000 / hz
        wait, next_frame = 0.0, math.ceil(FRAME_MS / refresh) * refresh
    else:
        wait, next_frame = FRAME_MS / 2, FRAME_MS
    return [(f"{what}: Enter on the title", enter, wait + next_frame + half),
            (f"{what}: Right in play", right, wait + half)]


def differs(i):
    return lambda before, now: now[i] != before[i]


def both_differ(i, j):
    return lambda before, now: now[i] != before[i] and now[j] != before[j]


# --- Linux, the shim -----------------------------------------------------------


def build_shim(tmp):
    lib = os.path.join(tmp, "present_shim.so")
    subprocess.run(["cc", "-O2", "-shared", "-fPIC", "-o", lib,
                    os.path.join(HERE, "latency", "present_shim.c"), "-ldl", "-lX11"],
                   check=True)
    return lib


class Sound:
    """A PulseAudio server with a null sink, of our own; or, without
    pulseaudio, SDL's disk driver into /dev/null."""

    def __init__(self, tmp):
        self.proc = None
        if not shutil.which("pulseaudio"):
            self.name = "SDL's disk driver into /dev/null"
            self.env = {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": "/dev/null"}
            return
        home = os.path.join(tmp, "pulse")
        os.makedirs(home, exist_ok=True)
        sock = os.path.join(home, "socket")
        self.proc = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
             "-L", "module-null-sink",
             "-L", f"module-native-protocol-unix socket={sock} auth-anonymous=1"],
            env=dict(os.environ, HOME=home, XDG_RUNTIME_DIR=home),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.name = "a PulseAudio null sink"
        self.env = {"SDL_AUDIODRIVER": "pulseaudio", "PULSE_SERVER": "unix:" + sock}
        if not poll(lambda: os.path.exists(sock), 30, 0.05):
            sys.exit("latency.py: pulseaudio did not start")

    def close(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait()


class LinuxGame:
    def __init__(self, pako, screen, shim, sound, hz, tmp, areas, args):
        self.log_path = os.path.join(tmp, "shown.log")
        self.trace_path = os.path.join(tmp, "game.trace")
        for p in (self.log_path, self.trace_path):
            if os.path.exists(p):
                os.remove(p)
        env = dict(screen.env, LD_PRELOAD=shim, LATENCY_LOG=self.log_path,
                   LATENCY_AREAS=area_arg(areas), **sound.env)
        env.pop("PAKO_TEST_REFRESH_HZ", None)
        if hz:
            env["LATENCY_REFRESH_HZ"] = str(hz)
        self.proc = subprocess.Popen([pako, "--trace", self.trace_path] + args,
                                     cwd=os.path.join(TOP, "assets", "sounds"), env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.log = ShimLog(self.log_path)
        self.trace = Trace(self.trace_path)

    def ready(self):
        pass

    def shown(self, t, changed):
        before = poll(lambda: last_before(self.log.update().pictures, t), 5, 0.001)
        if before is None:
            return None
        return poll(lambda: first_after(self.log.update().pictures, t,
                                        lambda now: changed(before, now)), 3, 0.001)

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait()


def digit_pixels(k):
    """The opaque pixels of digit k (white is its colour key), as
    (offset into the counter's bytes, (r, g, b))."""
    w, h, rows = read_bmp24(os.path.join(TOP, "assets", "bitmaps", DIGITS[k] + ".bmp"))
    return [((y * COUNTER[2] + x) * 3, rows[y][x]) for y in range(min(h, COUNTER[3]))
            for x in range(min(w, COUNTER[2])) if rows[y][x] != (255, 255, 255)]


def shows_digit(pixels, counter):
    # The picture went through 16 bits a pixel: within a step of 5 or 6 bits.
    return all(abs(counter[i + c] - rgb[c]) <= 8 for i, rgb in pixels for c in range(3))


def kicks_to_sound(pako, screen, shim, sound, hz, tmp, replays):
    """For each kick of the replayed rally that follows a silence: the time
    from its picture to its first sample handed to the device, and that
    plus the device's buffer, in ns."""
    demo = os.path.join(TOP, "docs", "demos", "rally.record")
    handed, heard = [], []
    for _ in range(replays):
        game = LinuxGame(pako, screen, shim, sound, hz, tmp, [COUNTER], ["--replay", demo])
        try:
            game.proc.wait(timeout=120)
        finally:
            game.close()
        log = game.log.update()
        with open(game.trace_path) as f:
            frames = [json.loads(line) for line in f if line.strip()]
        # A kick whose sound follows a silence: no other sound started in
        # the twenty frames before it (else its first samples cannot be told
        # from the other's), and the device was handed silence before it
        # (an "A" line near its picture).
        last_sound = -1000
        for s in frames:
            kicked = "kick.wav" in s["sounds"]
            quiet = s["frame"] - last_sound > 20
            if s["sounds"]:
                last_sound = s["frame"]
            if not kicked or not quiet or s["kickCount"] > 9:
                continue
            pixels = digit_pixels(s["kickCount"])
            pic = first_after(log.pictures, 0, lambda a: shows_digit(pixels, a[0]))
            near = [a for a in log.sounds if pic and abs(a[0] - pic) < 80_000_000]
            if not pic or not near:
                continue
            at, n, rate = near[0]
            handed.append(at - pic)
            heard.append(at + n * 1_000_000_000 // rate - pic)
    return handed, heard


def linux_rows(pako, rows, tries, replays, tmp):
    shim = build_shim(tmp)
    sound = Sound(tmp)
    screen = Screen(640, 480)
    keys = Keys(screen.display)
    results = []
    try:
        for name, hz in (("60hz", 60), ("144hz", 144), ("norefresh", None)):
            if name not in rows:
                continue
            what = f"Linux, {hz} Hz" if hz else "Linux, no refresh"
            results += key_rows(what, tries, hz, lambda: play_two_keys(keys, LinuxGame(
                pako, screen, shim, sound, hz, tmp, [SIGNBOARD, LEGS, FACE], [])))
            handed, heard = kicks_to_sound(pako, screen, shim, sound, hz, tmp, replays)
            results.append((f"{what}: kick picture to sound", (handed, heard), None))
    finally:
        keys.close()
        screen.close()
        sound.close()
    return results, sound.name


# --- Windows under Wine, the root window read from here ----------------------------


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int)]


class Root:
    """A few areas of the root window, read over a connection of our own:
    their bytes as the server gives them (compared, never decoded)."""

    def __init__(self, display, areas):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(display.encode())
        self.root = self.x.XDefaultRootWindow(self.dpy)
        self.areas = areas

    def read(self):
        got = []
        for x, y, w, h in self.areas:
            image = self.x.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
            if not image:
                got.append(b"")
                continue
            got.append(ctypes.string_at(image.contents.data, image.contents.bytes_per_line * h))
            self.x.XDestroyImage(image)
        return got

    def close(self):
        self.x.XCloseDisplay(self.dpy)


class WineGame:
    def __init__(self, exe, screen, root, tmp):
        self.trace_path = os.path.join(tmp, "game.trace")
        if os.path.exists(self.trace_path):
            os.remove(self.trace_path)
        env = dict(screen.env, WINEPREFIX=os.path.join(os.path.dirname(exe), "wine"))
        # wine-run and Wine's loader exec in turn: the process is the game's.
        self.proc = subprocess.Popen([os.path.join(TOP, "tools", "windows", "wine-run"), exe,
                                      "--trace", self.trace_path],
                                     cwd=os.path.join(TOP, "assets", "sounds"), env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.trace = Trace(self.trace_path)
        self.root = root
        self.env = env

    def ready(self):
        self.before = self.root.read()

    def shown(self, t, changed):
        """Reads the screen every 0.25 ms until it shows the effect (for at
        most two seconds); the moment is taken half way between the last
        read without it and the first with it."""
        last = t
        while time.monotonic_ns() - t < 2_000_000_000:
            start = time.monotonic_ns()
            now = self.root.read()
            if changed(self.before, now):
                return (last + time.monotonic_ns()) // 2
            last = start
            time.sleep(0.00025)
        return None

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait()


def wine_rows(exe, tries):
    screen = Screen(640, 480)
    keys = Keys(screen.display)
    root = Root(screen.display, [SIGNBOARD, LEGS, FACE])
    tmp = tempfile.mkdtemp(prefix="pako-latency-wine-")
    try:
        return key_rows("Windows, Wine", tries, None,
                        lambda: play_two_keys(keys, WineGame(exe, screen, root, tmp)))
    finally:
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], timeout=120,
                       env=dict(screen.env, WINEPREFIX=os.path.join(os.path.dirname(exe), "wine")))
        root.close()
        keys.close()
        screen.close()
        shutil.rmtree(tmp, ignore_errors=True)


# --- The page in Chromium ---------------------------------------------------------

# In the page: the time of the last key down, and from each animation frame
# (after the page's own, which puts the game's picture on the screen canvas)
# the areas as the screen canvas shows them; the first frame after a key
# whose areas show its effect gives its time.
WATCH = """
(() => {
  const areas = %s, screen = document.getElementById('screen');
  const read = () => {
    const ctx = screen.getContext('2d'), sx = screen.width / 640, sy = screen.height / 480;
    return areas.map(([x, y, w, h]) => ctx.getImageData(Math.round(x * sx), Math.round(y * sy),
        Math.max(1, Math.round(w * sx)), Math.max(1, Math.round(h * sy))).data.join());
  };
  const lat = window.latency = {key: null, shown: null, want: null, before: null, now: read()};
  window.addEventListener('keydown', (e) => {
    if (e.repeat || lat.want === null) return;
    lat.key = performance.now();
    lat.before = lat.now;
    lat.frame = Module._pako_frames_run();
  }, true);
  const frame = () => {
    requestAnimationFrame(frame);
    lat.now = read();
    if (lat.key === null || lat.shown !== null) return;
    if (lat.want.every((i) => lat.now[i] !== lat.before[i])) lat.shown = performance.now();
  };
  requestAnimationFrame(frame);
})()
"""

# From the Enter's frame: the serve 102 frames on, the shuttlecock above the
# player's head from 120, the camera raised after it from 141.
RIGHT_FROM, RIGHT_TO = 121, 132


def web_try(b, url):
    out = [None, None]
    b.open(url)
    b.wait_for("window.pakoFirstPicture", 60, "the first picture")
    b.wait_for("Module._pako_frames_run() > 130", 30, "the logo to rest")
    b.evaluate(WATCH % json.dumps([SIGNBOARD, LEGS, FACE]))

    def press(key, code, key_code, want):
        b.evaluate("latency.key = latency.shown = null, latency.want = %s" % json.dumps(want))
        phase()
        b.key(key, code, key_code, down=True, up=False)
        got = poll(lambda: b.evaluate("latency.shown !== null && [latency.key, latency.shown,"
                                      " latency.frame]"), 3, 0.002)
        b.key(key, code, key_code, down=False, up=True)
        return got

    got = press("Enter", "Enter", 13, [0])
    if not got:
        return out
    out[0] = (got[1] - got[0]) * 1e6
    enter_frame = got[2]
    if not poll(lambda: b.evaluate("Module._pako_frames_run()") >= enter_frame + RIGHT_FROM,
                10, 0.002):
        return out
    if b.evaluate("Module._pako_frames_run()") > enter_frame + RIGHT_TO:
        return out
    got = press("ArrowRight", "ArrowRight", 39, [1, 2])
    if got:
        out[1] = (got[1] - got[0]) * 1e6
    return out


def web_rows(folder, tries):
    sys.path.insert(0, os.path.join(TOP, "tools", "web"))
    import browser
    import serve
    server, url = serve.start(folder)
    try:
        def one_try():
            with browser.Browser(1280, 1000) as b:
                return web_try(b, url)
        return key_rows("Web, Chromium 60 Hz", tries, 60, one_try, frames_at_refresh=True)
    finally:
        server.shutdown()


# --- Printing ------------------------------------------------------------------


def print_rows(results):
    if not results:
        return
    print(f"{'':46} {'tries':>5} {'median':>7} {'p90':>7} {'floor':>6} {'ratio':>6}")
    for name, values, floor in results:
        if floor is None:
            handed, heard = values
            if not heard:
                print(f"{name:46} no kick heard")
                continue
            mh, ph = figures([ms(v) for v in handed])
            m, p = figures([ms(v) for v in heard])
            print(f"{name:46} {len(heard):5d} {m:7.1f} {p:7.1f}   (target at most 12 ms; "
                  f"handed to the device alone: median {mh:.1f}, p90 {ph:.1f})")
            continue
        if not values:
            print(f"{name:46} nothing measured")
            continue
        m, p = figures([ms(v) for v in values])
        print(f"{name:46} {len(values):5d} {m:7.1f} {p:7.1f} {floor:6.1f} {m / floor:6.2f}")


def main():
    parser = argparse.ArgumentParser(usage=__doc__.rsplit("usage: ", 1)[1])
    parser.add_argument("pako", nargs="?", default=os.path.join(TOP, "build", "release", "pako"))
    parser.add_argument("tries", nargs="?", type=int, default=20)
    parser.add_argument("--rows", default="linux,wine,web")
    parser.add_argument("--replays", type=int, default=2)
    parser.add_argument("--wine-exe", default=os.path.join(TOP, "build", "windows", "pako.exe"))
    parser.add_argument("--web-dir", default=os.path.join(TOP, "build", "web"))
    args = parser.parse_args()
    rows = set(args.rows.replace("linux", "60hz,144hz,norefresh").split(","))
    tmp = tempfile.mkdtemp(prefix="pako-latency-")
    results = []
    if rows & {"60hz", "144hz", "norefresh"}:
        pako = os.path.abspath(args.pako)
        if not os.access(pako, os.X_OK):
            print(f"Linux rows skipped: no game at {pako}")
        else:
            got, sound = linux_rows(pako, rows, args.tries, args.replays, tmp)
            print(f"Sound device: {sound}")
            results += got
    if "wine" in rows:
        exe = os.path.abspath(args.wine_exe)
        if not os.path.isfile(exe) or not shutil.which("/usr/lib/wine/wine64"):
            print(f"Wine row skipped: no {exe}, or no Wine (tools/windows.sh builds both)")
        else:
            results += wine_rows(exe, args.tries)
    if "web" in rows:
        folder = os.path.abspath(args.web_dir)
        try:
            import websocket  # noqa: F401  (Debian's python3-websocket, for tools/web/browser.py)
        except ImportError:
            websocket = None
        if not os.path.isfile(os.path.join(folder, "pako.wasm")) or not shutil.which("chromium"):
            print(f"Web row skipped: no {folder}/pako.wasm, or no Chromium "
                  "(tools/web.sh --build-only; tools/setup.sh web-test)")
        elif not websocket:
            print("Web row skipped: this Python has no websocket module (run it with "
                  "/usr/bin/python3, which has Debian's python3-websocket)")
        else:
            results += web_rows(folder, args.tries)
    print_rows(results)
    shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
