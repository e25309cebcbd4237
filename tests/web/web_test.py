#!/usr/bin/env python3
"""The web build in three browser engines (Chromium, Firefox and WebKit, each
through its own automation protocol: tools/web/browser.py), and the server
that serves it. tools/web.sh --test builds what it needs and runs it.

    web_test.py [--build-dir build/web] [--sim build/default/pako-sim]
                [--engines chromium,firefox,webkit] [--screenshots DIR]
                [GROUP ...]

GROUP is server, keys, game, failure, phone, gamepad, offline or demo (all
when none is named); server and keys need no browser and run once, the
others in every engine named. A check that needs what an engine's
automation cannot do is skipped there, and its line says why. Prints one
line per check, the time each engine took, and "N passed, N failed, N
skipped" at the end; exits non-zero on any failure. Every wait polls for
what it waits for, up to a generous limit.
"""
import argparse
import http.client
import os
import re
import socket
import statistics
import subprocess
import sys
import tempfile
import time

from common import (AUDIO, BEFORE_PAGE, ROOT, SOUND, START_ITEM, STATUS, H, W, Checks, browser,
                    differing, fail, kick_window, serve, sim_title, wait_ready, wait_title, want)
import group_demo  # noqa: E402
import group_gamepad  # noqa: E402
import group_offline  # noqa: E402
import group_phone  # noqa: E402

# The window the page is tested in: the picture fits twice over above the
# line of keys.
VIEW_W, VIEW_H = 1280, 1000


# --- The page server ----------------------------------------------------------

def get(url, path, method="GET"):
    host, port = url.split("//")[1].rstrip("/").split(":")
    conn = http.client.HTTPConnection(host, int(port), timeout=10)
    conn.request(method, path)
    r = conn.getresponse()
    body = r.read()
    conn.close()
    return r.status, r.getheader("Content-Type"), body


def server_group(checks, args):
    folder = tempfile.mkdtemp(prefix="pako-serve-")
    files = {"index.html": b"<!doctype html>", "pako.js": b"var Module;",
             "pako.wasm": b"\0asm\1\0\0\0", "kick.wav": b"RIFF", "notes.txt": b"no",
             ".hidden.js": b"no", "icon-192.png": b"\x89PNG", "rally.record": b"# pako-record",
             "manifest.webmanifest": b"{}"}
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    os.makedirs(os.path.join(folder, "src"))
    with open(os.path.join(folder, "src", "secret.js"), "wb") as f:
        f.write(b"no")
    server, url = serve.start(folder)
    try:
        def page_files():
            for path, kind, data in [("/", "text/html", files["index.html"]),
                                     ("/index.html?x=1", "text/html", files["index.html"]),
                                     ("/pako.js", "text/javascript", files["pako.js"]),
                                     ("/pako.wasm", "application/wasm", files["pako.wasm"]),
                                     ("/kick.wav", "audio/wav", files["kick.wav"]),
                                     ("/icon-192.png", "image/png", files["icon-192.png"]),
                                     ("/manifest.webmanifest", "application/manifest+json",
                                      files["manifest.webmanifest"]),
                                     ("/rally.record", "text/plain", files["rally.record"])]:
                status, ctype, body = get(url, path)
                assert status == 200, "%s: %d" % (path, status)
                assert ctype.startswith(kind), "%s is sent as %s" % (path, ctype)
                assert body == data, "%s: wrong content" % path
        checks.run("the server sends the page's files with their types", page_files)

        def nothing_else():
            for path in ["/notes.txt", "/.hidden.js", "/src/secret.js", "/src/", "/src",
                         "/../index.html", "/%2e%2e/index.html", "/missing.js"]:
                status, _, body = get(url, path)
                assert status == 404, "%s answered %d" % (path, status)
                assert b"no" != body, "%s was sent" % path
        checks.run("the server sends nothing but the page's files", nothing_else)

        def head():
            status, ctype, body = get(url, "/pako.wasm", "HEAD")
            assert status == 200 and ctype == "application/wasm" and body == b""
        checks.run("the server answers HEAD without a body", head)

        def busy_port():
            with socket.socket() as taken:
                taken.bind(("127.0.0.1", 0))
                taken.listen(1)
                port = taken.getsockname()[1]
                p = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "web", "serve.py"),
                                      folder, "--port", str(port)], stdout=subprocess.PIPE,
                                     text=True)
                try:
                    line = p.stdout.readline()
                    assert "http://127.0.0.1:" in line, "it said %r" % line
                    other = int(line.split("127.0.0.1:")[1].split("/")[0])
                    assert other != port, "it claims the taken port"
                    status, _, _ = get("http://127.0.0.1:%d/" % other, "/")
                    assert status == 200
                finally:
                    p.terminate()
                    p.wait(10)
        checks.run("the server takes a free port when the asked one is taken", busy_port)
    finally:
        server.shutdown()


