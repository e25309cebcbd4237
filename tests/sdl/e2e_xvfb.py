#!/usr/bin/env python3
"""The real game on a real X server with no screen.

Starts `pako` on Xvfb (a 640 x 480 screen, so the picture fills it one to
one), captures the root window and checks it:

- the title, once the logo has come to rest, is the picture pako-sim draws
  for the same moment (all but the blinking START item);
- Enter starts the countdown: READY's own pixels stand at (250, 200);
- the window shown at the start is the one the title is drawn in: none is
  shown and then destroyed again on the way (a window made anew when the
  renderer opens comes, goes and comes back before the player's eyes);
- Escape ends the process with status 0.

With --screenshots DIR it also plays on until the continue screen and saves
the title, play and continue screens there as PNG files.

usage: e2e_xvfb.py PAKO PAKO_SIM ASSETS_DIR [--screenshots DIR]
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xserver import Screen, TopLevelWindows, Trace, close, ended_well, fail, poll, read_bmp24, sim_title  # noqa: E402

W, H = 640, 480


def title_differences(screen, shot, want):
    """Pixels of the shot that are not pako-sim's, all but the START item,
    which blinks with the timer."""
    wrong = 0
    for y in range(H):
        row = want[y]
        for x in range(W):
            if 320 <= x < 560 and 240 <= y < 360:
                continue
            if not close(screen.pixel(shot, x, y), row[x]):
                wrong += 1
    return wrong


def still_part(shot):
    """The shot without the blinking item, to tell whether the picture moves."""
    return b"".join(shot[(y * W) * 3:(y * W + W) * 3] for y in range(H) if not 240 <= y < 360)


def wait_for_title(screen, want, limit=90.0, still_for=5.0):
    """(shot, differing pixels) once the title matches, or once it has held
    still for still_for seconds while differing, or at the limit."""
    end = time.time() + limit
    last, since = None, time.time()
    while True:
        shot = screen.capture()
        wrong = title_differences(screen, shot, want)
        if wrong == 0 or time.time() > end:
            return shot, wrong
        part = still_part(shot)
        if part != last:
            last, since = part, time.time()
        elif time.time() - since >= still_for:
            return shot, wrong
        time.sleep(0.2)


def main():
    args = sys.argv[1:]
    shots = None
    if "--screenshots" in args:
        i = args.index("--screenshots")
        shots = args[i + 1]
        del args[i:i + 2]
    pako, sim, assets = (os.path.abspath(a) for a in args)
    screen = Screen(W, H)
    tmp = tempfile.mkdtemp()
    game = None
    try:
        want = sim_title(sim, tmp, screen.env)
        trace = Trace(os.path.join(tmp, "game.trace"))
        windows = TopLevelWindows(screen.display)
        game = subprocess.Popen([pako, "--trace", trace.path], cwd=os.path.join(assets, "sounds"),
                                env=screen.env, stderr=subprocess.PIPE)
        screen.wait_for_window()
        # The logo bounces for about 1.4 s of the game's time, longer on a
        # busy machine: poll until the title is pako-sim's picture. Should
        # the picture hold still and still differ, that is the answer too.
        title, wrong = wait_for_title(screen, want)
        if wrong > 0:
            screen.save_png(title, "e2e-title-failed.png")
            fail(f"title: {wrong} pixels differ from pako-sim's picture")
        windows.read()
        windows.close()
        if windows.gone or len(windows.shown) != 1:
            fail(f"windows shown before the title: {[hex(w) for w in windows.shown]}, "
                 f"destroyed again: {[hex(w) for w in windows.gone]}")
        if shots:
            os.makedirs(shots, exist_ok=True)
            screen.save_png(title, os.path.join(shots, "title.png"))

        # Enter: the countdown shows READY for 50 frames (0.7 s), too short
        # a time for a busy machine to be sure of a screenshot. So the game
        # is stopped (SIGSTOP) once its trace says READY is up, and the
        # screen read while it stands still; should the picture not have
        # reached the screen yet, the game goes on a little and is stopped
        # again, as long as READY lasts.
        rw, rh, ready = read_bmp24(os.path.join(assets, "bitmaps", "READY.bmp"))
        ready_pixels = [(x, y, ready[y][x]) for y in range(rh) for x in range(rw)
                        if ready[y][x] != (255, 255, 255)]

        def ready_misses(shot):
            return sum(1 for x, y, c in ready_pixels
                       if not close(screen.pixel(shot, 250 + x, 200 + y), c))

        screen.key("Return", hold=0.1)
        state = poll(lambda: (lambda t: t if t and t["countdownFrames"] >= 1 else None)(
            trace.latest()), 60, 0.005)
        if not state:
            fail("no countdown after Enter")
        misses, shot = len(ready_pixels), None
        while True:
            game.send_signal(signal.SIGSTOP)
            state = trace.latest()
            shot = screen.capture()
            misses = ready_misses(shot)
            game.send_signal(signal.SIGCONT)
            if misses <= len(ready_pixels) // 100 or state["countdownFrames"] > 50:
                break
            time.sleep(0.03)
        if not ready_pixels or misses > len(ready_pixels) // 100:
            screen.save_png(shot, "e2e-ready-failed.png")
            fail(f"READY: {misses} of {len(ready_pixels)} pixels are not READY's, through "
                 f"the countdown's frame {state['countdownFrames']}")

        if shots:
            # Play: a kick charged and swung as the shuttlecock comes down,
            # then the drop and the continue screen.
            time.sleep(2.2)
            screen.key("space", hold=0.5)
            screen.save_png(screen.capture(), os.path.join(shots, "play.png"))
            time.sleep(8.0)
            screen.save_png(screen.capture(), os.path.join(shots, "continue.png"))

        screen.key("Escape", hold=0.1)
        ended_well(game)
        print("title, countdown and Escape as expected")
    finally:
        if game and game.poll() is None:
            game.kill()
        screen.close()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
