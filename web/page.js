// The page around the game (pako.js, pako.wasm): it lays out the picture and,
// where there is touch, the controls; copies the game's pictures to the
// screen; lets the sound start; keeps gamepads the browser cannot map away
// from the game; plays recorded games (?replay=NAME.record, or a record
// dropped on the page); and keeps the page, the game and its sounds for
// playing offline (sw.js), taking a new build only when the game starts.
'use strict';

const gameCanvas = document.getElementById('canvas');
const screenCanvas = document.getElementById('screen');
const keys = document.getElementById('keys');
const notice = document.getElementById('notice');
const statusBox = document.getElementById('status');
const padMove = document.getElementById('pad-move');
const padAct = document.getElementById('pad-act');
const WIDTH = 640, HEIGHT = 480;

// The version and the commit this page and its game were built from
// (tools/web.sh writes them into the page), for whoever asks, and shown
// under what the page says between games.
const meta = (name) => document.querySelector('meta[name="' + name + '"]').content;
window.pakoBuild = {version: meta('pako-version'), commit: meta('pako-commit')};
function buildLine() {
  const p = document.createElement('p');
  p.className = 'build';
  p.textContent = 'Pako Tumbo ' + window.pakoBuild.version + ', commit ' + window.pakoBuild.commit;
  return p;
}

// What the game prints, kept for whoever looks (the page's tests do).
window.pakoLog = [];
// The game's message boxes, as [caption, text].
window.pakoMessages = [];

function say(...lines) {
  statusBox.replaceChildren(...lines.map((line) => {
    if (line instanceof Node) return line;
    const p = document.createElement('p');
    p.textContent = line;
    return p;
  }));
  if (lines.length) statusBox.append(buildLine());
  statusBox.hidden = lines.length === 0;
}

function button(text, action) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = text;
  b.addEventListener('click', action);
  return b;
}

// Lines under the picture (or beside it), each under a name of its own,
// shown with the picture.
const notes = new Map();
let pictureUp = false;
function showNotes() {
  notice.replaceChildren(...[...notes.values()].map((t) => {
    const p = document.createElement('p');
    p.textContent = t;
    return p;
  }));
  notice.hidden = notes.size === 0 || !pictureUp;
}
function note(name, text) {
  if (text) notes.set(name, text); else notes.delete(name);
  showNotes();
  layout();
}

// --- The recorded game to play, if any ------------------------------------------

const params = new URLSearchParams(location.search);
// A record beside the page, by its plain name (never a path, never "-",
// which the game would take for its standard input).
const replayName = params.get('replay');
const replaying = replayName !== null && /^[A-Za-z0-9][A-Za-z0-9._-]{0,99}$/.test(replayName);
// ?trace keeps the trace of the frames, as the game's --trace does.
const traceName = params.has('trace') ? (replaying ? replayName : 'pako') + '.trace' : null;
const DROPPED = 'pakoDroppedRecord';
const SAID = 'pakoSaid';

// --- Touch: where there is a coarse pointer, or from the first touch --------------

let touchMode = false;
function touchOn() {
  if (touchMode) return;
  touchMode = true;
  document.documentElement.classList.add('touch');
  layout();
}
if (replaying) document.documentElement.classList.add('replay');

// --- Layout ---------------------------------------------------------------------

// The picture is shown with square pixels: nearest neighbour to the largest
// whole multiple of 640 x 480 that fits (the size of #screen, in the
// screen's own pixels), and only the last step to the page's size smoothed
// by the browser, so that every game pixel comes out the same size. At a
// whole multiple that last step does nothing.
let whole = 0;
function showPicture(left, top, fit) {
  const ratio = window.devicePixelRatio || 1;
  const k = Math.max(1, Math.floor(fit * ratio + 1e-6));
  if (k !== whole) {
    whole = k;
    screenCanvas.width = WIDTH * k;
    screenCanvas.height = HEIGHT * k;
    // A canvas given a new size is blank: the picture is copied again.
    if (pictureUp) copyPicture();
  }
  screenCanvas.style.width = WIDTH * fit + 'px';
  screenCanvas.style.height = HEIGHT * fit + 'px';
  screenCanvas.style.left = left === null ? '' : left + 'px';
  screenCanvas.style.top = top === null ? '' : top + 'px';
}

