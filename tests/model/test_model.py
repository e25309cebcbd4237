"""Checks of the reference model against the numbers the game design states.

Run with: python3 -m unittest discover tests/model
"""

import json
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import compare_traces as ct  # noqa: E402
import pako_model as pm  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
MODEL = os.path.join(HERE, 'pako_model.py')
COMPARE = os.path.join(HERE, 'compare_traces.py')


def play_game(seed=1):
    """A game past the title, with every dragonfly parked high in the world,
    far from the shuttlecock, so that single routines can be driven."""
    g = pm.Game(seed)
    g.appActive = 1
    g.titleActive = 0
    for d in g.dragonflies:
        d.alive, d.pattern, d.heading = 1, pm.PATROL, pm.RIGHT
        d.x, d.y = 600, 100
    return g


def flying_game():
    """A game in normal play with the shuttlecock in the air."""
    g = play_game()
    g.rallyActive = 1
    g.serveReady = 1
    g.cameraX, g.cameraY = 320, 480
    g.playerX = 320
    g.flightTime = 30
    g.shuttleX, g.shuttleY = 285, 200
    return g


def frame(g):
    g.draws = []
    g.sounds = []
    pm.game_frame(g)
    return g.draws


def names(draws):
    return [d[0] for d in draws]


class NumbersTest(unittest.TestCase):
    def test_serve_heights(self):
        self.assertEqual([pm.flight_height(50, t) for t in range(8)],
                         [0, 4, 9, 14, 19, 23, 28, 32])
        for t in range(48, 55):
            self.assertEqual(pm.flight_height(50, t), 127, t)
        self.assertEqual(pm.flight_height(50, 47), 126)
        self.assertEqual(pm.flight_height(50, 102), 0)
        self.assertEqual(pm.flight_height(50, 103), -4)

    def test_single_precision_step(self):
        # The single-precision 0.1 decides this truncation.
        self.assertEqual(pm.flight_height(99, 100), 500)
        self.assertEqual(int(99 * 10.0 - 100.0 * 4.9), 499)

    def test_serve_leaves_screen_and_ground(self):
        below = [t for t in range(400) if pm.flight_height(50, t) <= -120]
        self.assertEqual(below[0], 123)
        ground = [t for t in range(400) if pm.flight_height(50, t) <= -600]
        self.assertEqual(ground[0], 173)

    def test_strongest_kick_peak(self):
        self.assertEqual(max(pm.flight_height(110, t) for t in range(300)), 617)

    def test_dragonfly_fall_offsets(self):
        expected = {0: 0, 1: 2, 2: 5, 10: 25, 20: 40, 40: 41, 50: 27, 60: 3,
                    61: 0, 62: -2, 80: -73, 100: -190}
        for n in range(27, 35):
            expected[n] = 45
        for n, h in expected.items():
            self.assertEqual(pm.fall_offset(n), h, n)
        self.assertEqual(max(pm.fall_offset(n) for n in range(100)), 45)

    def test_random_generator(self):
        r = pm.Random(1)
        self.assertEqual([r.rand() for _ in range(4)], [16838, 5758, 10113, 17515])
        r = pm.Random(0xFFFFFFFF)
        values = [r.rand() for _ in range(1000)]
        self.assertTrue(all(0 <= v <= 32767 for v in values))

    def test_wrap32(self):
        self.assertEqual(pm.wrap32(2 ** 31), -2 ** 31)
        self.assertEqual(pm.wrap32(-1), -1)
        self.assertEqual(pm.wrap32(2 ** 32 + 5), 5)


class TitleTest(unittest.TestCase):
    def test_zoom_sequence(self):
        recs = pm.iter_records(130)
        insets = [r['zoomInset'] for r in recs]
        expected = (list(range(7, 71, 7)) + list(range(63, -1, -7))
                    + list(range(5, 51, 5)) + list(range(45, -1, -5))
                    + list(range(3, 31, 3)) + list(range(27, -1, -3))
                    + list(range(2, 21, 2)) + list(range(18, -1, -2))
                    + list(range(1, 11)) + list(range(9, -1, -1)))
        self.assertEqual(len(expected), 100)
        self.assertEqual(insets[:100], expected)
        self.assertEqual(insets[100:], [0] * 30)
        self.assertEqual(recs[19]['zoomStage'], 1)
        self.assertEqual(recs[99]['zoomStage'], 5)

    def test_logo_rectangle(self):
        recs = pm.iter_records(110)
        self.assertEqual(recs[0]['draws'][1], ['REVOZE', 126, 47, 514, 233])
        self.assertEqual(recs[9]['draws'][1], ['REVOZE', 252, 110, 388, 170])
        self.assertEqual(recs[9]['zoomGrowing'], 1)
        for r in recs[99:]:
            self.assertEqual(r['draws'][1], ['REVOZE', 112, 40, 528, 240])

    def test_title_draws_and_blink(self):
        g = pm.Game()
        g.zoomStage = 5
        frame(g)
        self.assertEqual(g.draws, [
            ['BACK', 0, -480], ['REVOZE', 112, 40, 528, 240],
            ['RANKING', 0, 275], ['START1', 320, 240], ['EXIT1', 320, 360],
            ['START2', 320, 240]])
        g.blink = 1
        self.assertEqual(frame(g)[-1], ['START1', 320, 240])
        g.menuChoice = 0
        self.assertEqual(frame(g)[-1], ['EXIT1', 320, 360])
        g.blink = 0
        self.assertEqual(frame(g)[-1], ['EXIT2', 320, 360])

    def test_title_dragonflies_stand_still(self):
        g = pm.Game()
        pm.spawn_dragonflies(g)
        before = [d.as_list() for d in g.dragonflies]
        frame(g)
        self.assertEqual([d.as_list() for d in g.dragonflies], before)

    def test_resumed_bounce_overshoots(self):
        # Shown again mid-bounce, stage 0 restarts from the old inset.
        g = pm.Game()
        g.zoomInset, g.zoomStage, g.zoomGrowing = 66, 0, 0
        frame(g)
        self.assertEqual((g.zoomInset, g.zoomGrowing), (73, 1))
        g.zoomInset = 3
        frame(g)
        self.assertEqual((g.zoomInset, g.zoomGrowing, g.zoomStage), (-4, 0, 1))
        self.assertEqual(g.draws[1], ['REVOZE', 104, 36, 536, 244])

    def test_enter_on_start(self):
        ev = {3: [('keydown', pm.VK_RETURN)], 8: [('keyup', pm.VK_RETURN)]}
        recs = pm.iter_records(6, events=ev)
        self.assertEqual(recs[3]['draws'][-1], ['START3', 320, 240])
        self.assertEqual(recs[3]['titleActive'], 0)
        self.assertEqual(recs[3]['zoomStage'], 0)
        self.assertEqual(recs[4]['draws'][0], ['BACK', 0, -480])
        self.assertIn(['READY', 250, 200], recs[4]['draws'])
        self.assertEqual(recs[4]['enterHeld'], 1)

    def test_enter_on_exit_ends_after_that_frame(self):
        ev = {3: [('keydown', pm.VK_DOWN)], 5: [('keydown', pm.VK_RETURN)]}
        recs = pm.iter_records(50, events=ev)
        self.assertEqual(len(recs), 6)
        self.assertEqual(recs[-1]['draws'][-1], ['EXIT3', 320, 360])
        self.assertEqual(recs[-1]['titleActive'], 1)


