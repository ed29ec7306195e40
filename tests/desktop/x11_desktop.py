#!/usr/bin/python3
"""The window program on a real X desktop: a window manager and a
compositor of the test's own (tools/desktops).

    x11_desktop.py --program PATH --desktop openbox+xcompmgr
    x11_desktop.py --program PATH --desktop xfwm4
    x11_desktop.py --program PATH --desktop openbox-scale2

Checks what a person gets: the notice over the window, the size hints the
window manager reads, the window's alpha on screen (a pixel over the known
root color), maximize and fullscreen requests ending at the design size
and the previous place, and the close: every opacity step the program sends
(recorded with the X RECORD extension, with the server's times), in falling
order over a duration a person can see, while the controls keep their
colors. Ends with one line per measure: "fade-ms N" (first to last step),
"fade-levels N" (distinct opacities sent) and "screen-levels N" (distinct
alphas the screen showed, the root's 0 after the window included). On a
desktop with a QT_SCALE_FACTOR the window runs at that device pixel ratio
and only its icon and pointers are checked.

Waits follow X events (property and structure changes), each with a
generous deadline. Exit status 77 when a tool is missing, for CTest's SKIP.
"""

import argparse
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402
from desktops import Failure  # noqa: E402

try:
    from Xlib import X, display
    from Xlib.ext import record, xtest
except ImportError:  # python3-xlib
    print("python3-xlib is not installed")
    sys.exit(77)

SKIP = 77
DEADLINE_S = 30
# A window manager that has done what a request asked settles within this;
# a program that would undo it afterwards does so well inside it.
SETTLE_S = 0.5
ROOT_COLOR = (255, 0, 0)
WORKING_ALPHA = 235
FADE_STEPS = 45
# A person sees the fade for this long: judged by the pace of its steps (the
# median time between two), which a loaded machine's pauses leave alone.
FADE_MIN_S, FADE_MAX_S = 0.5, 1.2
OPACITY_MAX = 0xFFFFFFFF
# The screen is read about every 2 ms during the fade; a pixel's channel
# gives the alpha to within a few levels.
SAMPLE_INTERVAL_S = 0.002
SAMPLE_TOLERANCE = 3
# Steps come once a frame; a reader that a loaded machine keeps waiting
# misses some, a compositor that gets them in bursts shows only a handful.
MISSED_LEVELS_ALLOWED = 30
CHANGE_PROPERTY = 18
NOTICE_TITLE = "提示"
WINDOW_TITLE = "MD5Zevrin"
# Points of the client area (pixels from its top-left corner) on the
# controls: the input box, a result row, the command labels, a copy label.
# Pointers at design pixels of the client area: the title label takes the
# program icon (32x32, hot spot in its middle), the command label 加密 the
# command pointer (32x32, hot spot 12,2).
POINTERS = [("title label", (307, 53), 32, (16, 16)), ("加密", (497, 120), 32, (12, 2))]
CONTROL_POINTS = [(300, 137), (500, 190), (500, 290), (575, 217), (92, 185), (307, 53)]


STARTED = time.monotonic()


def say(text):
    """A line of the report, with the seconds since the start: a step that
    waits long on a loaded machine shows where."""
    print("%6.2f %s" % (time.monotonic() - STARTED, text), flush=True)


def check(condition, message):
    if not condition:
        raise Failure(message)


def states(desk, window):
    return {desk.d.get_atom_name(a) for a in (desk.prop(window, "_NET_WM_STATE") or [])}


