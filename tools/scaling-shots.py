#!/usr/bin/env python3
"""Screenshots of the title's small lettering as a player's screen shows it,
zoomed four times with square pixels: the real game on Xvfb at 1920 x 1080
(2.25 game pixels to a game pixel) and 800 x 600 (1.25), each picture named
after the screen and a label (for example the build it came from).

usage: tools/scaling-shots.py PAKO LABEL [OUT_DIR]   (docs/scaling)
"""
import os
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "tests", "sdl"))
from xserver import Screen  # noqa: E402

# The sign's first two lines of lettering, in game pixels.
GX, GY, GW, GH = 8, 290, 124, 70


def main():
    pako, label = os.path.abspath(sys.argv[1]), sys.argv[2]
    out = sys.argv[3] if len(sys.argv) > 3 else os.path.join(TOP, "docs", "scaling")
    os.makedirs(out, exist_ok=True)
    for w, h in ((1920, 1080), (800, 600)):
        screen = Screen(w, h)
        game = subprocess.Popen([pako], cwd=os.path.join(TOP, "assets", "sounds"),
                                env=screen.env, stderr=subprocess.DEVNULL)
        try:
            screen.wait_for_window()
            time.sleep(4)  # the logo at rest; only the picture is wanted here
            shot = screen.capture()
        finally:
            game.kill()
            game.wait()
            screen.close()
        scale = min(w / 640, h / 480)
        ox, oy = (w - 640 * scale) / 2, (h - 480 * scale) / 2
        x, y = int(ox + GX * scale), int(oy + GY * scale)
        cw, ch = int(GW * scale), int(GH * scale)
        path = os.path.join(out, f"lettering-{w}x{h}-{label}.png")
        subprocess.run(["convert", "-size", f"{w}x{h}", "-depth", "8", "rgb:-",
                        "-crop", f"{cw}x{ch}+{x}+{y}", "+repage", "-filter", "point",
                        "-resize", "400%", path], input=shot, check=True)
        print(path)


if __name__ == "__main__":
    main()
