#!/usr/bin/env python3
"""Works out the key presses of rally.script with the reference model.

A small controller plays the game step by step: it starts from the title,
and during a rally it looks ahead (on a copy of the game) to the frame at
which the falling shuttlecock will be at the player's feet, runs the player
under it and charges Space so that the release is judged on exactly that
frame. The presses it makes are written as a script, with a header that
says what happens at which step.

    python3 plan_rally.py [--seed S] [--steps N] > rally.script
"""

import argparse
import copy
import sys

import pako_model as pm

# Power charged for each kick in turn (launch speed is power + 10).
POWERS = [40, 55, 35, 60, 45, 50, 30, 65]
# Kicks to make in the first and the second rally before letting it drop.
RALLY_KICKS = [6, 4]
# Where the sprite's top should be, in world y, when a swing is judged:
# 848 lies in the middle of the band (843..853) that sends it straight up.
TARGET_TOP = 848


def predict(g, frames):
    """End-of-frame shuttlecock positions of the next frames, with no input."""
    sim = copy.deepcopy(g)
    sim.leftHeld = sim.rightHeld = sim.spaceHeld = sim.spaceReleased = 0
    out = []
    for _ in range(frames):
        sim.draws = []
        sim.sounds = []
        pm.game_frame(sim)
        out.append((sim.shuttleX + sim.cameraX, sim.shuttleY + sim.cameraY,
                    sim.dropped))
        if sim.dropped:
            break
    return out


def steer(send, step, g, err):
    """Runs towards a place `err` pixels to the right of the player (to the
    left when negative); stands within 3 pixels of it."""
    if err >= 3:
        if g.leftHeld:
            send(step, 'keyup', pm.VK_LEFT)
        if not g.rightHeld:
            send(step, 'keydown', pm.VK_RIGHT)
    elif err <= -3:
        if g.rightHeld:
            send(step, 'keyup', pm.VK_RIGHT)
        if not g.leftHeld:
            send(step, 'keydown', pm.VK_LEFT)
    else:
        release_arrows(send, step, g)


def release_arrows(send, step, g):
    if g.leftHeld:
        send(step, 'keyup', pm.VK_LEFT)
    if g.rightHeld:
        send(step, 'keyup', pm.VK_RIGHT)


def choose_judge_frame(g, step, power):
    """The frame, far enough ahead to charge `power`, at whose end the falling
    shuttlecock's top is closest to TARGET_TOP inside the hit band; entry i
    of the prediction is the frame of step `step` + i."""
    path = predict(g, 400)
    best = None
    for i in range(1, len(path)):
        x, top, dropped = path[i]
        if dropped:
            break
        prev_top = path[i - 1][1]
        if not (820 <= top <= 870) or top < prev_top:
            continue  # only while it comes down through the band
        j = step + i
        if j - power < step:
            continue
        score = abs(top - TARGET_TOP)
        if best is None or score < best[0]:
            best = (score, j)
        if top > TARGET_TOP:
            break
    return None if best is None else best[1]