# --- The game -----------------------------------------------------------------

def flips(b):
    return b.evaluate("window.pakoFlips()")


def flip_count(b):
    return b.evaluate("window.pakoFlips().length")


def wait_flips(b, n, limit=20):
    start = flip_count(b)
    b.wait_for("window.pakoFlips().length >= %d" % (start + n), limit, "%d more frames" % n)


def wait_still(b, quiet=0.5, limit=10):
    """Waits until no frame has come for `quiet` seconds."""
    deadline = time.monotonic() + limit
    last, since = flip_count(b), time.monotonic()
    while time.monotonic() - since < quiet:
        if time.monotonic() > deadline:
            raise AssertionError("frames still coming after %gs" % limit)
        time.sleep(0.05)
        now = flip_count(b)
        if now != last:
            last, since = now, time.monotonic()


def until_flip(b, n, limit=30):
    """Returns as soon as the game has flipped n frames: polled quickly, as
    the moment matters to a frame."""
    deadline = time.monotonic() + limit
    while flip_count(b) < n:
        if time.monotonic() > deadline:
            raise AssertionError("frame %d did not come within %gs" % (n, limit))


def screen_rect(b):
    return b.evaluate("(() => { const r = screenCanvas.getBoundingClientRect();"
                      " return [r.left, r.top, r.width, r.height, screenCanvas.width,"
                      " screenCanvas.height]; })()")


def hold(b, key, code, key_code, modifiers=0, frames=3):
    """A key held for a few frames, as a player's finger does: the game reads
    Enter as held, once a frame."""
    b.key(key, code, key_code, up=False, modifiers=modifiers)
    wait_flips(b, frames)
    b.key(key, code, key_code, down=False, modifiers=modifiers)


