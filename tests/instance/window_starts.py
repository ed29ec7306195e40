#!/usr/bin/python3
"""The one-window rule with real starts of the window program on an X
server: one window per user and display, whatever the folders and
environment around each start.

    window_starts.py PROGRAM

A start that passes the rule shows the start-up notice and waits for the
user; a start that does not ends with status 0 and shows nothing, so its
end is all there is to wait for. Exit status 77 when a tool is missing.
"""

import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402

NOTICE, WINDOW = "提示", "MD5Zevrin"
DEADLINE_S = 30
# Folders the program cannot write in; /proc takes no new file, not even
# from root.
NOWHERE = {"XDG_RUNTIME_DIR": "/proc/nonexistent", "TMPDIR": "/proc", "HOME": "/proc"}

# Two starts at the same moment in the same surroundings: one window.
AT_ONCE = [
    ("ordinary", {}, None),
    ("no writable folder, from an unwritable working folder", NOWHERE, "/proc"),
]

# A second start while the first runs with folders of its own. What the
# first's folders go through, the second's surroundings (display: the
# server's name with its number as N), and whether it shows a window.
SECOND = [
    ("XDG_RUNTIME_DIR unset", None, {"XDG_RUNTIME_DIR": None}, "ends"),
    ("XDG_RUNTIME_DIR missing", None, {"XDG_RUNTIME_DIR": "/nonexistent/run"}, "ends"),
    ("XDG_RUNTIME_DIR not writable", None, {"XDG_RUNTIME_DIR": "/proc", "TMPDIR": "/proc"}, "ends"),
    ("another runtime folder", None, {"XDG_RUNTIME_DIR": "other"}, "ends"),
    ("the first's folders emptied", "empty", {}, "ends"),
    ("display :N.0", None, {"DISPLAY": ":N.0"}, "ends"),
    ("display unix:N", None, {"DISPLAY": "unix:N"}, "ends"),
    ("the first killed outright", "kill", {}, "shows"),
    ("another display", None, {"DISPLAY": "other"}, "shows"),
]


def check(condition, message):
    if not condition:
        raise desktops.Failure(message)


def ended_quietly(desk, process):
    try:
        status = process.wait(DEADLINE_S)
    except subprocess.TimeoutExpired:
        raise desktops.Failure("a start that should end still runs")
    check(status == 0, "a start ended with status %d: %s" % (status, desk.output(process)))


def count(desk, title):
    return len(desk.windows(title))


def two_at_once(desk, program, surroundings, folder):
    starts = [desk.start([program], env=surroundings, cwd=folder) for _ in range(2)]
    desk.wait_windows(NOTICE, 1)
    desk.wait(lambda: sum(p.poll() is None for p in starts) == 1, "one of the two to end")
    [shown] = [p for p in starts if p.poll() is None]
    ended_quietly(desk, next(p for p in starts if p is not shown))
    ended_quietly(desk, desk.start([program], env=surroundings, cwd=folder))
    check((count(desk, NOTICE), count(desk, WINDOW)) == (1, 1),
          "%d notices, %d windows" % (count(desk, NOTICE), count(desk, WINDOW)))
    desk.key("Return", window=desk.windows(NOTICE)[0])
    desk.wait_windows(NOTICE, 0)
    desk.wait_windows(WINDOW, 1)
    check(shown.poll() is None, "the window ended when its notice was answered")


def second_start(desk, other, program, first_folders, surroundings, expected):
    first = desk.start([program], env={
        name: desk.path("first", folder, folder=True)
        for name, folder in (("XDG_RUNTIME_DIR", "run"), ("TMPDIR", "tmp"), ("HOME", "home"))})
    desk.wait_windows(NOTICE, 1)
    if first_folders == "empty":
        shutil.rmtree(desk.path("first"))
    elif first_folders == "kill":
        desk.stop(first, signal.SIGKILL)
        desk.wait_windows(NOTICE, 0)
    env = dict(surroundings)
    if "DISPLAY" in env:
        env["DISPLAY"] = env["DISPLAY"].replace("N", desk.env["DISPLAY"][1:])
    if env.get("XDG_RUNTIME_DIR") == "other":
        env["XDG_RUNTIME_DIR"] = desk.path("other", folder=True)
    shown_on = other if env.get("DISPLAY") == "other" else desk
    env["DISPLAY"] = shown_on.env["DISPLAY"] if shown_on is other else env.get("DISPLAY")
    second = desk.start([program], env={k: v for k, v in env.items() if k != "DISPLAY" or v})
    if expected == "ends":
        ended_quietly(desk, second)
        check(count(desk, NOTICE) == 1, "%d notices" % count(desk, NOTICE))
    else:
        shown_on.wait_windows(NOTICE, 1)
        check(second.poll() is None, "the second start ended")
    check(first.poll() is None or first_folders == "kill", "the first start ended")


def main():
    program = os.path.abspath(sys.argv[1])
    failures = 0
    try:
        with desktops.Session("xvfb+dbus") as desk, desktops.Session("xvfb+dbus") as other:
            rows = [(row[0], two_at_once, (desk, program) + row[1:]) for row in AT_ONCE]
            rows += [(row[0], second_start, (desk, other, program) + row[1:]) for row in SECOND]
            for name, run, arguments in rows:
                started, began = len(desk.processes), time.monotonic()
                try:
                    run(*arguments)
                    print("ok   %5.2f s %s" % (time.monotonic() - began, name), flush=True)
                except desktops.Failure as failure:
                    failures += 1
                    print("FAIL %s: %s" % (name, failure), flush=True)
                for process in desk.processes[started:]:
                    desk.stop(process, signal.SIGKILL)
                for screen in (desk, other):
                    screen.wait_windows(NOTICE, 0)
    except desktops.Unavailable as missing:
        print("skipped: %s" % missing)
        return 77
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
