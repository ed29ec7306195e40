#!/usr/bin/python3
"""Which window system the window program opens on, given the desktop and
the user's environment, seen from outside: an X window of the program, the
window's pixels on weston's output, or the program's end.

    platforms.py --program PATH [--qttest PATH] ROW...

Rows on one desktop share one session. Exit status 77 when a desktop's
tools are missing.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402
from desktops.wayland import BACKGROUND_RGB  # noqa: E402

NOTICE = "提示"
WINDOW = "MD5Zevrin"
NO_DISPLAY = "md5zevrin: no display could be opened"
# What Qt's plugins say when something goes wrong on Wayland.
WARNING_MARKS = ("Wayland", "wayland", "opacity", "QWARN", "Warning", "warning")

# name: (desktop, environment changes, where the window must open; "qttest"
# runs --qttest instead of the program, which must pass without a warning)
ROWS = {
    "user wayland beside X": ("weston", {"QT_QPA_PLATFORM": "wayland"}, "wayland"),
    "user xcb beside Wayland": ("weston", {"QT_QPA_PLATFORM": "xcb"}, "x11"),
    "unset with both": ("weston", {}, "x11"),
    "no display": ("none", {}, "no display"),
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
    """x11, wayland, or how the program ended, once one of them shows."""
    def on_x():
        # The main window may show before the notice does.
        return desk.windows(WINDOW) or desk.windows(NOTICE)

    def seen():
        if process.poll() is not None:
            return "ended"
        if desk.screen is None:
            return None
        if on_x():
            return "x11"
        return "wayland" if on_weston_output(desk) and not on_x() else None
    return desk.wait(seen, "the program's window or end")


def run_row(desk, name, args):
    _, env, expected = ROWS[name]
    if expected == "qttest":
        run = desk.run([args.qttest], env=env, timeout=desktops.DEADLINE_S * 4)
        warnings = [line for line in run.stderr.splitlines()
                    if any(mark in line for mark in WARNING_MARKS)]
        return None if run.returncode == 0 and not warnings else (
            "status %d, warnings: %s\n%s" % (run.returncode, warnings, run.stdout))
    process = desk.start([args.program], env=env)
    try:
        got = opened_on(desk, process)
        if expected == "no display":
            process.wait(desktops.DEADLINE_S)
            lines = desk.output(process).splitlines()
            return None if process.returncode == 1 and len(lines) == 1 and lines[0].startswith(
                NO_DISPLAY) else "status %d, output %r" % (process.returncode, lines)
        return None if got == expected else "opened on %s: %s" % (got, desk.output(process))
    finally:
        desk.stop(process)
        if desk.screen is not None:
            desk.wait(lambda: not desk.windows(NOTICE) and not on_weston_output(desk),
                      "the screen to show weston's background alone")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--qttest")
    parser.add_argument("rows", nargs="+", choices=sorted(ROWS))
    args = parser.parse_args()
    failures = 0
    for name in sorted({ROWS[row][0] for row in args.rows}):
        try:
            with desktops.Session(name) as desk:
                for row in [row for row in args.rows if ROWS[row][0] == name]:
                    failure = run_row(desk, row, args)
                    failures += failure is not None
                    print("%s %s%s" % ("FAIL" if failure else "ok  ", row,
                                       ": " + failure if failure else ""), flush=True)
        except desktops.Unavailable as missing:
            print("skipped: %s" % missing)
            return 77
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
