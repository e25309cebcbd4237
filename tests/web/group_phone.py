"""The page on a phone, in portrait (390 x 844) and landscape (844 x 390), with
touch: the layout, the touch controls played as a player's fingers play
them, and a page that neither scrolls nor zooms. The game keeps its trace
(?trace), from which the checks read what each frame heard."""
import os
import time

from common import (AUDIO, LANDSCAPE, NOTICE, PORTRAIT, SOUND, BEFORE_PAGE, browser, centre,
                    first_frame, frames_run, heard, inside, kicks_after, overlap, page_trace,
                    rect, serve, space_releases, until_frame, wait_frames, wait_ready,
                    wait_title)

NAMES = ["Left", "Right", "Up", "Down", "OK", "Kick"]


def laid_out(b, size, hint):
    """Waits until the page is laid out for a phone of `size`; returns the
    picture's rectangle and the buttons'."""
    problem = [None]

    def check():
        try:
            return layout_right(b, size, hint)
        except AssertionError as e:
            problem[0] = e
            return None
    try:
        return browser.poll(check, 10, "the layout", 0.1)
    except browser.BrowserError:
        raise problem[0]


def layout_right(b, size, hint):
    """The picture as large as the phone allows, inside its safe area, the six
    controls beside or under it, none over it, none outside the safe area."""
    w, h = size
    assert b.evaluate("[innerWidth, innerHeight]") == [w, h], "the page is not %dx%d" % size
    insets = b.evaluate("insets()")
    x0, y0 = insets["left"], insets["top"]
    x1, y1 = w - insets["right"], h - insets["bottom"]
    picture = rect(b, "#screen")
    assert inside(picture, x0, y0, x1, y1), "the picture is at %s, the safe area %s" % (
        picture, (x0, y0, x1, y1))
    px, py, pw, ph = picture
    assert abs(pw / ph - 4 / 3) < 0.01, "the picture is %gx%g" % (pw, ph)
    if h > w:
        assert abs(pw - (x1 - x0)) < 1, "the picture is %g wide of %g" % (pw, x1 - x0)
    else:
        # As high as the safe area, or as wide as the room between the
        # controls' columns.
        left, right = rect(b, "#pad-move"), rect(b, "#pad-act")
        between = right[0] - (left[0] + left[2])
        assert abs(ph - (y1 - y0)) < 1 or abs(pw - between) < 1, \
            "the picture is %gx%g in %gx%g between the controls" % (pw, ph, between, y1 - y0)
    found = b.buttons()
    missing = [n for n in NAMES if n not in found]
    assert not missing, "no button named %s (found %s)" % (missing, sorted(found))
    for name in NAMES:
        box = found[name]
        assert box[2] >= 40 and box[3] >= 40, "%s is only %gx%g" % (name, box[2], box[3])
        assert not overlap(box, picture), "%s at %s covers the picture at %s" % (
            name, box, picture)
        assert inside(box, x0, y0, x1, y1), "%s at %s is outside the safe area" % (name, box)
        hit = b.evaluate("(() => { const e = document.elementFromPoint(%g, %g);"
                         " return e && e.getAttribute('aria-label'); })()"
                         % (box[0] + box[2] / 2, box[1] + box[3] / 2))
        assert hit == name, "a finger on %s's middle finds %r" % (name, hit)
    for a in NAMES:
        for c in NAMES:
            assert a >= c or not overlap(found[a], found[c]), "%s and %s overlap" % (a, c)
    said = b.evaluate(NOTICE)
    assert ("sideways" in said) == hint, "the page says %r" % said
    return picture, found


def hold(b, box, first, last):
    """A finger on a control from frame `first` to frame `last`."""
    until_frame(b, first)
    b.touch("touchStart", [dict(centre(box), id=1)])
    until_frame(b, last)
    b.touch("touchEnd", [])


