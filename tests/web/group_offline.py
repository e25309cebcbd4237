"""The page kept for playing offline (sw.js): once opened, it starts with the
network cut and with the server stopped; a rebuilt page is fetched while the old one plays and takes
over, whole, at the next start; a build whose files do not match its own
list is never kept.

The builds are copies of the real one, each told apart by a line added to
pako.js (window.pakoBuildMark) and a custom section added to pako.wasm, with
its service worker written by tools/web/offline.py as tools/web.sh writes
it."""
import hashlib
import os
import shutil
import struct
import tempfile
import time

from common import BEFORE_PAGE, browser, fail, serve, wait_ready

import offline  # tools/web/offline.py

MARK = "window.pakoBuildMark"


def leb128(n):
    out = bytearray()
    while True:
        byte, n = n & 0x7F, n >> 7
        out.append(byte | (0x80 if n else 0))
        if not n:
            return bytes(out)


def make_build(source, folder, mark):
    """A copy of the build in `source`, marked, with its own service worker."""
    os.makedirs(folder, exist_ok=True)
    for name in offline.PAGE_FILES:
        shutil.copyfile(os.path.join(source, name), os.path.join(folder, name))
    with open(os.path.join(folder, "pako.js"), "a") as f:
        f.write("\n%s = %r;\n" % (MARK, mark))
    name = b"pako-build"
    payload = leb128(len(name)) + name + mark.encode()
    with open(os.path.join(folder, "pako.wasm"), "ab") as f:
        f.write(b"\x00" + leb128(len(payload)) + payload)
    return offline.write_worker(folder)


def put_live(build, live):
    """The server's folder gets every file of `build`, the worker last, as a
    careful deployment does."""
    for name in offline.PAGE_FILES + ["sw.js"]:
        shutil.copyfile(os.path.join(build, name), os.path.join(live, name + ".new"))
        os.replace(os.path.join(live, name + ".new"), os.path.join(live, name))


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


KEPT = """(async () => {
  const reg = await navigator.serviceWorker.getRegistration();
  const names = await caches.keys();
  const kept = {};
  for (const n of names) kept[n] = (await (await caches.open(n)).keys()).length;
  return {controlled: !!navigator.serviceWorker.controller,
          active: reg && reg.active ? reg.active.state : null,
          waiting: !!(reg && reg.waiting), kept};
})()"""

# The SHA-256 of pako.wasm as the page gets it now.
WASM_SUM = """(async () => {
  const data = await (await fetch('pako.wasm')).arrayBuffer();
  return Array.from(new Uint8Array(await crypto.subtle.digest('SHA-256', data)),
                    (b) => b.toString(16).padStart(2, '0')).join('');
})()"""


def kept(b):
    return b.evaluate(KEPT)


def started(b, mark):
    b.wait_for("window.pakoFirstPicture && %s === %r" % (MARK, mark), 60,
               "build %s's first picture" % mark)


def started_anew(b, url, mark, most=6):
    """Starts the page again until build `mark`, waiting, plays; answers how
    many starts that took. A take-over that the old build's worker holds up
    for more than the page waits (a busy machine) leaves the old build
    playing at that start, whole, and the new one waiting for the next."""
    for start in range(1, most + 1):
        b.open(url)
        b.wait_for("window.pakoFirstPicture", 60, "a build's first picture")
        playing = b.evaluate(MARK)
        if playing == mark:
            return start
        got = kept(b)
        assert got["waiting"], "build %s plays at start %d, and build %s no longer waits: %s" % (
            playing, start, mark, got)
    raise AssertionError("build %s still waits after %d starts" % (mark, most))


def enter_brings_ready(b):
    b.key("Enter", "Enter", 13, up=False)
    b.wait_for("Module._pako_frames_run() > %d" % (b.evaluate("Module._pako_frames_run()") + 3),
               10, "three frames")
    b.key("Enter", "Enter", 13, down=False)
    wait_ready(b)


