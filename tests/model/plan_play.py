#!/usr/bin/env python3
"""Plays the game as a player does, on the reference model, and writes what
it pressed as a script: real kicks at every height of the hit band (so the
shuttlecock drifts left, straight up and right), swings too weak to kick
(power 20 and below, the threshold itself among them), swings too early, too
late and too far to the side, a swing charged and released in the
countdown before the serve, and a gauge held so long that it goes round.
Between rallies it answers the continue question, mostly yes.

Each swing is planned as plan_rally.py plans its kicks: looking ahead on a
copy of the game for the frame at which the falling shuttlecock's top is at
the height wanted, running the player to where it should stand then, and
charging Space so that the release is judged on exactly that frame.

    python3 plan_play.py [--seed S] [--steps N] [--choice C] > play.script

`--choice` seeds the player's own choices (default: the game's seed).
"""

import argparse
import random
import sys

import pako_model as pm
from plan_rally import predict, release_arrows, steer

# The band of heights (the sprite's top, in world y) in which a swing meets
# the shuttlecock, and where a kick drifts it: above 843 to the left, below
# 853 to the right, in between straight up.
BAND = (820, 870)

# Swings, by how often a player makes them.
KINDS = ['kick'] * 8 + ['weak', 'weak', 'early', 'late', 'wide', 'wide', 'round']


def judge_frame(g, step, power, low, high):
    """The first frame, far enough ahead to charge `power`, at whose end the
    falling shuttlecock's top lies between low and high, or None."""
    path = predict(g, 400)
    for i in range(1, len(path)):
        x, top, dropped = path[i]
        if dropped:
            return None
        if top < path[i - 1][1] or i < power:
            continue
        if low <= top <= high:
            return step + i
        if top > high:
            return None
    return None


class Player:
    def __init__(self, seed, steps, choice):
        self.steps = steps
        self.rng = random.Random(choice)
        self.session = pm.Session(seed)
        self.events = {}
        self.judge = None      # the frame at which the planned swing is judged
        self.offset = 0        # where the player stands against the shuttlecock
        self.drop_seen = None
        self.countdown_swing = None
        self.swings = {}

    def send(self, step, kind, key):
        self.events.setdefault(step, []).append((kind, key))

    def plan(self):
        g = self.session.game
        for step in range(self.steps):
            if g.titleActive and step % 150 == 5:
                self.send(step, 'keydown', pm.VK_RETURN)
                self.send(step + 6, 'keyup', pm.VK_RETURN)
            elif not g.titleActive:
                if g.dropped:
                    self.answer_continue(step, g)
                elif g.rallyActive == 0:
                    self.swing_in_countdown(step, g)
                else:
                    self.drop_seen = None
                    self.control_rally(step, g)
            self.session.step(step, self.events.get(step, ()))
            if self.session.ended:
                break
        return self.events

    def answer_continue(self, step, g):
        if self.drop_seen is None:
            self.drop_seen = step
            self.judge = None
        self.release_arrows(step, g)
        if step != self.drop_seen + 30:
            return
        if self.rng.random() < 0.2:
            self.send(step, 'keydown', pm.VK_DOWN)
            self.send(step + 3, 'keyup', pm.VK_DOWN)
        self.send(step + 10, 'keydown', pm.VK_RETURN)
        self.send(step + 16, 'keyup', pm.VK_RETURN)

    def swing_in_countdown(self, step, g):
        """Half the serves: a full swing with the shuttlecock in the hit box,
        but before the serve."""
        if g.countdownFrames != 5 or self.countdown_swing == step:
            return
        self.countdown_swing = step
        if self.rng.random() < 0.5:
            self.send(step, 'keydown', pm.VK_SPACE)
            self.send(step + self.rng.randint(25, 60), 'keyup', pm.VK_SPACE)
            self.swings['countdown'] = self.swings.get('countdown', 0) + 1

    def choose_swing(self, step, g):
        kind = self.rng.choice(KINDS)
        power = {'weak': self.rng.choice([1, 10, 19, 20, 20]),
                 'round': self.rng.randint(101, 125)}.get(kind, self.rng.randint(21, 95))
        low, high = BAND
        if kind == 'early':
            low, high = 700, BAND[0] - 1
        elif kind == 'late':
            low, high = BAND[1] + 1, 1000
        else:
            # Anywhere in the band, its edges too, for every drift.
            mid = self.rng.randint(*BAND)
            low, high = mid, BAND[1]
        j = judge_frame(g, step, power, low, high)
        if j is None:
            return False
        self.judge = j
        self.offset = self.rng.choice([-1, 1]) * self.rng.randint(45, 70) if kind == 'wide' \
            else self.rng.randint(-18, 18)
        self.send(j - power, 'keydown', pm.VK_SPACE)
        self.send(j, 'keyup', pm.VK_SPACE)
        self.swings[kind] = self.swings.get(kind, 0) + 1
        return True

    def control_rally(self, step, g):
        if g.kickPending:
            return
        if self.judge is not None and step > self.judge + 1:
            self.judge = None
        if self.judge is None and not self.choose_swing(step, g):
            self.release_arrows(step, g)
            return
        # Run to where the player should stand when the swing is judged.
        j = self.judge
        if step >= j:
            return
        path = predict(g, j - step + 1)
        if len(path) < j - step + 1:
            self.release_arrows(step, g)
            return
        steer(self.send, step, g, path[j - step][0] + 40 + self.offset - (g.playerX + g.cameraX))

    def release_arrows(self, step, g):
        release_arrows(self.send, step, g)


def script(events):
    names = {v: k for k, v in pm.KEY_NAMES.items()}
    return ''.join('%d %s %s\n' % (step, kind, names[key])
                   for step in sorted(events) for kind, key in events[step])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--steps', type=int, default=3000)
    ap.add_argument('--choice', type=int)
    a = ap.parse_args()
    player = Player(a.seed, a.steps, a.seed if a.choice is None else a.choice)
    sys.stdout.write(script(player.plan()))


if __name__ == '__main__':
    main()