class CountdownTest(unittest.TestCase):
    def test_ready_go_serve(self):
        g = play_game()
        results = []
        for call in range(1, 102):
            g.draws = []
            results.append((call, pm.run_countdown(g, 0), list(g.draws)))
        for call, r, draws in results[:50]:
            self.assertEqual((r, draws), (0, [['READY', 250, 200]]), call)
        for call, r, draws in results[50:100]:
            self.assertEqual((r, draws), (0, [['GO', 288, 200]]), call)
        self.assertEqual(results[100][1:], (1, []))
        self.assertEqual(g.serveReady, 1)

    def test_running_rally_resets(self):
        g = play_game()
        g.countdownFrames = 101
        g.draws = []
        self.assertEqual(pm.run_countdown(g, 1), 1)
        self.assertEqual((g.countdownFrames, g.draws), (0, []))

    def test_serve_frame_and_after(self):
        ev = {0: [('keydown', pm.VK_RETURN)], 2: [('keyup', pm.VK_RETURN)]}
        recs = pm.iter_records(104, events=ev)
        serve = recs[101]                       # 101st game frame
        self.assertEqual(serve['rallyActive'], 1)
        self.assertEqual(serve['serveReady'], 0)
        self.assertEqual(serve['countdownFrames'], 101)
        self.assertNotIn('GO', names(serve['draws']))
        after = recs[102]
        self.assertEqual((after['serveReady'], after['countdownFrames']), (1, 102))
        self.assertEqual(recs[103]['countdownFrames'], 0)
        self.assertEqual(after['flightTime'], 2)


class KickCounterTest(unittest.TestCase):
    def counter_draws(self, count):
        g = play_game()
        g.kickCount = count
        g.draws = []
        pm.draw_kick_counter(g)
        return g.draws

    def test_digits(self):
        self.assertEqual(self.counter_draws(0), [['ZERO', 30, 30]])
        self.assertEqual(self.counter_draws(7), [['SEVEN', 30, 30]])
        self.assertEqual(self.counter_draws(10), [['ZERO', 30, 30], ['ONE', 0, 0]])
        self.assertEqual(self.counter_draws(99), [['NINE', 30, 30], ['NINE', 0, 0]])

    def test_counter_is_drawn_last_over_continue_screen(self):
        g = flying_game()
        g.dropped = 1
        g.kickCount = 12
        draws = frame(g)
        self.assertEqual(names(draws)[-4:], ['CONTINUE', 'ANGLE', 'TWO', 'ONE'])
        self.assertNotIn('ZABLOSTAND', names(draws))


class SwingTest(unittest.TestCase):
    def judged(self, power, **state):
        g = flying_game()
        g.cameraY = 480
        g.shuttleX, g.shuttleY = 285, 340      # feet: top + 20 = 360 = 840 - 480
        for k, v in state.items():
            setattr(g, k, v)
        g.power = power
        g.spaceReleased = 1
        pm.judge_swing(g)
        return g

    def test_power_threshold(self):
        g = self.judged(20)
        self.assertEqual((g.kickPending, g.power, g.kickAnimActive, g.spaceReleased),
                         (0, 0, 1, 0))
        g = self.judged(21)
        self.assertEqual((g.kickPending, g.power, g.kickAnimActive), (1, 21, 1))

    def test_no_release_no_judgement(self):
        g = flying_game()
        g.power = 50
        pm.judge_swing(g)
        self.assertEqual((g.kickAnimActive, g.power, g.kickPending), (0, 50, 0))

    def test_countdown_is_a_miss(self):
        g = self.judged(50, serveReady=0)
        self.assertEqual((g.kickPending, g.power, g.kickAnimActive), (0, 0, 1))

    def test_vertical_window(self):
        for cam in (480, 300):
            top, bottom = 840 - cam - 20, 890 - cam - 20
            self.assertEqual(self.judged(50, cameraY=cam, shuttleY=top).kickPending, 1)
            self.assertEqual(self.judged(50, cameraY=cam, shuttleY=bottom).kickPending, 1)
            self.assertEqual(self.judged(50, cameraY=cam, shuttleY=top - 1).kickPending, 0)
            self.assertEqual(self.judged(50, cameraY=cam, shuttleY=bottom + 1).kickPending, 0)

    def test_horizontal_window(self):
        # shuttleX + 20 from playerX - 60 to playerX + 20, playerX 320
        for x, hit in ((240, 1, ), (239, 0), (320, 1), (321, 0)):
            g = self.judged(50, shuttleX=x)
            self.assertEqual(g.kickPending, hit, x)
            self.assertEqual(g.power, 50 if hit else 0)