def offline_group(checks, ctx):
    top = tempfile.mkdtemp(prefix="pako-offline-")
    builds = {m: os.path.join(top, m) for m in "ABC"}
    ids = {m: make_build(ctx.build_dir, builds[m], m) for m in "AB"}
    live = os.path.join(top, "live")
    os.makedirs(live)
    put_live(builds["A"], live)
    server, url = serve.start(live)
    port = server.server_address[1]

    serving = [True]

    def stop():
        if serving[0]:
            server.shutdown()
            server.server_close()
            serving[0] = False

    def restart():
        # A check that failed half way may have left the server up.
        nonlocal server
        stop()
        server, _ = serve.start(live, port)
        serving[0] = True

    try:
        with browser.start(ctx.engine, 1280, 1000) as b:
            b.add_script(BEFORE_PAGE)
            b.open(url)

            def no_network():
                started(b, "A")
                whole = {"pako-" + ids["A"]: len(offline.PAGE_FILES)}
                browser.poll(lambda: (lambda k: k["controlled"] and k["active"] == "activated"
                                      and k["kept"] == whole)(kept(b)),
                             60, "the page to be kept whole", 0.2)
                # The network cut, the server still there.
                b.set_network(False)
                try:
                    b.open(url)
                    started(b, "A")
                    enter_brings_ready(b)
                finally:
                    b.set_network(True)
                stop()
                b.open(url)
                started(b, "A")
                enter_brings_ready(b)
                slow = [s for s in b.evaluate("window.pakoLog") if "streaming" in s]
                assert not slow, "the kept game compiled the slow way: %s" % slow
            checks.run("after one load, with the network cut, and with the server stopped, a"
                       " reload starts the game and Enter brings READY", no_network)

            def installable():
                # Checked on the page kept offline, as it was loaded.
                manifest = b.evaluate("fetch(document.querySelector('link[rel=manifest]').href)"
                                      ".then((r) => r.json())")
                assert (manifest["display"], manifest["orientation"]) == ("fullscreen",
                                                                         "landscape")
                sizes = {}
                for icon in manifest["icons"]:
                    with open(os.path.join(builds["A"], icon["src"]), "rb") as f:
                        head = f.read(24)
                    w, h = struct.unpack(">II", head[16:24])
                    assert head[:8] == b"\x89PNG\r\n\x1a\n" and icon["sizes"] == "%dx%d" % (w, h), \
                        "%s is %dx%d, said to be %s" % (icon["src"], w, h, icon["sizes"])
                    sizes.setdefault(icon.get("purpose", "any"), set()).add(w)
                assert {192, 512} <= sizes.get("any", set()) and 512 in sizes.get("maskable", ()), \
                    "icons: %s" % sizes
            checks.run("the page's manifest, kept offline: full screen, sideways, its icons at"
                       " their sizes, a maskable one", installable)

            def no_problems():
                problems = b.installability_problems()
                assert problems == [], "not installable: %s" % problems
            checks.run("the browser finds the page installable", no_problems,
                       needs=("installability",))

            def rebuilt():
                put_live(builds["B"], live)
                restart()
                b.open(url)
                started(b, "A")
                b.evaluate("window.pakoSamePage = true")
                at = time.monotonic()
                frames = b.evaluate("Module._pako_frames_run()")
                b.wait_for("(%s).then((k) => k.waiting)" % KEPT, 240, "build B to wait")
                print("     build B was fetched and waiting %.1f s after the page started"
                      % (time.monotonic() - at))
                # Not in the middle of a game: the old one plays on. B can be
                # waiting before the next frame has run, so the frames are
                # waited for rather than read once.
                assert b.evaluate("window.pakoSamePage && %s === 'A'" % MARK), \
                    "the page was replaced while build B came"
                b.wait_for("Module._pako_frames_run() > %d" % (frames + 3), 10,
                           "the old build's game to play on while build B waits")
                stop()
                starts = started_anew(b, url, "B")
                print("     build B plays from start %d after it came" % starts)
                only_b = {"pako-" + ids["B"]: len(offline.PAGE_FILES)}
                got = [None]

                def replaced():
                    got[0] = kept(b)
                    return got[0]["kept"] == only_b
                try:
                    browser.poll(replaced, 20, "build A's files to go", 0.2)
                except browser.BrowserError:
                    fail("kept: %s" % got[0]["kept"])
                assert b.evaluate(WASM_SUM) == sha256(os.path.join(builds["B"], "pako.wasm")), \
                    "pako.wasm is not build B's"
                enter_brings_ready(b)
            checks.run("a rebuilt page waits while the old one plays, and replaces it whole at"
                       " the next start the old one lets go", rebuilt)

            def mixed():
                # Build C's list, but pako.wasm still build A's: a deployment
                # caught half way.
                ids["C"] = make_build(ctx.build_dir, builds["C"], "C")
                shutil.copyfile(os.path.join(builds["A"], "pako.wasm"),
                                os.path.join(builds["C"], "pako.wasm"))
                put_live(builds["C"], live)
                restart()
                b.evaluate("""(async () => {
                  const reg = await navigator.serviceWorker.getRegistration();
                  window.pakoUpdate = 'checking';
                  await reg.update();
                  const w = reg.installing;
                  if (!w) { window.pakoUpdate = 'none'; return; }
                  w.addEventListener('statechange', () => { window.pakoUpdate = w.state; });
                })(), true""")
                state = b.wait_for("['redundant', 'installed', 'none'].includes(window.pakoUpdate)"
                                   " && window.pakoUpdate", 120, "build C's install to end")
                assert state == "redundant", "build C's worker is %s" % state
                got = kept(b)
                assert got["kept"] == {"pako-" + ids["B"]: len(offline.PAGE_FILES)} and \
                    not got["waiting"], "kept: %s" % got
                b.open(url)
                started(b, "B")
            checks.run("a build whose files are not those of its list is never kept", mixed)
    finally:
        stop()
        shutil.rmtree(top, ignore_errors=True)
