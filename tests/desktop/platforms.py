#!/usr/bin/python3
"""Which window system the window program opens on, given the desktop and
the user's environment: an X window, its pixels on weston's output, or its
end. Rows on one desktop share one session.

    platforms.py --program PATH [--qttest PATH] ROW...
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402
from desktops import NOTICE, WINDOW, check  # noqa: E402
from desktops.wayland import BACKGROUND_RGB  # noqa: E402

NO_DISPLAY = "md5zevrin: no display could be opened"
# What Qt's plugins say when something goes wrong on Wayland.
WARNING_MARKS = ("Wayland", "wayland", "opacity", "QWARN", "Warning", "warning")

# name: (desktop, environment changes, where the window must open; "qttest"
# runs --qttest instead of the program, which must pass without a warning)
ROWS = {
    "user wayland beside X": ("weston", {"QT_QPA_PLATFORM": "wayland"}, "wayland"),
    "user xcb beside Wayland": ("weston", {"QT_QPA_PLATFORM": "xcb"}, "x11"),
    "unset with both": ("weston", {}, "x11"),
    "no display": ("none", {}, "ended"),
    "wayland window": ("weston-headless", {"QT_QPA_PLATFORM": "wayland"}, "qttest"),
}


def on_weston_output(desk):
    """Whether weston's output, the whole X screen, shows a window over its
    background: more than weston's pointer, 32x32 at most, could cover."""
    image = desk.screenshot()
    background = bytes(reversed(BACKGROUND_RGB))
    samples = range(0, len(image.data), 4 * 61)
    return sum(image.data[i:i + 3] != background for i in samples) > 32 * 32 // 61 + 1


def opened_on(desk, process):
    """x11, wayland or ended, once one of them shows. Any X window of the
    program answers x11: the main window may show before the notice."""
    on_x = lambda: desk.windows(WINDOW) or desk.windows(NOTICE)

    def seen():
        if process.poll() is not None:
            return "ended"
        if desk.screen is None:
            return None
        return "x11" if on_x() else on_weston_output(desk) and not on_x() and "wayland"
    return desk.wait(seen, "the program's window or end")


def run_row(desk, name, program, qttest):
    _, env, expected = ROWS[name]
    if expected == "qttest":
        run = desk.run([qttest], env=env, timeout=desktops.DEADLINE_S * 4)
        warnings = [line for line in run.stderr.splitlines()
                    if any(mark in line for mark in WARNING_MARKS)]
        check(run.returncode == 0 and not warnings, "status %d, warnings: %s\n%s"
              % (run.returncode, warnings, run.stdout))
        return
    process = desk.start([program], env=env)
    try:
        got = opened_on(desk, process)
        check(got == expected, "opened on %s: %s" % (got, desk.output(process)))
        if got == "ended":
            lines = desk.output(process).splitlines()
            check(process.returncode == 1 and len(lines) == 1 and lines[0].startswith(NO_DISPLAY),
                  "status %d, output %r" % (process.returncode, lines))
    finally:
        desk.stop(process)
        if desk.screen is not None:
            desk.wait(lambda: not desk.windows(NOTICE) and not on_weston_output(desk),
                      "the screen to show weston's background alone")


def main(args):
    failures = 0
    for name in sorted({ROWS[row][0] for row in args.rows}):
        with desktops.Session(name) as desk:
            rows = [(row, lambda row=row: run_row(desk, row, args.program, args.qttest))
                    for row in args.rows if ROWS[row][0] == name]
            failures += desktops.play(rows)
    return failures


if __name__ == "__main__":
    desktops.run_test(main, "qttest")
