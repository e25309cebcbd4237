#!/usr/bin/env python3
"""The real game on a real X server with no screen.

Starts `pako` on Xvfb (a 640 x 480 screen, so the picture fills it one to
one), captures the root window and checks it:

- the title, once the logo has come to rest, is the picture pako-sim draws
  for the same moment (all but the blinking START item);
- Enter starts the countdown: READY's own pixels stand at (250, 200);
- Escape ends the process with status 0.

With --screenshots DIR it also plays on until the continue screen and saves
the title, play and continue screens there as PNG files.

usage: e2e_xvfb.py PAKO PAKO_SIM ASSETS_DIR [--screenshots DIR]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

W, H = 640, 480
SKIPPED = 77  # the test's SKIP_RETURN_CODE


def fail(msg):
    print("FAIL:", msg, file=sys.stderr)
    sys.exit(1)


def start_xvfb():
    """Starts Xvfb on a display it picks itself (-displayfd: it writes the
    number once it accepts clients) and returns (process, ":n"). Should a
    server refuse to start, what it printed is shown, so that a failure in
    CI says why."""
    log = tempfile.TemporaryFile()
    tried = []
    # First the server's own choice of display; then a few numbers by hand,
    # without the lock file, for a /tmp where locks cannot be made.
    attempts = [["-displayfd", None]] + [[f":{n}", "-nolock"] for n in range(91, 96)]
    for extra in attempts:
        read_fd, write_fd = os.pipe()
        cmd = ["Xvfb"] + [str(write_fd) if a is None else a for a in extra]
        cmd += ["-screen", "0", f"{W}x{H}x24", "-nolisten", "tcp"]
        log.seek(0)
        log.truncate()
        proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=log,
                                pass_fds=(write_fd,))
        os.close(write_fd)
        display = wait_ready(proc, read_fd, extra)
        os.close(read_fd)
        if display:
            return proc, display
        proc.kill()
        proc.wait()
        log.seek(0)
        said = log.read().decode(errors="replace").strip().splitlines()[-6:]
        tried.append(" ".join(cmd) + "\n    " + "\n    ".join(said))
    # No X server at all is the machine's limit, not the game's fault: the
    # test reports itself skipped (CTest shows it so), with the server's words.
    print("SKIP: no Xvfb display could be started:\n  " + "\n  ".join(tried), file=sys.stderr)
    sys.exit(SKIPPED)


def wait_ready(proc, read_fd, extra):
    """The display once Xvfb accepts clients, or None within ten seconds."""
    end = time.time() + 10
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
        # The socket file, or (where /tmp/.X11-unix cannot be made) a client
        # that gets through on the abstract socket.
        if os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return f":{n}"
        probe = subprocess.run(["xdotool", "getdisplaygeometry"], env=dict(os.environ, DISPLAY=f":{n}"),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if probe.returncode == 0:
            return f":{n}"
        time.sleep(0.1)
    return None


def run(cmd, env, **kw):
    return subprocess.run(cmd, env=env, check=True, **kw)


def capture(env):
    """The root window as W*H*3 bytes of RGB, read straight from xwd's
    32-bit ZPixmap (what Xvfb at depth 24 gives), without a converter."""
    xwd = run(["xwd", "-root", "-silent"], env, capture_output=True).stdout
    f = struct.unpack(">25I", xwd[:100])
    header, fmt, width, height, order, bpp, line, ncolors = f[0], f[2], f[4], f[5], f[7], f[11], f[12], f[19]
    if fmt != 2 or bpp != 32 or (width, height) != (W, H):
        fail(f"capture: format {fmt}, {bpp} bits, {width}x{height}")
    start = header + 12 * ncolors
    px = bytearray()
    for y in range(H):
        px += xwd[start + y * line:start + y * line + W * 4]
    if order != 0:  # most significant byte first: X R G B
        px = bytearray(b for i in range(0, len(px), 4) for b in px[i:i + 4][::-1])
    rgb = bytearray(W * H * 3)
    rgb[0::3] = px[2::4]
    rgb[1::3] = px[1::4]
    rgb[2::3] = px[0::4]
    return bytes(rgb)


def save_png(rgb, path, env):
    run(["convert", "-size", f"{W}x{H}", "-depth", "8", "rgb:-", path], env, input=rgb)


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


def pixel(rgb, x, y):
    i = (y * W + x) * 3
    return rgb[i], rgb[i + 1], rgb[i + 2]


def title_differences(shot, want):
    """Pixels of the shot that are not pako-sim's, all but the START item,
    which blinks with the timer."""
    wrong = 0
    for y in range(H):
        row = want[y]
        for x in range(W):
            if 320 <= x < 560 and 240 <= y < 360:
                continue
            if not close(pixel(shot, x, y), row[x]):
                wrong += 1
    return wrong


def still_part(shot):
    """The shot without the blinking item, to tell whether the picture moves."""
    return b"".join(shot[(y * W) * 3:(y * W + W) * 3] for y in range(H) if not 240 <= y < 360)


def wait_for_title(env, want, limit=90.0, still_for=5.0):
    """(shot, differing pixels) once the title matches, or once it has held
    still for still_for seconds while differing, or at the limit."""
    end = time.time() + limit
    last, since = None, time.time()
    while True:
        shot = capture(env)
        wrong = title_differences(shot, want)
        if wrong == 0 or time.time() > end:
            return shot, wrong
        part = still_part(shot)
        if part != last:
            last, since = part, time.time()
        elif time.time() - since >= still_for:
            return shot, wrong
        time.sleep(0.2)


def wait_for_window(env, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Pako Tumbo"],
                           env=env, capture_output=True, text=True)
        if r.returncode == 0 and r.stdout.strip():
            return r.stdout.split()[0]
        time.sleep(0.1)
    fail("the game's window did not appear")


def key(env, name, hold=0.0):
    if hold:
        run(["xdotool", "keydown", name], env)
        time.sleep(hold)
        run(["xdotool", "keyup", name], env)
    else:
        run(["xdotool", "key", name], env)


def main():
    args = sys.argv[1:]
    shots = None
    if "--screenshots" in args:
        i = args.index("--screenshots")
        shots = args[i + 1]
        del args[i:i + 2]
    pako, sim, assets = (os.path.abspath(a) for a in args)
    xvfb, display = start_xvfb()
    tmp = tempfile.mkdtemp()
    env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER="dummy")
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("SDL_VIDEODRIVER", None)
    # In a sanitizer build: the X11 libraries SDL opens and closes again at
    # its end leave allocations no stack can name; the game's own leaks are
    # checked by the tests under SDL's dummy drivers.
    env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "detect_leaks=0"]))
    game = None
    try:
        # What the title looks like once the logo rests: pako-sim's frame.
        run([sim, "--frames", "301", "--dump-frames", tmp, "--every", "300"], env,
            stdout=subprocess.DEVNULL)
        with open(os.path.join(tmp, "frame-000300.bmp"), "rb"):
            pass
        _, _, want = read_bmp24(os.path.join(tmp, "frame-000300.bmp"))

        game = subprocess.Popen([pako], cwd=os.path.join(assets, "sounds"), env=env,
                                stderr=subprocess.PIPE)
        wid = wait_for_window(env)
        subprocess.run(["xdotool", "windowfocus", "--sync", wid], env=env,
                       stderr=subprocess.DEVNULL)
        # The logo bounces for about 1.4 s of the game's time, longer on a
        # busy machine: poll until the title is pako-sim's picture. Should
        # the picture hold still and still differ, that is the answer too.
        title, wrong = wait_for_title(env, want)
        if wrong > 0:
            save_png(title, "e2e-title-failed.png", env)
            fail(f"title: {wrong} pixels differ from pako-sim's picture")
        if shots:
            os.makedirs(shots, exist_ok=True)
            save_png(title, os.path.join(shots, "title.png"), env)

        # Enter: the countdown shows READY for 50 frames (0.7 s). The
        # picture is captured until READY shows, with a generous limit for a
        # busy machine.
        rw, rh, ready = read_bmp24(os.path.join(assets, "bitmaps", "READY.bmp"))
        ready_pixels = [(x, y, ready[y][x]) for y in range(rh) for x in range(rw)
                        if ready[y][x] != (255, 255, 255)]

        def ready_misses(shot):
            return sum(1 for x, y, c in ready_pixels if not close(pixel(shot, 250 + x, 200 + y), c))

        # Held for a few frames, as a finger does: the game looks at Enter
        # once a frame, and a press and release within one frame go unseen.
        key(env, "Return", hold=0.1)
        end = time.time() + 30.0
        while True:
            ready_shot = capture(env)
            wrong = ready_misses(ready_shot)
            if wrong <= len(ready_pixels) // 100 or time.time() > end:
                break
        if not ready_pixels or wrong > len(ready_pixels) // 100:
            save_png(ready_shot, "e2e-ready-failed.png", env)
            fail(f"READY: {wrong} of {len(ready_pixels)} pixels are not READY's")

        if shots:
            # Play: a kick charged and swung as the shuttlecock comes down,
            # then the drop and the continue screen.
            time.sleep(2.2)
            key(env, "space", hold=0.5)
            save_png(capture(env), os.path.join(shots, "play.png"), env)
            time.sleep(8.0)
            save_png(capture(env), os.path.join(shots, "continue.png"), env)

        key(env, "Escape", hold=0.1)
        try:
            code = game.wait(timeout=10)
        except subprocess.TimeoutExpired:
            fail("the game did not end on Escape")
        if code != 0:
            fail(f"exit status {code}: {game.stderr.read().decode(errors='replace')}")
        print("title, countdown and Escape as expected")
    finally:
        if game and game.poll() is None:
            game.kill()
        xvfb.kill()
        xvfb.wait()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