def game_group(checks, args):
    folder = args.build_dir
    title = args.title
    first, last = args.kick_window
    server, url = serve.start(folder)
    try:
        with browser.start(args.engine, VIEW_W, VIEW_H) as b:
            b.add_script(BEFORE_PAGE)
            b.open(url)

            def starts():
                at = b.wait_for("window.pakoFirstPicture", 60, "the game's first picture")
                print("     the first picture came %d ms after the page was asked for" % at)
                assert b.evaluate("[gameCanvas.width, gameCanvas.height]") == [W, H]
            checks.run("the page starts the game and shows its picture", starts)

            def title_rests():
                wait_title(b, title)
                if args.screenshots:
                    b.screenshot(os.path.join(args.screenshots, "title-%s.png" % args.engine))
            checks.run("the title, once the logo rests, is pixel for pixel pako-sim's",
                       title_rests)

            def pace():
                wait_flips(b, 150)
                times = flips(b)[-150:]
                gaps = [(t1 - t0) / 1000 for t0, t1 in zip(times, times[1:])]
                print("     frames %.2f ms apart on average (%.2f median: the page's"
                      " animation frames)" % (statistics.mean(gaps), statistics.median(gaps)))
                # The frames keep a step of 14 ms on the clock and make up lost
                # time one frame at once: however late the browser wakes the
                # game, it never gets more than two frames ahead of that step
                # (a millisecond more for the clock's rounding). Its speed is
                # bench/web.sh's figure.
                ahead = [k * 14 - t / 1000 for k, t in enumerate(times)]
                most = max(a - min(ahead[:k + 1]) for k, a in enumerate(ahead))
                assert most <= 29, "the frames ran %.1f ms ahead of their pace" % most
            checks.run("the game never runs ahead of its pace of a frame every 14 ms", pace)

            def scaled():
                left, top, width, height, pw, ph = screen_rect(b)
                keys = b.evaluate("document.getElementById('keys').getBoundingClientRect()"
                                  ".height")
                assert (width, height, pw, ph) == (1280, 960, 1280, 960), \
                    "the picture is shown %gx%g from %dx%d" % (width, height, pw, ph)
                assert left == 0 and abs(top - (VIEW_H - keys - height) / 2) <= 1, \
                    "the picture is at %g, %g" % (left, top)
                # Twice over, each game pixel a square of four.
                same = b.evaluate("""(() => {
                  const g = gameCanvas.getContext('2d').getImageData(0, 0, 640, 480).data;
                  const s = screenCanvas.getContext('2d').getImageData(0, 0, 1280, 960).data;
                  let differ = 0;
                  for (let y = 0; y < 960; y++)
                    for (let x = 0; x < 1280; x++) {
                      const i = ((y >> 1) * 640 + (x >> 1)) * 4, j = (y * 1280 + x) * 4;
                      if (g[i] !== s[j] || g[i + 1] !== s[j + 1] || g[i + 2] !== s[j + 2])
                        differ++;
                    }
                  return differ; })()""")
                # The screen may lag the canvas by one picture: the title's
                # still part is compared.
                assert same < 240 * 120 * 4, "%d pixels of the screen are not the game's" % same
                def shown_at(w, h, check):
                    b.set_viewport(w, h)
                    rect = [None]

                    def laid_out():
                        rect[0] = screen_rect(b)
                        return check(*rect[0])
                    try:
                        browser.poll(laid_out, 10, "the picture laid out", 0.05)
                    except browser.BrowserError:
                        fail("in a window of %dx%d the picture is at %g, %g, %gx%g, drawn"
                             " %dx%d" % (w, h, *rect[0]))
                # Less than twice: at the picture's own size, smoothed up.
                shown_at(1000, 800, lambda x, y, w, h, pw, ph: (pw, ph) == (640, 480)
                         and abs(w - 1000) < 0.5 and abs(h - 750) < 0.5)
                # Smaller than the picture: smoothed down, centred.
                shown_at(700, 400, lambda x, y, w, h, pw, ph: (pw, ph) == (640, 480)
                         and abs(h - (400 - keys)) < 0.5 and abs(w / h - 4 / 3) < 0.01
                         and abs(x - (700 - w) / 2) <= 1)
                shown_at(VIEW_W, VIEW_H, lambda x, y, w, h, pw, ph:
                         [w, h, pw, ph] == [1280, 960, 1280, 960])
            checks.run("the page shows the picture centred with square pixels: whole multiples,"
                       " then smoothed", scaled)

            def no_controls():
                shown = b.buttons()
                assert not shown, "a desktop page shows buttons %s" % sorted(shown)
                assert b.evaluate("[...document.querySelectorAll('.pad')].every((p) =>"
                                  " p.getBoundingClientRect().width === 0)"), "a pad takes room"
                assert not b.evaluate("document.documentElement.classList.contains('touch')")
            checks.run("a page without touch has no touch controls", no_controls)

            def home_screen():
                # What a phone's browser reads when the page is added to the
                # home screen, and what keeps a finger from zooming, selecting
                # or opening a menu before the touch controls are up.
                got = b.evaluate("""(async () => {
                  const meta = (n) => {
                    const m = document.querySelector('meta[name="' + n + '"]');
                    return m ? m.content : null;
                  };
                  const icon = document.querySelector('link[rel="apple-touch-icon"]');
                  const image = new Image();
                  image.src = icon ? icon.href : '';
                  await image.decode().catch(() => {});
                  const screen = getComputedStyle(document.getElementById('screen'));
                  return {
                    capable: meta('apple-mobile-web-app-capable'),
                    bar: meta('apple-mobile-web-app-status-bar-style'),
                    title: meta('apple-mobile-web-app-title'),
                    icon: [image.naturalWidth, image.naturalHeight],
                    zoom: getComputedStyle(document.documentElement).touchAction,
                    select: screen.userSelect || screen.webkitUserSelect,
                    dvh: CSS.supports('height', '100dvh'),
                    height: document.body.getBoundingClientRect().height,
                    inner: window.innerHeight,
                  };
                })()""")
                assert got["capable"] == "yes" and got["bar"] == "black-translucent" \
                    and got["title"] == "Pako Tumbo", "home-screen settings: %s" % got
                assert got["icon"] == [180, 180], "the home-screen icon is %s" % got["icon"]
                assert got["zoom"] == "manipulation", "a double tap may zoom: %s" % got["zoom"]
                assert got["select"] == "none", "the picture can be selected: %s" % got["select"]
                if got["dvh"]:
                    assert abs(got["height"] - got["inner"]) <= 1, \
                        "the page is %g high in a window of %g" % (got["height"], got["inner"])
            checks.run("the page is ready for a phone's home screen: its name, its icon, its"
                       " status bar; no double-tap zoom, no selection on the picture",
                       home_screen)

            def sounds_ready():
                for name in ("kick.wav", "a1.wav"):
                    size = os.path.getsize(os.path.join(ROOT, "assets", "sounds", name))
                    got = b.evaluate("FS.stat('/%s').size" % name)
                    assert got == size, "/%s holds %s bytes, not %d" % (name, got, size)
                state = b.evaluate(AUDIO)
                assert state == "suspended", "the audio is %r before any key" % state
            checks.run("both sounds are in the game's folder; the audio waits for a key",
                       sounds_ready)

            def alt_enter():
                want(b, title, START_ITEM)
                b.key("Alt", "AltLeft", 18, up=False, modifiers=1)
                hold(b, "Enter", "Enter", 13, modifiers=1)
                b.key("Alt", "AltLeft", 18, down=False)
                wait_flips(b, 30)
                assert b.evaluate("document.fullscreenElement") is None, "the page went full screen"
                assert differing(b, 0, 0, W, H) == 0, "the title is gone: Enter reached the game"
                assert b.evaluate("[gameCanvas.width, gameCanvas.height]") == [W, H]
                b.wait_for("%s === 'running'" % AUDIO, 10, "the audio to run after a key")
            checks.run("Alt+Enter does nothing on the page; the first key starts the audio",
                       alt_enter)

            enter_at = [None]

            def countdown():
                enter_at[0] = flip_count(b)
                hold(b, "Enter", "Enter", 13)
                wait_ready(b)
            checks.run("Enter starts a game: READY stands at (250, 200)", countdown)

            def kick():
                assert enter_at[0] is not None, "no game was started"
                middle = enter_at[0] + (first + last) // 2
                print("     Space let go at frame %d (Enter at %d; pako-sim kicks from +%d to +%d)"
                      % (middle, enter_at[0], first, last))
                until_flip(b, middle - 40)
                b.key(" ", "Space", 32, up=False)
                until_flip(b, middle)
                b.key(" ", "Space", 32, down=False)
                b.wait_for("%s === 'kick.wav'" % SOUND, 5, "kick.wav to play", 0.01)
                # Web Audio takes the sound as it plays: it comes to an end.
                b.wait_for("%s === null" % SOUND, 5, "kick.wav to have been played")
                assert b.evaluate(AUDIO) == "running"
                if args.screenshots:
                    wait_flips(b, 12)
                    b.screenshot(os.path.join(args.screenshots, "play-%s.png" % args.engine))
            checks.run("Space held and let go at the feet kicks, and kick.wav is heard", kick)

            def focus():
                b.evaluate("window.dispatchEvent(new FocusEvent('blur')), true")
                wait_still(b)
                b.evaluate("window.dispatchEvent(new FocusEvent('focus')), true")
                wait_flips(b, 20)
            checks.run("the game pauses while the page has not the focus, and goes on after",
                       focus)

            def other_tab():
                b.hide()
                try:
                    b.wait_for("document.visibilityState === 'hidden'", 10, "the tab to hide")
                    # A hidden tab's timers still fire, about once a second:
                    # a game that went on would flip a frame that often.
                    wait_still(b, quiet=3, limit=20)
                finally:
                    b.show()
                b.wait_for("document.visibilityState === 'visible'", 10, "the tab to show")
                wait_flips(b, 20)
            checks.run("another tab pauses the game; back with the focus, it goes on", other_tab)

            def quiet():
                bad = b.evaluate("window.pakoLog.filter((line) => /pako:|abort|exception|"
                                 "error/i.test(line))")
                assert not bad, "the game said: %s" % bad
            checks.run("the game reported nothing wrong", quiet)

            def ends():
                b.key("Escape", "Escape", 27)
                b.wait_for("window.pakoEnded === 0", 10, "the game to end")
                text = b.evaluate(STATUS)
                assert "has ended" in text, "the page says %r" % text
                # Under it, the version and the commit the build was made from.
                version = b.evaluate("window.pakoBuild.version")
                commit = b.evaluate("window.pakoBuild.commit")
                assert re.fullmatch(r"[0-9][0-9.]*", version) and \
                    re.match(r"[0-9a-f]{40}", commit), "the page's version %r, commit %r" % (
                        version, commit)
                assert "Pako Tumbo %s, commit %s" % (version, commit) in text, \
                    "the page does not show its version and commit: %r" % text
                assert b.evaluate("screenCanvas.hidden && !!document.querySelector('#status "
                                  "button')"), "no picture hidden or no button to play again"
                b.evaluate("document.querySelector('#status button').click(), true")
                b.wait_for("window.pakoFirstPicture && !window.pakoEnded", 60,
                           "the page to start the game again")
            checks.run("Escape ends the game, the page says so (with its version and commit) and"
                       " starts it again", ends)

    finally:
        server.shutdown()


