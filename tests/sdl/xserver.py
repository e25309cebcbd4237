"""A real X server with no screen (Xvfb) for the tests of the real window:
starting it (and a window manager, if asked), reading its picture, pressing
keys as a player does, and the game's environment there.

Everything that waits polls for the moment it waits for, with a generous
limit: shared CI machines are slow, never wrong."""
import ctypes
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SKIPPED = 77  # the tests' SKIP_RETURN_CODE


def fail(msg):
    print("FAIL:", msg, file=sys.stderr)
    sys.exit(1)


def run(cmd, env, **kw):
    return subprocess.run(cmd, env=env, check=True, **kw)


def poll(done, limit, every=0.05):
    """done()'s first true answer, or None once `limit` seconds have passed."""
    end = time.time() + limit
    while True:
        got = done()
        if got or time.time() > end:
            return got
        time.sleep(every)


class Screen:
    """Xvfb at w x h, with a window manager (openbox) if `manager`."""

    def __init__(self, w, h, manager=False):
        self.w, self.h = w, h
        self.proc, self.display = self._start()
        self.env = dict(os.environ, DISPLAY=self.display, SDL_AUDIODRIVER="dummy")
        for name in ("WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "PAKO_DRAW_OFFSCREEN"):
            self.env.pop(name, None)
        # In a sanitizer build: the X11 libraries SDL opens and closes again
        # at its end leave allocations no stack can name; the game's own leaks
        # are checked by the tests under SDL's dummy drivers.
        self.env["ASAN_OPTIONS"] = ":".join(
            filter(None, [self.env.get("ASAN_OPTIONS"), "detect_leaks=0"]))
        self.manager = None
        if manager:
            if not shutil.which("openbox"):
                self.close()
                print("SKIP: no openbox to manage the windows", file=sys.stderr)
                sys.exit(SKIPPED)
            self.manager = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            # The manager is up once it owns the screen's selection.
            if not poll(lambda: subprocess.run(
                    ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                    capture_output=True, text=True).stdout.find("window id") >= 0, 30, 0.1):
                fail("openbox did not start")

    def _start(self):
        """Starts Xvfb on a display it picks itself (-displayfd: it writes the
        number once it accepts clients); should a server refuse to start,
        what it printed is shown, so that a failure in CI says why."""
        log = tempfile.TemporaryFile()
        tried = []
        # First the server's own choice of display; then a few numbers by
        # hand, without the lock file, for a /tmp where locks cannot be made.
        attempts = [["-displayfd", None]] + [[f":{n}", "-nolock"] for n in range(91, 96)]
        for extra in attempts:
            read_fd, write_fd = os.pipe()
            cmd = ["Xvfb"] + [str(write_fd) if a is None else a for a in extra]
            cmd += ["-screen", "0", f"{self.w}x{self.h}x24", "-nolisten", "tcp"]
            log.seek(0)
            log.truncate()
            proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=log,
                                    pass_fds=(write_fd,))
            os.close(write_fd)
            display = self._wait_ready(proc, read_fd, extra)
            os.close(read_fd)
            if display:
                return proc, display
            proc.kill()
            proc.wait()
            log.seek(0)
            said = log.read().decode(errors="replace").strip().splitlines()[-6:]
            tried.append(" ".join(cmd) + "\n    " + "\n    ".join(said))
        # No X server at all is the machine's limit, not the game's fault: the
        # test reports itself skipped (CTest shows it so), with the server's
        # words.
        print("SKIP: no Xvfb display could be started:\n  " + "\n  ".join(tried),
              file=sys.stderr)
        sys.exit(SKIPPED)

    @staticmethod
    def _wait_ready(proc, read_fd, extra):
        """The display once Xvfb accepts clients, or None within a minute."""
        end = time.time() + 60
        if extra[0] == "-displayfd":
            got = b""
            os.set_blocking(read_fd, False)
            while time.time() < end and proc.poll() is None:
                try:
                    got += os.read(read_fd, 16)
                except BlockingIOError:
                    pass
                if got.endswith(b"\n"):
                    return ":" + got.decode().strip()
                time.sleep(0.05)
            return None
        n = extra[0][1:]
        while time.time() < end and proc.poll() is None:
            # The socket file, or (where /tmp/.X11-unix cannot be made) a
            # client that gets through on the abstract socket.
            if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                return f":{n}"
            probe = subprocess.run(["xdotool", "getdisplaygeometry"],
                                   env=dict(os.environ, DISPLAY=f":{n}"),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if probe.returncode == 0:
                return f":{n}"
            time.sleep(0.1)
        return None

    def close(self):
        for p in (self.manager, self.proc):
            if p and p.poll() is None:
                p.kill()
                p.wait()

    def capture(self):
        """The root window as w*h*3 bytes of RGB, read straight from xwd's
        ZPixmap of 24 or 32 bits a pixel (what Xvfb at depth 24 gives),
        without a converter."""
        xwd = run(["xwd", "-root", "-silent"], self.env, capture_output=True).stdout
        f = struct.unpack(">25I", xwd[:100])
        header, fmt, width, height = f[0], f[2], f[4], f[5]
        order, bpp, line, ncolors = f[7], f[11], f[12], f[19]
        if fmt != 2 or bpp not in (24, 32) or (width, height) != (self.w, self.h):
            fail(f"capture: format {fmt}, {bpp} bits, {width}x{height}")
        n = bpp // 8
        start = header + 12 * ncolors
        px = bytearray()
        for y in range(self.h):
            px += xwd[start + y * line:start + y * line + self.w * n]
        if order != 0:  # most significant byte first
            px = bytearray(b for i in range(0, len(px), n) for b in px[i:i + n][::-1])
        rgb = bytearray(self.w * self.h * 3)
        rgb[0::3] = px[2::n]
        rgb[1::3] = px[1::n]
        rgb[2::3] = px[0::n]
        return bytes(rgb)

    def pixel(self, rgb, x, y):
        i = (y * self.w + x) * 3
        return rgb[i], rgb[i + 1], rgb[i + 2]

    def save_png(self, rgb, path):
        run(["convert", "-size", f"{self.w}x{self.h}", "-depth", "8", "rgb:-", path], self.env,
            input=rgb)

    def wait_for_window(self, limit=120):
        def found():
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Pako Tumbo"],
                               env=self.env, capture_output=True, text=True)
            return r.stdout.split()[0] if r.returncode == 0 and r.stdout.strip() else None
        wid = poll(found, limit, 0.1)
        if not wid:
            fail("the game's window did not appear")
        subprocess.run(["xdotool", "windowfocus", "--sync", wid], env=self.env,
                       stderr=subprocess.DEVNULL)
        return wid

    def key(self, name, hold=0.0, alt=False):
        """A key pressed and, after `hold` seconds, released, as a finger
        does: the game looks at its keys once a frame."""
        if alt:
            run(["xdotool", "keydown", "alt"], self.env)
        run(["xdotool", "keydown", name], self.env)
        time.sleep(hold if hold else 0.05)
        run(["xdotool", "keyup", name], self.env)
        if alt:
            run(["xdotool", "keyup", "alt"], self.env)


