#!/usr/bin/python3
"""The window program on an X window manager and compositor: the notice over
the window, fixed size hints, alpha 235 on screen, maximize and fullscreen
undone, and the close's opacity steps as the server stamped them (X RECORD)
and as the screen showed them. Under a QT_SCALE_FACTOR: the icon and pointers.

    x11_desktop.py --program PATH --desktop openbox+xcompmgr|xfwm4|openbox-scale2
"""

import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402
from desktops import NOTICE, WINDOW, blended, check  # noqa: E402
from Xlib import X, display  # noqa: E402
from Xlib.ext import record, xtest  # noqa: E402
from Xlib.protocol import event  # noqa: E402

# A window manager that has done what a request asked settles within this;
# a program that would undo it afterwards does so well inside it.
SETTLE_S = 0.5
ROOT_COLOR = (255, 0, 0)
WORKING_ALPHA = 235
FADE_STEPS = 45
# A person sees the fade for this long: judged by the pace of its steps (the
# median time between two), which a loaded machine's pauses leave alone.
FADE_MIN_MS, FADE_MAX_MS = 500, 1200
# The screen is read about every 2 ms during the fade; a pixel's channel
# gives the alpha to within a few levels. Steps come once a frame: a reader
# that a loaded machine keeps waiting misses some, a compositor that gets
# them in bursts shows only a handful.
SAMPLE_INTERVAL_S = 0.002
SAMPLE_TOLERANCE = 3
MISSED_LEVELS_ALLOWED = 30
CHANGE_PROPERTY = 18
RECORDED = {"core_requests": (CHANGE_PROPERTY, CHANGE_PROPERTY), "core_replies": (0, 0),
            "ext_requests": (0, 0, 0, 0), "ext_replies": (0, 0, 0, 0), "delivered_events": (0, 0),
            "device_events": (0, 0), "errors": (0, 0), "client_started": False,
            "client_died": False}
# Points of the client area on the controls: the input box, result rows,
# the command labels, a copy label, the title label.
CONTROL_POINTS = [(300, 137), (500, 190), (500, 290), (575, 217), (92, 185), (307, 53)]
# Pointers at design pixels of the client area: the title label takes the
# program icon (32x32, hot spot in its middle), 加密 the command pointer.
POINTERS = [("title label", (307, 53), 32, (16, 16)), ("加密", (497, 120), 32, (12, 2))]
ABOVE = "_NET_WM_STATE_ABOVE"


def unlike_root(color):
    return max(abs(c - r) for c, r in zip(color, ROOT_COLOR))


def atom_names(desk, window, name):
    return {desk.d.get_atom_name(atom) for atom in desk.prop(window, name) or []}