class ShuttlecockTest(unittest.TestCase):
    def kick(self, shuttle_y, count=0, power=40):
        g = flying_game()
        g.kickPending = 1
        g.shuttleY = shuttle_y
        g.kickCount = count
        g.power = power
        g.draws, g.sounds = [], []
        pm.update_shuttlecock(g, 1)
        return g

    def test_kick_drift_from_height(self):
        self.assertEqual(self.kick(362).drift, -1)
        self.assertEqual(self.kick(363).drift, 0)
        self.assertEqual(self.kick(373).drift, 0)
        self.assertEqual(self.kick(374).drift, 1)

    def test_kick_starts_new_flight(self):
        g = self.kick(365, count=4, power=37)
        self.assertEqual(g.sounds, ['kick.wav'])
        self.assertEqual((g.launchSpeed, g.power, g.kickPending, g.kickCount),
                         (47, 0, 0, 5))
        self.assertEqual((g.flightTime, g.launchHeight), (1, 120))
        # The kick frame computes height 0: sprite top at world y 840.
        self.assertEqual(g.shuttleY + g.cameraY, 840)

    def test_kick_count_caps_at_99(self):
        self.assertEqual(self.kick(365, count=98).kickCount, 99)
        self.assertEqual(self.kick(365, count=99).kickCount, 99)

    def wall(self, camera_x, shuttle_x, drift):
        g = flying_game()
        g.cameraX = camera_x
        g.shuttleX = shuttle_x
        g.shuttleRightOffset = 1280 - shuttle_x - camera_x
        g.drift = drift
        pm.update_shuttlecock(g, 1)
        return g

    def test_walls(self):
        g = self.wall(0, 16, -1)
        self.assertEqual(g.drift, 1)
        self.assertEqual(g.shuttleX, 17)         # moved right in the same frame
        self.assertEqual(self.wall(0, 17, -1).drift, -1)
        self.assertEqual(self.wall(640, 541, 1).drift, -1)
        self.assertEqual(self.wall(640, 540, 1).drift, 1)
        self.assertEqual(self.wall(4, 0, -1).drift, -1)
        self.assertEqual(self.wall(4, 600, 1).drift, 1)
        self.assertEqual(self.wall(0, 5, 0).drift, 0)

    def test_ground_contact(self):
        g = flying_game()
        g.shuttleY = 960
        g.cameraX = 320
        g.shuttleRightOffset = 500
        g.drift = 1
        pm.update_shuttlecock(g, 1)
        self.assertEqual((g.dropped, g.cameraX, g.rallyActive), (1, 0, 1))
        self.assertEqual(g.shuttleRightOffset, 674)   # 675 less this frame's drift
        g = flying_game()
        g.shuttleY = 959
        pm.update_shuttlecock(g, 1)
        self.assertEqual(g.dropped, 0)

    def test_resting(self):
        g = play_game()
        g.draws = []
        pm.update_shuttlecock(g, 0)
        self.assertEqual(g.draws, [['WAVEPAKO1', 320, 10]])
        self.assertEqual((g.shuttleX, g.shuttleY), (605, 360))
        g.shuttleFrame = 2
        g.draws = []
        pm.update_shuttlecock(g, 0)
        self.assertEqual(g.draws, [['WAVEPAKO1', 605, 360]])
        self.assertEqual((g.flightTime, g.prevHeight, g.rallyActive), (0, 0, 0))

    def test_serve(self):
        g = play_game()
        g.kickCount, g.drift, g.power, g.launchSpeed = 7, 1, 33, 80
        g.shuttleRightOffset = 674
        pm.update_shuttlecock(g, 1)
        self.assertEqual((g.rallyActive, g.serveReady, g.kickCount, g.drift,
                          g.power, g.launchSpeed, g.flightTime),
                         (1, 0, 0, 0, 0, 50, 1))
        self.assertEqual(g.shuttleRightOffset, 674)

    def picture(self, prev, height_next, shuttle_frame):
        g = flying_game()
        g.launchSpeed, g.flightTime = 50, 10
        g.prevHeight = prev
        g.shuttleFrame = shuttle_frame
        g.draws = []
        pm.update_shuttlecock(g, 1)
        self.assertEqual(g.prevHeight, height_next)
        return g.draws[0][0]

    def test_pictures(self):
        h = pm.flight_height(50, 10)
        self.assertEqual(self.picture(h - 1, h, 0), 'WAVEPAKO5')
        self.assertEqual(self.picture(h - 1, h, 2), 'WAVEPAKO7')
        self.assertEqual(self.picture(h, h, 0), 'WAVEPAKO1')   # level: falling set
        self.assertEqual(self.picture(h + 1, h, 1), 'WAVEPAKO2')
        self.assertEqual(self.picture(h - 1, h, 3), 'WAVEPAKO4')
        self.assertEqual(self.picture(h + 1, h, 3), 'WAVEPAKO4')


