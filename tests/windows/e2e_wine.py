#!/usr/bin/env python3
"""The real pako.exe under Wine, on a real X server with no screen (Xvfb).

- The title, once the logo rests, is pako-sim's picture for that moment
  (all but the blinking START item), within the 16-to-24-bit rounding;
- Enter brings READY; Escape ends the game with status 0, and standard
  error holds nothing but what the game itself says;
- `--replay docs/demos/rally.record --trace F` writes the committed trace;
- a display that cannot be set up (the start-up fault seam) shows the
  game's message box, and once it is closed the game ends with status 1;
- `--help` and `--version` (the version, and the commit on a line of its
  own) print their text where they are asked.

usage: e2e_wine.py WINE_RUN PAKO_EXE PAKO_SIM ASSETS_DIR DEMO_DIR [--screenshots DIR]
(PAKO_SIM: a program that runs pako-sim, under Wine or not.)
"""
import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
# The prefix tools/windows/wine-run uses, named for Wine's server too.
os.environ.setdefault("WINEPREFIX",
                      os.path.join(here, "..", "..", "build", "windows", "wine"))
sys.path.insert(0, os.path.join(here, "..", "sdl"))
from xserver import Screen, close, ended_well, fail, poll, read_bmp24, sim_title  # noqa: E402
from e2e_xvfb import W, H, wait_for_title  # noqa: E402


def find_window(screen, name, limit=60):
    def found():
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                           env=screen.env, capture_output=True, text=True)
        return r.stdout.split()[0] if r.returncode == 0 and r.stdout.strip() else None
    return poll(found, limit, 0.2)


def game_lines(err):
    """What the game wrote on standard error, less what Wine itself may say
    about a machine without its optional parts."""
    return [l for l in err.decode(errors="replace").splitlines() if l.strip()]


def main():
    args = sys.argv[1:]
    shots = None
    if "--screenshots" in args:
        i = args.index("--screenshots")
        shots = os.path.abspath(args[i + 1])
        del args[i:i + 2]
    wine, pako, sim, assets, demos = (os.path.abspath(a) for a in args)
    screen = Screen(W, H)
    tmp = tempfile.mkdtemp()
    game = None
    try:
        # --help and --version: a windowed program's output, through a pipe.
        out = subprocess.run([wine, pako, "--help"], env=screen.env, capture_output=True,
                             timeout=120)
        text = out.stdout.decode(errors="replace")
        if out.returncode != 0 or "usage: pako" not in text or "Alt+Enter" not in text:
            fail(f"--help: status {out.returncode}, said {text!r} {out.stderr!r}")
        out = subprocess.run([wine, pako, "--version"], env=screen.env, capture_output=True,
                             timeout=120)
        said = out.stdout.decode(errors="replace").splitlines()
        if (out.returncode != 0 or len(said) != 2 or not said[0].startswith("pako ")
                or not said[1].startswith("commit ")):
            fail(f"--version: status {out.returncode}, said {out.stdout!r}")
        print("--help and --version print their text")

        want = sim_title(sim, tmp, screen.env)
        game = subprocess.Popen([wine, pako], cwd=os.path.join(assets, "sounds"),
                                env=screen.env, stderr=subprocess.PIPE)
        screen.wait_for_window(limit=120)
        title, wrong = wait_for_title(screen, want, limit=120)
        if wrong > 0:
            screen.save_png(title, os.path.join(tmp, "title-failed.png"))
            shutil.copy(os.path.join(tmp, "title-failed.png"), "wine-title-failed.png")
            fail(f"title: {wrong} pixels differ from pako-sim's picture")
        if shots:
            os.makedirs(shots, exist_ok=True)
            screen.save_png(title, os.path.join(shots, "title.png"))
        print("the title is pako-sim's picture")

        rw, rh, ready = read_bmp24(os.path.join(assets, "bitmaps", "READY.bmp"))
        ready_pixels = [(x, y, ready[y][x]) for y in range(rh) for x in range(rw)
                        if ready[y][x] != (255, 255, 255)]
        screen.key("Return", hold=0.1)
        misses = [len(ready_pixels), None]

        def ready_shown():
            shot = screen.capture()
            misses[:] = [sum(1 for x, y, c in ready_pixels
                             if not close(screen.pixel(shot, 250 + x, 200 + y), c)), shot]
            return misses[0] <= len(ready_pixels) // 100
        if not poll(ready_shown, 60.0, 0.0):
            fail(f"READY: {misses[0]} of {len(ready_pixels)} pixels are not READY's")
        print("Enter brings READY")
        if shots:
            time.sleep(2.2)
            screen.key("space", hold=0.5)
            screen.save_png(screen.capture(), os.path.join(shots, "play.png"))
        screen.key("Escape", hold=0.1)
        ended_well(game, "Escape")
        said = game_lines(game.stderr.read())
        if said:
            fail(f"the game or Wine wrote on standard error: {said}")
        game = None
        print("Escape ends the game with status 0, nothing on standard error")

        # The demo's record replayed by the real game: the committed trace.
        trace = os.path.join(tmp, "rally.trace")
        r = subprocess.run([wine, pako, "--replay", os.path.join(demos, "rally.record"),
                            "--trace", trace], cwd=os.path.join(assets, "sounds"),
                           env=screen.env, capture_output=True, timeout=300)
        if r.returncode != 0:
            fail(f"--replay: status {r.returncode}: {r.stderr!r}")
        with gzip.open(os.path.join(demos, "rally.trace.gz")) as f:
            golden = f.read()
        got = open(trace, "rb").read()
        if got != golden:
            fail(f"--replay --trace: {len(got)} bytes differ from the committed "
                 f"{len(golden)} bytes")
        print("--replay writes the committed trace")

        # A display whose set-up fails: the game's box, then status 1.
        env = dict(screen.env, PAKO_TEST_FAIL="SetDisplayMode")
        game = subprocess.Popen([wine, pako], cwd=tmp, env=env, stderr=subprocess.PIPE)
        box = find_window(screen, "Velmora")
        if not box:
            fail("no message box for the failed set-up")
        if shots:
            # The box's own window: with no window manager on Xvfb, Wine
            # leaves it beneath the game's black full-screen window.
            time.sleep(1.0)
            subprocess.run(f"xwd -silent -id {box} | convert xwd:- "
                           f"'{os.path.join(shots, 'failed-start-box.png')}'",
                           shell=True, env=screen.env, check=True)
        # Its OK button takes Enter, as a player presses it.
        def closed():
            subprocess.run(["xdotool", "windowfocus", "--sync", box], env=screen.env,
                           stderr=subprocess.DEVNULL)
            subprocess.run(["xdotool", "key", "Return"], env=screen.env)
            return game.poll() is not None
        if not poll(closed, 60, 1.0):
            fail("the game did not end once its box was closed")
        code = game.wait()
        err = game.stderr.read().decode(errors="replace")
        if code != 1 or "SetDisplayMode FAILED" not in err:
            fail(f"failed set-up: status {code}, said {err!r}")
        game = None
        print("a failed set-up shows its box and ends with status 1")
    finally:
        if game and game.poll() is None:
            game.kill()
        # Wine's own programs end with the last game: then the display goes.
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=screen.env, timeout=120)
        screen.close()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
