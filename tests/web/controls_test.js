// The page's key sender (web/controls.js) on a clock and a frame count of
// the test's own: every press and release reaches the game, each held until
// the game has run a frame with it, in the order the fingers made them.
//   node tests/web/controls_test.js     (web_test.py's "keys" group runs it)
'use strict';
const assert = require('assert');
const path = require('path');
const {makeSender, HOLD_MS, REPEAT_DELAY_MS, REPEAT_PERIOD_MS} =
  require(path.join(__dirname, '..', '..', 'web', 'controls.js'));

function rig() {
  const r = {time: 0, frame: 0, sent: [], wakes: []};
  r.sender = makeSender({
    send: (code, down, repeat) => r.sent.push([r.frame, code, down ? 'down' : 'up', !!repeat]),
    frames: () => r.frame,
    now: () => r.time,
    wake: (ms) => r.wakes.push(ms),
  });
  // The game runs `n` frames of 14 ms, the page's timer ticking between.
  r.run = (n) => {
    for (let i = 0; i < n; i++) {
      r.frame++;
      r.time += 14;
      r.sender.tick();
    }
  };
  r.moves = () => r.sent.filter((s) => !s[3]).map((s) => s.slice(0, 3));
  return r;
}

const checks = {
  'a tap shorter than a frame is held until the game has run a frame with it'() {
    const r = rig();
    r.sender.press('Enter');
    r.sender.release('Enter');
    assert.deepStrictEqual(r.moves(), [[0, 'Enter', 'down']]);
    assert.ok(r.wakes.length > 0, 'no tick asked for');
    r.sender.tick();
    assert.strictEqual(r.moves().length, 1, 'let go in the frame it was pressed');
    r.run(1);
    assert.deepStrictEqual(r.moves(), [[0, 'Enter', 'down'], [1, 'Enter', 'up']]);
  },

  'quick taps each count, in their order'() {
    const r = rig();
    for (let i = 0; i < 3; i++) {
      r.sender.press('ArrowUp');
      r.sender.release('ArrowUp');
    }
    r.run(10);
    const moves = r.moves();
    assert.deepStrictEqual(moves.map((m) => m[2]), ['down', 'up', 'down', 'up', 'down', 'up']);
    for (let i = 1; i < moves.length; i++)
      assert.ok(moves[i][0] > moves[i - 1][0], 'two changes in frame ' + moves[i][0]);
  },

  'keys held together are sent at once; a slide swaps them in one frame'() {
    const r = rig();
    r.run(3);
    r.sender.press('ArrowRight');
    r.sender.press('Space');
    r.run(5);
    r.sender.release('ArrowRight');
    r.sender.press('ArrowLeft');
    assert.deepStrictEqual(r.moves(), [[3, 'ArrowRight', 'down'], [3, 'Space', 'down'],
                                       [8, 'ArrowRight', 'up'], [8, 'ArrowLeft', 'down']]);
  },

  'a game that runs no frames still hears the release, a moment later'() {
    const r = rig();
    r.sender.press('Space');
    r.sender.release('Space');
    r.time += HOLD_MS - 1;
    r.sender.tick();
    assert.strictEqual(r.moves().length, 1);
    r.time += 1;
    r.sender.tick();
    assert.deepStrictEqual(r.moves()[1], [0, 'Space', 'up']);
  },

  'a held control repeats as a held key does, and stops when let go'() {
    const r = rig();
    r.sender.press('ArrowLeft');
    r.run(Math.ceil((REPEAT_DELAY_MS + 5 * REPEAT_PERIOD_MS) / 14));
    const repeats = r.sent.filter((s) => s[3]).length;
    assert.ok(repeats >= 4 && repeats <= 6, repeats + ' repeats');
    // Let go in the frame of a repeat: it goes up at once all the same.
    while (!r.sent[r.sent.length - 1][3]) r.run(1);
    r.sender.release('ArrowLeft');
    assert.deepStrictEqual(r.sent[r.sent.length - 1].slice(1, 4), ['ArrowLeft', 'up', false]);
    const repeated = r.sent.filter((s) => s[3]).length;
    r.run(100);
    assert.strictEqual(r.sent.filter((s) => s[3]).length, repeated, 'repeats after the release');
    assert.deepStrictEqual(r.sent[r.sent.length - 1].slice(1, 3), ['ArrowLeft', 'up']);
  },

  'letting go of everything leaves nothing down and nothing waiting'() {
    const r = rig();
    r.sender.press('Space');
    r.sender.press('ArrowRight');
    r.sender.release('ArrowRight');
    r.sender.press('ArrowRight');
    r.sender.releaseAll();
    r.run(50);
    const down = new Map();
    for (const [, code, how] of r.moves()) down.set(code, how === 'down');
    assert.deepStrictEqual([...down].filter(([, d]) => d), []);
    assert.ok(!r.sender.held('Space') && !r.sender.held('ArrowRight'));
  },
};

let failed = 0;
for (const [name, check] of Object.entries(checks)) {
  try {
    check();
    console.log('ok   ' + name);
  } catch (e) {
    failed++;
    console.log('FAIL ' + name + ': ' + e.message.replace(/\s+/g, ' '));
  }
}
process.exit(failed ? 1 : 0);