class PlayerTest(unittest.TestCase):
    def test_running(self):
        g = play_game()
        g.leftHeld = g.rightHeld = 1
        g.runFrame = 2
        g.draws = []
        pm.update_player(g)
        self.assertEqual(g.playerX, 636)
        self.assertEqual(g.draws, [['ZABLORUNL3', 576, 308]])
        g.leftHeld = 0
        g.runFrame = 3
        g.draws = []
        pm.update_player(g)
        self.assertEqual(g.draws, [['ZABLORUNR4', 580, 308]])

    def test_kick_pose_lasts_twelve_frames(self):
        g = play_game()
        g.kickAnimActive = 1
        shown = 0
        while g.kickAnimActive:
            g.draws = []
            pm.update_player(g)
            self.assertEqual(g.draws[0][0], 'ZABLOPAKO')
            shown += 1
        self.assertEqual((shown, g.kickAnimFrames), (12, 0))
        g.draws = []
        pm.update_player(g)
        self.assertEqual(g.draws[0][0], 'ZABLOSTAND')

    def test_struck_picture_only_early_in_pose(self):
        for k, expected in ((0, 3), (4, 3), (5, 1)):
            g = play_game()
            g.kickAnimActive, g.kickAnimFrames, g.kickPending = 1, k, 1
            g.shuttleFrame = 1
            pm.update_player(g)
            self.assertEqual(g.shuttleFrame, expected, k)
        g = play_game()
        g.kickAnimActive, g.kickPending, g.leftHeld, g.shuttleFrame = 1, 1, 1, 1
        pm.update_player(g)
        self.assertEqual((g.shuttleFrame, g.kickAnimFrames), (1, 0))

    def gauge(self, power):
        g = play_game()
        g.spaceHeld = 1
        g.power = power
        g.draws = []
        pm.update_player(g)
        return [d for d in g.draws if d[0].startswith('BAR')], g.power

    def test_gauge(self):
        self.assertEqual(self.gauge(9), ([], 10))
        self.assertEqual(self.gauge(10), ([['BAR1', 10, 230]], 11))
        self.assertEqual(self.gauge(99), ([['BAR9', 10, 230]], 100))
        self.assertEqual(self.gauge(100), ([['BAR10', 10, 230]], 0))

    def test_gauge_cycle(self):
        g = play_game()
        g.spaceHeld = 1
        for _ in range(101):
            pm.update_player(g)
        self.assertEqual(g.power, 0)


class CameraTest(unittest.TestCase):
    def cam(self, **state):
        g = play_game()
        g.shuttleY = 240
        for k, v in state.items():
            setattr(g, k, v)
        g.draws = []
        pm.update_camera(g)
        return g

    def test_horizontal(self):
        g = self.cam(playerX=320, cameraX=100, shuttleX=50)
        self.assertEqual((g.cameraX, g.playerX, g.shuttleX), (100, 320, 50))
        g = self.cam(playerX=300, cameraX=100, shuttleX=50)
        self.assertEqual((g.cameraX, g.playerX, g.shuttleX), (96, 304, 54))
        g = self.cam(playerX=340, cameraX=100, shuttleX=50)
        self.assertEqual((g.cameraX, g.playerX, g.shuttleX), (104, 336, 46))
        g = self.cam(playerX=700, cameraX=640)
        self.assertEqual((g.cameraX, g.playerX), (640, 700))
        g = self.cam(playerX=-50, cameraX=0)
        self.assertEqual((g.cameraX, g.playerX), (0, -50))

    def test_initial_pan_takes_80_frames(self):
        g = play_game()
        g.shuttleY = 240
        for _ in range(80):
            pm.update_camera(g)
        self.assertEqual((g.playerX, g.cameraX), (320, 320))
        pm.update_camera(g)
        self.assertEqual((g.playerX, g.cameraX), (320, 320))

    def test_vertical(self):
        self.assertEqual(self.cam(shuttleY=240, cameraY=300).cameraY, 300)
        self.assertEqual(self.cam(shuttleY=40, cameraY=100).cameraY, 0)
        self.assertEqual(self.cam(shuttleY=200, cameraY=100).cameraY, 60)
        g = self.cam(shuttleY=400, cameraY=400)
        self.assertEqual((g.cameraY, g.draws), (480, []))
        self.assertEqual(self.cam(shuttleY=100, cameraY=0).cameraY, 0)
        self.assertEqual(self.cam(shuttleY=400, cameraY=480).cameraY, 480)

    def test_marker(self):
        g = self.cam(cameraY=329, playerX=340, cameraX=100)
        self.assertEqual(g.draws, [['HERE', 276, 380]])   # at the panned playerX
        self.assertEqual(self.cam(cameraY=330).draws, [])


