#!/usr/bin/python3
"""The window on GNOME's mutter, KDE's KWin and sway, headless, in both of
their modes: through their Xwayland (the program's own choice) and as a
native Wayland client (QT_QPA_PLATFORM=wayland). One compositor session
serves every row; what is measured is what the compositor shows.

    compositors.py --program PATH [--starts N] mutter|kwin|sway

Per mode: the notice centred over the window (nothing it covered lies
outside the window, its middle near the window's) and focused (Return
answers it); the alpha white content shows at (from screenshots against
the bare output, 235 at rest); the window floating at its design size and
refusing maximize; the fade-out seen at falling levels; the close's exit
status 0. Then, beside sway, a DISPLAY naming no
server: the window opens on Wayland. Exit status 77 when the
compositor is not installed.
"""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402
from desktops import Failure, _compositor, check  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# Installed for these tests alone, not for running the program.
PACKAGES = {
    "sway": ["sway", "swaybg", "xwayland", "wtype", "grim"],
    "kwin": ["kwin-wayland", "kwin-style-breeze", "xwayland", "python3-gi"],
    "mutter": ["mutter", "xwayland", "pipewire", "wireplumber", "gstreamer1.0-pipewire",
               "gstreamer1.0-tools", "gstreamer1.0-plugins-base", "python3-gi"],
}
WORKING_ALPHA = 235
# The fade's last steps are alphas 15 and 10. After them the screen shows
# the compositor's animation of the window's going (mutter shrinks the window
# with its frame and shadow), which may read a few levels up again.
LAST_ALPHAS = 15
ALPHA_TOLERANCE = 3
TITLE = "MD5Zevrin"
# The window and its frame at the design size, with room for any frame.
MAX_SHOWN = (700, 460)
# A run of changed pixels this wide along a row is the notice's.
MIN_RUN = 100
# A notice centred over the window has its middle this near the window's
# (window managers centre it over the frame, which is not always even).
NOTICE_ASIDE = 20
# Pixels that may change between two screenshots of a screen at rest (a
# blinking caret).
AT_REST_PIXELS = 400
# The screen shows what a compositor lists within this.
NOTICE_HOLD_S = 0.3
# mutter's screen cast redraws its background gradient a few levels apart.
NOISE = 8
# Every other pixel of every other row is read: fast enough to follow a fade.
STEP = 2
# The fade's many frames are read on a coarser grid.
FADE_STEP = 4
# Estimates of one white pixel's alpha from its channels agree this closely.
CHANNELS_AGREE = 4
# White content at one alpha shows in at least this many read pixels.
MIN_SAMPLES = 150
# A frame above the content (title bar) and its borders are left out of the
# alpha reading: the compositor draws them.
FRAME_TOP, FRAME_SIDE = 40, 6


STARTED = time.monotonic()


def say(text):
    """A line of the report, with the seconds since the start."""
    print("%6.2f %s" % (time.monotonic() - STARTED, text), flush=True)


