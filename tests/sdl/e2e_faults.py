#!/usr/bin/env python3
"""How a real game ends when something outside goes wrong, each time with
one clear line and nothing lost:

- SIGHUP (the terminal closed), SIGINT and SIGTERM in the middle of a rally
  end the game as the window's close does: status 0, the record ends with
  its `# end` line and replays in pako-sim to the trace the game wrote;
- the display lost (the X server killed) in the middle of a rally, and
  again while the game is paused behind another window: one line of the
  game's own naming it, status 1, no crash, and the record and the trace end
  on whole lines that replay to each other;
- a record and a trace written to a full disk (/dev/full): one line each,
  and the game plays on to its normal end.

usage: e2e_faults.py PAKO PAKO_SIM ASSETS_DIR
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xserver import FastKeys, Screen, Trace, fail, poll, read_frame_log, run  # noqa: E402


class Game:
    """pako on a screen, recording and tracing into `tmp`."""

    def __init__(self, pako, assets, tmp, env, name, args=None):
        self.record = os.path.join(tmp, f"{name}.record")
        self.trace = Trace(os.path.join(tmp, f"{name}.trace"))
        self.name = name
        args = args if args is not None else ["--record", self.record, "--trace", self.trace.path]
        self.proc = subprocess.Popen([pako] + args, cwd=os.path.join(assets, "sounds"), env=env,
                                     stderr=subprocess.PIPE)

    def wait_for(self, what, limit=120):
        got = poll(lambda: (lambda s: s if s and what(s) else None)(self.trace.latest()),
                   limit, 0.01)
        if not got:
            self.proc.kill()
            fail(f"{self.name}: waited {limit} s in vain; last state {self.trace.last}")
        return got

    def ended(self, limit=60):
        """(status, lines on standard error) once the game has ended."""
        try:
            code = self.proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            fail(f"{self.name}: the game did not end")
        err = self.proc.stderr.read().decode(errors="replace")
        return code, [line for line in err.splitlines() if line.strip()]

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def start_rally(screen, game):
    """From the title to the serve: Enter once the logo rests."""
    keys = FastKeys(screen.display)
    try:
        game.wait_for(lambda s: s["titleActive"] == 1 and s["zoomStage"] >= 5)
        keys.send("Return", True)
        game.wait_for(lambda s: s["titleActive"] == 0)
        keys.send("Return", False)
    finally:
        keys.close()
    return game.wait_for(lambda s: s["rallyActive"] == 1 and s["flightTime"] > 5)


def replays(sim, game, env):
    """The record ends with its end line and replays to the game's trace."""
    lines = open(game.record).read().splitlines()
    if not lines or not lines[-1].startswith("# end "):
        fail(f"{game.name}: the record has no end: {lines[-3:]}")
    replayed = game.record + ".replayed"
    run([sim, "--replay", game.record, "--trace", replayed], env)
    real = open(game.trace.path).read()
    if not real.endswith("\n"):
        fail(f"{game.name}: the trace ends in the middle of a line")
    if real.splitlines() != open(replayed).read().splitlines():
        fail(f"{game.name}: the record does not replay to the trace the game wrote "
             f"({len(real.splitlines())} frames)")
    return len(real.splitlines())


def signals(pako, sim, assets, tmp):
    for sig in (signal.SIGHUP, signal.SIGINT, signal.SIGTERM):
        screen = Screen(640, 480)
        game = Game(pako, assets, tmp, screen.env, sig.name)
        try:
            screen.wait_for_window()
            start_rally(screen, game)
            game.proc.send_signal(sig)
            code, err = game.ended()
            if code != 0 or err:
                fail(f"{sig.name}: status {code}, said {err}")
            # The window's close in the record's last step (a timer's tick
            # taken in the same step may follow it).
            lines = open(game.record).read().splitlines()
            end = lines[-1].split()[-1] if lines else None
            if [line for line in lines if line.endswith(" close")] != [f"{end} close"]:
                fail(f"{sig.name}: the record does not end with the window's close: {lines[-3:]}")
            frames = replays(sim, game, dict(os.environ))
            print(f"{sig.name}: status 0 after {frames} frames; the record replays")
        finally:
            game.kill()
            screen.close()


def display_lost(pako, sim, assets, tmp, paused):
    name = "lost-paused" if paused else "lost-in-play"
    screen = Screen(640, 480)
    game = Game(pako, assets, tmp, screen.env, name)
    other = None
    try:
        screen.wait_for_window()
        start_rally(screen, game)
        if paused:
            # Another window takes the focus: the game pauses and waits for
            # events, and no frame runs (the record says when).
            other = subprocess.Popen(["xclock"], env=screen.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            found = poll(lambda: subprocess.run(
                ["xdotool", "search", "--class", "xclock"], env=screen.env,
                capture_output=True, text=True).stdout.split(), 60, 0.1)
            if not found:
                fail("no other window to take the focus")
            run(["xdotool", "windowfocus", found[0]], screen.env)
            if not poll(lambda: " activate 0\n" in open(game.record).read(), 60, 0.05):
                fail(f"{name}: the game did not pause when it lost the focus")
        screen.proc.kill()
        screen.proc.wait()
        code, err = game.ended()
        if code != 1 or len(err) != 1 or "display" not in err[0] or "lost" not in err[0]:
            fail(f"{name}: status {code}, said {err}")
        frames = replays(sim, game, dict(os.environ))
        print(f"{name}: '{err[0]}', status 1 after {frames} frames; the record replays")
    finally:
        if other and other.poll() is None:
            other.kill()
        game.kill()
        screen.close()


def full_disk(pako, assets, tmp):
    """No screen needed: SDL's dummy driver, and SIGTERM for the end."""
    log = os.path.join(tmp, "full.frames")
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", PAKO_FRAME_LOG=log)
    env.pop("PAKO_DRAW_OFFSCREEN", None)
    game = Game(pako, assets, tmp, env, "full",
                ["--record", "/dev/full", "--trace", "/dev/full"])
    try:
        # The record's header and the first frame's line meet the full disk
        # at once; the game goes on making frames.
        if not poll(lambda: len(read_frame_log(log)[0]) >= 100, 120, 0.05):
            fail("full disk: the game did not play on")
        game.proc.send_signal(signal.SIGTERM)
        code, err = game.ended()
        said = sorted(" ".join(line.split()[:5]) for line in err)
        if code != 0 or said != ["pako: cannot write the record", "pako: cannot write the trace"]:
            fail(f"full disk: status {code}, said {err}")
        print(f"full disk: '{err[0]}' and '{err[1]}', status 0")
    finally:
        game.kill()


def main():
    pako, sim, assets = (os.path.abspath(a) for a in sys.argv[1:4])
    tmp = tempfile.mkdtemp()
    try:
        full_disk(pako, assets, tmp)
        signals(pako, sim, assets, tmp)
        display_lost(pako, sim, assets, tmp, paused=False)
        display_lost(pako, sim, assets, tmp, paused=True)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