def play(b, ctx, size, shots, name):
    """A game played with the fingers; returns the trace, the frame before
    OK's tap, whether the kick was heard, and what the game and the page held
    before and after the page lost the focus with two fingers down (judged
    by away()). Where the engine's automation cannot cancel a touch, the
    second swing's finger is lifted instead."""
    controls = b.buttons()
    wait_title(b, ctx.title)
    assert b.evaluate(AUDIO) == "suspended", "the audio runs before any touch"
    before = frames_run(b)
    # Down and up at once: both reach the page between two of the game's
    # frames, shorter than a frame.
    b.tap(centre(controls["OK"]))
    wait_ready(b)
    b.wait_for("%s === 'running'" % AUDIO, 10, "the audio to run after the first touch")
    # Aimed from the frame that heard the tap.
    enter = first_frame(page_trace(b), lambda s: s["enterHeld"])
    assert enter is not None, "no frame heard OK's tap"
    first, last = ctx.kick_window
    kick = centre(controls["Kick"])
    # KICK held well before the shuttlecock comes down, and let go as the
    # finger slides off it onto the picture: a swing at the air, no sound.
    until_frame(b, enter + first - 140)
    b.touch("touchStart", [dict(kick, id=1)])
    until_frame(b, enter + first - 110)
    b.touch("touchMove", [dict(centre(rect(b, "#screen")), id=1)])
    wait_frames(b, 3)
    assert not page_trace(b)[-1]["spaceHeld"], "KICK stays held after the finger left it"
    b.touch("touchEnd", [])
    # Again, and the touch cancelled (a call coming in).
    until_frame(b, enter + first - 100)
    b.touch("touchStart", [dict(kick, id=1)])
    until_frame(b, enter + first - 60)
    b.touch("touchCancel" if b.can("touch-cancel") else "touchEnd", [])
    wait_frames(b, 10)
    assert b.evaluate(SOUND) is None, "a sound plays after a swing at the air"
    # Held and let go in the middle of pako-sim's frames: a kick. A busy
    # machine is late to lift a finger: as late as it was for the swing.
    swing = space_releases(page_trace(b))
    late = max(0, min(4, swing[1] - (enter + first - 60))) if len(swing) > 1 else 0
    middle = (first + last) // 2 - late
    hold(b, controls["Kick"], enter + middle - 40, enter + middle)
    kicked = heard(b, "kick.wav")
    # Running right while charging, then the thumb slides onto Left.
    right, left = (centre(controls[n]) for n in ("Right", "Left"))
    b.touch("touchStart", [dict(right, id=1)])
    b.touch("touchStart", [dict(right, id=1), dict(kick, id=2)])
    wait_frames(b, 14)
    if shots:
        b.screenshot(os.path.join(shots, name), scale=2)
    b.touch("touchMove", [dict(left, id=1), dict(kick, id=2)])
    wait_frames(b, 14)
    # The page loses the focus and gets it back (a call, a notification),
    # the fingers still down, in the rally.
    held = page_trace(b)[-1]
    b.evaluate("window.dispatchEvent(new FocusEvent('blur')), true")
    b.evaluate("window.dispatchEvent(new FocusEvent('focus')), true")
    wait_frames(b, 5)
    away = (held, page_trace(b)[-1], b.evaluate("!!document.querySelector('.held')"))
    b.touch("touchEnd", [])
    wait_frames(b, 6)
    return page_trace(b), before, kicked, away


def judge(trace, ctx, before, kicked):
    """What the frames heard: the tap, the two swings, the run with the
    charge, the slide."""
    first, last = ctx.kick_window
    enter = first_frame(trace, lambda s: s["enterHeld"])
    # As long as a finger takes to reach the page, and no longer than a
    # few frames: the tap was shorter than a frame.
    held = [s["frame"] for s in trace if s["enterHeld"]]
    assert enter - before < 10 and len(held) <= 3, \
        "OK tapped after frame %d, heard held in frames %s" % (before, held)
    releases = space_releases(trace)
    assert len(releases) >= 3, "KICK let go at frames %s" % releases
    d = [r - enter for r in releases[:3]]
    for i in (0, 1):
        assert not first <= d[i] <= last and not kicks_after(trace, releases[i]), \
            "KICK let go at +%d (pako-sim kicks from +%d to +%d)" % (d[i], first, last)
    assert first <= d[2] <= last, "KICK aimed at the kick, let go at +%d (+%d to +%d)" % (
        d[2], first, last)
    assert kicks_after(trace, releases[2]), "KICK let go at +%d did not kick" % d[2]
    assert kicked, "kick.wav was not heard"
    assert len(releases) >= 4, "KICK let go at frames %s" % releases
    after = releases[2]
    both = [s for s in trace if s["frame"] > after and s["rightHeld"] and s["spaceHeld"]]
    swapped = [s for s in trace if s["frame"] > after and s["leftHeld"] and s["spaceHeld"]]
    assert len(both) >= 8, "Right and KICK held together in %d frames" % len(both)
    assert len(swapped) >= 8, "Left and KICK held together in %d frames" % len(swapped)
    x = [s["playerX"] + s["cameraX"] for s in both]
    assert x[-1] > x[0], "running right, the player went from %d to %d" % (x[0], x[-1])
    assert both[-1]["power"] > both[0]["power"], "KICK held while running did not charge"
    x = [s["playerX"] + s["cameraX"] for s in swapped]
    assert x[-1] < x[0], "running left, the player went from %d to %d" % (x[0], x[-1])
    assert not any(s["leftHeld"] and s["rightHeld"] for s in trace), "Left and Right held at once"
    assert swapped[0]["frame"] - both[-1]["frame"] == 1, \
        "Right let go at frame %d, Left pressed at %d" % (both[-1]["frame"], swapped[0]["frame"])
    end = trace[-1]
    assert not (end["leftHeld"] or end["rightHeld"] or end["spaceHeld"] or end["enterHeld"]), \
        "a control stays held: %s" % {k: end[k] for k in ("leftHeld", "rightHeld", "spaceHeld")}