function insets() {
  const s = getComputedStyle(document.getElementById('insets'));
  return {top: parseFloat(s.paddingTop) || 0, right: parseFloat(s.paddingRight) || 0,
          bottom: parseFloat(s.paddingBottom) || 0, left: parseFloat(s.paddingLeft) || 0};
}

// Room the controls need: a column on each side of the picture, or a band
// under it.
const SIDE = 140, BAND = 170;

// How large the picture can be in a w x h area, with the controls beside it
// or under it; the larger wins.
function arrangement(w, h) {
  const beside = Math.min((w - 2 * SIDE) / WIDTH, h / HEIGHT);
  const under = Math.min(w / WIDTH, (h - BAND) / HEIGHT);
  return beside >= under ? {beside: true, fit: beside} : {beside: false, fit: under};
}

function place(el, x, y, w, h) {
  Object.assign(el.style, {left: x + 'px', top: y + 'px', width: w + 'px', height: h + 'px'});
}

function layout() {
  if (!touchMode) {
    // Above the line of keys, as large as its shape allows, centred.
    const roomW = window.innerWidth;
    const roomH = Math.max(1, window.innerHeight - keys.offsetHeight - notice.offsetHeight);
    showPicture(null, null, Math.min(roomW / WIDTH, roomH / HEIGHT));
    return;
  }
  const inset = insets();
  const x0 = inset.left, y0 = inset.top;
  const w = Math.max(1, window.innerWidth - inset.left - inset.right);
  const h = Math.max(1, window.innerHeight - inset.top - inset.bottom);
  const a = arrangement(w, h);
  const fit = Math.max(0.05, a.fit);
  const pw = WIDTH * fit, ph = HEIGHT * fit;
  // A phone held upright whose picture would be much larger sideways.
  const turned = arrangement(h, w);
  const hint = h > w && turned.fit > fit * 1.15;
  if (hint !== notes.has('turn')) {
    if (hint) notes.set('turn', 'Turn your phone sideways for a larger picture.');
    else notes.delete('turn');
    showNotes();
  }
  if (a.beside) {
    const side = (w - pw) / 2;
    showPicture(x0 + side, y0 + (h - ph) / 2, fit);
    notice.style.width = side + 'px';
    const nh = notice.hidden ? 0 : notice.offsetHeight;
    place(notice, x0, y0, side, nh);
    place(padMove, x0, y0 + nh, side, h - nh);
    place(padAct, x0 + side + pw, y0, side, h);
    padMove.classList.remove('low');
    padAct.classList.remove('low');
  } else {
    showPicture(x0 + (w - pw) / 2, y0, fit);
    notice.style.width = w + 'px';
    const nh = notice.hidden ? 0 : notice.offsetHeight + 8;
    place(notice, x0, y0 + ph + 4, w, nh);
    const top = y0 + ph + nh, band = h - ph - nh;
    place(padMove, x0, top, w / 2, band);
    place(padAct, x0 + w / 2, top, w / 2, band);
    padMove.classList.add('low');
    padAct.classList.add('low');
  }
  // The controls' unit (index.html). Stacked, the move pad is 2.2 units wide
  // and 2.15 high, the act pad 1.6 wide and 2.65 high; in a row (a wide,
  // low band under the picture, as on a tablet held sideways) 4.65 wide and
  // 1.1 high, and 3.15 wide and 1.6 high. Each pad has 8 pixels of padding
  // all round and, at the bottom of the screen, 0.4 units more; the sums
  // below leave a little room besides. The larger unit wins.
  const room = (pad) => [pad.offsetWidth - 16, pad.offsetHeight - 16];
  const [mw, mh] = room(padMove), [aw, ah] = room(padAct);
  const stacked = Math.min(mw / 2.2, mh / 2.6, aw / 1.6, ah / 3.1, 110);
  const inRow = a.beside ? 0 : Math.min(mw / 4.8, mh / 1.5, aw / 3.4, ah / 2.0, 110);
  for (const pad of [padMove, padAct]) pad.classList.toggle('wide', inRow > stacked);
  document.documentElement.style.setProperty('--u', Math.max(36, stacked, inRow) + 'px');
}