class Planner:
    def __init__(self, seed, steps):
        self.seed = seed
        self.steps = steps
        self.session = pm.Session(seed)
        self.events = {}
        self.rally = 0            # 0: first rally, 1: second rally
        self.judge = None         # frame at which the next swing is judged
        self.power_index = 0
        self.drop_seen = None
        self.done = False

    def send(self, step, kind, key=None):
        self.events.setdefault(step, []).append((kind, key))

    def plan(self):
        g = self.session.game
        for step in range(self.steps):
            if step == 5:
                self.send(5, 'keydown', pm.VK_RETURN)
                self.send(11, 'keyup', pm.VK_RETURN)
            elif not self.done and g.titleActive == 0:
                if g.dropped:
                    self.answer_continue(step, g)
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
        if step != self.drop_seen + 40:
            return
        if self.rally == 0:
            self.send(step, 'keydown', pm.VK_RETURN)
            self.send(step + 6, 'keyup', pm.VK_RETURN)
            self.rally = 1
        else:
            self.send(step, 'keydown', pm.VK_DOWN)
            self.send(step + 4, 'keyup', pm.VK_DOWN)
            self.send(step + 25, 'keydown', pm.VK_RETURN)
            self.send(step + 31, 'keyup', pm.VK_RETURN)
            self.done = True

    def control_rally(self, step, g):
        if g.rallyActive == 0 or g.kickPending:
            return
        if self.judge is not None and step > self.judge + 1:
            self.judge = None      # that kick has been applied: plan the next
        if self.judge is None:
            if g.kickCount >= RALLY_KICKS[self.rally]:
                self.release_arrows(step, g)
                return
            power = POWERS[self.power_index % len(POWERS)]
            j = choose_judge_frame(g, step, power)
            if j is None:
                self.release_arrows(step, g)
                return
            self.judge = j
            self.power_index += 1
            self.send(j - power, 'keydown', pm.VK_SPACE)
            self.send(j, 'keyup', pm.VK_SPACE)
        # Steer the player under the shuttlecock's place at the judged frame.
        j = self.judge
        path = predict(g, j - step + 1)
        if len(path) < j - step + 1:
            self.release_arrows(step, g)
            return
        steer(self.send, step, g, path[j - step][0] + 40 - (g.playerX + g.cameraX))

    def release_arrows(self, step, g):
        release_arrows(self.send, step, g)


def describe(events, seed, steps):
    """Lines telling what happens at which step when the script is replayed."""
    records = pm.iter_records(steps, seed, events)
    lines = []
    prev = None
    rally = 0
    for r in records:
        f = r['frame']
        if prev is not None:
            if prev['titleActive'] and not r['titleActive']:
                lines.append('%5d  Enter on the title: START, countdown begins' % f)
            if not prev['rallyActive'] and r['rallyActive']:
                rally += 1
                lines.append('%5d  serve of rally %d' % (f, rally))
            if not prev['dropped'] and r['dropped']:
                lines.append('%5d  drop after %d kicks: continue screen'
                             % (f, r['kickCount']))
            if prev['dropped'] and not r['dropped']:
                if r['titleActive']:
                    lines.append('%5d  continue answered no: title screen' % f)
                else:
                    lines.append('%5d  continue answered yes: countdown' % f)
            if r['dropped'] and prev['menuChoice'] != r['menuChoice']:
                lines.append('%5d  %s selected on the continue screen'
                             % (f, 'yes' if r['menuChoice'] else 'no'))
        if 'kick.wav' in r['sounds']:
            lines.append('%5d  kick, kickCount %d' % (f, r['kickCount']))
        strikes = r['sounds'].count('a1.wav')
        if strikes:
            lines.append('%5d  %s struck, drift now %d'
                         % (f, 'a dragonfly' if strikes == 1 else
                            '%d dragonflies' % strikes, r['drift']))
        prev = r
    lines.append('%5d  last step; the run ends by the frame count' % (steps - 1))
    return lines


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--steps', type=int, default=3000)
    args = ap.parse_args()
    events = Planner(args.seed, args.steps).plan()
    out = sys.stdout
    out.write('# Scripted play: two rallies, a "yes" and a "no" on the continue\n'
              '# screen, back to the title. Meant for --seed %d --frames %d\n'
              '# (the dragonfly strikes depend on the seed).\n'
              '# Made with plan_rally.py.\n#\n'
              '# step  what happens\n' % (args.seed, args.steps))
    for line in describe(events, args.seed, args.steps):
        out.write('# %s\n' % line)
    out.write('\n')
    names = {v: k for k, v in pm.KEY_NAMES.items()}
    for step in sorted(events):
        for kind, key in events[step]:
            out.write('%d %s %s\n' % (step, kind, names[key]))


if __name__ == '__main__':
    main()
