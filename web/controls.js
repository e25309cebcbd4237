// The page's own keys: the touch controls, and the Escape a tap sends to stop
// a demo. They reach the game as the keyboard's keys do: a KeyboardEvent on
// the window, where SDL listens, with the `code` SDL reads the key from.
//
// The game reads its keys once a frame, every 14 ms: a press and a release
// that both come between two frames would be lost. So every change of a key
// is held until the game has run a frame with it (or, while the game runs no
// frames, for a moment), and presses and releases that come faster are queued
// in their order, so that every tap counts, however short.
'use strict';

const PakoKeys = (() => {
  const KEYS = {
    ArrowLeft: {key: 'ArrowLeft', keyCode: 37},
    ArrowUp: {key: 'ArrowUp', keyCode: 38},
    ArrowRight: {key: 'ArrowRight', keyCode: 39},
    ArrowDown: {key: 'ArrowDown', keyCode: 40},
    Enter: {key: 'Enter', keyCode: 13},
    Space: {key: ' ', keyCode: 32},
    Escape: {key: 'Escape', keyCode: 27},
  };
  // A change waits at most this long for a frame (a paused game runs none).
  const HOLD_MS = 120;
  // A held control repeats as a held key does, as the game's controllers do.
  const REPEAT_DELAY_MS = 500;
  const REPEAT_PERIOD_MS = 33;
  // Taps beyond this many waiting on one key are dropped.
  const MOST_WAITING = 8;

  function keyEvent(code, down, repeat) {
    const k = KEYS[code];
    return new KeyboardEvent(down ? 'keydown' : 'keyup', {
      key: k.key, code, keyCode: k.keyCode, which: k.keyCode, repeat: !!repeat,
      bubbles: true, cancelable: true,
    });
  }

  // Sends key changes through `send(code, down, repeat)`, each held until
  // `frames()` (the game's frame count) has moved on since the last change
  // of that key, or HOLD_MS have passed by `now()`. `wake(ms)` asks for
  // tick() to be called again after ms.
  function makeSender({send, frames, now, wake}) {
    const keys = new Map();  // code -> {sent, waiting: [bool], at, frame, repeatAt}

    function state(code) {
      let k = keys.get(code);
      if (!k) {
        k = {sent: false, waiting: [], at: -Infinity, frame: -Infinity, repeatAt: Infinity};
        keys.set(code, k);
      }
      return k;
    }

    function last(k) {
      return k.waiting.length ? k.waiting[k.waiting.length - 1] : k.sent;
    }

    // A repeat changes nothing the game reads once a frame: it does not hold
    // back the release that follows it.
    function transmit(code, k, down, repeat) {
      send(code, down, repeat);
      const t = now();
      if (!repeat) {
        k.sent = down;
        k.at = t;
        k.frame = frames();
      }
      k.repeatAt = down ? t + (repeat ? REPEAT_PERIOD_MS : REPEAT_DELAY_MS) : Infinity;
    }

    function ready(k) {
      return frames() > k.frame || now() - k.at >= HOLD_MS;
    }

    // Sends what is due; returns how long until something else may be.
    function tick() {
      let next = Infinity;
      for (const [code, k] of keys) {
        if (k.waiting.length && ready(k)) transmit(code, k, k.waiting.shift(), false);
        if (k.waiting.length) {
          next = Math.min(next, 8);
        } else if (k.sent) {
          if (now() >= k.repeatAt) transmit(code, k, true, true);
          next = Math.min(next, Math.max(1, k.repeatAt - now()));
        }
      }
      return next;
    }

    function change(code, down) {
      const k = state(code);
      if (last(k) === down || k.waiting.length >= MOST_WAITING) return;
      k.waiting.push(down);
      const next = tick();
      if (next < Infinity) wake(next);
    }

    return {
      press: (code) => change(code, true),
      release: (code) => change(code, false),
      tick: () => {
        const next = tick();
        if (next < Infinity) wake(next);
      },
      // Everything let go at once: nothing waits, nothing stays down.
      releaseAll() {
        for (const [code, k] of keys) {
          k.waiting.length = 0;
          if (k.sent) transmit(code, k, false, false);
        }
      },
      held: (code) => last(state(code)),
    };
  }

  return {KEYS, HOLD_MS, REPEAT_DELAY_MS, REPEAT_PERIOD_MS, keyEvent, makeSender};
})();

if (typeof module !== 'undefined') module.exports = PakoKeys;