window.addEventListener('resize', layout);
window.addEventListener('orientationchange', layout);
// The safe area changes without a resize (a phone turned half way round).
new ResizeObserver(() => layout()).observe(document.getElementById('insets'),
                                          {box: 'border-box'});

// --- Painting ---------------------------------------------------------------------

// The game puts each new picture on its canvas as it hands the page's
// thread to the browser for the next animation frame (Module.onPicture): it
// is copied to the screen there and then, so that the browser shows it at
// that animation frame.
let running = true, gameLoaded = false;
window.pakoPaints = 0;
function copyPicture() {
  const ctx = screenCanvas.getContext('2d');
  ctx.imageSmoothingEnabled = false;
  ctx.drawImage(gameCanvas, 0, 0, screenCanvas.width, screenCanvas.height);
}

function paint() {
  if (!running) return;
  if (!pictureUp) {
    window.pakoFirstPicture = performance.now();
    say();
    screenCanvas.hidden = keys.hidden = false;
    pictureUp = true;
    showNotes();
    layout();
    screenCanvas.focus();
    keepOffline();
  }
  window.pakoPaints++;
  copyPicture();
}

// --- The page's own keys: touch controls, a tap that stops a demo --------------------

function gameFrames() {
  try {
    return Module._pako_frames_run();
  } catch (e) {
    return 0;
  }
}

let wakeTimer = null, wakeAt = Infinity;
const sender = PakoKeys.makeSender({
  send: (code, down, repeat) => {
    if (running) window.dispatchEvent(PakoKeys.keyEvent(code, down, repeat));
  },
  frames: gameFrames,
  now: () => performance.now(),
  wake: (ms) => {
    const at = performance.now() + ms;
    if (wakeTimer !== null && wakeAt <= at) return;
    clearTimeout(wakeTimer);
    wakeAt = at;
    wakeTimer = setTimeout(() => { wakeTimer = null; wakeAt = Infinity; sender.tick(); }, ms);
  },
});

const controls = [...document.querySelectorAll('.control[data-key]')];

// The set of held controls is worked out afresh from every finger on every
// touch event: two fingers, a thumb sliding from one control to another, a
// finger leaving a control or cancelled all come out right.
function fingers(e) {
  touchOn();
  const target = e.target instanceof Element ? e.target : null;
  // A finger on the page's own buttons and links (play again, the trace)
  // is left to them.
  const pageButton = target && target.closest('#status, #notice');
  if (e.cancelable && !pageButton) e.preventDefault();
  if (!running) return;
  if (replaying) {
    if (e.type === 'touchend' && !pageButton) stopDemo();
    return;
  }
  const wanted = new Set();
  for (const t of e.touches) {
    const el = document.elementFromPoint(t.clientX, t.clientY);
    const c = el && el.closest('.control[data-key]');
    if (c) wanted.add(c.dataset.key);
  }
  // What a finger left goes up before what it came to goes down.
  for (const c of controls) if (!wanted.has(c.dataset.key)) sender.release(c.dataset.key);
  for (const c of controls) if (wanted.has(c.dataset.key)) sender.press(c.dataset.key);
  for (const c of controls) c.classList.toggle('held', wanted.has(c.dataset.key));
}
for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel'])
  document.addEventListener(type, fingers, {passive: false});
document.addEventListener('contextmenu', (e) => { if (touchMode) e.preventDefault(); });

// No control stays held while the page is away.
function letGo() {
  sender.releaseAll();
  for (const c of controls) c.classList.remove('held');
}
window.addEventListener('blur', letGo);
window.addEventListener('pagehide', letGo);
document.addEventListener('visibilitychange', () => { if (document.hidden) letGo(); });

// --- Gamepads -----------------------------------------------------------------------