class DragonflyTest(unittest.TestCase):
    def setUp(self):
        self.g = flying_game()
        self.g.cameraX, self.g.cameraY = 100, 400
        self.g.shuttleX, self.g.shuttleY = 300, 200
        self.d = self.g.dragonflies[0]
        self.d.pattern, self.d.heading = pm.PATROL, pm.RIGHT

    def place(self, sx, sy):
        """Puts dragonfly 0 so that after its 2-pixel move right it stands
        at screen (sx, sy)."""
        self.d.x = sx + self.g.cameraX - 2
        self.d.y = sy + self.g.cameraY

    def struck(self, sx, sy):
        self.setUp()
        self.place(sx, sy)
        pm.update_dragonflies(self.g)
        return self.d.pattern == pm.STRUCK

    def test_hit_box_edges(self):
        X, Y = 300, 200
        self.assertTrue(self.struck(X + 15, Y))
        self.assertFalse(self.struck(X + 14, Y))
        self.assertTrue(self.struck(X + 45, Y))
        self.assertFalse(self.struck(X + 46, Y))
        self.assertTrue(self.struck(X + 30, Y - 30))
        self.assertFalse(self.struck(X + 30, Y - 31))
        self.assertTrue(self.struck(X + 30, Y + 50))
        self.assertFalse(self.struck(X + 30, Y + 51))

    def test_strike(self):
        self.place(320, 210)
        rng = pm.Random(self.g.rng.next)
        pm.update_dragonflies(self.g)
        self.assertEqual(self.g.sounds, ['a1.wav'])
        self.assertEqual(self.d.hitHeight, 960 - 610)
        self.assertEqual(self.g.drift, rng.rand() % 3 - 1)
        self.assertEqual(self.d.heading, pm.RIGHT)   # flying sprite this frame
        self.assertEqual(self.g.draws[0], ['JAMJARYR', 320, 210])
        pm.update_dragonflies(self.g)
        self.assertEqual((self.d.heading, self.d.y, self.d.fallTime),
                         (pm.FALLING, 610, 1.0))
        self.assertEqual(self.g.draws[25][0], 'JAMJARYDIE')

    def test_no_strike_outside_rally(self):
        self.g.rallyActive = 0
        self.place(320, 210)
        pm.update_dragonflies(self.g)
        self.assertEqual(self.d.pattern, pm.PATROL)

    def test_fall_and_retire(self):
        d = self.d
        d.pattern, d.heading, d.hitHeight = pm.STRUCK, pm.FALLING, 960 - 480
        d.y = 480
        self.g.cameraY = 480                # the screen bottom is not reached first
        passed = None
        for n in range(200):
            pm.update_dragonflies(self.g)
            if d.y > 1000:
                passed = n
                break
        self.assertEqual(passed, 139)       # fall step n = 139 passes y 1000
        self.assertEqual(d.alive, 1)
        self.setUp()
        d = self.d
        d.pattern, d.heading, d.hitHeight, d.y = pm.STRUCK, pm.FALLING, 960 - 849, 849
        self.g.cameraY = 480
        steps = 0
        while d.y <= 1000:
            pm.update_dragonflies(self.g)
            steps += 1
        self.assertEqual(steps - 1, 95)     # struck at 849: passes 1000 at n = 95
        self.g.respawnTick = 1              # odd: stays gone on this visit
        pm.update_dragonflies(self.g)
        self.assertEqual(d.alive, 0)

    def test_fall_retired_by_screen_bottom_still_drawn(self):
        d = self.d
        d.pattern, d.heading, d.hitHeight = pm.STRUCK, pm.FALLING, 100
        d.y, d.fallTime = 900, 0.0
        self.g.cameraY = -100              # y - cameraY = 1000 > 960
        pm.update_dragonflies(self.g)
        self.assertEqual(d.alive, 0)
        self.assertEqual(self.g.draws[0][0], 'JAMJARYDIE')

    def test_turn_timers_first_step(self):
        g = play_game()
        a, b, c = g.dragonflies[3], g.dragonflies[5], g.dragonflies[7]
        a.pattern, a.heading = pm.CLOCKWISE_LOOP, pm.LEFT
        b.pattern, b.heading = pm.COUNTER_CLOCKWISE_LOOP, pm.RIGHT
        c.pattern, c.heading = pm.CLOCKWISE_LOOP, pm.RIGHT
        w = g.dragonflies[9]
        w.pattern, w.y = pm.WAVY_PATROL, 300
        pm.update_dragonflies(g)
        self.assertEqual((a.heading, b.heading, c.heading), (pm.UP, pm.UP, pm.RIGHT))
        self.assertEqual((g.cwTurnTimer, g.ccwTurnTimer), (2, 1))
        self.assertEqual((g.wobble, w.y), (-1, 299))
        self.assertEqual(g.wobbleTimer, 1)

    def test_turn_every_hundred_steps(self):
        g = play_game()
        a = g.dragonflies[0]
        a.pattern, a.heading, a.x, a.y = pm.CLOCKWISE_LOOP, pm.RIGHT, 500, 500
        headings = []
        for _ in range(402):
            pm.update_dragonflies(g)
            headings.append(a.heading)
        turns = [i for i in range(1, len(headings)) if headings[i] != headings[i - 1]]
        self.assertEqual(headings[0], pm.DOWN)
        self.assertEqual(turns, [100, 200, 300, 400])
        self.assertEqual(headings[-1], pm.DOWN)

    def test_patrol_sides(self):
        g = play_game()
        a, b = g.dragonflies[0], g.dragonflies[1]
        a.heading, a.x = pm.LEFT, -1
        b.heading, b.x = pm.RIGHT, 1246
        pm.update_dragonflies(g)
        self.assertEqual((a.heading, a.x), (pm.RIGHT, 1))
        self.assertEqual((b.heading, b.x), (pm.LEFT, 1244))
        a.heading, a.x = pm.LEFT, 0
        pm.update_dragonflies(g)
        self.assertEqual(a.x, -2)

    def test_leaving_and_respawn(self):
        g = play_game()
        g.dragonflies[0].x = -31
        g.dragonflies[1].y = 1001
        g.dragonflies[2].x = -30
        rng = pm.Random(g.rng.next)
        pm.update_dragonflies(g)
        self.assertEqual(g.respawnTick, 2)
        d0, d1 = g.dragonflies[0], g.dragonflies[1]
        self.assertEqual(d1.alive, 0)                   # odd visit: stays gone
        expected = [rng.rand() for _ in range(4)]
        self.assertEqual((d0.alive, d0.pattern), (1, expected[0] % 4))
        self.assertEqual(d0.heading, pm.LEFT if expected[1] % 2 else pm.RIGHT)
        self.assertEqual((d0.x, d0.y), (expected[2] % 500 + 100, expected[3] % 250 + 480))
        self.assertEqual(g.dragonflies[2].alive, 1)     # -30 is still inside

    def test_respawn_bands(self):
        g = play_game()
        for seed in range(1, 30):
            g.rng.seed(seed)
            for i in (19, 20):
                pm.randomise_dragonfly(g, i, startup=False)
            self.assertTrue(480 <= g.dragonflies[19].y <= 729)
        g = pm.Game(7)
        pm.spawn_dragonflies(g)
        ys = [d.y for d in g.dragonflies]
        self.assertTrue(all(480 <= y <= 729 for y in ys[:10]))
        self.assertTrue(all(200 <= y <= 849 for y in ys[10:]))
        self.assertTrue(all(d.heading in (pm.LEFT, pm.RIGHT) for d in g.dragonflies))

    def test_spawn_uses_seeded_generator(self):
        g = pm.Game()
        pm.game_start(g, 1)
        r = pm.Random(1)
        v = [r.rand() for _ in range(4)]
        d = g.dragonflies[0]
        self.assertEqual([d.pattern, d.heading, d.x, d.y],
                         [v[0] % 4, 2 if v[1] % 2 == 1 else 3, v[2] % 500 + 100,
                          v[3] % 250 + 480])