def failure_group(checks, args):
    folder = args.build_dir
    server, url = serve.start(folder)
    try:
        with browser.start(args.engine, VIEW_W, VIEW_H) as b:
            b.add_script("window.pakoTestEnv = {PAKO_TEST_FAIL: 'SetDisplayMode'};")
            b.open(url)

            def box():
                b.wait_for("window.pakoEnded !== undefined", 60, "the game to end")
                assert b.evaluate("window.pakoEnded") == 1, \
                    "the game ended with %s" % b.evaluate("window.pakoEnded")
                text = b.evaluate(STATUS)
                assert "could not start" in text and "SetDisplayMode FAILED" in text, \
                    "the page says %r" % text
                assert b.evaluate("window.pakoMessages") == [["Velmora", "SetDisplayMode FAILED"]]
            checks.run("a display that cannot be set up: the page shows the game's message and"
                       " says it could not start", box)
    finally:
        server.shutdown()


def keys_group(checks, args):
    """The touch controls' key sender, in Node (tests/web/controls_test.js)."""
    r = subprocess.run(["node", os.path.join(ROOT, "tests", "web", "controls_test.js")],
                       capture_output=True, text=True)
    for line in r.stdout.splitlines():
        if line.startswith("ok   "):
            checks.run("keys: " + line[5:], lambda: None)
        elif line.startswith("FAIL "):
            name, _, why = line[5:].partition(": ")
            checks.run("keys: " + name, lambda why=why: fail(why))
    if r.returncode != 0 and "FAIL" not in r.stdout:
        checks.run("keys: the test runs", lambda: fail(r.stderr[-500:]))


