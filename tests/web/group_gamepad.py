"""Gamepads in the page: a pad the test plugs in through the browser's own
interface (navigator.getGamepads and its events), before the page starts or
after; a standard one plays, one the browser cannot map is left out and the
page says so. The game's trace (?trace) tells what each frame heard."""
from common import (BEFORE_PAGE, NOTICE, browser, fail, first_frame, frames_run, heard,
                    kicks_after, page_trace, serve, space_releases, until_frame, wait_frames,
                    wait_ready, wait_title)

# Four slots of pads, filled and pressed by the test. The browser reads a
# pad again only when its timestamp moves, as a real pad's does with every
# change.
PADS = r"""
window.pakoPads = {
  slots: [null, null, null, null],
  plug(index, mapping, id, announce) {
    const pad = {id, index, mapping, connected: true, timestamp: performance.now(),
                 axes: [0, 0, 0, 0],
                 buttons: Array.from({length: 17}, () => ({pressed: false, touched: false, value: 0}))};
    this.slots[index] = pad;
    if (announce) {
      const e = new Event('gamepadconnected');
      e.gamepad = pad;
      window.dispatchEvent(e);
    }
    return true;
  },
  press(index, button, down) {
    const pad = this.slots[index];
    pad.buttons[button] = {pressed: down, touched: down, value: down ? 1 : 0};
    pad.timestamp += 1;
    return true;
  },
  stick(index, x, y) {
    const pad = this.slots[index];
    pad.axes[0] = x;
    pad.axes[1] = y;
    pad.timestamp += 1;
    return true;
  },
  unplug(index) {
    const pad = this.slots[index];
    this.slots[index] = null;
    pad.connected = false;
    const e = new Event('gamepaddisconnected');
    e.gamepad = pad;
    window.dispatchEvent(e);
    return true;
  },
};
Navigator.prototype.getGamepads = function () { return window.pakoPads.slots.slice(); };
"""
PLUGGED_BEFORE = "window.pakoPads.plug(0, 'standard', 'Test pad (STANDARD GAMEPAD)', false);"

A, BACK, START, UP, DOWN, LEFT, RIGHT = 0, 8, 9, 12, 13, 14, 15


def press(b, pad, button, frames=3):
    b.evaluate("window.pakoPads.press(%d, %d, true)" % (pad, button))
    wait_frames(b, frames)
    b.evaluate("window.pakoPads.press(%d, %d, false)" % (pad, button))


def held_frames(b, pad, button, first, last):
    until_frame(b, first)
    b.evaluate("window.pakoPads.press(%d, %d, true)" % (pad, button))
    until_frame(b, last)
    b.evaluate("window.pakoPads.press(%d, %d, false)" % (pad, button))


def standard_pad_plays(b, ctx, pad):
    """Start brings READY, A held through pako-sim's frames kicks, the d-pad
    and the left stick run."""
    before = frames_run(b)
    press(b, pad, START)
    wait_ready(b)
    # Aimed from the frame that heard Start: at the earliest the frame that
    # was due when it was pressed, whose number is the count of frames run.
    enter = first_frame(page_trace(b), lambda s: s["enterHeld"])
    assert enter is not None and enter >= before, "Start was not heard"
    first, last = ctx.kick_window
    # A busy machine is late to press and let go: as late as it was for Start.
    middle = (first + last) // 2 - max(0, min(4, enter - before))
    held_frames(b, pad, A, enter + middle - 40, enter + middle)
    kicked = heard(b, "kick.wav")
    press(b, pad, RIGHT, 10)
    # A stick passes through the middle of its travel.
    b.evaluate("window.pakoPads.stick(%d, -0.4, 0)" % pad)
    wait_frames(b, 2)
    b.evaluate("window.pakoPads.stick(%d, -1, 0)" % pad)
    wait_frames(b, 10)
    b.evaluate("window.pakoPads.stick(%d, 0, 0)" % pad)
    wait_frames(b, 3)
    trace = page_trace(b)
    release = space_releases(trace)[0]
    assert first <= release - enter <= last and kicks_after(trace, release), \
        "A let go at +%d (pako-sim kicks from +%d to +%d) did not kick" % (
            release - enter, first, last)
    assert kicked, "kick.wav was not heard"
    right = [s for s in trace if s["frame"] > release and s["rightHeld"]]
    left = [s for s in trace if s["frame"] > release and s["leftHeld"]]
    assert len(right) >= 5 and len(left) >= 5, "the d-pad ran %d frames, the stick %d" % (
        len(right), len(left))
    assert left[0]["frame"] > right[-1]["frame"]
    x = lambda s: s["playerX"] + s["cameraX"]  # noqa: E731
    assert x(right[-1]) > x(right[0]) and x(left[-1]) < x(left[0]), "the player did not run"
    return trace