class WindowProcTest(unittest.TestCase):
    def test_space(self):
        g = play_game()
        pm.key_down(g, pm.VK_SPACE)
        self.assertEqual((g.spaceHeld, g.spaceReleased), (1, 0))
        pm.key_up(g, pm.VK_SPACE)
        self.assertEqual((g.spaceHeld, g.spaceReleased), (0, 1))
        pm.key_down(g, pm.VK_SPACE)
        self.assertEqual(g.spaceReleased, 0)
        g.dropped = 1
        g.spaceHeld, g.spaceReleased = 0, 0
        pm.key_down(g, pm.VK_SPACE)
        self.assertEqual((g.spaceHeld, g.spaceReleased), (0, 0))
        pm.key_up(g, pm.VK_SPACE)
        self.assertEqual(g.spaceReleased, 1)

    def test_arrows_only_during_rally(self):
        g = play_game()
        pm.key_down(g, pm.VK_LEFT)
        pm.key_down(g, pm.VK_RIGHT)
        self.assertEqual((g.leftHeld, g.rightHeld), (0, 0))
        g.rallyActive = 1
        pm.key_down(g, pm.VK_LEFT)
        pm.key_down(g, pm.VK_RIGHT)
        self.assertEqual((g.leftHeld, g.rightHeld), (1, 1))
        g.rallyActive = 0
        pm.key_up(g, pm.VK_LEFT)
        self.assertEqual(g.leftHeld, 0)

    def test_menu_and_other_keys(self):
        g = play_game()
        for key in (pm.VK_UP, pm.VK_DOWN, pm.VK_UP):
            pm.key_down(g, key)
        self.assertEqual(g.menuChoice, 0)
        pm.key_up(g, pm.VK_UP)
        self.assertEqual(g.menuChoice, 0)
        self.assertFalse(pm.key_down(g, 0x41))
        self.assertTrue(pm.key_down(g, pm.VK_ESCAPE))
        self.assertTrue(pm.key_down(g, pm.VK_F12))

    def test_activate_and_timer(self):
        g = pm.Game()
        for w, active in ((1, 1), (0, 0), (2, 1), (3, 0), (-1, 0)):
            pm.activate(g, w)
            self.assertEqual(g.appActive, active, w)
        g.shuttleFrame, g.runFrame = 3, 3
        pm.timer_tick(g)
        self.assertEqual((g.blink, g.shuttleFrame, g.runFrame), (1, 0, 0))
        pm.timer_tick(g)
        self.assertEqual((g.blink, g.shuttleFrame, g.runFrame), (0, 1, 1))


class ContinueScreenTest(unittest.TestCase):
    def test_yes(self):
        g = flying_game()
        g.dropped, g.enterHeld, g.playerX = 1, 1, 100
        g.draws = []
        pm.continue_screen(g)
        self.assertEqual(g.draws, [['CONTINUE', 80, 180], ['ANGLE', 360, 200]])
        self.assertEqual((g.dropped, g.rallyActive, g.serveReady, g.playerX,
                          g.enterHeld, g.titleActive), (0, 0, 0, 640, 1, 0))

    def test_no(self):
        g = flying_game()
        g.dropped, g.enterHeld, g.menuChoice = 1, 1, 0
        g.blink, g.zoomGrowing, g.kickAnimActive = 1, 1, 1
        g.draws = []
        pm.continue_screen(g)
        self.assertEqual(g.draws[1], ['ANGLE', 360, 247])
        self.assertEqual((g.dropped, g.rallyActive, g.menuChoice, g.titleActive,
                          g.kickAnimActive, g.blink, g.zoomGrowing, g.serveReady,
                          g.enterHeld, g.playerX),
                         (0, 0, 1, 1, 0, 0, 0, 0, 0, 640))

    def test_waits_for_enter(self):
        g = flying_game()
        g.dropped = 1
        pm.continue_screen(g)
        self.assertEqual((g.dropped, g.rallyActive), (1, 1))


class DeviationTest(unittest.TestCase):
    """Guards that keep 32-bit numbers from overflowing in very long runs."""

    def test_flight_time_stops_growing(self):
        g = flying_game()
        g.flightTime = pm.FLIGHT_TIME_LIMIT - 1
        pm.update_shuttlecock(g, 1)
        self.assertEqual(g.flightTime, pm.FLIGHT_TIME_LIMIT)
        pm.update_shuttlecock(g, 1)     # the last step that uses a new time
        y1 = g.shuttleY
        pm.update_shuttlecock(g, 1)
        self.assertEqual((g.flightTime, g.shuttleY), (pm.FLIGHT_TIME_LIMIT, y1))
        self.assertTrue(pm.INT32_MIN <= g.prevHeight <= pm.INT32_MAX)

    def test_counters_wrap(self):
        g = play_game()
        g.dragonflies[0].alive = 0
        g.dragonflies[0].x = 50
        g.respawnTick = pm.COUNTER_WRAP - 1
        w = g.dragonflies[1]
        w.pattern, w.y = pm.WAVY_PATROL, 300
        g.wobbleTimer = pm.COUNTER_WRAP - 1
        pm.update_dragonflies(g)
        self.assertEqual((g.respawnTick, g.wobbleTimer), (0, 0))
        self.assertEqual(g.dragonflies[0].alive, 0)     # the visit found it odd

    def test_positions_clamped(self):
        g = play_game()
        g.playerX = pm.POSITION_LIMIT - 2
        g.rightHeld = 1
        pm.update_player(g)
        self.assertEqual(g.playerX, pm.POSITION_LIMIT)
        d = g.dragonflies[0]
        d.pattern, d.heading, d.y = pm.CLOCKWISE_LOOP, pm.UP, -pm.POSITION_LIMIT
        g.cwTurnTimer = 5
        pm.update_dragonflies(g)
        self.assertEqual(d.y, -pm.POSITION_LIMIT)


