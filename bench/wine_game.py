#!/usr/bin/env python3
"""The Windows game's speed and its use of the processor under Wine, on
Xvfb at 640 x 480, on the title and in play (the recorded rally of
docs/demos replayed at the game's own speed): bench/real_game.py's figures
for pako.exe. Prints, for each: frames a second, the median, mean and 99th
percentile of the time between frames, and the processor time as a share of
one core, of the game's process and of Wine's server (which carries every
window message and wait of a Windows program under Wine).

Wine runs on Linux's timers, so the wait between frames here is as precise
as Linux's; what a real Windows machine's coarser timer does to it is
explained in platform/os/windows.cpp, not measured here.

usage: bench/wine_game.py [PAKO_EXE] [SECONDS]   (build/windows/pako.exe, 8)
"""
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(TOP, "tests", "sdl"))
from xserver import Screen, poll, read_frame_log  # noqa: E402
from frame_figures import cpu_ticks, interval_figures, share_of_a_core  # noqa: E402

WINE_RUN = os.path.join(TOP, "tools", "windows", "wine-run")
os.environ.setdefault("WINEPREFIX", os.path.join(TOP, "build", "windows", "wine"))


def wineserver_pid():
    r = subprocess.run(["pgrep", "-x", "-n", "wineserver64"], capture_output=True, text=True)
    if r.returncode != 0:
        r = subprocess.run(["pgrep", "-x", "-n", "wineserver"], capture_output=True, text=True)
    return int(r.stdout.split()[0]) if r.stdout.strip() else None


def measure(pako, env, args, seconds, log):
    # wine-run and Wine's loader exec in turn: the process is the game's.
    game = subprocess.Popen([WINE_RUN, pako] + args, cwd=os.path.join(TOP, "assets", "sounds"),
                            env=dict(env, PAKO_FRAME_LOG=log), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        if not poll(lambda: len(read_frame_log(log)[0]) >= 100, 120, 0.05):
            return None
        server = wineserver_pid()
        begin_flips = len(read_frame_log(log)[0])
        t0, c0, s0 = time.time(), cpu_ticks(game.pid), cpu_ticks(server)
        time.sleep(seconds)
        t1, c1, s1 = time.time(), cpu_ticks(game.pid), cpu_ticks(server)
        flips, _ = read_frame_log(log)
    finally:
        game.terminate()
        game.wait()
    return dict(interval_figures(flips[begin_flips:]), cpu=share_of_a_core(c1 - c0, t1 - t0),
                server=share_of_a_core(s1 - s0, t1 - t0))


def main():
    pako = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(TOP, "build", "windows", "pako.exe"))
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 8.0
    demo = os.path.join(TOP, "docs", "demos", "rally.record")
    tmp = tempfile.mkdtemp()
    rows = []
    screen = Screen(640, 480)
    try:
        for what, args in (("title", []), ("play", ["--replay", demo])):
            rows.append((what, measure(pako, screen.env, args, seconds,
                                       os.path.join(tmp, f"{what}.log"))))
    finally:
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=screen.env, timeout=120)
        screen.close()
    print(f"{'Wine, Xvfb 640x480':20} {'fps':>6} {'median':>7} {'mean ms':>8} {'p99 ms':>7} "
          f"{'game CPU %':>10} {'wineserver %':>12}")
    for what, r in rows:
        if not r:
            print(f"{what:20} did not start")
            continue
        print(f"{what:20} {r['fps']:6.1f} {r['median']:7.2f} {r['mean']:8.2f} {r['p99']:7.2f} "
              f"{r['cpu']:10.1f} {r['server']:12.1f}   ({r['frames']} frames)")


if __name__ == "__main__":
    main()
