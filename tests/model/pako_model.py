#!/usr/bin/env python3
"""Reference model of the Pako Tumbo game logic.

Replays the game frame by frame from an input script, the same way the
headless simulator does, and writes one JSON object per frame that ran.
Its trace is meant to be compared with the simulator's trace
(see compare_traces.py).

Every routine works on one Game object, so tests can prepare a state and
drive a single routine.

Usage:
    pako_model.py [--frames N] [--seed S] [--script FILE|-] [--no-timer]
"""

import json
import math
import struct
import sys

# ---------------------------------------------------------------------------
# Numbers

INT32_MIN = -2 ** 31
INT32_MAX = 2 ** 31 - 1

# The flight's time step: 0.1 as a single-precision constant, widened exactly.
TIME_STEP = struct.unpack('f', struct.pack('f', 0.1))[0]
HALF_GRAVITY = 4.9

# Guards that keep long sessions inside 32 bits.
FLIGHT_TIME_LIMIT = 100000          # flightTime stops growing here
COUNTER_WRAP = 2000000000           # respawnTick and wobbleTimer wrap to 0 here
POSITION_LIMIT = 1000000000         # playerX and dragonfly x, y stay within +-this


def wrap32(v):
    """Wrap an integer to a 32-bit signed value, as the game's arithmetic does."""
    v &= 0xFFFFFFFF
    return v - 0x100000000 if v & 0x80000000 else v


def clamp_pos(v):
    if v < -POSITION_LIMIT:
        return -POSITION_LIMIT
    if v > POSITION_LIMIT:
        return POSITION_LIMIT
    return v


def to_float32(v):
    return struct.unpack('f', struct.pack('f', v))[0]


def trunc_int(v):
    """Truncate a double toward zero to a 32-bit signed integer."""
    return wrap32(math.trunc(v))


def flight_height(launch_speed, flight_time):
    """Height above the launch line after flight_time frames of a flight."""
    t = flight_time * TIME_STEP
    a = launch_speed * t
    b = (t * t) * HALF_GRAVITY
    return trunc_int(a - b)


def fall_offset(n):
    """Offset of a struck dragonfly from its hit height after n fall steps."""
    t = n * TIME_STEP
    return trunc_int(30 * t - HALF_GRAVITY * t * t)


# ---------------------------------------------------------------------------
# Random generator: the portable example generator, values 0..32767.