class FastKeys:
    """Keys pressed and released through the X server's test extension from
    this process: a press reaches the server at once, where starting xdotool
    for it takes milliseconds, tens of them on a busy machine, and a player
    that must let go inside a few frames is then late."""

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XStringToKeysym.restype = ctypes.c_ulong
        self.x.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            fail(f"cannot open the display {display} to press keys on")

    def send(self, name, down):
        code = self.x.XKeysymToKeycode(self.dpy, self.x.XStringToKeysym(name.encode()))
        if not code:
            fail(f"no key {name}")
        self.xtst.XTestFakeKeyEvent(self.dpy, code, 1 if down else 0, 0)
        self.x.XFlush(self.dpy)

    def close(self):
        if self.dpy:
            self.x.XCloseDisplay(self.dpy)
            self.dpy = None


class TopLevelWindows:
    """The X server's own account of the windows made on its root, asked for
    before the game starts: which were shown, and which of those were
    destroyed again. Nothing is missed however busy the machine, as the
    server queues every notice for this connection."""

    SUBSTRUCTURE_NOTIFY = 1 << 19
    DESTROY_NOTIFY, MAP_NOTIFY = 17, 19

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            fail(f"cannot open the display {display} to watch its windows")
        self.x.XSelectInput(self.dpy, self.x.XDefaultRootWindow(self.dpy),
                            self.SUBSTRUCTURE_NOTIFY)
        self.x.XSync(self.dpy, 0)
        self.shown, self.gone = [], []

    def read(self):
        """Takes in what the server said so far."""
        self.x.XSync(self.dpy, 0)
        event = (ctypes.c_long * 24)()
        while self.x.XPending(self.dpy):
            self.x.XNextEvent(self.dpy, event)
            kind, window = event[0] & 0xFFFFFFFF, event[5]  # type; the window's id
            if kind == self.MAP_NOTIFY and window not in self.shown:
                self.shown.append(window)
            elif kind == self.DESTROY_NOTIFY and window in self.shown:
                self.gone.append(window)
        return self

    def close(self):
        if self.dpy:
            self.x.XCloseDisplay(self.dpy)
            self.dpy = None