// The game knows a gamepad by the browser's standard layout (A kicks, Start
// confirms, the d-pad and left stick run and choose). A pad the browser
// cannot map so is kept from the game, whose buttons would mean something
// else on it, and the page says so.
const realGetGamepads = navigator.getGamepads ? navigator.getGamepads.bind(navigator) : null;
if (realGetGamepads) {
  navigator.getGamepads = () =>
    Array.from(realGetGamepads() || [], (p) => (p && p.mapping === 'standard' ? p : null));
}
const ignoredPads = new Map();
function padNote() {
  const names = [...ignoredPads.values()];
  note('pads', names.length ? 'Not used: ' + names.join(', ') + ' (this browser does not know' +
       ' its buttons). A gamepad with the standard layout plays.' : null);
}
window.addEventListener('gamepadconnected', (e) => {
  const pad = e.gamepad;
  if (!pad || pad.mapping === 'standard') return;
  e.stopImmediatePropagation();
  ignoredPads.set(pad.index, String(pad.id).slice(0, 60) || 'a gamepad');
  padNote();
}, true);
window.addEventListener('gamepaddisconnected', (e) => {
  const pad = e.gamepad;
  if (!pad || !ignoredPads.has(pad.index)) return;
  e.stopImmediatePropagation();
  ignoredPads.delete(pad.index);
  padNote();
}, true);

// --- Demos ----------------------------------------------------------------------------

// The Escape that stops a demo, held as a key is.
function stopDemo() {
  if (!running || sender.held('Escape')) return;
  sender.press('Escape');
  sender.release('Escape');
}
if (replaying) {
  window.addEventListener('mousedown', (e) => {
    if (!(e.target instanceof Element && e.target.closest('#status, #notice'))) stopDemo();
  });
}

