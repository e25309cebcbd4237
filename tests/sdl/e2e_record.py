#!/usr/bin/env python3
"""A real game, played on Xvfb by real key presses with real hold times,
recorded and traced (pako --record, --trace), then replayed by pako-sim
(--replay, --trace): the two traces must be the same, line for line.
The game is started with a tap of Enter, pressed and let go before the
next frame: the game holds it for that frame, and the record keeps it so.

The player reads the game's trace as it is written, as a player watches the
screen: it starts the game from the title, runs under the shuttlecock and
kicks it (holding Space long enough to charge the gauge, letting go as it
comes down to the feet), lets it drop, answers yes on the continue screen,
lets the second serve drop, answers no, and quits on the title. Should it
miss its kicks (its key late on a busy machine), it plays again, as a player
does, for at most six rallies.

  --kicks N         kicks in the first rally (2)
  --focus-change    another window takes the focus for a while in the rally
  --load            two busy processes keep both cores loaded all along
  --keep DIR        keep the record and the trace in DIR (a demo to commit)

usage: e2e_record.py PAKO PAKO_SIM ASSETS_DIR [options]
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xserver import FastKeys, Screen, Trace, ended_well, fail, poll, run  # noqa: E402


class Player:
    def __init__(self, screen, trace, deadline):
        self.screen, self.trace, self.deadline = screen, trace, deadline
        self.keys = FastKeys(screen.display)
        self.held = set()
        self.swung_at = None  # the frame last seen when Space was let go

    def down(self, key):
        if key not in self.held:
            self.keys.send(key, True)
            self.held.add(key)

    def up(self, key):
        if key in self.held:
            self.keys.send(key, False)
            self.held.discard(key)

    def release_all(self):
        for key in list(self.held):
            self.up(key)

    def state(self):
        s = self.trace.latest()
        if time.time() > self.deadline:
            fail("the game took too long; last state: " + json.dumps(s)[:300])
        return s

    def wait_for(self, what, limit=60):
        """Polls the trace until `what(state)` holds."""
        end = time.time() + limit
        while True:
            s = self.state()
            if s and what(s):
                return s
            if time.time() > end:
                fail(f"waited {limit} s in vain; last state: " + json.dumps(s)[:300])
            time.sleep(0.005)

    def press(self, key, hold=0.1):
        self.down(key)
        time.sleep(hold)
        self.up(key)

    def tap(self, key):
        """Pressed and let go at once, both before the game's next frame
        (as a quick finger does): the game holds it for one frame."""
        self.down(key)
        self.up(key)

    def rally(self, kicks, focus_change=None):
        """Keeps the shuttlecock up for `kicks` kicks, then lets it drop.
        Returns the kicks made."""
        self.wait_for(lambda s: s["rallyActive"] == 1 and s["serveReady"] == 1)
        made, changed, last = 0, False, None
        while True:
            s = self.state()
            if s["dropped"]:
                self.release_all()
                return made
            made = s["kickCount"]
            # Away in the middle of the rally: after the first kick, or on
            # the serve's way up where no kick comes.
            if focus_change and not changed and (made >= 1 or s["flightTime"] > 30):
                self.release_all()
                focus_change()
                changed = True
                continue
            if made >= kicks:
                self.release_all()
                time.sleep(0.01)
                continue
            # Under the shuttlecock: its middle over the player's feet.
            mid, feet = s["shuttleX"] + 20, s["playerX"] - 20
            if mid < feet - 12:
                self.up("Right")
                self.down("Left")
            elif mid > feet + 12:
                self.up("Left")
                self.down("Right")
            else:
                self.up("Left")
                self.up("Right")
            # The height above the launch line, and whether it falls (from
            # one frame seen to the next).
            height = 960 - s["cameraY"] - s["launchHeight"] - s["shuttleY"]
            if last is None or s["frame"] != last[0]:
                falling = last is not None and height < last[1]
                last = (s["frame"], height, falling)
            falling = last[2]
            # Charge on the way down (the gauge goes round at 100: not from
            # too high up), not again straight after a swing that the trace
            # does not show yet: a tap that short would be a swing of its own.
            swung_lately = self.swung_at is not None and s["frame"] <= self.swung_at + 4
            if (falling and height < 200 and "space" not in self.held
                    and s["kickAnimActive"] == 0 and not swung_lately):
                self.down("space")
            # The swing meets it between heights 20 and -30: let go as it
            # enters, once the gauge holds more than 20; a busy machine's
            # key arrives some frames later, still inside.
            if "space" in self.held and s["power"] > 22 and falling and height <= 20:
                self.up("space")
                self.swung_at = s["frame"]
            time.sleep(0.003)


def busy():
    return subprocess.Popen([sys.executable, "-c", "while True: pass"])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("pako")
    ap.add_argument("sim")
    ap.add_argument("assets")
    ap.add_argument("--kicks", type=int, default=2)
    ap.add_argument("--focus-change", action="store_true")
    ap.add_argument("--load", action="store_true")
    ap.add_argument("--keep")
    a = ap.parse_args()
    pako, sim, assets = (os.path.abspath(p) for p in (a.pako, a.sim, a.assets))
    screen = Screen(640, 480)
    tmp = tempfile.mkdtemp()
    record, trace = os.path.join(tmp, "game.record"), os.path.join(tmp, "game.trace")
    load = [busy(), busy()] if a.load else []
    game = other = player = None
    try:
        game = subprocess.Popen([pako, "--record", record, "--trace", trace],
                                cwd=os.path.join(assets, "sounds"), env=screen.env,
                                stderr=subprocess.PIPE)
        wid = screen.wait_for_window()
        player = Player(screen, Trace(trace), time.time() + 600)

        def focus_change():
            nonlocal other
            other = subprocess.Popen(["xclock"], env=screen.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            found = poll(lambda: subprocess.run(
                ["xdotool", "search", "--class", "xclock"], env=screen.env,
                capture_output=True, text=True).stdout.split(), 30, 0.1)
            if not found:
                fail("no other window to take the focus")
            run(["xdotool", "windowfocus", found[0]], screen.env)
            # Paused: no frame runs, so the trace stops growing.
            lines = [player.trace.lines, time.time()]

            def paused():
                player.state()
                if player.trace.lines != lines[0]:
                    lines[:] = [player.trace.lines, time.time()]
                return time.time() - lines[1] > 0.5
            if not poll(paused, 60, 0.02):
                fail("the game did not pause when it lost the focus")
            before = player.trace.lines
            run(["xdotool", "windowfocus", wid], screen.env)
            player.wait_for(lambda s: player.trace.lines > before and s["appActive"] == 1, 60)

        # The title, once its logo rests; START is chosen, with a tap.
        player.wait_for(lambda s: s["titleActive"] == 1 and s["zoomStage"] >= 5)
        player.tap("Return")
        kicks = player.rally(a.kicks, focus_change if a.focus_change else None)
        # A player on a busy machine may let go too late: as a player does,
        # it plays again (continue: yes) until it made its kicks, within
        # reason.
        for _ in range(5):
            if kicks >= a.kicks:
                break
            player.wait_for(lambda s: s["dropped"] == 1 and s["menuChoice"] == 1)
            player.press("Return")
            player.wait_for(lambda s: s["dropped"] == 0)
            kicks += player.rally(a.kicks - kicks)
        # Continue? Yes (chosen already): a new serve, left to drop.
        player.wait_for(lambda s: s["dropped"] == 1 and s["menuChoice"] == 1)
        player.press("Return")
        player.wait_for(lambda s: s["dropped"] == 0)
        player.wait_for(lambda s: s["dropped"] == 1)
        # No this time: back to the title, and quit there.
        player.press("Down")
        player.wait_for(lambda s: s["menuChoice"] == 0)
        player.press("Return")
        player.wait_for(lambda s: s["titleActive"] == 1)
        player.press("Escape")
        ended_well(game)
        # Six rallies without a single kick is no busy machine's doing;
        # fewer kicks than asked may be.
        if kicks == 0:
            fail(f"no kick in six rallies (of {a.kicks} asked for)")
        if kicks < a.kicks:
            print(f"note: {kicks} kicks of {a.kicks} in six rallies")

        lines = open(record).read().splitlines()
        if a.focus_change and not any(l.endswith(" activate 0") for l in lines):
            fail("the record holds no loss of focus")
        if not lines or not lines[-1].startswith("# end "):
            fail("the record has no end")

        replayed = os.path.join(tmp, "replayed.trace")
        run([sim, "--replay", record, "--trace", replayed], dict(os.environ))
        real = open(trace).read().splitlines()
        sim_lines = open(replayed).read().splitlines()
        for i, (x, y) in enumerate(zip(real, sim_lines)):
            if x != y:
                fail(f"line {i + 1} differs:\n  real: {x[:300]}\n  sim:  {y[:300]}")
        if len(real) != len(sim_lines):
            fail(f"the real game traced {len(real)} frames, pako-sim {len(sim_lines)}")
        print(f"{len(real)} frames, {kicks} kicks: the real game and pako-sim traced the same game")
        if a.keep:
            os.makedirs(a.keep, exist_ok=True)
            shutil.copy(record, os.path.join(a.keep, "rally.record"))
            shutil.copy(trace, os.path.join(a.keep, "rally.trace"))
    finally:
        if player:
            player.keys.close()
        for p in load + [other, game]:
            if p and p.poll() is None:
                p.kill()
        screen.close()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