class Trace:
    """A game's trace file (pako --trace), read as it grows: the state after
    the last frame written."""

    def __init__(self, path):
        self.path, self.offset, self.partial, self.last, self.lines = path, 0, "", None, 0

    def latest(self):
        try:
            with open(self.path, "r") as f:
                f.seek(self.offset)
                got = f.read()
                self.offset = f.tell()
        except FileNotFoundError:
            return self.last
        got = self.partial + got
        *whole, self.partial = got.split("\n")
        for line in whole:
            if line:
                self.last = json.loads(line)
                self.lines += 1
        return self.last


def ended_well(game, what=""):
    """Waits for the game to end after Escape: status 0, or a failure that
    says what it wrote on standard error."""
    prefix = f"{what}: " if what else ""
    try:
        code = game.wait(timeout=60)
    except subprocess.TimeoutExpired:
        fail(prefix + "the game did not end on Escape")
    if code != 0:
        fail(f"{prefix}exit status {code}: {game.stderr.read().decode(errors='replace')}")


def read_bmp24(path):
    """A bottom-up 24-bit bitmap as (w, h, rows of (r, g, b) top first)."""
    data = open(path, "rb").read()
    off, = struct.unpack_from("<I", data, 10)
    w, h = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    if bits != 24:
        fail(f"{path}: {bits} bits per pixel")
    stride = (w * 3 + 3) & ~3
    rows = []
    for y in range(abs(h)):
        src = (abs(h) - 1 - y) if h > 0 else y
        base = off + src * stride
        rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1], data[base + 3 * x])
                     for x in range(w)])
    return w, abs(h), rows


def close(a, b, tol=8):
    return all(abs(p - q) <= tol for p, q in zip(a, b))


def sim_title(sim, tmp, env):
    """pako-sim's title once the logo rests: rows of (r, g, b)."""
    run([sim, "--frames", "301", "--dump-frames", tmp, "--every", "300"], env,
        stdout=subprocess.DEVNULL)
    return read_bmp24(os.path.join(tmp, "frame-000300.bmp"))[2]


def read_frame_log(path):
    """The frames and the pictures shown in a PAKO_FRAME_LOG, in microseconds:
    (the times the flipped frames began, [(shown time, took)]). Frames begin
    14 ms apart; each is flipped as soon as it is drawn."""
    flips, shown = [], []
    try:
        for line in open(path):
            p = line.split()
            if p[0] == "F":
                flips.append(int(p[1]))
            elif p[0] == "S":
                shown.append((int(p[1]), int(p[2])))
    except FileNotFoundError:
        pass
    return flips, shown


def intervals_ms(flips, skip=20):
    """The times between flips, in milliseconds, sorted, after the first `skip`
    frames (start-up)."""
    f = flips[skip:]
    return sorted((b - a) / 1000 for a, b in zip(f, f[1:]))