def no_scroll_no_zoom(b, picture):
    """Fingers that would scroll and zoom a page, on the picture: DevTools'
    synthesised gestures do neither even on a page that allows both, so the
    fingers are the protocol's touch events, moved a step a frame."""
    x, y = picture[0] + picture[2] / 2, picture[1] + picture[3] / 2
    step = 0.016

    def moves(fingers, steps):
        b.touch("touchStart", fingers(0))
        for i in range(1, steps + 1):
            b.touch("touchMove", fingers(i))
            time.sleep(step)
        b.touch("touchEnd", [])
    # Two fingers spreading apart: a pinch.
    moves(lambda i: [{"x": x - 15 - 8 * i, "y": y, "id": 1},
                     {"x": x + 15 + 8 * i, "y": y, "id": 2}], 10)
    # One finger dragged up and to the side.
    moves(lambda i: [{"x": x + 4 * i, "y": y + 40 - 8 * i, "id": 1}], 10)
    # A double tap zooms on many phones.
    for _ in range(2):
        b.touch("touchStart", [{"x": x, "y": y, "id": 1}])
        b.touch("touchEnd", [])
    # A long press's menu never opens in emulation: the page's answer to the
    # menu's event stands in for it.
    menu = b.evaluate("(() => { const e = new MouseEvent('contextmenu', {bubbles: true,"
                      " cancelable: true}); document.elementFromPoint(%g, %g).dispatchEvent(e);"
                      " return e.defaultPrevented; })()" % (x, y))
    assert menu, "the page lets a menu open under a finger"
    state = b.evaluate("[scrollX, scrollY, visualViewport.scale, visualViewport.offsetLeft,"
                       " visualViewport.offsetTop, document.getSelection().toString()]")
    assert state == [0, 0, 1, 0, 0, ""], \
        "after scrolling and pinching: scroll %s, %s, zoom %s, offset %s, %s, selected %r" % (
            tuple(state))


def phone_group(checks, ctx):
    if not checks.can("phone"):
        # Every check, by name, with the reason.
        for name in ("portrait", "landscape"):
            for what in ("the picture fills the phone, the controls beside or under it cover"
                         " none of it", "the touch controls play", "no control stays held after"
                         " the page loses the focus", "pinching, dragging and double taps leave"
                         " the page unscrolled at zoom 1"):
                checks.run("%s: %s" % (name, what), None, needs=("phone",))
        checks.run("turned sideways, the page lays itself out again", None, needs=("phone",))
        checks.run("with a notch and rounded corners, all stays in the safe area", None,
                   needs=("phone",))
        return
    server, url = serve.start(ctx.build_dir)
    played = {}
    try:
        for size, name in ((PORTRAIT, "portrait"), (LANDSCAPE, "landscape")):
            with browser.start(ctx.engine, *size, phone=True) as b:
                b.add_script(BEFORE_PAGE)
                b.open(url + "?trace=1")
                picture = [None]

                def layout():
                    b.wait_for("window.pakoFirstPicture", 60, "the game's first picture")
                    picture[0], _ = laid_out(b, size, hint=size == PORTRAIT)
                checks.run("%s: the picture fills the phone, the controls beside or under it"
                           " cover none of it" % name, layout)

                def fingers():
                    trace, before, kicked, played[name] = play(
                        b, ctx, size, ctx.screenshots, "phone-%s-%s.png" % (name, ctx.engine))
                    judge(trace, ctx, before, kicked)
                cancel = " or is cancelled" if b.can("touch-cancel") else ""
                checks.run("%s: OK's tap brings READY; KICK kicks in pako-sim's frames only, not"
                           " when a finger slides off it%s; run and KICK together; a slide swaps"
                           " Right for Left" % (name, cancel), fingers)
                if not b.can("touch-cancel"):
                    checks.run("%s: KICK does not kick when its touch is cancelled" % name, None,
                               needs=("touch-cancel",))

                def away():
                    assert played.get(name), "the game played with the fingers did not get so far"
                    held, after, looks = played[name]
                    assert held["leftHeld"] and held["spaceHeld"], \
                        "Left and KICK were not held before: %s" % held
                    stuck = [k for k in ("leftHeld", "rightHeld", "spaceHeld") if after[k]]
                    assert not stuck, "held after the page lost the focus: %s" % stuck
                    assert not looks, "a control looks held"
                checks.run("%s: no control stays held after the page loses the focus" % name,
                           away)
                checks.run("%s: pinching, dragging and double taps leave the page unscrolled"
                           " at zoom 1; no menu, no selection" % name,
                           lambda: no_scroll_no_zoom(b, picture[0] or rect(b, "#screen")))

                if size == PORTRAIT:
                    def turned():
                        b.set_viewport(*LANDSCAPE, phone=True)
                        laid_out(b, LANDSCAPE, hint=False)
                    checks.run("turned sideways, the page lays itself out again", turned)
                else:
                    def notch():
                        b.set_safe_area({"top": 0, "left": 47, "right": 47, "bottom": 21})
                        try:
                            laid_out(b, size, hint=False)
                        finally:
                            b.set_safe_area({})
                    checks.run("with a notch and rounded corners, all stays in the safe area",
                               notch, needs=("safe-area",))

    finally:
        server.shutdown()
