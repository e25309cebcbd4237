"""Recorded games in the page: ?replay=rally.record plays the published demo
at the game's own speed and keeps its trace (?trace), which must be the
committed one line for line; a record that is not there, or not a record,
gets pako-sim's own one-line answer on the page, over the title; a record
dropped on the page plays, and a tap stops it (a click, in an engine whose
automation sends no touch)."""
import os
import subprocess
import tempfile

from common import (NOTICE, ROOT, STATUS, BEFORE_PAGE, browser, centre, committed_trace, fail,
                    frames_run, PORTRAIT, rect, serve, wait_frames, wait_title)


def sim_answer(sim, path):
    """pako-sim's one line for a record it refuses, without its own name."""
    folder, name = os.path.split(path)
    r = subprocess.run([sim, "--replay", name, "--frames", "1"], cwd=folder or None,
                       capture_output=True, text=True)
    assert r.returncode != 0, "pako-sim took %s" % path
    line = r.stderr.strip().splitlines()[-1]
    assert line.startswith("pako-sim: "), line
    return "pako: " + line[len("pako-sim: "):]


def answered(b, ctx, answer):
    """The page started again without the record, says the game's line, and
    shows the title."""
    b.wait_for("location.search === '' && window.pakoFirstPicture", 60, "the title's page")
    said = b.evaluate("[...document.querySelectorAll('#notice p')].map((p) => p.textContent)")
    assert answer in said, "the page says %r, pako-sim %r" % (said, answer)
    wait_title(b, ctx.title)


def demo_group(checks, ctx):
    server, url = serve.start(ctx.build_dir)
    try:
        with browser.start(ctx.engine, 1280, 1000) as b:
            b.add_script(BEFORE_PAGE)
            b.open(url + "?replay=rally.record&trace=1")

            def rally():
                b.wait_for("window.pakoFirstPicture", 60, "the demo's first picture")
                assert "rally.record" in b.evaluate(NOTICE), "the page says %r" % b.evaluate(NOTICE)
                b.wait_for("window.pakoEnded !== undefined", 120, "the demo to end")
                assert b.evaluate("window.pakoEnded") == 0, "the demo ended with %s" % (
                    b.evaluate("window.pakoEnded"))
                assert "recorded game has ended" in b.evaluate(STATUS), b.evaluate(STATUS)
                got = b.evaluate("window.pakoTrace()").splitlines()
                want = committed_trace("rally.trace.gz")
                for i, (g, w) in enumerate(zip(got, want)):
                    if g != w:
                        fail("trace line %d differs:\n  page  %s\n  kept  %s" % (i + 1, g[:300],
                                                                                w[:300]))
                assert len(got) == len(want), "%d trace lines, not %d" % (len(got), len(want))
                link = b.evaluate("(() => { const a = document.querySelector('#status a');"
                                  " return a && [a.download, a.href.slice(0, 5)]; })()")
                assert link == ["rally.record.trace", "blob:"], "the trace is offered as %s" % link
            checks.run("?replay=rally.record plays the demo to its end, which reaches the page;"
                       " its trace is the committed one, line for line", rally)

            def missing():
                # Not b.open: the page that refuses the record may replace
                # itself before a look at it finds it loaded. The page from
                # before is marked, to tell the new ones from it.
                b.evaluate("window.pakoEarlierPage = true")
                b.navigate(url + "?replay=missing.record")
                b.wait_for("window.pakoEarlierPage === undefined", 60, "the page to be left")
                answered(b, ctx, sim_answer(ctx.sim, os.path.join(tempfile.mkdtemp(),
                                                                  "missing.record")))
            checks.run("a record that is not there: the game's one line on the page, and the"
                       " title", missing)

        # On a phone, where the engine's automation can be one.
        touch = checks.can("touch") and checks.can("phone")
        with browser.start(ctx.engine, *(PORTRAIT if touch else (1280, 1000)), phone=touch) as b:
            b.add_script(BEFORE_PAGE)
            b.open(url)
            folder = tempfile.mkdtemp(prefix="pako-drop-")

            def dropped_bad():
                b.wait_for("window.pakoFirstPicture", 60, "the game's first picture")
                bad = os.path.join(folder, "notes.record")
                with open(bad, "w") as f:
                    f.write("shopping: eggs, flour\n")
                # The page before the drop has no record either: the checks
                # below wait for a page started since (without the mark).
                b.evaluate("window.pakoBeforeDrop = true")
                b.drop_file(bad)
                b.wait_for("window.pakoBeforeDrop === undefined &&"
                           " (window.pakoRefused !== undefined || location.search === '')", 60,
                           "the dropped record to be tried")
                answered(b, ctx, sim_answer(ctx.sim, bad))
            checks.run("a bad record dropped on the page: the game's one line on the page, and"
                       " the title", dropped_bad)

            def dropped_good():
                good = os.path.join(folder, "rally.record")
                with open(os.path.join(ROOT, "docs", "demos", "rally.record"), "rb") as f, \
                        open(good, "wb") as g:
                    g.write(f.read())
                b.drop_file(good)
                b.wait_for("location.search.includes('replay=rally.record') &&"
                           " window.pakoFirstPicture", 60, "the dropped record to play")
                wait_frames(b, 100)
                assert "rally.record" in b.evaluate(NOTICE), "the page says %r" % b.evaluate(NOTICE)
                # The controls are no use in a demo: a tap anywhere stops it.
                assert not b.evaluate("[...document.querySelectorAll('.control')].some((c) =>"
                                      " c.checkVisibility({visibilityProperty: true}))"), \
                    "the touch controls show in a demo"
                at = frames_run(b)
                middle = centre(rect(b, "#screen"))
                if touch:
                    b.touch("touchStart", [dict(middle, id=1)])
                    b.touch("touchEnd", [])
                else:
                    b.click(middle["x"], middle["y"])
                # Played to its end, the demo would go on for 1183 frames,
                # over 10 s more.
                b.wait_for("window.pakoEnded === 0", 5, "the demo to stop at frame %d" % at)
                assert "recorded game has ended" in b.evaluate(STATUS), b.evaluate(STATUS)
            checks.run("a record dropped on the page plays; a %s stops it"
                       % ("tap" if touch else "click"), dropped_good)
            if not touch:
                checks.skip("a tap stops a demo", "skipped in %s: %s (a click stopped it)"
                            % (ctx.engine, browser.driver(ctx.engine).cannot["touch"]))
    finally:
        server.shutdown()