class ScriptTest(unittest.TestCase):
    def test_parse(self):
        ev = pm.parse_script([
            '# comment', '', '5 keydown enter  # trailing', '2 keyup 0x20',
            '5 timer', '2 activate 0', '9 close', '3 keydown F12'])
        self.assertEqual(ev, {
            5: [('keydown', pm.VK_RETURN), ('timer', None)],
            2: [('keyup', pm.VK_SPACE), ('activate', 0)],
            9: [('close', None)], 3: [('keydown', pm.VK_F12)]})

    def test_bad_lines(self):
        for line in ('x keydown enter', '-1 timer', '3 keydown', '3 keydown bogus',
                     '3 jump', '3 activate yes', '3 timer 4', '3'):
            with self.assertRaises(pm.ScriptError, msg=line) as cm:
                pm.parse_script(['0 timer', line], 'f.script')
            self.assertIn('f.script:2', str(cm.exception))


class RunTest(unittest.TestCase):
    def test_timer_ticks(self):
        recs = pm.iter_records(101)
        blinks = [r['blink'] for r in recs]
        # the tick at 1400 ms is due exactly at the start of step 100
        self.assertEqual((blinks[99], blinks[100]), (0, 1))
        # ticks at 200, 400, 600 ms reach steps 15, 29, 43
        self.assertEqual(blinks.index(1), 15)
        self.assertEqual(blinks.index(0, 15), 29)
        self.assertEqual(blinks.index(1, 29), 43)
        self.assertEqual(recs[15]['shuttleFrame'], 1)
        quiet = pm.iter_records(60, timer=False)
        self.assertTrue(all(r['blink'] == 0 for r in quiet))

    def test_script_timer_is_extra(self):
        recs = pm.iter_records(20, events={15: [('timer', None)]})
        self.assertEqual(recs[15]['shuttleFrame'], 2)

    def test_inactive_steps_write_nothing(self):
        ev = {3: [('activate', 0)], 7: [('activate', 1)]}
        recs = pm.iter_records(10, events=ev)
        self.assertEqual([r['frame'] for r in recs], [0, 1, 2, 7, 8, 9])
        self.assertEqual(recs[3]['zoomInset'], 28)    # the game did not move

    def test_close_ends_before_the_frame(self):
        ev = {4: [('keydown', pm.VK_UP), ('close', None), ('keydown', pm.VK_UP)]}
        recs = pm.iter_records(10, events=ev)
        self.assertEqual(len(recs), 4)
        ev = {4: [('keydown', pm.VK_ESCAPE)], 5: [('keydown', pm.VK_UP)]}
        self.assertEqual(len(pm.iter_records(10, events=ev)), 4)
        ev = {0: [('keydown', pm.VK_F12)]}
        self.assertEqual(pm.iter_records(10, events=ev), [])

    def test_trace_members(self):
        rec = pm.iter_records(1)[0]
        expected = {'frame', 'dragonflies', 'draws', 'sounds'} | set(pm.STATE_NAMES)
        self.assertEqual(set(rec), expected)
        self.assertEqual(len(pm.STATE_NAMES), 40)
        self.assertEqual(len(rec['dragonflies']), 25)
        self.assertEqual(rec['appActive'], 1)

    def test_first_game_frame(self):
        ev = {0: [('keydown', pm.VK_RETURN)], 1: [('keyup', pm.VK_RETURN)]}
        r = pm.iter_records(2, events=ev)[1]
        self.assertEqual(r['draws'][0], ['BACK', 0, -480])
        self.assertEqual(r['draws'][1], ['ZABLOSTAND', 580, 308])
        self.assertEqual(r['draws'][2][0][:6], 'JAMJAR')
        self.assertEqual(names(r['draws'])[-3:], ['READY', 'WAVEPAKO1', 'ZERO'])
        self.assertEqual(r['draws'][-2], ['WAVEPAKO1', 320, 10])
        self.assertEqual((r['shuttleX'], r['shuttleY'], r['cameraX'], r['playerX']),
                         (601, 360, 4, 636))

    def test_scripted_kick(self):
        # Enter at step 2 starts the game; countdown on frames 3..102, serve on
        # frame 103. The serve comes back to height 0 after 102 flight frames,
        # at frame 205: release Space there after charging 40 frames.
        text = ('2 keydown enter\n6 keyup enter\n'
                '165 keydown space\n205 keyup space\n')
        ev = pm.parse_script(text.splitlines())
        recs = pm.iter_records(260, events=ev)
        self.assertEqual(recs[103]['rallyActive'], 1)
        judged = recs[205]
        self.assertEqual((judged['kickPending'], judged['power'],
                          judged['kickAnimActive']), (1, 40, 1))
        self.assertEqual(judged['shuttleY'] + judged['cameraY'], 840)
        kicked = recs[206]
        self.assertEqual(kicked['sounds'], ['kick.wav'])
        self.assertEqual((kicked['kickCount'], kicked['launchSpeed'], kicked['drift'],
                          kicked['power'], kicked['flightTime']), (1, 50, -1, 0, 1))
        self.assertIn(['ONE', 30, 30], kicked['draws'])
        self.assertTrue(all(r['kickCount'] == 1 for r in recs[206:]))