class Random:
    def __init__(self, seed=1):
        self.next = seed & 0xFFFFFFFF

    def seed(self, s):
        self.next = s & 0xFFFFFFFF

    def rand(self):
        self.next = (self.next * 1103515245 + 12345) & 0xFFFFFFFF
        return (self.next // 65536) % 32768


# ---------------------------------------------------------------------------
# Game state

STATE_VARS = [
    ('playerX', 640), ('shuttleX', 320), ('shuttleY', 10), ('cameraX', 0),
    ('cameraY', 480), ('runSpeed', 4), ('power', 0), ('kickCount', 0),
    ('drift', 0), ('shuttleFrame', 0), ('runFrame', 0), ('blink', 0),
    ('appActive', 0), ('leftHeld', 0), ('rightHeld', 0), ('enterHeld', 0),
    ('spaceHeld', 0), ('spaceReleased', 0), ('menuChoice', 1),
    ('titleActive', 1), ('rallyActive', 0), ('serveReady', 0), ('dropped', 0),
    ('kickPending', 0), ('kickAnimActive', 0), ('zoomGrowing', 0),
    ('shuttleRightOffset', 675), ('launchSpeed', 50), ('launchHeight', 120),
    ('flightTime', 0), ('prevHeight', 0), ('countdownFrames', 0),
    ('kickAnimFrames', 0), ('zoomInset', 0), ('zoomStage', 0),
    ('respawnTick', 0), ('cwTurnTimer', 0), ('ccwTurnTimer', 0),
    ('wobbleTimer', 0), ('wobble', 1),
]
STATE_NAMES = [name for name, _ in STATE_VARS]

# Patterns
CLOCKWISE_LOOP, COUNTER_CLOCKWISE_LOOP, WAVY_PATROL, PATROL, STRUCK = range(5)
# Headings
UP, DOWN, LEFT, RIGHT, FALLING = range(5)

HEADING_SPRITE = ['JAMJARYU', 'JAMJARYD', 'JAMJARYL', 'JAMJARYR', 'JAMJARYDIE']
HEADING_MOVE = [(0, -2), (0, 2), (-2, 0), (2, 0), (0, 0)]
CW_TURN = {UP: RIGHT, RIGHT: DOWN, DOWN: LEFT, LEFT: UP}
CCW_TURN = {UP: LEFT, LEFT: DOWN, DOWN: RIGHT, RIGHT: UP}

DIGITS = ['ZERO', 'ONE', 'TWO', 'THREE', 'FOUR', 'FIVE', 'SIX', 'SEVEN',
          'EIGHT', 'NINE']

# Title logo bounce: (step per frame, deepest inset) for stages 0..4.
ZOOM_STAGES = [(7, 70), (5, 50), (3, 30), (2, 20), (1, 10)]

DRAGONFLY_COUNT = 25


class Dragonfly:
    __slots__ = ('x', 'y', 'hitHeight', 'pattern', 'heading', 'fallTime',
                 'alive')

    def __init__(self):
        self.x = 0
        self.y = 0
        self.hitHeight = 0
        self.pattern = 0
        self.heading = 0
        self.fallTime = 0.0
        self.alive = 0

    def as_list(self):
        return [self.x, self.y, self.hitHeight, self.pattern, self.heading,
                float(self.fallTime), self.alive]


class Game:
    """The whole game state plus what one frame drew and played."""

    def __init__(self, seed=1):
        for name, value in STATE_VARS:
            setattr(self, name, value)
        self.dragonflies = [Dragonfly() for _ in range(DRAGONFLY_COUNT)]
        self.rng = Random(seed)
        self.draws = []
        self.sounds = []
        self.close_requested = False

    # Recording of the side effects of a frame.
    def draw(self, name, x, y):
        self.draws.append([name, x, y])

    def draw_stretched(self, name, left, top, right, bottom):
        self.draws.append([name, left, top, right, bottom])

    def play(self, name):
        self.sounds.append(name)

    def post_close(self):
        self.close_requested = True

    def snapshot(self, frame):
        rec = {'frame': frame}
        for name in STATE_NAMES:
            rec[name] = getattr(self, name)
        rec['dragonflies'] = [d.as_list() for d in self.dragonflies]
        rec['draws'] = self.draws
        rec['sounds'] = self.sounds
        return rec


# ---------------------------------------------------------------------------
# Start-up

def randomise_dragonfly(g, index, startup):
    d = g.dragonflies[index]
    d.alive = 1
    d.pattern = g.rng.rand() % 4
    d.heading = LEFT if g.rng.rand() % 2 == 1 else RIGHT
    d.x = g.rng.rand() % 500 + 100
    low_band = index < 10 if startup else index < 20
    if low_band:
        d.y = g.rng.rand() % 250 + 480
    else:
        d.y = g.rng.rand() % 650 + 200
    d.fallTime = 0.0
    d.hitHeight = 0


def spawn_dragonflies(g):
    for i in range(DRAGONFLY_COUNT):
        randomise_dragonfly(g, i, startup=True)


def game_start(g, seed):
    g.rng.seed(seed)
    spawn_dragonflies(g)


# ---------------------------------------------------------------------------
# Window procedure

VK_RETURN = 0x0D
VK_ESCAPE = 0x1B
VK_SPACE = 0x20
VK_LEFT = 0x25
VK_UP = 0x26
VK_RIGHT = 0x27
VK_DOWN = 0x28
VK_F12 = 0x7B


def key_down(g, key):
    """WM_KEYDOWN. Returns True when the key asks the window to close."""
    if key == VK_RETURN:
        g.enterHeld = 1
    elif key in (VK_ESCAPE, VK_F12):
        g.post_close()
        return True
    elif key == VK_SPACE:
        if g.dropped == 0:
            g.spaceReleased = 0
            g.spaceHeld = 1
    elif key == VK_LEFT:
        if g.dropped == 0 and g.rallyActive != 0:
            g.leftHeld = 1
    elif key == VK_RIGHT:
        if g.dropped == 0 and g.rallyActive != 0:
            g.rightHeld = 1
    elif key in (VK_UP, VK_DOWN):
        g.menuChoice = 1 - g.menuChoice
    return False


def key_up(g, key):
    if key == VK_RETURN:
        g.enterHeld = 0
    elif key == VK_SPACE:
        g.spaceReleased = 1
        g.spaceHeld = 0
    elif key == VK_LEFT:
        g.leftHeld = 0
    elif key == VK_RIGHT:
        g.rightHeld = 0


def activate(g, w):
    g.appActive = 1 if w in (1, 2) else 0


def timer_tick(g):
    g.blink = 1 - g.blink
    g.shuttleFrame += 1
    if g.shuttleFrame >= 3:
        g.shuttleFrame = 0
    g.runFrame += 1
    if g.runFrame >= 4:
        g.runFrame = 0


# ---------------------------------------------------------------------------
# Title screen

def title_screen(g):
    if g.zoomStage < 5:
        step, limit = ZOOM_STAGES[g.zoomStage]
        if g.zoomGrowing == 0:
            g.zoomInset += step
        else:
            g.zoomInset -= step
        if g.zoomInset <= 0:
            g.zoomGrowing = 0
            if g.zoomStage < 5:
                g.zoomStage += 1
        if g.zoomInset >= limit:
            g.zoomGrowing = 1
    else:
        g.zoomInset = 0
        g.zoomGrowing = 0

    i = g.zoomInset
    g.draw('BACK', 0, -480)
    g.draw_stretched('REVOZE', 112 + 2 * i, 40 + i, 528 - 2 * i, 240 - i)
    g.draw('RANKING', 0, 275)
    g.draw('START1', 320, 240)
    g.draw('EXIT1', 320, 360)
    if g.menuChoice != 0:
        g.draw('START1' if g.blink != 0 else 'START2', 320, 240)
    else:
        g.draw('EXIT1' if g.blink != 0 else 'EXIT2', 320, 360)

    if g.enterHeld == 0:
        return
    if g.menuChoice != 0:
        g.zoomStage = 0
        g.dropped = 0
        g.draw('START3', 320, 240)
        g.titleActive = 0
    else:
        g.draw('EXIT3', 320, 360)
        g.titleActive = 1
        g.post_close()


# ---------------------------------------------------------------------------
# Player, kick pose and power gauge

def update_player(g):
    top = 788 - g.cameraY
    if g.leftHeld != 0:
        g.playerX = clamp_pos(g.playerX - g.runSpeed)
        g.draw('ZABLORUNL%d' % (g.runFrame + 1), g.playerX - 60, top)
    elif g.rightHeld != 0:
        g.playerX = clamp_pos(g.playerX + g.runSpeed)
        g.draw('ZABLORUNR%d' % (g.runFrame + 1), g.playerX - 60, top)
    elif g.kickAnimActive != 0:
        g.draw('ZABLOPAKO', g.playerX - 60, top)
        k = g.kickAnimFrames
        if k < 5 and g.kickPending != 0:
            g.shuttleFrame = 3
        g.kickAnimFrames = k + 1
        if k > 10:
            g.kickAnimFrames = 0
            g.kickAnimActive = 0
    else:
        g.draw('ZABLOSTAND', g.playerX - 60, top)

    if g.spaceHeld == 0:
        return
    gauge = g.power // 10 if g.power >= 0 else -((-g.power) // 10)
    if 1 <= gauge <= 10:
        g.draw('BAR%d' % gauge, 10, 230)
    p = g.power
    g.power = p + 1
    if p >= 100:
        g.power = 0


# ---------------------------------------------------------------------------
# Dragonflies

def update_dragonflies(g):
    for index, d in enumerate(g.dragonflies):
        if d.x < -30 or d.y > 1000:
            d.alive = 0
        if d.alive == 0:
            v = g.respawnTick
            g.respawnTick = v + 1
            if g.respawnTick >= COUNTER_WRAP:
                g.respawnTick = 0
            if v % 2 == 0:
                randomise_dragonfly(g, index, startup=False)
            continue

        if d.pattern == CLOCKWISE_LOOP:
            v = g.cwTurnTimer
            g.cwTurnTimer = v + 1
            if v % 100 == 0:
                g.cwTurnTimer = 1
                d.heading = CW_TURN.get(d.heading, d.heading)
        elif d.pattern == COUNTER_CLOCKWISE_LOOP:
            v = g.ccwTurnTimer
            g.ccwTurnTimer = v + 1
            if v % 100 == 0:
                g.ccwTurnTimer = 1
                d.heading = CCW_TURN.get(d.heading, d.heading)
        elif d.pattern in (WAVY_PATROL, PATROL):
            if d.pattern == WAVY_PATROL:
                v = g.wobbleTimer
                g.wobbleTimer = v + 1
                if g.wobbleTimer >= COUNTER_WRAP:
                    g.wobbleTimer = 0
                if v % 100 == 0:
                    g.wobble = -1 if g.wobble == 1 else 1
                d.y = clamp_pos(d.y + g.wobble)
            if d.x < 0:
                d.heading = RIGHT
            if d.x > 1245:
                d.heading = LEFT
        elif d.pattern == STRUCK:
            if d.y - g.cameraY > 960:
                d.alive = 0
            n = d.fallTime
            d.fallTime = to_float32(n + 1.0)
            h = fall_offset(n)
            d.y = clamp_pos(960 - h - d.hitHeight)
            d.heading = FALLING

        if 0 <= d.heading < len(HEADING_MOVE):
            dx, dy = HEADING_MOVE[d.heading]
            if dx:
                d.x = clamp_pos(d.x + dx)
            if dy:
                d.y = clamp_pos(d.y + dy)
            g.draw(HEADING_SPRITE[d.heading], d.x - g.cameraX, d.y - g.cameraY)

        if g.rallyActive != 0 and d.pattern != STRUCK:
            sx = d.x - g.cameraX
            sy = d.y - g.cameraY
            if (sy <= g.shuttleY + 50 and sy + 30 >= g.shuttleY
                    and sx <= g.shuttleX + 45 and sx + 20 >= g.shuttleX + 35):
                g.play('a1.wav')
                d.pattern = STRUCK
                d.hitHeight = 960 - d.y
                g.drift = g.rng.rand() % 3 - 1


# ---------------------------------------------------------------------------
# Countdown and shuttlecock

def run_countdown(g, serve_ready):
    if serve_ready != 0:
        g.countdownFrames = 0
        return 1
    n = g.countdownFrames
    g.countdownFrames = n + 1
    if n < 50:
        g.draw('READY', 250, 200)
        return 0
    if n + 1 <= 100:
        g.draw('GO', 288, 200)
        return 0
    g.serveReady = 1
    return 1


def kick_drift(shuttle_y):
    if shuttle_y < 363:
        return -1
    if shuttle_y > 373:
        return 1
    return 0


def update_shuttlecock(g, may_fly):
    if may_fly == 0 and g.rallyActive == 0:
        g.draw('WAVEPAKO1', g.shuttleX, g.shuttleY)
        g.shuttleX = 1280 - g.shuttleRightOffset - g.cameraX
        g.shuttleY = 960 - g.cameraY - g.launchHeight
        return

    if g.rallyActive == 0:
        g.rallyActive = 1
        g.serveReady = 0
        g.flightTime = 0
        g.launchHeight = 120
        g.power = 0
        g.launchSpeed = 50
        g.drift = 0
        g.kickCount = 0

    if g.shuttleY >= 960:
        g.dropped = 1
        g.cameraX = 0
        g.shuttleRightOffset = 675
    elif (g.cameraX == 0 and g.shuttleX < 17) or \
            (g.cameraX == 640 and g.shuttleX > 540):
        g.drift = -g.drift

    if g.kickPending != 0:
        g.drift = kick_drift(g.shuttleY)
        g.play('kick.wav')
        g.flightTime = 0
        g.launchHeight = 120
        g.kickPending = 0
        g.launchSpeed = g.power + 10
        g.power = 0
        g.kickCount = 99 if g.kickCount + 1 >= 99 else g.kickCount + 1

    height = flight_height(g.launchSpeed, g.flightTime)
    if g.flightTime < FLIGHT_TIME_LIMIT:
        g.flightTime += 1
    g.shuttleRightOffset -= g.drift

    g.shuttleX = 1280 - g.shuttleRightOffset - g.cameraX
    g.shuttleY = wrap32(960 - g.cameraY - g.launchHeight - height)

    if g.shuttleFrame == 3:
        name = 'WAVEPAKO4'
    elif g.prevHeight < height:
        name = 'WAVEPAKO%d' % (5 + g.shuttleFrame)
    else:
        name = 'WAVEPAKO%d' % (1 + g.shuttleFrame)
    g.draw(name, g.shuttleX, g.shuttleY)
    g.prevHeight = height


# ---------------------------------------------------------------------------
# Camera

def update_camera(g):
    if g.playerX < 320 and g.cameraX > 0:
        g.cameraX -= g.runSpeed
        g.playerX = clamp_pos(g.playerX + g.runSpeed)
        g.shuttleX += g.runSpeed
    elif g.playerX > 320 and g.cameraX < 640:
        g.cameraX += g.runSpeed
        g.playerX = clamp_pos(g.playerX - g.runSpeed)
        g.shuttleX -= g.runSpeed

    if (g.shuttleY < 240 and g.cameraY > 0) or \
            (g.shuttleY > 240 and g.cameraY < 480):
        g.cameraY = wrap32(g.cameraY + (g.shuttleY - 240))
    if g.cameraY <= 0:
        g.cameraY = 0
    if g.shuttleY > 240 and g.cameraY > 480:
        g.cameraY = 480
        return
    if g.cameraY < 330:
        g.draw('HERE', g.playerX - 60, 380)


# ---------------------------------------------------------------------------
# Continue screen

def continue_screen(g):
    g.draw('CONTINUE', 80, 180)
    if g.menuChoice != 0:
        g.draw('ANGLE', 360, 200)
        if g.enterHeld == 0:
            return
        g.dropped = 0
        g.rallyActive = 0
        g.serveReady = 0
        g.playerX = 640
    else:
        g.draw('ANGLE', 360, 247)
        if g.enterHeld == 0:
            return
        g.dropped = 0
        g.rallyActive = 0
        g.menuChoice = 1
        g.titleActive = 1
        g.kickAnimActive = 0
        g.blink = 0
        g.zoomGrowing = 0
        g.serveReady = 0
        g.enterHeld = 0
        g.playerX = 640


# ---------------------------------------------------------------------------
# Frame driver

def draw_kick_counter(g):
    g.draw(DIGITS[g.kickCount % 10], 30, 30)
    if g.kickCount >= 10:
        g.draw(DIGITS[g.kickCount // 10], 0, 0)


def judge_swing(g):
    if g.spaceReleased == 0:
        return
    g.spaceReleased = 0
    g.kickAnimActive = 1
    if g.power <= 20:
        g.power = 0
        return
    hit = (g.serveReady != 0
           and 840 - g.cameraY <= g.shuttleY + 20 <= 890 - g.cameraY
           and g.playerX - 60 <= g.shuttleX + 20 <= g.playerX + 20)
    if hit:
        g.kickPending = 1
    else:
        g.power = 0


def game_frame(g):
    if g.titleActive != 0:
        title_screen(g)
        return
    g.draw('BACK', -g.cameraX, -g.cameraY)
    if g.dropped == 0:
        update_player(g)
    update_dragonflies(g)
    update_shuttlecock(g, run_countdown(g, g.serveReady))
    update_camera(g)
    if g.dropped != 0:
        continue_screen(g)
    draw_kick_counter(g)
    judge_swing(g)


# ---------------------------------------------------------------------------
# Input script

KEY_NAMES = {
    'enter': VK_RETURN, 'escape': VK_ESCAPE, 'space': VK_SPACE,
    'left': VK_LEFT, 'up': VK_UP, 'right': VK_RIGHT, 'down': VK_DOWN,
    'f12': VK_F12,
}


class ScriptError(Exception):
    pass


def parse_int(text):
    """A plain decimal integer, optionally signed; None if it is not one."""
    s = text[1:] if text[:1] in '+-' else text
    if not s.isdigit() or not s.isascii():
        return None
    return int(text)


def parse_key(text):
    low = text.lower()
    if low in KEY_NAMES:
        return KEY_NAMES[low]
    if low.startswith('0x') and len(low) > 2:
        try:
            code = int(low[2:], 16)
        except ValueError:
            return None
        if code > 0xFFFFFFFF:
            return None
        return code
    return None


def parse_script(lines, name='script'):
    """Parse script lines into {step: [(kind, arg), ...]} in file order."""
    events = {}
    for lineno, raw in enumerate(lines, 1):
        line = raw.split('#', 1)[0].strip()
        if not line:
            continue
        parts = line.split()
        step = parse_int(parts[0])
        if step is None or step < 0:
            raise ScriptError('%s:%d: bad step number %r' % (name, lineno, parts[0]))
        if len(parts) < 2:
            raise ScriptError('%s:%d: missing message' % (name, lineno))
        kind = parts[1].lower()
        args = parts[2:]
        if kind in ('keydown', 'keyup'):
            if len(args) != 1:
                raise ScriptError('%s:%d: %s needs one key' % (name, lineno, kind))
            key = parse_key(args[0])
            if key is None:
                raise ScriptError('%s:%d: unknown key %r' % (name, lineno, args[0]))
            ev = (kind, key)
        elif kind == 'activate':
            if len(args) != 1 or parse_int(args[0]) is None:
                raise ScriptError('%s:%d: activate needs an integer' % (name, lineno))
            ev = (kind, parse_int(args[0]))
        elif kind in ('timer', 'close'):
            if args:
                raise ScriptError('%s:%d: %s takes no argument' % (name, lineno, kind))
            ev = (kind, None)
        else:
            raise ScriptError('%s:%d: unknown message %r' % (name, lineno, parts[1]))
        events.setdefault(step, []).append(ev)
    return events


def deliver(g, kind, arg):
    """Hand one message to the window procedure. True when the run closes."""
    if kind == 'keydown':
        return key_down(g, arg)
    if kind == 'keyup':
        key_up(g, arg)
    elif kind == 'activate':
        activate(g, arg)
    elif kind == 'timer':
        timer_tick(g)
    elif kind == 'close':
        return True
    return False


# ---------------------------------------------------------------------------
# Run

TIMER_PERIOD = 200
STEP_MS = 14


class Session:
    """One run of the game: start-up, then one step of 14 ms at a time."""

    def __init__(self, seed=1, timer=True):
        self.game = Game(seed)
        self.timer = timer
        self.next_tick = TIMER_PERIOD
        self.ended = False
        # The window is activated while it is shown, before the game starts.
        activate(self.game, 1)
        game_start(self.game, seed)

    def step(self, step, messages=()):
        """Run step number `step`: due timer ticks, the step's messages, then
        a frame if the game is active. Returns the frame's trace record, or
        None when no frame ran. Sets `ended` when the window was closed."""
        g = self.game
        if self.ended:
            return None
        now = STEP_MS * step
        if self.timer:
            while self.next_tick <= now:
                self.next_tick += TIMER_PERIOD
                timer_tick(g)
        for kind, arg in messages:
            if deliver(g, kind, arg):
                # The close is handled before anything else reaches the game.
                self.ended = True
                return None
        if g.appActive == 0:
            return None
        g.draws = []
        g.sounds = []
        game_frame(g)
        rec = g.snapshot(step)
        if g.close_requested:
            # EXIT on the title: this frame is still shown, then the game ends.
            self.ended = True
        return rec


def run(frames=1000, seed=1, events=None, timer=True, out=None):
    """Simulate `frames` steps, passing each trace record to `out`."""
    events = events or {}
    session = Session(seed, timer)
    for step in range(frames):
        rec = session.step(step, events.get(step, ()))
        if rec is not None and out is not None:
            out(rec)
        if session.ended:
            break
    return session.game


def iter_records(frames=1000, seed=1, events=None, timer=True):
    """All trace records of a run, as a list."""
    records = []
    run(frames, seed, events, timer, records.append)
    return records


USAGE = ('usage: pako_model.py [--frames N] [--seed S] [--script FILE|-] '
         '[--no-timer]\n')


def parse_args(argv):
    opts = {'frames': 1000, 'seed': 1, 'script': None, 'timer': True}
    i = 0
    while i < len(argv):
        a = argv[i]
        if a in ('-h', '--help'):
            sys.stdout.write(USAGE)
            sys.exit(0)
        if a == '--no-timer':
            opts['timer'] = False
            i += 1
            continue
        if a in ('--frames', '--seed', '--script'):
            if i + 1 >= len(argv):
                raise ScriptError('%s: missing value' % a)
            val = argv[i + 1]
            if a == '--script':
                opts['script'] = val
            else:
                n = parse_int(val)
                top = INT32_MAX if a == '--frames' else 0xFFFFFFFF
                if n is None or n < 0 or n > top:
                    raise ScriptError('%s: bad number %r' % (a, val))
                opts[a[2:]] = n
            i += 2
            continue
        raise ScriptError('unknown option %r' % a)
    return opts


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    try:
        opts = parse_args(argv)
        events = {}
        if opts['script'] is not None:
            if opts['script'] == '-':
                lines = sys.stdin.read().splitlines()
                name = '<stdin>'
            else:
                name = opts['script']
                try:
                    with open(name, encoding='utf-8') as f:
                        lines = f.read().splitlines()
                except (OSError, UnicodeDecodeError) as e:
                    raise ScriptError('%s: cannot read: %s' % (name, e))
            events = parse_script(lines, name)
    except ScriptError as e:
        sys.stderr.write('pako_model: %s\n' % e)
        return 2

    out = sys.stdout
    dumps = json.JSONEncoder(separators=(',', ':')).encode

    def write(rec):
        out.write(dumps(rec))
        out.write('\n')

    run(opts['frames'], opts['seed'], events, opts['timer'], write)
    out.flush()
    return 0


if __name__ == '__main__':
    sys.exit(main())