def difference(before, after, box=None):
    """The pixels (x, y) that differ by more than noise, on the STEP grid.
    Rows that agree byte for byte are passed over whole."""
    x0, y0, x1, y1 = box or (0, 0, before.width, before.height)
    changed = []
    for y in range(y0, y1, STEP):
        start, end = (y * before.width + x0) * 4, (y * before.width + x1) * 4
        if before.data[start:end] == after.data[start:end]:
            continue
        for i in range(start, end, 4 * STEP):
            if max(abs(a - b) for a, b in zip(before.data[i:i + 3], after.data[i:i + 3])) > NOISE:
                changed.append(((i // 4) % before.width, y))
    return changed


def bounds(points):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def settled(desk, unlike=None, what="the screen", hold=0.0):
    """A screenshot once two in a row agree (and another after hold
    seconds), and differ from unlike."""
    def same(a, b):
        return len(difference(a, b)) * STEP * STEP < AT_REST_PIXELS

    end = time.monotonic() + desktops.DEADLINE_S
    last = desk.screenshot()
    while time.monotonic() < end:
        shot = desk.screenshot()
        if same(last, shot) and (unlike is None or not same(unlike, shot)):
            time.sleep(hold)
            last = desk.screenshot()
            if same(last, shot):
                return shot
            continue
        last = shot
    raise Failure("timed out waiting for " + what)


def estimate(background, shot, channels):
    """The alpha at which white drawn over the bare output shows as shot,
    from each of the channels (byte offsets) given."""
    return [255 * (shot.data[c] - background.data[c]) / (255 - background.data[c])
            for c in channels]


def white_estimates(background, shot, box, step):
    """(channels, alpha) of each read pixel whose channels with room for it
    agree on the alpha at which it would show white."""
    x0, y0, x1, y1 = box
    for y in range(y0 + FRAME_TOP, y1 - FRAME_SIDE, step):
        row = y * shot.width * 4
        for x in range(x0 + FRAME_SIDE, x1 - FRAME_SIDE, step):
            i = row + x * 4
            channels = [c for c in range(i, i + 3) if 255 - background.data[c] >= 64]
            alphas = estimate(background, shot, channels)
            if len(alphas) >= 2 and max(alphas) - min(alphas) <= CHANNELS_AGREE:
                yield channels, sum(alphas) / len(alphas)


def white_alpha(background, shot, box):
    """The alpha at which white content shows: the highest alpha that many
    pixels agree on, the window's other colours reading lower or not at all."""
    counts = {}
    for _, alpha in white_estimates(background, shot, box, STEP):
        level = round(alpha)
        counts[level] = counts.get(level, 0) + 1
    levels = [level for level in counts if 5 <= level <= 255 and sum(
        counts.get(level + d, 0) for d in range(-2, 3)) >= MIN_SAMPLES]
    return max(levels) if levels else None


def white_pixels(background, shown, box, alpha):
    """The read pixels that show white content at alpha."""
    return [channels for channels, level in white_estimates(background, shown, box, FADE_STEP)
            if abs(level - alpha) <= CHANNELS_AGREE]


def pixels_alpha(background, shot, pixels):
    """The alpha most of the white pixels show at: the median of theirs, so
    that what covers a few of them (a compositor's frame moving over them as
    it animates the window's going) does not count."""
    alphas = sorted(sum(a) / len(a) for a in (estimate(background, shot, c) for c in pixels))
    return round(alphas[len(alphas) // 2])


def notice_middle(changed, window):
    """Where the notice's middle was: the middle of the widest unbroken
    run of changed pixels, taken row by row below the window's title bar
    (whose colour follows the focus). The notice's rows outnumber the
    frame's edges and the text that changes with it."""
    rows = {}
    for x, y in changed:
        if y >= window[1] + FRAME_TOP:
            rows.setdefault(y, []).append(x)
    middles = []
    for xs in rows.values():
        runs, start = [], xs[0]
        for before, x in zip(xs, xs[1:] + [None]):
            if x != before + STEP:
                runs.append((before - start, (start + before) / 2))
                start = x
        width, middle = max(runs)
        if width >= MIN_RUN:
            middles.append(middle)
    return sorted(middles)[len(middles) // 2] if middles else None


class Mode:
    """One run of the program on the session, in one mode."""

    def __init__(self, desk, compositor, program, mode):
        self.desk, self.compositor, self.mode = desk, compositor, mode
        self.env = {"QT_QPA_PLATFORM": "wayland"} if mode == "wayland" else {}
        self.program_path = program

    def run(self):
        shown, window = self.notice()
        width, height = window[2] - window[0], window[3] - window[1]
        say("%s shown: %dx%d" % (self.mode, width, height))
        check(width <= MAX_SHOWN[0] and height <= MAX_SHOWN[1],
              "the window shows %dx%d: tiled or maximized" % (width, height))
        alpha = white_alpha(self.background, shown, window)
        say("%s alpha: %s" % (self.mode, alpha))
        check(alpha is not None and abs(alpha - WORKING_ALPHA) <= ALPHA_TOLERANCE,
              "white content shows at alpha %s, not %d" % (alpha, WORKING_ALPHA))
        self.check_fixed(window)
        levels = self.fade(white_pixels(self.background, shown, window, alpha))
        say("%s fade: %s" % (self.mode, " ".join(map(str, levels))))
        between = [level for level in levels if 10 < level < WORKING_ALPHA - ALPHA_TOLERANCE]
        # Screenshots one by one catch a few of the 45 steps on a loaded
        # machine; one level between rest and end shows the fade is seen.
        check(between, "the fade showed no level between rest and end: %s" % levels)
        check(all(b <= max(a + ALPHA_TOLERANCE, LAST_ALPHAS) for a, b in zip(levels, levels[1:])),
              "the fade rose again: %s" % levels)
        status = self.program.wait(desktops.DEADLINE_S)
        say("%s exit status: %d" % (self.mode, status))
        check(status == 0, "the program ended with status %d" % status)
        settled(self.desk, shown, "the window to go")

    def notice(self, start=None):
        """Starts the program: its notice centred over the window, focused
        and answered by Return. The screen once the notice is gone, and the
        window's bounds on it."""
        desk = self.desk
        self.background = settled(desk)
        self.program = desk.start([self.program_path], env=self.env)
        desk.wait(self.notice_listed, "the notice")
        # A compositor lists the notice before its first frame is on screen.
        with_notice = settled(desk, self.background, "the window and its notice", NOTICE_HOLD_S)
        self.check_notice_focused()
        try:
            shown = settled(desk, with_notice, "the notice to go")
        except Failure:
            raise Failure("Return left the notice up: %s" % self.listed())
        window = bounds(difference(self.background, shown))
        # What went with the notice (and the window's focus).
        changed = difference(shown, with_notice)
        outside = [p for p in changed
                   if not (window[0] <= p[0] < window[2] and window[1] <= p[1] < window[3])]
        middle = notice_middle(changed, window)
        aside = None if middle is None else round(abs(middle - (window[0] + window[2]) / 2))
        say("%s notice%s: %d pixels of it outside the window %s, its middle %s pixels aside, "
            "answered by Return" % (self.mode, "" if start is None else " (start %d)" % start,
                                    len(outside) * STEP * STEP, window, aside))
        check(len(outside) * STEP * STEP <= AT_REST_PIXELS, "the notice is not over the window")
        check(aside is not None and aside <= NOTICE_ASIDE,
              "the notice is not centred over the window")
        return shown, window

    def listed(self):
        """What the compositor says of its windows, where it tells."""
        screen = self.desk.screen
        if self.compositor == "sway":
            return screen.tree()
        if self.compositor == "kwin":
            return screen.window_list()
        return "mutter lists no windows"

    def notice_listed(self):
        """Whether the compositor lists the notice, where it tells."""
        screen = self.desk.screen
        if self.mode == "x11":
            return screen.windows("提示")
        if self.compositor == "sway":
            return [w for w in screen.tree() if w["name"] == "提示"]
        if self.compositor == "kwin":
            return [w for w in screen.window_list() if w["name"] == "提示"]
        time.sleep(1)  # mutter lists no Wayland window: the screen settles after it
        return True

    def check_notice_focused(self):
        if self.compositor == "kwin" and self.mode == "wayland":
            # Keys reach KWin's Wayland clients only through its own input
            # protocol; KWin says which window is active.
            active = [w["name"] for w in self.desk.screen.window_list() if w["active"]]
            check(active == ["提示"], "KWin's active window: %s" % active)
            self.desk.screen.close("提示")
        else:
            self.desk.key("Return")

    def check_fixed(self, window):
        screen = self.desk.screen
        if self.compositor == "sway":
            [row] = [w for w in screen.tree() if w["name"] == TITLE]
            say("%s sway: %s" % (self.mode, "floating" if row["floating"] else "tiled"))
            check(row["floating"], "sway tiles the window")
        elif self.compositor == "kwin":
            [row] = [w for w in screen.window_list() if w["name"] == TITLE]
            say("%s kwin: maximizable %s, resizeable %s" % (self.mode, row["maximizable"],
                                                            row["resizeable"]))
            check(not row["maximizable"] and not row["resizeable"],
                  "KWin offers to maximize or resize the window")
        else:
            # GNOME's own key for maximize.
            before = self.desk.screenshot()
            screen.key("super+Up")
            time.sleep(0.5)
            after = settled(self.desk)
            moved = difference(before, after)
            grown = moved and (bounds(moved)[2] - bounds(moved)[0] > MAX_SHOWN[0])
            say("%s mutter: super+Up %s" % (self.mode, "maximized it" if grown else "left it"))
            check(not grown, "mutter maximized the window")

    def close(self):
        if self.compositor == "sway":
            self.desk.screen.command("[title=\"%s\"] kill" % TITLE)
        elif self.compositor == "kwin":
            self.desk.screen.close(TITLE)
        else:
            self.desk.key("alt+F4")

    def fade(self, white):
        """The alphas the screen shows the white pixels at, frame after frame
        (or screenshot after screenshot), from the close to the program's
        end."""
        self.close()
        ended = lambda: self.program.poll() is not None  # noqa: E731
        levels = []

        def note(frame):
            level = pixels_alpha(self.background, frame, white)
            if not levels or level != levels[-1]:
                levels.append(level)
        if hasattr(self.desk.screen, "record"):
            for frame in self.desk.screen.record(ended):
                note(frame)
        else:
            end = time.monotonic() + desktops.DEADLINE_S
            while not ended():
                check(time.monotonic() < end, "the program did not end after the close")
                try:
                    note(self.desk.screenshot())
                except Exception as missed:  # a shot the compositor dropped
                    say("%s: a screenshot failed: %s" % (self.mode, missed))
        return levels


def notice_starts(desk, compositor, program, starts):
    """The notice centred over the window and focused on every one of many
    starts on native Wayland."""
    for start in range(starts):
        mode = Mode(desk, compositor, program, "wayland")
        shown, _ = mode.notice(start + 1)
        desk.stop(mode.program)
        settled(desk, shown, "the window to go")
    if starts:
        say("notice centred over the window and focused on %d starts in a row" % starts)


def stale_display(desk, program):
    """DISPLAY names a server that is not there: the window opens on
    Wayland all the same."""
    background = settled(desk)
    process = desk.start([program], env={"DISPLAY": ":99"})
    try:
        settled(desk, background, "the window on Wayland")
        check(process.poll() is None, "the program ended: %s" % desk.output(process))
        say("stale DISPLAY: the window opened on Wayland")
    finally:
        desk.stop(process)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("compositor", choices=["mutter", "kwin", "sway"])
    parser.add_argument("--starts", type=int, default=0,
                        help="then start it this many times more on native Wayland")
    args = parser.parse_args()
    _compositor.isolate()
    try:
        desktops.Session(args.compositor).close()
    except desktops.Unavailable:
        if subprocess.run([os.path.join(ROOT, "tools", "install-deps")]
                          + PACKAGES[args.compositor]).returncode:
            say("skipped: %s could not be installed" % args.compositor)
            return 77
    started = time.monotonic()
    try:
        with desktops.Session(args.compositor) as desk:
            say("%s up in %.1f s" % (args.compositor, time.monotonic() - started))
            try:
                for mode in ("x11", "wayland"):
                    Mode(desk, args.compositor, args.program, mode).run()
                # The choice is the program's, whichever compositor answers.
                if args.compositor == "sway":
                    stale_display(desk, args.program)
                notice_starts(desk, args.compositor, args.program, args.starts)
            except (Failure, subprocess.SubprocessError) as failure:
                say(desk.log())
                say("FAIL: %s" % failure)
                return 1
    except desktops.Unavailable as missing:
        say("skipped: %s" % missing)
        return 77
    say("%s passed in %.1f s" % (args.compositor, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