// A record dropped on the page is played: it is kept for the page's next
// start, which plays it.
const MOST_RECORD = 4 << 20;
document.addEventListener('dragover', (e) => e.preventDefault());
document.addEventListener('drop', (e) => {
  e.preventDefault();
  const file = e.dataTransfer && e.dataTransfer.files[0];
  if (!file) return;
  if (file.size > MOST_RECORD) {
    note('said', file.name + ' is too large for a record (' + file.size + ' bytes).');
    return;
  }
  file.arrayBuffer().then((data) => {
    // A plain name, as one beside the page would be, and never a sound's.
    let name = file.name.replace(/[^A-Za-z0-9._-]/g, '_').replace(/^[^A-Za-z0-9]+/, '')
      .slice(0, 100) || 'dropped.record';
    if (name === 'kick.wav' || name === 'a1.wav') name = 'dropped-' + name;
    let text = '';
    const bytes = new Uint8Array(data);
    for (let i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    try {
      sessionStorage.setItem(DROPPED, JSON.stringify({name, data: btoa(text)}));
    } catch (err) {
      note('said', 'The page cannot keep ' + file.name + ': ' + err.message);
      return;
    }
    const search = new URLSearchParams({replay: name, dropped: '1'});
    if (traceName) search.set('trace', '1');
    location.assign(location.pathname + '?' + search);
  });
});

function droppedRecord() {
  if (!params.has('dropped')) return null;
  try {
    const kept = JSON.parse(sessionStorage.getItem(DROPPED));
    if (!kept || kept.name !== replayName) return null;
    return Uint8Array.from(atob(kept.data), (c) => c.charCodeAt(0));
  } catch (e) {
    return null;
  }
}

// The trace the game kept, as text (for the page's tests too), or null.
window.pakoTrace = () => {
  try {
    return traceName ? FS.readFile('/' + traceName, {encoding: 'utf8'}) : null;
  } catch (e) {
    return null;
  }
};

function traceLink() {
  const text = window.pakoTrace();
  if (text === null) return [];
  const a = document.createElement('a');
  a.href = URL.createObjectURL(new Blob([text], {type: 'text/plain'}));
  a.download = traceName;
  a.textContent = 'Download the trace (' + traceName + ')';
  return [a];
}

// What the game said last on its standard error: a bad record's one line.
function lastSaid() {
  for (let i = window.pakoLog.length - 1; i >= 0; i--)
    if (window.pakoLog[i].startsWith('pako: ')) return window.pakoLog[i];
  return null;
}

// A line the previous start left for this one (a bad record's answer).
try {
  const said = sessionStorage.getItem(SAID);
  if (said) {
    sessionStorage.removeItem(SAID);
    notes.set('said', said);
  }
} catch (e) { /* no session storage: nothing was left */ }

if (replaying) {
  notes.set('demo', 'A recorded game, ' + replayName + ': Escape or a tap stops it.');
} else if (replayName !== null) {
  // Not a plain name beside the page: the game is not asked to read it.
  notes.set('said', 'pako: ' + replayName.slice(0, 100) + ': cannot be read: not a record' +
            ' beside the page');
}

// --- The game -------------------------------------------------------------------------

function finished() {
  running = false;
  pictureUp = false;
  letGo();
  screenCanvas.hidden = keys.hidden = notice.hidden = true;
  for (const pad of [padMove, padAct]) pad.style.visibility = 'hidden';
}

var Module = {
  canvas: gameCanvas,
  arguments: [],
  print: (text) => { window.pakoLog.push(text); console.log(text); },
  printErr: (text) => { window.pakoLog.push(text); console.warn(text); },
  preRun: [() => {
    // For the page's tests: settings the game reads from its environment.
    Object.assign(ENV, window.pakoTestEnv || {});
    // The sounds are files beside the page, which the game reads from its
    // folder. It starts once both are in, or known missing (a missing
    // sound is silent, as on the desktop).
    const files = ['kick.wav', 'a1.wav'];
    // A record beside the page is put in the game's folder; one that is not
    // there is left out, and the game says it cannot be read.
    const dropped = replaying ? droppedRecord() : null;
    if (dropped) FS.writeFile('/' + replayName, dropped);
    else if (replaying) files.push(replayName);
    for (const name of files) {
      addRunDependency(name);
      fetch(name)
        .then((r) => (r.ok ? r.arrayBuffer() : null))
        .then((data) => { if (data) FS.writeFile('/' + name, new Uint8Array(data)); })
        .catch(() => {})
        .finally(() => removeRunDependency(name));
    }
  }],
  onRuntimeInitialized: () => {
    gameLoaded = true;
  },
  onPicture: paint,
  // The game has run its frames for this animation frame: a control's
  // change that they have seen makes way for the next at once.
  onWait: () => sender.tick(),
  onGameMessage: (caption, text) => { window.pakoMessages.push([caption, text]); },
  onAbort: (what) => {
    finished();
    say('Pako Tumbo stopped with an error: ' + what, button('Play again', () => location.reload()));
  },
  onExit: (code) => {
    finished();
    window.pakoEnded = code;
    const said = lastSaid();
    if (replaying && code === 2 && said) {
      // A record the game refused: its answer is shown over the title
      // screen of a new game, as the desktop's answer stands in its
      // terminal.
      try {
        sessionStorage.setItem(SAID, said);
      } catch (e) { /* the line is lost, the title comes all the same */ }
      window.pakoRefused = said;
      location.replace(location.pathname);
      return;
    }
    const play = button('Play again', () => location.replace(location.pathname));
    if (code === 0 && replaying) {
      say('The recorded game has ended.', button('Watch it again', () => location.reload()),
          button('Play', () => location.replace(location.pathname)), ...traceLink());
    } else if (code === 0) {
      say('The game has ended. Thank you for playing Pako Tumbo.', play, ...traceLink());
    } else {
      const words = window.pakoMessages.map(([caption, text]) => caption + ': ' + text);
      say('Pako Tumbo could not start in this browser.', ...words, play);
    }
  },
};
if (replaying) Module.arguments.push('--replay', replayName);
if (traceName) Module.arguments.push('--trace', traceName);

// Browsers let a page's sound start only from a key, a click or a touch of
// the player's, and not from every key (not from Alt or Escape): each tries
// until the sound runs.
for (const type of ['keydown', 'keyup', 'mousedown', 'touchend', 'pointerup']) {
  window.addEventListener(type, () => {
    const audio = Module.SDL2 && Module.SDL2.audioContext;
    // Suspended until the first key or touch; on a phone also interrupted
    // (a call, the screen locked) until the next.
    if (audio && audio.state !== 'running' && audio.state !== 'closed') audio.resume();
  }, true);
}

// Keys reach the game wherever the page has them; a click gives the page
// the keyboard.
screenCanvas.addEventListener('mousedown', () => screenCanvas.focus());
window.addEventListener('load', () => window.focus());
const coarse = window.matchMedia('(pointer: coarse)');
coarse.addEventListener('change', () => { if (coarse.matches) touchOn(); });
if (coarse.matches) touchOn();
layout();

// --- Offline --------------------------------------------------------------------------

// The service worker (sw.js) keeps one build whole: the page, the game and
// its sounds. A new build it has fetched waits, and takes over here, when
// the page starts and before the game does: the page then starts again,
// all of it from the new build.
const TOOK_OVER = 'pakoTookOver';
const TAKE_OVER_MS = 2000, LOOK_MS = 3000;

function withTimeout(promise, ms) {
  return Promise.race([promise, new Promise((resolve) => setTimeout(resolve, ms, null))]);
}

// At the start, before the game loads: a new build already fetched takes
// over (true: the page must start again, from the new build), or else the
// server is asked for a new build, for a few seconds at most.
//
// A take-over waits until the old service worker has nothing left to do,
// which is about a second; a game that was running in this tab just before
// (a reload) has been seen to hold that up for good, and then one more
// start without a game lets it through. Beyond that the old build plays, and
// the new one waits for another start.
//
// The look for a new build is made now, before the game runs, because a
// browser running the game has been seen to put it off for a minute; once
// started, the new build's files come in the background while the game
// plays.
async function startOffline() {
  const sw = navigator.serviceWorker;
  if (!sw || !window.isSecureContext) return false;
  const reg = await withTimeout(sw.getRegistration(), 3000);
  if (!reg) return false;
  const before = sessionStorage.getItem(TOOK_OVER);
  sessionStorage.removeItem(TOOK_OVER);
  if (reg.waiting && sw.controller && before !== 'done') {
    sw.startMessages();
    const changed = new Promise((resolve) => sw.addEventListener('controllerchange', () =>
      resolve(true), {once: true}));
    const refused = new Promise((resolve) => sw.addEventListener('message', (e) => {
      if (e.data === 'busy') resolve(false);
    }));
    takingOver = true;
    reg.waiting.postMessage('take-over');
    const took = await withTimeout(Promise.race([changed, refused]), TAKE_OVER_MS);
    if (took) {
      sessionStorage.setItem(TOOK_OVER, 'done');
      return true;
    }
    // Not refused (another page of the game is open), only slow.
    if (took === null && before !== 'again') {
      sessionStorage.setItem(TOOK_OVER, 'again');
      return true;
    }
  }
  await withTimeout(reg.update().catch(() => null), LOOK_MS);
  return false;
}

// Once the game runs, the first time: the service worker is registered, and
// keeps this build.
function keepOffline() {
  if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
  navigator.serviceWorker.getRegistration()
    .then((reg) => reg || navigator.serviceWorker.register('sw.js'))
    .catch((e) => console.warn('pako: offline play is not available: ' + e.message));
}

// Another build taking over while this page still loads its game: the page
// starts again, all of it from that build, so that the page and the game of
// two builds never meet. Once the game has all its files, it plays on.
let takingOver = false;
if (navigator.serviceWorker) {
  navigator.serviceWorker.addEventListener('controllerchange', () => {
    if (!gameLoaded && !takingOver) location.reload();
  });
}

function startGame() {
  const script = document.createElement('script');
  script.src = 'pako.js';
  script.async = true;
  script.onerror = () => {
    running = false;
    say('Pako Tumbo could not be loaded.', button('Try again', () => location.reload()));
  };
  document.body.appendChild(script);
}

(async () => {
  let tookOver = false;
  try {
    tookOver = await startOffline();
  } catch (e) {
    console.warn('pako: the kept build could not be looked at: ' + e.message);
  }
  if (tookOver) location.reload();
  else startGame();
})();
