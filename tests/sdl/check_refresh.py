#!/usr/bin/env python3
"""The game keeps its own pace whatever the screen's refresh: the real game
under Xvfb, its presents made to wait for the refresh of a 60, 75 or 144 Hz
screen (PAKO_TEST_REFRESH_HZ), plays the countdown and a rally while its
frame log (PAKO_FRAME_LOG) is read.

Only what a busy machine cannot break is checked: a busy machine makes
frames late, never early. Frames never begin less than 14 ms apart (the
millisecond clock lets one interval shrink to just over 13 ms, never to
13), and over the whole run they average 14 ms or more; pictures are shown
all along, never more of them than the game made. How close to 14 ms the
frames keep on an idle machine (median, 99th percentile) is measured by
bench/real_game.py, not here.

usage: check_refresh.py PAKO ASSETS_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xserver import Screen, ended_well, fail, intervals_ms, poll, read_frame_log  # noqa: E402

START = 30    # frames of start-up before Enter is pressed
FRAMES = 400  # then about 5.6 s of the countdown and a rally


def one_screen(pako, assets, hz, tmp):
    screen = Screen(640, 480)
    log = os.path.join(tmp, f"frames-{hz}.log")
    env = dict(screen.env, PAKO_TEST_REFRESH_HZ=str(hz), PAKO_FRAME_LOG=log)
    game = subprocess.Popen([pako], cwd=os.path.join(assets, "sounds"), env=env,
                            stderr=subprocess.PIPE)
    try:
        screen.wait_for_window()
        if not poll(lambda: len(read_frame_log(log)[0]) >= START, 120, 0.05):
            fail(f"{hz} Hz: the game's frames did not begin")
        screen.key("Return", hold=0.1)  # the countdown, the serve: every frame moves
        if not poll(lambda: len(read_frame_log(log)[0]) >= START + FRAMES, 600, 0.2):
            fail(f"{hz} Hz: fewer than {FRAMES} frames in ten minutes")
        screen.key("Escape", hold=0.1)
        ended_well(game, f"{hz} Hz")
    finally:
        if game.poll() is None:
            game.kill()
        screen.close()
    flips, shown = read_frame_log(log)
    iv = intervals_ms(flips, START)
    mean = sum(iv) / len(iv)
    begin, end = flips[START + 30], flips[-1]
    seen = sum(1 for t, _ in shown if begin <= t <= end)
    made = sum(1 for t in flips if begin <= t <= end)
    print(f"{hz} Hz: {len(flips)} frames, shortest interval {iv[0]:.3f} ms, mean {mean:.2f} ms; "
          f"in play {seen} of {made} pictures shown")
    if iv[0] <= 13.0:
        fail(f"{hz} Hz: two frames began {iv[0]:.3f} ms apart, less than the game's pace allows")
    # Frame k+1 begins no earlier than the millisecond frame k ended in:
    # n intervals add up to at least 14 n - 1 ms.
    if sum(iv) < 14.0 * len(iv) - 1.0:
        fail(f"{hz} Hz: {len(iv)} frames in {sum(iv):.1f} ms, faster than 14 ms a frame")
    if seen == 0 or seen > made + 1:
        fail(f"{hz} Hz: {seen} pictures shown in play for {made} frames made")


def main():
    pako, assets = (os.path.abspath(a) for a in sys.argv[1:3])
    tmp = tempfile.mkdtemp()
    try:
        for hz in (60, 75, 144):
            one_screen(pako, assets, hz, tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
