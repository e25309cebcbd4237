#!/usr/bin/env python3
"""Alt+Enter, with and without a window manager, on a 1920 x 1080 screen:
full screen shows the whole picture letterboxed (1440 x 1080, square
pixels, black bars); Alt+Enter gives a window of a whole multiple of the
picture showing it all; Alt+Enter again gives the full screen back, the
whole picture drawn again (without a window manager nobody carries the
request out, and the picture was once left cut off in the old window).

The picture is checked against pako-sim's title at points in the middle of
flat patches, where neither nearest-neighbour nor smoothed scaling can
change a colour.

usage: check_toggle.py PAKO PAKO_SIM ASSETS_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xserver import Screen, close, ended_well, fail, poll, sim_title  # noqa: E402

SW, SH = 1920, 1080


def sample_points(want):
    """Game pixels in the middle of 5 x 5 patches of one colour, on a grid,
    away from the blinking START item."""
    points = []
    for gy in range(4, 476, 12):
        for gx in range(4, 636, 12):
            if 300 <= gx < 580 and 220 <= gy < 380:
                continue
            c = want[gy][gx]
            if all(want[gy + dy][gx + dx] == c for dy in range(-2, 3) for dx in range(-2, 3)):
                points.append((gx, gy))
    return points


def placed(screen, shot, want, points, ox, oy, scale):
    """The share of points shown where a picture at (ox, oy), `scale` screen
    pixels a game pixel, puts them."""
    good = 0
    for gx, gy in points:
        x, y = int(ox + (gx + 0.5) * scale), int(oy + (gy + 0.5) * scale)
        if 0 <= x < SW and 0 <= y < SH and close(screen.pixel(shot, x, y), want[gy][gx], 10):
            good += 1
    return good / len(points)


def window_area(screen, wid):
    """Where the window's own pixels are on the screen: (x, y, w, h)."""
    out = subprocess.run(["xwininfo", "-id", wid], env=screen.env, capture_output=True,
                         text=True).stdout
    g = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        g[key] = value.strip()
    return (int(g["Absolute upper-left X"]), int(g["Absolute upper-left Y"]), int(g["Width"]),
            int(g["Height"]))


def toggles(pako, assets, want, manager):
    name = "with a window manager" if manager else "without a window manager"
    screen = Screen(SW, SH, manager=manager)
    game = subprocess.Popen([pako], cwd=os.path.join(assets, "sounds"), env=screen.env,
                            stderr=subprocess.PIPE)
    points = sample_points(want)
    last = []

    def shows(ox, oy, scale, bars=False):
        def check():
            shot = screen.capture()
            share = placed(screen, shot, want, points, ox, oy, scale)
            black = all(screen.pixel(shot, x, SH // 2) == (0, 0, 0) for x in (20, SW - 20))
            last[:] = [shot, share]
            return share >= 0.99 and (black or not bars)
        return poll(check, 90, 0.2)

    try:
        wid = screen.wait_for_window()
        full = (240, 0, 2.25)
        if not shows(*full, bars=True):
            screen.save_png(last[0], "toggle-full-failed.png")
            fail(f"{name}: full screen shows {last[1]:.0%} of the title where it belongs")
        screen.key("Return", alt=True)

        # The window may still be moving when it has its size (a window
        # manager places it): its place is read again at every look.
        area = []

        def windowed_and_shown():
            x, y, w, h = window_area(screen, wid)
            if not (w % 640 == 0 and w * 3 == h * 4 and w < SW):
                return False
            area[:] = [x, y, w, h]
            shot = screen.capture()
            share = placed(screen, shot, want, points, x, y, w / 640)
            last[:] = [shot, share]
            return share >= 0.99
        if not poll(windowed_and_shown, 90, 0.2):
            if last:
                screen.save_png(last[0], "toggle-window-failed.png")
            fail(f"{name}: Alt+Enter gave no window of a whole multiple of the picture "
                 f"showing it (last {area}, {last[1] if last else 0:.0%} of the title)")
        x, y, w, _ = area
        screen.key("Return", alt=True)
        if not shows(*full, bars=True):
            screen.save_png(last[0], "toggle-back-failed.png")
            fail(f"{name}: back to full screen, {last[1]:.0%} of the title where it belongs")
        screen.key("Escape", hold=0.1)
        ended_well(game, name)
        print(f"{name}: full screen, a {w} x {w * 3 // 4} window, full screen again")
    finally:
        if game.poll() is None:
            game.kill()
        screen.close()


def main():
    pako, sim, assets = (os.path.abspath(a) for a in sys.argv[1:4])
    tmp = tempfile.mkdtemp()
    try:
        want = sim_title(sim, tmp, dict(os.environ))
        toggles(pako, assets, want, manager=False)
        if shutil.which("openbox"):
            toggles(pako, assets, want, manager=True)
        else:
            print("no openbox here: the test with a window manager is left out")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