def send(desk, window, kind, *data):
    message = event.ClientMessage(window=window, client_type=desk.atom(kind),
                                  data=(32, list(data) + [0] * (5 - len(data))))
    desk.root.send_event(message, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
    desk.d.flush()


class OpacityRecorder:
    """Every change of one window's opacity: (server time in ms, value)."""

    def __init__(self, desk, window):
        self.key, self.steps = (window.id, desk.atom("_NET_WM_WINDOW_OPACITY")), []
        self.control, data = (display.Display(desk.env["DISPLAY"]) for _ in range(2))
        self.context = self.control.record_create_context(
            record.FromClientTime, [record.AllClients], [RECORDED])
        self.control.sync()
        self.thread = threading.Thread(target=data.record_enable_context,
                                       args=(self.context, self.take), daemon=True)
        self.thread.start()

    def take(self, reply):
        data = reply.data if reply.category == record.FromClient else b""
        while len(data) >= 8:  # each: the server time it came at, then the request
            stamp, request = int.from_bytes(data[:4], sys.byteorder), data[4:]
            length = int.from_bytes(request[2:4], sys.byteorder) * 4
            if length == 0 or len(request) < length:
                break
            words = [int.from_bytes(request[i:i + 4], sys.byteorder) for i in (4, 8, 24)]
            if request[0] == CHANGE_PROPERTY and length >= 28 and tuple(words[:2]) == self.key:
                self.steps.append((stamp, words[2]))
            data = request[length:]

    def stop(self):
        self.control.record_disable_context(self.context)
        self.control.sync()
        self.thread.join(desktops.DEADLINE_S)
        self.control.record_free_context(self.context)
        self.control.close()


def check_hints(desk, window, _):
    hints, (_, _, width, height) = window.get_wm_normal_hints(), desk.geometry(window)
    sizes = (hints.min_width, hints.min_height, width, height, hints.max_width, hints.max_height)
    check(sizes[:2] == sizes[2:4] == sizes[4:], "size hints min %dx%d, window %dx%d, max %dx%d"
          % sizes)
    offered = atom_names(desk, window, "_NET_WM_ALLOWED_ACTIONS") & {
        "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_RESIZE"}
    check(not offered, "the window manager offers " + ", ".join(sorted(offered)))


def check_alpha(desk, window, _):
    """The compositor says nothing when it has painted: the screen is read
    again until it shows the controls' pixels blended over the root."""
    x, y, _, _ = desk.geometry(window)
    points = []
    for px, py in CONTROL_POINTS:
        content = desk.pixel(px, py, window)
        if unlike_root(content) >= 64:
            points.append((px, py, blended(content, ROOT_COLOR, WORKING_ALPHA)))
    check(points, "no control pixel differs from the root color")

    def wrong():
        shown = [(px, py, desk.pixel(x + px, y + py), expected) for px, py, expected in points]
        return [point for point in shown if max(abs(s - e) for s, e in zip(*point[2:])) > 2]
    try:
        desk.wait(lambda: not wrong(), "alpha %d" % WORKING_ALPHA)
    except desktops.Failure:
        raise desktops.Failure("(x, y, shown, at alpha %d): %s" % (WORKING_ALPHA, wrong()))


def held(*wanted):
    """A state request ends with the window at its size and place."""
    return lambda desk, window, _: check_held(desk, window, list(wanted))


def check_held(desk, window, wanted):
    before, states = desk.geometry(window), lambda: atom_names(desk, window, "_NET_WM_STATE")
    send(desk, window, "_NET_WM_STATE", 1, *(desk.atom(name) for name in wanted))
    # Requests are handled in order: once this one shows, the first has been.
    send(desk, window, "_NET_WM_STATE", 1, desk.atom(ABOVE))
    desk.wait(lambda: ABOVE in states(), "the window manager")
    send(desk, window, "_NET_WM_STATE", 0, desk.atom(ABOVE))
    held = lambda: not states() & set(wanted + [ABOVE]) and desk.geometry(window) == before
    desk.wait(held, "the window back at %s" % (before,))
    desk.settle(SETTLE_S)
    check(held(), "the window went to %s with %s, not %s" % (desk.geometry(window), states(),
                                                              before))


def watch_fade(desk, window, looks, program):
    """The alphas the screen shows, at the point most unlike the root."""
    x, y, _, _ = desk.geometry(window)
    (px, py), content = max(zip(CONTROL_POINTS, looks), key=lambda point: unlike_root(point[1]))
    channel = max(range(3), key=lambda i: abs(content[i] - ROOT_COLOR[i]))
    seen = []
    while program.poll() is None:
        shown = desk.pixel(x + px, y + py)[channel] - ROOT_COLOR[channel]
        alpha = round(255 * shown / (content[channel] - ROOT_COLOR[channel]))
        if not seen or seen[-1] != alpha:
            seen.append(alpha)
        time.sleep(SAMPLE_INTERVAL_S)
    return seen


def check_fade(desk, window, program):
    """45 falling steps over a time a person sees, shown falling on screen,
    the controls keeping their colors; then the program ends with 0."""
    looks = lambda: [desk.pixel(px, py, window) for px, py in CONTROL_POINTS]
    before, recorder = looks(), OpacityRecorder(desk, window)
    opacity = lambda: desk.prop(window, "_NET_WM_WINDOW_OPACITY")[0]
    working = opacity()
    send(desk, window, "_NET_CLOSE_WINDOW", X.CurrentTime, 2)
    desk.wait(lambda: opacity() < working, "the first step of the fade")
    check(looks() == before, "the controls changed color when the close began")
    seen = watch_fade(desk, window, before, program)
    desk.wait(lambda: program.poll() is not None, "the program to end after the fade")
    check(program.returncode == 0, "the program ended with status %d" % program.returncode)
    desk.d.sync()
    recorder.stop()
    values = [value for _, value in recorder.steps]
    levels = [round(value * 255 / 0xFFFFFFFF) for value in values]
    ms = recorder.steps[-1][0] - recorder.steps[0][0] if values else 0
    intervals = sorted(b - a for (a, _), (b, _) in zip(recorder.steps, recorder.steps[1:]))
    paced_ms = intervals[len(intervals) // 2] * (FADE_STEPS - 1) if intervals else 0
    missed = [level for level in levels if all(abs(level - a) > SAMPLE_TOLERANCE for a in seen)]
    print("fade-ms %d (%d at the pace of its steps)\nfade-levels %d %s\nscreen-levels %d %s\n"
          "screen-missed %s" % (ms, paced_ms, len(set(values)), levels, len(set(seen)), seen,
                                missed), flush=True)
    check(len(values) == FADE_STEPS and all(a > b for a, b in zip(values, values[1:])),
          "%d opacity steps, not %d falling ones" % (len(values), FADE_STEPS))
    check(FADE_MIN_MS <= paced_ms <= FADE_MAX_MS, "the fade's steps make it last %d ms" % paced_ms)
    check(len(missed) <= MISSED_LEVELS_ALLOWED, "the screen never showed %d steps" % len(missed))
    rises = [(a, b) for a, b in zip(seen, seen[1:]) if b > a + SAMPLE_TOLERANCE]
    check(not rises, "the screen showed the window more opaque than before: %s" % rises[:3])
    said = [line for line in desk.output(program).splitlines() if "wayland" in line.lower()]
    check(not said, "the program tried Wayland: " + "\n".join(said))


def check_pictures(desk, window, _):
    """The icon and pointers drawn in the screen's pixels, not stretched."""
    scale, (x, y, _, _) = float(desk.env["QT_SCALE_FACTOR"]), desk.geometry(window)
    data, widths = desk.prop(window, "_NET_WM_ICON") or [], []
    while len(data) >= 2:
        widths.append(data[0])
        data = data[2 + data[0] * data[1]:]
    check(any(width >= 32 * scale for width in widths), "the icon holds only widths %s" % widths)
    desk.d.xfixes_query_version()
    cursor = lambda: desk.d.xfixes_get_cursor_image(desk.root)
    for what, (px, py), size, hot in POINTERS:
        wanted = tuple(round(n * scale) for n in (size,) + hot)
        xtest.fake_input(desk.d, X.MotionNotify, x=x + round(px * scale), y=y + round(py * scale))
        desk.d.sync()
        try:  # the program does not announce that it has handled the crossing
            desk.wait(lambda: (cursor().width, cursor().xhot, cursor().yhot) == wanted, what)
        except desktops.Failure:
            raise desktops.Failure("the %s pointer is %dx%d with hot spot %d,%d, not %s" % (
                what, cursor().width, cursor().height, cursor().xhot, cursor().yhot, wanted))


def start(desk, program):
    """As on a Wayland session with XWayland: the window goes to X."""
    process = desk.start([program], env={"WAYLAND_DISPLAY": "md5z-no-such-compositor"})
    [notice] = desk.wait_windows(NOTICE, 1)
    [window] = desk.windows(WINDOW)
    # Its state, size and place changes wake the waits.
    window.change_attributes(event_mask=X.PropertyChangeMask | X.StructureNotifyMask)
    owner = notice.get_wm_transient_for()
    check(owner is not None and owner.id == window.id, "the notice is not transient for the window")
    desk.answer_notice()
    return process, window


ROWS = [("size hints", check_hints), ("alpha", check_alpha),
        ("maximize", held("_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ")),
        ("fullscreen", held("_NET_WM_STATE_FULLSCREEN")),
        ("fade", check_fade)]


def main(args):
    with desktops.Session(args.desktop, root=ROOT_COLOR) as desk:
        rows = [("icon and pointers", check_pictures)] if "QT_SCALE_FACTOR" in desk.env else ROWS
        try:
            process, window = start(desk, args.program)
            failures = desktops.play(rows, desk, window, process)
        except desktops.Failure as failure:
            print("FAIL start: %s" % failure)
            failures = 1
        if failures:
            print(desk.log())
        return failures


if __name__ == "__main__":
    desktops.run_test(main, "desktop")