def gamepad_group(checks, ctx):
    server, url = serve.start(ctx.build_dir)
    try:
        with browser.start(ctx.engine, 1280, 1000) as b:
            for source in (BEFORE_PAGE, PADS, PLUGGED_BEFORE):
                b.add_script(source)
            b.open(url + "?trace=1")

            def before():
                b.wait_for("window.pakoFirstPicture", 60, "the game's first picture")
                wait_title(b, ctx.title)
                standard_pad_plays(b, ctx, 0)
            checks.run("a standard gamepad plugged in before the page starts: Start brings"
                       " READY, A kicks in pako-sim's frames, the d-pad and stick run", before)

            def unplugged():
                b.evaluate("window.pakoPads.press(0, %d, true)" % A)
                wait_frames(b, 5)
                held = page_trace(b)[-1]
                assert held["spaceHeld"], "A is not heard held"
                # The frames run when the pad went, read as it goes.
                gone = b.evaluate("window.pakoPads.unplug(0) && Module._pako_frames_run()")
                wait_frames(b, 30)
                # The frame running as the pad went may still have had A.
                after = [s for s in page_trace(b) if s["frame"] > gone + 1]
                flags = ("spaceHeld", "leftHeld", "rightHeld", "enterHeld")
                stuck = [(s["frame"], [f for f in flags if s[f]]) for s in after
                         if any(s[f] for f in flags)]
                assert after and not stuck, "held after the pad went: %s" % stuck[:3]
            checks.run("a gamepad unplugged while A is held: nothing stays held", unplugged)

        with browser.start(ctx.engine, 1280, 1000) as b:
            for source in (BEFORE_PAGE, PADS):
                b.add_script(source)
            b.open(url + "?trace=1")

            def unknown():
                b.wait_for("window.pakoFirstPicture", 60, "the game's first picture")
                wait_title(b, ctx.title)
                b.evaluate("window.pakoPads.plug(0, '', 'Odd stick (Vendor: 1234 Product: 5678)',"
                           " true)")
                b.wait_for("%s.includes('Odd stick')" % NOTICE, 5, "the page to say so")
                if "not used" not in b.evaluate(NOTICE).lower():
                    fail("the page says %r" % b.evaluate(NOTICE))
                for button in (START, A, 3, 1, 2):
                    press(b, 0, button, 4)
                wait_frames(b, 5)
                wait_title(b, ctx.title, 5)
                heard = [s["frame"] for s in page_trace(b) if s["enterHeld"] or s["spaceHeld"]]
                assert not heard, "the unknown pad's buttons were heard in frames %s" % heard[:5]
                b.evaluate("window.pakoPads.unplug(0)")
                b.wait_for("!%s.includes('Odd stick')" % NOTICE, 5, "the line to go")
            checks.run("a gamepad the browser cannot map is not used, and the page says so",
                       unknown)

            def after():
                b.evaluate("window.pakoPads.plug(1, 'standard', 'Late pad (STANDARD GAMEPAD)',"
                           " true)")
                wait_frames(b, 3)
                standard_pad_plays(b, ctx, 1)
            checks.run("a standard gamepad plugged in after the page started plays", after)
    finally:
        server.shutdown()