GROUPS = {"server": server_group, "keys": keys_group, "game": game_group, "failure": failure_group,
          "phone": group_phone.phone_group, "gamepad": group_gamepad.gamepad_group,
          "offline": group_offline.offline_group, "demo": group_demo.demo_group}
# The groups that need no browser: run once, whatever the engines.
NO_BROWSER = ("server", "keys")
# The groups that play the game, and so need pako-sim's title and kick window.
PLAYING = {"game", "phone", "gamepad", "demo"}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("groups", nargs="*", metavar="GROUP", help=", ".join(GROUPS))
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "web"))
    parser.add_argument("--sim", default=os.path.join(ROOT, "build", "default", "pako-sim"))
    parser.add_argument("--engines", default=",".join(browser.ENGINES),
                        help="the engines to test in, by commas (default: %(default)s)")
    parser.add_argument("--screenshots", help="a folder for screenshots of the page")
    args = parser.parse_args()
    unknown = [g for g in args.groups if g not in GROUPS]
    if unknown:
        parser.error("no group %s; there are %s" % (", ".join(unknown), ", ".join(GROUPS)))
    engines = [e for e in args.engines.split(",") if e]
    unknown = [e for e in engines if e not in browser.ENGINES]
    if unknown:
        parser.error("no engine %s; there are %s" % (", ".join(unknown),
                                                     ", ".join(browser.ENGINES)))
    if args.screenshots:
        os.makedirs(args.screenshots, exist_ok=True)
    checks = Checks()
    groups = args.groups or list(GROUPS)
    in_browser = [g for g in groups if g not in NO_BROWSER]
    if in_browser and not os.path.isfile(os.path.join(args.build_dir, "pako.js")):
        checks.run("the game is built",
                   lambda: fail("no %s/pako.js: run tools/web.sh --test" % args.build_dir))
        in_browser = []
    args.sim = os.path.abspath(args.sim)
    if PLAYING & set(in_browser):
        args.title = sim_title(args.sim)
        args.kick_window = kick_window(args.sim)
    for name in groups:
        if name in NO_BROWSER:
            print("--- %s" % name, flush=True)
            GROUPS[name](checks, args)
    took = []
    for engine in engines if in_browser else []:
        checks.engine = args.engine = engine
        missing = browser.missing(engine)
        if missing:
            checks.run("the browser is there", lambda m=missing: fail(m))
            continue
        groups_took = []
        for name in in_browser:
            print("--- %s: %s" % (engine, name), flush=True)
            began = time.monotonic()
            try:
                GROUPS[name](checks, args)
            except browser.BrowserError as e:
                checks.run(name + ": the browser", lambda e=e: fail(str(e)))
            groups_took.append((name, time.monotonic() - began))
        took.append((engine, groups_took))
    checks.engine = None
    for engine, groups_took in took:
        print("%s: %.0f s (%s)" % (engine, sum(t for _, t in groups_took),
                                   ", ".join("%s %.0f" % g for g in groups_took)))
    passed, failed, skipped = checks.counts()
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