class RallyScriptTest(unittest.TestCase):
    def test_rally_script_plays_through(self):
        with open(os.path.join(HERE, 'rally.script'), encoding='utf-8') as f:
            ev = pm.parse_script(f.read().splitlines())
        recs = pm.iter_records(3000, 1, ev)
        self.assertEqual(len(recs), 3000)          # no exit: ends by the count
        drops = [r['frame'] for i, r in enumerate(recs)
                 if i and r['dropped'] and not recs[i - 1]['dropped']]
        self.assertEqual(len(drops), 2)
        kicks = [r['frame'] for r in recs if 'kick.wav' in r['sounds']]
        first = [f for f in kicks if f < drops[0]]
        second = [f for f in kicks if drops[0] < f < drops[1]]
        self.assertGreaterEqual(len(first), 3)
        self.assertGreaterEqual(len(second), 2)
        self.assertEqual(len(kicks), len(first) + len(second))
        self.assertEqual(recs[drops[0]]['kickCount'], len(first))
        self.assertEqual(recs[drops[1]]['kickCount'], len(second))
        self.assertTrue(any('a1.wav' in r['sounds'] for r in recs))
        # yes after the first drop, no after the second: back to the title
        self.assertEqual(recs[drops[0] + 60]['titleActive'], 0)
        self.assertEqual(recs[drops[1] + 100]['titleActive'], 1)
        self.assertEqual(recs[-1]['titleActive'], 1)


class CommandLineTest(unittest.TestCase):
    def run_model(self, *args, stdin=''):
        return subprocess.run([sys.executable, MODEL] + list(args), input=stdin,
                              capture_output=True, text=True)

    def test_trace_output(self):
        p = self.run_model('--frames', '3', '--seed', '5', '--script', '-',
                           stdin='1 keydown up\n')
        self.assertEqual(p.returncode, 0, p.stderr)
        lines = p.stdout.splitlines()
        self.assertEqual(len(lines), 3)
        recs = [json.loads(l) for l in lines]
        self.assertEqual([r['frame'] for r in recs], [0, 1, 2])
        self.assertEqual(recs[1]['menuChoice'], 0)
        self.assertIsInstance(recs[0]['dragonflies'][0][5], float)   # fallTime
        g = pm.Game()
        pm.game_start(g, 5)
        self.assertEqual(recs[0]['dragonflies'], [d.as_list() for d in g.dragonflies])

    def test_bad_arguments(self):
        for args in (['--frames'], ['--frames', 'x'], ['--seed', '-1'],
                     ['--seed', '4294967296'], ['--bogus'],
                     ['--script', os.path.join(HERE, 'no-such-file')]):
            p = self.run_model(*args)
            self.assertEqual(p.returncode, 2, args)
            self.assertEqual(p.stdout, '')
            self.assertTrue(p.stderr.strip())
        p = self.run_model('--script', '-', stdin='0 timer\n1 keydown nokey\n')
        self.assertEqual(p.returncode, 2)
        self.assertIn(':2', p.stderr)


class CompareTracesTest(unittest.TestCase):
    def setUp(self):
        self.recs = pm.iter_records(5)
        self.tmp = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.tmp.cleanup()

    def write(self, name, recs, reorder=False):
        path = os.path.join(self.tmp.name, name)
        with open(path, 'w') as f:
            for r in recs:
                if reorder:
                    r = dict(reversed(list(r.items())))
                f.write(json.dumps(r) + '\n')
        return path

    def compare(self, a, b):
        out = []
        status = ct.compare(ct.read_trace(a), ct.read_trace(b), write=out.append)
        return status, '\n'.join(out)

    def test_equal_despite_member_order_and_number_form(self):
        a = self.write('a', self.recs)
        other = json.loads(json.dumps(self.recs))
        for r in other:
            for d in r['dragonflies']:
                d[5] = int(d[5])
        b = self.write('b', other, reorder=True)
        self.assertEqual(self.compare(a, b)[0], 0)

    def test_reports_first_frame_and_member(self):
        other = json.loads(json.dumps(self.recs))
        other[3]['zoomInset'] = 99
        other[4]['playerX'] = 1
        other[3]['dragonflies'][7][1] += 1
        other[3]['draws'][2] = ['RANKING', 0, 276]
        status, text = self.compare(self.write('a', self.recs), self.write('b', other))
        self.assertEqual(status, 1)
        self.assertIn('frame 3', text)
        self.assertIn('zoomInset: expected 28, actual 99', text)
        self.assertIn('dragonflies[7]', text)
        self.assertIn('(y)', text)
        self.assertIn('draws[2]', text)
        self.assertNotIn('playerX', text)

    def test_missing_member_and_length(self):
        other = json.loads(json.dumps(self.recs))
        del other[1]['sounds']
        status, text = self.compare(self.write('a', self.recs), self.write('b', other))
        self.assertEqual(status, 1)
        self.assertIn('sounds: only in expected', text)
        status, text = self.compare(self.write('a', self.recs),
                                    self.write('b', self.recs[:3]))
        self.assertEqual(status, 1)
        self.assertIn('frame 3', text)

    def test_exit_status(self):
        a = self.write('a', self.recs)
        bad = os.path.join(self.tmp.name, 'bad')
        with open(bad, 'w') as f:
            f.write('{"frame": 0}\n[1, 2]\n')
        run = lambda *args: subprocess.run([sys.executable, COMPARE] + list(args),
                                           capture_output=True, text=True).returncode
        self.assertEqual(run(a, a), 0)
        self.assertEqual(run(a, self.write('b', self.recs[:4])), 1)
        self.assertEqual(run(a, bad), 2)
        self.assertEqual(run(a, os.path.join(self.tmp.name, 'none')), 2)
        self.assertEqual(run(a), 2)


if __name__ == '__main__':
    unittest.main()