def send_root_message(desk, window, kind, data):
    from Xlib.protocol import event
    message = event.ClientMessage(window=window, client_type=desk.atom(kind), data=(32, data))
    desk.root.send_event(message, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
    desk.d.flush()


def request_state(desk, window, action, *names):
    data = [action] + [desk.atom(name) for name in names]
    send_root_message(desk, window, "_NET_WM_STATE", data + [0] * (5 - len(data)))


class OpacityRecorder:
    """Every ChangeProperty of _NET_WM_WINDOW_OPACITY on one window, with
    the server's time in milliseconds."""

    def __init__(self, name, window, atom):
        self.window, self.atom = window, atom
        self.steps = []
        self.control = display.Display(name)
        self.data = display.Display(name)
        self.context = self.control.record_create_context(
            record.FromClientTime, [record.AllClients],
            [{"core_requests": (CHANGE_PROPERTY, CHANGE_PROPERTY), "core_replies": (0, 0),
              "ext_requests": (0, 0, 0, 0), "ext_replies": (0, 0, 0, 0),
              "delivered_events": (0, 0), "device_events": (0, 0), "errors": (0, 0),
              "client_started": False, "client_died": False}])
        self.control.sync()
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        self.data.record_enable_context(self.context, self._take)

    def _take(self, reply):
        if reply.category != record.FromClient:
            return
        data = reply.data
        # Each element: the server time it arrived at, then the request.
        while len(data) >= 8:
            stamp = int.from_bytes(data[0:4], sys.byteorder)
            request = data[4:]
            length = int.from_bytes(request[2:4], sys.byteorder) * 4
            if length == 0 or len(request) < length:
                break
            if request[0] == CHANGE_PROPERTY and length >= 28:
                window = int.from_bytes(request[4:8], sys.byteorder)
                prop = int.from_bytes(request[8:12], sys.byteorder)
                if window == self.window and prop == self.atom:
                    value = int.from_bytes(request[24:28], sys.byteorder)
                    self.steps.append((stamp, value))
            data = request[length:]

    def stop(self):
        self.control.record_disable_context(self.context)
        self.control.sync()
        self.thread.join(DEADLINE_S)
        self.control.record_free_context(self.context)
        self.control.close()


def blended(content, background, alpha):
    return tuple((c * alpha + b * (255 - alpha)) / 255 for c, b in zip(content, background))


def check_alpha(desk, window):
    """The screen shows the window's pixels at alpha 235 over the root. The
    compositor paints when it gets to it, and says nothing when it has: the
    screen is read again until it shows the blend or the deadline passes."""
    x, y, _, _ = desk.geometry(window)
    points = []
    for px, py in CONTROL_POINTS:
        content = desk.pixel(px, py, window)
        if max(abs(c - b) for c, b in zip(content, ROOT_COLOR)) >= 64:
            points.append(((px, py), content, blended(content, ROOT_COLOR, WORKING_ALPHA)))
    check(points, "no control pixel differs from the root color")

    def shown_blended():
        return all(all(abs(s - e) <= 2 for s, e in zip(desk.pixel(x + px, y + py),
                                                       expected))
                   for (px, py), _, expected in points)

    end = time.monotonic() + DEADLINE_S
    while not shown_blended() and time.monotonic() < end:
        desk.settle(0.02)
    for (px, py), content, expected in points:
        shown = desk.pixel(x + px, y + py)
        check(all(abs(s - e) <= 2 for s, e in zip(shown, expected)),
              "pixel (%d,%d): window %s shows as %s, not %s at alpha %d"
              % (px, py, content, shown, tuple(round(e) for e in expected), WORKING_ALPHA))
    say("alpha: %d control pixels show at alpha %d" % (len(points), WORKING_ALPHA))


def check_hints(desk, window):
    hints = window.get_wm_normal_hints()
    _, _, width, height = desk.geometry(window)
    check((hints.min_width, hints.min_height) == (width, height) ==
          (hints.max_width, hints.max_height),
          "size hints min %dx%d max %dx%d for a %dx%d window"
          % (hints.min_width, hints.min_height, hints.max_width, hints.max_height, width, height))
    actions = {desk.d.get_atom_name(a) for a in (desk.prop(window, "_NET_WM_ALLOWED_ACTIONS") or [])}
    offered = actions & {"_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT",
                         "_NET_WM_ACTION_RESIZE"}
    check(not offered, "the window manager offers " + ", ".join(sorted(offered)))
    say("hints: fixed at %dx%d; allowed actions %s" % (width, height, " ".join(sorted(
        a.replace("_NET_WM_ACTION_", "") for a in actions))))


def check_held(desk, window, wanted, design):
    """A state request ends with the window at its design size and place."""
    before = desk.geometry(window)
    check(before[2:] == design, "the window is %dx%d before the request" % before[2:])
    request_state(desk, window, 1, *wanted)
    # The window manager handles requests in order: once this second one
    # shows, the first has been dealt with.
    request_state(desk, window, 1, "_NET_WM_STATE_ABOVE")
    desk.wait(lambda: "_NET_WM_STATE_ABOVE" in states(desk, window), "the window manager")
    request_state(desk, window, 0, "_NET_WM_STATE_ABOVE")
    held = lambda: (not states(desk, window) & set(wanted)
                    and "_NET_WM_STATE_ABOVE" not in states(desk, window)
                    and desk.geometry(window) == before)
    try:
        desk.wait(held, "the window back at %s" % (before,))
    except Failure:
        pass
    desk.settle(SETTLE_S)
    check(held(), "after %s the window is at %s with %s, not at %s"
          % ("+".join(wanted), desk.geometry(window), states(desk, window), before))
    say("held: %s ends at %dx%d+%d+%d" % ("+".join(s.replace("_NET_WM_STATE_", "")
                                              for s in wanted), before[2], before[3],
                                             before[0], before[1]))


def watch_fade(desk, window, looks, program):
    """The alphas the screen shows the window at, read from one pixel of the
    root as fast as the server answers, until the program has ended."""
    x, y, _, _ = desk.geometry(window)
    (px, py), content = max(zip(CONTROL_POINTS, looks),
                            key=lambda point: max(abs(c - b) for c, b in
                                                  zip(point[1], ROOT_COLOR)))
    channel = max(range(3), key=lambda i: abs(content[i] - ROOT_COLOR[i]))
    span = content[channel] - ROOT_COLOR[channel]
    seen = []
    while program.poll() is None:
        shown = desk.pixel(x + px, y + py)[channel]
        alpha = round(255 * (shown - ROOT_COLOR[channel]) / span)
        if not seen or seen[-1] != alpha:
            seen.append(alpha)
        time.sleep(SAMPLE_INTERVAL_S)
    return seen


def check_fade(desk, name, window, program):
    looks_before = [desk.pixel(px, py, window) for px, py in CONTROL_POINTS]
    opacity = desk.atom("_NET_WM_WINDOW_OPACITY")
    recorder = OpacityRecorder(name, window.id, opacity)
    working = desk.prop(window, "_NET_WM_WINDOW_OPACITY")[0]
    send_root_message(desk, window, "_NET_CLOSE_WINDOW", [X.CurrentTime, 2, 0, 0, 0])
    desk.wait(lambda: desk.prop(window, "_NET_WM_WINDOW_OPACITY")[0] < working,
              "the first step of the fade")
    looks_during = [desk.pixel(px, py, window) for px, py in CONTROL_POINTS]
    check(looks_during == looks_before,
          "the controls changed color when the close began: %s, before %s"
          % (looks_during, looks_before))
    seen = watch_fade(desk, window, looks_before, program)
    try:
        status = program.wait(DEADLINE_S)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after the fade")
    desk.d.sync()
    recorder.stop()
    check(status == 0, "the program ended with status %d" % status)
    steps = recorder.steps
    values = [v for _, v in steps]
    levels = [round(v * 255 / OPACITY_MAX) for v in values]
    distinct = len(set(values))
    duration_ms = steps[-1][0] - steps[0][0] if steps else 0
    intervals = sorted(b - a for (a, _), (b, _) in zip(steps, steps[1:]))
    paced_ms = intervals[len(intervals) // 2] * (FADE_STEPS - 1) if intervals else 0
    say("fade: levels %s" % " ".join(str(level) for level in levels))
    say("fade: ms %s" % " ".join(str(t - steps[0][0]) for t, _ in steps))
    say("fade-ms %d" % duration_ms)
    say("fade: %d ms at the pace of its steps" % paced_ms)
    say("fade-levels %d" % distinct)
    say("screen: alphas %s" % " ".join(str(a) for a in seen))
    say("screen-levels %d" % len(set(seen)))
    missed = [level for level in levels
              if not any(abs(level - alpha) <= SAMPLE_TOLERANCE for alpha in seen)]
    say("screen-missed %s" % (" ".join(str(level) for level in missed) or "none"))
    check(len(missed) <= MISSED_LEVELS_ALLOWED,
          "the screen never showed %d of the %d steps" % (len(missed), len(levels)))
    rises = [(a, b) for a, b in zip(seen, seen[1:]) if b > a + SAMPLE_TOLERANCE]
    check(not rises, "the screen showed the window more opaque than before: %s" % rises[:3])
    check(distinct == FADE_STEPS and len(values) == FADE_STEPS,
          "%d opacity changes with %d distinct values, not %d" % (len(values), distinct,
                                                                  FADE_STEPS))
    check(all(a > b for a, b in zip(values, values[1:])), "the opacity does not only fall")
    check(FADE_MIN_S * 1000 <= paced_ms <= FADE_MAX_S * 1000,
          "the fade's steps make it last %d ms" % paced_ms)


def icon_sizes(desk, window):
    data = desk.prop(window, "_NET_WM_ICON") or []
    sizes, i = [], 0
    while i + 2 <= len(data):
        width, height = data[i], data[i + 1]
        sizes.append((width, height))
        i += 2 + width * height
    return sizes


def pointer_over(desk, window, point, scale, wanted):
    """The pointer the screen shows over a point of the client area, once it
    is the one wanted or the deadline has passed: it changes when the
    program has handled the crossing, which the program does not announce."""
    x, y, _, _ = desk.geometry(window)
    xtest.fake_input(desk.d, X.MotionNotify, x=x + round(point[0] * scale),
                     y=y + round(point[1] * scale))
    desk.d.sync()
    end = time.monotonic() + DEADLINE_S
    while True:
        image = desk.d.xfixes_get_cursor_image(desk.root)
        if (image.width, image.xhot, image.yhot) == wanted or time.monotonic() > end:
            return image
        desk.settle(0.02)


def check_pictures(desk, window, scale):
    """At a device pixel ratio above 1 the window icon and the pointers come
    in the screen's pixels, not stretched from the design size."""
    sizes = icon_sizes(desk, window)
    check(any(width >= 32 * scale for width, _ in sizes),
          "the window icon holds only %s" % sizes)
    desk.d.xfixes_query_version()
    for what, point, size, hot in POINTERS:
        expected_size = round(size * scale)
        expected_hot = (round(hot[0] * scale), round(hot[1] * scale))
        image = pointer_over(desk, window, point, scale, (expected_size,) + expected_hot)
        check((image.width, image.xhot, image.yhot) == (expected_size,) + expected_hot,
              "the %s pointer is %dx%d with hot spot %d,%d, not %d wide with %d,%d"
              % (what, image.width, image.height, image.xhot, image.yhot, expected_size,
                 *expected_hot))
        say("pointer: %s %dx%d, hot spot %d,%d" % (what, image.width, image.height,
                                                    image.xhot, image.yhot))
    say("icon: %s" % " ".join("%dx%d" % size for size in sizes))


def run(desk, program):
    # As on a Wayland session with XWayland: the window goes to X all the
    # same, and says nothing of Wayland.
    process = desk.start([program], env={"WAYLAND_DISPLAY": "md5z-no-such-compositor"})
    [notice] = desk.wait_windows(NOTICE_TITLE, 1)
    [window] = desk.windows(WINDOW_TITLE)
    # Its state, size and place changes wake the waits below.
    window.change_attributes(event_mask=X.PropertyChangeMask | X.StructureNotifyMask)
    owner = notice.get_wm_transient_for()
    check(owner is not None and owner.id == window.id, "the notice is not transient for the window")
    desk.key("Return", window=notice)
    desk.wait_windows(NOTICE_TITLE, 0)
    say("notice: over the window, dismissed with Return")

    scale = float(desk.env.get("QT_SCALE_FACTOR", 1))
    if scale != 1:
        check_pictures(desk, window, scale)
        return
    check_hints(desk, window)
    design = desk.geometry(window)[2:]
    check_alpha(desk, window)
    check_held(desk, window, ["_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"],
               design)
    check_held(desk, window, ["_NET_WM_STATE_FULLSCREEN"], design)
    check_fade(desk, desk.env["DISPLAY"], window, process)
    said = [line for line in desk.output(process).splitlines() if "wayland" in line.lower()]
    check(not said, "the program tried Wayland: " + "\n".join(said))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--desktop", required=True)
    args = parser.parse_args()
    try:
        with desktops.Session(args.desktop, root=ROOT_COLOR) as desk:
            try:
                run(desk, args.program)
            except Failure as failure:
                sys.stdout.write(desk.log())
                say("FAIL: %s" % failure)
                return 1
    except desktops.Unavailable as missing:
        say("skipped: %s" % missing)
        return SKIP
    return 0


if __name__ == "__main__":
    sys.exit(main())
